#include "imaging/jpeg_codec.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "imaging/resample.h"
#include "imaging/test_pictures.h"
#include "test_support.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::Environment;
using test::TempDir;

class JpegCodec : public ::testing::Test {
 protected:
  void SetUp() override { Environment::prompter().Clear(); }
  std::vector<std::string> Shown() const { return Environment::prompter().texts(); }
  std::vector<std::string> DirEntries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  TempDir dir_;
};

TEST_F(JpegCodec, RoundTripKeepsSizeComponentsAndSamples) {
  for (int32_t components : {1, 3}) {
    const fs::path file = dir_.path() / ("ramp" + std::to_string(components) + ".jpg");
    const ImageBuffer original = test::RampPicture(64, 48, components);
    ASSERT_TRUE(SaveJpeg(file.string(), original));
    EXPECT_TRUE(IsJpegFile(file.string()));
    const test::DecodedFile back = test::Decode(file);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.picture.components(), components) << "a greyscale picture stays greyscale";
    EXPECT_LT(test::MeanDifference(back.picture, original), 3.0);
  }
  EXPECT_TRUE(Shown().empty());
}

TEST_F(JpegCodec, IsJpegFileLooksAtTheFirstTwoBytes) {
  struct Case {
    const char* name;
    std::string bytes;
    bool jpeg;
  };
  const Case cases[] = {
      {"soi", std::string("\xFF\xD8", 2), true},
      {"soi-then-junk", std::string("\xFF\xD8junk", 6), true},
      {"one-byte", std::string("\xFF", 1), false},
      {"empty", "", false},
      {"png", "\x89PNG\r\n", false},
  };
  for (const Case& c : cases) {
    test::WriteText(dir_.path() / c.name, c.bytes);
    EXPECT_EQ(IsJpegFile((dir_.path() / c.name).string()), c.jpeg) << c.name;
  }
  EXPECT_FALSE(IsJpegFile((dir_.path() / "missing").string()));
}

// Files that must not become pictures, none of them a reason to stop the
// program. Only a file that cannot be opened is worth a message; the others
// are skipped quietly.
TEST_F(JpegCodec, BadFilesAreRefusedWithoutACrash) {
  test::WriteRampJpeg(dir_.path() / "good.jpg", 64, 48);
  const std::string good = test::ReadText(dir_.path() / "good.jpg");
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"text.jpg", "this is not a picture"},
      {"empty.jpg", ""},
      {"soi-then-junk.jpg", std::string("\xFF\xD8", 2) + std::string(300, 'U')},
      {"cut-in-header.jpg", good.substr(0, 100)},
      // A photo still being copied: the header is complete, the scan is not.
      {"cut-in-scan.jpg", good.substr(0, good.size() / 2)},
      {"corrupt-frame.jpg",
       [&] {
         std::string b = good;
         const size_t sof = b.find("\xFF\xC0");
         b[sof + 5] = 0;  // height 0
         b[sof + 6] = 0;
         return b;
       }()},
  };
  for (const Case& c : cases) {
    const fs::path file = dir_.path() / c.name;
    test::WriteText(file, c.bytes);
    ImageBuffer picture;
    EXPECT_FALSE(LoadJpeg(file.string(), picture, false)) << c.name;
    EXPECT_TRUE(picture.empty()) << c.name;
  }
  EXPECT_EQ(Shown(), std::vector<std::string>{});

  ImageBuffer picture;
  const std::string missing = (dir_.path() / "missing.jpg").string();
  EXPECT_FALSE(LoadJpeg(missing, picture, false));
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot open file " + missing});
}

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A small progressive file whose frame header claims another size: the
// library would allocate a coefficient buffer for the claimed size (16.7 GB
// for 65000 x 65000) before reading a single scan.
TEST_F(JpegCodec, PicturesBeyondTheSizeLimitAreRefusedBeforeAnyAllocation) {
  const std::string small = test::ReadText(std::string(ALBUMSMITH_TEST_DATA) + "/progressive/ramp-64x48.jpg");
  const size_t sof = small.find("\xFF\xC2");
  ASSERT_NE(sof, std::string::npos);
  struct Case {
    int width, height;
    bool refused;
  } cases[] = {
      {65000, 65000, true}, {30001, 8, true}, {8, 30001, true}, {20000, 20000, true},  // 400 megapixels
      {30000, 8, false},  // within the limits: decoded from what its scans hold
  };
  for (const Case& c : cases) {
    std::string bytes = small;
    bytes[sof + 5] = static_cast<char>(c.height >> 8);
    bytes[sof + 6] = static_cast<char>(c.height & 0xFF);
    bytes[sof + 7] = static_cast<char>(c.width >> 8);
    bytes[sof + 8] = static_cast<char>(c.width & 0xFF);
    const fs::path file = dir_.path() / "claims.jpg";
    test::WriteText(file, bytes);
    Environment::prompter().Clear();
    const long peakBefore = PeakResidentKb();
    ImageBuffer picture;
    int32_t fileWidth = 0, fileHeight = 0;
    const bool decoded = LoadJpegScaled(
        file.string(), picture,
        [](int32_t, int32_t) {
          return DecodeNeed{800, 600};
        },
        fileWidth, fileHeight);
    EXPECT_TRUE(!c.refused || !decoded) << c.width << " x " << c.height;
    EXPECT_LT(PeakResidentKb() - peakBefore, 32 * 1024) << c.width << " x " << c.height;
    const std::string message = file.string() + " is not processed: the picture is " + std::to_string(c.width) + " x " +
                                std::to_string(c.height) +
                                " pixels, more than the 30000 pixels a side or 250 megapixels this program handles";
    EXPECT_EQ(Shown(), c.refused ? std::vector<std::string>{message} : std::vector<std::string>{})
        << c.width << " x " << c.height;
  }
}

// Progressive decodes on several threads take turns rather than all holding
// their buffers at once; each still decodes in full.
TEST_F(JpegCodec, ProgressiveFilesDecodeOnSeveralThreads) {
  const std::string file = std::string(ALBUMSMITH_TEST_DATA) + "/progressive/ramp-64x48.jpg";
  std::vector<std::thread> threads;
  std::atomic<int> decoded{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20; ++i) {
        ImageBuffer picture;
        if (LoadJpeg(file, picture, false) && picture.width() == 64 && picture.height() == 48) ++decoded;
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(decoded.load(), 80);
  EXPECT_TRUE(Shown().empty());
}

TEST_F(JpegCodec, ReduceKeepsOneSideAboveOneHundred) {
  struct Case {
    int32_t width, height;
    PictureSize want;
  };
  const Case cases[] = {
      {800, 600, {200, 150}},  // 1/8 leaves 100 x 75: not above 100
      {1000, 50, {125, 7}},    // 1/8 already leaves 125
      {202, 10, {101, 5}},     // 1/2
      {150, 150, {150, 150}},  // even 1/2 leaves 75: full size
  };
  for (const Case& c : cases) {
    const fs::path file = dir_.path() / "reduce.jpg";
    test::WriteRampJpeg(file, c.width, c.height);
    ImageBuffer picture;
    ASSERT_TRUE(LoadJpeg(file.string(), picture, true));
    EXPECT_EQ((PictureSize{picture.width(), picture.height()}), c.want) << c.width << "x" << c.height;
  }
}

TEST_F(JpegCodec, ScaledDecodeTakesTheSmallestScaleThatCoversTheNeed) {
  const fs::path file = dir_.path() / "photo.jpg";
  test::WriteRampJpeg(file, 600, 400);
  struct Case {
    DecodeNeed need;
    PictureSize want;
  };
  const Case cases[] = {
      {{75, 50}, {75, 50}},                                // 1/8
      {{76, 1}, {150, 100}},                               // 2/8
      {{1, 51}, {150, 100}},    {{200, 134}, {225, 150}},  // 3/8
      {{600, 400}, {600, 400}},                            // full
      {{601, 1}, {600, 400}},                              // more than the file has: full, never enlarged
  };
  for (const Case& c : cases) {
    ImageBuffer picture;
    int32_t fileWidth = 0, fileHeight = 0;
    const DecodeNeedFn need = [&](int32_t, int32_t) { return c.need; };
    ASSERT_TRUE(LoadJpegScaled(file.string(), picture, need, fileWidth, fileHeight));
    EXPECT_EQ((PictureSize{picture.width(), picture.height()}), c.want) << c.need.minWidth << "x" << c.need.minHeight;
    EXPECT_EQ((PictureSize{fileWidth, fileHeight}), (PictureSize{600, 400}));
  }
}

TEST_F(JpegCodec, DecodesAreCounted) {
  const fs::path file = dir_.path() / "photo.jpg";
  test::WriteRampJpeg(file, 16, 16);
  const uint64_t before = JpegDecodeCount();
  ImageBuffer picture;
  LoadJpeg(file.string(), picture, false);
  LoadJpeg(file.string(), picture, true);
  EXPECT_EQ(JpegDecodeCount() - before, 2u);
}

// Four 16 x 16 patches, red | green over blue | mid grey, written as Adobe
// writes CMYK (inks inverted, APP14 marker), once as CMYK and once as YCCK.
TEST_F(JpegCodec, CmykAndYcckBecomeRgb) {
  struct Patch {
    int32_t x, y;
    int r, g, b;
  };
  const Patch patches[] = {{8, 8, 255, 0, 0}, {24, 8, 0, 255, 0}, {8, 24, 0, 0, 255}, {24, 24, 127, 127, 127}};
  for (const char* name : {"adobe-cmyk.jpg", "adobe-ycck.jpg"}) {
    ImageBuffer picture;
    ASSERT_TRUE(LoadJpeg(std::string(ALBUMSMITH_TEST_DATA) + "/cmyk/" + name, picture, false)) << name;
    ASSERT_EQ(picture.components(), 3) << name;
    ASSERT_EQ(picture.width(), 32);
    for (const Patch& p : patches) {
      const uint8_t* px = picture.pixel(p.x, p.y);
      EXPECT_NEAR(px[0], p.r, 12) << name << " at " << p.x << "," << p.y;
      EXPECT_NEAR(px[1], p.g, 12) << name << " at " << p.x << "," << p.y;
      EXPECT_NEAR(px[2], p.b, 12) << name << " at " << p.x << "," << p.y;
    }
  }
}

// Writing beside and renaming: a second name of the old file keeps the old
// content, which writing in place would have destroyed.
TEST_F(JpegCodec, SaveReplacesTheFileWithoutWritingIntoIt) {
  const fs::path file = dir_.path() / "medium.jpg";
  test::WriteText(file, "old content");
  fs::create_hard_link(file, dir_.path() / "old-link");
  ASSERT_TRUE(SaveJpeg(file.string(), test::RampPicture(32, 32, 3)));
  EXPECT_TRUE(IsJpegFile(file.string()));
  EXPECT_EQ(test::ReadText(dir_.path() / "old-link"), "old content");
  EXPECT_EQ(DirEntries(), (std::vector<std::string>{"medium.jpg", "old-link"}));
}

TEST_F(JpegCodec, FailedSaveLeavesNoTemporaryFile) {
  // The name is taken by a folder, so the final rename fails.
  fs::create_directory(dir_.path() / "taken.jpg");
  EXPECT_FALSE(SaveJpeg((dir_.path() / "taken.jpg").string(), test::RampPicture(8, 8, 3)));
  EXPECT_EQ(DirEntries(), std::vector<std::string>{"taken.jpg"});
  EXPECT_TRUE(Shown().empty());

  const std::string nowhere = (dir_.path() / "missing-folder" / "x.jpg").string();
  EXPECT_FALSE(SaveJpeg(nowhere, test::RampPicture(8, 8, 3)));
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot open file " + nowhere});
}

TEST_F(JpegCodec, SaveRefusesComponentCountsOtherThanOneOrThree) {
  for (int32_t components : {2, 4}) {
    ImageBuffer picture;
    picture.Allocate(4, 4, components);
    std::fill(picture.data(), picture.data() + picture.size(), 0);
    EXPECT_FALSE(SaveJpeg((dir_.path() / "x.jpg").string(), picture)) << components;
  }
  EXPECT_TRUE(DirEntries().empty());
}

}  // namespace
}  // namespace albumsmith
