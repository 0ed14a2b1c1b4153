// rights.php read by PHP itself: the file parses, and PHP's password_verify
// accepts the hashes we write for the right passwords only.

#include <gtest/gtest.h>

#include "php_peer.h"
#include "platform/app_settings.h"
#include "store/profile_settings.h"
#include "store/rights_php.h"
#include "store/users_store.h"
#include "subprocess.h"
#include "test_support.h"
#include "user_records.h"

namespace albumsmith {
namespace {

using test::Group;
using test::User;

TEST(RightsPhpServerTest, PhpVerifiesTheHashesAndReadsTheRights) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "P" / "ImageTree" / "Bob's $HOME");
  test::WriteText(dir.path() / "P" / "rights.dat", "0 \\\r\n-2,5 \\Bob's $HOME\\\r\n");
  AppSettings app(dir.path() / "Albumsmith.ini");
  // Scrambled forms of the passwords, as the store keeps them.
  UsersStore users;
  users.Load(app);
  users.AddGroup(Group("family"));
  users.AddUser(User("ann \"the\" $admin", "a password well over eight characters", "1"));
  ASSERT_TRUE(users.Save(app));

  ProfileSettings s;
  s.name = "P";
  s.subdir = "P/";
  s.accessSecurity = 1;
  s.accessUser = "site-admin";
  s.accessPassword = "adm$in'\"pass";
  const std::string php = BuildRightsPhp(s, app, dir.str());
  const std::filesystem::path rights = dir.path() / "rights.php";
  test::WriteText(rights, php);
  ASSERT_EQ(test::PhpLintErrors(rights), "");

  const std::string script =
      "include $argv[1];"
      "$u = 'ann \"the\" $admin';"
      "echo json_encode([$adm_user, password_verify($argv[2], $adm_pass), password_verify('adm$in', $adm_pass),"
      " $user[$u], $grps[$u], password_verify('a password well over eight characters', $pass[$u]),"
      " password_verify('a passwo', $pass[$u]), $rights['.'], $rights[\"Bob's \\$HOME\"]]);";
  const std::filesystem::path out = dir.path() / "out";
  std::string error;
  const int status = test::RunChild({"php", "-r", script, rights.string(), s.accessPassword},
                                    {.dir = dir.path(), .output = out}, std::chrono::seconds(60), error);
  ASSERT_EQ(error, "") << "(Debian package php-cli)";
  ASSERT_EQ(status, 0) << test::ReadText(out);
  EXPECT_EQ(test::ReadText(out), R"(["site-admin",true,false,"1","1",true,false,"0","-2,5"])");
}

}  // namespace
}  // namespace albumsmith
