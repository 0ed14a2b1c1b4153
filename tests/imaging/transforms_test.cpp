#include "imaging/transforms.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/exif_fixture.h"
#include "imaging/exif_reader.h"
#include "imaging/resample.h"
#include "imaging/test_pictures.h"
#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::Environment;
using test::TempDir;

// The orientation value whose upright turn is what a Transform code does.
int OrientationOfCode(int code) {
  switch (static_cast<TransformCode>(code)) {
    case TransformCode::kRotate90:
      return 6;
    case TransformCode::kRotate180:
      return 3;
    case TransformCode::kRotate270:
      return 8;
    case TransformCode::kFlipLeftRight:
      return 2;
    case TransformCode::kFlipUpDown:
      return 4;
  }
  return 1;
}

struct Sections {
  std::string exif;
  std::string comment;
  std::string icc;
  int orientation = 0;
  std::string date;
};
Sections SectionsOf(const fs::path& file) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  Sections s;
  if (!reader.ReadFile(file, ImageData::Skip)) return s;
  for (const JpegSection& section : reader.sections()) {
    const std::string bytes(section.data.begin(), section.data.end());
    if (section.type == kMarkerApp1 && s.exif.empty()) s.exif = bytes;
    if (section.type == kMarkerCom) s.comment = bytes.substr(2);
    if (section.type == kMarkerApp2) s.icc = bytes;
  }
  s.orientation = reader.info().orientation;
  s.date = reader.info().dateTime;
  return s;
}

bool SamePixels(const ImageBuffer& a, const ImageBuffer& b) {
  return a.width() == b.width() && a.height() == b.height() && a.components() == b.components() &&
         std::equal(a.data(), a.data() + a.size(), b.data());
}

// How far `result` is from `expected` less the edge units a transform
// trimmed: up to 15 rows or columns, gone from whichever sides they ended on.
double DifferenceLessTrimmedEdges(const ImageBuffer& result, const ImageBuffer& expected) {
  const int dx = expected.width() - result.width(), dy = expected.height() - result.height();
  if (dx < 0 || dx > 15 || dy < 0 || dy > 15 || result.components() != expected.components()) return 1e9;
  double best = 1e9;
  for (int left : {0, dx}) {
    for (int top : {0, dy}) {
      double sum = 0;
      for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
          for (int c = 0; c < result.components(); ++c)
            sum += std::abs(result.pixel(x, y)[c] - expected.pixel(x + left, y + top)[c]);
      best = std::min(best, sum / static_cast<double>(result.size()));
    }
  }
  return best;
}

class Transforms : public ::testing::Test {
 protected:
  void SetUp() override { Environment::prompter().Clear(); }
  std::vector<std::string> Shown() const { return Environment::prompter().texts(); }
  fs::path At(const std::string& name) const { return dir_.path() / name; }
  TempDir dir_;
};

// The user turns what the program shows: a photo stored sideways under an
// orientation tag comes out as its upright picture with the turn applied, and
// its tag reads 1; a photo without tag gets exactly the turn asked for.
TEST_F(Transforms, TurnsThePictureAsShownWhateverItsOrientationTag) {
  const fs::path source = At("source.jpg");
  test::WriteRampJpeg(source, 48, 32);
  const test::DecodedFile stored = test::Decode(source);
  ASSERT_TRUE(stored.ok);
  for (int orientation = 0; orientation <= 8; ++orientation) {
    for (int code = 1; code <= 5; ++code) {
      for (bool motorola : {false, true}) {
        SCOPED_TRACE("orientation " + std::to_string(orientation) + ", code " + std::to_string(code) +
                     (motorola ? ", Motorola order" : ", Intel order"));
        const fs::path file = At("turned.jpg");
        fs::copy_file(source, file, fs::copy_options::overwrite_existing);
        test::ExifFixture exif;
        exif.orientation = orientation;
        exif.date = "2004:07:01 10:00:00";
        exif.motorola = motorola;
        test::AddSections(file, exif);
        ASSERT_TRUE(TransformFile(code, file.string()));
        const test::DecodedFile turned = test::Decode(file);
        ASSERT_TRUE(turned.ok);
        const ImageBuffer expected = Upright(Upright(stored.picture, orientation), OrientationOfCode(code));
        EXPECT_LT(test::MeanDifference(turned.picture, expected), 1.5);
        const Sections after = SectionsOf(file);
        EXPECT_EQ(after.orientation, orientation == 0 ? 0 : 1);
        EXPECT_EQ(after.date, "2004:07:01 10:00:00");
      }
    }
  }
  EXPECT_TRUE(Shown().empty());
}

// Some cameras repeat the tag in the thumbnail's directory; both are reset,
// or the one left would turn the picture again.
TEST_F(Transforms, EveryOrientationTagOfTheBlockIsReset) {
  const fs::path file = At("twice-tagged.jpg");
  test::WriteRampJpeg(file, 48, 32);
  const test::DecodedFile stored = test::Decode(file);
  test::ExifFixture exif;
  exif.orientation = 6;
  exif.thumbnailOrientation = 6;
  exif.date = "2004:07:01 10:00:00";
  test::AddSections(file, exif);
  ASSERT_TRUE(TransformFile(static_cast<int>(TransformCode::kRotate90), file.string()));
  EXPECT_EQ(SectionsOf(file).orientation, 1);
  const std::string block = SectionsOf(file).exif;
  // Intel order: tag 0x0112, format 3, count 1, value 1.
  const std::string resetEntry("\x12\x01\x03\x00\x01\x00\x00\x00\x01\x00", 10);
  const size_t first = block.find(resetEntry);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(block.find(resetEntry, first + 1), std::string::npos) << "the thumbnail's tag too";
  EXPECT_LT(test::MeanDifference(test::Decode(file).picture, Upright(Upright(stored.picture, 6), 6)), 1.5);
}

TEST_F(Transforms, QuarterTurnsAddUpExactly) {
  // 64 x 48 is a whole number of 16 x 16 coding units: nothing is trimmed.
  test::WriteRampJpeg(At("once.jpg"), 64, 48);
  fs::copy_file(At("once.jpg"), At("twice.jpg"));
  fs::copy_file(At("once.jpg"), At("four.jpg"));
  const test::DecodedFile original = test::Decode(At("once.jpg"));
  const int rotate90 = static_cast<int>(TransformCode::kRotate90);
  ASSERT_TRUE(TransformFile(static_cast<int>(TransformCode::kRotate180), At("once.jpg").string()));
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(TransformFile(rotate90, At("twice.jpg").string()));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(TransformFile(rotate90, At("four.jpg").string()));
  const test::DecodedFile once = test::Decode(At("once.jpg"));
  const test::DecodedFile twice = test::Decode(At("twice.jpg"));
  EXPECT_TRUE(SamePixels(twice.picture, once.picture)) << "two quarter turns are one half turn";
  EXPECT_FALSE(SamePixels(once.picture, original.picture));
  EXPECT_TRUE(SamePixels(test::Decode(At("four.jpg")).picture, original.picture))
      << "four quarter turns change nothing";
}

// The colour transform of Adobe CMYK and YCCK files rides in their APP14
// section, and a progressive file has its own scan structure: four quarter
// turns give each back as it decoded before.
TEST_F(Transforms, CmykYcckAndProgressiveFilesTurnLikeAnyOther) {
  const std::string data = ALBUMSMITH_TEST_DATA;
  for (const char* name : {"cmyk/adobe-cmyk.jpg", "cmyk/adobe-ycck.jpg", "progressive/ramp-64x48.jpg"}) {
    SCOPED_TRACE(name);
    const fs::path file = At("photo.jpg");
    fs::copy_file(data + "/" + name, file, fs::copy_options::overwrite_existing);
    const test::DecodedFile before = test::Decode(file);
    ASSERT_TRUE(before.ok);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(TransformFile(static_cast<int>(TransformCode::kRotate90), file.string()));
    const test::DecodedFile after = test::Decode(file);
    ASSERT_TRUE(after.ok);
    EXPECT_LT(DifferenceLessTrimmedEdges(after.picture, before.picture), 1.0);
  }
}

// A 4000 x 3000 photo with 4:2:0 chroma has coding units of 16 x 16, and
// 3000 rows leave half a unit at the bottom. Turned by 90°, that part would
// have to move to the left edge; it is trimmed instead of being left there
// as a strip of blocks from elsewhere in the picture.
TEST_F(Transforms, PartialEdgeUnitsAreTrimmedNotDisplaced) {
  const fs::path file = At("big.jpg");
  test::WriteRampJpeg(file, 4000, 3000);
  const test::DecodedFile original = test::Decode(file);
  ASSERT_TRUE(original.ok);
  ASSERT_TRUE(TransformFile(static_cast<int>(TransformCode::kRotate90), file.string()));
  const test::DecodedFile turned = test::Decode(file);
  ASSERT_TRUE(turned.ok);
  ASSERT_EQ(turned.picture.width(), 2992);
  ASSERT_EQ(turned.picture.height(), 4000);

  // The original without its 8 trimmed rows, turned in memory.
  ImageBuffer kept;
  kept.Allocate(4000, 2992, 3);
  std::copy(original.picture.data(), original.picture.data() + kept.size(), kept.data());
  const ImageBuffer expected = Upright(kept, 6);
  // Column bands of one coding unit: a displaced strip shows as one band far off.
  double worst = 0;
  int worstBand = -1;
  for (int band = 0; band < 2992 / 16; ++band) {
    double sum = 0;
    for (int y = 0; y < 4000; ++y)
      for (int x = band * 16; x < band * 16 + 16; ++x)
        for (int c = 0; c < 3; ++c) sum += std::abs(turned.picture.pixel(x, y)[c] - expected.pixel(x, y)[c]);
    const double mean = sum / (16.0 * 4000 * 3);
    if (mean > worst) worst = mean, worstBand = band;
  }
  EXPECT_LT(worst, 1.5) << "column band " << worstBand;
}

TEST_F(Transforms, KeepsExifBlockCommentAndColourProfile) {
  const fs::path file = At("camera.jpg");
  fs::copy_file(std::string(ALBUMSMITH_TEST_DATA) + "/exif/canon-ixus.jpg", file);
  test::ExifFixture extra;
  extra.comment = "Lake at dawn";
  extra.icc = "profile bytes";
  test::AddSections(file, extra);
  const Sections before = SectionsOf(file);
  ASSERT_FALSE(before.exif.empty());
  ASSERT_LE(before.orientation, 1) << "a photo whose tag stays as it is";
  ASSERT_TRUE(TransformFile(static_cast<int>(TransformCode::kFlipLeftRight), file.string()));
  const Sections after = SectionsOf(file);
  EXPECT_EQ(after.exif, before.exif) << "the Exif block, its thumbnail included, is carried unchanged";
  EXPECT_EQ(after.comment, "Lake at dawn");
  EXPECT_EQ(after.icc, before.icc);
}

TEST_F(Transforms, ASidewaysPhotoTurnedBy90ShowsTheUprightPictureTurned) {
  const std::string data = std::string(ALBUMSMITH_TEST_DATA) + "/orientation/";
  for (const char* name : {"landscape_6.jpg", "landscape_8.jpg"}) {
    SCOPED_TRACE(name);
    const fs::path file = At(name);
    fs::copy_file(data + name, file);
    ASSERT_TRUE(TransformFile(static_cast<int>(TransformCode::kRotate90), file.string()));
    EXPECT_EQ(SectionsOf(file).orientation, 1);
    // The two samples were encoded apart and differ by about 13 per sample
    // when they show the same; a wrong turn is several times that.
    const ImageBuffer upright = test::Decode(data + "landscape_1.jpg").picture;
    EXPECT_LT(DifferenceLessTrimmedEdges(test::Decode(file).picture, Upright(upright, 6)), 25.0);
  }
}

TEST_F(Transforms, RefusesWhatItCannotTransformAndLeavesTheFile) {
  struct Case {
    const char* what;
    int code;
    std::string bytes;
    std::vector<std::string> shown;
  };
  test::WriteRampJpeg(At("ramp.jpg"), 32, 32);
  const std::string jpeg = test::ReadText(At("ramp.jpg"));
  const Case cases[] = {
      {"a code that is no transform", 6, jpeg, {}},
      {"not a JPEG", 1, "plain text, not a picture", {}},
      {"cut short", 1, jpeg.substr(0, jpeg.size() / 2), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Environment::prompter().Clear();
    test::WriteText(At("photo.jpg"), c.bytes);
    EXPECT_FALSE(TransformFile(c.code, At("photo.jpg").string()));
    EXPECT_EQ(test::ReadText(At("photo.jpg")), c.bytes);
    EXPECT_EQ(Shown(), c.shown);
  }
  Environment::prompter().Clear();
  EXPECT_FALSE(TransformFile(1, At("missing.jpg").string()));
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot open file " + At("missing.jpg").string()});
}

TEST(TimeOffsetFields, CheckedAsTheDialogChecksThem) {
  struct Case {
    const char* hours;
    const char* minutes;
    const char* seconds;
    bool remove;
    bool ok;
    long long value;
    const char* message;
  };
  const Case cases[] = {
      {"1", "30", "0", false, true, 5400, ""},
      {"1", "30", "0", true, true, -5400, ""},
      {"48", "", "", false, true, 172800, ""},
      {"", "", "", false, true, 0, ""},
      {"", "59", "59", true, true, -3599, ""},
      {"", "75", "", false, false, 0, "Minutes or seconds format error"},
      {"", "", "60", false, false, 0, "Minutes or seconds format error"},
      {"1a", "", "", false, false, 0, "Only digits are allowed"},
      {"-1", "", "", false, false, 0, "Only digits are allowed"},
      {"", " 5", "", false, false, 0, "Only digits are allowed"},
      // Digits come before the range: a letter anywhere is named first.
      {"", "75", "x", false, false, 0, "Only digits are allowed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.hours) + "/" + c.minutes + "/" + c.seconds);
    const TimeOffset offset = CheckTimeOffset(c.hours, c.minutes, c.seconds, c.remove);
    EXPECT_EQ(offset.ok, c.ok);
    EXPECT_EQ(offset.message, c.message);
    if (c.ok) {
      EXPECT_EQ(offset.seconds, c.value);
    }
  }
  EXPECT_TRUE(CheckTimeOffset(std::string(60, '9'), "", "", false).ok) << "hours have no upper limit";
}

TEST(TimeOffsetText, ReadsSignHoursMinutesSeconds) {
  const std::pair<const char*, long long> good[] = {
      {"+1:30:00", 5400}, {"-1:30:00", -5400}, {"1:30:00", 5400}, {"48:00:00", 172800}, {"0:00:05", 5}};
  for (const auto& [text, seconds] : good) {
    const TimeOffset offset = ParseTimeOffset(text);
    EXPECT_TRUE(offset.ok) << text;
    EXPECT_EQ(offset.seconds, seconds) << text;
  }
  const std::pair<const char*, const char*> bad[] = {{"0:75:00", "Minutes or seconds format error"},
                                                     {"1a:00:00", "Only digits are allowed"},
                                                     {"1:30", "The time offset must read [+|-]H:MM:SS"},
                                                     {"1:30:00:00", "The time offset must read [+|-]H:MM:SS"},
                                                     {"+-1:00:00", "Only digits are allowed"}};
  for (const auto& [text, message] : bad) {
    const TimeOffset offset = ParseTimeOffset(text);
    EXPECT_FALSE(offset.ok) << text;
    EXPECT_EQ(offset.message, message) << text;
  }
}

TEST(ExifDateTimeText, OnlyRealDatesRead) {
  const std::optional<std::time_t> t = ParseExifDateTime("2004:07:01 10:00:00");
  ASSERT_TRUE(t);
  std::tm local{};
  localtime_r(&*t, &local);
  EXPECT_EQ(local.tm_year, 104);
  EXPECT_EQ(local.tm_mon, 6);
  EXPECT_EQ(local.tm_mday, 1);
  EXPECT_EQ(local.tm_hour, 10);
  for (const char* bad :
       {"2004:04:31 10:00:00", "2004:07:01 24:00:00", "2004-07-01 10:00:00", "2004:07:01", "2004:07:01 10:00:0x", ""})
    EXPECT_FALSE(ParseExifDateTime(bad)) << bad;
}

}  // namespace
}  // namespace albumsmith
