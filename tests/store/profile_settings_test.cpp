#include "store/profile_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/app_settings.h"
#include "platform/ini_file.h"
#include "store/password.h"
#include "test_support.h"

namespace albumsmith {
namespace {

using test::TempDir;
using test::WriteText;

const std::string kMarker(kMissingKey);

TEST(PasswordTest, ScrambleRoundTripAndCap) {
  struct Case {
    std::string clear;
    std::string readBack;
  } cases[] = {
      {"", ""},
      {"s3cret", "s3cret"},
      {"pässwörd with spaces", "pässwörd with spaces"},
      {std::string(31, 'x'), std::string(31, 'x')},
      {"0123456789012345678901234567890123456789", "0123456789012345678901234567890"},  // 40 → first 31
  };
  for (const Case& c : cases) {
    const std::string stored = PasswordScramble(c.clear);
    ASSERT_EQ(stored.size(), 64u);
    EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos) << stored;
    EXPECT_EQ(PasswordUnscramble(stored), c.readBack);
  }
  EXPECT_NE(PasswordScramble("a"), PasswordScramble("b"));
  EXPECT_EQ(PasswordUnscramble("ABC"), std::nullopt);
  EXPECT_EQ(PasswordUnscramble(std::string(63, 'A')), std::nullopt);
  EXPECT_EQ(PasswordUnscramble(std::string(64, 'G')), std::nullopt);
}

TEST(PreserveListTest, Normalises) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"a\\b/|a/b||c", "a/b|c"},
      {"stats/|stats|cgi-bin//", "stats|cgi-bin"},
      {"", ""},
      {"|||", ""},
      {"A|a", "A|a"},  // exact comparison
  };
  for (const Case& c : cases) EXPECT_EQ(PreserveList(c.in).str(), c.out) << c.in;
  EXPECT_TRUE(PreserveList("x|y/z").Contains("y/z"));
}

ProfileSettings Filled() {
  ProfileSettings s;
  s.name = "Holiday 2024";
  s.subdir = "Holiday 2024/";
  s.serverName = "ftp.example.org";
  s.login = "me";
  s.password = "pw=with;odd chars";
  s.remoteDir = "/www/album/";
  s.accessUser = "admin";
  s.accessPassword = "adminpw";
  s.background = "sand.jpg";
  s.dateFont = "Arial";
  s.commentFont = "Times New Roman";
  s.rootFileName = "root.html";
  s.footerFileName = "footer.html";
  s.templateName = "Other";
  s.accessSecurity = 1;
  s.passive = 0;
  s.php = 1;
  s.slideBoard = 0;
  s.slideRepeat = 0;
  s.slideFader = 0;
  s.imageBorder = 1;
  s.imageShadow = 0;
  s.rootMode = 2;
  s.slideDelay = 7;
  s.slideTrans = 24;
  s.dateFontSize = 11;
  s.commentFontSize = 21;
  s.borderWidth = 3;
  s.shadowWidth = 5;
  s.maxThumbSize = 150;
  s.thumbsPerLine = 4;
  s.dateColor = 0x0000FF;
  s.commentColor = 0x00FF00;
  s.borderColor = 0xFF0000;
  s.shadowColor = 0x808080;
  s.preserve.Set("stats|cgi-bin");
  return s;
}

TEST(ProfileIniTest, RoundTripWritesEveryKeyInOrder) {
  TempDir dir;
  ProfileSettings s = Filled();
  std::filesystem::create_directories(dir.path() / s.subdir);
  ASSERT_TRUE(WriteProfile(dir.str(), s));
  EXPECT_EQ(s.storedPassword, PasswordScramble(s.password));

  const ProfileSettings back = ReadProfile(dir.str(), s.name);
  EXPECT_TRUE(back == s);
  EXPECT_EQ(back.password, "pw=with;odd chars");

  // Every key, in the documented order, section by section.
  const std::string text = test::ReadText(ProfileIniPath(dir.str(), s));
  size_t pos = 0;
  std::string section;
  for (const ProfileKey& key : ProfileKeys()) {
    if (section != key.section) {
      section = key.section;
      pos = text.find("[" + section + "]", pos);
      ASSERT_NE(pos, std::string::npos) << section;
    }
    pos = text.find(std::string("\n") + key.key + "=", pos);
    ASSERT_NE(pos, std::string::npos) << key.key;
  }
  EXPECT_NE(text.find("\nPassword=" + s.storedPassword), std::string::npos);
  EXPECT_EQ(text.find(s.password), std::string::npos);  // never in clear

  struct stat st {};
  ASSERT_EQ(::stat(ProfileIniPath(dir.str(), s).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ProfileIniTest, MissingKeysReadTheirMissingValues) {
  TempDir dir;
  // No "Remote" section: PHP reads 0, and access security -1.
  WriteText(dir.path() / "P" / "Profile.ini", "[Main]\nTemplateName=\n[Settings]\nSlideDelay=9\n");
  const ProfileSettings s = ReadProfile(dir.str(), "P");
  EXPECT_EQ(s.name, "P");
  EXPECT_EQ(s.subdir, "P/");
  EXPECT_EQ(s.templateName, "Albumsmith Default");  // empty value
  EXPECT_EQ(s.rootFileName, kMarker);
  EXPECT_EQ(s.serverName, kMarker);
  EXPECT_EQ(s.storedPassword, kMarker);
  EXPECT_EQ(s.password, "");  // a stored form of another length reads empty
  EXPECT_EQ(s.php, 0);
  EXPECT_EQ(s.passive, 1);
  EXPECT_EQ(s.imageShadow, 0);
  EXPECT_EQ(s.accessSecurity, -1);
  EXPECT_EQ(s.slideDelay, 9);
  EXPECT_EQ(s.commentFontSize, 20);
  EXPECT_EQ(s.maxThumbSize, 100);

  // No file at all: every key its missing value, no message.
  const ProfileSettings none = ReadProfile(dir.str(), "Nothing");
  EXPECT_EQ(none.templateName, kMarker);
  EXPECT_EQ(none.php, 0);
  EXPECT_EQ(none.accessSecurity, -1);
}

TEST(ProfileIniTest, AbsentStringKeysLeftAloneStayAbsentWhenWritten) {
  TempDir dir;
  WriteText(dir.path() / "P" / "Profile.ini", "[Remote]\nLogin=me\n");
  ProfileSettings s = ReadProfile(dir.str(), "P");
  s.login = "you";
  ASSERT_TRUE(WriteProfile(dir.str(), s));

  const std::string text = test::ReadText(ProfileIniPath(dir.str(), s));
  EXPECT_EQ(text.find(kMarker), std::string::npos);
  EXPECT_NE(text.find("Login=you"), std::string::npos);
  const ProfileSettings back = ReadProfile(dir.str(), "P");
  for (const ProfileKey& key : ProfileKeys()) {
    if (std::holds_alternative<int ProfileSettings::*>(key.field) || std::string(key.key) == "Login") continue;
    EXPECT_EQ(ProfileKeyText(back, key), kMarker) << key.key;
  }
}

TEST(ProfileIniTest, NewProfileValuesDifferFromMissingOnes) {
  const ProfileSettings s;
  EXPECT_EQ(s.php, 1);
  EXPECT_EQ(s.imageShadow, 1);
  EXPECT_EQ(s.accessSecurity, 0);
  EXPECT_EQ(s.templateName, "Albumsmith Default");
}

TEST(ProfileSettingsTest, EqualityComparesClearPasswordAndIgnoresLegacyDirectory) {
  ProfileSettings a = Filled();
  ProfileSettings b = a;
  b.storedPassword = "different";
  b.legacyImageDir = "C:/old";
  EXPECT_TRUE(a == b);
  b.password = "other";
  EXPECT_FALSE(a == b);
  b = a;
  b.preserve.Set("stats");
  EXPECT_FALSE(a == b);
  b = a;
  b.shadowColor = 1;
  EXPECT_FALSE(a == b);
}

TEST(ProfileSettingsTest, LegacyRegistryForm) {
  TempDir dir;
  AppSettings app(dir.path() / "Albumsmith.ini");
  const std::string key = "Profiles\\Old";
  app.SetString(key, "BaseDir", "C:\\Photos");
  app.SetString(key, "ServerName", "ftp.old.net");
  app.SetString(key, "Password", PasswordScramble("oldpw"));
  app.SetString(key, "TemplateName", "");
  app.SetInt(key, "SlideDelay", 3);
  app.SetString(key, "Preserve", "a\\b|a/b");
  const ProfileSettings s = ReadLegacyProfile(app, "Old");
  EXPECT_EQ(s.name, "Old");
  EXPECT_EQ(s.subdir, "Old/");
  EXPECT_EQ(s.legacyImageDir, "C:\\Photos");
  EXPECT_EQ(s.serverName, "ftp.old.net");
  EXPECT_EQ(s.password, "oldpw");
  EXPECT_EQ(s.templateName, "Albumsmith Default");
  EXPECT_EQ(s.slideDelay, 3);
  EXPECT_EQ(s.php, 1);  // legacy defaults, not the missing-key ones
  EXPECT_EQ(s.imageShadow, 1);
  EXPECT_EQ(s.accessSecurity, 0);
  EXPECT_EQ(s.login, "");
  EXPECT_EQ(s.preserve.str(), "a/b");
}

}  // namespace
}  // namespace albumsmith
