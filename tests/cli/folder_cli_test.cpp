// The "folder" commands of albumsmith-cli, run as a separate process.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

class FolderCliTest : public CliTest {
 protected:
  // A profile "Holiday" with these folders below ImageTree (and their derived directories).
  void MakeAlbum(std::initializer_list<const char*> folders) {
    MakeProfile("Holiday");
    for (const char* f : folders)
      for (const char* root : {"ImageTree", "albsite/s", "albsite/m"}) fs::create_directories(Dir() / root / f);
  }
  fs::path Dir() const { return profilesPath() / "Holiday"; }
  fs::path Image(const std::string& rel) const { return Dir() / "ImageTree" / rel; }
  std::string Remdir() const { return ReadText(Dir() / "remdir.dat"); }
  std::string List() {
    const CliResult r = Run({"folder", "list", "Holiday"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }
};

TEST_F(FolderCliTest, ListShowsIdDepthAndPathInAlbumOrder) {
  MakeAlbum({"Travel/2004", "Family"});

  const CliResult r = Run({"folder", "list", "holiday"});  // any letter case finds the profile

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "1 1 Family/\n2 1 Travel/\n3 2 Travel/2004/\n");
  EXPECT_EQ(Remdir(), "1 1 Family\r\n2 1 Travel\r\n3 2 2004\r\n");

  // Folders made and removed outside the program are taken in.
  fs::remove(Image("Family"));
  fs::create_directories(Image("Travel/2005/Rome"));
  EXPECT_EQ(List(), "2 1 Travel/\n3 2 Travel/2004/\n1 2 Travel/2005/\n4 3 Travel/2005/Rome/\n");
}

TEST_F(FolderCliTest, CommandsChangeTheDiskAndTheOrder) {
  MakeAlbum({"A/sub", "B"});
  struct Step {
    std::vector<std::string> args;
    std::string list;  // `folder list` afterwards
  };
  const Step steps[] = {
      {{"folder", "add", "Holiday", "C/deep/"}, "1 1 A/\n2 2 A/sub/\n3 1 B/\n4 1 C/\n5 2 C/deep/\n"},
      {{"folder", "before", "Holiday", "C"}, "1 1 A/\n2 2 A/sub/\n4 1 C/\n5 2 C/deep/\n3 1 B/\n"},
      {{"folder", "after", "Holiday", "A/"}, "4 1 C/\n5 2 C/deep/\n1 1 A/\n2 2 A/sub/\n3 1 B/\n"},
      {{"folder", "rename", "Holiday", "C/", "Sea"}, "4 1 Sea/\n5 2 Sea/deep/\n1 1 A/\n2 2 A/sub/\n3 1 B/\n"},
      {{"--yes", "folder", "move", "Holiday", "A/sub/", "B/"}, "4 1 Sea/\n5 2 Sea/deep/\n1 1 A/\n3 1 B/\n2 2 B/sub/\n"},
      // The top level is reconciled first: "deep" comes in there while its old
      // entry still holds id 5.
      {{"--yes", "folder", "move", "Holiday", "Sea/deep", "/"}, "4 1 Sea/\n1 1 A/\n3 1 B/\n2 2 B/sub/\n6 1 deep/\n"},
      {{"--yes", "folder", "delete", "Holiday", "A/"}, "4 1 Sea/\n3 1 B/\n2 2 B/sub/\n6 1 deep/\n"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(Join(s.args, " "));
    const CliResult r = Run(s.args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(List(), s.list);
  }
  for (const char* gone : {"A", "C", "Sea/deep"}) EXPECT_FALSE(fs::exists(Image(gone))) << gone;
  for (const char* there : {"Sea", "B/sub", "deep"}) EXPECT_TRUE(fs::is_directory(Image(there))) << there;
  EXPECT_TRUE(fs::is_directory(Dir() / "albsite/m/Sea"));
  EXPECT_TRUE(fs::is_directory(Dir() / "albsite/s/B/sub"));
}

TEST_F(FolderCliTest, FailuresGiveOneLineAndChangeNothing) {
  MakeAlbum({"A/sub", "B"});
  const std::string before = List();
  const std::string remdir = Remdir();
  struct Case {
    std::vector<std::string> args;
    std::string reason;  // part of the last line of stderr
  };
  const Case cases[] = {
      {{"folder", "list", "Nobody"}, "no profile named Nobody"},
      {{"folder", "rename", "Holiday", "Missing/", "X"}, "no folder Missing/ in profile Holiday"},
      {{"folder", "rename", "Holiday", "A/", "x/y"}, "The folder name \"x/y\" cannot be used"},
      {{"folder", "rename", "Holiday", "A/", ".."}, "The folder name \"..\" cannot be used"},
      {{"folder", "rename", "Holiday", "A/", "B"}, "Cannot rename folder. Name already exists."},
      {{"folder", "rename", "Holiday", "/", "Top"}, "the top level of the profile"},
      {{"folder", "add", "Holiday", "../outside"}, "The folder name \"..\" cannot be used"},
      {{"folder", "add", "Holiday", "B/"}, "Name already exists."},
      {{"folder", "before", "Holiday", "A"}, "A is already the first of its folder"},
      {{"folder", "after", "Holiday", "B"}, "B is already the last of its folder"},
      {{"--yes", "folder", "move", "Holiday", "A/sub", "A/"}, "Cannot move a folder to itself"},
      {{"--yes", "folder", "move", "Holiday", "A/", "A/sub/"}, "Cannot move a parent folder"},
      {{"--yes", "folder", "delete", "Holiday", ""}, "the top level of the profile"},
      // Without --yes and without a terminal the question is answered Cancel.
      {{"folder", "delete", "Holiday", "B"}, "folder not deleted (question answered Cancel)"},
      {{"--no", "folder", "move", "Holiday", "B", "A"}, "folder not moved (question answered Cancel)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Join(c.args, " "));
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_TRUE(StartsWith(r.LastErrorLine(), "albumsmith-cli: ")) << r.err;
    EXPECT_NE(r.LastErrorLine().find(c.reason), std::string::npos) << r.err;
    EXPECT_EQ(Remdir(), remdir);
  }
  EXPECT_EQ(List(), before);
  EXPECT_FALSE(fs::exists(profilesPath() / "outside"));
  EXPECT_FALSE(fs::exists(Dir() / "outside"));

  const CliResult usage = Run({"folder", "rename", "Holiday", "A/"});
  EXPECT_EQ(usage.exitCode, 2);  // usage error
  EXPECT_NE(usage.err.find("folder rename PROFILE PATH NEWNAME"), std::string::npos) << usage.err;
}

}  // namespace
}  // namespace albumsmith::test
