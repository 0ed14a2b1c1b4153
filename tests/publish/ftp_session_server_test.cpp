#include "publish/ftp_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <optional>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ftp_test_servers.h"
#include "platform/text.h"
#include "store/profile_settings.h"
#include "test_support.h"

namespace albumsmith {
namespace {

using Clock = std::chrono::steady_clock;
using test::ReadText;
using test::WriteText;

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

std::string First(const std::vector<std::string>& texts) { return texts.empty() ? "(no message)" : texts[0]; }

enum class ServerKind { Pyftpdlib, Vsftpd };

void PrintTo(ServerKind kind, std::ostream* os) { *os << (kind == ServerKind::Pyftpdlib ? "pyftpdlib" : "vsftpd"); }

// The two servers list differently: pyftpdlib with MLSD, vsftpd with LIST
// only. Each is started once per test program and shared by its tests, each
// test working in a folder of its own.
class FtpServerTest : public ::testing::TestWithParam<ServerKind> {
 public:
  static void TearDownTestSuite() { Servers().clear(); }

 protected:
  struct Started {
    std::unique_ptr<test::FtpTestServer> server;
    std::string error;
  };

  static std::map<ServerKind, Started>& Servers() {
    static std::map<ServerKind, Started> servers;
    return servers;
  }

  void SetUp() override {
    auto& servers = Servers();
    auto it = servers.find(GetParam());
    if (it == servers.end()) {
      Started started;
      started.server =
          GetParam() == ServerKind::Pyftpdlib ? test::StartPyftpdlib(started.error) : test::StartVsftpd(started.error);
      it = servers.emplace(GetParam(), std::move(started)).first;
    }
    ASSERT_NE(it->second.server, nullptr) << it->second.error;
    server_ = it->second.server.get();

    Prompts().Clear();
    session_.SetTimeouts({5, 5, 5});
    session_.SetProfile(server_->Profile());
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    base_ = "/" + name + "/";
    ASSERT_TRUE(session_.MakeDirs(base_, Report::Yes)) << First(Prompts().texts());
  }

  // Where a remote path lives on this machine.
  std::filesystem::path Local(const std::string& remote) const { return server_->root() / remote.substr(1); }

  std::vector<std::string> Texts() const { return Prompts().texts(); }

  std::map<std::string, std::uint64_t> Sizes(const RemoteEntryList& list) const {
    std::map<std::string, std::uint64_t> sizes;
    for (const RemoteEntry& e : list) sizes[e.name] = e.size;
    return sizes;
  }

  test::FtpTestServer* server_ = nullptr;
  FtpSession session_;
  std::string base_;
};

TEST_P(FtpServerTest, WrongPasswordShowsTheServersRefusal) {
  ProfileSettings profile = server_->Profile();
  profile.password = "wrong";
  session_.SetProfile(profile);
  RemoteEntryList list;
  EXPECT_FALSE(session_.ListDir(list, base_, "", IncludeDirs::Yes, Create::No, Ask::Yes));

  ASSERT_EQ(Texts().size(), 1u);
  const std::string expected =
      "Error connecting host '" + server_->serverText() + "'\r\n\r\n67 : Login denied\r\n\r\n530 ";
  EXPECT_TRUE(StartsWith(Texts()[0], expected)) << Texts()[0];
  EXPECT_EQ(Prompts().shown()[0].icon, Icon::Exclamation);
  EXPECT_EQ(session_.lastError(), 67);
}

TEST_P(FtpServerTest, MissingDirectoryIsCreatedLevelByLevelOnlyAfterTheQuestion) {
  RemoteEntryList list;
  // Without the create flag a missing directory is an answer, not an error.
  EXPECT_FALSE(session_.ListDir(list, base_, "a/b/", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_TRUE(Texts().empty());

  Prompts().Queue(Answer::Cancel);
  EXPECT_FALSE(session_.ListDir(list, base_, "a/b/", IncludeDirs::Yes, Create::Yes, Ask::Yes));
  ASSERT_EQ(Texts(), std::vector<std::string>{"Create remote directory \"a/b\""});
  EXPECT_EQ(Prompts().shown()[0].buttons, Buttons::OkCancel);
  EXPECT_TRUE(Prompts().shown()[0].offerDontAsk);
  EXPECT_FALSE(std::filesystem::exists(Local(base_ + "a")));

  Prompts().Clear();
  Prompts().Queue(Answer::Ok);
  EXPECT_TRUE(session_.ListDir(list, base_, "a/b/", IncludeDirs::Yes, Create::Yes, Ask::Yes));
  EXPECT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "a/b")));

  Prompts().Clear();
  EXPECT_TRUE(session_.ListDir(list, base_, "quiet/", IncludeDirs::Yes, Create::Yes, Ask::No));
  EXPECT_TRUE(Texts().empty());
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "quiet")));
}

TEST_P(FtpServerTest, DontAskAgainCreatesWhicheverButtonAndStopsAsking) {
  RemoteEntryList list;
  Prompts().Queue(Answer::Cancel, /*dontAskAgain=*/true);
  EXPECT_TRUE(session_.ListDir(list, base_, "c/d/", IncludeDirs::Yes, Create::Yes, Ask::Yes));
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "c/d")));

  EXPECT_TRUE(session_.ListDir(list, base_, "e/f/", IncludeDirs::Yes, Create::Yes, Ask::Yes));
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "e/f")));
  EXPECT_EQ(Texts().size(), 1u);
}

TEST_P(FtpServerTest, UploadsAreListedWithTheirSizesAndTimes) {
  test::TempDir local;
  const std::string photo(1234, 'x');
  WriteText(local.path() / "photo.jpg", photo);
  const std::int64_t now = std::time(nullptr);

  ASSERT_TRUE(session_.PutFile(local.path() / "photo.jpg", base_ + "photo.jpg"));
  ASSERT_TRUE(session_.PutBuffer(base_ + "dir.js", "var tree = [];\n"));
  ASSERT_TRUE(session_.PutBuffer(base_ + "empty.txt", ""));
  ASSERT_TRUE(session_.MakeDirs(base_ + "sub/", Report::Yes));
  // "\" separators are taken as "/".
  ASSERT_TRUE(session_.PutBuffer(ReplaceAll(base_, "/", "\\") + "sub\\back.txt", "b"));
  EXPECT_TRUE(Texts().empty()) << First(Texts());
  // The sizes the server holds, asked right after the uploads.
  std::uint64_t size = 0;
  EXPECT_TRUE(session_.FileSize(base_ + "photo.jpg", size));
  EXPECT_EQ(size, photo.size());
  EXPECT_FALSE(session_.FileSize(base_ + "no such file", size));
  EXPECT_TRUE(Texts().empty()) << First(Texts());  // quietly
  EXPECT_EQ(ReadText(Local(base_ + "photo.jpg")), photo);
  EXPECT_EQ(ReadText(Local(base_ + "dir.js")), "var tree = [];\n");
  EXPECT_TRUE(std::filesystem::exists(Local(base_ + "empty.txt")));
  EXPECT_EQ(ReadText(Local(base_ + "sub/back.txt")), "b");

  RemoteEntryList files;
  ASSERT_TRUE(session_.ListDir(files, base_, "", IncludeDirs::No, Create::No, Ask::Yes));
  EXPECT_EQ(Sizes(files),
            (std::map<std::string, std::uint64_t>{{"dir.js", 15}, {"empty.txt", 0}, {"photo.jpg", 1234}}));
  const bool minutes = GetParam() == ServerKind::Vsftpd;
  for (const RemoteEntry& e : files) {
    EXPECT_FALSE(e.isDir) << e.name;
    // LIST shows minutes only; the server's exact time is the file's.
    EXPECT_EQ(e.timeStep, minutes ? 60 : 1) << e.name;
    EXPECT_NEAR(static_cast<double>(e.time), static_cast<double>(now), 120.0) << e.name;
    std::int64_t exact = 0;
    ASSERT_TRUE(session_.ExactTime(base_ + e.name, exact)) << e.name;
    struct stat info {};
    ASSERT_EQ(::stat(Local(base_ + e.name).c_str(), &info), 0);
    EXPECT_EQ(exact, info.st_mtime) << e.name;
    if (!minutes) {
      EXPECT_EQ(e.time, exact) << e.name;
    }
  }
  std::int64_t missing = 0;
  EXPECT_FALSE(session_.ExactTime(base_ + "no such file", missing));
  EXPECT_TRUE(Texts().empty()) << First(Texts());  // quietly

  RemoteEntryList all;
  ASSERT_TRUE(session_.ListDir(all, base_, "", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_EQ(all.size(), 4u);
  const int sub = all.Find("SUB");
  ASSERT_GE(sub, 0);
  EXPECT_TRUE(all[static_cast<size_t>(sub)].isDir);
}

TEST_P(FtpServerTest, ActiveModeTransfersToo) {
  ProfileSettings profile = server_->Profile();
  profile.passive = 0;
  session_.SetProfile(profile);
  ASSERT_TRUE(session_.PutBuffer(base_ + "active.txt", "12345")) << First(Texts());
  RemoteEntryList list;
  ASSERT_TRUE(session_.ListDir(list, base_, "", IncludeDirs::No, Create::No, Ask::Yes)) << First(Texts());
  EXPECT_EQ(Sizes(list), (std::map<std::string, std::uint64_t>{{"active.txt", 5}}));
}

TEST_P(FtpServerTest, NamesWithSpacesQuotesHashPercentAndAccentsRoundTrip) {
  const std::vector<std::string> names = {"two  spaces .jpg", "it's \"quoted\".jpg", "#1 100%.jpg",
                                          "%41%2F.txt",  // must not arrive decoded as "A/"
                                          "été à Zürich.jpg"};
  const std::string sub = "dossier #2 é%/";
  ASSERT_TRUE(session_.MakeDirs(base_ + sub, Report::Yes)) << First(Texts());
  for (const std::string& name : names) {
    ASSERT_TRUE(session_.PutBuffer(base_ + sub + name, name)) << name << ": " << First(Texts());
    EXPECT_EQ(ReadText(Local(base_ + sub + name)), name);
  }

  RemoteEntryList list;
  ASSERT_TRUE(session_.ListDir(list, base_, sub, IncludeDirs::Yes, Create::No, Ask::Yes)) << First(Texts());
  std::set<std::string> listed;
  for (const RemoteEntry& e : list) listed.insert(e.name);
  EXPECT_EQ(listed, std::set<std::string>(names.begin(), names.end()));

  for (const std::string& name : names) EXPECT_TRUE(session_.RemoveFile(base_ + sub + name)) << name;
  EXPECT_TRUE(std::filesystem::is_empty(Local(base_ + sub)));
  EXPECT_TRUE(session_.RemoveTree(base_ + sub));
  EXPECT_FALSE(std::filesystem::exists(Local(base_ + sub)));
  EXPECT_TRUE(Texts().empty()) << First(Texts());
}

TEST_P(FtpServerTest, MakeDirsCreatesEveryLevelWithOrWithoutAFinalSlash) {
  EXPECT_TRUE(session_.MakeDirs(base_ + "m/n/", Report::Yes));
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "m/n")));
  EXPECT_TRUE(session_.MakeDirs(base_ + "p/q", Report::Yes));
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "p/q")));
  EXPECT_TRUE(session_.EnterOrCreateDir(base_ + "m", Report::Yes));
  EXPECT_TRUE(Texts().empty()) << First(Texts());
}

// Names made on the server's disk that a server may read as a path: a "\"
// some servers take as "/", leading out of the directory. They are shown,
// never sent back, and a directory holding one is not removed.
TEST_P(FtpServerTest, NamesThatReadAsPathsAreShownAndNeverFollowed) {
  const std::string dir = base_ + "A/";
  ASSERT_TRUE(session_.MakeDirs(dir, Report::Yes));
  ASSERT_TRUE(session_.PutBuffer(base_ + "other-site.txt", "precious"));
  ASSERT_TRUE(session_.PutBuffer(dir + "kept.jpg", "k"));
  std::filesystem::create_directories(Local(dir + "..\\other-site.txt"));
  std::filesystem::create_directories(Local(dir + "..\\..\\..\\.."));
  WriteText(Local(dir + "..\\..\\..\\..") / "deep.txt", "d");

  RemoteEntryList list;
  ASSERT_TRUE(session_.ListDir(list, base_, "A/", IncludeDirs::Yes, Create::No, Ask::No));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "kept.jpg");
  ASSERT_EQ(Texts().size(), 1u);
  const std::string shown = Texts()[0];
  EXPECT_TRUE(StartsWith(shown, "The remote directory '" + dir +
                                    "' holds entries whose names cannot be part of a path; they are left as they are:"))
      << shown;
  for (const char* name : {"\"..\\other-site.txt\"", "\"..\\..\\..\\..\""})
    EXPECT_NE(shown.find(name), std::string::npos) << shown;

  Prompts().Clear();
  EXPECT_FALSE(session_.RemoveTree(dir));
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(StartsWith(Texts()[0], "Cannot delete remote directory '" + dir + "'\r\n\r\n")) << Texts()[0];
  EXPECT_NE(Texts()[0].find("\"..\\other-site.txt\""), std::string::npos) << Texts()[0];
  EXPECT_NE(session_.lastError(), 0);
  // Nothing in the directory, nor outside it, was touched.
  EXPECT_EQ(ReadText(Local(base_ + "other-site.txt")), "precious");
  EXPECT_EQ(ReadText(Local(dir + "kept.jpg")), "k");
  EXPECT_EQ(ReadText(Local(dir + "..\\..\\..\\..") / "deep.txt"), "d");
  EXPECT_TRUE(std::filesystem::exists(Local(base_)));
}

// What a listing says about a directory: missing, empty, holding only a file
// of its own name (which LIST also shows for a file in the directory's
// place), or a file where the directory should be.
TEST_P(FtpServerTest, ListingsTellMissingEmptyAndFileInPlace) {
  ASSERT_TRUE(session_.MakeDirs(base_ + "empty/", Report::Yes));
  ASSERT_TRUE(session_.MakeDirs(base_ + "same/", Report::Yes));
  ASSERT_TRUE(session_.PutBuffer(base_ + "same/same", "x"));
  ASSERT_TRUE(session_.PutBuffer(base_ + "plain", "x"));
  auto names = [&](std::string_view sub, Create create) -> std::optional<std::vector<std::string>> {
    RemoteEntryList list;
    if (!session_.ListDir(list, base_, sub, IncludeDirs::Yes, create, Ask::No)) return std::nullopt;
    std::vector<std::string> result;
    for (const RemoteEntry& e : list) result.push_back(e.name);
    return result;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(names("missing/", Create::No), std::nullopt);
  EXPECT_TRUE(Texts().empty()) << First(Texts());  // a missing directory is an answer
  EXPECT_EQ(names("empty/", Create::No), Names{});
  EXPECT_EQ(names("same/", Create::No), Names{"same"});
  EXPECT_EQ(names("plain/", Create::No), std::nullopt);
  EXPECT_TRUE(Texts().empty()) << First(Texts());
  // Made on request, then empty; a file in the way is reported.
  EXPECT_EQ(names("made/deeper/", Create::Yes), Names{});
  EXPECT_TRUE(std::filesystem::is_directory(Local(base_ + "made/deeper")));
  EXPECT_EQ(names("plain/", Create::Yes), std::nullopt);
  EXPECT_EQ(Texts().size(), 1u);
  // A server listing with MLSD refuses a missing directory: made without a
  // question, it takes no look with CWD before its MKD.
  if (GetParam() == ServerKind::Pyftpdlib) {
    const size_t mark = test::ReadText(server_->log()).size();
    EXPECT_EQ(names("fresh/", Create::Yes), Names{});
    const std::string sent = test::ReadText(server_->log()).substr(mark);
    EXPECT_NE(sent.find("<- MKD"), std::string::npos) << sent;
    EXPECT_EQ(sent.find("<- CWD"), std::string::npos) << sent;
  }
}

TEST_P(FtpServerTest, RemoveTreeTakesEverythingBelow) {
  ASSERT_TRUE(session_.MakeDirs(base_ + "t/a/b/", Report::Yes));
  ASSERT_TRUE(session_.MakeDirs(base_ + "t/empty/", Report::Yes));
  ASSERT_TRUE(session_.PutBuffer(base_ + "t/a/b/deep.txt", "deep"));
  ASSERT_TRUE(session_.PutBuffer(base_ + "t/a/mid.txt", "mid"));
  ASSERT_TRUE(session_.PutBuffer(base_ + "t/top.txt", "top"));

  EXPECT_TRUE(session_.RemoveTree(base_ + "t/"));
  EXPECT_FALSE(std::filesystem::exists(Local(base_ + "t")));
  EXPECT_TRUE(std::filesystem::exists(Local(base_)));
  EXPECT_TRUE(Texts().empty()) << First(Texts());
}

// Each failure shows the operation's text, the library's code and text, and
// the server's reply to the command it refused.
TEST_P(FtpServerTest, FailuresShowTheOperationTheLibraryErrorAndTheServersReply) {
  ASSERT_TRUE(session_.PutBuffer(base_ + "file.txt", "x"));
  test::TempDir local;
  RemoteEntryList list;
  const struct {
    const char* what;
    std::function<bool()> call;
    std::string start;  // the text before the server's reply
    bool serverReply;
  } cases[] = {
      {"delete a missing file", [&] { return session_.RemoveFile(base_ + "100% gone.txt"); },
       "Cannot delete remote file '" + base_ + "100% gone.txt'\r\n\r\n21 : Quote command returned error", true},
      {"remove a missing tree", [&] { return session_.RemoveTree(base_ + "nothing/"); },
       "Error change to directory '" + base_ + "nothing/'\r\n\r\n21 : Quote command returned error", true},
      {"create a directory below a file", [&] { return session_.EnterOrCreateDir(base_ + "file.txt/x", Report::Yes); },
       "Error creating directory '" + base_ + "file.txt/x'\r\n\r\n21 : Quote command returned error", true},
      {"list a directory that cannot be created",
       [&] { return session_.ListDir(list, base_, "file.txt/x/", IncludeDirs::Yes, Create::Yes, Ask::No); },
       "Error change to directory '" + base_ + "file.txt/x/'\r\n\r\n21 : Quote command returned error", true},
      {"upload into a missing directory", [&] { return session_.PutBuffer(base_ + "no/such.txt", "x"); },
       "Error opening remote file '" + base_ + "no/such.txt'\r\n\r\n25 : ", true},
      {"upload a missing local file", [&] { return session_.PutFile(local.path() / "gone.jpg", base_ + "gone.jpg"); },
       "Error uploading file '" + (local.path() / "gone.jpg").string() + "' to '" + base_ +
           "gone.jpg'\r\n\r\n2 : No such file or directory",
       false},
  };
  for (const auto& c : cases) {
    Prompts().Clear();
    EXPECT_FALSE(c.call()) << c.what;
    ASSERT_EQ(Texts().size(), 1u) << c.what;
    const std::string text = Texts()[0];
    EXPECT_TRUE(StartsWith(text, c.start)) << c.what << ":\n" << text;
    if (c.serverReply) {
      EXPECT_NE(text.find("\r\n\r\n5", c.start.size()), std::string::npos) << c.what << ":\n" << text;
    } else {
      EXPECT_EQ(text, c.start) << c.what;
    }
    EXPECT_NE(session_.lastError(), 0) << c.what;
  }
  // A refused create with reporting off stays quiet.
  Prompts().Clear();
  EXPECT_FALSE(session_.EnterOrCreateDir(base_ + "file.txt/x", Report::No));
  EXPECT_TRUE(Texts().empty());
  // A missing directory after a failure is an answer of its own, not that failure again.
  EXPECT_FALSE(session_.RemoveFile(base_ + "gone.txt"));
  ASSERT_NE(session_.lastError(), 0);
  EXPECT_FALSE(session_.ListDir(list, base_, "missing/", IncludeDirs::Yes, Create::No, Ask::No));
  EXPECT_EQ(session_.lastError(), 0);
}

// A CR or LF would end the command and let the rest be read as a command of
// its own, here one deleting another file.
TEST_P(FtpServerTest, PathsWithLineBreaksAreRefusedBeforeAnythingIsSent) {
  ASSERT_TRUE(session_.PutBuffer(base_ + "victim.txt", "keep"));
  const std::string smuggled = "x\r\nDELE " + base_ + "victim.txt";
  RemoteEntryList list;
  const std::function<bool()> calls[] = {
      [&] { return session_.RemoveFile(base_ + smuggled); },
      [&] { return session_.PutBuffer(base_ + "y\nDELE " + base_ + "victim.txt", "z"); },
      [&] { return session_.ListDir(list, base_, smuggled + "/", IncludeDirs::Yes, Create::Yes, Ask::No); },
      [&] { return session_.RemoveTree(base_ + smuggled + "/"); },
      [&] { return session_.MakeDirs(base_ + smuggled + "/", Report::Yes); },
  };
  for (size_t i = 0; i < std::size(calls); ++i) {
    Prompts().Clear();
    EXPECT_FALSE(calls[i]()) << i;
    ASSERT_EQ(Texts().size(), 1u) << i;
    EXPECT_NE(Texts()[0].find("\r\n\r\n3 : "), std::string::npos) << Texts()[0];
  }
  EXPECT_EQ(ReadText(Local(base_ + "victim.txt")), "keep");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Local(base_)), {}), 1);
}

TEST_P(FtpServerTest, OneLoginServesManyOperationsAndRefusals) {
  const int logins = server_->Logins();  // the set-up logged in already
  RemoteEntryList list;
  EXPECT_TRUE(session_.PutBuffer(base_ + "a.txt", "a"));
  EXPECT_TRUE(session_.ListDir(list, base_, "", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_FALSE(session_.RemoveFile(base_ + "missing.txt"));
  EXPECT_FALSE(session_.ListDir(list, base_, "missing/", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_TRUE(session_.EnterOrCreateDir(base_ + "d", Report::Yes));
  EXPECT_TRUE(session_.RemoveFile(base_ + "a.txt"));
  EXPECT_TRUE(session_.RemoveTree(base_ + "d/"));
  EXPECT_EQ(server_->Logins(), logins);

  session_.Disconnect();
  EXPECT_TRUE(session_.ListDir(list, base_, "", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_EQ(server_->Logins(), logins + 1);
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpServerTest, ::testing::Values(ServerKind::Pyftpdlib, ServerKind::Vsftpd),
                         [](const ::testing::TestParamInfo<ServerKind>& info) {
                           return info.param == ServerKind::Pyftpdlib ? "pyftpdlib" : "vsftpd";
                         });

// Removal follows directories level by level; a server that showed a
// directory inside itself without end would take it down the stack. Here a
// real tree deeper than the bound stands for that.
TEST(FtpSessionDepthTest, RemoveTreeGoesNoDeeperThanItsBound) {
  std::string error;
  auto server = test::StartPyftpdlib(error);
  ASSERT_NE(server, nullptr) << error;
  std::filesystem::path deepest = server->root() / "deep";
  for (int level = 0; level < 260; ++level) deepest /= "d";
  std::filesystem::create_directories(deepest);
  Prompts().Clear();

  FtpSession session;
  session.SetTimeouts({5, 5, 5});
  session.SetProfile(server->Profile());
  EXPECT_FALSE(session.RemoveTree("/deep/"));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  const std::string text = Prompts().texts()[0];
  EXPECT_TRUE(StartsWith(text, "Cannot delete remote directory '/deep/d/d/")) << text;
  EXPECT_TRUE(EndsWith(text, "\r\n\r\nIt holds directories nested more than 256 levels deep")) << text;
  EXPECT_TRUE(std::filesystem::is_directory(deepest));
}

// A server that takes uploads slowly (or not at all) shows what a stop
// request and the stall time-out do to a transfer in progress.
std::unique_ptr<test::FtpTestServer> SlowServer(int bytesPerSecond) {
  std::string error;
  auto server = test::StartPyftpdlib(error, bytesPerSecond);
  EXPECT_NE(server, nullptr) << error;
  return server;
}

std::filesystem::path BigFile(const test::TempDir& dir, size_t megabytes) {
  const std::filesystem::path file = dir.path() / "big.bin";
  WriteText(file, std::string(megabytes << 20, 'b'));
  return file;
}

TEST(FtpSessionStopTest, StopEndsALargeUploadWithinASecondAndQuietly) {
  auto server = SlowServer(1 << 20);
  ASSERT_NE(server, nullptr);
  test::TempDir local;
  const std::filesystem::path big = BigFile(local, 32);
  Prompts().Clear();

  FtpSession session;
  std::atomic<bool> stop{false};
  session.SetStopFlag(&stop);
  session.SetTimeouts({5, 5, 5});
  session.SetProfile(server->Profile());
  ASSERT_TRUE(session.Connect());

  Clock::time_point stoppedAt;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    stoppedAt = Clock::now();
    stop = true;
  });
  EXPECT_FALSE(session.PutFile(big, "/big.bin"));
  const Clock::time_point endedAt = Clock::now();
  stopper.join();

  EXPECT_LT(endedAt - stoppedAt, std::chrono::seconds(1));
  const auto arrived = std::filesystem::file_size(server->root() / "big.bin");
  EXPECT_GT(arrived, 0u);
  EXPECT_LT(arrived, std::filesystem::file_size(big));
  EXPECT_EQ(session.lastError(), 42);
  EXPECT_TRUE(Prompts().texts().empty()) << First(Prompts().texts());

  // While the flag stays set nothing more is sent; once cleared the session
  // carries on.
  EXPECT_FALSE(session.PutBuffer("/after.txt", "x"));
  EXPECT_FALSE(std::filesystem::exists(server->root() / "after.txt"));
  stop = false;
  EXPECT_TRUE(session.PutBuffer("/after.txt", "x")) << First(Prompts().texts());
}

// Waiting for a reply the library calls nothing for up to a second; the
// stop must not wait for that.
TEST(FtpSessionStopTest, StopEndsAWaitForASilentServerAtOnce) {
  test::SilentServer silent;
  ASSERT_NE(silent.port(), 0);
  Prompts().Clear();

  FtpSession session;
  std::atomic<bool> stop{false};
  session.SetStopFlag(&stop);
  ProfileSettings profile;
  profile.serverName = "127.0.0.1:" + std::to_string(silent.port());
  session.SetProfile(profile);
  Clock::time_point stoppedAt;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stoppedAt = Clock::now();
    stop = true;
  });
  EXPECT_FALSE(session.Connect());
  const Clock::time_point endedAt = Clock::now();
  stopper.join();
  EXPECT_LT(endedAt - stoppedAt, std::chrono::milliseconds(500));
  EXPECT_TRUE(Prompts().texts().empty()) << First(Prompts().texts());
}

TEST(FtpSessionTimeoutTest, StalledUploadEndsAfterTheStallTime) {
  auto server = SlowServer(1);
  ASSERT_NE(server, nullptr);
  test::TempDir local;
  const std::filesystem::path big = BigFile(local, 16);
  Prompts().Clear();

  FtpSession session;
  session.SetTimeouts({5, 5, 1});
  session.SetProfile(server->Profile());
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(session.PutFile(big, "/stalled.bin"));
  // The library judges the speed over the last few seconds, so the burst
  // that filled the socket buffers delays the verdict by up to five.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"Error uploading file '" + big.string() +
                                                        "' to '/stalled.bin'\r\n\r\n28 : Timeout was reached"});
}

// A server that turns the connection away answers 421 and closes at once;
// the library calls that a time-out.
TEST(FtpSessionTimeoutTest, ServerClosingAtOnceIsNoTimeout) {
  test::SilentServer busy("421 Too many connections, try later");
  ASSERT_NE(busy.port(), 0);
  Prompts().Clear();

  FtpSession session;
  session.SetTimeouts({5, 5, 5});
  ProfileSettings profile;
  profile.serverName = "127.0.0.1:" + std::to_string(busy.port());
  profile.login = "nobody";
  session.SetProfile(profile);
  EXPECT_FALSE(session.Connect());
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"Error connecting host '" + profile.serverName +
                                                        "'\r\n\r\n7 : Couldn't connect to server\r\n\r\n"
                                                        "421 Too many connections, try later"});
  EXPECT_EQ(session.lastError(), 7);
}

TEST(FtpSessionTimeoutTest, SilentServerEndsWithAConnectError) {
  test::SilentServer silent;
  ASSERT_NE(silent.port(), 0);
  Prompts().Clear();

  FtpSession session;
  session.SetTimeouts({1, 1, 1});
  ProfileSettings profile;
  profile.serverName = "127.0.0.1:" + std::to_string(silent.port());
  profile.login = "nobody";
  session.SetProfile(profile);
  const Clock::time_point start = Clock::now();
  RemoteEntryList list;
  EXPECT_FALSE(session.ListDir(list, "/", "", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"Error connecting host '" + profile.serverName +
                                                        "'\r\n\r\n28 : Timeout was reached"});
  EXPECT_EQ(session.lastError(), 28);
}

}  // namespace
}  // namespace albumsmith
