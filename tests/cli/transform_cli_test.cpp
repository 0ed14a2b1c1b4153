// "image rotate" and "image date" of albumsmith-cli, run as a separate process.

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "cli_runner.h"
#include "imaging/exif_fixture.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

// The picture size from a JPEG file's start-of-frame section.
std::pair<int, int> StoredSize(const fs::path& file) {
  const std::string b = ReadText(file);
  for (size_t i = 2; i + 9 < b.size();) {
    if (static_cast<unsigned char>(b[i]) != 0xFF) return {0, 0};
    const auto marker = static_cast<unsigned char>(b[i + 1]);
    const size_t length = static_cast<unsigned char>(b[i + 2]) << 8 | static_cast<unsigned char>(b[i + 3]);
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      auto at = [&](size_t k) { return static_cast<unsigned char>(b[i + k]); };
      return {at(7) << 8 | at(8), at(5) << 8 | at(6)};
    }
    i += 2 + length;
  }
  return {0, 0};
}

// The capture date as the file holds it, found by its form.
std::string StoredDate(const fs::path& file) {
  const std::string b = ReadText(file);
  for (size_t i = 0; i + 19 <= b.size(); ++i)
    if (b.compare(i, 2, "20") == 0 && b[i + 4] == ':' && b[i + 7] == ':' && b[i + 10] == ' ') return b.substr(i, 19);
  return "";
}

class TransformCommandsTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    MakeProfile("Trip");
    fs::create_directories(images());
  }
  fs::path images() const { return profilesPath() / "Trip/ImageTree/Coast"; }
  fs::path medium() const { return profilesPath() / "Trip/albsite/m/Coast"; }

  // landscape_1.jpg (600 x 450) with a capture date.
  void Photo(const std::string& name, const std::string& date = "2004:07:01 10:00:00") {
    fs::copy_file(std::string(ALBUMSMITH_TEST_DATA) + "/orientation/landscape_1.jpg", images() / name,
                  fs::copy_options::overwrite_existing);
    ExifFixture exif;
    exif.date = date;
    AddSections(images() / name, exif);
  }
};

TEST_F(TransformCommandsTest, RotatePrintsEachImageTurnedAndNamesTheOneThatFailed) {
  Photo("a.jpg");
  Photo("b.jpg");
  WriteText(images() / "notes.jpg", "not a picture");
  // A medium image made before the turn: the reload deletes it as stale.
  fs::create_directories(medium());
  WriteText(medium() / "a.jpg", "old medium");
  fs::last_write_time(medium() / "a.jpg", fs::last_write_time(images() / "a.jpg") - std::chrono::hours(1));

  const CliResult r = Run({"image", "rotate", "Trip", "Coast", "90", "a.jpg", "notes.jpg", "b.jpg"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.OutLines(), (std::vector<std::string>{"rotated a.jpg", "rotated b.jpg"}));
  EXPECT_EQ(r.LastErrorLine(), "albumsmith-cli: Cannot rotate file notes.jpg");
  EXPECT_EQ(StoredSize(images() / "a.jpg"), std::make_pair(448, 600)) << "two columns of partial units trimmed";
  EXPECT_EQ(StoredSize(images() / "b.jpg"), std::make_pair(448, 600));
  EXPECT_EQ(ReadText(images() / "notes.jpg"), "not a picture");
  EXPECT_FALSE(fs::exists(medium() / "a.jpg"));

  const CliResult flips = Run({"image", "rotate", "Trip", "Coast", "flip-h", "a.jpg"});
  EXPECT_EQ(flips.exitCode, 0) << flips.err;
  EXPECT_EQ(flips.OutLines(), std::vector<std::string>{"rotated a.jpg"});
}

TEST_F(TransformCommandsTest, DateShiftsAndSets) {
  struct Case {
    std::vector<std::string> option;
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {{"--shift", "+1:30:00"}, "2004:07:01 10:00:00", "2004:07:01 11:30:00"},
      {{"--shift", "-1:30:00"}, "2004:07:01 10:00:00", "2004:07:01 08:30:00"},
      {{"--shift", "48:00:00"}, "2004:07:01 10:00:00", "2004:07:03 10:00:00"},
      {{"--set", "2010:05:06 07:08:09"}, "2004:07:01 10:00:00", "2010:05:06 07:08:09"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option[0] + " " + c.option[1]);
    Photo("a.jpg", c.before);
    std::vector<std::string> args = {"image", "date", "Trip", "Coast"};
    args.insert(args.end(), c.option.begin(), c.option.end());
    args.push_back("a.jpg");
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.OutLines(), std::vector<std::string>{std::string("dated a.jpg ") + c.after});
    EXPECT_EQ(StoredDate(images() / "a.jpg"), c.after);
  }
}

TEST_F(TransformCommandsTest, DateRefusals) {
  Photo("a.jpg");
  fs::copy_file(std::string(ALBUMSMITH_TEST_DATA) + "/orientation/landscape_8.jpg", images() / "undated.jpg");
  const std::string undated = ReadText(images() / "undated.jpg");
  struct Case {
    std::vector<std::string> args;
    const char* why;
    std::vector<std::string> out;
  };
  const Case cases[] = {
      {{"--shift", "0:75:00", "a.jpg"}, "Minutes or seconds format error", {}},
      {{"--shift", "1a:00:00", "a.jpg"}, "Only digits are allowed", {}},
      {{"--shift", "1:30", "a.jpg"}, "The time offset must read [+|-]H:MM:SS", {}},
      {{"--set", "2004:02:30 10:00:00", "a.jpg"},
       "--set takes a date and time \"YYYY:MM:DD HH:MM:SS\", not \"2004:02:30 10:00:00\"",
       {}},
      {{"--shift", "0:00:01", "undated.jpg", "a.jpg"},
       "Cannot update file undated.jpg - No date information",
       {"dated a.jpg 2004:07:01 10:00:01"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<std::string> args = {"image", "date", "Trip", "Coast"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.LastErrorLine(), std::string("albumsmith-cli: ") + c.why);
    EXPECT_EQ(r.OutLines(), c.out);
  }
  EXPECT_EQ(ReadText(images() / "undated.jpg"), undated);
  EXPECT_EQ(StoredDate(images() / "a.jpg"), "2004:07:01 10:00:01");
  EXPECT_EQ(Run({"image", "rotate", "Trip", "Coast", "45", "a.jpg"}).LastErrorLine(),
            "albumsmith-cli: the transform is one of 90, 180, 270, flip-h, flip-v, not 45");
  EXPECT_EQ(Run({"image", "rotate", "Trip", "Nowhere", "90", "a.jpg"}).LastErrorLine(),
            "albumsmith-cli: no folder Nowhere in profile Trip");
}

}  // namespace
}  // namespace albumsmith::test
