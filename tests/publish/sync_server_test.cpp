// Whole synchronisation runs against real servers started by the tests
// (pyftpdlib listing with MLSD, vsftpd with LIST only, OpenSSH's sshd over
// SFTP), checked by what lands in the server's folder and by the commands
// in its log.

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "album/stamp_images.h"
#include "ftp_test_servers.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "publish/ftp_session.h"
#include "publish/sftp_session.h"
#include "publish/sync_engine.h"
#include "site/guarded_files.h"
#include "sync_test_profile.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test::FileTime;
using test::SetFileTime;

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

// VsftpdTls is vsftpd insisting on explicit TLS for the login and every
// transfer, its certificate pinned in the profile as after a first Yes.
enum class ServerKind { Pyftpdlib, Vsftpd, VsftpdTls, Sshd };
const char* KindName(ServerKind kind) {
  switch (kind) {
    case ServerKind::Pyftpdlib:
      return "pyftpdlib";
    case ServerKind::Vsftpd:
      return "vsftpd";
    case ServerKind::VsftpdTls:
      return "vsftpd_tls";
    case ServerKind::Sshd:
      return "sshd";
  }
  return "";
}
void PrintTo(ServerKind kind, std::ostream* os) { *os << KindName(kind); }

constexpr std::string_view kRemoteDir = "/album/";

// How a test wants its server to behave.
struct ServerOptions {
  int clockAhead = 0;            // seconds the server's clock runs ahead of ours (run under faketime)
  int rateLimit = 0;             // bytes per second the server takes uploads at; 0 for no limit
  std::string cutUploads = "";   // pyftpdlib keeps half of each upload to a path holding this
  std::string dropUploads = "";  // pyftpdlib drops the data connection of uploads to a path holding this
  bool tls = false;              // vsftpd: explicit TLS required, with a certificate made for the test
  int maxPerAddress = 0;         // control connections the server accepts from 127.0.0.1 at once; 0 for any
};

// A test's own server. Started with the shared helpers; when the test asks
// for a fast clock or slow uploads, or after it killed the server, it is
// started again with the same port, folder, user and log.
class SyncServer {
 public:
  SyncServer(ServerKind kind, ServerOptions options) : kind_(kind), options_(options) {
    if (kind == ServerKind::Sshd) {
      server_ = test::StartSshd(error_);
      return;
    }
    server_ = kind == ServerKind::Pyftpdlib ? test::StartPyftpdlib(error_, 0, options.cutUploads, options.dropUploads)
                                            : test::StartVsftpd(error_, options.tls || kind == ServerKind::VsftpdTls);
    if (server_ && (options.clockAhead || options.rateLimit || options.maxPerAddress)) Restart();
  }

  // Empty when the server runs, else why not.
  const std::string& error() const { return error_; }
  test::FtpTestServer& operator*() { return *server_; }
  test::FtpTestServer* operator->() { return server_.get(); }
  const ServerOptions& options() const { return options_; }

  // The server goes away with every session it serves: vsftpd serves each
  // in a process of its own outside the listener's group, found here by the
  // configuration file only this server uses.
  void Kill() {
    if (kind_ == ServerKind::Sshd) server_->KillSessions();
    server_->Stop();
    const std::string config = (server_->folder() / "vsftpd.conf").string();
    for (const auto& e : fs::directory_iterator("/proc")) {
      const std::string pid = e.path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string cmdline = test::ReadText(e.path() / "cmdline");
      if (cmdline.find(config) != std::string::npos) ::kill(std::stoi(pid), SIGKILL);
    }
  }

  void SetOptions(ServerOptions options) { options_ = std::move(options); }

  bool Restart() {
    server_->Stop();
    std::vector<std::string> argv;
    if (options_.clockAhead) {
      if (::access("/usr/bin/faketime", X_OK) != 0) {
        error_ = "faketime is missing: install faketime (scripts/install-deps.sh)";
        return false;
      }
      argv = {"/usr/bin/faketime", "-f", "+" + std::to_string(options_.clockAhead) + "s"};
    }
    if (kind_ == ServerKind::Sshd) {
      error_ = static_cast<test::SshTestServer&>(*server_).Start();
      return error_.empty();
    }
    if (kind_ == ServerKind::Pyftpdlib) {
      const auto [first, last] = test::FreePortRange(20);
      for (const std::string& a : {test::PythonWithPyftpdlib(),
                                   std::string(ALBUMSMITH_TEST_DATA) + "/publish/ftp_server.py",
                                   std::string("--port"),
                                   std::to_string(server_->port()),
                                   std::string("--root"),
                                   server_->root().string(),
                                   std::string("--user"),
                                   server_->login_,
                                   std::string("--password"),
                                   server_->password_,
                                   std::string("--passive-ports"),
                                   std::to_string(first) + "-" + std::to_string(last),
                                   std::string("--log"),
                                   server_->log().string(),
                                   std::string("--read-limit"),
                                   std::to_string(options_.rateLimit),
                                   std::string("--cut-uploads"),
                                   options_.cutUploads,
                                   std::string("--drop-uploads"),
                                   options_.dropUploads,
                                   std::string("--max-cons-per-ip"),
                                   std::to_string(options_.maxPerAddress)})
        argv.push_back(a);
    } else {
      const fs::path config = server_->folder() / "vsftpd.conf";
      if (options_.rateLimit && test::ReadText(config).find("local_max_rate") == std::string::npos)
        std::ofstream(config, std::ios::app) << "local_max_rate=" << options_.rateLimit << "\n";
      if (options_.maxPerAddress && test::ReadText(config).find("max_per_ip") == std::string::npos)
        std::ofstream(config, std::ios::app) << "max_per_ip=" << options_.maxPerAddress << "\n";
      argv.push_back("/usr/sbin/vsftpd");
      argv.push_back(config.string());
    }
    error_ = server_->Start(argv);
    return error_.empty();
  }

  // Where a remote path of the album lives on this machine.
  fs::path Local(const std::string& relative = "") const { return server_->root() / kRemoteDir.substr(1) / relative; }
  // The album's directory as the profile names it: sshd shows the machine's
  // own folders, the FTP servers their root.
  std::string RemoteDir() const {
    return kind_ == ServerKind::Sshd ? server_->root().string() + std::string(kRemoteDir) : std::string(kRemoteDir);
  }

  // Puts a file on the server behind its back, owned by the server's user.
  void Seed(const std::string& relative, const std::string& content) {
    const fs::path path = Local(relative);
    fs::create_directories(path.parent_path());
    if (content != "/") test::WriteText(path, content);
    GiveToServerUser(server_->root());
  }

  // The album's images on the server dated `seconds` earlier, as if they had
  // been uploaded minutes ago: a change made now is then clearly later than
  // the upload, not within its second. The support files keep their times
  // (moved back, they would look older than the template's).
  void Age(int seconds) {
    for (const char* tree : {"albsite/m", "albsite/s"})
      for (const auto& e : fs::recursive_directory_iterator(server_->root() / kRemoteDir.substr(1) / tree))
        if (e.is_regular_file()) SetFileTime(e.path(), FileTime(e.path()) - seconds);
  }

  // The paths (relative to the album) the server was sent with STOR since
  // the log held `from` bytes, sorted.
  std::vector<std::string> Stors(size_t from) const {
    const std::string log = test::ReadText(server_->log());
    std::vector<std::string> paths;
    for (const std::string& line : Split(log.substr(std::min(from, log.size())), '\n')) {
      // pyftpdlib logs "<- STOR path", vsftpd "FTP command: Client …, "STOR path"",
      // sftp-server "open "path" flags WRITE,CREATE,TRUNCATE mode 0644".
      std::string path;
      if (StartsWith(line, "open \"") && line.find("\" flags WRITE") != std::string::npos) {
        path = line.substr(6, line.find("\" flags WRITE") - 6);
      } else {
        size_t at = line.find("<- STOR ");
        if (at == std::string::npos) at = line.find("\"STOR ");
        if (at == std::string::npos) continue;
        path = line.substr(line.find("STOR ", at) + 5);
        if (!path.empty() && path.back() == '"') path.pop_back();  // vsftpd quotes the command
      }
      if (StartsWith(path, RemoteDir())) path = path.substr(RemoteDir().size());
      // A replacement is sent as ".NAME.part" beside NAME and moved over it.
      const size_t slash = path.rfind('/') + 1;
      if (path.compare(slash, 1, ".") == 0 && EndsWith(path, ".part"))
        path = path.substr(0, slash) + path.substr(slash + 1, path.size() - slash - 6);
      paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
  }
  size_t LogSize() const { return test::ReadText(server_->log()).size(); }

 private:
  void GiveToServerUser(const fs::path& root) {
    const passwd* user = ::getpwnam(server_->login_.c_str());
    if (!user) return;  // pyftpdlib runs as whoever runs the tests
    for (const auto& e : fs::recursive_directory_iterator(root))
      if (::chown(e.path().c_str(), user->pw_uid, user->pw_gid) != 0) ADD_FAILURE() << "chown " << e.path();
  }

  ServerKind kind_;
  ServerOptions options_;
  std::string error_;
  std::unique_ptr<test::FtpTestServer> server_;
};

// A server machine with a fast clock dates the files it writes by that
// clock. Under faketime the server program sees the shifted clock, but the
// kernel still dates the files by the real one; this stands in for that
// machine by dating each upload the way it would.
class ServerClockTransport final : public RemoteTransport {
 public:
  ServerClockTransport(RemoteTransport& inner, fs::path root, int ahead)
      : inner_(inner), root_(std::move(root)), ahead_(ahead) {}
  void SetProfile(const ProfileSettings& p) override { inner_.SetProfile(p); }
  void SetStopFlag(const std::atomic<bool>* stop) override { inner_.SetStopFlag(stop); }
  int lastError() const override { return inner_.lastError(); }
  bool Connect() override { return inner_.Connect(); }
  void Disconnect() override { inner_.Disconnect(); }
  bool EnterOrCreateDir(std::string_view path, Report r) override { return inner_.EnterOrCreateDir(path, r); }
  bool MakeDirs(std::string_view path, Report r) override { return inner_.MakeDirs(path, r); }
  bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs d, Create c,
               Ask a) override {
    return inner_.ListDir(list, base, sub, d, c, a);
  }
  bool PutFile(const fs::path& local, std::string_view remote) override {
    return Dated(remote, inner_.PutFile(local, remote));
  }
  bool PutBuffer(std::string_view remote, std::string_view data) override {
    return Dated(remote, inner_.PutBuffer(remote, data));
  }
  bool RemoveFile(std::string_view remote) override { return inner_.RemoveFile(remote); }
  bool Rename(std::string_view from, std::string_view to) override { return inner_.Rename(from, to); }
  bool RemoveTree(std::string_view dir) override { return inner_.RemoveTree(dir); }
  bool ExactTime(std::string_view remote, std::int64_t& time) override { return inner_.ExactTime(remote, time); }
  bool FileSize(std::string_view remote, std::uint64_t& size) override { return inner_.FileSize(remote, size); }

 private:
  bool Dated(std::string_view remote, bool ok) {
    const fs::path file = root_ / std::string(remote).substr(1);
    if (ok) SetFileTime(file, FileTime(file) + ahead_);
    return ok;
  }
  RemoteTransport& inner_;
  fs::path root_;
  int ahead_;
};

// The window's status bar, with a hook a test uses to act at a given status.
class HookedSink : public RecordingWindowSink {
 public:
  std::function<void(const std::string&)> onStatus;
  void PostStatus(const std::string& text) override {
    if (onStatus) onStatus(text);
    RecordingWindowSink::PostStatus(text);
  }
  std::string LastStatus() const {
    std::string last;
    for (const Posted& p : posted())
      if (const auto* s = std::get_if<Status>(&p)) last = s->text;
    return last;
  }
  // The last two messages: the progress bar hidden, then "Ready".
  bool EndedReady() const {
    const std::vector<Posted> all = posted();
    if (all.size() < 2) return false;
    const auto* progress = std::get_if<Progress>(&all[all.size() - 2]);
    const auto* status = std::get_if<Status>(&all.back());
    return progress && progress->position == -1 && status && status->text == "Ready";
  }
};

// Asks for a stop at the `nth` "Uploading file" status: `delay` later from a
// thread of its own, or at once from the status itself when there is none.
class UploadStopper {
 public:
  UploadStopper(int nth, std::chrono::milliseconds delay) {
    sink.onStatus = [this, nth, delay](const std::string& text) {
      if (!StartsWith(text, "Uploading file ") || ++uploads_ != nth) return;
      if (delay.count() == 0) {
        Stop();
        return;
      }
      stopper_ = std::thread([this, delay] {
        std::this_thread::sleep_for(delay);
        Stop();
      });
    };
  }
  ~UploadStopper() { Finish(); }
  UploadStopper(const UploadStopper&) = delete;
  UploadStopper& operator=(const UploadStopper&) = delete;

  // Right after the run: when it ended, and whether the stop was asked for.
  bool Finish() {
    if (endedAt_ == Clock::time_point{}) endedAt_ = Clock::now();
    if (stopper_.joinable()) stopper_.join();
    return stop.load();
  }
  Clock::duration StopToEnd() const { return endedAt_ - stoppedAt_; }

  HookedSink sink;
  std::atomic<bool> stop{false};

 private:
  void Stop() {
    stoppedAt_ = Clock::now();
    stop = true;
  }
  int uploads_ = 0;
  std::thread stopper_;
  Clock::time_point stoppedAt_{};
  Clock::time_point endedAt_{};
};

class SyncServerTest : public ::testing::TestWithParam<ServerKind> {
 protected:
  void SetUp() override { Prompts().Clear(); }

  // Starts the test's server and points the profile at it; true when it runs.
  bool StartServer(ServerOptions options = {}) {
    server_ = std::make_unique<SyncServer>(GetParam(), options);
    if (!server_->error().empty()) {
      ADD_FAILURE() << server_->error();
      return false;
    }
    ProfileSettings& s = profile_.settings();
    s.serverName = (*server_)->serverText();
    s.login = (*server_)->login_;
    s.password = (*server_)->password_;
    s.remoteDir = server_->RemoteDir();
    const bool tls = options.tls || GetParam() == ServerKind::VsftpdTls;
    s.protocol = GetParam() == ServerKind::Sshd ? "sftp" : tls ? "ftps" : "";
    // The host key or certificate as the user would have accepted it on the
    // first run.
    if (GetParam() == ServerKind::Sshd || GetParam() == ServerKind::VsftpdTls) s.fingerprint = (*server_)->fingerprint_;
    profile_.Save();
    return true;
  }

  // A session as the window makes one: short time-outs, and a trusted key
  // or certificate stored in the profile.
  void Configure(CurlSession& session) const {
    session.SetTimeouts({5, 5, 5});
    session.SetPinSaver(ProfilePinSaver(profile_.profilesDir(), test::kProfileName));
  }

  SyncOutcome Run(const SyncRequest& request, HookedSink& sink, const std::atomic<bool>& stop) {
    if (GetParam() == ServerKind::Sshd) {
      SftpSession session;
      Configure(session);
      return RunSync(request, session, sink, stop);
    }
    FtpSession session;
    Configure(session);
    if (server_->options().clockAhead == 0) return RunSync(request, session, sink, stop);
    ServerClockTransport clock(session, (*server_)->root(), server_->options().clockAhead);
    return RunSync(request, clock, sink, stop);
  }
  SyncOutcome Run(const SyncRequest& request) {
    HookedSink sink;
    std::atomic<bool> stop{false};
    const SyncOutcome outcome = Run(request, sink, stop);
    EXPECT_TRUE(sink.EndedReady());
    return outcome;
  }

  // Texts of the messages that only inform (questions left out).
  std::vector<std::string> Warnings() const {
    std::vector<std::string> texts;
    for (const Message& m : Prompts().shown())
      if (m.buttons == Buttons::Ok) texts.push_back(m.text);
    return texts;
  }

  std::string RemdirText() const { return test::ReadText(RemdirPath(profile_.profileDir())); }

  // The fingerprint the profile holds, as the last run left it.
  std::string Pinned() const { return ReadProfile(profile_.profilesDir(), test::kProfileName).fingerprint; }

  // With `pinned` in the profile in place of the server's certificate or
  // host key, a run is refused before the login, without a question, naming
  // both fingerprints, and the pin stays.
  void ExpectChangedPinRefused(const std::string& pinned) {
    profile_.settings().fingerprint = pinned;
    profile_.Save();
    Prompts().Clear();
    EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
    const std::vector<std::string> warnings = Warnings();
    ASSERT_FALSE(warnings.empty());
    EXPECT_NE(warnings.front().find(pinned), std::string::npos) << warnings.front();
    EXPECT_NE(warnings.front().find((*server_)->fingerprint_), std::string::npos) << warnings.front();
    for (const Message& m : Prompts().shown()) EXPECT_EQ(m.buttons, Buttons::Ok) << m.text;  // nothing asked
    EXPECT_EQ(Pinned(), pinned);
    EXPECT_EQ((*server_)->Logins(), 0);
  }

  // Kills the server at the `nth` "Uploading file" status.
  void KillServerAtUpload(HookedSink& sink, int nth) {
    sink.onStatus = [this, nth, uploads = 0](const std::string& text) mutable {
      if (StartsWith(text, "Uploading file ") && ++uploads == nth) server_->Kill();
    };
  }

  // A run whose server went away during its uploads: the upload's error and
  // the folder's, the status bar back to "Ready", remdir.dat as it was.
  void ExpectUploadFailureShown(const HookedSink& sink, const std::string& remdirBefore) {
    const std::vector<std::string> warnings = Warnings();
    ASSERT_EQ(warnings.size(), 2u) << Join(warnings, "\n--\n");
    EXPECT_TRUE(StartsWith(warnings[0], "Error uploading file")) << warnings[0];
    EXPECT_EQ(warnings[1], "Cannot synchronize the remote directory");
    EXPECT_TRUE(sink.EndedReady());
    EXPECT_EQ(RemdirText(), remdirBefore);
  }

  // A run stopped during its uploads: it ends within a second of the stop,
  // failed with the one message of a stopped folder, the status bar back to
  // "Ready", and remdir.dat as it was before.
  void ExpectStoppedRun(UploadStopper& stopper, const SyncOutcome& outcome, const std::string& remdirBefore) {
    ASSERT_TRUE(stopper.Finish()) << "no stop was asked for: too few uploads";
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_LT(stopper.StopToEnd(), std::chrono::seconds(1));
    EXPECT_EQ(Warnings(), std::vector<std::string>{"Cannot synchronize the remote directory"});
    EXPECT_TRUE(stopper.sink.EndedReady());
    EXPECT_EQ(RemdirText(), remdirBefore);
  }

  // What every run sends whatever changed: the clock probe. The folder
  // tree data and the pages, made afresh by every run, travel only when
  // their text differs from what was sent last.
  // Over SFTP uploads carry their local times: there is no clock to measure.
  std::vector<std::string> FixedUploads() const {
    return GetParam() == ServerKind::Sshd ? std::vector<std::string>{} : std::vector<std::string>{"datetime.flg"};
  }

  test::SyncTestProfile profile_;
  std::unique_ptr<SyncServer> server_;
};

TEST_P(SyncServerTest, FirstRunPublishesTheSiteAndTheNextSendsNoAlbumFile) {
  if (!StartServer()) return;
  const fs::path background = fs::path(profile_.profileDir()) / "sky.jpg";
  fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "exif/kodak-dc210.jpg", background);
  SetFileTime(background, std::time(nullptr) - 7200);
  profile_.settings().background = background.string();
  profile_.Save();

  const SyncOutcome first = Run(profile_.ProfileRequest());
  ASSERT_TRUE(first.succeeded) << test::ReadText((*server_)->log()).substr(0, 3000);
  EXPECT_TRUE(Warnings().empty()) << Warnings()[0];
  EXPECT_TRUE(first.installConfirmed);
  const auto remote = test::TreeContent(server_->Local());
  EXPECT_EQ(remote, profile_.ExpectedSite());
  for (const auto& [path, content] : remote) EXPECT_EQ(path.find("sort.pos"), std::string::npos) << path;
  EXPECT_TRUE(remote.count("albsite/bg/sky.jpg"));
  EXPECT_TRUE(remote.count("albsite/s/Trips/Folder.html"));
  EXPECT_TRUE(remote.count("albsite/s/Trips/2004/c.jpg.comment"));
  EXPECT_FALSE(remote.count("datetime.flg"));

  Prompts().Clear();
  const size_t mark = server_->LogSize();
  const SyncOutcome second = Run(profile_.ProfileRequest());
  ASSERT_TRUE(second.succeeded);
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  EXPECT_EQ(server_->Stors(mark), FixedUploads());
  EXPECT_EQ(test::TreeContent(server_->Local()), remote);
}

TEST_P(SyncServerTest, ChangedImageSendsItsDerivedFilesAndItsFolderPages) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  server_->Age(300);
  SetFileTime(profile_.imageTree() / "Trips/2004/c.jpg", std::time(nullptr));

  const size_t mark = server_->LogSize();
  ASSERT_TRUE(Run(profile_.FolderRequest("Trips/2004/")).succeeded);
  std::vector<std::string> expected = FixedUploads();
  // The comment copy is one of the image's derived files: the folder load
  // removes it with the others when the image changes.
  for (const char* p : {"albsite/m/Trips/2004/c.jpg", "albsite/s/Trips/2004/c.jpg",
                        "albsite/s/Trips/2004/c.jpg.comment", "albsite/s/Trips/2004/c.jpg.html"})
    expected.push_back(p);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(server_->Stors(mark), expected);
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

// A stamp changed on one image of a folder: only that image's medium image
// is made again (its thumbnail keeps its time), and the next whole-profile
// run sends exactly that medium image besides what every run sends.
TEST_P(SyncServerTest, ChangedStampSendsOnlyTheStampedMediumImage) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  server_->Age(300);
  const fs::path site = fs::path(profile_.profileDir()) / "albsite";
  const auto before = test::FileStates(site);

  StampSettings stamp;
  stamp.tag = 1;
  stamp.text = "Summer 2004";
  ASSERT_TRUE(StampImages(profile_.profileDir(), "Trips/2004/", profile_.settings(), {"c.jpg"}, stamp));
  EXPECT_FALSE(fs::exists(site / "m/Trips/2004/c.jpg"));

  const size_t mark = server_->LogSize();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  std::vector<std::string> expected = FixedUploads();
  expected.push_back("albsite/m/Trips/2004/c.jpg");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(server_->Stors(mark), expected);

  auto after = test::FileStates(site);
  ASSERT_TRUE(after.count("m/Trips/2004/c.jpg"));
  EXPECT_NE(after["m/Trips/2004/c.jpg"], before.at("m/Trips/2004/c.jpg"));
  // Every other derived file, the thumbnails above all, is as it was.
  for (const auto& [path, state] : before) {
    if (path == "m/Trips/2004/c.jpg" || path.find("/js/") != std::string::npos) continue;
    if (path.starts_with("s/") || path.starts_with("m/")) {
      EXPECT_EQ(after[path], state) << path;
    }
  }
}

TEST_P(SyncServerTest, FolderDeletedLocallyLeavesTheServer) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  ASSERT_TRUE(fs::exists(server_->Local("albsite/m/Family/e.jpg")));
  const int familyId = [&] {
    CDirectoryTree tree;
    tree.LoadFrom(RemdirPath(profile_.profileDir()));
    return tree.FindPath("Family/")->id();
  }();

  fs::remove_all(profile_.imageTree() / "Family");
  Prompts().Clear();
  // Its page directory is no album folder any more: not preserved, removed.
  Prompts().Queue(Answer::No);
  Prompts().Queue(Answer::Ok);
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);

  EXPECT_EQ(Prompts().texts().at(0).rfind("Preserve \"Family\"", 0), 0u) << Prompts().texts()[0];
  for (const char* gone : {"albsite/m/Family", "albsite/s/Family", "Family"})
    EXPECT_FALSE(fs::exists(server_->Local(gone))) << gone;
  CDirectoryTree tree;
  tree.LoadFrom(RemdirPath(profile_.profileDir()));
  EXPECT_EQ(tree.FindPath("Family/"), nullptr);
  EXPECT_FALSE(tree.IsTaken(familyId));
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

TEST_P(SyncServerTest, ForeignDirectoryIsAskedAboutAndYesPreservesIt) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  server_->Seed("stats/today.txt", "12 visits");

  Prompts().Clear();
  Prompts().Queue(Answer::Yes);
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0],
            "Preserve \"stats\"\n\nThis file or directory is not used for Albumsmith and should be only preserved if "
            "you need it.");
  EXPECT_EQ(Prompts().shown()[0].buttons, Buttons::YesNoCancel);
  EXPECT_EQ(ReadProfile(profile_.profilesDir(), test::kProfileName).preserve.entries(),
            std::vector<std::string>{"stats"});
  EXPECT_EQ(test::ReadText(server_->Local("stats/today.txt")), "12 visits");

  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
}

TEST_P(SyncServerTest, ServerClockAheadIsMeasuredAndCausesNoNeedlessUpload) {
  if (!StartServer({.clockAhead = 3600})) return;
  const SyncOutcome first = Run(profile_.ProfileRequest());
  ASSERT_TRUE(first.succeeded);
  // The probe is dated when it is written here and when the server has it;
  // a second may pass between the two, and LIST shows no seconds.
  const int listed = GetParam() == ServerKind::Pyftpdlib ? 1 : 60;
  EXPECT_GE(first.clockOffset, -3600 - 1);
  EXPECT_LT(first.clockOffset, -3600 + listed);

  size_t mark = server_->LogSize();
  const SyncOutcome second = Run(profile_.ProfileRequest());
  ASSERT_TRUE(second.succeeded);
  EXPECT_EQ(server_->Stors(mark), FixedUploads());

  // A change made after the last upload, by our clock, but before the time
  // the server gave that upload: only the offset tells it is newer.
  server_->Age(300);
  SetFileTime(profile_.imageTree() / "Family/e.jpg", std::time(nullptr));
  mark = server_->LogSize();
  ASSERT_TRUE(Run(profile_.FolderRequest("Family/")).succeeded);
  const std::vector<std::string> sent = server_->Stors(mark);
  EXPECT_TRUE(std::count(sent.begin(), sent.end(), "albsite/m/Family/e.jpg")) << Join(sent, " ");
  EXPECT_TRUE(std::count(sent.begin(), sent.end(), "albsite/s/Family/e.jpg")) << Join(sent, " ");
}

TEST_P(SyncServerTest, ServerKilledDuringUploadsEndsTheRunAndTheNextRunCompletes) {
  if (!StartServer()) return;
  const SyncRequest request = profile_.ProfileRequest();
  const std::string remdir = RemdirText();
  const std::int64_t remdirTime = FileTime(RemdirPath(profile_.profileDir()));
  const auto before = test::FileStates(profile_.profileDir());

  HookedSink sink;
  KillServerAtUpload(sink, 3);
  std::atomic<bool> stop{false};
  EXPECT_FALSE(Run(request, sink, stop).succeeded);

  ExpectUploadFailureShown(sink, remdir);
  EXPECT_EQ(FileTime(RemdirPath(profile_.profileDir())), remdirTime);
  EXPECT_EQ(test::FileStates(profile_.profileDir()), before);

  ASSERT_TRUE(server_->Restart()) << server_->error();
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

TEST_P(SyncServerTest, StopDuringUploadsEndsTheRunWithinASecond) {
  if (!StartServer({.rateLimit = 8000})) return;
  const SyncRequest request = profile_.ProfileRequest();
  const std::string remdir = RemdirText();

  UploadStopper stopper(1, std::chrono::milliseconds(300));
  const SyncOutcome outcome = Run(request, stopper.sink, stopper.stop);
  ExpectStoppedRun(stopper, outcome, remdir);
}

TEST_P(SyncServerTest, PhpSiteKeepsIndexPhpAndAlbsiteAndLosesStaticPagesQuietly) {
  if (!StartServer()) return;
  profile_.settings().php = 1;
  profile_.Save();
  // Left from when the profile was a static site.
  server_->Seed("index.html", "<html>old</html>");
  server_->Seed("slide.html", "<html>old slide</html>");

  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  for (const std::string& text : Prompts().texts())
    EXPECT_TRUE(StartsWith(text, "Create remote directory") || StartsWith(text, "The remote software")) << text;
  EXPECT_FALSE(fs::exists(server_->Local("index.html")));
  EXPECT_FALSE(fs::exists(server_->Local("slide.html")));
  EXPECT_TRUE(fs::exists(server_->Local("index.php")));
  EXPECT_TRUE(fs::exists(server_->Local("albsite/s/Trips/2004/var.inf")));
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());

  // Installed once: the fingerprint of that index.php makes the next check pass.
  Prompts().Clear();
  const size_t mark = server_->LogSize();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  EXPECT_EQ(server_->Stors(mark), FixedUploads());
}

// A protected album is published guarded: every folder file as "<name>.php"
// behind the guard's prologue, an empty index page in every image directory,
// the listing guarded, rights.php last. A run with nothing changed sends only
// what every run makes again; switching protection off leaves no guarded file
// and no access rights on the server, and no ".php" medium image on the disk.
TEST_P(SyncServerTest, ProtectedAlbumIsPublishedGuardedAndSwitchingItOffLeavesNoGuardedFile) {
  if (!StartServer()) return;
  const std::string rights = "<?PHP\n$adm_user=\"admin\";\n$rights['.'] = '0';\n?>\n";
  profile_.settings().php = 1;
  profile_.settings().accessSecurity = 1;
  profile_.Save();
  auto request = [&] {
    SyncRequest r = profile_.ProfileRequest();
    r.rightsPhp = rights;
    return r;
  };

  ASSERT_TRUE(Run(request()).succeeded) << test::ReadText((*server_)->log()).substr(0, 3000);
  const auto remote = test::TreeContent(server_->Local());
  EXPECT_EQ(remote, profile_.ExpectedSite(rights));
  EXPECT_EQ(remote.at("albsite/js/rights.php"), rights);
  EXPECT_TRUE(remote.count("albsite/js/guard.php"));
  EXPECT_FALSE(remote.count("albsite/js/dir.js"));
  for (const auto& [path, content] : remote) {
    if (path.rfind("albsite/s/", 0) != 0 && path.rfind("albsite/m/", 0) != 0) continue;
    if (path.back() == '/') continue;
    if (path.size() >= 10 && path.substr(path.size() - 10) == "index.html") {
      EXPECT_EQ(content, std::string(kDirectoryIndexText)) << path;
      continue;
    }
    EXPECT_EQ(path.substr(path.size() - 4), ".php") << path;
    EXPECT_EQ(content.rfind("<?php require dirname(__DIR__, ", 0), 0u) << path;
  }
  const std::string medium = remote.at("albsite/m/Trips/2004/c.jpg.php");
  EXPECT_EQ(medium.substr(GuardPrologue("m/Trips/2004/").size()),
            test::ReadText(fs::path(profile_.profileDir()) / "albsite/m/Trips/2004/c.jpg"));

  Prompts().Clear();
  size_t mark = server_->LogSize();
  ASSERT_TRUE(Run(request()).succeeded);
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  EXPECT_EQ(server_->Stors(mark), (std::vector<std::string>{"albsite/js/rights.php", "datetime.flg"}));
  EXPECT_EQ(test::TreeContent(server_->Local()), remote);

  profile_.settings().accessSecurity = 0;
  profile_.Save();
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  const auto open = test::TreeContent(server_->Local());
  EXPECT_EQ(open, profile_.ExpectedSite());
  for (const auto& [path, content] : open) {
    EXPECT_NE(content.rfind("<?php require dirname(__DIR__, ", 0), 0u) << path;
    EXPECT_NE(path, "albsite/js/rights.php");
  }
  for (const auto& e : fs::recursive_directory_iterator(fs::path(profile_.profileDir()) / "albsite/m"))
    EXPECT_NE(e.path().extension(), ".php") << e.path();
}

// Names that a server may read as a path, made on its disk inside a
// folder's medium images: "..\\" leads out of the album on a server that
// takes "\\" as "/". They are shown and left alone; nothing else changes.
TEST_P(SyncServerTest, RemoteNamesThatReadAsPathsAreShownAndLeftAlone) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  server_->Seed("../other-site/precious.txt", "precious");
  server_->Seed("albsite/m/Trips/..\\..\\..\\..\\other-site/precious.txt", "decoy");
  server_->Seed("albsite/m/Trips/..\\..\\..\\../x.txt", "x");
  const auto before = test::TreeContent((*server_)->root());

  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(test::TreeContent((*server_)->root()), before);
  const std::vector<std::string> warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u) << Join(warnings, "\n--\n");
  EXPECT_TRUE(StartsWith(warnings[0],
                         "The remote directory '/album/albsite/m/Trips/' holds entries whose names "
                         "cannot be part of a path; they are left as they are:"))
      << warnings[0];
  for (const char* name : {"\"..\\..\\..\\..\\other-site\"", "\"..\\..\\..\\..\""})
    EXPECT_NE(warnings[0].find(name), std::string::npos) << warnings[0];
}

// Derived files whose names the transport would read as paths, left in a
// folder by other means than the verification (which makes none such).
TEST_P(SyncServerTest, LocalNamesThatCannotBePublishedAreShownOnceAndTheRunGoesOn) {
  if (!StartServer()) return;
  server_->Seed("../other-site/photo.jpg", "theirs");
  const SyncRequest request = profile_.ProfileRequest();
  const fs::path site = fs::path(profile_.profileDir()) / "albsite";
  for (const char* tree : {"m/Family", "s/Family"})
    for (const char* name : {"back\\slash.jpg", "..\\..\\..\\..\\other-site\\photo.jpg"})
      fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "exif/fujifilm-finepix40i.jpg", site / tree / name);

  ASSERT_TRUE(Run(request).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(Warnings(), std::vector<std::string>{
                            "These files of the folder \"Family/\" are not published, as their names cannot be part of "
                            "a remote path:\r\n\"..\\..\\..\\..\\other-site\\photo.jpg\"\r\n\"back\\slash.jpg\""});
  EXPECT_EQ(test::ReadText((*server_)->root() / "other-site/photo.jpg"), "theirs");
  // The rest of the folder, and the folders published after it.
  for (const char* published : {"albsite/m/Family/e.jpg", "albsite/s/Trips/2004/c.jpg", "index.html"})
    EXPECT_TRUE(fs::exists(server_->Local(published))) << published;
  EXPECT_FALSE(fs::exists(server_->Local("albsite/m/Family/back")));
}

// When a deleted profile's remote files go: never from the server's root,
// which holds more than the album, and never what the profile preserves.
TEST_P(SyncServerTest, RemovingADeletedProfilesFilesSparesTheRootAndThePreserved) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  server_->Seed("stats/today.txt", "12 visits");
  server_->Seed("albsite/keep/notes.txt", "mine");
  server_->Seed("../elsewhere.txt", "other");
  const std::string refused =
      "The remote files of the profile Holiday are not removed: its remote folder is the root of the server, which "
      "holds more than the album.";
  using Tree = std::map<std::string, std::string>;
  const struct {
    const char* what;
    const char* remoteDir;
    const char* preserve;
    std::vector<std::string> messages;
    Tree album;  // what is left of the album's directory
  } cases[] = {
      {"the server's root", "/", "", {refused}, test::TreeContent(server_->Local())},
      {"no directory: the root again", "", "", {refused}, test::TreeContent(server_->Local())},
      {"preserved paths stay with the directories leading to them",
       "/album/",
       "stats|albsite\\keep\\notes.txt",
       {},
       {{"stats/", ""},
        {"stats/today.txt", "12 visits"},
        {"albsite/", ""},
        {"albsite/keep/", ""},
        {"albsite/keep/notes.txt", "mine"}}},
      {"nothing preserved: all goes", "/album/", "", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Prompts().Clear();
    ProfileSettings profile = profile_.settings();
    profile.remoteDir = c.remoteDir;
    profile.preserve.Set(c.preserve);
    FtpSession session;
    session.SetTimeouts({5, 5, 5});
    RemoveRemoteProfileWith(session, profile);
    EXPECT_EQ(Prompts().texts(), c.messages);
    EXPECT_EQ(test::TreeContent(server_->Local()), c.album);
    EXPECT_EQ(test::ReadText((*server_)->root() / "elsewhere.txt"), "other");
  }
  EXPECT_FALSE(fs::exists(server_->Local()));
}

// The window's flag stands for an installation verified in this session; a
// run trusts it only while the server and the entry page still match it.
TEST_P(SyncServerTest, ConfirmedInstallationIsCheckedAgainOnceItNoLongerHolds) {
  if (!StartServer()) return;
  profile_.settings().php = 1;
  profile_.Save();
  const SyncOutcome installed = Run(profile_.ProfileRequest());
  ASSERT_TRUE(installed.succeeded);
  ASSERT_TRUE(installed.installConfirmed);
  auto installAsked = [] {
    const std::vector<std::string> texts = Prompts().texts();
    return std::find(texts.begin(), texts.end(),
                     "The remote software does not exists or is not up to date. Install ?") != texts.end();
  };

  // A setting that lives only in index.php.
  profile_.settings().thumbsPerLine = 3;
  profile_.Save();
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest(true)).succeeded);
  EXPECT_TRUE(installAsked());
  EXPECT_NE(test::ReadText(server_->Local("index.php")).find("$thumb_per_line = 3;"), std::string::npos);

  // The remote emptied by hand while the window stays open.
  for (const auto& entry : fs::directory_iterator(server_->Local())) fs::remove_all(entry.path());
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest(true)).succeeded);
  EXPECT_TRUE(installAsked());
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());

  // One directory of the installation removed: the run that meets it fails,
  // the next one installs again.
  fs::remove_all(server_->Local("albsite/js"));
  Prompts().Clear();
  const SyncOutcome failed = Run(profile_.ProfileRequest(true));
  EXPECT_FALSE(failed.succeeded);
  EXPECT_FALSE(failed.installConfirmed);
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest(failed.installConfirmed)).succeeded);
  EXPECT_TRUE(installAsked());
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

INSTANTIATE_TEST_SUITE_P(Servers, SyncServerTest,
                         ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd, ServerKind::VsftpdTls),
                         [](const ::testing::TestParamInfo<ServerKind>& info) { return KindName(info.param); });

// A server that keeps only part of an upload yet answers it as complete.
class CuttingServerTest : public SyncServerTest {};

TEST_P(CuttingServerTest, UploadCutShortFailsTheRunNamingTheFile) {
  const struct {
    const char* cut;
    const char* file;  // the first upload found short
  } cases[] = {
      {"albsite/m/", "albsite/m/Family/e.jpg"},                 // alone in its directory: asked by SIZE
      {"albsite/s/Trips/2004/", "albsite/s/Trips/2004/c.jpg"},  // one of many: read from a listing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cut);
    Prompts().Clear();
    if (!StartServer({.cutUploads = c.cut})) return;
    const std::string remdir = RemdirText();
    EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
    const std::string local = profile_.profileDir() + c.file;
    const std::uintmax_t size = fs::file_size(local);
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Error uploading file '" + local + "' to '/album/" + c.file +
                                                        "'\r\n\r\nThe server holds " + std::to_string(size / 2) +
                                                        " of its " + std::to_string(size) + " bytes",
                                                    "Cannot synchronize the remote directory"}));
    EXPECT_EQ(RemdirText(), remdir);
  }
}

// A replacement whose data connection breaks part way fails the run; the
// published copy stays as it was until the next run sends the new one whole.
TEST_P(CuttingServerTest, ReplacementCutOffLeavesThePublishedCopyUntilTheNextRun) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  const fs::path local = fs::path(profile_.profileDir()) / "albsite/m/Family/e.jpg";
  const fs::path remote = server_->Local("albsite/m/Family/e.jpg");
  const std::string published = test::ReadText(remote);
  std::string changed = test::ReadText(local);
  changed[changed.size() / 2] ^= 1;
  test::WriteText(local, changed);
  SetFileTime(local, std::time(nullptr) + 10);

  server_->SetOptions({.dropUploads = "e.jpg"});
  ASSERT_TRUE(server_->Restart()) << server_->error();
  Prompts().Clear();
  EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
  ASSERT_FALSE(Warnings().empty());
  EXPECT_TRUE(StartsWith(Warnings().front(), "Error uploading file '" + local.string() + "'")) << Warnings().front();
  EXPECT_EQ(test::ReadText(remote), published);

  server_->SetOptions({});
  ASSERT_TRUE(server_->Restart()) << server_->error();
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(test::ReadText(remote), changed);
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());  // no temporary copy left
}

INSTANTIATE_TEST_SUITE_P(Servers, CuttingServerTest, ::testing::Values(ServerKind::Pyftpdlib),
                         [](const ::testing::TestParamInfo<ServerKind>&) { return "pyftpdlib"; });

// FTPS: vsftpd insisting on TLS for the login and every transfer, with a
// certificate that no authority signed.
class FtpsServerTest : public SyncServerTest {};

TEST_P(FtpsServerTest, UnknownCertificateIsAskedAboutAndPinnedOnYes) {
  if (!StartServer({.tls = true})) return;
  const std::string fingerprint = (*server_)->fingerprint_;
  ASSERT_EQ(fingerprint.size(), 95u) << fingerprint;  // 32 bytes as "AB:" pairs

  // No: refused before the login, nothing pinned.
  Prompts().Clear();
  Prompts().Queue(Answer::No);
  EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
  ASSERT_FALSE(Prompts().texts().empty());
  EXPECT_NE(Prompts().texts().front().find(fingerprint), std::string::npos) << Prompts().texts().front();
  EXPECT_EQ(Pinned(), "");
  EXPECT_EQ((*server_)->Logins(), 0);

  // Yes: pinned in the profile, and the whole site goes over TLS.
  Prompts().Clear();
  Prompts().Queue(Answer::Yes);
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(Pinned(), fingerprint);
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
  EXPECT_NE(test::ReadText((*server_)->log()).find("\"AUTH TLS\""), std::string::npos);
  EXPECT_NE(test::ReadText((*server_)->log()).find("\"PROT P\""), std::string::npos);  // the data too

  // The pinned certificate is taken without a question; nothing of the album is sent again.
  Prompts().Clear();
  const size_t mark = server_->LogSize();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_TRUE(Prompts().texts().empty()) << Join(Prompts().texts(), "\n");
  EXPECT_EQ(server_->Stors(mark), FixedUploads());
}

TEST_P(FtpsServerTest, ChangedCertificateIsRefusedNamingBothFingerprints) {
  if (!StartServer({.tls = true})) return;
  ExpectChangedPinRefused(
      "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF");
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpsServerTest, ::testing::Values(ServerKind::Vsftpd),
                         [](const ::testing::TestParamInfo<ServerKind>&) { return "vsftpd"; });

// SFTP: OpenSSH's sshd with a host key made for the test, pinned in the
// profile unless a test says otherwise, and a user of the test's own.
class SftpServerTest : public SyncServerTest {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "sshd logs in a system user the test creates: run as root";
    SyncServerTest::SetUp();
  }
  std::string Log() const { return test::ReadText((*server_)->log()); }
};

TEST_P(SftpServerTest, FirstRunPublishesWithLocalTimesAndANoOpRunSendsNothing) {
  if (!StartServer()) return;
  const SyncOutcome first = Run(profile_.ProfileRequest());
  ASSERT_TRUE(first.succeeded) << Join(Warnings(), "\n") << Log().substr(0, 3000);
  EXPECT_TRUE(Warnings().empty()) << Warnings()[0];
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
  // Each image went with its local time, to the second; no clock was probed.
  const fs::path site = fs::path(profile_.profileDir()) / "albsite";
  for (const char* file : {"m/Trips/2004/c.jpg", "s/Family/e.jpg", "s/Trips/Folder.html"})
    EXPECT_EQ(FileTime(server_->Local(std::string("albsite/") + file)), FileTime(site / file)) << file;
  EXPECT_EQ(Log().find("datetime.flg"), std::string::npos);

  Prompts().Clear();
  const size_t mark = server_->LogSize();
  const SyncOutcome second = Run(profile_.ProfileRequest());
  ASSERT_TRUE(second.succeeded);
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  EXPECT_EQ(server_->Stors(mark), std::vector<std::string>{});
  const std::string noOp = Log().substr(mark);
  for (const char* change : {"remove name", "mkdir name", "rename old"})
    EXPECT_EQ(noOp.find(change), std::string::npos) << change;
  EXPECT_EQ(second.clockOffset, 0);
}

TEST_P(SftpServerTest, TouchedPhotoSendsExactlyItsDerivedFiles) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  // The remote copies carry the local times: no need to age them first.
  SetFileTime(profile_.imageTree() / "Trips/2004/c.jpg", std::time(nullptr));

  const size_t mark = server_->LogSize();
  ASSERT_TRUE(Run(profile_.FolderRequest("Trips/2004/")).succeeded) << Join(Warnings(), "\n");
  // Each replacement went once, beside its copy, and was moved over it.
  const std::string log = Log().substr(mark);
  EXPECT_NE(log.find("rename old \"" + server_->RemoteDir() + "albsite/m/Trips/2004/.c.jpg.part\""), std::string::npos)
      << log;
  EXPECT_EQ(server_->Stors(mark),
            (std::vector<std::string>{"albsite/m/Trips/2004/c.jpg", "albsite/s/Trips/2004/c.jpg",
                                      "albsite/s/Trips/2004/c.jpg.comment", "albsite/s/Trips/2004/c.jpg.html"}));
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

TEST_P(SftpServerTest, RemovedFolderIsAskedAboutAndLeavesTheServer) {
  if (!StartServer()) return;
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  ASSERT_TRUE(fs::exists(server_->Local("albsite/m/Family/e.jpg")));
  fs::remove_all(profile_.imageTree() / "Family");
  Prompts().Clear();
  Prompts().Queue(Answer::No);
  Prompts().Queue(Answer::Ok);
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  ASSERT_FALSE(Prompts().texts().empty());
  EXPECT_EQ(Prompts().texts().at(0).rfind("Preserve \"Family\"", 0), 0u) << Prompts().texts()[0];
  for (const char* gone : {"albsite/m/Family", "albsite/s/Family", "Family"})
    EXPECT_FALSE(fs::exists(server_->Local(gone))) << gone;
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

TEST_P(SftpServerTest, ServerKilledDuringUploadsEndsTheRunAndTheNextRunCompletes) {
  if (!StartServer()) return;
  const std::string remdir = RemdirText();
  HookedSink sink;
  KillServerAtUpload(sink, 3);
  std::atomic<bool> stop{false};
  EXPECT_FALSE(Run(profile_.ProfileRequest(), sink, stop).succeeded);
  ExpectUploadFailureShown(sink, remdir);

  ASSERT_TRUE(server_->Restart()) << server_->error();
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

TEST_P(SftpServerTest, StopDuringUploadsEndsTheRunAtOnce) {
  if (!StartServer()) return;
  const std::string remdir = RemdirText();
  UploadStopper stopper(3, std::chrono::milliseconds(0));
  const SyncOutcome outcome = Run(profile_.ProfileRequest(), stopper.sink, stopper.stop);
  ExpectStoppedRun(stopper, outcome, remdir);
}

TEST_P(SftpServerTest, UnknownHostKeyIsAskedAboutAndPinnedOnYes) {
  if (!StartServer()) return;
  const std::string fingerprint = (*server_)->fingerprint_;
  ASSERT_EQ(fingerprint.size(), 43u) << fingerprint;  // 32 bytes in base64 without padding
  profile_.settings().fingerprint.clear();
  profile_.Save();

  // No: refused before the login, nothing pinned, nothing sent.
  Prompts().Clear();
  Prompts().Queue(Answer::No);
  EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
  ASSERT_FALSE(Prompts().shown().empty());
  EXPECT_EQ(Prompts().shown().front().buttons, Buttons::YesNo);
  EXPECT_NE(Prompts().texts().front().find(fingerprint), std::string::npos) << Prompts().texts().front();
  EXPECT_EQ(Pinned(), "");
  EXPECT_EQ((*server_)->Logins(), 0);
  EXPECT_FALSE(fs::exists(server_->Local()));

  // Yes: pinned in the profile, and the site published.
  Prompts().Clear();
  Prompts().Queue(Answer::Yes);
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(Pinned(), fingerprint);
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());

  // The pinned key is taken without a question.
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_TRUE(Prompts().texts().empty()) << Join(Prompts().texts(), "\n");
}

TEST_P(SftpServerTest, ChangedHostKeyIsRefusedNamingBothFingerprints) {
  if (!StartServer()) return;
  ExpectChangedPinRefused("SHA256:AAAABBBBCCCCDDDDEEEEFFFFGGGGHHHHIIIIJJJJKKK");
  ASSERT_FALSE(Warnings().empty());
  EXPECT_NE(Warnings().front().find("has changed"), std::string::npos) << Warnings().front();
}

// A password, or a private key file with its passphrase (none here) in the
// password's place; a wrong password fails the connection with one message.
TEST_P(SftpServerTest, LogsInWithPasswordOrKeyFile) {
  if (!StartServer()) return;
  const std::string plainKey = static_cast<test::SshTestServer&>(**server_).clientKey().string();
  // The same key kept under a passphrase.
  const std::string lockedKey = plainKey + ".locked";
  std::string output;
  const std::string lock = "cp " + plainKey + " " + lockedKey + " && chmod 600 " + lockedKey +
                           " && ssh-keygen -q -p -P '' -N 'open sesame' -f " + lockedKey;
  ASSERT_EQ(test::RunCommand(lock, "", output), 0) << output;
  const struct {
    const char* what;
    std::string key;
    std::string password;
    bool succeeds;
    const char* logged;  // by the server, when it got that far
  } cases[] = {
      {"key file without passphrase", plainKey, "", true, "Accepted publickey for"},
      {"key file with its passphrase", lockedKey, "open sesame", true, "Accepted publickey for"},
      {"key file with a wrong passphrase", lockedKey, "closed", false, ""},
      {"password", "", (*server_)->password_, true, "Accepted password for"},
      {"wrong password", "", "wrong", false, "Failed password for"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    profile_.settings().keyFile = c.key;
    profile_.settings().password = c.password;
    profile_.Save();
    Prompts().Clear();
    const size_t mark = server_->LogSize();
    const SyncOutcome outcome = Run(profile_.ProfileRequest());
    EXPECT_EQ(outcome.succeeded, c.succeeds) << Join(Warnings(), "\n");
    EXPECT_NE(Log().find(c.logged, mark), std::string::npos) << Log().substr(mark, 2000);
    if (!c.succeeds) {
      EXPECT_EQ(Log().find("Accepted ", mark), std::string::npos) << Log().substr(mark, 2000);
    }
    if (!c.succeeds) {
      ASSERT_FALSE(Warnings().empty());
      EXPECT_TRUE(StartsWith(Warnings().front(), "Error connecting host")) << Warnings().front();
    }
  }
}

// A protected album's files are sent as buffers behind the guard; they too
// carry their local files' times, so a run with nothing changed sends only
// the rights, which every run makes again.
TEST_P(SftpServerTest, ProtectedAlbumRunWithNothingChangedSendsOnlyTheRights) {
  if (!StartServer()) return;
  const std::string rights = "<?PHP\n$adm_user=\"admin\";\n$rights['.'] = '0';\n?>\n";
  profile_.settings().php = 1;
  profile_.settings().accessSecurity = 1;
  profile_.Save();
  SyncRequest request = profile_.ProfileRequest();
  request.rightsPhp = rights;
  ASSERT_TRUE(Run(request).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite(rights));
  EXPECT_EQ(FileTime(server_->Local("albsite/m/Trips/2004/c.jpg.php")),
            FileTime(fs::path(profile_.profileDir()) / "albsite/m/Trips/2004/c.jpg"));

  Prompts().Clear();
  const size_t mark = server_->LogSize();
  request = profile_.ProfileRequest();
  request.rightsPhp = rights;
  ASSERT_TRUE(Run(request).succeeded) << Join(Warnings(), "\n");
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  EXPECT_EQ(server_->Stors(mark), std::vector<std::string>{"albsite/js/rights.php"});
}

INSTANTIATE_TEST_SUITE_P(Servers, SftpServerTest, ::testing::Values(ServerKind::Sshd),
                         [](const ::testing::TestParamInfo<ServerKind>&) { return "sshd"; });

// A server that cannot be reached costs one attempt, not one per phase.
TEST(SyncUnreachableTest, ServerIsTriedOnce) {
  const struct {
    const char* what;
    std::string greeting;  // none: silent until the time-out
    std::string error;
  } cases[] = {
      {"silent", "", "28 : Timeout was reached"},
      {"turning clients away", "421 Too many connections",
       "7 : Couldn't connect to server\r\n\r\n421 Too many connections"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::SilentServer server(c.greeting);
    ASSERT_NE(server.port(), 0);
    test::SyncTestProfile profile;
    profile.settings().serverName = "127.0.0.1:" + std::to_string(server.port());
    profile.Save();
    const SyncRequest request = profile.ProfileRequest();
    Prompts().Clear();
    FtpSession session;
    session.SetTimeouts({1, 1, 1});
    HookedSink sink;
    std::atomic<bool> stop{false};
    EXPECT_FALSE(RunSync(request, session, sink, stop).succeeded);
    EXPECT_TRUE(sink.EndedReady());
    const std::string host = profile.settings().serverName;
    EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"Error connecting host '" + host + "'\r\n\r\n" + c.error});
    if (!c.greeting.empty()) {
      EXPECT_EQ(server.connections(), 1);
    }
  }
}

// A folder's uploads and deletions spread over several connections.
class ParallelSyncServerTest : public SyncServerTest {
 protected:
  SyncOutcome RunOn(int connections, SyncRequest request, HookedSink& sink, const std::atomic<bool>& stop) {
    request.profile.connections = connections;
    FtpSession session;
    Configure(session);
    return RunSync(request, session, sink, stop, SpareSessions(session, request.profile));
  }
  SyncOutcome RunOn(int connections, const SyncRequest& request) {
    HookedSink sink;
    std::atomic<bool> stop{false};
    const SyncOutcome outcome = RunOn(connections, request, sink, stop);
    EXPECT_TRUE(sink.EndedReady());
    // Each file is shown (and counted in the progress) once.
    std::vector<std::string> uploads;
    for (const auto& p : sink.posted())
      if (const auto* s = std::get_if<RecordingWindowSink::Status>(&p); s && StartsWith(s->text, "Uploading file "))
        uploads.push_back(s->text);
    std::sort(uploads.begin(), uploads.end());
    EXPECT_EQ(std::adjacent_find(uploads.begin(), uploads.end()), uploads.end());
    return outcome;
  }
};

TEST_P(ParallelSyncServerTest, FourConnectionsPublishWhatOneDoes) {
  if (!StartServer()) return;
  ASSERT_TRUE(RunOn(1, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  const auto one = test::TreeContent(server_->Local());
  EXPECT_EQ(one, profile_.ExpectedSite());

  fs::remove_all(server_->Local());
  Prompts().Clear();
  const int loginsBefore = (*server_)->Logins();
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_TRUE(Warnings().empty()) << Warnings()[0];
  EXPECT_EQ(test::TreeContent(server_->Local()), one);
  EXPECT_GT((*server_)->Logins() - loginsBefore, 1) << "no extra connection took part";

  Prompts().Clear();
  const size_t mark = server_->LogSize();
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded);
  EXPECT_EQ(server_->Stors(mark), FixedUploads());
  EXPECT_EQ(test::TreeContent(server_->Local()), one);
}

// Connections beyond what the server accepts are done without, unseen.
TEST_P(ParallelSyncServerTest, ServerTakingTwoConnectionsStillCompletesQuietly) {
  if (!StartServer({.maxPerAddress = 2})) return;
  const SyncOutcome outcome = RunOn(4, profile_.ProfileRequest());
  ASSERT_TRUE(outcome.succeeded) << Join(Warnings(), "\n") << (*server_)->LogTail();
  EXPECT_TRUE(Warnings().empty()) << Warnings()[0];
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
  // The limit was met: a connection was refused.
  EXPECT_NE(test::ReadText((*server_)->log()).find("421 "), std::string::npos) << (*server_)->LogTail();
}

TEST_P(ParallelSyncServerTest, StopDuringParallelUploadsEndsTheRunWithinASecond) {
  if (!StartServer({.rateLimit = 8000})) return;
  const std::string remdir = RemdirText();
  // Once several uploads are under way.
  UploadStopper stopper(3, std::chrono::milliseconds(300));
  const SyncOutcome outcome = RunOn(4, profile_.ProfileRequest(), stopper.sink, stopper.stop);
  ExpectStoppedRun(stopper, outcome, remdir);
}

TEST_P(ParallelSyncServerTest, ServerKilledDuringParallelUploadsFailsAsOneConnectionWouldAndTheNextRunCompletes) {
  if (!StartServer()) return;
  const std::string remdir = RemdirText();
  HookedSink sink;
  KillServerAtUpload(sink, 6);
  std::atomic<bool> stop{false};
  EXPECT_FALSE(RunOn(4, profile_.ProfileRequest(), sink, stop).succeeded);
  ExpectUploadFailureShown(sink, remdir);

  ASSERT_TRUE(server_->Restart()) << server_->error();
  Prompts().Clear();
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(test::TreeContent(server_->Local()), profile_.ExpectedSite());
}

INSTANTIATE_TEST_SUITE_P(Servers, ParallelSyncServerTest, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const ::testing::TestParamInfo<ServerKind>& info) {
                           return info.param == ServerKind::Pyftpdlib ? "pyftpdlib" : "vsftpd";
                         });

}  // namespace
}  // namespace albumsmith
