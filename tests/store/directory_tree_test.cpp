#include "store/directory_tree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

// The tree as remdir.dat would hold it, with LF line ends, for short expectations.
std::string Lines(const CDirectoryTree& tree) {
  std::string text;
  for (const auto& e : tree.List())
    text += std::to_string(e.id) + " " + std::to_string(e.depth) + " " + e.relativePath + "\n";
  return text;
}

std::vector<std::string> Names(const std::vector<FolderChild>& children) {
  std::vector<std::string> names;
  for (const FolderChild& c : children) names.push_back(c.name);
  return names;
}

// ---------------------------------------------------------------------------
// Ids and sibling order in memory

TEST(DirectoryTreeTest, NewFoldersTakeTheSmallestFreeId) {
  CDirectoryTree tree;
  for (const char* path : {"A/", "B/", "C/", "D/"}) ASSERT_NE(tree.AddPath(path), nullptr);
  EXPECT_EQ(Lines(tree), "1 1 A/\n2 1 B/\n3 1 C/\n4 1 D/\n");

  ASSERT_TRUE(tree.RemovePath("B"));
  ASSERT_TRUE(tree.RemovePath("D/"));
  EXPECT_FALSE(tree.IsTaken(2));
  EXPECT_EQ(tree.AddPath("E")->id(), 2);
  EXPECT_EQ(tree.AddPath("F")->id(), 4);
  EXPECT_EQ(tree.AddPath("G")->id(), 5);
  // New folders go last among their siblings whatever their id.
  EXPECT_EQ(tree.ChildNames(tree.root()), (std::vector<std::string>{"A", "C", "E", "F", "G"}));
}

TEST(DirectoryTreeTest, RemovingABranchFreesEveryIdInIt) {
  CDirectoryTree tree;
  tree.AddPath("Travel/2004/Rome/");  // 1 2 3
  tree.AddPath("Family/");            // 4
  ASSERT_TRUE(tree.RemovePath("Travel/"));
  for (int id : {1, 2, 3}) EXPECT_FALSE(tree.IsTaken(id)) << id;
  EXPECT_TRUE(tree.IsTaken(4));
  EXPECT_FALSE(tree.RemovePath(""));  // the root stays
  EXPECT_FALSE(tree.RemovePath("Nowhere/"));
}

TEST(DirectoryTreeTest, IdTableGrowsPastTheHighestTakenId) {
  CDirectoryTree tree;
  EXPECT_TRUE(tree.AddElement(25));
  EXPECT_EQ(tree.NewElement(), 1);
  for (int i = 2; i <= 24; ++i) tree.AddElement(i);
  EXPECT_EQ(tree.NewElement(), 26);
  tree.ReleaseElement(7);
  EXPECT_EQ(tree.NewElement(), 7);
  EXPECT_FALSE(tree.AddElement(0));
  EXPECT_FALSE(tree.AddElement(-3));
  EXPECT_FALSE(tree.AddElement(CDirectoryTree::kMaxId + 1));
}

TEST(DirectoryTreeTest, AddPathMakesMissingLevelsAndRefusesBadNames) {
  CDirectoryTree tree;
  const CDirectoryTree::Node* rome = tree.AddPath("Travel/2004/Rome/");
  ASSERT_NE(rome, nullptr);
  EXPECT_EQ(CDirectoryTree::RelativePath(rome), "Travel/2004/Rome/");
  EXPECT_EQ(tree.AddPath("Travel/2004"), rome->parent());  // existing levels are found, not doubled
  EXPECT_EQ(tree.FindPath(""), tree.root());

  for (const char* bad : {"Travel/../x", "Travel/./x", "a\nb", "tab\there", "del\x7f"}) {
    EXPECT_EQ(tree.AddPath(bad), nullptr) << bad;
    EXPECT_EQ(tree.FindPath(bad), nullptr) << bad;
  }
  EXPECT_EQ(Lines(tree), "1 1 Travel/\n2 2 Travel/2004/\n3 3 Travel/2004/Rome/\n");
}

TEST(DirectoryTreeTest, RenamePathKeepsIdAndPlace) {
  CDirectoryTree tree;
  for (const char* p : {"A/x/", "B/", "C/"}) tree.AddPath(p);

  ASSERT_TRUE(tree.RenamePath("B/", "Bee/"));
  EXPECT_EQ(Lines(tree), "1 1 A/\n2 2 A/x/\n3 1 Bee/\n4 1 C/\n");

  // Into another parent: last child there, subfolders follow.
  ASSERT_TRUE(tree.RenamePath("A/", "C/A2/"));
  EXPECT_EQ(Lines(tree), "3 1 Bee/\n4 1 C/\n1 2 C/A2/\n2 3 C/A2/x/\n");

  EXPECT_FALSE(tree.RenamePath("Bee/", "C/"));        // taken
  EXPECT_FALSE(tree.RenamePath("C/", "C/A2/x/C/"));   // into itself
  EXPECT_FALSE(tree.RenamePath("Bee/", "b/a/d\r/"));  // bad name
  EXPECT_FALSE(tree.RenamePath("", "Root/"));
  EXPECT_FALSE(tree.RenamePath("Missing/", "M/"));
  EXPECT_EQ(Lines(tree), "3 1 Bee/\n4 1 C/\n1 2 C/A2/\n2 3 C/A2/x/\n");
}

// ---------------------------------------------------------------------------
// remdir.dat

TEST(DirectoryTreeFileTest, SavedInPreOrderWithCrLf) {
  test::TempDir dir;
  CDirectoryTree tree;
  tree.AddPath("Travel/2004/");
  tree.AddPath("Family/");
  tree.AddPath("Travel/2005/");
  const std::string file = dir.str() + "remdir.dat";
  ASSERT_TRUE(tree.Save(file));
  EXPECT_EQ(ReadText(file), "1 1 Travel\r\n2 2 2004\r\n4 2 2005\r\n3 1 Family\r\n");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

  CDirectoryTree again;
  ASSERT_TRUE(again.LoadFrom(file));
  EXPECT_EQ(Lines(again), Lines(tree));
  EXPECT_EQ(again.NewElement(), 5);
}

TEST(DirectoryTreeFileTest, SavingIntoAMissingFolderFails) {
  test::TempDir dir;
  CDirectoryTree tree;
  tree.AddPath("A");
  EXPECT_FALSE(tree.Save(dir.str() + "missing/remdir.dat"));
  EXPECT_FALSE(tree.LoadFrom(dir.str() + "missing/remdir.dat"));
  EXPECT_EQ(Lines(tree), "");
}

TEST(DirectoryTreeFileTest, MoveBeforeAndAfterSurviveSaveAndReload) {
  test::TempDir dir;
  const std::string file = dir.str() + "remdir.dat";
  CDirectoryTree tree;
  for (const char* p : {"A/", "B/", "B/inner/", "C/"}) tree.AddPath(p);

  EXPECT_TRUE(tree.MoveBefore(tree.FindPath("B")));
  EXPECT_TRUE(tree.MoveAfter(tree.FindPath("A")));
  EXPECT_FALSE(tree.MoveBefore(tree.FindPath("B")));  // already first
  EXPECT_FALSE(tree.MoveAfter(tree.FindPath("A")));   // already last
  EXPECT_FALSE(tree.MoveBefore(tree.FindPath("B/inner")));
  EXPECT_FALSE(tree.MoveAfter(tree.root()));
  ASSERT_TRUE(tree.Save(file));

  CDirectoryTree reloaded;
  ASSERT_TRUE(reloaded.LoadFrom(file));
  EXPECT_EQ(Lines(reloaded), "2 1 B/\n3 2 B/inner/\n4 1 C/\n1 1 A/\n");
  const CDirectoryTree::Node* c = reloaded.FindPath("C/");
  EXPECT_EQ(c->prevSibling()->name(), "B");
  EXPECT_EQ(c->nextSibling()->name(), "A");
}

TEST(DirectoryTreeFileTest, ReadsLinesTheWayTheScanPatternDoes) {
  CDirectoryTree tree;
  // LF or CR LF; blanks before the name are skipped, blanks after it kept.
  tree.FromText("1 1 Travel\n  2   2    2004 \r\n\r\n3 1 Family");
  EXPECT_EQ(tree.ChildNames(tree.root()), (std::vector<std::string>{"Travel", "Family"}));
  EXPECT_NE(tree.FindPath("Travel/2004 /"), nullptr);
  EXPECT_EQ(tree.NewElement(), 4);
}

TEST(DirectoryTreeFileTest, DamagedLinesAreSkippedWithTheFoldersBelowThem) {
  struct Case {
    const char* what;
    const char* text;
    const char* tree;
  };
  const Case cases[] = {
      {"zero id", "1 1 A\n0 1 B\n3 2 Bchild\n4 1 C\n", "1 1 A/\n4 1 C/\n"},
      {"negative id", "-2 1 B\n3 2 Bchild\n4 1 C\n", "4 1 C/\n"},
      {"duplicate id", "1 1 A\n1 1 B\n3 2 Bchild\n", "1 1 A/\n"},
      {"id too large for the table", "2147483647 1 Big\n2 1 Small\n", "2 1 Small/\n"},
      {"id beyond int", "99999999999 1 Big\n2 1 Small\n", "2 1 Small/\n"},
      {"depth skips a level", "1 1 A\n2 3 Deep\n3 4 Deeper\n4 2 Child\n", "1 1 A/\n4 2 A/Child/\n"},
      {"huge depth", "1 1 A\n2 2147483647 Far\n3 2 Child\n", "1 1 A/\n3 2 A/Child/\n"},
      {"zero depth", "1 1 A\n2 0 Zero\n3 2 Child\n", "1 1 A/\n3 2 A/Child/\n"},
      {"first line deeper than 1", "1 2 Orphan\n2 1 A\n", "2 1 A/\n"},
      {"missing name", "1 1 A\n2 2\n3 3 Below\n4 2 Kept\n", "1 1 A/\n4 2 A/Kept/\n"},
      {"not a number", "x y z\n1 1 A\n", "1 1 A/\n"},
      {"name \"..\"", "1 1 ..\n2 2 Etc\n3 1 A\n", "3 1 A/\n"},
      {"name \".\"", "1 1 .\n2 1 A\n", "2 1 A/\n"},
      {"name with \"/\"", "1 1 a/b\n2 1 A\n", "2 1 A/\n"},
      {"name with a control character", "1 1 a\tb\n2 1 A\n", "2 1 A/\n"},
      {"name twice among siblings", "1 1 A\n2 1 A\n3 2 Under\n", "1 1 A/\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CDirectoryTree tree;
    tree.FromText(c.text);
    EXPECT_EQ(Lines(tree), c.tree);
    // Only the ids of folders kept are taken.
    for (const auto& e : tree.List()) EXPECT_TRUE(tree.IsTaken(e.id));
  }
}

TEST(DirectoryTreeFileTest, AVeryDeepFileStopsAtTheDepthLimit) {
  std::string text;
  const int lines = CDirectoryTree::kMaxDepth + 50;
  for (int depth = 1; depth <= lines; ++depth) text += std::to_string(depth) + " " + std::to_string(depth) + " d\n";
  CDirectoryTree tree;
  tree.FromText(text);
  const auto entries = tree.List();
  ASSERT_EQ(entries.size(), static_cast<size_t>(CDirectoryTree::kMaxDepth));
  EXPECT_EQ(entries.back().depth, CDirectoryTree::kMaxDepth);
}

// A profile of 200,000 folders side by side once took minutes to open, each
// line being checked against every sibling read before it. Reading is linear
// now: well under a second here, so the bound below only catches a return of
// the quadratic reading, not a slow machine.
TEST(DirectoryTreeFileTest, ManySiblingsReadInLinearTime) {
  constexpr int kFolders = 200000;
  std::string text;
  for (int id = kFolders; id >= 1; --id) text += std::to_string(id) + " 1 f" + std::to_string(id) + "\r\n";
  text += "7 2 below\r\n";       // id taken: skipped
  text += "200002 2 below\r\n";  // under the last folder read
  text += "200001 1 f5\r\n";     // name taken among the siblings: skipped
  CDirectoryTree tree;
  const auto start = std::chrono::steady_clock::now();
  tree.FromText(text);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::seconds(20));

  const auto entries = tree.List();
  ASSERT_EQ(entries.size(), static_cast<size_t>(kFolders) + 1);
  EXPECT_EQ(entries.front().name, "f200000");
  EXPECT_EQ(entries[kFolders - 1].name, "f1");
  EXPECT_EQ(entries.back().relativePath, "f1/below/");
  EXPECT_EQ(tree.NewElement(), kFolders + 1);
}

// ---------------------------------------------------------------------------
// Reconciliation with the disk

class DirectoryTreeDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::Environment::prompter().Clear();
    fs::create_directories(dir_.path() / "ImageTree");
  }
  std::string profileDir() const { return dir_.str(); }
  fs::path imageTree() const { return dir_.path() / "ImageTree"; }
  fs::path remdir() const { return dir_.path() / "remdir.dat"; }
  void MakeDirs(std::initializer_list<const char*> paths) {
    for (const char* p : paths) fs::create_directories(imageTree() / p);
  }

  test::TempDir dir_;
};

TEST_F(DirectoryTreeDiskTest, WithoutRemdirFoldersAreNumberedInPreOrderAndSavedAtOnce) {
  MakeDirs({"zeta/b", "Alpha/y", "Alpha/x/deep", "beta"});
  CDirectoryTree tree;
  const auto top = LoadTree(tree, profileDir());

  EXPECT_EQ(Names(top), (std::vector<std::string>{"Alpha", "beta", "zeta"}));
  EXPECT_EQ(ReadText(remdir()), "1 1 Alpha\r\n2 2 x\r\n3 3 deep\r\n4 2 y\r\n5 1 beta\r\n6 1 zeta\r\n7 2 b\r\n");
  ASSERT_EQ(top.size(), 3u);
  EXPECT_EQ(top[0].relativePath, "Alpha/");
  EXPECT_TRUE(top[0].hasSubfolders);
  EXPECT_FALSE(top[1].hasSubfolders);
}

TEST_F(DirectoryTreeDiskTest, TheFileOrderWinsOverTheDisk) {
  MakeDirs({"A", "B", "C"});
  WriteText(remdir(), "3 1 C\r\n1 1 A\r\n2 1 B\r\n");
  CDirectoryTree tree;
  const auto top = LoadTree(tree, profileDir());
  EXPECT_EQ(Names(top), (std::vector<std::string>{"C", "A", "B"}));
  EXPECT_EQ(top[0].id, 3);
  EXPECT_EQ(ReadText(remdir()), "3 1 C\r\n1 1 A\r\n2 1 B\r\n");  // unchanged: not rewritten
}

TEST_F(DirectoryTreeDiskTest, FoldersAddedAndRemovedOutsideAreReconciled) {
  MakeDirs({"A", "B", "C"});
  CDirectoryTree tree;
  LoadTree(tree, profileDir());
  ASSERT_TRUE(tree.MoveBefore(tree.FindPath("C")));
  ASSERT_TRUE(tree.MoveBefore(tree.FindPath("C")));  // C A B: the user's order
  ASSERT_TRUE(tree.Save(remdir().string()));

  fs::remove(imageTree() / "B");
  MakeDirs({"New", "Another"});
  CDirectoryTree reopened;
  const auto top = LoadTree(reopened, profileDir());

  // B's id 2 is free again; new folders follow the kept ones, in name order.
  EXPECT_EQ(Names(top), (std::vector<std::string>{"C", "A", "Another", "New"}));
  EXPECT_EQ(ReadText(remdir()), "3 1 C\r\n1 1 A\r\n2 1 Another\r\n4 1 New\r\n");
}

TEST_F(DirectoryTreeDiskTest, ExpandingAFolderReconcilesOnlyItsChildren) {
  MakeDirs({"A/one", "A/two", "B/kept"});
  CDirectoryTree tree;
  LoadTree(tree, profileDir());
  fs::remove(imageTree() / "A/one");
  fs::remove(imageTree() / "B/kept");
  MakeDirs({"A/three/sub"});

  const auto children = ExpandFolder(tree, tree.FindPath("A/"), profileDir());
  ASSERT_EQ(Names(children), (std::vector<std::string>{"two", "three"}));
  EXPECT_EQ(children[1].id, 2);  // the freed id of "one"
  EXPECT_EQ(children[1].relativePath, "A/three/");
  EXPECT_TRUE(children[1].hasSubfolders);
  EXPECT_NE(tree.FindPath("B/kept/"), nullptr);  // B was not expanded

  ExpandAll(tree, profileDir());
  EXPECT_EQ(Lines(tree), "1 1 A/\n3 2 A/two/\n2 2 A/three/\n6 3 A/three/sub/\n4 1 B/\n");
  EXPECT_EQ(ReadText(remdir()), "1 1 A\r\n3 2 two\r\n2 2 three\r\n6 3 sub\r\n4 1 B\r\n");
}

TEST_F(DirectoryTreeDiskTest, AnUnreadableFolderKeepsItsChildren) {
  MakeDirs({"A/one", "A/two"});
  CDirectoryTree tree;
  LoadTree(tree, profileDir());
  const std::string before = ReadText(remdir());

  // A file where the folder's directory should be: it cannot be listed.
  fs::remove_all(imageTree() / "A");
  WriteText(imageTree() / "A", "not a directory");
  EXPECT_TRUE(ExpandFolder(tree, tree.FindPath("A"), profileDir()).empty());
  EXPECT_EQ(Lines(tree), "1 1 A/\n2 2 A/one/\n3 2 A/two/\n");
  EXPECT_EQ(ReadText(remdir()), before);
}

TEST_F(DirectoryTreeDiskTest, DirectoriesWithUnusableNamesAreNotTaken) {
  MakeDirs({"Good", "bad\nname", "tab\tname"});
  WriteText(imageTree() / "file.jpg", "");  // files are not folders
  CDirectoryTree tree;
  EXPECT_EQ(Names(LoadTree(tree, profileDir())), std::vector<std::string>{"Good"});
  EXPECT_EQ(ReadText(remdir()), "1 1 Good\r\n");
}

TEST_F(DirectoryTreeDiskTest, ExpandToFindsAFolderMadeOnDisk) {
  MakeDirs({"A"});
  CDirectoryTree tree;
  LoadTree(tree, profileDir());
  MakeDirs({"A/b/c"});
  const CDirectoryTree::Node* c = ExpandTo(tree, "A/b/c/", profileDir());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(CDirectoryTree::RelativePath(c), "A/b/c/");
  EXPECT_EQ(ExpandTo(tree, "A/missing/", profileDir()), nullptr);
}

TEST_F(DirectoryTreeDiskTest, AnUnwritableRemdirIsReported) {
  MakeDirs({"A"});
  fs::create_directories(remdir());  // a directory where the file goes: no rename over it
  CDirectoryTree tree;
  tree.AddPath("A");
  EXPECT_FALSE(SaveTreeReported(tree, profileDir()));
  const auto texts = test::Environment::prompter().texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].starts_with("Cannot write " + remdir().string() + "\r\n\r\n")) << texts[0];
}

}  // namespace
}  // namespace albumsmith
