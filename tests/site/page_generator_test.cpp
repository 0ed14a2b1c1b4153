#include "site/page_generator.h"

#include <gtest/gtest.h>

#include <string>

#include "site/template.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::FixtureTemplateDir;
using test::Prompts;

class ExpandStaticPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.AddImage("Trips/", "a.jpg", "first");
    profile_.AddImage("Trips/", "b.jpg");
    Prompts().Clear();
  }

  // Expands `text` for a folder and returns the count; the text is expanded in place.
  int Expand(std::string& text, const std::string& folder = "Trips/", bool preview = false) {
    return ExpandStaticPage(text, profile_.Page(folder, preview, 5));
  }

  test::SiteProfile profile_;
};

TEST_F(ExpandStaticPageTest, EveryTokenOfTheSkeletonIsReplacedAndCounted) {
  std::string page = ReadSkeleton(FixtureTemplateDir() + "albsite/js/index_templ.html").value();
  EXPECT_EQ(Expand(page), 18);
  EXPECT_EQ(page.find("__"), std::string::npos) << page;
  EXPECT_NE(page.find("<title>Trips</title>"), std::string::npos);
  EXPECT_NE(page.find("<p>2 Images in Trips/ with ../albsite/</p>"), std::string::npos);
  EXPECT_NE(page.find("var curDir=5;"), std::string::npos);

  std::string slide = ReadSkeleton(FixtureTemplateDir() + "albsite/js/slide_templ.html").value();
  EXPECT_EQ(Expand(slide), 2);
  EXPECT_EQ(slide.find('\r'), std::string::npos);
  EXPECT_TRUE(Prompts().texts().empty());
}

TEST_F(ExpandStaticPageTest, RepeatedTokenIsCountedAtEachOccurrence) {
  std::string page = "__PATH__|__PATH__|__TITLE__|__path__";
  EXPECT_EQ(Expand(page), 3);
  EXPECT_EQ(page, "Trips/|Trips/|Trips|__path__");
}

TEST_F(ExpandStaticPageTest, VariablesGoFirstSoTheirTokensAreExpanded) {
  profile_.WriteProfileIni("[variables]\nwhere=__PATH__\nnote=see __where__\n");
  std::string page = "<p>__where__</p><p>__note__</p>";
  // where: 1, note: 1, then __PATH__ once from where; note's __where__ stays,
  // because "where" was replaced before "note" brought it in.
  EXPECT_EQ(Expand(page), 3);
  EXPECT_EQ(page, "<p>Trips/</p><p>see __where__</p>");
}

TEST_F(ExpandStaticPageTest, FolderOverrideWinsOverTheDefault) {
  profile_.WriteProfileIni("[variables]\ncolor=red\nsize=10\n");
  profile_.WriteFolderIni("Trips/", "[variables]\ncolor=blue\n");
  std::string page = "__color__ __size__";
  EXPECT_EQ(Expand(page), 2);
  EXPECT_EQ(page, "blue 10");
  // The root has no override.
  std::string root = "__color__";
  Expand(root, "");
  EXPECT_EQ(root, "red");
}

TEST_F(ExpandStaticPageTest, FolderValuesMayUseDefaultsButNotTheOtherWayRound) {
  profile_.WriteProfileIni("[variables]\ninner=__TITLE__\nouter=[__mine__]\n");
  profile_.WriteFolderIni("Trips/", "[variables]\nmine=<__inner__>\n");
  std::string page = "__mine__ __outer__";
  EXPECT_EQ(Expand(page), 4);
  EXPECT_EQ(page, "<Trips> [__mine__]");
}

TEST_F(ExpandStaticPageTest, EarlierTokensDoNotSeeTextOfLaterOnes) {
  // __MENUFOOTER__ is replaced after __TITLE__ and before __LINK__: in the
  // footer's text the first stays as written, the second is expanded.
  profile_.WriteProfileFile("foot.html", "__TITLE__ __LINK__");
  profile_.settings.footerFileName = "foot.html";
  std::string page = "__MENUFOOTER__";
  EXPECT_EQ(Expand(page), 2);
  EXPECT_EQ(page.rfind("__TITLE__ <div class=\"dtree\">Created by", 0), 0u) << page;
}

TEST_F(ExpandStaticPageTest, EntryWithoutEqualsIsTheFourUnderscoreToken) {
  profile_.WriteProfileIni("[variables]\njustaword\n");
  std::string page = "a____b";
  EXPECT_EQ(Expand(page), 1);
  EXPECT_EQ(page, "ab");
}

TEST_F(ExpandStaticPageTest, CustomTitleOnlyWhileTitleModeIsOne) {
  profile_.WriteFolderIni("Trips/", "[Settings]\nTitleMode=0\nTitleText=Summer 2004\n");
  std::string page = "__TITLE__";
  Expand(page);
  EXPECT_EQ(page, "Trips");
  profile_.WriteFolderIni("Trips/", "[settings]\nTitleMode=1\nTitleText=Summer 2004\n");
  page = "__TITLE__";
  Expand(page);
  EXPECT_EQ(page, "Summer 2004");
}

TEST_F(ExpandStaticPageTest, FooterIsInsertedAsItStandsOrEmpty) {
  std::string page = "[__MENUFOOTER__]";
  Expand(page);
  EXPECT_EQ(page, "[]");
  profile_.WriteProfileFile("Footer.html", "<p>Ann's <b>site</b> \\o/</p>");
  profile_.settings.footerFileName = "Footer.html";
  page = "[__MENUFOOTER__]";
  Expand(page);
  EXPECT_EQ(page, "[<p>Ann's <b>site</b> \\o/</p>]");
}

TEST_F(ExpandStaticPageTest, PreviewAndPublishedPagesOfADepthTwoFolder) {
  profile_.AddImage("Trips/2004/", "c.jpg");
  const std::string skeleton = "__SCRIPT__|__ALBSITE__|__PROPERTIES__|__IMAGES__|__TREE__";
  std::string published = skeleton;
  Expand(published, "Trips/2004/", false);
  EXPECT_EQ(published.rfind("../../albsite/js/album_s.js|../../albsite/|", 0), 0u);
  EXPECT_NE(published.find("var backPath='.';"), std::string::npos);
  EXPECT_NE(published.find("var pre=\"../../albsite/m/\";"), std::string::npos);
  EXPECT_NE(published.find("src=\"../../albsite/js/dir.js\""), std::string::npos);

  std::string preview = skeleton;
  Expand(preview, "Trips/2004/", true);
  const std::string support = FixtureTemplateDir();
  EXPECT_EQ(preview.rfind(support + "albsite/js/album_s.js|" + support + "albsite/|", 0), 0u) << preview;
  EXPECT_NE(preview.find("var backPath='./index.html';"), std::string::npos);
  EXPECT_NE(preview.find("var pre=\"../../../albsite/m/\";"), std::string::npos);
  EXPECT_NE(preview.find("var path=\"../../\";"), std::string::npos);
  EXPECT_NE(preview.find("src=\"../../../albsite/js/dir.js\""), std::string::npos);
}

}  // namespace
}  // namespace albumsmith
