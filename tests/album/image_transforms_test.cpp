// The Transform and Date commands over a folder's images: status and
// progress, the derived files made again after the reload, the date
// arithmetic, and photos left whole when writing fails half-way.

#include "album/image_transforms.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "album/image_list.h"
#include "album/image_worker.h"
#include "imaging/exif_fixture.h"
#include "imaging/exif_reader.h"
#include "imaging/resample.h"
#include "imaging/test_pictures.h"
#include "imaging/transforms.h"
#include "platform/window_sink.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

std::string DateOf(const fs::path& file) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  return reader.ReadFile(file, ImageData::Skip) ? reader.info().dateTime : "(unreadable)";
}

std::vector<std::string> Statuses(const RecordingWindowSink& sink) {
  std::vector<std::string> lines;
  for (const auto& posted : sink.posted()) {
    if (const auto* s = std::get_if<RecordingWindowSink::Status>(&posted)) lines.push_back(s->text);
    if (const auto* p = std::get_if<RecordingWindowSink::Progress>(&posted))
      lines.push_back("progress " + std::to_string(p->maximum) + " " + std::to_string(p->position));
  }
  return lines;
}

// Every regular file of a folder with its bytes.
std::map<std::string, std::string> Contents(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) files[e.path().filename().string()] = ReadText(e.path());
  return files;
}

class ImageTransformsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Environment::prompter().Clear();
    fs::create_directories(images());
    settings_.name = "P";
  }
  fs::path images() const { return dir_.path() / "ImageTree/Trip"; }
  fs::path medium() const { return dir_.path() / "albsite/m/Trip"; }
  std::string imagesDir() const { return images().string() + "/"; }
  std::vector<std::string> Shown() const { return Environment::prompter().texts(); }

  void DatedPhoto(const std::string& name, const std::string& date, int side = 64) {
    WriteRampJpeg(images() / name, side, side * 3 / 4);
    ExifFixture exif;
    exif.date = date;
    AddSections(images() / name, exif);
  }

  TempDir dir_;
  ProfileSettings settings_;
  RecordingWindowSink sink_;
};

TEST_F(ImageTransformsTest, ShiftingAndSettingDates) {
  struct Case {
    const char* what;
    std::int64_t offset;
    const char* after;
  };
  const Case cases[] = {
      {"add 1:30:00", CheckTimeOffset("1", "30", "0", false).seconds, "2004:07:01 11:30:00"},
      {"remove 1:30:00", CheckTimeOffset("1", "30", "0", true).seconds, "2004:07:01 08:30:00"},
      {"add 48 hours", CheckTimeOffset("48", "", "", false).seconds, "2004:07:03 10:00:00"},
      {"remove past midnight and the year", ParseTimeOffset("-10:00:01").seconds, "2003:12:31 23:59:59"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool newYear = std::string(c.after).starts_with("2003");
    DatedPhoto("a.jpg", newYear ? "2004:01:01 10:00:00" : "2004:07:01 10:00:00");
    const ImageEditOutcome outcome = ShiftDates(imagesDir(), {"a.jpg"}, c.offset, sink_);
    EXPECT_EQ(outcome.changed, std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(DateOf(images() / "a.jpg"), c.after);
    EXPECT_TRUE(Decode(images() / "a.jpg").ok);
  }
  DatedPhoto("b.jpg", "2001:01:01 00:00:00");
  const ImageEditOutcome set =
      SetDates(imagesDir(), {"a.jpg", "b.jpg"}, *ParseExifDateTime("2010:05:06 07:08:09"), sink_);
  EXPECT_EQ(set.changed, (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(DateOf(images() / "a.jpg"), "2010:05:06 07:08:09");
  EXPECT_EQ(DateOf(images() / "b.jpg"), "2010:05:06 07:08:09");
  EXPECT_TRUE(Shown().empty());
}

// Sets the time zone for one test and puts the old one back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      ::setenv("TZ", old_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

// A camera's clock has no time zone: a day added over the night summer time
// began is 24 hours on the clock face, not 23.
TEST_F(ImageTransformsTest, ShiftMovesTheClockFaceAcrossSummerTime) {
  const ScopedTimeZone berlin("Europe/Berlin");
  struct Case {
    const char* before;
    const char* offset;
    const char* after;
  };
  const Case cases[] = {
      {"2004:03:27 12:00:00", "+24:00:00", "2004:03:28 12:00:00"},
      {"2004:10:31 12:00:00", "-24:00:00", "2004:10:30 12:00:00"},
      {"2004:03:28 01:30:00", "+0:20:00", "2004:03:28 01:50:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.before) + " " + c.offset);
    DatedPhoto("a.jpg", c.before);
    EXPECT_TRUE(ShiftDates(imagesDir(), {"a.jpg"}, ParseTimeOffset(c.offset).seconds, sink_).allDone());
    EXPECT_EQ(DateOf(images() / "a.jpg"), c.after);
  }
}

TEST_F(ImageTransformsTest, PhotoWithoutDateIsNamedAndLeftAsItIs) {
  DatedPhoto("dated.jpg", "2004:07:01 10:00:00");
  WriteRampJpeg(images() / "plain.jpg", 64, 48);
  WriteText(images() / "broken.jpg", "not a picture");
  const std::string plain = ReadText(images() / "plain.jpg");
  const ImageEditOutcome outcome = ShiftDates(imagesDir(), {"plain.jpg", "broken.jpg", "dated.jpg"}, 60, sink_);
  EXPECT_EQ(outcome.changed, std::vector<std::string>{"dated.jpg"});
  EXPECT_EQ(outcome.failed, (std::vector<std::string>{"plain.jpg", "broken.jpg"}));
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Cannot update file plain.jpg - No date information",
                                               "Cannot read date information from broken.jpg"}));
  EXPECT_EQ(ReadText(images() / "plain.jpg"), plain);
  EXPECT_EQ(DateOf(images() / "dated.jpg"), "2004:07:01 10:01:00");
  Environment::prompter().Clear();
  EXPECT_FALSE(SetDates(imagesDir(), {"plain.jpg"}, std::time(nullptr), sink_).allDone());
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot update file plain.jpg - No date information"});
  EXPECT_EQ(ReadText(images() / "plain.jpg"), plain);
}

TEST_F(ImageTransformsTest, RotationReportsEachImageAndTheReloadMakesItsDerivedFilesAgain) {
  const std::string data = std::string(ALBUMSMITH_TEST_DATA) + "/orientation/";
  fs::copy_file(data + "landscape_6.jpg", images() / "side.jpg");
  WriteRampJpeg(images() / "ramp.jpg", 64, 48);
  ImageList list(sink_);
  ASSERT_TRUE(list.LoadFolder(dir_.str(), "Trip/", settings_));
  const ImageWorkerJob job{dir_.str(), "Trip/", settings_, {}};
  ASSERT_TRUE(ProcessImage(job, "side.jpg").complete);
  // Derived files from before the rotation, older than it by a clock tick at least.
  for (const auto& e : fs::recursive_directory_iterator(dir_.path() / "albsite"))
    if (e.is_regular_file()) SetAge(e.path(), -10);

  RecordingWindowSink sink;
  const ImageEditOutcome outcome =
      TransformImages(imagesDir(), {"side.jpg", "ramp.jpg"}, static_cast<int>(TransformCode::kRotate90), sink);
  EXPECT_EQ(outcome.changed, (std::vector<std::string>{"side.jpg", "ramp.jpg"}));
  EXPECT_EQ(Statuses(sink),
            (std::vector<std::string>{"progress 20 1", "Rotating " + imagesDir() + "side.jpg", "progress 20 11",
                                      "Rotating " + imagesDir() + "ramp.jpg", "progress 0 -1"}));
  EXPECT_EQ(Decode(images() / "ramp.jpg").picture.width(), 48);

  ASSERT_TRUE(list.LoadFolder(dir_.str(), "Trip/", settings_));
  EXPECT_FALSE(fs::exists(medium() / "side.jpg")) << "the reload deletes the stale medium image";
  ASSERT_TRUE(ProcessImage(job, "side.jpg").complete);
  // The new medium image is the upright photo turned by 90°: the sample
  // shown upright differs from it by about 13 per sample, a wrong turn by 65.
  const DecodedFile mediumImage = Decode(medium() / "side.jpg");
  ASSERT_TRUE(mediumImage.ok);
  // Standing now: fitted to the box's height, a few pixels narrower than
  // 450 for the edge units the turn trimmed.
  ASSERT_EQ(mediumImage.picture.height(), 600);
  ASSERT_NEAR(mediumImage.picture.width(), 450, 10);
  // The stored photo turned by 180° lost its partial edge units: 2 columns
  // and 8 rows, now at the left and the top of the picture.
  const ImageBuffer turned = Upright(Decode(data + "landscape_1.jpg").picture, 6);
  ASSERT_EQ(turned.width(), 450);
  ImageBuffer kept;
  kept.Allocate(448, 592, turned.components());
  for (int y = 0; y < 592; ++y)
    for (int x = 0; x < 448; ++x)
      for (int c = 0; c < turned.components(); ++c) kept.pixel(x, y)[c] = turned.pixel(x + 2, y + 8)[c];
  ImageBuffer expected;
  ASSERT_TRUE(ResampleTo(kept, expected, {mediumImage.picture.width(), 600}, FitSide::Height));
  EXPECT_LT(MeanDifference(mediumImage.picture, expected), 25.0);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(ImageTransformsTest, NamesOutsideTheFolderAreRefused) {
  WriteRampJpeg(dir_.path() / "ImageTree/outside.jpg", 64, 48);
  const std::string before = ReadText(dir_.path() / "ImageTree/outside.jpg");
  const ImageEditOutcome outcome = TransformImages(imagesDir(), {"../outside.jpg"}, 1, sink_);
  EXPECT_EQ(outcome.failed, std::vector<std::string>{"../outside.jpg"});
  EXPECT_EQ(ReadText(dir_.path() / "ImageTree/outside.jpg"), before);
}

// A write that fails part-way (here: the file-size limit, which binds root
// too) leaves the photo it was writing as it was, and the others are done.
TEST_F(ImageTransformsTest, WriteFailingHalfWayLeavesEveryPhotoWhole) {
  DatedPhoto("a.jpg", "2004:07:01 10:00:00");
  DatedPhoto("big.jpg", "2004:07:01 10:00:00", 1600);
  DatedPhoto("c.jpg", "2004:07:01 10:00:00");
  const std::string big = ReadText(images() / "big.jpg");
  ASSERT_GT(big.size(), 20000u);
  ASSERT_LT(fs::file_size(images() / "a.jpg"), 10000u);

  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit low = old;
  low.rlim_cur = 10000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
  const ImageEditOutcome rotated =
      TransformImages(imagesDir(), {"a.jpg", "big.jpg", "c.jpg"}, static_cast<int>(TransformCode::kRotate270), sink_);
  const std::vector<std::string> rotateShown = Shown();
  Environment::prompter().Clear();
  const ImageEditOutcome shifted = ShiftDates(imagesDir(), {"a.jpg", "big.jpg", "c.jpg"}, 3600, sink_);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(rotated.changed, (std::vector<std::string>{"a.jpg", "c.jpg"}));
  EXPECT_EQ(rotated.failed, std::vector<std::string>{"big.jpg"});
  EXPECT_EQ(rotateShown,
            (std::vector<std::string>{"Cannot create file " + imagesDir() + "big.jpg\r\n\r\n" + "27 : File too large",
                                      "Cannot rotate file big.jpg"}));
  EXPECT_EQ(shifted.failed, std::vector<std::string>{"big.jpg"});
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot update file big.jpg\r\n\r\n27 : File too large"});
  EXPECT_EQ(ReadText(images() / "big.jpg"), big);
  EXPECT_EQ(Decode(images() / "a.jpg").picture.width(), 48);
  EXPECT_EQ(DateOf(images() / "c.jpg"), "2004:07:01 11:00:00");
  EXPECT_EQ(Contents(images()).size(), 3u) << "no temporary file is left behind";
}

// A folder the user may not write to: every photo is named and stays whole.
// Root writes anywhere, so the commands then run in a child process that
// has given up root.
TEST_F(ImageTransformsTest, ReadOnlyFolderLeavesEveryPhotoWholeAndNamesEach) {
  DatedPhoto("a.jpg", "2004:07:01 10:00:00");
  DatedPhoto("b.jpg", "2004:07:01 10:00:00");
  const std::map<std::string, std::string> before = Contents(images());
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(dir_.path() / "ImageTree", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(images(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  auto run = [&] {
    const ImageEditOutcome rotated = TransformImages(imagesDir(), {"a.jpg", "b.jpg"}, 1, sink_);
    const ImageEditOutcome shifted = ShiftDates(imagesDir(), {"a.jpg", "b.jpg"}, 60, sink_);
    const ImageEditOutcome set = SetDates(imagesDir(), {"a.jpg"}, std::time(nullptr), sink_);
    const std::vector<std::string> expected = {
        "Cannot create file " + imagesDir() + "a.jpg\r\n\r\n13 : Permission denied",
        "Cannot rotate file a.jpg",
        "Cannot create file " + imagesDir() + "b.jpg\r\n\r\n13 : Permission denied",
        "Cannot rotate file b.jpg",
        "Cannot update file a.jpg\r\n\r\n13 : Permission denied",
        "Cannot update file b.jpg\r\n\r\n13 : Permission denied",
        "Cannot update file a.jpg\r\n\r\n13 : Permission denied"};
    return rotated.failed.size() == 2 && shifted.failed.size() == 2 && set.failed.size() == 1 && Shown() == expected;
  };
  if (RunningAsRoot()) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
      ::_exit(dropped && run() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child saw other outcomes or messages";
  } else {
    EXPECT_TRUE(run()) << ::testing::PrintToString(Shown());
  }
  fs::permissions(images(), fs::perms::owner_all);
  EXPECT_EQ(Contents(images()), before);
}

}  // namespace
}  // namespace albumsmith::test
