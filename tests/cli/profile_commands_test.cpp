// The "profile" commands of albumsmith-cli, run as a separate process.

#include <cctype>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "platform/app_settings.h"
#include "store/profile_settings.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

// A key's value as Profile.ini holds it; the password in clear.
std::string StoredValue(const std::string& profilesDir, const std::string& name, const std::string& key) {
  const ProfileSettings s = ReadProfile(profilesDir, name);
  if (key == "Password") return s.password;
  const ProfileKey* k = FindProfileKey(key);
  return k ? ProfileKeyText(s, *k) : "<no such key>";
}

using ProfileCommandsTest = CliTest;

TEST_F(ProfileCommandsTest, ListIsSortedWithoutRegardToCase) {
  for (const char* name : {"beta", "Alpha", "gamma", "Delta"}) MakeProfile(name);
  fs::create_directories(profilesPath() / "Empty");  // no Profile.ini: not a profile

  const CliResult r = Run({"profile", "list"});

  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Alpha\nbeta\nDelta\ngamma\n");
}

// --- profile create ------------------------------------------------------------

TEST_F(ProfileCommandsTest, CreateWithYesWritesTheProfile) {
  struct Case {
    std::string name;
    std::vector<std::string> flags;
    int php, passive, connections;
  };
  for (const Case& c :
       {Case{"Holiday", {"--php", "0", "--passive", "0", "--connections", "2"}, 0, 0, 2}, Case{"Work", {}, 1, 1, 4}}) {
    std::vector<std::string> args = {
        "--yes",   "profile", "create",     c.name,  "--server",     "ftp.example.org:2121",
        "--login", "joe",     "--password", "pa ss", "--remote-dir", "/photos\\2004"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());

    const CliResult r = Run(args);

    ASSERT_EQ(r.exitCode, 0) << c.name << ": " << r.err;
    const ProfileSettings s = ReadProfile(profiles(), c.name);
    EXPECT_EQ(s.serverName, "ftp.example.org:2121");
    EXPECT_EQ(s.login, "joe");
    EXPECT_EQ(s.password, "pa ss");
    EXPECT_EQ(s.remoteDir, "/photos/2004/");
    EXPECT_EQ(s.php, c.php);
    EXPECT_EQ(s.passive, c.passive);
    EXPECT_EQ(s.connections, c.connections);
    const fs::path dir = profilesPath() / c.name;
    EXPECT_EQ(fs::status(dir / "Profile.ini").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    for (const char* sub : {"ImageTree", "albsite/bg", "albsite/s", "albsite/m"})
      EXPECT_TRUE(fs::is_directory(dir / sub)) << sub;
  }
  EXPECT_EQ(ListProfiles(profiles()), (std::vector<std::string>{"Holiday", "Work"}));
}

// The warning about the remote directory must be answered: without a
// terminal and without --yes it is refused, shown, and nothing is created.
TEST_F(ProfileCommandsTest, CreateStopsWhenTheRemoteWarningIsRefused) {
  for (const std::vector<std::string>& answer : {std::vector<std::string>{}, std::vector<std::string>{"--no"}}) {
    std::vector<std::string> args = answer;
    for (const char* a : {"profile", "create", "Holiday", "--server", "ftp.example.org", "--login", "joe", "--password",
                          "pw", "--remote-dir", "/album"})
      args.push_back(a);

    const CliResult r = Run(args);

    const std::string how = answer.empty() ? "no answer" : answer[0];
    EXPECT_NE(r.exitCode, 0) << how;
    EXPECT_NE(r.err.find("WARNING !! All existing files and directories inside the /album/ directory may be "
                         "deleted."),
              std::string::npos)
        << how << ": " << r.err;
    EXPECT_TRUE(StartsWith(r.LastErrorLine(), "albumsmith-cli: ")) << how << ": " << r.err;
    EXPECT_NE(r.LastErrorLine(), "albumsmith-cli: failed") << how;
    EXPECT_FALSE(fs::exists(profilesPath() / "Holiday")) << how;
  }
}

struct RefusalCase {
  const char* what;
  std::string name;
  std::map<std::string, std::string> options;  // replace the valid defaults
  const char* reason;                          // part of the last stderr line
};

class CreateRefusalTest : public CliTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CreateRefusalTest, RefusesWithTheWizardsMessage) {
  const RefusalCase& c = GetParam();
  MakeProfile("Holiday");
  std::map<std::string, std::string> options = {
      {"--server", "ftp.example.org"}, {"--login", "joe"}, {"--password", "pw"}, {"--remote-dir", "/album"}};
  for (const auto& [k, v] : c.options) options[k] = v;
  std::vector<std::string> args = {"--yes", "profile", "create", c.name};
  for (const auto& [k, v] : options) {
    args.push_back(k);
    args.push_back(v);
  }

  const CliResult r = Run(args);

  EXPECT_NE(r.exitCode, 0);
  const std::string last = r.LastErrorLine();
  EXPECT_TRUE(StartsWith(last, "albumsmith-cli: ")) << r.err;
  EXPECT_NE(last.find(c.reason), std::string::npos) << r.err;
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Holiday"});
  EXPECT_EQ(std::distance(fs::directory_iterator(profilesPath()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, CreateRefusalTest,
    ::testing::Values(RefusalCase{"empty name", "", {}, "Enter a profile name"},
                      RefusalCase{"existing name", "Holiday", {}, "Profile already exists"},
                      RefusalCase{"existing in other case", "HOLIDAY", {}, "Profile already exists"},
                      RefusalCase{"slash in name", "a/b", {}, "cannot be used"},
                      RefusalCase{"parent folder", "..", {}, "cannot be used"},
                      RefusalCase{"no server", "Trip", {{"--server", ""}}, "Enter the server name or IP address"},
                      RefusalCase{"slash in server",
                                  "Trip",
                                  {{"--server", "ftp.example.org/x"}},
                                  "The server name cannot contain any '\\' or'/'"},
                      RefusalCase{"no login", "Trip", {{"--login", ""}}, "Enter the FTP login name"},
                      RefusalCase{"no password", "Trip", {{"--password", ""}}, "Enter the FTP password"},
                      RefusalCase{"no remote dir", "Trip", {{"--remote-dir", ""}}, "Enter the remote directory"},
                      RefusalCase{"nine connections", "Trip", {{"--connections", "9"}}, "--connections takes a number"},
                      RefusalCase{"relative remote dir",
                                  "Trip",
                                  {{"--remote-dir", "album"}},
                                  "The remote directory must begin with '/'"},
                      RefusalCase{"php not a flag", "Trip", {{"--php", "2"}}, "--php"},
                      RefusalCase{"unknown option", "Trip", {{"--colour", "red"}}, "--colour"}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

// --- profile show ----------------------------------------------------------------

TEST_F(ProfileCommandsTest, ShowListsEveryKeyInFileOrderWithoutThePasswords) {
  MakeProfile("Holiday");
  ProfileSettings withAdmin = ReadProfile(profiles(), "Holiday");
  withAdmin.accessPassword = "admin-secret";
  ASSERT_TRUE(WriteProfile(profiles(), withAdmin));

  const CliResult r = Run({"profile", "show", "Holiday"});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The keys of Profile.ini as Section/Key, in the order of the file.
  std::vector<std::string> fileKeys;
  std::string section;
  for (const std::string& raw : Split(ReadText(profilesPath() / "Holiday/Profile.ini"), '\n')) {
    const std::string line(Trim(raw));
    if (StartsWith(line, "["))
      section = line.substr(1, line.size() - 2);
    else if (line.find('=') != std::string::npos)
      fileKeys.push_back(section + "/" + line.substr(0, line.find('=')));
  }
  std::vector<std::string> shownKeys;
  std::map<std::string, std::string> shown;
  for (const std::string& line : r.OutLines()) {
    const size_t eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    shownKeys.push_back(line.substr(0, eq));
    shown[line.substr(0, eq)] = line.substr(eq + 1);
  }
  EXPECT_EQ(shownKeys, fileKeys);
  EXPECT_EQ(shown["Remote/Password"], "***");
  EXPECT_EQ(shown["Security/AccessPassword"], "***");
  EXPECT_EQ(r.out.find("admin-secret"), std::string::npos);
  EXPECT_EQ(shown["Remote/ServerName"], "ftp.example.org");
  EXPECT_EQ(shown["Remote/RemoteDir"], "/album/");
  EXPECT_EQ(shown["Main/TemplateName"], "Albumsmith Default");
  EXPECT_EQ(r.out.find(ReadProfile(profiles(), "Holiday").storedPassword), std::string::npos);
}

TEST_F(ProfileCommandsTest, ShowOfAnUnknownProfileFails) {
  const CliResult r = Run({"profile", "show", "Nope"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(r.out.empty());
  EXPECT_TRUE(StartsWith(r.LastErrorLine(), "albumsmith-cli: ")) << r.err;
  EXPECT_NE(r.LastErrorLine().find("Nope"), std::string::npos);
}

// --- profile set -------------------------------------------------------------------

struct SetCase {
  const char* what;
  std::vector<std::string> pairs;
  bool succeeds;
  std::string key;    // checked afterwards
  std::string value;  // as stored
  bool marksWholeSync;
  const char* reason;  // part of the last stderr line when refused
};

class SetTest : public CliTest, public ::testing::WithParamInterface<SetCase> {};

TEST_P(SetTest, ChangesTheStoredKeys) {
  const SetCase& c = GetParam();
  MakeProfile("Holiday");
  WriteText(profilesPath() / "Holiday/remdir.dat", "0|/|Holiday\n");
  std::vector<std::string> args = {"profile", "set", "Holiday"};
  args.insert(args.end(), c.pairs.begin(), c.pairs.end());

  const CliResult r = Run(args);

  EXPECT_EQ(r.exitCode == 0, c.succeeds) << r.err;
  if (!c.succeeds) {
    EXPECT_NE(r.LastErrorLine().find(c.reason), std::string::npos) << r.err;
  }
  EXPECT_EQ(StoredValue(profiles(), "Holiday", c.key), c.value);
  EXPECT_EQ(ReadText(profilesPath() / "Holiday/remdir.dat"), "0|/|Holiday\n");  // order and ids kept
  EXPECT_EQ(fs::exists(profilesPath() / "Holiday/wholesync.flag"), c.marksWholeSync);
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Holiday"});
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SetTest,
    ::testing::Values(
        SetCase{"key names in any case", {"servername=ftp.other.net"}, true, "ServerName", "ftp.other.net", false, ""},
        SetCase{"remote dir with backslashes", {"REMOTEDIR=\\web\\pics"}, true, "RemoteDir", "/web/pics/", false, ""},
        SetCase{"remote dir gains final slash", {"RemoteDir=/a\\b"}, true, "RemoteDir", "/a/b/", false, ""},
        SetCase{"several pairs", {"Login=ann", "SlideDelay=7"}, true, "SlideDelay", "7", false, ""},
        SetCase{"password given in clear", {"Password=n3w pass"}, true, "Password", "n3w pass", false, ""},
        SetCase{"passive asks no whole sync", {"Passive=0"}, true, "Passive", "0", false, ""},
        SetCase{"php asks a whole sync", {"PHP=0"}, true, "PHP", "0", true, ""},
        SetCase{"access security asks a whole sync", {"AccessSecurity=1"}, true, "AccessSecurity", "1", true, ""},
        SetCase{"same php asks no whole sync", {"PHP=1"}, true, "PHP", "1", false, ""},
        SetCase{"slash in server",
                {"Login=ann", "ServerName=ftp.example.org/x"},
                false,
                "Login",
                "joe",
                false,
                "The server name cannot contain any \"\\\" or \"/\""},
        SetCase{"relative remote dir",
                {"RemoteDir=web"},
                false,
                "RemoteDir",
                "/album/",
                false,
                "The remote directory must begin with '/'"},
        SetCase{"font list",
                {"DateFont=Liberation Sans, sans-serif"},
                true,
                "DateFont",
                "Liberation Sans, sans-serif",
                false,
                ""},
        SetCase{"markup in font",
                {"DateFont=Arial", "CommentFont=x</style><?php"},
                false,
                "DateFont",
                "",
                false,
                "The font name \"x</style><?php\" cannot be used"},
        SetCase{"rule end in font", {"DateFont=Arial;} body {color:red"}, false, "DateFont", "", false, "cannot hold"},
        SetCase{"quote in font", {"CommentFont=\"Times\""}, false, "CommentFont", "", false, "cannot hold"},
        SetCase{"protocol change drops the pin",
                {"Fingerprint=AA:BB", "Protocol=sftp"},
                true,
                "Fingerprint",
                "",
                false,
                ""},
        SetCase{"same protocol keeps the pin",
                {"Protocol=ftps", "Fingerprint=AA:BB", "Protocol=ftps"},
                true,
                "Fingerprint",
                "AA:BB",
                false,
                ""},
        SetCase{"unknown protocol", {"Protocol=scp"}, false, "Protocol", "", false, "Protocol takes ftp, ftps or sftp"},
        SetCase{"unreadable key file",
                {"KeyFile=/nonexistent/id_rsa"},
                false,
                "KeyFile",
                "",
                false,
                "The private key file /nonexistent/id_rsa cannot be read."},
        SetCase{"unknown key", {"Colour=red"}, false, "ServerName", "ftp.example.org", false, "Colour"},
        SetCase{"no equals sign", {"Login"}, false, "Login", "joe", false, "Login"}),
    [](const auto& info) {
      std::string n = info.param.what;
      for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return n;
    });

// --- profile rename ------------------------------------------------------------------

TEST_F(ProfileCommandsTest, RenameMovesTheFolderAndDropsTheOldKey) {
  MakeProfile("Holiday");
  WriteText(profilesPath() / "Holiday/ImageTree/Beach/a.jpg", "jpeg");
  WriteText(settingsFile(), "[Settings]\nVersion=20201\n[Profiles\\Holiday]\nIndexCheck=1\n");

  const CliResult r = Run({"profile", "rename", "Holiday", "Trips"});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(profilesPath() / "Holiday"));
  EXPECT_EQ(ReadText(profilesPath() / "Trips/ImageTree/Beach/a.jpg"), "jpeg");
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Trips"});
  EXPECT_EQ(ReadProfile(profiles(), "Trips").serverName, "ftp.example.org");
  EXPECT_FALSE(AppSettings(settingsFile()).KeyExists("Profiles\\Holiday"));
}

TEST_F(ProfileCommandsTest, RenameRefusals) {
  struct Case {
    std::string from, to;
    const char* reason;
  };
  MakeProfile("Holiday");
  MakeProfile("Work");
  for (const Case& c :
       {Case{"Holiday", "WORK", "Profile already exists"}, Case{"Holiday", "HOLIDAY", "Profile already exists"},
        Case{"Holiday", "", "Enter a profile name"}, Case{"Holiday", "a/b", "cannot be used"},
        Case{"Nope", "Other", "Nope"}}) {
    const CliResult r = Run({"profile", "rename", c.from, c.to});
    EXPECT_NE(r.exitCode, 0) << c.from << " -> " << c.to;
    EXPECT_TRUE(StartsWith(r.LastErrorLine(), "albumsmith-cli: ")) << r.err;
    EXPECT_NE(r.LastErrorLine().find(c.reason), std::string::npos) << r.err;
    EXPECT_EQ(ListProfiles(profiles()), (std::vector<std::string>{"Holiday", "Work"})) << c.from << " -> " << c.to;
  }
}

// --- profile delete --------------------------------------------------------------------

TEST_F(ProfileCommandsTest, DeleteFollowsTheAnswer) {
  struct Case {
    std::vector<std::string> answer;
    bool deleted;
  };
  for (const Case& c : {Case{{"--no"}, false}, Case{{}, false}, Case{{"--yes"}, true}}) {
    const std::string how = c.answer.empty() ? "no answer" : c.answer[0];
    if (!fs::exists(profilesPath() / "Holiday")) MakeProfile("Holiday");
    WriteText(settingsFile(), "[Settings]\nVersion=20201\n[Profiles\\Holiday]\nIndexCheck=1\n");
    std::vector<std::string> args = c.answer;
    for (const char* a : {"profile", "delete", "Holiday"}) args.push_back(a);

    const CliResult r = Run(args);

    EXPECT_EQ(r.exitCode == 0, c.deleted) << how << ": " << r.err;
    EXPECT_NE(r.err.find("This will delete the profile \"Holiday\" and all associated files."), std::string::npos)
        << how;
    EXPECT_EQ(fs::exists(profilesPath() / "Holiday"), !c.deleted) << how;
    EXPECT_EQ(AppSettings(settingsFile()).KeyExists("Profiles\\Holiday"), !c.deleted) << how;
    if (c.deleted) {
      EXPECT_NE(r.err.find("Remove remote files of the profile Holiday"), std::string::npos);
    }
  }
}

// Profile names are matched without regard to case everywhere, so every
// command given another case must work on the stored profile, not on a folder
// of the name as typed.
TEST_F(ProfileCommandsTest, CommandsFindTheProfileInAnyLetterCase) {
  MakeProfile("Holiday");

  const CliResult exact = Run({"profile", "show", "Holiday"});
  const CliResult other = Run({"profile", "show", "HOLIDAY"});
  EXPECT_EQ(other.exitCode, 0) << other.err;
  EXPECT_EQ(other.out, exact.out);

  const CliResult set = Run({"profile", "set", "holiday", "Login=ann"});
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(ReadProfile(profiles(), "Holiday").login, "ann");
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Holiday"});

  const CliResult rename = Run({"profile", "rename", "hOLIDAY", "Trips"});
  EXPECT_EQ(rename.exitCode, 0) << rename.err;
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Trips"});
  EXPECT_EQ(ReadProfile(profiles(), "Trips").login, "ann");

  const CliResult del = Run({"--yes", "profile", "delete", "TRIPS"});
  EXPECT_EQ(del.exitCode, 0) << del.err;
  EXPECT_NE(del.err.find("remote folder /album/"), std::string::npos) << del.err;
  EXPECT_TRUE(ListProfiles(profiles()).empty());
  EXPECT_TRUE(fs::is_empty(profilesPath()));
}

}  // namespace
}  // namespace albumsmith::test
