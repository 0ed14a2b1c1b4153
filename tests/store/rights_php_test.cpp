#include "store/rights_php.h"

#include <crypt.h>
#include <gtest/gtest.h>

#include "platform/app_settings.h"
#include "store/folder_rights.h"
#include "store/profile_settings.h"
#include "store/users_store.h"
#include "test_support.h"
#include "user_records.h"

namespace albumsmith {
namespace {

using test::Group;
using test::User;

// What crypt(3) says for the typed password against the stored hash.
bool Verifies(const std::string& typed, const std::string& hash) {
  crypt_data data{};
  const char* again = crypt_r(typed.c_str(), hash.c_str(), &data);
  return again && hash == again;
}

TEST(HashPasswordTest, ShaCryptWithRandomSaltAndTheWholePassword) {
  const std::string hash = HashPassword("longer than eight characters");
  EXPECT_EQ(hash.rfind("$6$", 0), 0u) << hash;
  EXPECT_TRUE(Verifies("longer than eight characters", hash));
  EXPECT_FALSE(Verifies("longer than eight", hash));  // no truncation
  EXPECT_FALSE(Verifies("longer t", hash));
  EXPECT_NE(HashPassword("same"), HashPassword("same"));  // salted
  EXPECT_EQ(HashPassword(""), "");
}

TEST(PhpQuotingTest, NothingEndsTheLiteralOrInterpolates) {
  EXPECT_EQ(PhpSingleQuoted("Bob's"), "Bob\\'s");
  EXPECT_EQ(PhpSingleQuoted("a\\'b"), "a\\\\\\'b");
  EXPECT_EQ(PhpDoubleQuoted("$6$ab\"c\\"), "\\$6\\$ab\\\"c\\\\");
}

class RightsPhpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"Bob's", "Family", "Family/Kids"})
      std::filesystem::create_directories(dir_.path() / "P" / "ImageTree" / folder);
    test::WriteText(dir_.path() / "P" / "rights.dat", "0 \\\r\n-2,5 \\Family\\\r\n9999 \\Bob's\\\r\n");
    test::WriteText(app_.file(),
                    "[Users]\nNextId=6\n[Users\\5]\nName=ann\nGroups=2\n[Users\\3]\nName=o'brien\nGroups=2 x 4\n"
                    "[Groups\\2]\nName=family\n");
    settings_.name = "P";
    settings_.subdir = "P/";
    settings_.php = 1;
    settings_.accessSecurity = 1;
    settings_.accessUser = "admin";
    settings_.accessPassword = "admin pass";
  }
  test::TempDir dir_;
  AppSettings app_{dir_.path() / "Albumsmith.ini"};
  ProfileSettings settings_;
};

TEST_F(RightsPhpTest, TextHasTheAdministratorUsersAndRightsInOrder) {
  const std::string php = BuildRightsPhp(settings_, app_, dir_.str());
  // Hashes are salted at random; put a placeholder in their place.
  std::string shown;
  size_t pos = 0;
  for (size_t at; (at = php.find("\\$6\\$", pos)) != std::string::npos; pos = php.find('"', at)) {
    shown += php.substr(pos, at - pos) + "HASH";
  }
  shown += php.substr(pos);
  EXPECT_EQ(shown,
            "<?PHP\n"
            "$adm_user=\"admin\";\n"
            "$adm_pass=\"HASH\";\n"
            "$user['ann'] = \"5\";\n"
            "$grps['ann'] = \"2\";\n"
            "$pass['ann'] = \"\";\n"
            "$user['o\\'brien'] = \"3\";\n"
            "$grps['o\\'brien'] = \"2 4\";\n"
            "$pass['o\\'brien'] = \"\";\n"
            "$rights['.'] = '0';\n"
            "$rights['Family'] = '-2,5';\n"
            "$rights['Bob\\'s'] = '9999';\n"
            "?>\n");
}

TEST_F(RightsPhpTest, NothingWithoutAccessSecurityOrWithoutPhp) {
  settings_.accessSecurity = 0;
  EXPECT_EQ(BuildRightsPhp(settings_, app_, dir_.str()), "");
  settings_.accessSecurity = 1;
  settings_.php = 0;
  EXPECT_EQ(BuildRightsPhp(settings_, app_, dir_.str()), "");
}

TEST_F(RightsPhpTest, UnsavedAndDeletedUsersAreLeftOut) {
  UsersStore users;
  users.Load(app_);
  users.AddUser(User("not saved", "x"));
  users.DeleteUser(0);
  FolderRights rights;
  rights.Load(dir_.str() + "P/");
  const std::string php = BuildRightsPhp(settings_, users, rights);
  EXPECT_EQ(php.find("not saved"), std::string::npos);
  EXPECT_EQ(php.find("'ann'"), std::string::npos);
  EXPECT_NE(php.find("o\\'brien"), std::string::npos);
}

}  // namespace
}  // namespace albumsmith
