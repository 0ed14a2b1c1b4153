// Crash-safe file replacement: the permissions new files get while several
// threads write at once, and the temporary files written beside a final name.

#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

TEST(AtomicFileTest, ParallelWritersNeverLeaveTheUmaskOpen) {
  TempDir dir;
  ScopedUmask mask(022);
  constexpr int kThreads = 8;
  constexpr int kFilesEach = 400;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kFilesEach; ++i)
        (void)WriteFileAtomically(dir.path() / (std::to_string(t) + "-" + std::to_string(i)), "x", std::nullopt,
                                  Flush::kNo);
    });
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(CurrentUmask(), 022u);
  int open = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    struct stat st {};
    ASSERT_EQ(::stat(e.path().c_str(), &st), 0);
    if (st.st_mode & 022) ++open;
  }
  EXPECT_EQ(open, 0) << "files writable by group or others";
}

TEST(AtomicFileTest, TemporaryNames) {
  const std::string own = std::to_string(::getpid());
  const struct {
    std::string name;
    bool temporary;
  } cases[] = {
      {".IMG_1.jpg.~" + own + "-0", true},
      {".IMG_1.jpg.html.~12-345", true},
      {".a.~1-2", true},
      {"IMG_1.jpg.~12-3", false},  // not hidden
      {".~12-3", false},           // no final name
      {".IMG_1.jpg.~12-", false},
      {".IMG_1.jpg.~-3", false},
      {".IMG_1.jpg.~1x-3", false},
      {".IMG_1.jpg.12-3", false},
      {".IMG_1.jpg", false},
      {"sort.inf", false},
      {"IMG_1.jpg.XXXXXX", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsTemporaryName(c.name), c.temporary) << c.name;
}

TEST(AtomicFileTest, OnlyATemporaryWhoseWriterIsGoneCountsAsAbandoned) {
  const int child = EndedProcessId();
  ASSERT_GT(child, 0);
  EXPECT_TRUE(IsAbandonedTemporary(".a.jpg.~" + std::to_string(child) + "-0"));
  EXPECT_FALSE(IsAbandonedTemporary(".a.jpg.~" + std::to_string(::getpid()) + "-0"));
  EXPECT_FALSE(IsAbandonedTemporary(".a.jpg.~1-0"));  // init runs, under another user
  EXPECT_FALSE(IsAbandonedTemporary("a.jpg"));
}

TEST(AtomicFileTest, FileBesideAppearsUnderItsNameOnlyWhenCommitted) {
  TempDir dir;
  const std::string target = (dir.path() / "a.jpg").string();
  {
    FileBeside file(target);
    ASSERT_GE(file.fd(), 0);
    EXPECT_TRUE(IsTemporaryName(fs::path(file.temporaryPath()).filename().string()));
    ASSERT_TRUE(file.Write("half"));
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_TRUE(Entries(dir.path()).empty()) << "an abandoned write leaves nothing";

  WriteText(target, "old");
  FileBeside kept(target);
  ASSERT_TRUE(kept.Write("new"));
  const Status refused = kept.Commit(Flush::kNo, Replace::kNo);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.systemError(), EEXIST);
  EXPECT_EQ(ReadText(target), "old");

  FileBeside replacing(target);
  ASSERT_TRUE(replacing.Write("new"));
  ASSERT_TRUE(replacing.Commit(Flush::kNo));
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST(AtomicFileTest, FailuresSayWhy) {
  TempDir dir;
  const fs::path missing = dir.path() / "no such folder" / "a.txt";
  const Status written = WriteFileAtomically(missing, "x");
  EXPECT_FALSE(written);
  EXPECT_EQ(written.code(), StatusCode::kFailed);
  EXPECT_EQ(written.systemError(), ENOENT);
  EXPECT_EQ(written.systemText(), "No such file or directory");

  FileBeside beside(missing.string());
  EXPECT_EQ(beside.fd(), -1);
  EXPECT_EQ(beside.status().systemError(), ENOENT);
  EXPECT_EQ(beside.Write("x").systemError(), ENOENT) << "a write after a failed open repeats why";
  EXPECT_EQ(beside.Commit(Flush::kNo).systemError(), ENOENT);

  // A file that already holds the content is not written again, and that is success.
  const fs::path kept = dir.path() / "kept.txt";
  ASSERT_TRUE(WriteFileAtomically(kept, "same"));
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
  const bool canStillWrite = ::access(dir.path().c_str(), W_OK) == 0;  // root writes anyway
  EXPECT_TRUE(WriteFileIfChanged(kept, "same"));
  if (!canStillWrite) {
    EXPECT_EQ(WriteFileIfChanged(kept, "other").systemError(), EACCES);
  }
  fs::permissions(dir.path(), fs::perms::owner_all);
}

// A read that fails says why by its result, not by errno after the fact:
// a directory opens like a file and fails only at the first read.
TEST(AtomicFileTest, AFailedReadSaysWhy) {
  TempDir dir;
  ASSERT_TRUE(WriteFileAtomically(dir.path() / "a.txt", "bytes"));
  const Result<std::string> read = ReadFileContents(dir.path() / "a.txt");
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(*read, "bytes");

  const struct {
    fs::path path;
    int error;
  } failures[] = {{dir.path() / "missing.txt", ENOENT}, {dir.path(), EISDIR}};
  for (const auto& f : failures) {
    SCOPED_TRACE(f.path.string());
    const Result<std::string> failed = ReadFileContents(f.path);
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.status().systemError(), f.error);
    EXPECT_FALSE(ReadWholeFile(f.path).has_value());
  }
}

}  // namespace
}  // namespace albumsmith::test
