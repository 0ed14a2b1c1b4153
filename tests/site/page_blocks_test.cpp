#include "site/page_blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "site/site_text.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::FixtureTemplateDir;
using test::Images;
using test::Occurrences;
using test::Prompts;

constexpr const char* kRejected = "Included HTML cannot hold BODY or HTML tags.\n\nInclude rejected.";

PageContext Page(const std::string& folder, bool preview, std::vector<SequenceImage> images) {
  PageContext page;
  page.settings.name = "Holiday";
  page.settings.remoteDir = "/my album/";
  page.settings.thumbsPerLine = 3;
  page.profileDir = "/nowhere/Holiday/";
  page.templateDir = "/opt/album smith/";
  page.folder = folder;
  page.folderId = 7;
  page.preview = preview;
  page.images = std::move(images);
  return page;
}

TEST(PrefixTest, DepthTwoFolderPublishedAndPreview) {
  const PageContext published = Page("Trips/2004/", false, {});
  EXPECT_EQ(published.depth(), 2);
  EXPECT_EQ(published.pagePrefix(), "../../");
  EXPECT_EQ(published.sitePrefix(), "../../");
  EXPECT_EQ(published.supportPrefix(), "../../");

  const PageContext preview = Page("Trips/2004/", true, {});
  EXPECT_EQ(preview.pagePrefix(), "../../");
  EXPECT_EQ(preview.sitePrefix(), "../../../");
  EXPECT_EQ(preview.supportPrefix(), "/opt/album%20smith/");

  const PageContext root = Page("", true, {});
  EXPECT_EQ(root.pagePrefix(), "");
  EXPECT_EQ(root.sitePrefix(), "../");
}

TEST(ImageDataBlockTest, WritesTheArraysWithEscapedNamesAndComments) {
  const PageContext page =
      Page("Trips/2004/", false,
           {{"IMG 0001.jpg", "09-jun-01 07:05:00", 750, "Say \"cheese\"</script>\nnext"}, {"b.jpg", "b", 1000, ""}});
  EXPECT_EQ(ImageDataBlock(page),
            "var pre=\"../../albsite/m/\";\n"
            "var preinfo=\"../../albsite/s/\";\n"
            "var prefix=\"\";\n"
            "var photos=new Array();\n"
            "var dates=new Array();\n"
            "var comments=new Array();\n"
            "var ratios=new Array();\n"
            "var path=\"Trips/2004/\";\n"
            "var base=\"/my%20album/\";\n"
            "photos[0]=\"IMG%200001.jpg\";\n"
            "dates[0]=\"09-jun-01 07:05:00\";\n"
            "comments[0]=\"Say &quot;cheese&quot;&lt;/script&gt;&#10;next\";\n"
            "ratios[0]=\"750\";\n"
            "photos[1]=\"b.jpg\";\n"
            "dates[1]=\"b\";\n"
            "comments[1]=\"\";\n"
            "ratios[1]=\"1000\";\n");
}

TEST(ImageDataBlockTest, PreviewReachesAlbsiteOneLevelHigher) {
  const std::string block = ImageDataBlock(Page("Trips/2004/", true, {}));
  EXPECT_NE(block.find("var pre=\"../../../albsite/m/\";\n"), std::string::npos);
  EXPECT_NE(block.find("var preinfo=\"../../../albsite/s/\";\n"), std::string::npos);
}

TEST(ThumbnailTableTest, SevenImagesAtThreePerLineMakeRowsOfThreeThreeAndOne) {
  const std::string table = ThumbnailTable(Page("", false, Images(7)));
  EXPECT_EQ(Occurrences(table, "<a name=\""), 3);
  for (const char* anchor : {"<a name=\"1\">", "<a name=\"2\">", "<a name=\"3\">"})
    EXPECT_EQ(Occurrences(table, anchor), 1) << anchor;
  EXPECT_EQ(Occurrences(table, "<td><a href=\"slide.html?i="), 7);
  // The last row holds only the seventh image.
  const std::string lastRow = table.substr(table.find("<a name=\"3\">"));
  EXPECT_EQ(Occurrences(lastRow, "<td><a href="), 1);
  EXPECT_NE(lastRow.find("slide.html?i=6"), std::string::npos);
  EXPECT_EQ(Occurrences(table, "colspan=3"), 4);
}

TEST(ThumbnailTableTest, FullRowsLeaveNoEmptyRowBehind) {
  const std::string table = ThumbnailTable(Page("", false, Images(6)));
  EXPECT_EQ(Occurrences(table, "<a name=\""), 2);
  EXPECT_EQ(Occurrences(table, "<td><a href="), 6);
}

TEST(ThumbnailTableTest, ExactTextOfOneRow) {
  PageContext page = Page("Trips/2004/", false,
                          {{"IMG 1.jpg", "09-jun-01 07:05:00", 750, "A \"quoted\" one"}, {"b.jpg", "b", 750, ""}});
  page.settings.thumbsPerLine = 2;
  EXPECT_EQ(
      ThumbnailTable(page),
      "<div class=\"thb\"><table width=\"100%\">\n"
      "<tr>\n <th valign=bottom colspan=2><a name=\"1\"></a><hr></th>\n</tr>\n"
      "<tr align=\"center\" valign=\"bottom\">\n"
      " <td><a href=\"slide.html?i=0\"><img src=\"../../albsite/s/Trips/2004/IMG%201.jpg\" "
      "title=\"A &quot;quoted&quot; one\" alt=\"\"></a></td>\n"
      " <td><a href=\"slide.html?i=1\"><img src=\"../../albsite/s/Trips/2004/b.jpg\" title=\"\" alt=\"\"></a></td>\n"
      "</tr>\n<tr>\n"
      " <td align=center>09-jun-01 07:05:00</td>\n"
      " <td align=center>b</td>\n"
      "</tr>\n"
      "<tr>\n <th valign=bottom colspan=2><hr></th>\n</tr>"
      "</table></div>\n");
}

TEST(ThumbnailTableTest, PreviewThumbnailsAndOddLineSettings) {
  PageContext page = Page("My Trips/", true, Images(1));
  EXPECT_NE(ThumbnailTable(page).find("src=\"../../albsite/s/My%20Trips/IMG_0.jpg\""), std::string::npos);
  page.settings.thumbsPerLine = 0;
  page.images = Images(2);
  EXPECT_EQ(Occurrences(ThumbnailTable(page), "<a name=\""), 2);
}

TEST(EmptyFolderTest, NoTableNoCountAndTheSlideLinkHides) {
  const PageContext page = Page("Trips/", false, {});
  EXPECT_EQ(ThumbnailTable(page), "");
  EXPECT_EQ(ImageCountText(0), "&nbsp;");
  EXPECT_EQ(SlideLinkBlock(page), "<script type=\"text/javascript\">\n<!--\nhide('slide_block');\n// -->\n</script>");
}

TEST(ImageCountTextTest, SingularAndPlural) {
  EXPECT_EQ(ImageCountText(1), "1 Image");
  EXPECT_EQ(ImageCountText(2), "2 Images");
  EXPECT_EQ(ImageCountText(31), "31 Images");
}

TEST(SlideLinkBlockTest, StaticLinkUsesTheSupportPrefix) {
  const std::string expected =
      "<table width=\"100%\">\n<tr><td align=\"center\"><div class=\"dtree\"><a class=\"node\" "
      "href=\"slide.html?s=1\">Slide Show &nbsp;<img src=\"../albsite/images/movieanim.gif\" title=\"slide show\" "
      "alt=\"\" style=\"border:0px\"></a>\n</div></td></tr>\n</table>";
  EXPECT_EQ(SlideLinkBlock(Page("Trips/", false, Images(1))), expected);
  EXPECT_NE(
      SlideLinkBlock(Page("Trips/", true, Images(1))).find("src=\"/opt/album%20smith/albsite/images/movieanim.gif\""),
      std::string::npos);
}

TEST(SlideLinkBlockTest, PhpFormChoosesOnTheServer) {
  EXPECT_EQ(SlideLinkBlockPhp(),
            "<?PHP if (nbImages() > 0) { ?>\n"
            "<table width=\"100%\">\n<tr><td align=\"center\"><div class=\"dtree\"><a class=\"node\" "
            "href=\"?s=1&d=<?PHP echo getCurDir(); ?>\">Slide Show &nbsp;<img src=\"albsite/images/movieanim.gif\" "
            "align=\"center\" border=0 title=\"slide show\"></a>\n</div></td></tr>\n</table>"
            "<?PHP } else { ?>\n"
            "<script type=\"text/javascript\">\n<!--\nhide('slide_block');\n// -->\n</script>"
            "<?PHP } ?>\n");
}

TEST(SlideSettingsBlockTest, StaticFormPublishedAndPreview) {
  ProfileSettings s;
  s.maxThumbSize = 120;
  s.thumbsPerLine = 4;
  s.slideBoard = 1;
  s.slideRepeat = 0;
  s.slideFader = 2;
  s.slideDelay = 7;
  s.slideTrans = 24;
  s.php = 0;
  s.accessSecurity = 1;
  const std::string choices =
      "var OptTime = new Array(\"1\",\"2\",\"3\",\"5\",\"7\",\"10\",\"20\",\"30\",\"50\");\n"
      "var OptFilter = new Array(\"Blend\",\"Box in\",\"Box out\",\"Circle in\",\"Circle out\",\"Wipe up\","
      "\"Wipe down\",\"Wipe right\",\"Wipe left\",\"Vert. blinds\",\"Horiz. blinds\",\"Squares across\","
      "\"Squares down\",\"Dissolve\",\"Split vert. in\",\"Split vert. out\",\"Split horiz. in\","
      "\"Split horiz. out\",\"Strips left down\",\"Strips left up\",\"Strips right down\",\"Strips right up\","
      "\"Bars horizontal\",\"Bars vertical\",\"Random\");\n";
  const std::string settings =
      "var bBoard=true;\nvar bRepeat=false;\nvar bFader=true;\nvar nDelay=7;\nvar nTrans=24;\n";
  EXPECT_EQ(SlideSettingsBlock(s, false),
            choices + "var thumbSize=120;\nvar thumbPerLine=4;\n" + settings +
                "var backPath='.';\nvar bPass=false;\nvar sid='';\nvar bPhpTest=false;\n");
  EXPECT_NE(SlideSettingsBlock(s, true).find("var backPath='./index.html';\n"), std::string::npos);
  s.php = 1;
  EXPECT_NE(SlideSettingsBlock(s, false).find("var bPhpTest=true;\n"), std::string::npos);

  EXPECT_EQ(SlideSettingsBlockPhp(s), choices + settings + "var bPass=true;\nvar bPhpTest = false;");
  s.accessSecurity = 0;
  EXPECT_NE(SlideSettingsBlockPhp(s).find("var bPass=false;\n"), std::string::npos);
}

TEST(TreeBlockTest, PublishedAndPreviewPrefixes) {
  EXPECT_EQ(TreeBlock(Page("Trips/2004/", false, {})),
            "<script type=\"text/javascript\">\n<!--\n"
            "var path=\"../../\";\n"
            "var ip=\"../../albsite/images/\";\n"
            "var curDir=7;\n"
            "// -->\n</script>\n"
            "<script type=\"text/javascript\" src=\"../../albsite/js/dir.js\"></script>");
  const std::string preview = TreeBlock(Page("Trips/2004/", true, {}));
  EXPECT_NE(preview.find("var path=\"../../\";\n"), std::string::npos);
  EXPECT_NE(preview.find("var ip=\"/opt/album%20smith/albsite/images/\";\n"), std::string::npos);
  EXPECT_NE(preview.find("src=\"../../../albsite/js/dir.js\""), std::string::npos);
}

TEST(PageTitleTest, CustomTitleRootNameOrFolderPath) {
  FolderSettings folder;
  EXPECT_EQ(PageTitle(Page("", false, {}), folder), "Holiday");
  EXPECT_EQ(PageTitle(Page("Trips/2004/", false, {}), folder), "Trips - 2004");
  EXPECT_EQ(PageTitle(Page("Trips - /", false, {}), folder), "Trips");
  folder.titleText = "Summer";
  EXPECT_EQ(PageTitle(Page("Trips/", false, {}), folder), "Trips");
  folder.titleMode = 1;
  EXPECT_EQ(PageTitle(Page("Trips/", false, {}), folder), "Summer");
}

TEST(BackgroundUrlTest, NoneServerFileOrLocalPath) {
  PageContext page = Page("Trips/", false, {});
  EXPECT_EQ(BackgroundUrl(page), "");
  page.settings.background = "\xE9\xE8\xE0";  // key absent from Profile.ini
  EXPECT_EQ(BackgroundUrl(page), "");
  page.settings.background = "/home/ann/Albums/Holiday/albsite/bg/sky blue.jpg";
  EXPECT_EQ(BackgroundUrl(page), "../albsite/bg/sky%20blue.jpg");
  page.preview = true;
  EXPECT_EQ(BackgroundUrl(page), "/home/ann/Albums/Holiday/albsite/bg/sky%20blue.jpg");
}

TEST(PhotoBoxTest, StaticAndPhpForms) {
  EXPECT_EQ(PhotoBox(ImgStyle(), "../albsite/"),
            "<table class=\"thb\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\"><tr><td align=\"center\"><img "
            "name=\"photo\" class=\"thb\" style=\"display:none\" src=\"\" alt=\"\"><img name=\"loading\" "
            "src=\"../albsite/images/loading.gif\" alt=\"\"></td></tr></table>");
  ProfileSettings s;
  s.imageBorder = 1;
  s.borderWidth = 2;
  s.borderColor = 0x0000FF;
  EXPECT_EQ(ImgStylePhp(s),
            "class=\"thb\" style=\"display:none;border-style:solid;border-width:2;border-color:#ff0000\"");
  s.imageBorder = 0;
  EXPECT_EQ(PhotoBoxPhp(s),
            "<table class=\"thb\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\"><tr><td align=\"center\"><img "
            "name=\"photo\" class=\"thb\" style=\"display:none;border-width:0\" src=\"\" alt=\"\"><img "
            "name=\"loading\" src=\"albsite/images/loading.gif\" alt=\"Loading image\" "
            "style=\"border:0px;\"></td></tr></table>");
}

class FolderContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.AddImage("", "root.jpg");
    profile_.AddImage("Trips/", "trip.jpg");
    profile_.WriteProfileFile("root.html", "<h1>Welcome</h1>");
    profile_.settings.rootFileName = "root.html";
    Prompts().Clear();
  }

  std::string Content(const std::string& folder) {
    const PageContext page = profile_.Page(folder);
    return FolderContent(page, ReadFolderSettings(profile_.profileDir, folder));
  }

  test::SiteProfile profile_;
};

TEST_F(FolderContentTest, RootModeChoosesTheRootContent) {
  profile_.settings.rootMode = 0;
  EXPECT_NE(Content("").find("albsite/s/root.jpg"), std::string::npos);
  profile_.settings.rootMode = 1;
  EXPECT_EQ(Content(""), "<h1>Welcome</h1>");
  // The frame shows even though the root holds an image.
  profile_.settings.rootMode = 2;
  profile_.settings.rootFileName = "https://example.org/start?a=1&b=2";
  EXPECT_EQ(Content(""),
            "<tr><td><iframe width=\"100%\" border=\"0\" "
            "src=\"https://example.org/start?a=1&amp;b=2\"></iframe></tr></td>\n");
  profile_.settings.rootMode = 3;
  EXPECT_EQ(Content(""), "");
  // Other folders always show their table.
  EXPECT_NE(Content("Trips/").find("albsite/s/Trips/trip.jpg"), std::string::npos);
  EXPECT_TRUE(Prompts().texts().empty());
}

TEST_F(FolderContentTest, FolderHtmlWinsOverRootMode) {
  profile_.settings.rootMode = 2;
  profile_.WriteFolderIni("", "[Settings]\nHtmlMode=1\n");
  test::WriteText(FolderHtmlPath(profile_.profileDir, ""), "<p>Mine</p>");
  EXPECT_EQ(Content(""), "<p>Mine</p>");
}

TEST_F(FolderContentTest, HtmlModeWithoutFolderHtmlShowsNothing) {
  profile_.WriteFolderIni("Trips/", "[Settings]\nHtmlMode=1\nHtmlFile=\n");
  EXPECT_EQ(Content("Trips/"), "");
  EXPECT_TRUE(Prompts().texts().empty());
}

TEST_F(FolderContentTest, BodyTagInAnyCaseIsRejectedWithAMessage) {
  profile_.WriteFolderIni("Trips/", "[Settings]\nHtmlMode=1\n");
  test::WriteText(FolderHtmlPath(profile_.profileDir, "Trips/"), "<p>x</p><body>");
  EXPECT_EQ(Content("Trips/"), "");
  ASSERT_EQ(Prompts().shown().size(), 1u);
  EXPECT_EQ(Prompts().shown()[0].text, kRejected);
  EXPECT_EQ(Prompts().shown()[0].icon, Icon::Stop);

  Prompts().Clear();
  profile_.settings.rootMode = 1;
  profile_.WriteProfileFile("root.html", "<Html><p>page</p>");
  EXPECT_EQ(Content(""), "");
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{kRejected});
}

// The pages name the product's own release and web site, the same ones the
// About box and "albumsmith-cli version" show.
TEST(CreditLineTest, PointsToTheWebSiteWithTheRelease) {
  EXPECT_EQ(CreditLine(),
            "<div class=\"dtree\">Created by <a class=\"node\" href=\"https://albumsmith.example.org/\" "
            "target=\"_blank\">Albumsmith</a> v2.2.1</div>");
}

}  // namespace
}  // namespace albumsmith
