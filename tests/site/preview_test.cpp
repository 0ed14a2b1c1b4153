#include "site/preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "site_fixture.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;

TEST(PreviewSizes, ChoicesFollowTheScreenWidth) {
  struct Case {
    int screen;
    PreviewMode mode;
    std::array<bool, 4> enabled;
    int chosen;
  };
  const Case cases[] = {
      {1920, PreviewMode::Album, {true, true, true, true}, 1},
      {1600, PreviewMode::Album, {true, true, true, true}, 1},
      {1280, PreviewMode::Album, {true, true, true, false}, 1},
      {1279, PreviewMode::Album, {true, true, false, false}, 1},
      {1000, PreviewMode::Album, {true, false, false, false}, 0},  // falls back to 800
      {640, PreviewMode::Album, {true, false, false, false}, 0},
      {1920, PreviewMode::Html, {true, true, true, true}, 0},
  };
  for (const Case& c : cases) {
    const PreviewChoices choices = PreviewChoicesFor(c.screen, c.mode);
    EXPECT_EQ(choices.enabled, c.enabled) << c.screen;
    EXPECT_EQ(choices.chosen, c.chosen) << c.screen;
  }
}

TEST(PreviewSizes, PlacementAndHandResize) {
  const PreviewPlacement p = CentredPreview(1, 0, 0, 1280, 1024);
  EXPECT_EQ(p.width, 1024);
  EXPECT_EQ(p.height, 768);
  EXPECT_EQ(p.x, 128);
  EXPECT_EQ(p.y, 128);
  const PreviewPlacement offset = CentredPreview(0, 1920, 0, 1920, 1080);  // a second screen
  EXPECT_EQ(offset.x, 1920 + 560);
  EXPECT_EQ(offset.y, 240);
  EXPECT_EQ(PreviewChoiceForSize(1280, 1024), 2);
  EXPECT_EQ(PreviewChoiceForSize(1600, 1200), 3);
  EXPECT_EQ(PreviewChoiceForSize(1280, 1000), -1);
  EXPECT_EQ(PreviewChoiceForSize(801, 600), -1);
}

TEST(HtmlPreview, TemporaryPageIsWrittenAndDeleted) {
  test::Prompts().Clear();
  const struct {
    const char* typed;
    const char* written;
  } cases[] = {
      {"<HTML><body>Kept</body></HTML>", "<HTML><body>Kept</body></HTML>"},
      {"<p>Peaks</p>\r\n", "<html>\n<p>Peaks</p>\n"},
      {"", "<html>\n"},
  };
  for (const auto& c : cases) {
    const auto file = WriteHtmlPreviewFile(c.typed);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->ends_with(".html"));
    EXPECT_EQ(test::ReadText(*file), c.written);
    EXPECT_TRUE(DeleteHtmlPreviewFile(*file));
    EXPECT_FALSE(fs::exists(*file));
  }
  EXPECT_TRUE(test::Prompts().texts().empty());
}

TEST(HtmlPreview, UndeletableFileIsReported) {
  test::TempDir dir;
  // A name under a plain file can be neither found nor deleted, for root too.
  test::WriteText(dir.str() + "plain", "x");
  const std::string file = dir.str() + "plain/page.html";
  test::Prompts().Clear();
  EXPECT_FALSE(DeleteHtmlPreviewFile(file));
  ASSERT_EQ(test::Prompts().texts().size(), 1u);
  EXPECT_EQ(test::Prompts().texts()[0], "Cannot delete temporary file " + file);
}

}  // namespace
}  // namespace albumsmith
