#include "site/folder_properties.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ini_file.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::Prompts;
using test::ReadText;

class FolderPropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.AddFolder("Trips/");
    Prompts().Clear();
  }

  std::string Ini(const std::string& folder, const char* key) {
    return IniFile(FolderIniPath(profile_.profileDir, folder)).ReadString("Settings", key);
  }

  test::SiteProfile profile_;
};

TEST_F(FolderPropertiesTest, RootOfANewProfileOpensWithRootPage) {
  profile_.WriteProfileFile("RootPage.html", "<h1>Start</h1>");
  const FolderDialogState root = OpenFolderProperties(profile_.profileDir, "");
  EXPECT_EQ(root.html, "<h1>Start</h1>");
  EXPECT_EQ(root.settings.htmlMode, 0);
  // Only the root offers it.
  EXPECT_EQ(OpenFolderProperties(profile_.profileDir, "Trips/").html, "");
}

TEST_F(FolderPropertiesTest, ExistingFolderIniAndFolderHtmlAreShown) {
  profile_.WriteProfileFile("RootPage.html", "<h1>Start</h1>");
  profile_.WriteFolderIni("", "[settings]\nHtmlMode=1\nHtmlFile=Folder.html\nTitleMode=1\nTitleText=Home\n");
  test::WriteText(FolderHtmlPath(profile_.profileDir, ""), "<p>mine</p>");
  const FolderDialogState state = OpenFolderProperties(profile_.profileDir, "");
  EXPECT_EQ(state.html, "<p>mine</p>");
  EXPECT_EQ(state.settings.htmlMode, 1);
  EXPECT_EQ(state.settings.htmlFile, "Folder.html");
  EXPECT_EQ(state.settings.titleMode, 1);
  EXPECT_EQ(state.settings.titleText, "Home");
  EXPECT_TRUE(HtmlEditorEnabled(state.settings));
  EXPECT_TRUE(TitleFieldEnabled(state.settings));
}

TEST_F(FolderPropertiesTest, OkWritesHtmlWithoutCarriageReturnsAndTheFourKeys) {
  FolderSettings s;
  s.htmlMode = 1;
  s.titleMode = 1;
  s.titleText = "Road trip";
  ASSERT_TRUE(SaveFolderProperties(profile_.profileDir, "Trips/", s, "<p>a</p>\r\n<p>b</p>"));
  EXPECT_EQ(ReadText(FolderHtmlPath(profile_.profileDir, "Trips/")), "<p>a</p>\n<p>b</p>");
  EXPECT_EQ(Ini("Trips/", "HtmlMode"), "1");
  EXPECT_EQ(Ini("Trips/", "HtmlFile"), "Folder.html");
  EXPECT_EQ(Ini("Trips/", "TitleMode"), "1");
  EXPECT_EQ(Ini("Trips/", "TitleText"), "Road trip");
}

TEST_F(FolderPropertiesTest, EmptyEditorKeepsAnOlderFolderHtml) {
  test::WriteText(FolderHtmlPath(profile_.profileDir, "Trips/"), "<p>old</p>");
  FolderSettings s;
  s.htmlMode = 1;
  s.htmlFile = "Folder.html";  // as read: the dialog's earlier value does not survive
  ASSERT_TRUE(SaveFolderProperties(profile_.profileDir, "Trips/", s, ""));
  EXPECT_EQ(Ini("Trips/", "HtmlMode"), "1");
  EXPECT_EQ(Ini("Trips/", "HtmlFile"), "");
  EXPECT_EQ(ReadText(FolderHtmlPath(profile_.profileDir, "Trips/")), "<p>old</p>");
}

TEST_F(FolderPropertiesTest, ClearedTitleCheckKeepsTheText) {
  FolderSettings s;
  s.titleMode = 0;
  s.titleText = "Kept";
  ASSERT_TRUE(SaveFolderProperties(profile_.profileDir, "Trips/", s, ""));
  const FolderSettings read = ReadFolderSettings(profile_.profileDir, "Trips/");
  EXPECT_FALSE(HasCustomTitle(read));
  EXPECT_FALSE(TitleFieldEnabled(read));
  EXPECT_EQ(read.titleText, "Kept");
}

TEST_F(FolderPropertiesTest, UnwritableHtmlIsReportedAndTheKeysStillWritten) {
  // A directory in the way of Folder.html fails the write for any user.
  std::filesystem::create_directories(FolderHtmlPath(profile_.profileDir, "Trips/"));
  FolderSettings s;
  s.htmlMode = 1;
  EXPECT_TRUE(SaveFolderProperties(profile_.profileDir, "Trips/", s, "<p>x</p>"));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot write HTML file\r\n\r\n", 0), 0u);
  EXPECT_EQ(Ini("Trips/", "HtmlMode"), "1");
  EXPECT_EQ(Ini("Trips/", "HtmlFile"), "");
}

TEST_F(FolderPropertiesTest, UnwritableFolderIniIsReported) {
  const std::string ini = FolderIniPath(profile_.profileDir, "Trips/");
  std::filesystem::create_directories(ini);
  EXPECT_FALSE(SaveFolderProperties(profile_.profileDir, "Trips/", FolderSettings{}, ""));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot write " + ini + "\r\n\r\n", 0), 0u);
}

TEST_F(FolderPropertiesTest, TitleWithALineBreakIsReportedAndTheOtherKeysWritten) {
  FolderSettings s;
  s.htmlMode = 1;
  s.titleMode = 1;
  s.titleText = "Road\ntrip";
  EXPECT_FALSE(SaveFolderProperties(profile_.profileDir, "Trips/", s, "<p>a</p>"));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot write " + FolderIniPath(profile_.profileDir, "Trips/"), 0), 0u);
  EXPECT_EQ(Ini("Trips/", "HtmlMode"), "1");
  EXPECT_EQ(Ini("Trips/", "HtmlFile"), "Folder.html");
  EXPECT_EQ(Ini("Trips/", "TitleMode"), "1");
  EXPECT_EQ(Ini("Trips/", "TitleText"), kMissingKey);
}

TEST_F(FolderPropertiesTest, FooterEditorOpensTheNamedFileAndSavesFooterHtml) {
  ProfileSettings settings;
  settings.footerFileName = "mine.html";
  test::WriteText(profile_.profileDir + "mine.html", "<p>old</p>");
  EXPECT_EQ(OpenFooter(profile_.profileDir, settings), "<p>old</p>");
  ASSERT_TRUE(SaveFooter(profile_.profileDir, "<p>(c) Ann</p>", settings));
  EXPECT_EQ(ReadText(profile_.profileDir + "Footer.html"), "<p>(c) Ann</p>");
  EXPECT_EQ(settings.footerFileName, "Footer.html");  // the pages now read the saved file
  EXPECT_EQ(OpenFooter(profile_.profileDir, settings), "<p>(c) Ann</p>");
}

TEST(HtmlPreviewTextTest, AddsAnHtmlTagUnlessThereIsOne) {
  EXPECT_EQ(HtmlPreviewText("<HTML><p>x</p>"), "<HTML><p>x</p>");
  EXPECT_EQ(HtmlPreviewText("<p>x</p>\r\n"), "<html>\n<p>x</p>\n");
  EXPECT_EQ(HtmlPreviewText(""), "<html>\n");
}

}  // namespace
}  // namespace albumsmith
