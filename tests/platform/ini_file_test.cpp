#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "test_support.h"

namespace albumsmith {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

TEST(IniFileTest, ReadsLikeThePrivateProfileCalls) {
  TempDir dir;
  const auto file = dir.path() / "a.ini";
  WriteText(file,
            "; a comment\r\n"
            "[Main]\r\n"
            "  Name =   spaced value  \r\n"
            "Empty=\r\n"
            "Quoted=\"  kept inside  \"\r\n"
            "Number= 42abc\r\n"
            "Negative=-7\r\n"
            "Hex=0x1F\r\n"
            "Word=abc\r\n"
            "[other]\n"
            "name=second section\n");
  IniFile ini(file);
  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  } cases[] = {
      {"Main", "Name", "spaced value"},
      {"MAIN", "name", "spaced value"},  // sections and keys ignore case
      {"Main", "Empty", ""},
      {"Main", "Quoted", "  kept inside  "},
      {"Main", "Absent", std::string(kMissingKey)},
      {"Nowhere", "Name", std::string(kMissingKey)},
      {"Other", "NAME", "second section"},  // LF-only lines read too
  };
  for (const Case& c : cases) EXPECT_EQ(ini.ReadString(c.section, c.key), c.expected) << c.section << "/" << c.key;

  EXPECT_EQ(std::string(kMissingKey), "\xE9\xE8\xE0");
  EXPECT_EQ(ini.ReadInt("Main", "Number", 5), 42);
  EXPECT_EQ(ini.ReadInt("Main", "Negative", 5), -7);
  EXPECT_EQ(ini.ReadInt("Main", "Hex", 5), 31);
  EXPECT_EQ(ini.ReadInt("Main", "Word", 5), 0);
  EXPECT_EQ(ini.ReadInt("Main", "Empty", 5), 5);
  EXPECT_EQ(ini.ReadInt("Main", "Absent", 5), 5);
  EXPECT_EQ(ini.ReadInt("Main", "Absent"), -1);  // no default given
}

TEST(IniFileTest, WritesKeepTheRestOfTheFile) {
  TempDir dir;
  const auto file = dir.path() / "b.ini";
  WriteText(file, "; keep me\r\n[Main]\r\nA=1\r\nB=2\r\n\r\n[Next]\r\nC=3\r\n");
  IniFile ini(file);
  ASSERT_TRUE(ini.WriteString("main", "b", "two"));
  ASSERT_TRUE(ini.WriteInt("Main", "New", -4));
  ASSERT_TRUE(ini.WriteString("Added", "D", "4"));
  EXPECT_EQ(ReadText(file),
            "; keep me\r\n[Main]\r\nA=1\r\nB=two\r\nNew=-4\r\n\r\n[Next]\r\nC=3\r\n\r\n[Added]\r\nD=4\r\n");
  EXPECT_EQ(ini.ReadInt("Main", "new"), -4);
}

TEST(IniFileTest, LongValuesComeBackWhole) {
  // A long list (a preserve list, say) must not be cut at some buffer size
  // and then written back cut.
  TempDir dir;
  IniFile ini(dir.path() / "long.ini");
  std::string value;
  for (int i = 0; i < 400; ++i) value += "folder" + std::to_string(i) + "|";
  ASSERT_GT(value.size(), 2000u);
  ASSERT_TRUE(ini.WriteString("Remote", "Preserve", value));
  EXPECT_EQ(ini.ReadString("Remote", "Preserve"), value);
  ASSERT_TRUE(ini.WriteString("Remote", "Other", "x"));
  EXPECT_EQ(ini.ReadString("Remote", "Preserve"), value);
}

TEST(IniFileTest, SectionsAsWholes) {
  TempDir dir;
  const auto file = dir.path() / "s.ini";
  WriteText(file, "[Vars]\nTitle=My album\nloose line without equals\n; comment\n\n[Empty]\n\n[Last]\nx=1\n");
  IniFile ini(file);
  EXPECT_EQ(ini.ReadSection("vars"), (std::vector<std::string>{"Title=My album", "loose line without equals"}));
  EXPECT_TRUE(ini.SectionHasKeys("VARS"));
  EXPECT_FALSE(ini.SectionHasKeys("Empty"));
  EXPECT_FALSE(ini.SectionHasKeys("Missing"));
  ASSERT_TRUE(ini.DeleteSection("vars"));
  EXPECT_EQ(ReadText(file), "[Empty]\n\n[Last]\nx=1\n");
  EXPECT_TRUE(ini.DeleteSection("NotThere"));
}

TEST(IniFileTest, RefusesWhatWouldCorruptTheFile) {
  TempDir dir;
  const auto file = dir.path() / "c.ini";
  IniFile ini(file);
  ASSERT_TRUE(ini.WriteString("S", "K", "v"));
  EXPECT_FALSE(ini.WriteString("S", "K", "line1\r\n[Injected]\r\nX=1"));
  EXPECT_FALSE(ini.WriteString("S", "Bad=Key", "v"));
  EXPECT_FALSE(ini.WriteString("S", "", "v"));
  EXPECT_FALSE(ini.WriteString("S]x", "K", "v"));
  EXPECT_EQ(ini.ReadString("S", "K"), "v");
  EXPECT_EQ(ini.ReadString("Injected", "X"), std::string(kMissingKey));
}

TEST(IniFileTest, WritesAtomicallyAndKeepsPermissions) {
  TempDir dir;
  const auto file = dir.path() / "secret.ini";
  IniFile owner(file, 0600);
  ASSERT_TRUE(owner.WriteString("S", "K", "v"));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // A second writer without a mode keeps the file's permissions.
  IniFile other(file);
  ASSERT_TRUE(other.WriteString("S", "K2", "v2"));
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporary file is left behind.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
  // A folder that does not exist makes the write fail instead of pretending.
  IniFile nowhere(dir.path() / "missing" / "x.ini");
  EXPECT_FALSE(nowhere.WriteString("S", "K", "v"));
}

TEST(IniFileTest, ParsesIntegersLikeTheWindowsCall) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {{"12", 12}, {"+3", 3}, {"-1", -1}, {"  8 ", 8},       {"0x10", 16},
               {"7px", 7}, {"px", 0}, {"", 99},   {"4294967295", -1}};
  for (const Case& c : cases) EXPECT_EQ(ParseIniInt(c.text, 99), c.expected) << c.text;
}

}  // namespace
}  // namespace albumsmith
