#include "site/backgrounds.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/jpeg_codec.h"
#include "platform/strings.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

// A picture whose colour tells its quarter apart, so that a tile's corner
// can be found again in the preview.
void WriteQuarters(const std::string& path, int width, int height) {
  ImageBuffer picture;
  ASSERT_TRUE(picture.Allocate(width, height, 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = picture.pixel(x, y);
      p[0] = x < width / 2 ? 250 : 10;
      p[1] = y < height / 2 ? 250 : 10;
      p[2] = 128;
    }
  }
  fs::create_directories(fs::path(path).parent_path());
  ASSERT_TRUE(SaveJpeg(path, picture));
}

std::vector<std::string> Names(const std::vector<BackgroundChoice>& choices) {
  std::vector<std::string> names;
  for (const BackgroundChoice& c : choices) names.push_back(c.name);
  return names;
}

class BackgroundsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profileDir_ = tmp_.str() + "Holiday/";
    templateDir_ = tmp_.str() + "template/";
    for (const char* name : {"Linen.jpg", "Slate.JPG", "notes.txt"})
      WriteText(templateDir_ + "albsite/bg/" + name, "t");
    for (const char* name : {"linen.jpg", "Mine.jpg"}) WriteText(profileDir_ + "albsite/bg/" + name, "p");
    WriteText(tmp_.str() + "elsewhere/Far.jpg", "f");
    test::Prompts().Clear();
  }
  std::string own(const std::string& name) const { return profileDir_ + "albsite/bg/" + name; }

  test::TempDir tmp_;
  std::string profileDir_;
  std::string templateDir_;
};

TEST_F(BackgroundsTest, ListOrderAndSelection) {
  struct Case {
    std::string background;
    std::vector<std::string> names;
    int selected;
  };
  const std::string far = tmp_.str() + "elsewhere/Far.jpg";
  const std::vector<Case> cases = {
      {"", {"None", "linen", "Mine", "Linen", "Slate"}, 0},
      // The profile's file comes first and wins a name both directories hold.
      {templateDir_ + "albsite/bg/Linen.jpg", {"None", "linen", "Mine", "Linen", "Slate"}, 1},
      {"/old/place/SLATE.jpg", {"None", "linen", "Mine", "Linen", "Slate"}, 4},
      // Found in neither: an entry of its own at the end, selected.
      {far, {"None", "linen", "Mine", "Linen", "Slate", "Far"}, 5},
  };
  for (const Case& c : cases) {
    int selected = -1;
    const auto choices = BackgroundChoices(profileDir_, templateDir_, c.background, selected);
    EXPECT_EQ(Names(choices), c.names) << c.background;
    EXPECT_EQ(selected, c.selected) << c.background;
  }
  BackgroundPage page(profileDir_, templateDir_, far);
  EXPECT_EQ(page.selectedPath(), far);
  EXPECT_FALSE(page.CanRemove());  // the user's own file elsewhere is never deleted from here
}

TEST_F(BackgroundsTest, RemoveOnlyProfileFilesAndOnlyOnApply) {
  BackgroundPage page(profileDir_, templateDir_, own("Mine.jpg"));
  ASSERT_EQ(page.selectedIndex(), 2);
  ASSERT_TRUE(page.ChooseByName("Slate"));
  EXPECT_FALSE(page.CanRemove());
  EXPECT_FALSE(page.Remove());
  page.Choose(0);
  EXPECT_FALSE(page.CanRemove());

  ASSERT_TRUE(page.ChooseByName("Mine.jpg"));
  ASSERT_TRUE(page.Remove());
  // The entry that took its place is chosen; the file waits for OK.
  EXPECT_EQ(Names(page.choices()), (std::vector<std::string>{"None", "linen", "Linen", "Slate"}));
  EXPECT_EQ(page.selectedPath(), templateDir_ + "albsite/bg/Linen.jpg");
  EXPECT_TRUE(fs::exists(own("Mine.jpg")));
  EXPECT_EQ(page.Apply(), templateDir_ + "albsite/bg/Linen.jpg");
  EXPECT_FALSE(fs::exists(own("Mine.jpg")));

  // Cancel keeps a file marked for removal.
  BackgroundPage again(profileDir_, templateDir_, "");
  ASSERT_TRUE(again.ChooseByName("linen"));
  ASSERT_TRUE(again.Remove());
  again.Discard();
  EXPECT_TRUE(fs::exists(own("linen.jpg")));
}

// The plain page is listed in the window's language, and scripts may still
// name it "None" whatever that language is.
TEST_F(BackgroundsTest, PlainPageKeepsItsScriptNameInAnotherLanguage) {
  StringTable::Instance().SetModule(LanguageModule::FromText("61837 \"Aucun\"\n"));
  BackgroundPage page(profileDir_, templateDir_, "linen.jpg");
  StringTable::Instance().SetModule(std::nullopt);
  EXPECT_EQ(page.choices().front().name, "Aucun");
  for (const char* name : {"None", "aucun"}) {
    page.Choose(1);
    ASSERT_TRUE(page.ChooseByName(name)) << name;
    EXPECT_EQ(page.selectedIndex(), 0) << name;
    EXPECT_EQ(page.selectedPath(), "") << name;
  }
}

TEST_F(BackgroundsTest, ImportsGoOnDiscardButNotWhatWasThereBefore) {
  const std::string source = tmp_.str() + "camera/";
  WriteText(source + "Sand.jpg", "new sand");
  WriteText(source + "Mine.jpg", "new mine");
  BackgroundPage page(profileDir_, templateDir_, own("Mine.jpg"));
  test::Prompts().Queue(Answer::Ok);  // replace Mine.jpg
  EXPECT_EQ(page.Import({source + "Sand.jpg", source + "Mine.jpg"}), 2);
  EXPECT_EQ(Names(page.choices()), (std::vector<std::string>{"None", "linen", "Mine", "Sand", "Linen", "Slate"}));
  EXPECT_EQ(page.selectedPath(), own("Mine.jpg"));  // the choice survives the refill
  EXPECT_EQ(ReadText(own("Sand.jpg")), "new sand");
  page.Discard();
  EXPECT_FALSE(fs::exists(own("Sand.jpg")));
  // Replaced, but it was the profile's before the import: it stays.
  EXPECT_EQ(ReadText(own("Mine.jpg")), "new mine");

  BackgroundPage kept(profileDir_, templateDir_, "");
  kept.Import({source + "Sand.jpg"});
  ASSERT_TRUE(kept.ChooseByName("Sand"));
  EXPECT_EQ(kept.Apply(), own("Sand.jpg"));
  EXPECT_TRUE(fs::exists(own("Sand.jpg")));
}

TEST_F(BackgroundsTest, PreviewTilesOneFifthClipped) {
  const std::string path = own("Quarters.jpg");
  WriteQuarters(path, 800, 600);
  const ImageBuffer area = BackgroundPreview(path);
  ASSERT_EQ(area.width(), 320);
  ASSERT_EQ(area.height(), 240);
  ASSERT_EQ(area.components(), 3);
  // Tiles of 160 x 120: each tile's top left quarter is red and green, and a
  // new tile starts at x 160 and y 120.
  auto red = [&](int x, int y) { return area.pixel(x, y)[0]; };
  auto green = [&](int x, int y) { return area.pixel(x, y)[1]; };
  for (const auto& [x, y] : {std::pair{5, 5}, std::pair{165, 5}, std::pair{5, 125}, std::pair{165, 125}}) {
    EXPECT_GT(red(x, y), 200) << x << "," << y;
    EXPECT_GT(green(x, y), 200) << x << "," << y;
  }
  EXPECT_LT(red(155, 5), 60);
  EXPECT_LT(green(5, 115), 60);

  // A wide picture: the second copy across is cut at the area's edge.
  WriteQuarters(own("Wide.jpg"), 1000, 500);
  const ImageBuffer wide = BackgroundPreview(own("Wide.jpg"));
  ASSERT_EQ(wide.width(), 320);
  EXPECT_GT(wide.pixel(205, 5)[0], 200);  // second tile's left half
  EXPECT_LT(wide.pixel(195, 5)[0], 60);   // first tile's right half

  // Nothing to show: none chosen, or not a JPEG.
  EXPECT_TRUE(BackgroundPreview("").empty());
  EXPECT_TRUE(BackgroundPreview(own("linen.jpg")).empty());
  EXPECT_TRUE(BackgroundPreview(own("missing.jpg")).empty());
  EXPECT_TRUE(test::Prompts().texts().empty());
}

}  // namespace
}  // namespace albumsmith
