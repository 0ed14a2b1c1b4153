// The "sync" and "check" commands of albumsmith-cli, run as a separate
// process against a pyftpdlib server (or OpenSSH's sshd for SFTP) the test
// starts on 127.0.0.1.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

#include "publish/ftp_test_servers.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kData = ALBUMSMITH_TEST_DATA;

class SyncCliTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    std::string error;
    server_ = StartPyftpdlib(error);
    ASSERT_NE(server_, nullptr) << error;
    ProfileSettings s = NewProfileSettings("Holiday");
    s.serverName = server_->serverText();
    s.login = server_->login_;
    s.password = server_->password_;
    s.remoteDir = "/album/";
    s.php = 0;
    ASSERT_TRUE(CreateProfile(profiles(), s));
    const fs::path images = profilesPath() / "Holiday/ImageTree";
    fs::create_directories(images / "Trips");
    fs::copy_file(kData / "exif/fujifilm-finepix40i.jpg", images / "a.jpg");
    fs::copy_file(kData / "exif/sony-powershota5.jpg", images / "Trips/b.jpg");
  }

  fs::path Remote(const std::string& relative) const { return server_->root() / "album" / relative; }

  std::unique_ptr<FtpTestServer> server_;
};

TEST_F(SyncCliTest, CheckTicksEachLineOrSaysWhichFailed) {
  const CliResult ok = Run({"check", "Holiday"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(ok.OutLines(),
            (std::vector<std::string>{"[ok] Connection to server and authentication", "[ok] Base directory is empty",
                                      "[ok] Create and delete files", "Protocol: FTP"}));
  EXPECT_TRUE(fs::is_directory(Remote("")));
  EXPECT_TRUE(fs::is_empty(Remote("")));

  // A file there: the line is not "ok" under its own warning, yet the check goes on.
  WriteText(Remote("index.html"), "<html></html>");
  const CliResult warned = Run({"check", "Holiday"});
  EXPECT_EQ(warned.exitCode, 0) << warned.err;
  EXPECT_EQ(warned.OutLines(), (std::vector<std::string>{"[ok] Connection to server and authentication",
                                                         "[warning] Base directory is empty",
                                                         "[ok] Create and delete files", "Protocol: FTP"}));
  EXPECT_NE(warned.err.find("The remote base directory is not empty"), std::string::npos) << warned.err;
  fs::remove(Remote("index.html"));

  ProfileSettings s = ReadProfile(profiles(), "Holiday");
  s.password = "wrong";
  ASSERT_TRUE(WriteProfile(profiles(), s));
  const CliResult refused = Run({"check", "Holiday"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.OutLines(),
            (std::vector<std::string>{"Protocol: FTP", "[failed] Connection to server and authentication"}));
  EXPECT_TRUE(StartsWith(refused.LastErrorLine(), "albumsmith-cli: Error connecting host")) << refused.err;
}

// Over SFTP the check names the host key; an unknown one is asked about,
// refused with --no (nothing pinned, no login) and pinned with --yes. A run
// with nothing changed then plans no upload at all, not even a clock probe.
class SftpCliTest : public CliTest {};

TEST_F(SftpCliTest, CheckNamesTheHostKeyAndPinsItOnYes) {
  if (::geteuid() != 0) GTEST_SKIP() << "sshd logs in a system user the test creates: run as root";
  std::string error;
  const std::unique_ptr<SshTestServer> server = StartSshd(error);
  ASSERT_NE(server, nullptr) << error;
  ProfileSettings s = NewProfileSettings("Holiday");
  s.serverName = server->serverText();
  s.login = server->login_;
  s.password = server->password_;
  s.remoteDir = (server->root() / "album").string();
  s.protocol = "sftp";
  s.php = 0;
  ASSERT_TRUE(CreateProfile(profiles(), s));
  fs::create_directories(profilesPath() / "Holiday/ImageTree");
  fs::copy_file(kData / "exif/fujifilm-finepix40i.jpg", profilesPath() / "Holiday/ImageTree/a.jpg");
  const std::string protocol = "Protocol: SFTP, host key SHA-256 " + server->fingerprint_;

  const CliResult refused = Run({"--no", "check", "Holiday"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.OutLines(),
            (std::vector<std::string>{protocol, "[failed] Connection to server and authentication"}));
  EXPECT_NE(refused.err.find("Trust this host key for this profile?"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadProfile(profiles(), "Holiday").fingerprint, "");
  EXPECT_EQ(server->Logins(), 0);

  const CliResult trusted = Run({"--yes", "check", "Holiday"});
  EXPECT_EQ(trusted.exitCode, 0) << trusted.err;
  EXPECT_EQ(trusted.OutLines(),
            (std::vector<std::string>{"[ok] Connection to server and authentication", "[ok] Base directory is empty",
                                      "[ok] Create and delete files", protocol}));
  EXPECT_EQ(ReadProfile(profiles(), "Holiday").fingerprint, server->fingerprint_);

  ASSERT_EQ(Run({"sync", "Holiday", "--yes"}).exitCode, 0);
  EXPECT_TRUE(fs::exists(server->root() / "album/albsite/m/a.jpg"));
  const CliResult plan = Run({"sync", "Holiday", "--dry-run"});
  EXPECT_EQ(plan.exitCode, 0) << plan.err;
  EXPECT_EQ(plan.out.find("upload "), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("0 uploads (0 bytes)"), std::string::npos) << plan.out;
}

TEST_F(SyncCliTest, SyncPublishesThenRunsWithoutQuestions) {
  const CliResult first = Run({"sync", "Holiday", "--yes"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.OutLines().back(), "Ready");
  for (const char* file : {"index.html", "Trips/index.html", "albsite/m/Trips/b.jpg", "albsite/s/a.jpg",
                           "albsite/js/dir.js", "albsite/js/dtree.js"})
    EXPECT_TRUE(fs::exists(Remote(file))) << file;
  EXPECT_TRUE(fs::exists(profilesPath() / "Holiday/remdir.dat"));

  // Nothing left to ask once the site is there: no --yes needed.
  const CliResult again = Run({"sync", "Holiday"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(again.OutLines().back(), "Ready");

  const CliResult folder = Run({"sync", "Holiday", "--folder", "Trips"});
  EXPECT_EQ(folder.exitCode, 0) << folder.err;
  const std::vector<std::string> lines = folder.OutLines();
  // One line per step, with the progress where it stands ("   0 %").
  auto step = [&](const std::string& name) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line == name || (line.rfind(name + " ", 0) == 0 && line.back() == '%' &&
                              line.find_first_not_of(" 0123456789%", name.size()) == std::string::npos);
    });
  };
  EXPECT_NE(step("Synchronizing folder Trips/"), lines.end()) << folder.out;
  EXPECT_EQ(step("Synchronizing folder"), lines.end()) << folder.out;

  const CliResult unknown = Run({"sync", "Holiday", "--folder", "Nowhere"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_EQ(unknown.LastErrorLine(), "albumsmith-cli: no folder Nowhere in profile Holiday");
}

// Without a terminal and without --yes a question is refused and shown:
// the run fails and leaves the remote directory alone.
// After a photo changed, a dry run lists its derived files (and the pages
// every run makes) and sends the server nothing but the clock probe.
TEST_F(SyncCliTest, DryRunListsTheChangedPhotosFilesAndChangesNothing) {
  ASSERT_EQ(Run({"sync", "Holiday", "--yes"}).exitCode, 0);
  // Published minutes ago, so that files made now are clearly newer.
  for (const char* tree : {"albsite/m", "albsite/s"}) {
    for (const auto& e : fs::recursive_directory_iterator(Remote(tree)))
      if (e.is_regular_file()) fs::last_write_time(e.path(), fs::last_write_time(e.path()) - std::chrono::minutes(5));
  }
  const fs::path photo = profilesPath() / "Holiday/ImageTree/Trips/b.jpg";
  fs::last_write_time(photo, fs::file_time_type::clock::now());
  const size_t mark = ReadText(server_->log()).size();

  const CliResult plan = Run({"sync", "Holiday", "--folder", "Trips", "--dry-run"});
  ASSERT_EQ(plan.exitCode, 0) << plan.err;
  std::vector<std::string> lines = plan.OutLines();
  ASSERT_FALSE(lines.empty());
  const std::string summary = lines.back();
  lines.pop_back();
  // The folder load writes the folder's sort.inf again; the pages and dir.js
  // come out as they were sent and stay off the plan.
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "upload /album/albsite/m/Trips/b.jpg", "upload /album/albsite/s/Trips/b.jpg",
                       "upload /album/albsite/s/Trips/b.jpg.html", "upload /album/albsite/s/Trips/sort.inf"}));
  EXPECT_TRUE(StartsWith(summary, "4 uploads (")) << summary;
  EXPECT_TRUE(EndsWith(summary, " bytes), 0 deletions, 0 mkdir, 0 rmdir, 0 questions")) << summary;
  EXPECT_EQ(plan.exitCode, 0);
  const std::string log = ReadText(server_->log()).substr(mark);
  for (const std::string& line : Split(log, '\n')) {
    for (const char* verb : {"STOR ", "DELE ", "MKD ", "RMD ", "RNFR ", "RNTO ", "APPE "}) {
      const size_t at = line.find(std::string("<- ") + verb);
      if (at != std::string::npos) {
        EXPECT_NE(line.find("datetime.flg", at), std::string::npos) << line;
      }
    }
  }
}

TEST_F(SyncCliTest, RefusedQuestionFailsTheRunAndDeletesNothing) {
  ASSERT_EQ(Run({"sync", "Holiday", "--yes"}).exitCode, 0);
  fs::create_directories(Remote("stats"));
  WriteText(Remote("stats/today.txt"), "12 visits");

  for (const std::vector<std::string>& answer : {std::vector<std::string>{}, std::vector<std::string>{"--no"}}) {
    std::vector<std::string> args = {"sync", "Holiday"};
    args.insert(args.end(), answer.begin(), answer.end());
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Preserve \"stats\""), std::string::npos) << r.err;
    EXPECT_EQ(r.LastErrorLine(), "albumsmith-cli: Cannot synchronize the remote directory") << r.err;
    EXPECT_EQ(r.OutLines().back(), "Ready");
    EXPECT_EQ(ReadText(Remote("stats/today.txt")), "12 visits");
  }
}

}  // namespace
}  // namespace albumsmith::test
