#include "store/profiles.h"

#include <gtest/gtest.h>

#include "platform/app_settings.h"
#include "store/directory_tree.h"
#include "store/file_ops.h"
#include "test_support.h"

namespace albumsmith {
namespace {

using test::Environment;
using test::TempDir;
namespace fs = std::filesystem;

ProfileSettings MakeProfile(const TempDir& dir, const std::string& name) {
  ProfileSettings s = NewProfileSettings(name);
  s.serverName = "ftp.example.org";
  s.login = "me";
  s.password = "pw";
  s.remoteDir = "/album/";
  EXPECT_TRUE(CreateProfile(dir.str(), s));
  return s;
}

class ProfilesTest : public ::testing::Test {
 protected:
  void SetUp() override { Environment::prompter().Clear(); }
  std::vector<std::string> Texts() const { return Environment::prompter().texts(); }
  TempDir dir;
};

TEST_F(ProfilesTest, CreateListAndExist) {
  MakeProfile(dir, "beta");
  MakeProfile(dir, "Alpha");
  MakeProfile(dir, "Été");
  fs::create_directories(dir.path() / "NoIni");  // not a profile
  for (const char* sub : {"ImageTree", "albsite/bg", "albsite/s", "albsite/m"})
    EXPECT_TRUE(fs::is_directory(dir.path() / "beta" / sub)) << sub;
  EXPECT_EQ(ListProfiles(dir.str()), (std::vector<std::string>{"Alpha", "beta", "Été"}));
  EXPECT_TRUE(ProfileExists(dir.str(), "BETA"));
  EXPECT_FALSE(ProfileExists(dir.str(), "NoIni"));
  EXPECT_FALSE(ProfileExists(dir.str(), "gamma"));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(ProfilesTest, WizardChecks) {
  MakeProfile(dir, "Existing");
  struct Case {
    std::function<bool()> check;
    bool ok;
    std::string message;
  } cases[] = {
      {[&] { return CheckNewProfileName(dir.str(), "").ok(); }, false, "Enter a profile name"},
      {[&] { return CheckNewProfileName(dir.str(), "existing").ok(); }, false, "Profile already exists"},
      {[&] { return CheckNewProfileName(dir.str(), "a/b").ok(); }, false, "cannot contain"},
      {[&] { return CheckNewProfileName(dir.str(), "a\\b").ok(); }, false, "cannot contain"},
      {[&] { return CheckNewProfileName(dir.str(), "..").ok(); }, false, "cannot contain"},
      {[&] { return CheckNewProfileName(dir.str(), "tab\there").ok(); }, false, "cannot contain"},
      {[&] { return CheckNewProfileName(dir.str(), "Vacances d'été").ok(); }, true, ""},
      {[&] { return CheckServerName("").ok(); }, false, "Enter the server name or IP address"},
      {[&] { return CheckServerName("ftp.x.org/dir").ok(); }, false, "The server name cannot contain any '\\' or'/'"},
      {[&] { return CheckServerName("ftp.x.org:2121").ok(); }, true, ""},
      {[&] { return CheckLogin("").ok(); }, false, "Enter the FTP login name"},
      {[&] { return CheckPassword("").ok(); }, false, "Enter the FTP password"},
      {[&] { return CheckDialogServerName("a\\b"); }, false, "The server name cannot contain any \"\\\" or \"/\""},
      {[&] { return CheckDialogServerName("host"); }, true, ""},
  };
  for (const Case& c : cases) {
    Environment::prompter().Clear();
    EXPECT_EQ(c.check(), c.ok) << c.message;
    const auto texts = Texts();
    if (c.message.empty()) {
      EXPECT_TRUE(texts.empty());
    } else {
      ASSERT_EQ(texts.size(), 1u) << c.message;
      EXPECT_NE(texts[0].find(c.message), std::string::npos) << texts[0];
    }
  }
}

TEST_F(ProfilesTest, RemoteDirectoryRules) {
  const Result<std::string> empty = CheckWizardRemoteDir("");
  EXPECT_EQ(empty.code(), StatusCode::kRefused);
  EXPECT_EQ(Texts().back(), "Enter the remote directory");
  EXPECT_EQ(empty.status().message(), "Enter the remote directory");
  const Result<std::string> relative = CheckWizardRemoteDir("www/album");
  EXPECT_EQ(relative.code(), StatusCode::kRefused);
  EXPECT_EQ(Texts().back(), "The remote directory must begin with '/'");

  Environment::prompter().Clear();
  const Result<std::string> accepted = CheckWizardRemoteDir("/www\\album");  // OK is the default answer
  ASSERT_TRUE(accepted);
  EXPECT_EQ(*accepted, "/www/album/");
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0],
            "WARNING !! All existing files and directories inside the /www/album/ directory may be deleted.\n\n"
            "Go on anyway ?");
  Environment::prompter().Queue(Answer::Cancel);
  EXPECT_EQ(CheckWizardRemoteDir("/www").code(), StatusCode::kCancelled);  // Cancel stays on the page

  // The wizard's page proposes a directory only for an empty field.
  EXPECT_EQ(ProposedRemoteDir("", "Holiday 2024"), "/Prefix-WEB-Dir/Holiday 2024/");
  EXPECT_EQ(ProposedRemoteDir("/mine/", "Holiday 2024"), "/mine/");

  EXPECT_EQ(CheckDialogRemoteDir("\\pub\\x"), "/pub/x/");
  EXPECT_EQ(CheckDialogRemoteDir(""), std::nullopt);
  EXPECT_EQ(Texts().back(), "The remote directory must begin with '/'");
}

TEST_F(ProfilesTest, NormalizePaths) {
  ProfileSettings s;
  s.subdir = "Name";
  s.remoteDir = "\\www\\x";
  NormalizePaths(s);
  EXPECT_EQ(s.subdir, "Name/");
  EXPECT_EQ(s.remoteDir, "/www/x/");
  NormalizePaths(s);
  EXPECT_EQ(s.remoteDir, "/www/x/");
}

TEST_F(ProfilesTest, PreserveEntries) {
  struct Case {
    const char* entry;
    bool valid;
  } cases[] = {{"stats", true},   {"cgi-bin/old", true}, {"C:stats", true}, {"", false},   {" lead", false},
               {"trail ", false}, {"ab:c", false},       {"a*b", false},    {"a?", false}, {"a\"b", false},
               {"a<b", false},    {"a>b", false},        {"a|b", false}};
  for (const Case& c : cases) EXPECT_EQ(IsValidPreserveEntry(c.entry), c.valid) << c.entry;
}

TEST_F(ProfilesTest, Rename) {
  AppSettings app(dir.path() / "settings.ini");
  ProfileSettings s = MakeProfile(dir, "Old");
  MakeProfile(dir, "Other");
  app.SetInt("Profiles\\Old", "IndexCheck", 1);

  EXPECT_TRUE(RenameProfile(dir.str(), app, s, "Old"));  // unchanged: nothing
  EXPECT_TRUE(Texts().empty());
  const Status taken = RenameProfile(dir.str(), app, s, "OTHER");
  EXPECT_EQ(taken.code(), StatusCode::kRefused);
  EXPECT_EQ(Texts().back(), "Profile already exists");
  EXPECT_EQ(taken.message(), Texts().back()) << "the caller learns why from the value";
  EXPECT_FALSE(RenameProfile(dir.str(), app, s, ""));
  EXPECT_EQ(Texts().back(), "Enter a profile name");
  EXPECT_EQ(s.name, "Old");

  ASSERT_TRUE(RenameProfile(dir.str(), app, s, "New name"));
  EXPECT_EQ(s.name, "New name");
  EXPECT_EQ(s.subdir, "New name/");
  EXPECT_FALSE(fs::exists(dir.path() / "Old"));
  EXPECT_EQ(ReadProfile(dir.str(), "New name").serverName, "ftp.example.org");
  EXPECT_FALSE(app.KeyExists("Profiles\\Old"));
}

TEST_F(ProfilesTest, DeleteAsksTwice) {
  AppSettings app(dir.path() / "settings.ini");
  MakeProfile(dir, "Gone");
  app.SetInt("Profiles\\Gone", "IndexCheck", 1);
  Environment::prompter().Queue(Answer::Cancel);
  EXPECT_FALSE(DeleteProfile(dir.str(), app, "Gone", nullptr));
  EXPECT_TRUE(ProfileExists(dir.str(), "Gone"));

  Environment::prompter().Clear();
  Environment::prompter().Queue(Answer::Ok);
  Environment::prompter().Queue(Answer::Ok);
  std::string removedRemote;
  EXPECT_TRUE(DeleteProfile(dir.str(), app, "Gone", [&](const ProfileSettings& p) { removedRemote = p.remoteDir; }));
  EXPECT_FALSE(fs::exists(dir.path() / "Gone"));
  EXPECT_FALSE(app.KeyExists("Profiles\\Gone"));
  EXPECT_EQ(removedRemote, "/album/");
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "This will delete the profile \"Gone\" and all associated files.\n\nAre you sure ?");
  EXPECT_EQ(texts[1],
            "Remove remote files of the profile Gone\n\nWarning : this will delete all the files included in the "
            "remote folder /album/ !");
}

// A change of PHP or access security asks for a whole-profile synchronisation
// but keeps remdir.dat, which holds the folders' order and ids.
TEST_F(ProfilesTest, SavingEditsMarksAWholeSyncAndKeepsTheTree) {
  const ProfileSettings asRead = MakeProfile(dir, "P");
  const std::string remdir = (dir.path() / "P" / "remdir.dat").string();
  const std::string mark = WholeSyncMarkPath((dir.path() / "P").string() + "/");
  struct Case {
    std::function<void(ProfileSettings&)> edit;
    Answer answer;
    bool marked;
    bool saved;
  } cases[] = {
      {[](ProfileSettings& s) { s.passive = 0; }, Answer::Yes, false, true},
      {[](ProfileSettings& s) { s.php = 0; }, Answer::Yes, true, true},
      {[](ProfileSettings& s) { s.accessSecurity = 1; }, Answer::Yes, true, true},
      {[](ProfileSettings& s) { s.php = 0; }, Answer::No, false, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteProfile(dir.str(), const_cast<ProfileSettings&>(asRead)));
    test::WriteText(remdir, "2 1 Beach\r\n1 1 Alps\r\n");
    fs::remove(mark);
    Environment::prompter().Clear();
    Environment::prompter().Queue(c.answer);
    ProfileSettings edited = asRead;
    c.edit(edited);
    const ProfileSettings opened = SaveEditedProfile(dir.str(), asRead, edited);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Profile has changed. Save ?"});
    EXPECT_EQ(test::ReadText(remdir), "2 1 Beach\r\n1 1 Alps\r\n");
    EXPECT_EQ(fs::exists(mark), c.marked);
    EXPECT_EQ(opened == edited, c.saved);
    EXPECT_EQ(ReadProfile(dir.str(), "P") == edited, c.saved);
  }
  // No change: no question.
  Environment::prompter().Clear();
  SaveEditedProfile(dir.str(), asRead, asRead);
  EXPECT_TRUE(Texts().empty());
}

}  // namespace
}  // namespace albumsmith
