#include "imaging/resample.h"

#include <gtest/gtest.h>

#include <vector>

namespace albumsmith {
namespace {

ImageBuffer Picture(int32_t width, int32_t height, int32_t components, const std::vector<int>& samples) {
  ImageBuffer p;
  p.Allocate(width, height, components);
  for (size_t i = 0; i < p.size(); ++i) p.data()[i] = static_cast<uint8_t>(samples[i]);
  return p;
}

std::vector<int> Samples(const ImageBuffer& p) { return std::vector<int>(p.data(), p.data() + p.size()); }

// Expected samples worked out by hand from the filter's fixed-point rules:
// each target sample is (2048 + sum of weight * sample) / 4096 with weights
// of 1/4096ths, first down the columns into a temporary row (truncated to
// whole samples), then along it. The truncation, not rounding to nearest, is
// what makes 0 and 100 give 50 but 200 and 255 give 228.
struct ResampleCase {
  const char* name;
  int32_t width, height, components;
  std::vector<int> source;
  int size;
  ResampleMode mode;
  int32_t wantWidth, wantHeight;
  std::vector<int> want;
};

class ResampleExactness : public ::testing::TestWithParam<ResampleCase> {};

TEST_P(ResampleExactness, GivesTheFixedPointResult) {
  const ResampleCase& c = GetParam();
  ImageBuffer target;
  ASSERT_TRUE(Resample(Picture(c.width, c.height, c.components, c.source), target, c.size, c.mode));
  EXPECT_EQ(target.width(), c.wantWidth);
  EXPECT_EQ(target.height(), c.wantHeight);
  EXPECT_EQ(target.components(), c.components);
  EXPECT_EQ(Samples(target), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    TinyPictures, ResampleExactness,
    ::testing::Values(
        ResampleCase{"HalfWidthTruncates", 4, 1, 1, {0, 100, 200, 255}, 2, ResampleMode::FitWidth, 2, 1, {50, 228}},
        // factor 2/3 = 2730/4096: shares 2730 + 1366 and 1364 + 2732, the last
        // 2 units of the second row and column taken from the last source line.
        ResampleCase{"TwoThirdsSplitsLines",
                     3,
                     3,
                     1,
                     {0, 255, 90, 30, 60, 120, 255, 255, 255},
                     2,
                     ResampleMode::FitWidth,
                     2,
                     2,
                     {70, 130, 183, 203}},
        ResampleCase{"FiveToThree", 5, 1, 1, {0, 50, 100, 150, 200}, 3, ResampleMode::FitWidth, 3, 1, {20, 100, 180}},
        ResampleCase{"ColourComponentsSeparately",
                     2,
                     2,
                     3,
                     {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255},
                     1,
                     ResampleMode::FitLonger,
                     1,
                     1,
                     {128, 128, 128}},
        ResampleCase{
            "FitHeightWorksDownTheColumn", 1, 4, 1, {0, 100, 200, 255}, 2, ResampleMode::FitHeight, 1, 2, {50, 228}},
        ResampleCase{"LongerSideOfATallPictureIsItsHeight",
                     2,
                     4,
                     1,
                     {0, 0, 100, 100, 200, 200, 255, 255},
                     2,
                     ResampleMode::FitLonger,
                     1,
                     2,
                     {50, 228}},
        // Height 1 * 2 + 0.999 truncates to 2 rows; both repeat the one source row.
        ResampleCase{"EnlargingRepeatsSamples",
                     2,
                     1,
                     1,
                     {10, 200},
                     4,
                     ResampleMode::FitWidth,
                     4,
                     2,
                     {10, 10, 200, 200, 10, 10, 200, 200}}),
    [](const ::testing::TestParamInfo<ResampleCase>& info) { return info.param.name; });

TEST(Resample, RefusesAnEmptySourceOrASizeBelowOne) {
  ImageBuffer target;
  EXPECT_FALSE(Resample(ImageBuffer(), target, 10, ResampleMode::FitWidth));
  EXPECT_FALSE(Resample(Picture(2, 1, 1, {1, 2}), target, 0, ResampleMode::FitWidth));
}

// 10000 columns at 800/10000 = 327.68/4096 truncate to 327: the columns pour
// less than 800 pixels' worth, and the last target pixel would be left unset.
TEST(Resample, VeryWideSourceStillFillsEveryTargetPixel) {
  ImageBuffer source;
  source.Allocate(10000, 1, 1);
  std::fill(source.data(), source.data() + source.size(), 77);
  ImageBuffer target;
  ASSERT_TRUE(Resample(source, target, 800, ResampleMode::FitWidth));
  ASSERT_EQ(target.width(), 800);
  for (int32_t x = 0; x < target.width(); ++x) ASSERT_EQ(target.pixel(x, 0)[0], 77) << "column " << x;
}

TEST(FittedSize, FollowsTheFittedSideAndRoundsTheOtherUp) {
  struct Case {
    PictureSize source;
    int size;
    ResampleMode mode;
    PictureSize want;
    FitSide side;
  };
  const Case cases[] = {
      {{3000, 2000}, 800, ResampleMode::FitWidth, {800, 534}, FitSide::Width},
      {{2000, 3000}, 600, ResampleMode::FitHeight, {400, 600}, FitSide::Height},
      {{3000, 2000}, 100, ResampleMode::FitLonger, {100, 67}, FitSide::Width},
      {{2000, 3000}, 100, ResampleMode::FitLonger, {67, 100}, FitSide::Height},
      {{500, 500}, 100, ResampleMode::FitLonger, {100, 100}, FitSide::Width},
      {{100000, 10}, 100, ResampleMode::FitWidth, {100, 1}, FitSide::Width},
  };
  for (const Case& c : cases) {
    FitSide side;
    EXPECT_EQ(FittedSize(c.source, c.size, c.mode, &side), c.want) << c.source.width << "x" << c.source.height;
    EXPECT_EQ(side, c.side);
  }
}

// A stored 3 x 2 picture
//   1 2 3
//   4 5 6
// and how it looks upright for each Exif orientation.
TEST(Upright, TurnsAndMirrorsByExifOrientation) {
  struct Case {
    int orientation;
    int32_t width, height;
    std::vector<int> want;
  };
  const Case cases[] = {
      {1, 3, 2, {1, 2, 3, 4, 5, 6}}, {2, 3, 2, {3, 2, 1, 6, 5, 4}},  // mirrored left to right
      {3, 3, 2, {6, 5, 4, 3, 2, 1}},                                 // upside down
      {4, 3, 2, {4, 5, 6, 1, 2, 3}},                                 // mirrored top to bottom
      {5, 2, 3, {1, 4, 2, 5, 3, 6}},                                 // transposed
      {6, 2, 3, {4, 1, 5, 2, 6, 3}},                                 // turned a quarter clockwise
      {7, 2, 3, {6, 3, 5, 2, 4, 1}},                                 // transverse
      {8, 2, 3, {3, 6, 2, 5, 1, 4}},                                 // turned a quarter anticlockwise
      {0, 3, 2, {1, 2, 3, 4, 5, 6}},                                 // no orientation recorded
      {9, 3, 2, {1, 2, 3, 4, 5, 6}},                                 // not a valid one
  };
  const ImageBuffer stored = Picture(3, 2, 1, {1, 2, 3, 4, 5, 6});
  for (const Case& c : cases) {
    const ImageBuffer upright = Upright(stored, c.orientation);
    EXPECT_EQ(upright.width(), c.width) << "orientation " << c.orientation;
    EXPECT_EQ(upright.height(), c.height) << "orientation " << c.orientation;
    EXPECT_EQ(Samples(upright), c.want) << "orientation " << c.orientation;
    EXPECT_EQ(UprightSize({3, 2}, c.orientation), (PictureSize{c.width, c.height}));
  }
}

TEST(Upright, MovesWholePixelsOfColourPictures) {
  const ImageBuffer stored = Picture(2, 1, 3, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(Samples(Upright(stored, 6)), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Samples(Upright(stored, 2)), (std::vector<int>{4, 5, 6, 1, 2, 3}));
}

}  // namespace
}  // namespace albumsmith
