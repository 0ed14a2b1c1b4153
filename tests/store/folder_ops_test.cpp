#include "store/folder_ops.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/window_sink.h"
#include "store/profiles.h"
#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }
// A moved folder's new path, nothing when the move failed.
std::optional<std::string> NewPath(const Result<std::string>& moved) {
  return moved ? std::optional<std::string>(*moved) : std::nullopt;
}

// A profile "Holiday" whose folders each have their albsite/s and albsite/m
// directories, opened as the tree pane opens it.
class FolderOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Prompts().Clear();
    // The rename trace goes to the user's cache folder: keep it in the test's.
    if (const char* old = std::getenv("XDG_CACHE_HOME")) oldCache_ = old;
    ::setenv("XDG_CACHE_HOME", cache_.path().c_str(), 1);
    profile_ = NewProfileSettings("Holiday");
    ASSERT_TRUE(CreateProfile(profiles_.str(), profile_));
  }
  void TearDown() override {
    if (oldCache_) {
      ::setenv("XDG_CACHE_HOME", oldCache_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CACHE_HOME");
    }
  }

  void Open(std::initializer_list<const char*> folders) {
    for (const char* f : folders)
      for (const fs::path& root : {Image(""), Thumbs(""), Mediums("")}) fs::create_directories(root / f);
    folders_.Load(profiles_.str(), profile_);
    folders_.ExpandAll();
    Prompts().Clear();
  }

  fs::path ProfileDir() const { return profiles_.path() / "Holiday"; }
  fs::path Image(const std::string& rel) const { return ProfileDir() / "ImageTree" / rel; }
  fs::path Thumbs(const std::string& rel) const { return ProfileDir() / "albsite/s" / rel; }
  fs::path Mediums(const std::string& rel) const { return ProfileDir() / "albsite/m" / rel; }
  std::string Remdir() const { return ReadText(ProfileDir() / "remdir.dat"); }
  std::string Trace() const { return ReadText(cache_.path() / "albumsmith/albumsmith.dbg"); }

  // The tree as "id depth path" lines.
  std::string Lines() const {
    std::string text;
    for (const auto& e : folders_.tree().List())
      text += std::to_string(e.id) + " " + std::to_string(e.depth) + " " + e.relativePath + "\n";
    return text;
  }
  static std::vector<std::string> Texts() { return Prompts().texts(); }

  test::TempDir profiles_;
  test::TempDir cache_;
  std::optional<std::string> oldCache_;
  ProfileSettings profile_;
  FolderTree folders_;
};

// ---------------------------------------------------------------------------
// New and add

TEST_F(FolderOpsTest, NewFolderTakesTheFirstFreeName) {
  Open({"A"});
  WriteText(Image("A/New folder"), "a file takes the name as well");

  EXPECT_EQ(NewFolder(folders_, ""), "New folder/");
  EXPECT_EQ(NewFolder(folders_, ""), "New folder_1/");
  EXPECT_EQ(NewFolder(folders_, "A/"), "A/New folder_1/");
  EXPECT_EQ(NewFolder(folders_, "Missing/"), std::nullopt);

  for (const char* rel : {"New folder", "New folder_1", "A/New folder_1"}) {
    EXPECT_TRUE(fs::is_directory(Image(rel))) << rel;
    EXPECT_TRUE(fs::is_directory(Thumbs(rel))) << rel;
    EXPECT_TRUE(fs::is_directory(Mediums(rel))) << rel;
  }
  EXPECT_EQ(Lines(), "1 1 A/\n4 2 A/New folder_1/\n2 1 New folder/\n3 1 New folder_1/\n");
  EXPECT_EQ(Remdir(), "1 1 A\r\n4 2 New folder_1\r\n2 1 New folder\r\n3 1 New folder_1\r\n");
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FolderOpsTest, AddFolderMakesMissingLevelsAndRefusesExistingNames) {
  Open({"A"});
  ASSERT_TRUE(AddFolder(folders_, "Travel/2004/"));
  EXPECT_TRUE(fs::is_directory(Image("Travel/2004")));
  EXPECT_TRUE(fs::is_directory(Thumbs("Travel/2004")));
  EXPECT_TRUE(fs::is_directory(Mediums("Travel/2004")));
  EXPECT_EQ(Remdir(), "1 1 A\r\n2 1 Travel\r\n3 2 2004\r\n");

  WriteText(Image("notes"), "");
  for (const char* taken : {"A", "Travel/2004", "notes"}) {
    Prompts().Clear();
    EXPECT_FALSE(AddFolder(folders_, taken)) << taken;
    ASSERT_EQ(Texts().size(), 1u) << taken;
    EXPECT_EQ(Texts()[0], "Cannot create folder " + Image(taken).string() + ". Name already exists.");
  }
  EXPECT_EQ(Remdir(), "1 1 A\r\n2 1 Travel\r\n3 2 2004\r\n");
}

TEST_F(FolderOpsTest, NamesThatWouldPutAFolderElsewhereAreRefused) {
  Open({"A", "B"});
  const std::string before = Remdir();
  const std::string rule =
      "\" cannot be used: a folder name cannot be empty, contain \"/\", \"\\\" or control characters, "
      "nor be \".\" or \"..\"";
  for (const char* name : {"", ".", "..", "x/y", "../B", "line\nbreak", "cr\r", "tab\t", "del\x7f"}) {
    SCOPED_TRACE(name);
    Prompts().Clear();
    EXPECT_EQ(RenameFolder(folders_, "A/", name), RenameResult::kEditAgain);
    EXPECT_EQ(Texts(), std::vector<std::string>{"The folder name \"" + std::string(name) + rule});
  }
  // Added paths are checked name by name.
  for (const char* path : {"A//z", "A/./z", "A/../z", "../outside", "A/line\nbreak", "A/tab\t/z"}) {
    SCOPED_TRACE(path);
    Prompts().Clear();
    EXPECT_FALSE(AddFolder(folders_, path));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Texts()[0].starts_with("The folder name \"")) << Texts()[0];
  }
  EXPECT_EQ(fs::directory_iterator(Image("A")), fs::directory_iterator());
  EXPECT_TRUE(fs::is_directory(Image("A")));
  EXPECT_TRUE(fs::is_directory(Image("B")));
  EXPECT_FALSE(fs::exists(Image("x")));
  EXPECT_FALSE(fs::exists(Image("../outside")));
  EXPECT_EQ(Remdir(), before);
}

// ---------------------------------------------------------------------------
// Rename

TEST_F(FolderOpsTest, RenameMovesTheThreeDirectoriesAndKeepsIdAndPlace) {
  Open({"A", "B/inner", "C"});
  WriteText(Image("B/photo.jpg"), "jpeg");
  RecordingWindowSink sink;

  ASSERT_EQ(RenameFolder(folders_, "B/", "Bee", &sink), RenameResult::kRenamed);

  for (const fs::path& root : {Image(""), Thumbs(""), Mediums("")}) {
    EXPECT_FALSE(fs::exists(root / "B")) << root;
    EXPECT_TRUE(fs::is_directory(root / "Bee/inner")) << root;
  }
  EXPECT_EQ(ReadText(Image("Bee/photo.jpg")), "jpeg");
  EXPECT_EQ(Remdir(), "1 1 A\r\n2 1 Bee\r\n3 2 inner\r\n4 1 C\r\n");
  const auto posted = sink.posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(std::get<RecordingWindowSink::ShowFolder>(posted[0]).path, Image("Bee").string() + "/");

  const std::string image = Image("").string(), m = Mediums("").string(), s = Thumbs("").string();
  EXPECT_EQ(Trace(), "Move : " + image + "B to " + image + "Bee\nMove : OK\n" +  //
                         "Move : " + m + "B to " + m + "Bee\nMove : OK\n" +      //
                         "Move : " + s + "B to " + s + "Bee\nMove : OK\n");
  // Each rename starts a new trace.
  ASSERT_EQ(RenameFolder(folders_, "C", "Sea"), RenameResult::kRenamed);
  EXPECT_TRUE(Trace().starts_with("Move : " + image + "C to " + image + "Sea\n")) << Trace();
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FolderOpsTest, RenameOntoAnExistingNameAsksForAnotherName) {
  Open({"A", "Empty"});
  WriteText(Image("file"), "");
  const std::string before = Remdir();
  // "Empty" is an empty directory: a plain rename would silently replace it.
  for (const char* taken : {"Empty", "file"}) {
    Prompts().Clear();
    EXPECT_EQ(RenameFolder(folders_, "A/", taken), RenameResult::kEditAgain) << taken;
    EXPECT_EQ(Texts(), std::vector<std::string>{"Cannot rename folder. Name already exists."});
    EXPECT_TRUE(fs::is_directory(Image("A")));
    EXPECT_TRUE(fs::is_directory(Mediums("A")));
  }
  EXPECT_TRUE(fs::is_directory(Image("Empty")));
  EXPECT_EQ(Remdir(), before);
  EXPECT_EQ(RenameFolder(folders_, "", "Root"), RenameResult::kFailed);
  EXPECT_EQ(RenameFolder(folders_, "Missing/", "M"), RenameResult::kFailed);
}

TEST_F(FolderOpsTest, AFailedDerivedMoveIsUndone) {
  enum class Break { kThumbsMissing, kMediumsMissing, kThumbsNameTaken };
  struct Case {
    const char* folder;
    Break breakage;
    int error;
  };
  const Case cases[] = {
      {"S-missing", Break::kThumbsMissing, ENOENT},
      {"M-missing", Break::kMediumsMissing, ENOENT},
      {"S-taken", Break::kThumbsNameTaken, EEXIST},
  };
  Open({"S-missing", "M-missing", "S-taken"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    Prompts().Clear();
    const std::string from = c.folder, to = std::string(c.folder) + "-renamed";
    switch (c.breakage) {
      case Break::kThumbsMissing:
        fs::remove(Thumbs(from));
        break;
      case Break::kMediumsMissing:
        fs::remove(Mediums(from));
        break;
      case Break::kThumbsNameTaken:
        WriteText(Thumbs(to), "in the way");
        break;
    }
    const std::string before = Remdir();

    EXPECT_EQ(RenameFolder(folders_, from, to), RenameResult::kFailed);

    const bool mediumsFailed = c.breakage == Break::kMediumsMissing;
    const fs::path failed = mediumsFailed ? Mediums("") : Thumbs("");
    EXPECT_EQ(Texts(), std::vector<std::string>{"Cannot rename " + (failed / from).string() + " to " +
                                                (failed / to).string() + "\r\n\r\n" + SystemErrorText(c.error)});
    EXPECT_TRUE(fs::is_directory(Image(from)));
    EXPECT_FALSE(fs::exists(Image(to)));
    EXPECT_EQ(fs::is_directory(Mediums(from)), !mediumsFailed);
    EXPECT_FALSE(fs::exists(Mediums(to)));
    EXPECT_TRUE(Trace().ends_with("Move : ERROR " + std::to_string(c.error) + "\n")) << Trace();
    EXPECT_EQ(Remdir(), before);
    EXPECT_NE(folders_.tree().FindPath(from), nullptr);
  }
  EXPECT_EQ(ReadText(Thumbs("S-taken-renamed")), "in the way");
}

// ---------------------------------------------------------------------------
// Delete

TEST_F(FolderOpsTest, DeleteAsksThenRemovesTheImageFolderOnly) {
  Open({"A", "B/inner", "C"});
  WriteText(Image("B/photo.jpg"), "");

  Prompts().Queue(Answer::Cancel);
  EXPECT_EQ(DeleteFolder(folders_, "B/").code(), StatusCode::kCancelled);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Delete folder \"B\""});
  EXPECT_TRUE(fs::exists(Image("B/photo.jpg")));

  Prompts().Clear();
  ASSERT_TRUE(DeleteFolder(folders_, "B/"));
  EXPECT_FALSE(fs::exists(Image("B")));
  EXPECT_TRUE(fs::is_directory(Thumbs("B/inner")));  // left for synchronisation and verification
  EXPECT_TRUE(fs::is_directory(Mediums("B/inner")));
  EXPECT_EQ(Remdir(), "1 1 A\r\n4 1 C\r\n");
  EXPECT_EQ(folders_.tree().NewElement(), 2);

  Prompts().Clear();
  EXPECT_FALSE(DeleteFolder(folders_, ""));  // never the whole ImageTree
  EXPECT_TRUE(Texts().empty());
  EXPECT_TRUE(fs::is_directory(Image("A")));
}

// ---------------------------------------------------------------------------
// Move

TEST_F(FolderOpsTest, MovesThatCannotWorkAreRefusedBeforeAsking) {
  Open({"A/sub/deep", "B"});
  struct Case {
    const char* source;
    const char* target;
    std::string text;
  };
  const Case cases[] = {
      {"A/sub/", "A/", "Cannot move a folder to itself"},  // its own parent
      {"B/", "", "Cannot move a folder to itself"},       {"A/", "A/", "Cannot move a folder to itself"},
      {"A/", "A/sub/", "Cannot move a parent folder"},    {"A/", "A/sub/deep/", "Cannot move a parent folder"},
  };
  const std::string before = Remdir();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " -> " + c.target);
    Prompts().Clear();
    EXPECT_FALSE(MoveFolder(folders_, c.source, c.target));
    EXPECT_EQ(Texts(), std::vector<std::string>{c.text});
  }
  EXPECT_TRUE(fs::is_directory(Image("A/sub/deep")));
  EXPECT_EQ(Remdir(), before);
}

TEST_F(FolderOpsTest, MoveCarriesTheThreeTreesAndAppendsTheFolder) {
  Open({"A/sub/deep", "B/old"});
  WriteText(Image("A/sub/photo.jpg"), "jpeg");
  WriteText(Thumbs("A/sub/photo.jpg"), "thumb");

  Prompts().Queue(Answer::Cancel);
  EXPECT_EQ(MoveFolder(folders_, "A/sub/", "B/").code(), StatusCode::kCancelled);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Move folder \"sub\" to \"B\""});
  EXPECT_TRUE(fs::exists(Image("A/sub/photo.jpg")));

  Prompts().Clear();
  ASSERT_EQ(NewPath(MoveFolder(folders_, "A/sub/", "B/")), "B/sub/");
  EXPECT_EQ(ReadText(Image("B/sub/photo.jpg")), "jpeg");
  EXPECT_EQ(ReadText(Thumbs("B/sub/photo.jpg")), "thumb");
  EXPECT_TRUE(fs::is_directory(Mediums("B/sub/deep")));
  for (const fs::path& old : {Image("A/sub"), Thumbs("A/sub"), Mediums("A/sub")}) EXPECT_FALSE(fs::exists(old));
  EXPECT_EQ(folders_.tree().ChildNames(folders_.tree().FindPath("B")), (std::vector<std::string>{"old", "sub"}));
  EXPECT_EQ(folders_.tree().ChildNames(folders_.tree().FindPath("A")), std::vector<std::string>{});

  // To the top level: the root item's text is the profile name.
  Prompts().Clear();
  ASSERT_EQ(NewPath(MoveFolder(folders_, "B/old/", "")), "old/");
  EXPECT_EQ(Texts(), std::vector<std::string>{"Move folder \"old\" to \"Holiday\""});
  EXPECT_TRUE(fs::is_directory(Image("old")));
  EXPECT_EQ(folders_.tree().ChildNames(folders_.tree().root()), (std::vector<std::string>{"A", "B", "old"}));
}

TEST_F(FolderOpsTest, MoveNeverMergesIntoAnExistingFolder) {
  Open({"A/same", "B/same"});
  WriteText(Image("A/same/IMG_1.jpg"), "from A");
  WriteText(Image("B/same/IMG_1.jpg"), "from B");

  EXPECT_FALSE(MoveFolder(folders_, "A/same/", "B/"));
  EXPECT_EQ(Texts(), std::vector<std::string>{"Cannot move " + Image("A/same").string() + " to " +
                                              Image("B/same").string() + "\r\n\r\n" + SystemErrorText(EEXIST)});
  EXPECT_EQ(ReadText(Image("B/same/IMG_1.jpg")), "from B");
  EXPECT_EQ(ReadText(Image("A/same/IMG_1.jpg")), "from A");
}

TEST_F(FolderOpsTest, MoveOfAFolderWithoutDerivedImagesYet) {
  Open({"A", "B"});
  fs::create_directories(Image("A/fresh"));  // made outside the program: no albsite/s or albsite/m yet
  folders_.ExpandAll();

  ASSERT_EQ(NewPath(MoveFolder(folders_, "A/fresh/", "B/")), "B/fresh/");
  EXPECT_TRUE(fs::is_directory(Image("B/fresh")));
  EXPECT_TRUE(fs::is_directory(Thumbs("B/fresh")));
  EXPECT_TRUE(fs::is_directory(Mediums("B/fresh")));
  EXPECT_EQ(Texts(), std::vector<std::string>{"Move folder \"fresh\" to \"B\""});
}

// ---------------------------------------------------------------------------
// Before / after

TEST_F(FolderOpsTest, BeforeAndAfterAreSavedAtOnce) {
  Open({"A", "B", "C"});
  ASSERT_TRUE(MoveFolderBefore(folders_, "B/"));
  EXPECT_EQ(Remdir(), "2 1 B\r\n1 1 A\r\n3 1 C\r\n");
  ASSERT_TRUE(MoveFolderAfter(folders_, "B/"));
  ASSERT_TRUE(MoveFolderAfter(folders_, "B/"));
  EXPECT_EQ(Remdir(), "1 1 A\r\n3 1 C\r\n2 1 B\r\n");
  EXPECT_FALSE(MoveFolderAfter(folders_, "B/"));
  EXPECT_FALSE(MoveFolderBefore(folders_, "A/"));
  EXPECT_FALSE(MoveFolderBefore(folders_, "Missing/"));

  // Reopening keeps the order.
  FolderTree reopened;
  reopened.Load(profiles_.str(), profile_);
  EXPECT_EQ(reopened.tree().ChildNames(reopened.tree().root()), (std::vector<std::string>{"A", "C", "B"}));
}

// ---------------------------------------------------------------------------
// Import

TEST_F(FolderOpsTest, ImportCopiesAFolderFromOutside) {
  Open({"A"});
  test::TempDir outside;
  WriteText(outside.path() / "Trip/IMG_1.jpg", "jpeg");
  fs::create_directories(outside.path() / "Trip/Day 2");
  RecordingWindowSink sink;

  ASSERT_EQ(ImportFolder(folders_, "A/", (outside.path() / "Trip").string(), sink), "A/Trip/");
  EXPECT_EQ(ReadText(Image("A/Trip/IMG_1.jpg")), "jpeg");
  EXPECT_TRUE(fs::exists(outside.path() / "Trip/IMG_1.jpg"));
  const auto posted = sink.posted();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(std::get<RecordingWindowSink::Status>(posted[0]).text, "Importing " + (outside.path() / "Trip").string());
  EXPECT_NE(folders_.tree().FindPath("A/Trip/"), nullptr);
  EXPECT_EQ(Remdir(), "1 1 A\r\n2 2 Trip\r\n");
  folders_.ExpandAll();
  EXPECT_EQ(Remdir(), "1 1 A\r\n2 2 Trip\r\n3 3 Day 2\r\n");
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FolderOpsTest, ImportRefusesAMissingFolderAndOneHoldingTheDestination) {
  Open({"A/sub"});
  NullWindowSink sink;
  const std::string missing = Image("").string() + "../../nowhere";
  EXPECT_EQ(ImportFolder(folders_, "", missing, sink), std::nullopt);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(Texts()[0].starts_with("Cannot copy file")) << Texts()[0];
  EXPECT_FALSE(fs::exists(Image("nowhere")));

  Prompts().Clear();
  EXPECT_EQ(ImportFolder(folders_, "A/sub/", Image("A").string(), sink), std::nullopt);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(Texts()[0].starts_with("Cannot copy " + Image("A").string() + " to ")) << Texts()[0];
  EXPECT_FALSE(fs::exists(Image("A/sub/A")));

  Prompts().Clear();
  EXPECT_EQ(ImportFolder(folders_, "", "/", sink), std::nullopt);  // no name to give the folder
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_TRUE(Texts()[0].starts_with("The folder name \"\" cannot be used")) << Texts()[0];
}

TEST(FolderTraceTest, GoesToTheUserCacheFolder) {
  struct SavedEnv {
    const char* name;
    std::optional<std::string> value;
    explicit SavedEnv(const char* n) : name(n) {
      if (const char* v = std::getenv(n)) value = v;
    }
    ~SavedEnv() {
      if (value) {
        ::setenv(name, value->c_str(), 1);
      } else {
        ::unsetenv(name);
      }
    }
  } cache("XDG_CACHE_HOME"), home("HOME");

  ::setenv("XDG_CACHE_HOME", "/var/cache-of-test/", 1);
  EXPECT_EQ(TraceFilePath(), "/var/cache-of-test/albumsmith/albumsmith.dbg");
  ::setenv("XDG_CACHE_HOME", "relative/is/ignored", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(TraceFilePath(), "/home/someone/.cache/albumsmith/albumsmith.dbg");
  ::unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(TraceFilePath(), "/home/someone/.cache/albumsmith/albumsmith.dbg");
}

}  // namespace
}  // namespace albumsmith
