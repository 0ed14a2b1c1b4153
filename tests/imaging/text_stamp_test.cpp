// Stamp files (keys, defaults, limits, colours) and the drawing of a stamp
// onto a reduced picture: placement, the external band, the background
// modes, greyscale pictures and text that does not fit.

#include "imaging/text_stamp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/font_renderer.h"
#include "imaging/stamp_file.h"
#include "imaging/test_pictures.h"
#include "platform/text.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

StampRgb At(const ImageBuffer& p, int x, int y) {
  const uint8_t* s = p.pixel(x, y);
  return {s[0], s[1], s[2]};
}

TextExtent Extent(const StampSettings& s) {
  TextExtent e;
  EXPECT_TRUE(MeasureText(s.font, s.text, e));
  return e;
}

// The bounding box of the pixels of one colour.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
};
Box BoxOf(const ImageBuffer& p, StampRgb colour) {
  Box b;
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x)
      if (At(p, x, y) == colour) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

constexpr StampRgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{255, 0, 0}, kBlue{0, 0, 255};
constexpr int kRedIndex = 9, kBlueIndex = 12, kWhiteIndex = 15, kBlackIndex = 0;

TEST(StampFile, MissingFileOrKeysReadAsTheDefaults) {
  TempDir dir;
  const StampSettings none = ReadStamp((dir.path() / "a.jpg.tag").string());
  EXPECT_EQ(FormatStampFont(none.font), "-29,0,0,0,700,0,0,0,0,3,2,1,34,Arial");
  EXPECT_EQ(none.text, "Tag information");
  EXPECT_EQ(none.textColor, 65535);
  EXPECT_EQ(none.bgColor, 65535);
  EXPECT_EQ(none.position, 3);
  EXPECT_EQ(none.tag, 0);
  EXPECT_EQ(none.background, 0);
  EXPECT_EQ(none.external, 0);

  WriteText(dir.path() / "b.jpg.tag", "[parameters]\r\ntext=\r\nposition=1\r\n");
  const StampSettings some = ReadStamp((dir.path() / "b.jpg.tag").string());
  EXPECT_EQ(some.text, "");  // present but empty is not missing
  EXPECT_EQ(some.position, 1);
  EXPECT_EQ(some.tag, 0);
  EXPECT_TRUE(some.fontReadable);
}

TEST(StampFile, WritesTheTenKeysInOrderAndReadsThemBack) {
  TempDir dir;
  const std::string path = (dir.path() / "IMG_0001.JPG.tag").string();
  WriteText(path, "[other]\nkeep=1\n[parameters]\nboxwidth=5\ntext=old\n");
  StampSettings s;
  s.font = {-16, 0, 0, 0, 400, 1, 1, 0, 238, 3, 2, 1, 34, "Liberation Serif, Bold"};
  s.text = "Sunset over the bay";
  s.textColor = 11;
  s.bgColor = 4;
  s.position = 2;
  s.tag = 1;
  s.background = 1;
  s.external = 1;
  ASSERT_TRUE(WriteStamp(path, s, 120, 19));

  const std::string text = ReadText(path);
  std::vector<std::string> keys;
  bool inParameters = false;
  for (const std::string& line : Split(ReplaceAll(text, "\r", ""), '\n')) {
    if (StartsWith(line, "["))
      inParameters = line == "[parameters]";
    else if (inParameters && !line.empty())
      keys.push_back(line.substr(0, line.find('=')));
  }
  EXPECT_EQ(keys, (std::vector<std::string>{"font", "text", "txtcolor", "bgcolor", "position", "tag", "background",
                                            "external", "boxheight", "boxwidth"}));
  EXPECT_NE(text.find("font=-16,0,0,0,400,1,1,0,238,3,2,1,34,Liberation Serif, Bold"), std::string::npos) << text;
  EXPECT_NE(text.find("keep=1"), std::string::npos) << "another section is kept";

  const StampSettings back = ReadStamp(path);
  EXPECT_EQ(back.font, s.font);
  EXPECT_EQ(back.text, s.text);
  EXPECT_EQ(back.textColor, 11);
  EXPECT_EQ(back.bgColor, 4);
  EXPECT_EQ(back.position, 2);
  EXPECT_EQ(back.tag, 1);
  EXPECT_EQ(back.background, 1);
  EXPECT_EQ(back.external, 1);
  EXPECT_EQ(back.boxHeight, 19);
  EXPECT_EQ(back.boxWidth, 120);
}

TEST(StampFile, TextIsCutAt254BytesWithoutSplittingACharacter) {
  TempDir dir;
  const std::string path = (dir.path() / "a.jpg.tag").string();
  WriteText(path, "[parameters]\ntext=" + std::string(300, 'x') + "\n");
  EXPECT_EQ(ReadStamp(path).text, std::string(254, 'x'));
  // 253 ASCII bytes and a two-byte letter: the letter does not fit whole.
  WriteText(path, "[parameters]\ntext=" + std::string(253, 'x') + "\xC3\xA9" + "\n");
  EXPECT_EQ(ReadStamp(path).text, std::string(253, 'x'));
}

TEST(StampFile, ColourTableAndIndicesOutsideItGiveBlack) {
  const std::pair<int, StampRgb> cases[] = {
      {0, {0, 0, 0}},       {1, {128, 0, 0}}, {6, {0, 128, 128}},  {7, {128, 128, 128}},
      {8, {192, 192, 192}}, {9, {255, 0, 0}}, {13, {255, 0, 255}}, {15, {255, 255, 255}},
      {16, {0, 0, 0}},      {-1, {0, 0, 0}},  {65535, {0, 0, 0}},
  };
  for (const auto& [index, colour] : cases) EXPECT_EQ(StampColor(index), colour) << index;
}

TEST(StampFile, FontTextParsesOnlyAsThirteenNumbersAndAFace) {
  EXPECT_EQ(ParseStampFont("-29,0,0,0,700,0,0,0,0,3,2,1,34,Arial")->faceName, "Arial");
  EXPECT_EQ(ParseStampFont("-29,0,0,0,700,0,0,0,0,3,2,1,34,Times New Roman")->faceName, "Times New Roman");
  for (const char* bad : {"", "Arial", "-29,0,0,0,700,0,0,0,0,3,2,1", "-29,0,x,0,700,0,0,0,0,3,2,1,34,Arial",
                          "-29,0,0,0,700,0,0,0,0,3,2,1,99999999999,Arial"})
    EXPECT_FALSE(ParseStampFont(bad)) << bad;
}

TEST(StampFile, WantedOnlyWithAParametersSectionAndANonZeroTag) {
  TempDir dir;
  const std::string path = (dir.path() / "a.jpg.tag").string();
  EXPECT_FALSE(StampWanted(path));
  const std::pair<const char*, bool> cases[] = {
      {"[other]\ntag=1\n", false},     {"[parameters]\ntext=x\n", false}, {"[parameters]\ntag=0\n", false},
      {"[Parameters]\ntag=1\n", true}, {"[parameters]\ntag=2\n", true},
  };
  for (const auto& [content, wanted] : cases) {
    WriteText(path, content);
    EXPECT_EQ(StampWanted(path), wanted) << content;
  }
}

TEST(StampFile, BandIsTakenOnlyForAWantedExternalStampInACorner) {
  TempDir dir;
  const std::string path = (dir.path() / "a.jpg.tag").string();
  const std::pair<const char*, int> cases[] = {
      {"tag=1\nexternal=1\nposition=0\nboxheight=33\n", 43},
      {"tag=1\nexternal=1\nposition=3\nboxheight=33\n", 43},
      {"tag=1\nexternal=1\nposition=4\nboxheight=33\n", 0},
      {"tag=0\nexternal=1\nposition=0\nboxheight=33\n", 0},
      {"tag=1\nexternal=0\nposition=0\nboxheight=33\n", 0},
      // Any other position stands for the upper left corner, band included.
      {"tag=1\nexternal=1\nposition=7\nboxheight=33\n", 43},
      // A garbled height cannot take the whole box, nor add to it.
      {"tag=1\nexternal=1\nposition=0\nboxheight=5000\n", 599},
      {"tag=1\nexternal=1\nposition=0\nboxheight=-50\n", 0},
  };
  for (const auto& [keys, band] : cases) {
    WriteText(path, std::string("[parameters]\n") + keys);
    EXPECT_EQ(StampBandOf(path), band) << keys;
  }
}

TEST(FontRenderer, ArialResolvesToAFaceOfItsMetrics) {
  StampSettings s;  // 29-pixel bold Arial
  const TextExtent e = Extent(s);
  // Arial's ascent and descent at 29 pixels a character: a line of 32 to 34.
  EXPECT_GE(e.height, 32);
  EXPECT_LE(e.height, 34);
  // "Tag information" in bold Arial at 29 pixels is close to 220 wide.
  EXPECT_GT(e.width, 200);
  EXPECT_LT(e.width, 240);
  StampSettings regular = s;
  regular.font.weight = 400;
  EXPECT_LT(Extent(regular).width, e.width) << "bold is wider";
  StampSettings bigger = s;
  bigger.font.height = -58;
  EXPECT_NEAR(Extent(bigger).width, 2 * e.width, 8);
  StampFont tooLarge = s.font;
  tooLarge.height = -(kMaxStampFontPixels + 1);
  TextExtent unused;
  EXPECT_FALSE(MeasureText(tooLarge, "x", unused));
}

// The dialog's default stamp at each position, with an opaque background so
// that the whole box of the line shows.
TEST(DrawStamp, BoxSitsFivePixelsInFromTheEdgesItIsPlacedAgainst) {
  StampSettings s;
  s.textColor = kWhiteIndex;
  s.bgColor = kBlueIndex;
  s.background = kOpaqueBackground;
  const TextExtent e = Extent(s);
  const int W = 800, H = 534;
  struct Case {
    int position;
    int left, top;
  };
  const Case cases[] = {
      {kUpperLeft, 5, 5},
      {kUpperRight, W - e.width - 5, 5},
      {kLowerLeft, 5, H - e.height - 5},
      {kLowerRight, W - e.width - 5, H - e.height - 5},
      {kCenter, (W - e.width) / 2, (H - e.height) / 2},
      {9, 5, 5},
  };
  for (const Case& c : cases) {
    s.position = c.position;
    ImageBuffer p = FilledPicture(W, H, 3, 200);
    ASSERT_TRUE(DrawStamp(p, s));
    ASSERT_EQ(p.height(), H);
    Box box = BoxOf(p, kBlue);
    const Box text = BoxOf(p, kWhite);
    box.left = std::min(box.left, text.left);
    box.right = std::max(box.right, text.right);
    box.top = std::min(box.top, text.top);
    box.bottom = std::max(box.bottom, text.bottom);
    EXPECT_EQ(box.left, c.left) << c.position;
    EXPECT_EQ(box.top, c.top) << c.position;
    EXPECT_EQ(box.right, c.left + e.width - 1) << c.position;
    EXPECT_EQ(box.bottom, c.top + e.height - 1) << c.position;
    EXPECT_EQ(At(p, 0, 0), (StampRgb{200, 200, 200})) << "outside the box nothing changes";
  }
}

TEST(DrawStamp, TextWithoutBackgroundLeavesThePictureAroundTheLetters) {
  StampSettings s;
  s.textColor = kRedIndex;
  const TextExtent e = Extent(s);
  ImageBuffer p = FilledPicture(800, 534, 3, 255);
  ASSERT_TRUE(DrawStamp(p, s));
  const Box text = BoxOf(p, kRed);
  ASSERT_GE(text.right, 0) << "no text drawn";
  EXPECT_GE(text.left, 800 - e.width - 5);
  EXPECT_LE(text.right, 800 - 6);
  EXPECT_GE(text.top, 534 - e.height - 5);
  EXPECT_LE(text.bottom, 534 - 6);
  // Every pixel is either the text colour or the untouched white.
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x) {
      const StampRgb c = At(p, x, y);
      ASSERT_TRUE(c == kRed || c == kWhite) << x << "," << y;
    }
}

TEST(DrawStamp, TransparentBackgroundAveragesWithTheBackgroundColour) {
  StampSettings s;
  s.textColor = kRedIndex;
  s.bgColor = kBlackIndex;
  s.background = kTransparentBackground;
  s.position = kUpperLeft;
  const TextExtent e = Extent(s);
  ImageBuffer p = FilledPicture(400, 300, 3, 255);
  ASSERT_TRUE(DrawStamp(p, s));
  int grey = 0;
  for (int y = 5; y < 5 + e.height; ++y)
    for (int x = 5; x < 5 + e.width; ++x) {
      const StampRgb c = At(p, x, y);
      ASSERT_TRUE(c == kRed || c == (StampRgb{127, 127, 127})) << x << "," << y;
      grey += c != kRed;
    }
  EXPECT_GT(grey, e.width * e.height / 2);
  EXPECT_EQ(At(p, 4, 4), kWhite);
  EXPECT_EQ(At(p, 5 + e.width, 5 + e.height), kWhite);
}

TEST(DrawStamp, ExternalStampAddsABlackBandAboveOrBelow) {
  StampSettings s;
  s.textColor = kWhiteIndex;
  s.external = 1;
  const TextExtent e = Extent(s);
  for (int position : {kUpperLeft, kUpperRight, kLowerLeft, kLowerRight}) {
    s.position = position;
    ImageBuffer p = FilledPicture(800, 500, 3, 100);
    ASSERT_TRUE(DrawStamp(p, s));
    ASSERT_EQ(p.width(), 800);
    ASSERT_EQ(p.height(), 500 + e.height + 10) << position;
    const bool top = position == kUpperLeft || position == kUpperRight;
    const int bandFirst = top ? 0 : 500;
    const int bandEnd = bandFirst + e.height + 10;
    int white = 0;
    for (int y = 0; y < p.height(); ++y)
      for (int x = 0; x < p.width(); ++x) {
        const StampRgb c = At(p, x, y);
        if (y >= bandFirst && y < bandEnd) {
          ASSERT_TRUE(c == kBlack || c == kWhite) << position << " " << x << "," << y;
          white += c == kWhite;
        } else {
          ASSERT_EQ(c, (StampRgb{100, 100, 100})) << position << " " << x << "," << y;
        }
      }
    EXPECT_GT(white, 100) << "the text is in the band";
  }
  s.position = kCenter;  // never external
  ImageBuffer centre = FilledPicture(800, 500, 3, 100);
  ASSERT_TRUE(DrawStamp(centre, s));
  EXPECT_EQ(centre.height(), 500);
}

TEST(DrawStamp, GreyscalePictureBecomesColour) {
  StampSettings s;
  s.textColor = kRedIndex;
  ImageBuffer p = FilledPicture(300, 200, 1, 90);
  p.pixel(0, 0)[0] = 17;
  ASSERT_TRUE(DrawStamp(p, s));
  ASSERT_EQ(p.components(), 3);
  EXPECT_EQ(At(p, 0, 0), (StampRgb{17, 17, 17}));
  EXPECT_EQ(At(p, 1, 0), (StampRgb{90, 90, 90}));
  EXPECT_GE(BoxOf(p, kRed).right, 0);
}

TEST(DrawStamp, TextLargerThanThePictureIsClipped) {
  struct Case {
    const char* what;
    int height;
    int position;
    int external;
    std::string text;
  };
  const Case cases[] = {
      {"long line, lower right", -29, kLowerRight, 0, std::string(254, 'W')},
      {"long line, centre", -29, kCenter, 0, std::string(254, 'W')},
      {"huge letters, upper left", -1500, kUpperLeft, 0, "Tag information"},
      {"huge letters, italic, external", -1500, kLowerRight, 1, "Tag"},
  };
  for (const Case& c : cases) {
    StampSettings s;
    s.font.height = c.height;
    s.font.italic = c.external;
    s.position = c.position;
    s.external = c.external;
    s.text = c.text;
    s.textColor = kRedIndex;
    s.background = kOpaqueBackground;
    s.bgColor = kBlueIndex;
    ImageBuffer p = FilledPicture(120, 80, 3, 255);
    ASSERT_TRUE(DrawStamp(p, s)) << c.what;
    EXPECT_EQ(p.width(), 120) << c.what;
    EXPECT_GE(BoxOf(p, kBlue).right + BoxOf(p, kRed).right, 0) << c.what;
  }
}

TEST(DrawStamp, UnreadableFontCannotBeDrawnAndLeavesThePicture) {
  TempDir dir;
  const std::string path = (dir.path() / "a.jpg.tag").string();
  WriteText(path, "[parameters]\ntag=1\nfont=big and bold\n");
  ImageBuffer p = FilledPicture(50, 40, 1, 10);
  EXPECT_FALSE(DrawStamp(p, path));
  EXPECT_EQ(p.components(), 1);
  EXPECT_EQ(p.pixel(0, 0)[0], 10);
}

TEST(DrawStamp, ItalicLineIsWiderByASixthOfItsHeight) {
  StampSettings s;
  s.font.italic = 1;
  s.background = kOpaqueBackground;
  s.bgColor = kBlueIndex;
  s.textColor = kWhiteIndex;
  s.position = kUpperLeft;
  const TextExtent e = Extent(s);
  ImageBuffer p = FilledPicture(800, 100, 3, 0);
  ASSERT_TRUE(DrawStamp(p, s));
  Box box = BoxOf(p, kBlue);
  box.right = std::max(box.right, BoxOf(p, kWhite).right);
  EXPECT_EQ(box.right, 5 + e.width + e.height / 6 - 1);
}

}  // namespace
}  // namespace albumsmith::test
