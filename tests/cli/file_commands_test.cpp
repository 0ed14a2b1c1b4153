// The "copy" and "demo" commands of albumsmith-cli, run as a separate process.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

using FileCommandsTest = CliTest;

// Every regular file below `dir`, relative to it, sorted.
std::vector<std::string> FilesBelow(const fs::path& dir) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(fs::relative(e.path(), dir).string());
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(FileCommandsTest, CopyCopiesTheTreeWithProgressLines) {
  TempDir work;
  const fs::path src = work.path() / "src";
  WriteText(src / "a.jpg", "A");
  WriteText(src / "Sub/b.jpg", "B");
  WriteText(src / "Sub/Deeper/c.txt", "C");
  fs::create_directories(src / "Empty");
  const fs::path dst = work.path() / "copy of src";

  const CliResult r = Run({"copy", src.string(), dst.string()});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(FilesBelow(dst), FilesBelow(src));
  EXPECT_EQ(ReadText(dst / "Sub/Deeper/c.txt"), "C");
  EXPECT_TRUE(fs::is_directory(dst / "Empty"));

  // One line per step, each beginning with its percentage, never going back,
  // ending with the completed copy; every folder is named on its way.
  const std::vector<std::string> lines = r.OutLines();
  ASSERT_FALSE(lines.empty());
  int last = 0;
  for (const std::string& line : lines) {
    char* end = nullptr;
    const long percent = std::strtol(line.c_str(), &end, 10);
    ASSERT_TRUE(end != line.c_str() && *end == '%') << line;
    EXPECT_GE(percent, last) << line;
    last = static_cast<int>(percent);
  }
  EXPECT_TRUE(StartsWith(lines.back(), "100% Copy done")) << lines.back();
  for (const char* folder : {"/Sub/Deeper", "/Sub", "/Empty"})
    EXPECT_NE(r.out.find("Copying folder:  " + src.string() + folder), std::string::npos) << folder << "\n" << r.out;
}

TEST_F(FileCommandsTest, CopyOfAMissingFolderFails) {
  TempDir work;
  const CliResult r = Run({"copy", (work.path() / "missing").string(), (work.path() / "dst").string()});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(StartsWith(r.LastErrorLine(), "albumsmith-cli: ")) << r.err;
  EXPECT_FALSE(fs::exists(work.path() / "dst"));
}

// The binary finds the shipped photos next to itself (build/bin/demo).
TEST_F(FileCommandsTest, DemoCreatesAProfileWithTheShippedPhotos) {
  const fs::path shipped = fs::path(ALBUMSMITH_CLI).parent_path() / "demo";
  ASSERT_TRUE(fs::is_directory(shipped));

  const CliResult r = Run({"demo"});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Demo"});
  const fs::path tree = profilesPath() / "Demo/ImageTree";
  const std::vector<std::string> photos = FilesBelow(shipped);
  ASSERT_FALSE(photos.empty());
  EXPECT_EQ(FilesBelow(tree), photos);
  for (const std::string& photo : photos) EXPECT_EQ(ReadText(tree / photo), ReadText(shipped / photo)) << photo;

  // Running it again leaves the existing profile as the user changed it.
  WriteText(tree / "Mine/own.jpg", "mine");
  const CliResult again = Run({"demo"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(ReadText(tree / "Mine/own.jpg"), "mine");
  EXPECT_EQ(ListProfiles(profiles()), std::vector<std::string>{"Demo"});
}

}  // namespace
}  // namespace albumsmith::test
