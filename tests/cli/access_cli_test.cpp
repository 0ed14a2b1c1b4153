// The "user", "group" and "rights" commands of albumsmith-cli.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "platform/ini_file.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

class AccessCliTest : public CliTest {
 protected:
  CliResult Ok(const std::vector<std::string>& args) {
    CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << Join(args, " ") << "\n" << r.err;
    return r;
  }
};

TEST_F(AccessCliTest, UsersAndGroupsAreAddedChangedListedAndDeleted) {
  EXPECT_EQ(Ok({"group", "add", "family"}).out, "1 family\n");
  EXPECT_EQ(Ok({"group", "add", "friends", "--description", "Good friends"}).out, "2 friends\n");
  EXPECT_EQ(Ok({"user", "add", "ann", "--password", "pw", "--groups", "friends,family"}).out, "1 ann friends,family\n");
  Ok({"user", "add", "bob", "--password", "pw2", "--description", "Bob's account"});
  EXPECT_EQ(Ok({"user", "list"}).out, "1 ann friends,family\n2 bob -\n");

  Ok({"user", "set", "bob", "--groups", "family", "--name", "robert"});
  Ok({"group", "set", "friends", "--name", "pals"});
  EXPECT_EQ(Ok({"user", "list"}).out, "1 ann pals,family\n2 robert family\n");
  EXPECT_EQ(Ok({"group", "list"}).out, "1 family\n2 pals\n");

  // Deleting asks first; without an answer nothing goes.
  EXPECT_EQ(Run({"user", "delete", "ann"}).exitCode, 1);
  Ok({"--yes", "user", "delete", "ann"});
  Ok({"--yes", "group", "delete", "family"});
  // The deleted group's id stays in robert's groups and matches nothing.
  EXPECT_EQ(Ok({"user", "list"}).out, "2 robert -\n");
  // Ids are not handed out again.
  EXPECT_EQ(Ok({"user", "add", "carl", "--password", "pw"}).out, "3 carl -\n");
  const std::string ini = ReadText(settingsFile());
  EXPECT_EQ(ini.find("pw2"), std::string::npos);  // passwords are stored scrambled
}

TEST_F(AccessCliTest, RefusalsSayWhy) {
  Ok({"group", "add", "family"});
  Ok({"user", "add", "ann", "--password", "pw"});
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string reason;  // last line on stderr
  };
  const Case cases[] = {
      {{"user", "add", "bob", "--password", "pw", "--groups", "family,strangers"},
       1,
       "albumsmith-cli: no group named strangers"},
      {{"user", "add", "Ann", "--password", "pw"}, 1, "albumsmith-cli: a user named ann already exists"},
      {{"user", "add", "bob", "--password", ""}, 1, "albumsmith-cli: a user needs a password to log in"},
      {{"user", "add", "bob"}, 2, ""},
      {{"user", "set", "zed", "--password", "x"}, 1, "albumsmith-cli: no user named zed"},
      {{"user", "delete", "zed"}, 1, "albumsmith-cli: no user named zed"},
      {{"group", "add", "Family"}, 1, "albumsmith-cli: a group named family already exists"},
      {{"group", "delete", "zed"}, 1, "albumsmith-cli: no group named zed"},
  };
  for (const Case& c : cases) {
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << Join(c.args, " ");
    if (!c.reason.empty()) {
      EXPECT_EQ(r.LastErrorLine(), c.reason) << Join(c.args, " ");
    }
  }
  EXPECT_EQ(Ok({"user", "list"}).out, "1 ann -\n");
}

TEST_F(AccessCliTest, RightsAreShownSetAndInherited) {
  MakeProfile("Holiday");
  Ok({"profile", "set", "Holiday", "AccessSecurity=1"});
  for (const char* f : {"Family/Kids", "Bob's", "Open"})
    for (const char* root : {"ImageTree", "albsite/s", "albsite/m"})
      fs::create_directories(profilesPath() / "Holiday" / root / f);
  Ok({"group", "add", "family"});
  Ok({"group", "add", "friends"});
  Ok({"user", "add", "ann", "--password", "pw"});

  struct Step {
    std::vector<std::string> args;
    std::string out;
  };
  const Step steps[] = {
      {{"rights", "Holiday", "Family/Kids"}, "Closed (inherited)\n"},  // a new profile is closed
      {{"rights", "Holiday", "/", "--all"}, "All (own)\n"},
      {{"rights", "Holiday", "Open/"}, "All (inherited)\n"},
      {{"rights", "Holiday", "Family", "--users", "ann", "--groups", "friends"}, "users ann; groups friends (own)\n"},
      {{"rights", "Holiday", "Family/Kids"}, "users ann; groups friends (inherited)\n"},
      {{"rights", "Holiday", "Bob's", "--closed"}, "Closed (own)\n"},
      {{"rights", "Holiday", "Family", "--inherit"}, "All (inherited)\n"},
      {{"rights", "Holiday", "Family", "--groups", "family"}, "users -; groups family (own)\n"},
  };
  for (const Step& s : steps) EXPECT_EQ(Ok(s.args).out, s.out) << Join(s.args, " ");
  EXPECT_EQ(ReadText(profilesPath() / "Holiday" / "rights.dat"), "0 \\\r\n9999 \\Bob's\\\r\n-1 \\Family\\\r\n");

  // Renaming or moving a folder keeps its rights; it must not open up.
  Ok({"folder", "rename", "Holiday", "Bob's", "Private"});
  EXPECT_EQ(Ok({"rights", "Holiday", "Private"}).out, "Closed (own)\n");
  Ok({"--yes", "folder", "move", "Holiday", "Private", "Open"});
  EXPECT_EQ(Ok({"rights", "Holiday", "Open/Private"}).out, "Closed (own)\n");
  Ok({"--yes", "folder", "delete", "Holiday", "Open/Private"});
  Ok({"folder", "add", "Holiday", "Open/Private"});
  EXPECT_EQ(Ok({"rights", "Holiday", "Open/Private"}).out, "All (inherited)\n");
  fs::create_directories(profilesPath() / "Holiday" / "ImageTree" / "Bob's");
  Ok({"rights", "Holiday", "Bob's", "--closed"});

  EXPECT_EQ(Run({"rights", "Holiday", "Family", "--users", "zed"}).LastErrorLine(),
            "albumsmith-cli: no user named zed");
  EXPECT_EQ(Run({"rights", "Holiday", "Nowhere"}).exitCode, 1);
  EXPECT_EQ(Run({"rights", "Holiday", "Family", "--all", "--users", "ann"}).exitCode, 2);
  EXPECT_EQ(ReadText(profilesPath() / "Holiday" / "rights.dat"), "0 \\\r\n-1 \\Family\\\r\n9999 \\Bob's\\\r\n");
}

}  // namespace
}  // namespace albumsmith::test

namespace albumsmith::test {
namespace {

// Every file below `dir` whose name ends with ".php".
std::vector<std::string> PhpFiles(const fs::path& dir) {
  std::vector<std::string> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    if (it->path().extension() == ".php") found.push_back(fs::relative(it->path(), dir).string());
  return found;
}

// Access security lives in the PHP pages: a profile stored with PHP off and
// access security on is read as unprotected by every command that reads it,
// so none of them makes ".php" medium images or access files.
TEST_F(AccessCliTest, PhpOffReadsAccessSecurityOffInEveryCommand) {
  const std::string photo = std::string(ALBUMSMITH_TEST_DATA) + "/ui/kodak-dc210.jpg";
  const fs::path out = profilesPath().parent_path() / (profilesPath().filename().string() + "-site");
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"import", {"import", "Demo", "Orientation/", photo}},
      {"list", {"list", "Demo", "Orientation/"}},
      {"derive", {"derive", "Demo"}},
      {"verify", {"--yes", "verify", "Demo"}},
      {"site", {"site", "Demo", "--out", out.string()}},
  };
  for (const Case& c : cases) {
    fs::remove_all(profilesPath() / "Demo");
    ASSERT_EQ(Run({"demo", "Demo"}).exitCode, 0);
    const fs::path profile = profilesPath() / "Demo";
    IniFile ini(profile / "Profile.ini");
    ASSERT_TRUE(ini.WriteInt("Remote", "PHP", 0));
    ASSERT_TRUE(ini.WriteInt("Security", "AccessSecurity", 1));
    fs::create_directories(profile / "ImageTree" / "Orientation");
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.err;
    EXPECT_EQ(PhpFiles(profile / "albsite"), std::vector<std::string>{}) << c.name;
    if (fs::exists(out)) {
      EXPECT_EQ(PhpFiles(out), std::vector<std::string>{}) << c.name;
    }
  }
  fs::remove_all(out);
}

}  // namespace
}  // namespace albumsmith::test
