// Stamps on the medium images the worker makes, read back from the JPEG
// files, and the "Tag image(s)" command's files: which stamp files are
// written and which derived images go.

#include "album/stamp_images.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "album/image_worker.h"
#include "album/profile_maintenance.h"
#include "imaging/derived_images.h"
#include "imaging/font_renderer.h"
#include "imaging/test_pictures.h"
#include "store/profiles.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

int Brightness(const ImageBuffer& p, int x, int y) {
  const uint8_t* s = p.pixel(x, y);
  return p.components() == 1 ? s[0] : (s[0] + s[1] + s[2]) / 3;
}

class StampImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Environment::prompter().Clear();
    for (const fs::path& d : {images(), thumbs(), medium()}) fs::create_directories(d);
  }
  fs::path images() const { return dir_.path() / "ImageTree/Trip"; }
  fs::path thumbs() const { return dir_.path() / "albsite/s/Trip"; }
  fs::path medium() const { return dir_.path() / "albsite/m/Trip"; }
  void Photo(const std::string& name, int width, int height, int components, uint8_t value) {
    ASSERT_TRUE(SaveJpeg((images() / name).string(), FilledPicture(width, height, components, value)));
  }
  ProcessedImage Process(const std::string& name) {
    return ProcessImage({dir_.str(), "Trip/", settings_, {name}}, name);
  }
  bool Stamp(const std::vector<std::string>& names, const StampSettings& s) {
    return StampImages(dir_.str(), "Trip/", settings_, names, s);
  }

  TempDir dir_;
  ProfileSettings settings_;
};

// The stamp as the dialog writes it by default (29-pixel bold "Tag
// information", lower right), in white on an opaque black box over a white
// photo: the box ends 5 pixels from the right and bottom edges.
TEST_F(StampImagesTest, DefaultStampSitsFivePixelsFromTheLowerRightEdges) {
  Photo("a.jpg", 3000, 2000, 3, 255);
  StampSettings s;
  s.tag = 1;
  s.textColor = 15;
  s.bgColor = 0;
  s.background = 2;
  ASSERT_TRUE(Stamp({"a.jpg"}, s));
  ASSERT_TRUE(Process("a.jpg").complete);
  const DecodedFile m = Decode(medium() / "a.jpg");
  ASSERT_TRUE(m.ok);
  ASSERT_EQ(m.picture.width(), 800);
  ASSERT_EQ(m.picture.height(), 534);
  TextExtent e;
  ASSERT_TRUE(MeasureText(s.font, s.text, e));
  const int right = 800 - 6, bottom = 534 - 6;  // the box's last column and row
  // Along the box's edges, away from the letters: dark inside, white outside
  // (two pixels either way, for the JPEG's blur at an edge).
  const int midRow = bottom - e.height / 2;
  EXPECT_LT(Brightness(m.picture, right - 2, bottom - 1), 60);
  EXPECT_GT(Brightness(m.picture, right + 3, midRow), 200);
  EXPECT_GT(Brightness(m.picture, right - 20, bottom + 3), 200);
  EXPECT_LT(Brightness(m.picture, 800 - 5 - e.width + 2, bottom - 1), 60);
  EXPECT_GT(Brightness(m.picture, 800 - 5 - e.width - 3, midRow), 200);
  EXPECT_GT(Brightness(m.picture, right - 20, 534 - 5 - e.height - 3), 200);
  // Where the picture turns from white to the black box, read at half way:
  // the box's last column and row.
  int lastDarkColumn = 799;
  while (lastDarkColumn > 0 && Brightness(m.picture, lastDarkColumn, bottom - 1) >= 128) --lastDarkColumn;
  EXPECT_EQ(lastDarkColumn, right);
  int lastDarkRow = 533;
  while (lastDarkRow > 0 && Brightness(m.picture, right - 2, lastDarkRow) >= 128) --lastDarkRow;
  EXPECT_EQ(lastDarkRow, bottom);
  // The letters are there, white within the black.
  int lit = 0;
  for (int y = 534 - 5 - e.height; y <= bottom; ++y)
    for (int x = 800 - 5 - e.width; x <= right; ++x) lit += Brightness(m.picture, x, y) > 200;
  EXPECT_GT(lit, 200);
}

TEST_F(StampImagesTest, ExternalUpperLeftOn3000By2000TakesItsBandFromTheBox) {
  Photo("a.jpg", 3000, 2000, 3, 200);
  StampSettings s;
  s.tag = 1;
  s.external = 1;
  s.position = 0;
  s.textColor = 15;
  ASSERT_TRUE(Stamp({"a.jpg"}, s));
  const StampSettings written = ReadStamp((images() / "a.jpg.tag").string());
  const int h = written.boxHeight;
  ASSERT_GT(h, 0);
  ASSERT_TRUE(Process("a.jpg").complete);
  const DecodedFile m = Decode(medium() / "a.jpg");
  ASSERT_TRUE(m.ok);
  const PictureSize picture = MediumSize({3000, 2000}, h + 10);
  EXPECT_EQ(picture.width, 800);
  EXPECT_EQ(m.picture.width(), 800);
  EXPECT_EQ(m.picture.height(), picture.height + h + 10);
  EXPECT_LE(m.picture.height(), 600);
  // The band on top is black except for the white letters; the picture below.
  int lit = 0;
  for (int y = 0; y < h + 8; ++y)
    for (int x = 0; x < 800; ++x) {
      const int b = Brightness(m.picture, x, y);
      lit += b > 128;
      if (x > 5 + written.boxWidth + 8) {
        ASSERT_LT(b, 40) << x << "," << y;
      }
    }
  EXPECT_GT(lit, 200);
  EXPECT_NEAR(Brightness(m.picture, 400, h + 10 + 20), 200, 6);
}

TEST_F(StampImagesTest, TransparentOverWhiteWithBlackGivesHalfGreyAroundTheLetters) {
  Photo("a.jpg", 1600, 1200, 3, 255);
  StampSettings s;
  s.tag = 1;
  s.background = 1;
  s.bgColor = 0;
  s.textColor = 0;
  s.position = 4;
  s.text = "I";
  s.font.height = -120;
  ASSERT_TRUE(Stamp({"a.jpg"}, s));
  ASSERT_TRUE(Process("a.jpg").complete);
  const DecodedFile m = Decode(medium() / "a.jpg");
  ASSERT_TRUE(m.ok);
  // Inside the box, just above the letter's top (the ascent's upper rows).
  TextExtent e;
  ASSERT_TRUE(MeasureText(s.font, s.text, e));
  const int top = (600 - e.height) / 2;
  EXPECT_NEAR(Brightness(m.picture, 400, top + 3), 127, 4);
  EXPECT_NEAR(Brightness(m.picture, 400, top - 8), 255, 4);
}

TEST_F(StampImagesTest, GreyscalePhotoWithAStampGivesAColourMediumImageAndAGreyThumbnail) {
  Photo("g.jpg", 900, 600, 1, 128);
  StampSettings s;
  s.tag = 1;
  s.textColor = 9;
  ASSERT_TRUE(Stamp({"g.jpg"}, s));
  ASSERT_TRUE(Process("g.jpg").complete);
  EXPECT_EQ(Decode(medium() / "g.jpg").picture.components(), 3);
  EXPECT_EQ(Decode(thumbs() / "g.jpg").picture.components(), 1);
}

TEST_F(StampImagesTest, StampSwitchedOffOrUnreadable) {
  Photo("off.jpg", 900, 600, 1, 128);
  Photo("bad.jpg", 900, 600, 1, 128);
  StampSettings s;
  s.tag = 0;
  s.external = 1;
  ASSERT_TRUE(Stamp({"off.jpg"}, s));
  WriteText(images() / "bad.jpg.tag", "[parameters]\ntag=1\nfont=bold\n");
  ASSERT_TRUE(Process("off.jpg").complete);
  ASSERT_TRUE(Process("bad.jpg").complete);
  const DecodedFile off = Decode(medium() / "off.jpg");
  EXPECT_EQ(off.picture.components(), 1) << "a stamp that is off is not drawn";
  EXPECT_EQ(off.picture.height(), 534) << "nor does it take room";
  // The unusable stamp is reported; the medium image is still written.
  EXPECT_EQ(Environment::prompter().texts(),
            std::vector<std::string>{"Error in tag file \"" + (images() / "bad.jpg.tag").string() + "\""});
  EXPECT_TRUE(Decode(medium() / "bad.jpg").ok);
}

TEST_F(StampImagesTest, WritesTheSameStampForEachImageAndDeletesOnlyTheirMediumImages) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    Photo(name, 400, 300, 3, 90);
    ASSERT_TRUE(Process(name).complete);
    SetAge(medium() / name, 60);
    SetAge(thumbs() / name, 60);
  }
  const auto thumbTime = fs::last_write_time(thumbs() / "a.jpg");
  StampSettings s;
  s.tag = 1;
  s.text = "Coast\nline";
  ASSERT_TRUE(Stamp({"a.jpg", "c.jpg"}, s));
  EXPECT_EQ(ReadText(images() / "a.jpg.tag"), ReadText(images() / "c.jpg.tag"));
  EXPECT_EQ(ReadStamp((images() / "a.jpg.tag").string()).text, "Coast line");
  EXPECT_FALSE(fs::exists(images() / "b.jpg.tag"));
  EXPECT_FALSE(fs::exists(medium() / "a.jpg"));
  EXPECT_TRUE(fs::exists(medium() / "b.jpg"));
  EXPECT_FALSE(fs::exists(medium() / "c.jpg"));
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) EXPECT_TRUE(fs::exists(thumbs() / name)) << name;

  // The next pass makes the two medium images again, with the stamp, and
  // leaves the thumbnails as they were.
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) ASSERT_TRUE(Process(name).complete);
  EXPECT_EQ(fs::last_write_time(thumbs() / "a.jpg"), thumbTime);
  EXPECT_EQ(Decode(medium() / "a.jpg").picture.components(), 3);
  EXPECT_TRUE(Environment::prompter().texts().empty());

  // With access security on the medium image keeps its own name too (the
  // guard is put around it only when it is published).
  settings_.accessSecurity = 1;
  ASSERT_TRUE(Stamp({"b.jpg"}, s));
  EXPECT_FALSE(fs::exists(medium() / "b.jpg"));
}

TEST_F(StampImagesTest, DialogStartsFromTheFirstImagesStamp) {
  WriteText(images() / "b.jpg.tag", "[parameters]\ntext=Second\nfont=garbled\n");
  WriteText(images() / "a.jpg.tag", "[parameters]\ntext=First\n");
  EXPECT_EQ(FirstStamp(dir_.str(), "Trip/", {"a.jpg", "b.jpg"}).text, "First");
  const StampSettings b = FirstStamp(dir_.str(), "Trip/", {"b.jpg"});
  EXPECT_EQ(b.text, "Second");
  EXPECT_TRUE(b.fontReadable);
  EXPECT_EQ(b.font, StampFont());
  EXPECT_EQ(FirstStamp(dir_.str(), "Trip/", {}).text, "Tag information");
}

class QuietProgress : public CopyProgress {
 public:
  void SetText(const std::string&, const std::string&) override {}
  void SetPercent(int) override {}
  void End(int) override {}
};

// The verification before a whole-profile run makes medium images with
// their stamps too, and names a stamp file it cannot use.
TEST(StampVerification, VerificationDrawsStampsAndReportsAnUnusableOne) {
  Environment::prompter().Clear();
  TempDir base;
  ProfileSettings settings = NewProfileSettings("Trip");
  ASSERT_TRUE(CreateProfile(base.str(), settings));
  const fs::path profile = base.path() / "Trip";
  const fs::path images = profile / "ImageTree/Coast";
  fs::create_directories(images);
  ASSERT_TRUE(SaveJpeg((images / "a.jpg").string(), FilledPicture(3000, 2000, 1, 150)));
  ASSERT_TRUE(SaveJpeg((images / "b.jpg").string(), FilledPicture(3000, 2000, 1, 150)));
  StampSettings s;
  s.tag = 1;
  s.external = 1;
  TextExtent e;
  ASSERT_TRUE(MeasureText(s.font, s.text, e));
  ASSERT_TRUE(WriteStamp((images / "a.jpg.tag").string(), s, e.width, e.height));
  WriteText(images / "b.jpg.tag", "[parameters]\ntag=1\nfont=-29,0,0\n");

  QuietProgress progress;
  ProfileVerification run(base.str(), settings);
  EXPECT_EQ(run.Run(progress), CopyProgress::kEndSuccess);
  const DecodedFile a = Decode(profile / "albsite/m/Coast/a.jpg");
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.picture.components(), 3);
  EXPECT_EQ(a.picture.height(), MediumSize({3000, 2000}, e.height + 10).height + e.height + 10);
  EXPECT_TRUE(Decode(profile / "albsite/m/Coast/b.jpg").ok);
  EXPECT_EQ(Environment::prompter().texts(),
            std::vector<std::string>{"Error in tag file \"" + (images / "b.jpg.tag").string() + "\""});
}

}  // namespace
}  // namespace albumsmith::test
