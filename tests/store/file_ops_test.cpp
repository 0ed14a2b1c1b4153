#include "store/file_ops.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

std::vector<std::string> Texts() { return Prompts().texts(); }

// The text of a system-error message as the user sees it.
std::string SystemError(const std::string& text, const std::string& errorText) { return text + "\r\n\r\n" + errorText; }

struct timespec ModificationTime(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mtim;
}

void SetModificationTime(const std::string& path, time_t seconds, long nanoseconds) {
  const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

class FileOpsTest : public ::testing::Test {
 protected:
  void SetUp() override { Prompts().Clear(); }

  // Full path (as a string) of a name inside the scratch folder.
  std::string At(const std::string& relative) const { return tmp_.str() + relative; }

  test::TempDir tmp_;
};

// ---------------------------------------------------------------------------
// Path parts and existence

TEST(FilePathPartsTest, SplitsNameAndExtension) {
  struct Case {
    const char* path;
    const char* name;
    const char* extension;
    const char* stripped;
  };
  const Case cases[] = {
      {"/photos/IMG_1.JPG", "IMG_1.JPG", "JPG", "/photos/IMG_1"},
      {"/photos/archive.tar.gz", "archive.tar.gz", "gz", "/photos/archive.tar"},
      {"/photos/README", "README", "", "/photos/README"},
      {"/2023.05/IMG_1", "IMG_1", "", "/2023.05/IMG_1"},  // a dot in a folder name is no extension
      {"IMG_1.jpg", "IMG_1.jpg", "jpg", "IMG_1"},
      {"/photos/", "", "", "/photos/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileName(c.path), c.name);
    EXPECT_EQ(Extension(c.path), c.extension);
    EXPECT_EQ(StripExtension(c.path), c.stripped);
  }
}

TEST_F(FileOpsTest, FileExistsSeesAnyEntryDirExistsOnlyDirectories) {
  WriteText(At("file.txt"), "x");
  fs::create_directory(At("dir"));
  fs::create_symlink(At("missing"), At("dangling"));

  EXPECT_TRUE(FileExists(At("file.txt")));
  EXPECT_TRUE(FileExists(At("dir")));
  EXPECT_TRUE(FileExists(At("dangling")));
  EXPECT_FALSE(FileExists(At("missing")));

  EXPECT_TRUE(DirExists(At("dir")));
  EXPECT_TRUE(DirExists(At("dir/")));
  EXPECT_FALSE(DirExists(At("file.txt")));
  EXPECT_FALSE(DirExists(At("missing")));
}

TEST_F(FileOpsTest, IsNewerComparesFullPrecisionTimes) {
  struct Case {
    const char* name;
    bool aExists, bExists;
    time_t aSeconds;
    long aNanos;
    time_t bSeconds;
    long bNanos;
    bool expected;
  };
  const Case cases[] = {
      {"a later", true, true, 2000, 0, 1000, 0, true},
      {"same time", true, true, 1000, 500, 1000, 500, true},
      {"a earlier", true, true, 1000, 0, 2000, 0, false},
      {"a earlier within the same second", true, true, 1000, 100, 1000, 900, false},
      {"a later within the same second", true, true, 1000, 900, 1000, 100, true},
      {"b missing", true, false, 1000, 0, 0, 0, true},
      {"a missing", false, true, 0, 0, 2000, 0, true},
      {"both missing", false, false, 0, 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string a = At("a.jpg"), b = At("b.jpg");
    fs::remove(a);
    fs::remove(b);
    if (c.aExists) {
      WriteText(a, "a");
      SetModificationTime(a, c.aSeconds, c.aNanos);
    }
    if (c.bExists) {
      WriteText(b, "b");
      SetModificationTime(b, c.bSeconds, c.bNanos);
    }
    EXPECT_EQ(IsNewer(a, b), c.expected);
  }
}

// ---------------------------------------------------------------------------
// Listing

class ListDirsTest : public FileOpsTest {
 protected:
  void SetUp() override {
    FileOpsTest::SetUp();
    for (const char* dir : {"b", "a/z", "a/y", "a/albsite/s", "albsite/m"}) fs::create_directories(At(dir));
    WriteText(At("a/file.jpg"), "x");
    // A link back up the tree would never end the walk if it were followed.
    fs::create_directory_symlink(tmp_.path(), At("a/loop"));
  }
};

TEST_F(ListDirsTest, ListsEachDirectoryAfterItsSubdirectoriesAndSkipsAlbsite) {
  std::vector<std::string> list;
  ListDirs(tmp_.str(), "", list);
  EXPECT_EQ(list, (std::vector<std::string>{"a/y/", "a/z/", "a/", "b/", ""}));
}

TEST_F(ListDirsTest, KeepsAlbsiteWhenAsked) {
  std::vector<std::string> list;
  ListDirs(tmp_.str(), "", list, true);
  EXPECT_EQ(list, (std::vector<std::string>{"a/albsite/s/", "a/albsite/", "a/y/", "a/z/", "a/", "albsite/m/",
                                            "albsite/", "b/", ""}));
}

TEST_F(ListDirsTest, StartsBelowTheRelativePathAndAppendsToTheList) {
  std::vector<std::string> list{"earlier/"};
  ListDirs(tmp_.str(), "a/", list);
  EXPECT_EQ(list, (std::vector<std::string>{"earlier/", "a/y/", "a/z/", "a/"}));
}

TEST_F(FileOpsTest, ListFilesGivesSortedFullPathsOfFilesOnly) {
  WriteText(At("b.jpg"), "b");
  WriteText(At("A.jpg"), "a");
  WriteText(At("c.txt"), "c");
  fs::create_directory(At("d.jpg"));
  std::vector<std::string> list;
  ListFiles(tmp_.path().string(), list);
  EXPECT_EQ(list, (std::vector<std::string>{At("A.jpg"), At("b.jpg"), At("c.txt")}));
}

// ---------------------------------------------------------------------------
// CreatePath

TEST_F(FileOpsTest, CreatePathCreatesEveryMissingLevel) {
  EXPECT_TRUE(CreatePath(At("one/two/three/")));
  EXPECT_TRUE(DirExists(At("one/two/three")));
  EXPECT_TRUE(CreatePath(At("one/two")));  // already there
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FileOpsTest, CreatePathReportsWhatStandsInTheWay) {
  WriteText(At("file"), "x");
  struct Case {
    std::string path;
    std::string errorText;
  };
  const Case cases[] = {
      {At("file/sub/deeper"), "20 : Not a directory"},
      {At("file/sub"), "20 : Not a directory"},
      {At("file"), "17 : File exists"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Prompts().Clear();
    EXPECT_FALSE(CreatePath(c.path + "/"));
    EXPECT_EQ(Texts(), std::vector<std::string>{SystemError("Cannot create directory " + c.path, c.errorText)});
  }
}

// ---------------------------------------------------------------------------
// DeleteTree and DeleteMatchingFiles

TEST_F(FileOpsTest, DeleteTreeRemovesEverythingButWhatLinksPointTo) {
  WriteText(At("tree/a/b/deep.jpg"), "x");
  WriteText(At("tree/top.jpg"), "x");
  WriteText(At("outside/keep.jpg"), "keep");
  fs::create_directory_symlink(At("outside"), At("tree/a/link"));

  EXPECT_TRUE(DeleteTree(At("tree")));
  EXPECT_FALSE(FileExists(At("tree")));
  EXPECT_EQ(ReadText(At("outside/keep.jpg")), "keep");
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FileOpsTest, DeleteTreeOfMissingDirectorySucceedsSilently) {
  EXPECT_TRUE(DeleteTree(At("missing/")));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FileOpsTest, DeleteTreeStopsAtAFileThatCannotBeDeleted) {
  // Nothing under /proc can be unlinked, not even by root.
  EXPECT_FALSE(DeleteTree("/proc/self/fdinfo"));
  EXPECT_EQ(Texts(), std::vector<std::string>{
                         SystemError("Cannot delete file /proc/self/fdinfo/0", "1 : Operation not permitted")});
}

TEST_F(FileOpsTest, DeleteTreeReportsAKeptDirectoryButSucceeds) {
  WriteText(At("sub/file.jpg"), "x");
  // "sub/." names the directory but can never be removed under that name.
  EXPECT_TRUE(DeleteTree(At("sub/.")));
  EXPECT_FALSE(FileExists(At("sub/file.jpg")));
  EXPECT_EQ(Texts(),
            std::vector<std::string>{SystemError("Cannot delete directory " + At("sub/."), "22 : Invalid argument")});
}

TEST_F(FileOpsTest, DeleteMatchingFilesIgnoresCaseAndKeepsDirectories) {
  for (const char* name : {"a.JPG", "b.jpg", "sub/c.Jpg", "d.jpeg", "e.txt", "x.jpg/inner.txt"})
    WriteText(At(name), "x");

  EXPECT_TRUE(DeleteMatchingFiles(tmp_.path().string(), "*.jpg"));
  for (const char* gone : {"a.JPG", "b.jpg", "sub/c.Jpg"}) EXPECT_FALSE(FileExists(At(gone))) << gone;
  for (const char* kept : {"d.jpeg", "e.txt", "x.jpg/inner.txt", "sub"}) EXPECT_TRUE(FileExists(At(kept))) << kept;
  EXPECT_TRUE(Texts().empty());

  EXPECT_TRUE(DeleteMatchingFiles(At("missing"), "*"));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(FileOpsTest, DeleteMatchingFilesReportsAFileThatCannotBeDeleted) {
  EXPECT_FALSE(DeleteMatchingFiles("/proc/self/fdinfo/", "0"));
  EXPECT_EQ(Texts(), std::vector<std::string>{
                         SystemError("Cannot delete file /proc/self/fdinfo/0", "1 : Operation not permitted")});
}

TEST_F(FileOpsTest, DeleteFileReported) {
  WriteText(At("a.jpg"), "x");
  EXPECT_TRUE(DeleteFileReported(At("a.jpg")));
  EXPECT_FALSE(FileExists(At("a.jpg")));
  EXPECT_TRUE(Texts().empty());

  EXPECT_FALSE(DeleteFileReported(At("a.jpg")));
  EXPECT_EQ(Texts(),
            std::vector<std::string>{SystemError("Cannot delete " + At("a.jpg"), "2 : No such file or directory")});
}

// ---------------------------------------------------------------------------
// CopyTree

TEST_F(FileOpsTest, CopyTreeCreatesMissingParentsAndOverwritesWithoutAsking) {
  WriteText(At("src/top.jpg"), "top");
  WriteText(At("src/sub/inner.jpg"), "inner");
  SetModificationTime(At("src/sub/inner.jpg"), 1000000000, 123456789);
  WriteText(At("dst/deep/copy/top.jpg"), "old");

  EXPECT_TRUE(CopyTree(At("src"), At("dst/deep/copy")));
  EXPECT_EQ(ReadText(At("dst/deep/copy/top.jpg")), "top");
  EXPECT_EQ(ReadText(At("dst/deep/copy/sub/inner.jpg")), "inner");
  EXPECT_TRUE(SameTime(ModificationTime(At("dst/deep/copy/sub/inner.jpg")), {1000000000, 123456789}));
  EXPECT_TRUE(Texts().empty());

  EXPECT_TRUE(CopyTree(At("src/"), At("other/new/")));
  EXPECT_EQ(ReadText(At("other/new/sub/inner.jpg")), "inner");
}

TEST_F(FileOpsTest, CopyTreeFailures) {
  WriteText(At("src/a.jpg"), "a");
  WriteText(At("file"), "x");
  fs::create_directories(At("blocked/a.jpg"));  // a directory where the copy must go
  struct Case {
    std::string source, destination, message;
  };
  const Case cases[] = {
      {At("src"), At("file/dst"), SystemError("Cannot create directory " + At("file/dst"), "20 : Not a directory")},
      {At("missing"), At("dst"), SystemError("Cannot copy file " + At("missing"), "2 : No such file or directory")},
      {At("src"), At("blocked"), SystemError("Cannot copy file " + At("src/a.jpg"), "21 : Is a directory")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Prompts().Clear();
    EXPECT_FALSE(CopyTree(c.source, c.destination));
    EXPECT_EQ(Texts(), std::vector<std::string>{c.message});
  }
}

// ---------------------------------------------------------------------------
// CopyFiles and MoveFiles

class CopyFilesTest : public FileOpsTest {
 protected:
  void SetUp() override {
    FileOpsTest::SetUp();
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      WriteText(At(std::string("src/") + name), std::string("new ") + name);
      sources_.push_back(At(std::string("src/") + name));
    }
    fs::create_directory(At("dst"));
  }

  void PutExisting(std::initializer_list<const char*> names) {
    for (const char* name : names) WriteText(At(std::string("dst/") + name), "old");
  }

  std::vector<std::string> sources_;
};

TEST_F(CopyFilesTest, CopiesKeepingTimeAndLeavingTheCopyWritable) {
  SetModificationTime(sources_[0], 1200000000, 987654321);
  fs::permissions(sources_[1], fs::perms::owner_read | fs::perms::group_read);

  EXPECT_TRUE(CopyFiles(sources_, At("dst")));
  EXPECT_EQ(ReadText(At("dst/a.jpg")), "new a.jpg");
  EXPECT_EQ(ReadText(At("dst/c.jpg")), "new c.jpg");
  EXPECT_TRUE(SameTime(ModificationTime(At("dst/a.jpg")), {1200000000, 987654321}));
  EXPECT_NE(fs::status(At("dst/b.jpg")).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(CopyFilesTest, DontAskAgainAtTheFirstQuestionOverwritesTheRest) {
  PutExisting({"a.jpg", "b.jpg", "c.jpg"});
  Prompts().Queue(Answer::Ok, true);

  EXPECT_TRUE(CopyFiles(sources_, At("dst/")));
  ASSERT_EQ(Texts(), std::vector<std::string>{"a.jpg already exists. Overwrite ?"});
  const std::vector<Message> shown = Prompts().shown();
  EXPECT_EQ(shown[0].buttons, Buttons::OkCancel);
  EXPECT_TRUE(shown[0].offerDontAsk);
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
    EXPECT_EQ(ReadText(At(std::string("dst/") + name)), std::string("new ") + name);
}

TEST_F(CopyFilesTest, CancelKeepsTheExistingFileAndGoesOn) {
  PutExisting({"a.jpg", "b.jpg"});
  Prompts().Queue(Answer::Cancel);
  Prompts().Queue(Answer::Ok);

  EXPECT_TRUE(CopyFiles(sources_, At("dst")));
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{"a.jpg already exists. Overwrite ?", "b.jpg already exists. Overwrite ?"}));
  EXPECT_EQ(ReadText(At("dst/a.jpg")), "old");
  EXPECT_EQ(ReadText(At("dst/b.jpg")), "new b.jpg");
  EXPECT_EQ(ReadText(At("dst/c.jpg")), "new c.jpg");
}

TEST_F(CopyFilesTest, OverwriteAllAsksNothing) {
  PutExisting({"a.jpg", "c.jpg"});
  EXPECT_TRUE(CopyFiles(sources_, At("dst"), true));
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(ReadText(At("dst/a.jpg")), "new a.jpg");
  EXPECT_EQ(ReadText(At("dst/c.jpg")), "new c.jpg");
}

TEST_F(CopyFilesTest, StopsAtTheFirstFailure) {
  fs::remove(sources_[1]);
  EXPECT_FALSE(CopyFiles(sources_, At("dst")));
  EXPECT_EQ(Texts(), std::vector<std::string>{SystemError("Cannot copy " + sources_[1] + " to " + At("dst/b.jpg"),
                                                          "2 : No such file or directory")});
  EXPECT_TRUE(FileExists(At("dst/a.jpg")));
  EXPECT_FALSE(FileExists(At("dst/c.jpg")));
}

TEST_F(CopyFilesTest, ReportsAnOverwriteThatFails) {
  fs::create_directory(At("dst/a.jpg"));
  EXPECT_FALSE(CopyFiles({sources_[0]}, At("dst")));
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         "a.jpg already exists. Overwrite ?",
                         SystemError("Cannot copy " + sources_[0] + " to " + At("dst/a.jpg"), "21 : Is a directory")}));
}

// A copy killed half-way (the program closed, the machine switched off)
// must not leave a shorter photo under the name: the next import would take
// it for the complete one.
TEST_F(CopyFilesTest, AnInterruptedCopyLeavesNothingUnderTheFinalName) {
  // A pipe as the source holds the copy at the half until the test ends it.
  const std::string source = At("src/photo.jpg");
  ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(CopyFiles({source}, At("dst")) ? 0 : 1);
  const int pipe = ::open(source.c_str(), O_WRONLY);
  ASSERT_GE(pipe, 0);
  const std::string half(4096, 'x');
  ASSERT_EQ(::write(pipe, half.data(), half.size()), static_cast<ssize_t>(half.size()));
  // Until the half is on disk, under whatever name the copy gives it.
  auto written = [&] {
    for (const auto& e : fs::directory_iterator(At("dst")))
      if (fs::file_size(e.path()) == half.size()) return true;
    return false;
  };
  for (int i = 0; i < 500 && !written(); ++i) ::usleep(10000);
  ASSERT_TRUE(written());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(pipe);

  EXPECT_FALSE(FileExists(At("dst/photo.jpg")));
  fs::remove(source);
  WriteText(source, "the whole photo");
  EXPECT_TRUE(CopyFiles({source}, At("dst")));
  EXPECT_TRUE(Texts().empty()) << Texts().front();
  EXPECT_EQ(ReadText(At("dst/photo.jpg")), "the whole photo");
}

TEST_F(CopyFilesTest, MoveFilesMovesAndNeverReplaces) {
  EXPECT_TRUE(MoveFiles({sources_[0], sources_[1]}, At("dst")));
  EXPECT_FALSE(FileExists(sources_[0]));
  EXPECT_EQ(ReadText(At("dst/b.jpg")), "new b.jpg");
  EXPECT_TRUE(Texts().empty());

  PutExisting({"c.jpg"});
  EXPECT_FALSE(MoveFiles({sources_[2]}, At("dst/")));
  EXPECT_EQ(ReadText(At("dst/c.jpg")), "old");
  EXPECT_TRUE(FileExists(sources_[2]));

  EXPECT_FALSE(MoveFiles({At("src/missing.jpg")}, At("dst")));
  EXPECT_EQ(Texts(), (std::vector<std::string>{
                         SystemError("Cannot move " + sources_[2] + " to " + At("dst/c.jpg"), "17 : File exists"),
                         SystemError("Cannot move " + At("src/missing.jpg") + " to " + At("dst/missing.jpg"),
                                     "2 : No such file or directory")}));
}

TEST_F(CopyFilesTest, MoveFilesAcrossFileSystems) {
  struct stat here {
  }, shm{};
  if (::stat(tmp_.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
    GTEST_SKIP() << "needs /dev/shm on another file system than " << tmp_.path();
  char pattern[] = "/dev/shm/albumsmith-move-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string other = pattern;
  SetModificationTime(sources_[0], 1300000000, 5);

  EXPECT_TRUE(MoveFiles({sources_[0]}, other));
  EXPECT_FALSE(FileExists(sources_[0]));
  EXPECT_EQ(ReadText(other + "/a.jpg"), "new a.jpg");
  EXPECT_TRUE(SameTime(ModificationTime(other + "/a.jpg"), {1300000000, 5}));
  EXPECT_TRUE(Texts().empty());
  fs::remove_all(other);
}

// ---------------------------------------------------------------------------
// Copy with progress

class RecordingProgress : public CopyProgress {
 public:
  void SetText(const std::string& firstLine, const std::string& secondLine) override {
    events.push_back("text: " + firstLine + " | " + secondLine);
  }
  void SetPercent(int percent) override { events.push_back("percent: " + std::to_string(percent)); }
  void End(int code) override { events.push_back("end: " + std::to_string(code)); }

  std::vector<std::string> events;
};

class CopyTreeWithProgressTest : public FileOpsTest {
 protected:
  void SetUp() override {
    FileOpsTest::SetUp();
    for (const char* name : {"src/one.jpg", "src/two.jpg", "src/sub/three.jpg", "src/albsite/style.css"})
      WriteText(At(name), name);
  }
};

TEST_F(CopyTreeWithProgressTest, ReportsEachDirectoryAndCopiesAlbsiteToo) {
  RecordingProgress progress;
  EXPECT_TRUE(CopyTreeWithProgress(At("src"), At("copy/of/src"), progress).ok());

  const std::string folder = "Copying folder: \n" + At("src");
  EXPECT_EQ(progress.events, (std::vector<std::string>{
                                 "text: " + folder + "/albsite | ",
                                 "percent: 0",
                                 "text: " + folder + "/albsite | Copying 1 files (total 1 files)",
                                 "text: " + folder + "/sub | ",
                                 "percent: 33",
                                 "text: " + folder + "/sub | Copying 1 files (total 2 files)",
                                 "text: " + folder + " | ",
                                 "percent: 66",
                                 "text: " + folder + " | Copying 2 files (total 4 files)",
                                 "end: 100",
                             }));
  for (const char* name : {"one.jpg", "two.jpg", "sub/three.jpg", "albsite/style.css"})
    EXPECT_EQ(ReadText(At("copy/of/src/") + name), std::string("src/") + name) << name;
  EXPECT_TRUE(Texts().empty());
}

TEST_F(CopyTreeWithProgressTest, FailureEndsWith101) {
  WriteText(At("file"), "x");
  RecordingProgress progress;
  const Status copied = CopyTreeWithProgress(At("src"), At("file/copy"), progress);
  EXPECT_EQ(progress.events.back(), "end: 101");
  EXPECT_EQ(Texts(), std::vector<std::string>{
                         SystemError("Cannot create directory " + At("file/copy/albsite"), "20 : Not a directory")});
  // The command line says why from the result: the message shown.
  EXPECT_EQ(copied.message(), Texts().back());
  EXPECT_EQ(copied.systemError(), ENOTDIR);
}

TEST_F(CopyTreeWithProgressTest, CancelEndsWith101BeforeCopying) {
  const std::atomic<bool> cancel{true};
  RecordingProgress progress;
  EXPECT_EQ(CopyTreeWithProgress(At("src"), At("copy"), progress, &cancel).code(), StatusCode::kStopped);
  EXPECT_EQ(progress.events, std::vector<std::string>{"end: 101"});
  EXPECT_FALSE(FileExists(At("copy")));
}

}  // namespace
}  // namespace albumsmith
