// The maintenance commands of albumsmith-cli (verify, profile copy, basedir),
// run as a separate process.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "platform/app_settings.h"
#include "platform/text.h"
#include "store/profile_settings.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCameras = fs::path(ALBUMSMITH_TEST_DATA) / "exif";

void PutPhoto(const fs::path& to) {
  fs::create_directories(to.parent_path());
  fs::copy_file(kCameras / "canon-ixus.jpg", to, fs::copy_options::overwrite_existing);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class MaintenanceCliTest : public CliTest {
 protected:
  fs::path profile(const std::string& name) const { return profilesPath() / name; }
  std::string StoredBaseDir() const { return AppSettings(settingsFile()).GetString("Settings", "ProfilesDir", ""); }
};

TEST_F(MaintenanceCliTest, VersionPrintsTheRelease) {
  const CliResult r = Run({"version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Albumsmith 2.2.1\n");
}

// --- verify --------------------------------------------------------------------

TEST_F(MaintenanceCliTest, VerifyMakesTheDerivedFilesOfEveryFolder) {
  MakeProfile("Holiday");
  PutPhoto(profile("Holiday") / "ImageTree/top.jpg");
  PutPhoto(profile("Holiday") / "ImageTree/Trip/a.jpg");

  const CliResult r = Run({"verify", "holiday"});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* derived : {"albsite/s/top.jpg", "albsite/m/top.jpg", "albsite/s/Trip/a.jpg", "albsite/m/Trip/a.jpg",
                              "albsite/s/Trip/a.jpg.html"})
    EXPECT_TRUE(fs::exists(profile("Holiday") / derived)) << derived;
  const std::vector<std::string> lines = r.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(Contains(r.out, "/Trip Resampling a.jpg ...")) << r.out;
  EXPECT_EQ(Trim(lines.back()), "100% Verification done");
}

// Exit 1 whenever something was not done; a folder that cannot be made does
// not stop the others.
TEST_F(MaintenanceCliTest, VerifyFailures) {
  MakeProfile("Holiday");
  PutPhoto(profile("Holiday") / "ImageTree/A/a.jpg");
  PutPhoto(profile("Holiday") / "ImageTree/B/b.jpg");
  WriteText(profile("Holiday") / "albsite/s/A", "in the way");

  const CliResult unknown = Run({"verify", "Nobody"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_EQ(unknown.LastErrorLine(), "albumsmith-cli: no profile named Nobody");

  const CliResult blocked = Run({"verify", "Holiday"});
  EXPECT_EQ(blocked.exitCode, 1);
  EXPECT_TRUE(StartsWith(blocked.LastErrorLine(), "albumsmith-cli: Cannot create directory ")) << blocked.err;
  EXPECT_TRUE(fs::exists(profile("Holiday") / "albsite/s/B/b.jpg"));
  EXPECT_EQ(Trim(blocked.OutLines().back()), "100% Verification done");
}

// --- profile copy ----------------------------------------------------------------

TEST_F(MaintenanceCliTest, ProfileCopyWritesTheCopyWithTheWizardValues) {
  struct Case {
    std::vector<std::string> options;
    bool images;
    std::string remoteDir, login;
  };
  const Case cases[] = {
      {{}, false, "/album_copy/", "joe"},
      {{"--images"}, true, "/album_copy/", "joe"},
      {{"--remote-dir", "/other\\2004", "--login", "ann", "--php", "0"}, false, "/other/2004/", "ann"},
  };
  MakeProfile("Holiday");
  PutPhoto(profile("Holiday") / "ImageTree/Trip/a.jpg");
  WriteText(profile("Holiday") / "remdir.dat", "1 1 Trip\r\n");
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "Copy " + std::to_string(++n);
    SCOPED_TRACE(name);
    std::vector<std::string> args = {"--yes", "profile", "copy", "holiday", name};
    args.insert(args.end(), c.options.begin(), c.options.end());

    const CliResult r = Run(args);

    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ProfileSettings copy = ReadProfile(profiles(), name);
    EXPECT_EQ(copy.remoteDir, c.remoteDir);
    EXPECT_EQ(copy.login, c.login);
    EXPECT_EQ(copy.serverName, "ftp.example.org");
    EXPECT_EQ(copy.password, "pw");
    EXPECT_EQ(ReadText(profile(name) / "remdir.dat"), "1 1 Trip\r\n");
    EXPECT_EQ(fs::exists(profile(name) / "ImageTree/Trip/a.jpg"), c.images);
    EXPECT_EQ(Contains(r.out, "100% Copy done"), c.images) << r.out;
  }
  EXPECT_EQ(ReadProfile(profiles(), "Holiday").remoteDir, "/album/");
}

TEST_F(MaintenanceCliTest, ProfileCopyRefusals) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  MakeProfile("Holiday");
  MakeProfile("Work");
  const Case cases[] = {
      // The remote directory warning, with no terminal to answer it.
      {{"profile", "copy", "Holiday", "New"}, "albumsmith-cli: profile not copied (warning answered Cancel)"},
      {{"--yes", "profile", "copy", "Holiday", "work"}, "albumsmith-cli: Profile already exists"},
      {{"--yes", "profile", "copy", "Nobody", "New"}, "albumsmith-cli: no profile named Nobody"},
      {{"--yes", "profile", "copy", "Holiday", "New", "--server", "ftp.example.org/x"},
       "albumsmith-cli: The server name cannot contain any '\\' or'/'"},
      {{"--yes", "profile", "copy", "Holiday", "New", "--remote-dir", "album"},
       "albumsmith-cli: The remote directory must begin with '/'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Join(c.args, " "));
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.LastErrorLine(), c.error) << r.err;
    EXPECT_EQ(ListProfiles(profiles()), (std::vector<std::string>{"Holiday", "Work"}));
    EXPECT_FALSE(fs::exists(profile("New")));
  }
}

// --- basedir ---------------------------------------------------------------------

TEST_F(MaintenanceCliTest, BaseDirSetsTheDirectoryAndMoveTakesTheProfiles) {
  for (const bool move : {false, true}) {
    SCOPED_TRACE(move);
    for (const std::string& name : ListProfiles(profiles())) fs::remove_all(profile(name));
    for (const char* name : {"Holiday", "Work"}) {
      MakeProfile(name);
      PutPhoto(profile(name) / "ImageTree/Trip/a.jpg");
    }
    TempDir target;
    const std::string expected = (target.path() / "Photos").string() + "/Albumsmith/";
    std::vector<std::string> args = {"basedir", (target.path() / "Photos").string()};
    if (move) args.push_back("--move");

    const CliResult r = Run(args);

    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(StoredBaseDir(), expected);
    EXPECT_EQ(r.OutLines().back(), "profiles base directory: " + expected);
    const std::vector<std::string> both = {"Holiday", "Work"};
    if (move) {
      EXPECT_EQ(ListProfiles(expected), both);
      EXPECT_TRUE(fs::exists(expected + "Work/ImageTree/Trip/a.jpg"));
      EXPECT_TRUE(ListProfiles(profiles()).empty());
      EXPECT_TRUE(Contains(r.out, "Copying profile Holiday\n")) << r.out;
    } else {
      EXPECT_EQ(ListProfiles(profiles()), both);
      EXPECT_FALSE(fs::exists(expected));
    }
  }

  const CliResult shown = Run({"basedir"});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, profiles() + "\n");
}

// A file standing where the second profile must go: the first copy is taken
// back, nothing old is lost, and the setting is left alone.
TEST_F(MaintenanceCliTest, BaseDirMoveFailureKeepsTheOldBase) {
  for (const char* name : {"Holiday", "Work"}) {
    MakeProfile(name);
    PutPhoto(profile(name) / "ImageTree/Trip/a.jpg");
  }
  TempDir target;
  const fs::path newBase = target.path() / "Albumsmith";
  WriteText(newBase / "Work", "someone else's file");

  const CliResult r = Run({"basedir", newBase.string(), "--move"});

  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(StartsWith(r.LastErrorLine(), "albumsmith-cli: Cannot create directory " + (newBase / "Work").string()))
      << r.err;
  EXPECT_EQ(StoredBaseDir(), "");
  EXPECT_FALSE(fs::exists(newBase / "Holiday"));
  EXPECT_EQ(ReadText(newBase / "Work"), "someone else's file");
  EXPECT_EQ(ListProfiles(profiles()), (std::vector<std::string>{"Holiday", "Work"}));
  EXPECT_TRUE(fs::exists(profile("Work") / "ImageTree/Trip/a.jpg"));
}

}  // namespace
}  // namespace albumsmith::test
