#include "site/site_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "site/tree_script.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using Entry = CDirectoryTree::Entry;
using test::FixtureTemplateDir;
using test::Occurrences;
using test::Prompts;
using test::ReadText;

const std::vector<Entry> kFolders = {{1, 1, "Trips", "Trips/"}, {2, 2, "2004", "Trips/2004/"}};

class SiteWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.AddImage("", "root.jpg", "At home");
    profile_.AddImage("Trips/", "a b.jpg", "Say \"hi\"");
    profile_.AddImage("Trips/2004/", "c.jpg");
    thumbnails_ = profile_.profileDir + "albsite/s/";
    test::WriteText(thumbnails_ + "Trips/sort.pos", "3\na b.jpg\n");
    test::WriteText(thumbnails_ + "Trips/var.inf", "stale\n");
    test::WriteText(profile_.profileDir + "albsite/m/Trips/2004/c.jpg.php", "guarded medium");
    profile_.WriteFolderIni("Trips/2004/", "[Settings]\nHtmlMode=1\n[variables]\ncolor=blue\n");
    test::WriteText(profile_.profileDir + "ImageTree/Trips/2004/Folder.html", "<p>Our 2004</p>");
    test::WriteText(profile_.profileDir + "albsite/bg/sky.jpg", "sky");
    profile_.settings.background = profile_.profileDir + "albsite/bg/sky.jpg";
    out_ = out.str() + "site/";
    Prompts().Clear();
  }

  bool Write() { return WriteSite(profile_.settings, profile_.profileDir, FixtureTemplateDir(), kFolders, out_); }
  bool Exists(const std::string& relative) const { return fs::exists(out_ + relative); }

  test::SiteProfile profile_;
  test::TempDir out;
  std::string thumbnails_;
  std::string out_;
};

TEST_F(SiteWriterTest, StaticSiteIsLaidOutAsOnTheServer) {
  ASSERT_TRUE(Write());
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  for (const char* file : {"index.html",
                           "slide.html",
                           "Trips/index.html",
                           "Trips/slide.html",
                           "Trips/2004/index.html",
                           "Trips/2004/slide.html",
                           "albsite/js/album_s.js",
                           "albsite/js/dtree.js",
                           "albsite/js/albumsmith.css",
                           "albsite/images/loading.gif",
                           "albsite/images/movieanim.gif",
                           "albsite/bg/sky.jpg",
                           "albsite/s/root.jpg",
                           "albsite/s/root.jpg.comment",
                           "albsite/s/root.jpg.html",
                           "albsite/s/sort.inf",
                           "albsite/s/Trips/a b.jpg",
                           "albsite/m/Trips/a b.jpg",
                           "albsite/m/Trips/2004/c.jpg",
                           "albsite/m/Trips/2004/c.jpg.php",
                           "albsite/s/Trips/2004/Folder.html"})
    EXPECT_TRUE(Exists(file)) << file;
  for (const char* file : {"index.php", "albsite/s/Trips/sort.pos", "albsite/s/Trips/var.inf",
                           "albsite/js/index_templ.html", "albsite/js/php_functions.php"})
    EXPECT_FALSE(Exists(file)) << file;

  EXPECT_EQ(ReadText(out_ + "albsite/js/dir.js"), PublishedTreeScript("Holiday", kFolders));
  const std::string trips = ReadText(out_ + "Trips/index.html");
  EXPECT_EQ(trips.find("__"), std::string::npos);
  EXPECT_NE(trips.find("<img src=\"../albsite/s/Trips/a%20b.jpg\" title=\"Say &quot;hi&quot;\""), std::string::npos);
  EXPECT_NE(trips.find("comments[0]=\"Say &quot;hi&quot;\";"), std::string::npos);
  EXPECT_NE(trips.find("var curDir=1;"), std::string::npos);
  EXPECT_NE(trips.find("background=\"../albsite/bg/sky.jpg\""), std::string::npos);
  const std::string deep = ReadText(out_ + "Trips/2004/index.html");
  EXPECT_NE(deep.find("<p>Our 2004</p>"), std::string::npos);
  EXPECT_NE(deep.find("src=\"../../albsite/js/dir.js\""), std::string::npos);
}

// A folder page shows its sub-folders (not deeper ones) as cards: the first
// photo in the sub-folder's own order as cover, and its number of photos; a
// folder with neither photos nor sub-folders says so.
TEST_F(SiteWriterTest, FolderPagesShowTheirSubFoldersAsCards) {
  profile_.AddImage("Trips/", "0 first in name order.jpg");  // comes after "a b.jpg" in sort.inf
  profile_.AddFolder("Empty/");
  const std::vector<Entry> folders = {
      {1, 1, "Trips", "Trips/"}, {2, 2, "2004", "Trips/2004/"}, {3, 1, "Empty", "Empty/"}};
  ASSERT_TRUE(WriteSite(profile_.settings, profile_.profileDir, FixtureTemplateDir(), folders, out_));

  const std::string root = ReadText(out_ + "index.html");
  EXPECT_NE(root.find("<a class=\"folder-card\" href=\"Trips/\"><img class=\"folder-cover\" "
                      "src=\"albsite/s/Trips/a%20b.jpg\" alt=\"\"><span class=\"folder-name\">Trips</span>"
                      "<span class=\"folder-count\">2 photos</span></a>"),
            std::string::npos)
      << root;
  EXPECT_NE(root.find("<a class=\"folder-card\" href=\"Empty/\"><span class=\"folder-cover folder-cover-empty\">"
                      "</span><span class=\"folder-name\">Empty</span><span class=\"folder-count\">No photos</span>"),
            std::string::npos);
  EXPECT_EQ(Occurrences(root, "class=\"folder-card\""), 2) << "only the root's own sub-folders";
  // The root's own photo still shows after the cards.
  EXPECT_LT(root.find("folder-cards"), root.find("albsite/s/root.jpg\" title"));

  const std::string trips = ReadText(out_ + "Trips/index.html");
  EXPECT_NE(trips.find("href=\"2004/\"><img class=\"folder-cover\" src=\"../albsite/s/Trips/2004/c.jpg\""),
            std::string::npos);
  EXPECT_NE(trips.find("<span class=\"folder-count\">1 photo</span>"), std::string::npos);

  const std::string empty = ReadText(out_ + "Empty/index.html");
  EXPECT_NE(empty.find("<p class=\"empty-folder\">This folder holds no photos yet.</p>"), std::string::npos);
  EXPECT_EQ(empty.find("folder-card"), std::string::npos);
  // A folder showing its own HTML keeps it, cards or not.
  EXPECT_EQ(ReadText(out_ + "Trips/2004/index.html").find("empty-folder"), std::string::npos);

  // The preview's pages are files: a card leads to the sub-folder's index.html.
  ASSERT_TRUE(WritePreview(profile_.settings, profile_.profileDir, FixtureTemplateDir(), folders, ""));
  EXPECT_NE(ReadText(profile_.profileDir + "Preview/index.html").find("href=\"Trips/index.html\""), std::string::npos);
}

TEST_F(SiteWriterTest, PhpSiteHasOneIndexAndVarInfFiles) {
  profile_.settings.php = 1;
  ASSERT_TRUE(Write());
  EXPECT_TRUE(Exists("index.php"));
  EXPECT_FALSE(Exists("index.html"));
  EXPECT_FALSE(Exists("Trips/index.html"));
  EXPECT_EQ(ReadText(out_ + "albsite/js/dir.js"), PhpTreeListing("Holiday", kFolders));
  EXPECT_EQ(ReadText(out_ + "albsite/s/Trips/2004/var.inf"), "color=blue\n");
  // The stale local copy is not what goes out.
  EXPECT_EQ(ReadText(out_ + "albsite/s/Trips/var.inf"), "");
  EXPECT_EQ(ReadText(out_ + "index.php").rfind("<?PHP\n$profile = 'Holiday';\n", 0), 0u);
}

TEST_F(SiteWriterTest, FolderHtmlTravelsOnlyWhileHtmlModeIsOn) {
  profile_.WriteFolderIni("Trips/2004/", "[Settings]\nHtmlMode=0\n");
  test::WriteText(thumbnails_ + "Trips/2004/Folder.html", "left over from an earlier run");
  ASSERT_TRUE(Write());
  EXPECT_FALSE(Exists("albsite/s/Trips/2004/Folder.html"));
}

TEST_F(SiteWriterTest, MissingSkeletonStopsTheSite) {
  test::TempDir templateCopy;
  fs::copy(FixtureTemplateDir(), templateCopy.path(), fs::copy_options::recursive);
  fs::remove(templateCopy.path() / "albsite/js/index_templ.html");
  EXPECT_FALSE(WriteSite(profile_.settings, profile_.profileDir, templateCopy.str(), kFolders, out_));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot open local file ", 0), 0u);
  EXPECT_FALSE(Exists("index.html"));
}

TEST_F(SiteWriterTest, PreviewPagesTreeScriptAndCleanUp) {
  test::WriteText(profile_.profileDir + "Preview/Gone/index.html", "a folder deleted since the last preview");
  const std::optional<std::string> start =
      WritePreview(profile_.settings, profile_.profileDir, FixtureTemplateDir(), kFolders, "Trips/");
  ASSERT_TRUE(start);
  EXPECT_EQ(*start, profile_.profileDir + "Preview/Trips/index.html");
  EXPECT_FALSE(fs::exists(profile_.profileDir + "Preview/Gone"));

  const std::string deep = ReadText(profile_.profileDir + "Preview/Trips/2004/index.html");
  EXPECT_NE(deep.find("var pre=\"../../../albsite/m/\";"), std::string::npos);
  EXPECT_NE(deep.find("var backPath='./index.html';"), std::string::npos);
  EXPECT_NE(deep.find("src=\"" + FixtureTemplateDir() + "albsite/js/album_s.js\""), std::string::npos);
  EXPECT_NE(deep.find("background=\"" + profile_.profileDir + "albsite/bg/sky.jpg\""), std::string::npos);
  EXPECT_TRUE(fs::exists(profile_.profileDir + "Preview/slide.html"));
  EXPECT_EQ(ReadText(profile_.profileDir + "albsite/js/dir.js"), PreviewTreeScript("Holiday", kFolders));
  // Preview pages are static even for a PHP profile.
  profile_.settings.php = 1;
  ASSERT_TRUE(WritePreview(profile_.settings, profile_.profileDir, FixtureTemplateDir(), kFolders, ""));
  EXPECT_TRUE(fs::exists(profile_.profileDir + "Preview/Trips/index.html"));
  EXPECT_TRUE(Prompts().texts().empty());

  RemovePreview(profile_.profileDir);
  EXPECT_FALSE(fs::exists(profile_.profileDir + "Preview"));
  EXPECT_FALSE(fs::exists(profile_.profileDir + "albsite/js/dir.js"));
  EXPECT_TRUE(fs::exists(profile_.profileDir + "albsite/js/albumsmith.css"));
}

TEST_F(SiteWriterTest, PreviewWithoutSkeletonsReportsOnceAndWritesEmptyPages) {
  test::TempDir emptyTemplate;
  fs::create_directories(emptyTemplate.path() / "albsite/js");
  ASSERT_TRUE(WritePreview(profile_.settings, profile_.profileDir, emptyTemplate.str(), kFolders, ""));
  EXPECT_EQ(Prompts().texts().size(), 2u);  // one per skeleton, not one per page
  EXPECT_EQ(ReadText(profile_.profileDir + "Preview/Trips/index.html"), "");
}

TEST_F(SiteWriterTest, PreviewStopsWhenTheTreeScriptCannotBeWritten) {
  fs::create_directories(profile_.profileDir + "albsite/js/dir.js");
  EXPECT_FALSE(WritePreview(profile_.settings, profile_.profileDir, FixtureTemplateDir(), kFolders, ""));
  ASSERT_EQ(Prompts().texts().size(), 2u);
  EXPECT_EQ(Prompts().texts()[1], "Cannot create the directory tree");
}

}  // namespace
}  // namespace albumsmith
