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

TEST(PasswordTest, ScrambleRoundTrip) {
  // Up to 31 characters the stored form is the 64 digits older files hold;
  // a longer password takes more blocks and is kept whole (a cut one fails
  // the FTP login).
  struct Case {
    std::string clear;
    size_t digits;
  } cases[] = {
      {"", 64},
      {"s3cret", 64},
      {"pässwörd with spaces", 64},
      {std::string(31, 'x'), 64},
      {std::string(32, 'y'), 128},
      {"0123456789012345678901234567890123456789", 128},
      {std::string(63, 'z'), 128},
      {std::string(64, 'w'), 192},
      {std::string(300, 'v'), 640},
  };
  for (const Case& c : cases) {
    const std::string stored = PasswordScramble(c.clear);
    EXPECT_EQ(stored.size(), c.digits) << c.clear.size();
    EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos) << stored;
    EXPECT_EQ(PasswordUnscramble(stored), c.clear);
  }
  // A one-block form whose length byte claims more than the block holds
  // still reads as before.
  std::string stored = PasswordScramble(std::string(31, 'x'));
  stored[0] = stored[0] == 'F' ? '0' : 'F';  // a length byte far above 31
  EXPECT_EQ(PasswordUnscramble(stored)->size(), 31u);
  EXPECT_EQ(PasswordUnscramble(std::string(128, 'A')), std::nullopt);  // length outside its block range
  EXPECT_NE(PasswordScramble("a"), PasswordScramble("b"));
  EXPECT_EQ(PasswordUnscramble("ABC"), std::nullopt);
  EXPECT_EQ(PasswordUnscramble(std::string(63, 'A')), std::nullopt);
  EXPECT_EQ(PasswordUnscramble(std::string(64, 'G')), std::nullopt);
}

// Stored forms worked out by hand from the rule (length byte, the characters,
// zeros; byte i plus ((i ^ 0x5B) * (i ^ 0xC6)) mod 256), as older files hold
// them: a change to the scrambling would make every stored password unreadable.
TEST(PasswordTest, StoredFormsOfOlderFilesStayReadable) {
  const struct {
    std::string clear;
    const char* stored;
  } cases[] = {
      {"", "62F624B8FE9AC05CCA4E8C10A63268F4B22674E8CE4A900C1A7EDC4076E238A4"},
      {"s3cret", "6869571B70FF345CCA4E8C10A63268F4B22674E8CE4A900C1A7EDC4076E238A4"},
      {std::string(40, 'x'),
       "8A6E9C30761238D442C604881EAAE06C2A9EEC6046C2088492F654B8EE5AB01C"
       "FA8E3CD09632D874626E2CB0C6520894D2461488EE6A30AC3A9E7CE09602D844"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PasswordScramble(c.clear), c.stored) << c.clear;
    EXPECT_EQ(PasswordUnscramble(c.stored), c.clear) << c.stored;
  }
}

// The stored form must stay what older files and the crypt salts of PHP
// users were made from, so these values are written out, not computed: each
// byte i of the block is (byte + ((i ^ 0x5B) * (i ^ 0xC6))) mod 256.
TEST(PasswordTest, StoredFormIsStable) {
  const struct {
    const char* clear;
    const char* stored;
  } cases[] = {
      {"", "62F624B8FE9AC05CCA4E8C10A63268F4B22674E8CE4A900C1A7EDC4076E238A4"},
      {"s3cret", "6869571B70FF345CCA4E8C10A63268F4B22674E8CE4A900C1A7EDC4076E238A4"},
      {"p\xC3\xA4ssw\xC3\xB6rd", "6C66E75C710D371F80C0F010A63268F4B22674E8CE4A900C1A7EDC4076E238A4"},  // UTF-8 bytes
      {"0123456789012345678901234567890123456789",
       "8A2655EA31CEF5920186C540D7649B28E75CAB20077AC13E4DB21176AD1A71D4"
       "B348F78C53F09734236E2CB0C6520894D2461488EE6A30AC3A9E7CE09602D844"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PasswordScramble(c.clear), c.stored) << c.clear;
    EXPECT_EQ(PasswordUnscramble(c.stored), c.clear) << c.stored;
  }
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

// What a synchronisation and the removal of a profile's remote files leave
// on the server: a kept path, and every directory on the way to one.
TEST(PreserveListTest, KeepsPathsAndTheDirectoriesLeadingToThem) {
  const PreserveList preserve("Stats|cgi-bin/Private.txt");
  struct Case {
    const char* path;
    bool kept, below;
  } cases[] = {
      {"stats", true, false},
      {"STATS/", true, false},
      {"cgi-bin", false, true},
      {"CGI-BIN\\", false, true},
      {"cgi-bin/private.txt", true, false},
      {"cgi", false, false},
      {"cgi-bin-old", false, false},
      {"stats2", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(preserve.Keeps(c.path), c.kept) << c.path;
    EXPECT_EQ(preserve.KeepsBelow(c.path), c.below) << c.path;
  }
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
  // No "Remote" section: PHP reads 0, and access security -1, which PHP off
  // then turns off.
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
  EXPECT_EQ(s.accessSecurity, 0);
  EXPECT_EQ(s.slideDelay, 9);
  EXPECT_EQ(s.commentFontSize, 20);
  EXPECT_EQ(s.maxThumbSize, 100);

  // No file at all: every key its missing value, no message.
  const ProfileSettings none = ReadProfile(dir.str(), "Nothing");
  EXPECT_EQ(none.templateName, kMarker);
  EXPECT_EQ(none.php, 0);
  EXPECT_EQ(none.accessSecurity, 0);

  // With PHP on, a missing access security keeps its missing value.
  WriteText(dir.path() / "Q" / "Profile.ini", "[Remote]\nPHP=1\n");
  EXPECT_EQ(ReadProfile(dir.str(), "Q").accessSecurity, -1);
}

// Hand-edited numbers reach the style block, the page scripts and the image
// sizes; each one reads within its range so that none of them can overflow.
TEST(ProfileIniTest, NumbersReadWithinTheirRange) {
  struct Case {
    const char* line;
    int ProfileSettings::*field;
    int expected;
  } cases[] = {
      {"ShadowWidth=2147483647", &ProfileSettings::shadowWidth, 99},
      {"BorderWidth=-2147483648", &ProfileSettings::borderWidth, 0},
      {"DateFontSize=100000", &ProfileSettings::dateFontSize, 99},
      {"CommentFontSize=-3", &ProfileSettings::commentFontSize, 0},
      {"MaxThumbSize=99999", &ProfileSettings::maxThumbSize, 400},
      {"MaxThumbSize=0", &ProfileSettings::maxThumbSize, 1},
      {"MaxThumbSize=150", &ProfileSettings::maxThumbSize, 150},
      {"ThumbsPerLine=0", &ProfileSettings::thumbsPerLine, 1},
      {"ThumbsPerLine=12", &ProfileSettings::thumbsPerLine, 9},
      {"SlideDelay=0", &ProfileSettings::slideDelay, 1},
      {"SlideDelay=2147483647", &ProfileSettings::slideDelay, 50},
      {"SlideTrans=25", &ProfileSettings::slideTrans, 24},
      {"RootMode=7", &ProfileSettings::rootMode, 2},
      {"ImageShadow=5", &ProfileSettings::imageShadow, 1},
      {"ShadowColor=-1", &ProfileSettings::shadowColor, 0},
      {"DateColor=2147483647", &ProfileSettings::dateColor, 0xFFFFFF},
      {"DateColor=16711935", &ProfileSettings::dateColor, 16711935},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteText(dir.path() / "P" / "Profile.ini", std::string("[Settings]\n") + c.line + "\n");
    EXPECT_EQ(ReadProfile(dir.str(), "P").*c.field, c.expected) << c.line;
  }
  TempDir dir;
  WriteText(dir.path() / "P" / "Profile.ini", "[Remote]\nPHP=9\nPassive=-4\n[Security]\nAccessSecurity=3\n");
  const ProfileSettings s = ReadProfile(dir.str(), "P");
  EXPECT_EQ(s.php, 1);
  EXPECT_EQ(s.passive, 0);
  EXPECT_EQ(s.accessSecurity, 1);
}

// Access security needs PHP pages: whoever reads a profile whose PHP is off
// (the window, sync, derive, list, import) sees it off, whatever the file says.
TEST(ProfileIniTest, PhpOffReadsAccessSecurityOff) {
  struct Case {
    int php;
    int stored;
    int read;
  } cases[] = {{0, 1, 0}, {1, 1, 1}, {1, 0, 0}, {0, 0, 0}};
  for (const Case& c : cases) {
    TempDir dir;
    WriteText(dir.path() / "P" / "Profile.ini", "[Remote]\nPHP=" + std::to_string(c.php) +
                                                    "\n[Security]\nAccessSecurity=" + std::to_string(c.stored) + "\n");
    EXPECT_EQ(ReadProfile(dir.str(), "P").accessSecurity, c.read) << c.php << " " << c.stored;
  }
  TempDir settingsDir;
  AppSettings app(settingsDir.path() / "Albumsmith.ini");
  app.SetInt("Profiles\\Old", "PHP", 0);
  app.SetInt("Profiles\\Old", "AccessSecurity", 1);
  EXPECT_EQ(ReadLegacyProfile(app, "Old").accessSecurity, 0);
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
