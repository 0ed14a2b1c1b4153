#include "site/style_block.h"

#include <gtest/gtest.h>

#include <string>

#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::Occurrences;

// Stored colours carry red in the low byte.
constexpr int Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

ProfileSettings Plain() {
  ProfileSettings s;
  s.commentColor = Rgb(255, 0, 0);
  s.commentFontSize = 20;
  s.commentFont = "Arial";
  s.dateColor = Rgb(0, 0, 0);
  s.dateFontSize = 10;
  s.dateFont = "";
  s.imageBorder = 0;
  s.imageShadow = 0;
  return s;
}

TEST(ColorTextTest, WritesRedGreenBlueInLowerCaseHex) {
  EXPECT_EQ(ColorText(Rgb(255, 0, 0)), "#ff0000");
  EXPECT_EQ(ColorText(Rgb(0, 128, 255)), "#0080ff");
  EXPECT_EQ(ColorText(0), "#000000");
}

TEST(StyleBlockTest, StaticFormLineByLine) {
  EXPECT_EQ(StyleBlock(Plain(), false),
            "<style type=\"text/css\">\n"
            ".comment { color:#ff0000;font-size:20px;font-family:Arial; }\n"
            ".thb { border:0px; }\n"
            ".thb TABLE { border-spacing:0px;padding:0px;text-align:center;color:#000000;font-size:10px; }\n"
            ".thb IMG { border:0px; }\n"
            "table.box { width:802px;height:602px;border:0px; };\n"
            "</style>");
}

TEST(StyleBlockTest, PhpFormDiffersOnlyInThreePlaces) {
  EXPECT_EQ(StyleBlock(Plain(), true),
            "<style type=\"text/css\">\n"
            ".comment { color:#ff0000;font-size:20px;font-family:Arial;}\n"
            ".thb { border:0px; }\n"
            ".thb TABLE { border-spacing:0px;padding:0px;text-align:center;color:#000000;font-size:10px;}\n"
            ".thb IMG { border:0px; }\n"
            "table.box { width:802px;height:602px;border:0px };\n"
            "</style>");
}

TEST(StyleBlockTest, EmptyCommentFontLeavesNothingBeforeTheBrace) {
  ProfileSettings s = Plain();
  s.commentFont = "";
  EXPECT_NE(StyleBlock(s, false).find(".comment { color:#ff0000;font-size:20px; }\n"), std::string::npos);
  // A font key absent from Profile.ini reads as the missing-key marker.
  s.commentFont = "\xE9\xE8\xE0";
  EXPECT_NE(StyleBlock(s, false).find(".comment { color:#ff0000;font-size:20px; }\n"), std::string::npos);
}

TEST(StyleBlockTest, BorderAndShadowSetTheBoxAndTheImageRules) {
  struct Case {
    int border, borderWidth, shadow, shadowWidth, margin;
  } cases[] = {
      {0, 3, 0, 5, 2},  // both off: widths do not count
      {1, 3, 0, 5, 8},
      {0, 3, 1, 5, 7},
      {1, 3, 1, 5, 13},  // box 813 x 613
  };
  for (const Case& c : cases) {
    ProfileSettings s = Plain();
    s.imageBorder = c.border;
    s.borderWidth = c.borderWidth;
    s.imageShadow = c.shadow;
    s.shadowWidth = c.shadowWidth;
    EXPECT_EQ(BoxMargin(s), c.margin);
    const std::string box = "table.box { width:" + std::to_string(800 + c.margin) +
                            "px;height:" + std::to_string(600 + c.margin) + "px;border:0px; };\n";
    EXPECT_NE(StyleBlock(s, false).find(box), std::string::npos) << box;
  }
}

TEST(StyleBlockTest, ShadowAddsASecondImageRuleAfterTheBorder) {
  ProfileSettings s = Plain();
  s.imageBorder = 1;
  s.borderWidth = 3;
  s.borderColor = Rgb(0, 128, 255);
  s.imageShadow = 1;
  s.shadowWidth = 5;
  s.shadowColor = Rgb(1, 2, 3);
  const std::string style = StyleBlock(s, false);
  EXPECT_EQ(test::Occurrences(style, ".thb IMG"), 2);
  const size_t border = style.find(".thb IMG { border:3px solid #0080ff; }\n");
  const size_t shadow = style.find(
      ".thb IMG { filter:progid:DXImageTransform.Microsoft.Shadow(color=#010203,strength=5,direction=135); }\n");
  ASSERT_NE(border, std::string::npos);
  ASSERT_NE(shadow, std::string::npos);
  EXPECT_LT(border, shadow);
}

// A font name from a hand-edited Profile.ini cannot end the rule or the
// element, nor open PHP in the HTML part of index.php.
TEST(StyleBlockTest, FontNamesCannotLeaveTheirRule) {
  ProfileSettings s = Plain();
  s.commentFont = "x;}</style><?php system('id'); ?>";
  s.dateFont = "A\"B";
  for (const bool php : {false, true}) {
    const std::string block = StyleBlock(s, php);
    EXPECT_EQ(Occurrences(block, "<"), 2) << block;
    EXPECT_EQ(Occurrences(block, "}"), Occurrences(block, "{")) << block;
    EXPECT_EQ(block.find('"', block.find(".comment")), std::string::npos) << block;
    EXPECT_NE(block.find("font-family:x\\3b \\7d \\3c \\2f style"), std::string::npos) << block;
  }
}

TEST(FontNameCheckTest, RefusesWhatWouldEndTheRule) {
  for (const char* name : {"", "Arial", "Liberation Sans, sans-serif", "DejaVu Sans Mono"}) {
    test::Prompts().Clear();
    EXPECT_TRUE(CheckFontName(name)) << name;
    EXPECT_TRUE(test::Prompts().texts().empty()) << name;
  }
  for (const char* name : {"a<b", "a>b", "a{", "}", "Arial;color:red", "\"Times\"", "O'Neil", "two\nlines"}) {
    test::Prompts().Clear();
    EXPECT_FALSE(CheckFontName(name)) << name;
    EXPECT_EQ(test::Prompts().texts(),
              std::vector<std::string>{"The font name \"" + std::string(name) +
                                       "\" cannot be used: it cannot hold < > { } ; or quotes"});
  }
}

TEST(BorderStyleTest, OffOrSolidWithWidthAndColour) {
  ProfileSettings s = Plain();
  EXPECT_EQ(BorderStyle(s), "border-width:0");
  s.imageBorder = 1;
  s.borderWidth = 2;
  s.borderColor = Rgb(255, 0, 0);
  EXPECT_EQ(BorderStyle(s), "border-style:solid;border-width:2;border-color:#ff0000");
}

}  // namespace
}  // namespace albumsmith
