#include "store/folder_rights.h"

#include <gtest/gtest.h>

#include "platform/app_settings.h"
#include "store/users_store.h"
#include "test_support.h"

namespace albumsmith {
namespace {

class FolderRightsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"Open", "Open/Inner", "Family", "Family/Kids", "Bob's", "Trips", "trips"})
      std::filesystem::create_directories(dir_.path() / "ImageTree" / folder);
  }
  std::filesystem::path datFile() const { return dir_.path() / "rights.dat"; }
  FolderRights Loaded() const {
    FolderRights rights;
    rights.Load(dir_.str());
    return rights;
  }
  test::TempDir dir_;
};

TEST(FolderKeyTest, TreePathsBecomeBackslashKeys) {
  EXPECT_EQ(FolderKey(""), "\\");
  EXPECT_EQ(FolderKey("Trips/2004/"), "\\Trips\\2004\\");
  EXPECT_EQ(ParentKey("\\Trips\\2004\\"), "\\Trips\\");
  EXPECT_EQ(ParentKey("\\Trips\\"), "\\");
  EXPECT_EQ(ParentKey("\\"), "\\");
}

TEST_F(FolderRightsTest, NewProfileIsClosedAndEveryFolderInheritsIt) {
  const FolderRights rights = Loaded();
  EXPECT_TRUE(rights.entries().empty());
  EXPECT_EQ(rights.GetRights("\\"), "9999");
  EXPECT_EQ(rights.GetRights("\\Family\\"), "");
  const EffectiveRights kids = rights.GetEffectiveRights("\\Family\\Kids\\");
  EXPECT_EQ(kids.rights, "9999");
  EXPECT_TRUE(kids.inherited);
  EXPECT_EQ(IconOfRights(kids.rights), RightsIcon::kClosed);
  UsersStore none;
  EXPECT_EQ(RightsTooltip(kids, none), "* Inherit\r\nClosed");
  EXPECT_FALSE(rights.GetEffectiveRights("\\").inherited);
}

TEST_F(FolderRightsTest, RootOpenToAllOpensEveryFolderWithoutItsOwnEntry) {
  test::WriteText(datFile(), "0 \\\r\n9999 \\Family\\\r\n");
  const FolderRights rights = Loaded();
  struct Case {
    const char* key;
    const char* rights;
    bool inherited;
  };
  for (const Case& c : {Case{"\\", "0", false}, Case{"\\Open\\", "0", true}, Case{"\\Open\\Inner\\", "0", true},
                        Case{"\\Family\\", "9999", false}, Case{"\\Family\\Kids\\", "9999", true}}) {
    const EffectiveRights e = rights.GetEffectiveRights(c.key);
    EXPECT_EQ(e.rights, c.rights) << c.key;
    EXPECT_EQ(e.inherited, c.inherited) << c.key;
  }
}

TEST_F(FolderRightsTest, ReadingFollowsTheLinePatternAndDropsVanishedFolders) {
  test::WriteText(datFile(),
                  "\n"
                  "-2,5 \\Family\\\n"  // LF alone is read too
                  "0 \\Gone\\\r\n"     // no such folder any more
                  "3 \\Bob's\\\r\n"
                  "7 \\..\\..\\outside\\\r\n"  // not a folder of the album
                  "loneword\r\n"               // no key: the reading ends here
                  "0 \\Open\\\r\n");
  FolderRights rights = Loaded();
  ASSERT_EQ(rights.entries().size(), 2u);
  EXPECT_EQ(rights.GetRights("\\Family\\"), "-2,5");
  EXPECT_EQ(rights.GetRights("\\Bob's\\"), "3");
  EXPECT_EQ(rights.GetRights("\\Open\\"), "");

  // The folder goes away before the save: its entry is not written.
  std::filesystem::remove_all(dir_.path() / "ImageTree" / "Bob's");
  ASSERT_TRUE(rights.Save());
  EXPECT_EQ(test::ReadText(datFile()), "-2,5 \\Family\\\r\n");
}

TEST_F(FolderRightsTest, SetRightsStoresGroupsThenUsersAndEmptyMeansInheritAgain) {
  FolderRights rights = Loaded();
  // Group 2 and user 5 checked in the dialog.
  const std::string text = ComposeRights({2}, {5});
  EXPECT_EQ(text, "-2,5");
  EXPECT_TRUE(rights.SetRights("\\Family\\", text));
  EXPECT_FALSE(rights.SetRights("\\Family\\", "-2,5"));  // unchanged
  ASSERT_TRUE(rights.Save());
  EXPECT_EQ(test::ReadText(datFile()), "-2,5 \\Family\\\r\n");
  EXPECT_EQ(Loaded().GetRights("\\Family\\"), "-2,5");

  // Nothing checked: the folder inherits again, and the file stays readable
  // for the entries after it.
  ASSERT_TRUE(rights.SetRights("\\Open\\", "0"));
  EXPECT_TRUE(rights.SetRights("\\Family\\", ComposeRights({}, {})));
  ASSERT_TRUE(rights.Save());
  const FolderRights reread = Loaded();
  EXPECT_EQ(reread.GetRights("\\Family\\"), "");
  EXPECT_TRUE(reread.GetEffectiveRights("\\Family\\").inherited);
  EXPECT_EQ(reread.GetRights("\\Open\\"), "0");
}

TEST_F(FolderRightsTest, FoldersDifferingOnlyInLetterCaseHaveTheirOwnRights) {
  FolderRights rights = Loaded();
  rights.SetRights("\\Trips\\", "9999");
  rights.SetRights("\\trips\\", "0");
  EXPECT_EQ(rights.GetRights("\\Trips\\"), "9999");
  EXPECT_EQ(rights.GetRights("\\trips\\"), "0");
}

TEST(RightsTextTest, ComposeIconsAndValidity) {
  EXPECT_EQ(ComposeRights({1, 4}, {0}), "0");
  EXPECT_EQ(ComposeRights({}, {9999, 3}), "9999");
  EXPECT_EQ(ComposeRights({4, 1}, {3, 2}), "-4,-1,3,2");
  EXPECT_EQ(IconOfRights("0"), RightsIcon::kOpen);
  EXPECT_EQ(IconOfRights("9999"), RightsIcon::kClosed);
  EXPECT_EQ(IconOfRights("-2,5"), RightsIcon::kRestricted);
  for (const char* ok : {"", "0", "9999", "-2,5", "5"}) EXPECT_TRUE(IsValidRights(ok)) << ok;
  for (const char* bad : {"a", "-2,,5", "0,5x", "5,", "x';"}) EXPECT_FALSE(IsValidRights(bad)) << bad;
}

TEST(RightsTextTest, TooltipNamesUsersAndGroupsAndSkipsUnknownIds) {
  test::TempDir dir;
  AppSettings app(dir.path() / "a.ini");
  test::WriteText(app.file(), "[Users\\5]\nName=ann\n[Users\\6]\nName=bob\n[Groups\\2]\nName=family\n");
  UsersStore users;
  users.Load(app);
  EXPECT_EQ(RightsTooltip({"-2,-9,5,6,8", false}, users), "Users\t: ann,bob\r\nGroups\t: family");
  EXPECT_EQ(RightsTooltip({"0", true}, users), "* Inherit\r\nAll");
  EXPECT_EQ(DescribeRights("-2,5", users), "users ann; groups family");
}

}  // namespace
}  // namespace albumsmith

namespace albumsmith {
namespace {

TEST_F(FolderRightsTest, RightsFollowARenamedMovedOrDeletedFolder) {
  test::WriteText(datFile(), "0 \\\r\n9999 \\Family\\\r\n-2,5 \\Family\\Kids\\\r\n3 \\Familyfoo\\\r\n");
  std::filesystem::create_directories(dir_.path() / "ImageTree" / "Familyfoo");
  // Renamed on disk first, as the folder commands do.
  std::filesystem::rename(dir_.path() / "ImageTree" / "Family", dir_.path() / "ImageTree" / "Private");
  ASSERT_TRUE(FollowFolderRights(dir_.str(), "Family/", "Private/"));
  FolderRights rights = Loaded();
  EXPECT_EQ(rights.GetRights("\\Private\\"), "9999");
  EXPECT_EQ(rights.GetRights("\\Private\\Kids\\"), "-2,5");
  EXPECT_EQ(rights.GetRights("\\Familyfoo\\"), "3");  // a name that only starts alike stays

  // Moved below another folder.
  std::filesystem::rename(dir_.path() / "ImageTree" / "Private", dir_.path() / "ImageTree" / "Open" / "Private");
  ASSERT_TRUE(FollowFolderRights(dir_.str(), "Private/", "Open/Private/"));
  EXPECT_EQ(Loaded().GetEffectiveRights("\\Open\\Private\\Kids\\").rights, "-2,5");

  // Deleted, then made again under the same name: it starts without rights of its own.
  std::filesystem::remove_all(dir_.path() / "ImageTree" / "Open" / "Private");
  ASSERT_TRUE(FollowFolderRights(dir_.str(), "Open/Private/", ""));
  std::filesystem::create_directories(dir_.path() / "ImageTree" / "Open" / "Private");
  EXPECT_EQ(Loaded().GetRights("\\Open\\Private\\"), "");
  EXPECT_EQ(test::ReadText(datFile()), "0 \\\r\n3 \\Familyfoo\\\r\n");
}

}  // namespace
}  // namespace albumsmith
