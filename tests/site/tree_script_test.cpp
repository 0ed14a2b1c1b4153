#include "site/tree_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "site_fixture.h"

namespace albumsmith {
namespace {

using Entry = CDirectoryTree::Entry;
using test::FixtureTemplateDir;
using test::Prompts;
using test::ReadText;

// Trips (3) holding 2004 (7), then Bob's (4) beside it.
const std::vector<Entry> kFolders = {
    {3, 1, "Trips", "Trips/"},
    {7, 2, "2004", "Trips/2004/"},
    {4, 1, "Bob's", "Bob's/"},
};

TEST(TreeScriptTest, RootOnlyGivesFourLinesAndOneListingLine) {
  EXPECT_EQ(PublishedTreeScript("Holiday", {}),
            "d = new dTree('d');\n"
            "d.add(0,-1,0,'Holiday',path);\n"
            "document.write(d);\n"
            "d.openTo(curDir, true);\n");
  EXPECT_EQ(PreviewTreeScript("Holiday", {}),
            "d = new dTree('d');\n"
            "d.add(0,-1,0,'Holiday',path+'index.html');\n"
            "document.write(d);\n"
            "d.openTo(curDir, true);\n");
  EXPECT_EQ(PhpTreeListing("Holiday", {}), "0\t-1\tHoliday\t.\n");
}

TEST(TreeScriptTest, PublishedLinksEndAtTheFolder) {
  EXPECT_EQ(PublishedTreeScript("Holiday", kFolders),
            "d = new dTree('d');\n"
            "d.add(0,-1,0,'Holiday',path);\n"
            "d.add(3, 0, (curDir==3), 'Trips', path+'Trips/');\n"
            "d.add(7, 3, (curDir==7), '2004', path+'Trips/2004/');\n"
            "d.add(4, 0, (curDir==4), 'Bob\\'s', path+'Bob%27s/');\n"
            "document.write(d);\n"
            "d.openTo(curDir, true);\n");
}

TEST(TreeScriptTest, PreviewLinksEndInIndexHtml) {
  const std::string script = PreviewTreeScript("Holiday", kFolders);
  EXPECT_NE(script.find("d.add(7, 3, (curDir==7), '2004', path+'Trips/2004/index.html');\n"), std::string::npos);
  EXPECT_NE(script.find("d.add(4, 0, (curDir==4), 'Bob\\'s', path+'Bob%27s/index.html');\n"), std::string::npos);
}

TEST(TreeScriptTest, ListingKeepsNamesAndPathsUnescaped) {
  EXPECT_EQ(PhpTreeListing("Holiday", kFolders),
            "0\t-1\tHoliday\t.\n"
            "3\t0\tTrips\tTrips\n"
            "7\t3\t2004\tTrips/2004\n"
            "4\t0\tBob's\tBob's\n");
  EXPECT_EQ(DirectoryTreeData(true, "Holiday", kFolders), PhpTreeListing("Holiday", kFolders));
  EXPECT_EQ(DirectoryTreeData(false, "Holiday", kFolders), PublishedTreeScript("Holiday", kFolders));
}

TEST(TreeScriptTest, ProfileNameAndBackslashCannotEndTheScriptString) {
  const std::string script = PublishedTreeScript("Ann's", {{1, 1, "a\\b", "a\\b/"}});
  EXPECT_NE(script.find("d.add(0,-1,0,'Ann\\'s',path);\n"), std::string::npos);
  EXPECT_NE(script.find("'a\\\\b', path+'a%5Cb/'"), std::string::npos);
}

TEST(PreviewTreeScriptFileTest, WritesScriptThenCopiesTheStyleSheet) {
  test::TempDir tmp;
  const std::string profileDir = tmp.str();
  ASSERT_TRUE(WritePreviewTreeScript(profileDir, FixtureTemplateDir(), "Holiday", kFolders));
  EXPECT_EQ(ReadText(profileDir + "albsite/js/dir.js"), PreviewTreeScript("Holiday", kFolders));
  EXPECT_EQ(ReadText(profileDir + "albsite/js/albumsmith.css"),
            ReadText(FixtureTemplateDir() + "albsite/js/albumsmith.css"));
}

TEST(PreviewTreeScriptFileTest, UnwritableScriptIsReportedAndNoStyleSheetCopied) {
  test::TempDir tmp;
  const std::string profileDir = tmp.str();
  // A directory where the script should go makes the write fail for any user.
  std::filesystem::create_directories(profileDir + "albsite/js/dir.js");
  Prompts().Clear();
  EXPECT_FALSE(WritePreviewTreeScript(profileDir, FixtureTemplateDir(), "Holiday", kFolders));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Error writing directory file " + profileDir + "albsite/js/dir.js\r\n\r\n", 0),
            0u)
      << Prompts().texts()[0];
  EXPECT_FALSE(std::filesystem::exists(profileDir + "albsite/js/albumsmith.css"));
}

}  // namespace
}  // namespace albumsmith
