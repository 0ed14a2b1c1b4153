#include "store/users_store.h"

#include <gtest/gtest.h>

#include "platform/app_settings.h"
#include "store/password.h"
#include "test_support.h"
#include "user_records.h"

namespace albumsmith {
namespace {

using test::Group;
using test::User;

class UsersStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return dir_.path() / "Albumsmith.ini"; }
  test::TempDir dir_;
  AppSettings app_{dir_.path() / "Albumsmith.ini"};
};

TEST_F(UsersStoreTest, FreshInstallationHandsOutIdOneToTheFirstUserAndTheFirstGroup) {
  UsersStore store;
  store.Load(app_);
  EXPECT_TRUE(store.users().empty());
  EXPECT_TRUE(store.groups().empty());
  store.AddUser(User("ann", "secret"));
  store.AddGroup(Group("family"));
  ASSERT_TRUE(store.Save(app_));
  EXPECT_EQ(store.users()[0].id, 1);
  EXPECT_EQ(store.groups()[0].id, 1);
  EXPECT_EQ(app_.GetInt("Users", "NextId", 0), 2);
  EXPECT_EQ(app_.GetInt("Groups", "NextId", 0), 2);
  EXPECT_EQ(app_.GetString("Users\\1", "Name", ""), "ann");
  EXPECT_EQ(app_.GetString("Groups\\1", "Name", ""), "family");
}

TEST_F(UsersStoreTest, PasswordIsStoredScrambledAndReadBackInClear) {
  UsersStore store;
  store.Load(app_);
  const std::string password = "correct horse battery staple 31";  // 31 characters
  store.AddUser(User("ann", password, "3 7", "Aunt Ann"));
  ASSERT_TRUE(store.Save(app_));
  const std::string stored = app_.GetString("Users\\1", "Password", "");
  EXPECT_EQ(stored.size(), 64u);
  EXPECT_EQ(stored.find(password), std::string::npos);
  EXPECT_EQ(stored, PasswordScramble(password));
  // Scrambling is reversible: the file is for its owner's eyes only.
  EXPECT_EQ(std::filesystem::status(file()).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

  UsersStore again;
  again.Load(app_);
  ASSERT_EQ(again.users().size(), 1u);
  const UserRecord& u = again.users()[0];
  EXPECT_EQ(u.password, password);
  EXPECT_EQ(u.description, "Aunt Ann");
  EXPECT_EQ(ParseMembership(u.groups), (std::vector<int>{3, 7}));
  EXPECT_FALSE(u.modified);
}

TEST_F(UsersStoreTest, SubKeysAreReadByTheNumberTheirNameStartsWith) {
  test::WriteText(file(),
                  "[Users]\nNextId=20\n"
                  "[Users\\12abc]\nName=ignored, the values are those of Users\\12\n"
                  "[Users\\12]\nName=twelve\n"
                  "[Users\\x5]\nName=no number\n"
                  "[Users\\0]\nName=not an id\n"
                  "[Users\\3]\nName=three\nPassword=garbage\n");
  UsersStore store;
  store.Load(app_);
  ASSERT_EQ(store.users().size(), 2u);
  EXPECT_EQ(store.users()[0].id, 12);
  EXPECT_EQ(store.users()[0].name, "twelve");
  EXPECT_EQ(store.users()[1].id, 3);
  EXPECT_EQ(store.users()[1].password, "");  // not a scrambled form
  EXPECT_EQ(store.nextUserId(), 20);

  // Deleting user 12 removes both sub-keys that stand for it, so it does not come back.
  store.DeleteUser(0);
  ASSERT_TRUE(store.Save(app_));
  UsersStore again;
  again.Load(app_);
  ASSERT_EQ(again.users().size(), 1u);
  EXPECT_EQ(again.users()[0].id, 3);
}

TEST_F(UsersStoreTest, CreatedThenDeletedBeforeSavingIsNeverWritten) {
  UsersStore store;
  store.Load(app_);
  const size_t u = store.AddUser(User("ghost"));
  const size_t g = store.AddGroup(Group("ghosts"));
  store.DeleteUser(u);
  store.DeleteGroup(g);
  ASSERT_TRUE(store.Save(app_));
  EXPECT_TRUE(store.users().empty());
  EXPECT_TRUE(store.groups().empty());
  EXPECT_TRUE(app_.SubKeys("Users").empty());
  EXPECT_TRUE(app_.SubKeys("Groups").empty());
  EXPECT_EQ(test::ReadText(file()).find("ghost"), std::string::npos);
}

TEST_F(UsersStoreTest, IdsAreNeverReused) {
  UsersStore store;
  store.Load(app_);
  store.AddUser(User("a"));
  store.AddUser(User("b"));
  ASSERT_TRUE(store.Save(app_));
  store.DeleteUser(1);  // the highest id
  ASSERT_TRUE(store.Save(app_));
  store.AddUser(User("c"));
  ASSERT_TRUE(store.Save(app_));
  EXPECT_EQ(store.users().back().id, 3);

  // A "NextId" lower than a stored id (an older or hand-edited file) must not
  // hand that id out again.
  test::WriteText(file(), "[Users]\nNextId=2\n[Users\\7]\nName=seven\n");
  UsersStore edited;
  edited.Load(app_);
  edited.AddUser(User("new"));
  ASSERT_TRUE(edited.Save(app_));
  EXPECT_EQ(edited.users().back().id, 8);
  EXPECT_EQ(app_.GetString("Users\\7", "Name", ""), "seven");
}

TEST_F(UsersStoreTest, TwoWritersApplyOnlyTheirOwnChanges) {
  UsersStore window, commandLine;
  window.Load(app_);
  commandLine.Load(app_);
  commandLine.AddUser(User("from the command line"));
  ASSERT_TRUE(commandLine.Save(app_));
  window.AddUser(User("from the window"));
  ASSERT_TRUE(window.Save(app_));
  UsersStore both;
  both.Load(app_);
  ASSERT_EQ(both.users().size(), 2u);
  EXPECT_EQ(both.users()[0].name, "from the command line");
  EXPECT_EQ(both.users()[1].name, "from the window");
  EXPECT_NE(both.users()[0].id, both.users()[1].id);
}

TEST_F(UsersStoreTest, UserAndGroupIdsAreSeparateSequences) {
  UsersStore store;
  store.Load(app_);
  store.AddGroup(Group("g1"));
  store.AddGroup(Group("g2"));
  store.AddUser(User("u1"));
  ASSERT_TRUE(store.Save(app_));
  EXPECT_EQ(store.groups()[1].id, 2);
  EXPECT_EQ(store.users()[0].id, 1);
}

TEST_F(UsersStoreTest, EditOfOneRecordLeavesTheOthersAlone) {
  UsersStore store;
  store.Load(app_);
  store.AddUser(User("a", "pa"));
  store.AddUser(User("b", "pb"));
  ASSERT_TRUE(store.Save(app_));
  // Someone else changes b meanwhile; editing a must not write b back.
  app_.SetString("Users\\2", "Description", "changed elsewhere");
  store.users()[0].description = "edited";
  store.users()[0].modified = true;
  ASSERT_TRUE(store.Save(app_));
  EXPECT_EQ(app_.GetString("Users\\2", "Description", ""), "changed elsewhere");
  EXPECT_EQ(app_.GetString("Users\\1", "Description", ""), "edited");
}

TEST_F(UsersStoreTest, MembershipOfGroupsMadeInTheSameSessionGetsTheirIds) {
  UsersStore store;
  store.Load(app_);
  store.AddGroup(Group("old"));
  ASSERT_TRUE(store.Save(app_));
  // Two new groups, one of them deleted again before the save; a user joins both.
  const int kept = store.groups()[store.AddGroup(Group("new"))].id;
  const size_t droppedIndex = store.AddGroup(Group("dropped"));
  const int dropped = store.groups()[droppedIndex].id;
  EXPECT_LT(kept, 0);
  EXPECT_NE(kept, dropped);
  store.AddUser(User("ann", "pw", JoinMembership({1, kept, dropped})));
  store.DeleteGroup(droppedIndex);
  ASSERT_TRUE(store.Save(app_));
  EXPECT_EQ(app_.GetString("Users\\1", "Groups", ""), "1 2");
  EXPECT_EQ(store.users()[0].groups, "1 2");
}

TEST(MembershipTest, SplitsAtSpacesAndJoinsWithSingleSpaces) {
  struct Case {
    const char* text;
    std::vector<int> ids;
  };
  for (const Case& c :
       {Case{"3 7", {3, 7}}, Case{"", {}}, Case{" 3  7 ", {3, 7}}, Case{"3 x -4 0 7", {3, 7}}, Case{"12", {12}}}) {
    EXPECT_EQ(ParseMembership(c.text), c.ids) << c.text;
  }
  EXPECT_EQ(JoinMembership({3, 7}), "3 7");
  EXPECT_EQ(JoinMembership({}), "");
}

TEST_F(UsersStoreTest, NamesMustBeUsableAsLoginNames) {
  UsersStore store;
  store.Load(app_);
  store.AddUser(User("Ann"));
  EXPECT_EQ(store.CheckUserName("bob", -1), "");
  EXPECT_NE(store.CheckUserName("", -1), "");
  EXPECT_NE(store.CheckUserName("ann", -1), "");  // differs only in letter case
  EXPECT_EQ(store.CheckUserName("ann", 0), "");   // renaming Ann herself
  EXPECT_NE(store.CheckUserName("a\nb", -1), "");
  EXPECT_NE(store.CheckUserName(" ann2", -1), "");
  store.DeleteUser(0);
  EXPECT_EQ(store.CheckUserName("ann", -1), "");  // the name is free again
  EXPECT_EQ(store.FindUserByName("Ann"), -1);
}

TEST_F(UsersStoreTest, AValueTheFileCannotHoldWritesNothing) {
  UsersStore store;
  store.Load(app_);
  store.AddUser(User("a", "", "", "two\nlines"));
  EXPECT_FALSE(store.Save(app_));
  EXPECT_EQ(store.users()[0].id, -1);
  EXPECT_TRUE(store.users()[0].modified);
  EXPECT_FALSE(std::filesystem::exists(file()));
}

}  // namespace
}  // namespace albumsmith
