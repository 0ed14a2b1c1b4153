#include "imaging/derived_images.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/test_pictures.h"
#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(MediumSize, FitsTheBoxByProportion) {
  struct Case {
    PictureSize upright;
    int stampBand;
    PictureSize medium;
  };
  const Case cases[] = {
      {{3000, 2000}, 0, {800, 534}},
      {{2000, 3000}, 0, {400, 600}},
      {{1600, 1200}, 0, {800, 600}},  // exactly the box's proportion: fitted to the height
      {{1601, 1200}, 0, {800, 600}},  // 749.5 per thousand still counts as 749 < 750: width
      {{6000, 4000}, 0, {800, 534}},
      // A 50-pixel band for a stamp: the box is 800 x 550, limit 687.
      {{3000, 2000}, 50, {800, 534}},
      {{3000, 2100}, 50, {786, 550}},
      {{400, 300}, 0, {800, 600}},  // smaller photos are enlarged to the box
  };
  for (const Case& c : cases)
    EXPECT_EQ(MediumSize(c.upright, c.stampBand), c.medium) << c.upright.width << "x" << c.upright.height;
}

TEST(ThumbnailSize, FitsTheLongerSide) {
  EXPECT_EQ(ThumbnailSize({3000, 2000}, 100), (PictureSize{100, 67}));
  EXPECT_EQ(ThumbnailSize({2000, 3000}, 100), (PictureSize{67, 100}));
  EXPECT_EQ(ThumbnailSize({3000, 2000}, 160), (PictureSize{160, 107}));
}

class DerivedFiles : public ::testing::Test {
 protected:
  void SetUp() override { test::Environment::prompter().Clear(); }
  std::string Path(const char* name) const { return (dir_.path() / name).string(); }
  TempDir dir_;
};

TEST_F(DerivedFiles, OnlyAStrictlyNewerDerivedFileIsUpToDate) {
  struct Case {
    const char* name;
    int sourceAge;  // seconds from now; 0: the file is missing
    int derivedAge;
    bool older;
  };
  const Case cases[] = {
      {"derived-newer", -100, -10, false}, {"derived-older", -10, -100, true}, {"same-time", -50, -50, true},
      {"derived-missing", -10, 0, true},   {"source-missing", 0, -10, true},
  };
  for (const Case& c : cases) {
    const std::string source = Path("source.jpg"), derived = Path("derived.jpg");
    fs::remove(source);
    fs::remove(derived);
    if (c.sourceAge) {
      test::WriteRampJpeg(source, 8, 8);
      test::SetAge(source, c.sourceAge);
    }
    if (c.derivedAge) {
      test::WriteRampJpeg(derived, 8, 8);
      test::SetAge(derived, c.derivedAge);
    }
    EXPECT_EQ(IsOlderThanSource(source, derived), c.older) << c.name;
    EXPECT_EQ(IsUpToDateJpeg(source, derived), !c.older) << c.name;
  }
}

TEST_F(DerivedFiles, ANewerFileThatIsNoJpegIsNotUpToDate) {
  test::WriteRampJpeg(Path("source.jpg"), 8, 8);
  test::SetAge(Path("source.jpg"), -100);
  test::WriteText(Path("derived.jpg"), "half");
  EXPECT_FALSE(IsOlderThanSource(Path("source.jpg"), Path("derived.jpg")));
  EXPECT_FALSE(IsUpToDateJpeg(Path("source.jpg"), Path("derived.jpg")));
}

TEST_F(DerivedFiles, OneDecodeAtAReducedScaleGivesBothExactSizes) {
  test::WriteRampJpeg(Path("photo.jpg"), 3000, 2000);
  const uint64_t before = JpegDecodeCount();
  DecodedPhoto photo;
  ASSERT_TRUE(photo.Load(Path("photo.jpg"), {.medium = true, .thumbnail = true, .maxThumbSize = 100}));
  // 3/8 leaves 1125 x 750, the least that still covers 800 x 534.
  EXPECT_EQ(photo.picture().width(), 1125);
  EXPECT_EQ(photo.fileSize(), (PictureSize{3000, 2000}));
  const ImageBuffer medium = photo.Medium(0);
  const ImageBuffer thumbnail = photo.Thumbnail(100);
  EXPECT_EQ(JpegDecodeCount() - before, 1u);
  EXPECT_EQ((PictureSize{medium.width(), medium.height()}), (PictureSize{800, 534}));
  EXPECT_EQ((PictureSize{thumbnail.width(), thumbnail.height()}), (PictureSize{100, 67}));
  // Same picture as the full-size route gives, up to the decoder's own scaling.
  ImageBuffer full, reference;
  ASSERT_TRUE(LoadJpeg(Path("photo.jpg"), full, false));
  ASSERT_TRUE(Resample(full, reference, 800, ResampleMode::FitWidth));
  EXPECT_LT(test::MeanDifference(medium, reference), 2.0);
}

TEST_F(DerivedFiles, AThumbnailAloneIsDecodedAtTheSmallestScale) {
  test::WriteRampJpeg(Path("photo.jpg"), 3000, 2000);
  DecodedPhoto photo;
  ASSERT_TRUE(photo.Load(Path("photo.jpg"), {.thumbnail = true, .maxThumbSize = 100}));
  EXPECT_EQ(photo.picture().width(), 375);
  const ImageBuffer thumbnail = photo.Thumbnail(100);
  EXPECT_EQ((PictureSize{thumbnail.width(), thumbnail.height()}), (PictureSize{100, 67}));
}

// The same landscape photo stored as shot and stored on its side with Exif
// orientation 6 (turn clockwise) or 8 (anticlockwise). The samples were
// encoded apart and each shows its own number, so even upright they differ
// by about 13 per sample; turned the wrong way they differ by about 65.
TEST_F(DerivedFiles, PhotosOnTheirSideComeOutUpright) {
  const std::string data = std::string(ALBUMSMITH_TEST_DATA) + "/orientation/";
  DecodedPhoto reference;
  ASSERT_TRUE(reference.Load(data + "landscape_1.jpg", {.medium = true, .thumbnail = true, .orientation = 1}));
  const ImageBuffer referenceMedium = reference.Medium(0);
  const ImageBuffer referenceThumbnail = reference.Thumbnail(100);
  ASSERT_EQ((PictureSize{referenceMedium.width(), referenceMedium.height()}), (PictureSize{800, 600}));
  for (int orientation : {6, 8}) {
    const std::string file = data + "landscape_" + std::to_string(orientation) + ".jpg";
    DecodedPhoto photo;
    ASSERT_TRUE(photo.Load(file, {.medium = true, .thumbnail = true, .orientation = orientation}));
    EXPECT_EQ(photo.fileSize(), (PictureSize{450, 600})) << "stored on its side";
    EXPECT_EQ(photo.uprightSize(), (PictureSize{600, 450}));
    EXPECT_LT(test::MeanDifference(photo.Medium(0), referenceMedium), 25.0) << orientation;
    EXPECT_LT(test::MeanDifference(photo.Thumbnail(100), referenceThumbnail), 25.0) << orientation;

    DecodedPhoto turnedWrong;
    ASSERT_TRUE(turnedWrong.Load(file, {.medium = true, .orientation = 14 - orientation}));
    EXPECT_GT(test::MeanDifference(turnedWrong.Medium(0), referenceMedium), 40.0) << orientation;
  }
}

}  // namespace
}  // namespace albumsmith
