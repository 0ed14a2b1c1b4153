#include "app/application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/app_settings.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "store/password.h"
#include "store/profile_settings.h"
#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::Environment;
using test::ReadText;
using test::TempDir;
using test::WriteText;

constexpr const char* kMaintenance = "A maintenance has been done for compatibility with previous versions.";

// Each test gets its own settings file, so that what one test stores cannot
// answer another's question.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { Environment::prompter().Clear(); }
  void TearDown() override { StringTable::Instance().SetModule(std::nullopt); }

  TempDir config_;
  AppSettings settings_{config_.path() / "Albumsmith.ini"};
};

// Sets an environment variable for the scope of one test and puts the old
// value back, so that the documents-folder lookup can be steered.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// --- UpgradeSettings: which steps run for which stored release --------------

struct UpgradeCase {
  int stored;
  bool htmlDeleted;    // *.JPG.HTML anywhere below the default base
  bool mediumDeleted;  // *.JPG below <profile>/albsite/m/
  bool maintenance;    // message 32814 shown and Version written
  bool versionWritten;
};

class UpgradeStepsTest : public ApplicationTest, public ::testing::WithParamInterface<UpgradeCase> {};

TEST_P(UpgradeStepsTest, RunsTheStepsOfTheStoredRelease) {
  const UpgradeCase& c = GetParam();
  TempDir base;
  const fs::path b = base.path();
  // Pages of images from before 2.0.3 and medium images from before 2.0.0,
  // next to files that no step may touch.
  const std::vector<fs::path> html = {b / "top.JPG.HTML", b / "Holiday/ImageTree/Beach/img1.JPG.HTML",
                                      b / "Holiday/albsite/deep/img2.jpg.html"};
  const std::vector<fs::path> medium = {b / "Holiday/albsite/m/img1.JPG", b / "Holiday/albsite/m/Beach/img2.jpg"};
  const std::vector<fs::path> kept = {b / "Holiday/ImageTree/Beach/img1.JPG", b / "Holiday/albsite/s/img1.JPG",
                                      b / "Holiday/albsite/m/notes.txt", b / "Holiday/albsite/m.JPG",
                                      b / "Holiday/Profile.ini"};
  for (const auto* list : {&html, &medium, &kept})
    for (const fs::path& f : *list) WriteText(f, "x");
  settings_.SetString("Settings", "ProfilesDir", base.str());

  UpgradeSettings(c.stored, settings_, base.str());

  for (const fs::path& f : html) EXPECT_EQ(!fs::exists(f), c.htmlDeleted) << f;
  for (const fs::path& f : medium) EXPECT_EQ(!fs::exists(f), c.mediumDeleted) << f;
  for (const fs::path& f : kept) EXPECT_TRUE(fs::exists(f)) << f;
  EXPECT_EQ(Environment::prompter().texts(),
            c.maintenance ? std::vector<std::string>{kMaintenance} : std::vector<std::string>{});
  EXPECT_EQ(settings_.GetInt("Settings", "Version", -1), c.versionWritten ? 20201 : -1);
}

INSTANTIATE_TEST_SUITE_P(StoredVersions, UpgradeStepsTest,
                         ::testing::Values(UpgradeCase{-1, false, false, false, true},    // first run
                                           UpgradeCase{19999, true, true, true, true},    // before 2.0.0
                                           UpgradeCase{20000, true, false, true, true},   // 2.0.0
                                           UpgradeCase{20003, false, false, true, true},  // 2.0.3
                                           UpgradeCase{20201, false, false, false, false},
                                           UpgradeCase{30000, false, false, false, false}),
                         [](const auto& info) {
                           const int v = info.param.stored;
                           return v < 0 ? std::string("NeverRun") : "Stored" + std::to_string(v);
                         });

// Profiles of releases that kept everything in the settings store: the base
// directory comes from the first cache directory naming "\Albumsmith\", the
// footer and root files lose their absolute part, and a profile folder
// without a Profile.ini gets one from the stored values.
TEST_F(ApplicationTest, UpgradeImportsProfilesOfTheSettingsStore) {
  TempDir root;
  // A Windows-style path onto a real folder: "\tmp\…\AlbumSmith\Old\cache".
  const std::string winRoot = ReplaceAll(root.path().string(), "/", "\\");
  const fs::path base = root.path() / "AlbumSmith";
  const std::string scrambled = PasswordScramble("s3cret");
  WriteText(settings_.file(),
            "[Settings]\nVersion=20003\n"
            "[Profiles\\Old]\n"
            "CacheDir=" +
                winRoot +
                "\\AlbumSmith\\Old\\cache\n"
                "FooterFileName=" +
                winRoot +
                "\\ALBUMSMITH\\Old\\footer.html\n"
                "RootFileName=" +
                winRoot +
                "\\albumsmith\\Old\\index.html\n"
                "ServerName=ftp.example.org\nLogin=olduser\nPassword=" +
                scrambled +
                "\n"
                "RemoteDir=/photos/\nPHP=0\nSlideDelay=7\nTemplateName=\n"
                "[Profiles\\Kept]\n"
                "CacheDir=D:\\Elsewhere\\Albumsmith\\Kept\\cache\n"
                "FooterFileName=D:\\no marker\\footer.html\n"
                "ServerName=ftp.kept.org\n");
  WriteText(base / "Old/ImageTree/photo.JPG", "x");
  WriteText(base / "Kept/PROFILE.INI", "[Remote]\nServerName=untouched\n");
  fs::create_directories(base / "Stray");
  TempDir defaults;

  UpgradeSettings(20003, settings_, defaults.str());

  EXPECT_EQ(settings_.GetString("Settings", "ProfilesDir", "?"), base.string() + "/");
  EXPECT_EQ(settings_.GetString("Profiles\\Old", "ShortFooterFileName", "?"), "Old/footer.html");
  EXPECT_EQ(settings_.GetString("Profiles\\Old", "ShortRootFileName", "?"), "Old/index.html");
  EXPECT_EQ(settings_.GetString("Profiles\\Kept", "ShortFooterFileName", "absent"), "absent");

  ASSERT_TRUE(fs::exists(base / "Old/Profile.ini"));
  const ProfileSettings old = ReadProfile(base.string() + "/", "Old");
  EXPECT_EQ(old.serverName, "ftp.example.org");
  EXPECT_EQ(old.login, "olduser");
  EXPECT_EQ(old.password, "s3cret");
  EXPECT_EQ(old.remoteDir, "/photos/");
  EXPECT_EQ(old.php, 0);
  EXPECT_EQ(old.passive, 1);
  EXPECT_EQ(old.slideDelay, 7);
  EXPECT_EQ(old.templateName, "Albumsmith Default");
  EXPECT_EQ(old.footerFileName, "Old/footer.html");
  EXPECT_EQ(old.rootFileName, "Old/index.html");

  // A folder that already has its settings file (in any letter case) keeps it;
  // one the store knows nothing about gets none.
  EXPECT_EQ(ReadText(base / "Kept/PROFILE.INI"), "[Remote]\nServerName=untouched\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(base / "Kept"), fs::directory_iterator()), 1);
  EXPECT_TRUE(fs::is_empty(base / "Stray"));

  EXPECT_EQ(Environment::prompter().texts(), std::vector<std::string>{kMaintenance});
  EXPECT_EQ(settings_.GetInt("Settings", "Version", -1), 20201);
}

// A base directory already stored is used as it is: nothing is derived from
// the cache directories.
TEST_F(ApplicationTest, UpgradeKeepsAStoredProfilesDir) {
  TempDir base;
  WriteText(settings_.file(), "[Settings]\nProfilesDir=" + base.str() +
                                  "\n"
                                  "[Profiles\\Trip]\nCacheDir=C:\\Users\\x\\Albumsmith\\Trip\\cache\n"
                                  "FooterFileName=C:\\Users\\x\\Albumsmith\\Trip\\footer.html\nLogin=trip\n");
  fs::create_directories(base.path() / "Trip");
  TempDir defaults;

  UpgradeSettings(20003, settings_, defaults.str());

  EXPECT_EQ(settings_.GetString("Settings", "ProfilesDir", "?"), base.str());
  EXPECT_EQ(settings_.GetString("Profiles\\Trip", "ShortFooterFileName", "absent"), "absent");
  EXPECT_EQ(ReadProfile(base.str(), "Trip").login, "trip");
}

// --- Languages ----------------------------------------------------------------

// A module holding the release and one translated text.
std::string ModuleText(const std::string& release, const std::string& maintenance) {
  return "# test module\n163 \"" + release + "\"\n32814\t\"" + maintenance + "\"\n";
}

class LanguagesTest : public ApplicationTest {
 protected:
  TempDir programDir_;
  TempDir currentDir_;
  // Modules of the user running the tests stay out of them.
  TempDir userData_;
  ScopedEnv userDataEnv_{"XDG_DATA_HOME", userData_.str()};
  Languages languages_{programDir_.path(), currentDir_.path()};
};

// An installed program lies in <prefix>/bin with its data in
// <prefix>/share/albumsmith; the user adds modules to their own data folder.
TEST_F(LanguagesTest, ModulesOfTheDataDirectoriesLoadAndAreListed) {
  TempDir prefix;
  TempDir home;
  fs::create_directories(prefix.path() / "bin");
  ScopedEnv homeEnv("HOME", home.str());
  struct Case {
    const char* name;
    fs::path langDir;
    std::string dataHome;  // XDG_DATA_HOME; empty: unset
  };
  const Case cases[] = {
      {"Installed", prefix.path() / "share/albumsmith/Lang", userData_.str()},
      {"OwnData", userData_.path() / "albumsmith/Lang", userData_.str()},
      {"HomeDefault", home.path() / ".local/share/albumsmith/Lang", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
    WriteText(c.langDir / (std::string(c.name) + ".lng"), ModuleText("2.2.1", c.name));
    Languages languages(prefix.path() / "bin", currentDir_.path());

    const auto menu = languages.MenuEntries();
    EXPECT_NE(std::find(menu.begin(), menu.end(), c.name), menu.end());
    languages.Load(c.name, settings_);
    EXPECT_EQ(languages.current(), c.name);
    EXPECT_EQ(LoadString(TextId::kMaintenanceDone), c.name);
  }
  EXPECT_TRUE(Environment::prompter().texts().empty());
}

TEST_F(LanguagesTest, EnglishInAnyLetterCaseUsesTheBuiltInTexts) {
  WriteText(programDir_.path() / "Lang/english.lng", ModuleText("2.2.1", "Translated"));
  WriteText(programDir_.path() / "Lang/Francais.lng", ModuleText("2.2.1", "Maintenance faite"));

  languages_.Load("english", settings_);
  EXPECT_EQ(languages_.current(), "English");
  EXPECT_FALSE(StringTable::Instance().HasModule());
  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), kMaintenance);

  // Going back from a loaded module unloads it as well.
  languages_.Load("Francais", settings_);
  ASSERT_EQ(LoadString(TextId::kMaintenanceDone), "Maintenance faite");
  languages_.Load("ENGLISH", settings_);
  EXPECT_EQ(languages_.current(), "English");
  EXPECT_FALSE(StringTable::Instance().HasModule());
  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), kMaintenance);
  EXPECT_TRUE(Environment::prompter().texts().empty());
}

TEST_F(LanguagesTest, ModuleOfTheCurrentDirectoryLoadsWhenTheProgramHasNone) {
  WriteText(currentDir_.path() / "Lang/Deutsch.lng", ModuleText("2.2.1", "Wartung erledigt"));

  languages_.Load("Deutsch", settings_);

  EXPECT_EQ(languages_.current(), "Deutsch");
  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), "Wartung erledigt");
  // A text the module lacks comes from the program's own table.
  EXPECT_EQ(LoadString(TextId::kProfileExists), "Profile already exists");
  EXPECT_TRUE(Environment::prompter().texts().empty());
}

TEST_F(LanguagesTest, ModuleOfTheProgramDirectoryComesFirst) {
  WriteText(programDir_.path() / "Lang/Deutsch.lng", ModuleText("2.2.1", "aus dem Programm"));
  WriteText(currentDir_.path() / "Lang/Deutsch.lng", ModuleText("2.2.1", "aus dem Arbeitsordner"));

  languages_.Load("Deutsch", settings_);

  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), "aus dem Programm");
}

TEST_F(LanguagesTest, ModuleOfAnotherReleaseIsKeptWithAWarning) {
  WriteText(programDir_.path() / "Lang/Francais.lng", ModuleText("2.1", "Maintenance faite"));

  languages_.Load("Francais", settings_);

  EXPECT_EQ(languages_.current(), "Francais");
  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), "Maintenance faite");
  const auto shown = Environment::prompter().shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, Icon::Exclamation);
  EXPECT_EQ(shown[0].text,
            "The DLL language is version 2.1 and does not match the current version of the software.\n\n"
            "This may give wrong or missing texts in the application.");
}

TEST_F(LanguagesTest, MissingModuleFallsBackToEnglishAndStoresIt) {
  WriteText(programDir_.path() / "Lang/Francais.lng", ModuleText("2.2.1", "Maintenance faite"));
  languages_.Load("Francais", settings_);
  ASSERT_TRUE(StringTable::Instance().HasModule());
  settings_.SetString("Settings", "Language", "Klingon");

  languages_.Load("Klingon", settings_);

  EXPECT_EQ(languages_.current(), "English");
  EXPECT_FALSE(StringTable::Instance().HasModule());
  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), kMaintenance);
  EXPECT_EQ(settings_.GetString("Settings", "Language", "?"), "English");
  const auto shown = Environment::prompter().shown();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, Icon::Exclamation);
  EXPECT_EQ(shown[0].text, "Language DLL not found, defaulting to English");
}

TEST_F(LanguagesTest, MenuListsEnglishThenProgramModulesThenNewCurrentDirectoryModules) {
  WriteText(programDir_.path() / "Lang/Francais.lng", "");
  WriteText(programDir_.path() / "Lang/Deutsch.LNG", "");
  WriteText(programDir_.path() / "Lang/readme.txt", "");
  fs::create_directories(programDir_.path() / "Lang/Folder.lng");
  WriteText(currentDir_.path() / "Lang/Deutsch.lng", "");
  WriteText(currentDir_.path() / "Lang/Albanian.lng", "");

  EXPECT_EQ(languages_.MenuEntries(), (std::vector<std::string>{"English", "Deutsch", "Francais", "Albanian"}));
}

TEST_F(LanguagesTest, ChoosingStoresLoadsAndConfirms) {
  WriteText(programDir_.path() / "Lang/Deutsch.lng", ModuleText("2.2.1", "Wartung erledigt"));

  languages_.Choose("Deutsch", settings_);

  EXPECT_EQ(settings_.GetString("Settings", "Language", "?"), "Deutsch");
  EXPECT_EQ(languages_.current(), "Deutsch");
  EXPECT_EQ(LoadString(TextId::kMaintenanceDone), "Wartung erledigt");
  EXPECT_EQ(Environment::prompter().texts(), std::vector<std::string>{"The language has been changed to : Deutsch"});
}

// --- Profiles base directory -----------------------------------------------------

// Start-up speaks the chosen language from its first message on, and a
// profiles base directory given to the program wins over the stored one
// without replacing it.
TEST_F(LanguagesTest, StartUpLoadsTheLanguageBeforeTheUpgradeThenSettlesTheProfilesDir) {
  TempDir docs;
  TempDir stored;
  ScopedEnv env("XDG_DOCUMENTS_DIR", docs.str());
  WriteText(programDir_.path() / "Lang/Deutsch.lng", ModuleText("2.2.1", "Wartung erledigt"));
  settings_.SetString("Settings", "Language", "Deutsch");
  settings_.SetInt("Settings", "Version", 20003);
  settings_.SetString("Settings", "ProfilesDir", stored.str());

  EXPECT_EQ(StartUp(settings_, languages_, "/srv/albums"), "/srv/albums/");
  EXPECT_EQ(Environment::prompter().texts(), std::vector<std::string>{"Wartung erledigt"});
  EXPECT_EQ(settings_.GetInt("Settings", "Version", -1), ProgramRelease().Number());
  EXPECT_EQ(settings_.GetString("Settings", "ProfilesDir", "?"), stored.str());

  EXPECT_EQ(StartUp(settings_, languages_), WithSlash(stored.str()));
}

TEST_F(ApplicationTest, ProfilesDirDefaultsToTheDocumentsFolder) {
  TempDir docs;
  ScopedEnv env("XDG_DOCUMENTS_DIR", docs.path().string());

  EXPECT_EQ(InitProfilesDir(settings_), docs.str() + "Albumsmith/");
  EXPECT_EQ(settings_.GetString("Settings", "ProfilesDir", "?"), docs.str() + "Albumsmith/");

  // A stored value wins, and gains its final slash.
  settings_.SetString("Settings", "ProfilesDir", "/srv/albums");
  EXPECT_EQ(InitProfilesDir(settings_), "/srv/albums/");
}

TEST_F(ApplicationTest, ProfilesDirFallsBackToTheCurrentDirectoryWithoutDocuments) {
  TempDir home;
  ScopedEnv docs("XDG_DOCUMENTS_DIR", (home.path() / "missing").string());
  ScopedEnv config("XDG_CONFIG_HOME", home.path().string());
  ScopedEnv homeEnv("HOME", home.path().string());

  EXPECT_EQ(DefaultProfilesDir(), fs::current_path().string() + "/Albumsmith/");
}

// --- First-run question about version checks --------------------------------------

struct CheckVersionCase {
  std::optional<int> stored;  // nothing: never asked
  Answer answer;
  int flag;
  std::vector<std::string> texts;
};

class CheckVersionTest : public ApplicationTest, public ::testing::WithParamInterface<CheckVersionCase> {};

TEST_P(CheckVersionTest, AsksOnlyOnTheFirstRun) {
  const CheckVersionCase& c = GetParam();
  if (c.stored) settings_.SetInt("Settings", "CheckVersion", *c.stored);
  Environment::prompter().Queue(c.answer);

  EXPECT_EQ(InitCheckVersion(settings_), c.flag);
  EXPECT_EQ(settings_.GetInt("Settings", "CheckVersion", 2), c.flag);
  EXPECT_EQ(Environment::prompter().texts(), c.texts);
}

const char* const kAskCheck = "Do you want that Albumsmith checks for new versions ?";
INSTANTIATE_TEST_SUITE_P(
    Answers, CheckVersionTest,
    ::testing::Values(CheckVersionCase{std::nullopt, Answer::Yes, 1, {kAskCheck, "Check for new versions enabled"}},
                      CheckVersionCase{std::nullopt, Answer::No, 0, {kAskCheck, "Check for new versions disabled"}},
                      CheckVersionCase{2, Answer::No, 0, {kAskCheck, "Check for new versions disabled"}},
                      CheckVersionCase{1, Answer::No, 1, {}}, CheckVersionCase{0, Answer::Yes, 0, {}}),
    [](const auto& info) {
      const auto& c = info.param;
      return (c.stored ? "Stored" + std::to_string(*c.stored) : std::string("NeverAsked")) +
             (c.answer == Answer::Yes ? "Yes" : "No");
    });

// --- The window's first position ---------------------------------------------------

struct WindowCase {
  const char* what;
  WindowRect window;
  int screenWidth, screenHeight, scrollBar;
  WindowRect expected;
};

class WindowRectTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowRectTest, FitsTheScreen) {
  const WindowCase& c = GetParam();
  const WindowRect r = InitialWindowRect(c.window, c.screenWidth, c.screenHeight, c.scrollBar);
  EXPECT_EQ(r.left, c.expected.left) << c.what;
  EXPECT_EQ(r.top, c.expected.top) << c.what;
  EXPECT_EQ(r.right, c.expected.right) << c.what;
  EXPECT_EQ(r.bottom, c.expected.bottom) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, WindowRectTest,
    ::testing::Values(WindowCase{"room enough", {100, 50, 600, 450}, 1280, 1024, 16, {100, 50, 1066, 450}},
                      WindowCase{"narrow screen", {100, 50, 600, 450}, 800, 600, 16, {0, 50, 800, 450}},
                      WindowCase{"exactly as wide", {0, 50, 600, 450}, 966, 600, 16, {0, 50, 966, 450}},
                      WindowCase{"one pixel short", {1, 50, 600, 450}, 966, 600, 16, {0, 50, 966, 450}},
                      WindowCase{"bottom below", {10, 300, 600, 900}, 1280, 768, 16, {10, 0, 976, 768}},
                      WindowCase{"both edges", {200, 300, 600, 900}, 1024, 768, 20, {0, 0, 1024, 768}}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

// --- Release numbers and the About box ---------------------------------------------

struct ReleaseCase {
  const char* text;
  int number;
  const char* shortText;
};

class ReleaseTest : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleaseTest, ParsesAndPrints) {
  const Release r = ParseRelease(GetParam().text);
  EXPECT_EQ(r.Number(), GetParam().number);
  EXPECT_EQ(r.ShortText(), GetParam().shortText);
}

INSTANTIATE_TEST_SUITE_P(Texts, ReleaseTest,
                         ::testing::Values(ReleaseCase{"2.2.1", 20201, "2.2.1"}, ReleaseCase{"2.2.0", 20200, "2.2"},
                                           ReleaseCase{"2.1", 20100, "2.1"}, ReleaseCase{"3", 30000, "3.0"},
                                           ReleaseCase{"", 0, "0.0"}, ReleaseCase{"2.10.3", 21003, "2.10.3"}),
                         [](const auto& info) { return "Release" + std::to_string(info.param.number); });

TEST_F(ApplicationTest, AboutTextShowsTheReleaseAndBuildDate) {
  EXPECT_EQ(ProgramRelease().Number(), 20201);
  EXPECT_EQ(AboutText("Dec  5 2004"), "Albumsmith version 2.2.1    (Dec  5 2004)");

  // The About box drops a patch number of 0; a language module's own text 164
  // is used when it has one.
  StringTable::Instance().SetModule(LanguageModule::FromText("164 \"Version %s du %s\"\n"));
  EXPECT_EQ(AboutText("Dec  5 2004"), "Version 2.2.1 du Dec  5 2004");

  // The build date's month is the language's own, capitalised as the
  // compiler writes it.
  StringTable::Instance().SetModule(LanguageModule::FromText("164 \"Version %s du %s\"\n62211 \"déc\"\n"));
  EXPECT_EQ(AboutText("Dec  5 2004"), "Version 2.2.1 du Déc  5 2004");
  EXPECT_EQ(AboutText("Feb 29 2024"), "Version 2.2.1 du Feb 29 2024");
}

// --- Closing while synchronising --------------------------------------------------

TEST_F(ApplicationTest, CloseDuringSynchronisationAsks) {
  EXPECT_TRUE(ConfirmClose(false));
  EXPECT_TRUE(Environment::prompter().texts().empty());

  Environment::prompter().Queue(Answer::Cancel);
  EXPECT_FALSE(ConfirmClose(true));
  Environment::prompter().Queue(Answer::Ok);
  EXPECT_TRUE(ConfirmClose(true));
  EXPECT_EQ(Environment::prompter().texts(),
            (std::vector<std::string>{"Synchronize is running. Terminate ?", "Synchronize is running. Terminate ?"}));
}

// --- Opening a profile ---------------------------------------------------------------

TEST(SessionTest, OpeningWithoutPhpTurnsAccessSecurityOff) {
  struct Case {
    int php, accessSecurity, expected;
  };
  for (const Case& c : {Case{0, 1, 0}, Case{0, -1, 0}, Case{1, 1, 1}, Case{1, 0, 0}}) {
    Session session;
    session.remoteChecked = true;
    ProfileSettings s;
    s.name = "Holiday";
    s.php = c.php;
    s.accessSecurity = c.accessSecurity;
    session.Open(s);
    ASSERT_TRUE(session.profile);
    EXPECT_EQ(session.profile->accessSecurity, c.expected) << "php " << c.php << " access " << c.accessSecurity;
    EXPECT_EQ(session.profile->name, "Holiday");
    EXPECT_FALSE(session.remoteChecked);
  }
}

}  // namespace
}  // namespace albumsmith
