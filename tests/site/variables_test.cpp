#include "site/variables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::Prompts;
using test::ReadText;

TEST(ReadVariablesTest, NamesAndValuesAsWritten) {
  test::SiteProfile profile;
  profile.WriteProfileIni(
      "[Main]\nTemplateName=Albumsmith Default\n[Variables]\nBg Color=#fff\nempty=\nlink=a=b\nno equals\n"
      "[other]\nx=1\n");
  const std::vector<Variable> expected = {{"Bg Color", "#fff"}, {"empty", ""}, {"link", "a=b"}, {"", ""}};
  EXPECT_EQ(ReadVariables(ProfileIniFile(profile.profileDir)), expected);
}

TEST(ReadVariablesTest, LongSectionsAreReadWhole) {
  test::SiteProfile profile;
  std::string section = "[variables]\n";
  for (int i = 0; i < 200; ++i) section += "name" + std::to_string(i) + "=" + std::string(40, 'v') + "\n";
  profile.WriteProfileIni(section);
  const std::vector<Variable> read = ReadVariables(ProfileIniFile(profile.profileDir));
  ASSERT_EQ(read.size(), 200u);
  EXPECT_EQ(read.back().name, "name199");
}

TEST(VarInfTest, TitleOnlyWithTitleModeThenTheOverrides) {
  test::SiteProfile profile;
  profile.AddFolder("Trips/");
  profile.WriteFolderIni("Trips/", "[settings]\nTitleMode=1\nTitleText=Summer\n[variables]\ncolor=blue\nsize=2\n");
  EXPECT_EQ(VarInfText(profile.profileDir, "Trips/"), "TITLE=Summer\ncolor=blue\nsize=2\n");
  profile.WriteFolderIni("Trips/", "[settings]\nTitleMode=0\nTitleText=Summer\n[variables]\ncolor=blue\n");
  EXPECT_EQ(VarInfText(profile.profileDir, "Trips/"), "color=blue\n");
  EXPECT_EQ(VarInfText(profile.profileDir, ""), "");

  ASSERT_TRUE(WriteVarInf(profile.profileDir, "Trips/", VarInfPath(profile.profileDir, "Trips/")));
  EXPECT_EQ(ReadText(profile.profileDir + "albsite/s/Trips/var.inf"), "color=blue\n");
}

TEST(VarInfTest, UnwritableFileIsReported) {
  test::SiteProfile profile;
  Prompts().Clear();
  EXPECT_FALSE(WriteVarInf(profile.profileDir, "Gone/", profile.profileDir + "albsite/s/Gone/var.inf"));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot create var.inf file\r\n\r\n", 0), 0u);
}

class VariablesEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.AddFolder("Trips/");
    profile_.WriteProfileIni("[Main]\nTemplateName=Albumsmith Default\n[variables]\ncolor=red\nsize=10\nfont=Arial\n");
    profile_.WriteFolderIni("Trips/", "[Settings]\nHtmlMode=0\n[variables]\nCOLOR=blue\nsize=\nonly=here\n");
    Prompts().Clear();
  }

  std::vector<Variable> FolderSection() { return ReadVariables(profile_.profileDir + "ImageTree/Trips/Folder.ini"); }
  std::vector<Variable> ProfileSection() { return ReadVariables(ProfileIniFile(profile_.profileDir)); }

  test::SiteProfile profile_;
};

TEST_F(VariablesEditorTest, OverridesAreDefaultsWithANonEmptyFolderValue) {
  const VariablesEditor editor(profile_.profileDir, "Trips/");
  EXPECT_EQ(editor.defaults(), (std::vector<Variable>{{"color", "red"}, {"size", "10"}, {"font", "Arial"}}));
  EXPECT_EQ(editor.folderVariables(), (std::vector<Variable>{{"color", "blue"}}));
}

TEST_F(VariablesEditorTest, AddSelectsAnExistingNameOrAppendsToBothLists) {
  VariablesEditor editor(profile_.profileDir, "Trips/");
  const VariablesEditor::Added again = editor.AddFolderVariable("Color");
  EXPECT_FALSE(again.added);
  EXPECT_EQ(again.index, 0u);

  const VariablesEditor::Added fresh = editor.AddFolderVariable("margin");
  EXPECT_TRUE(fresh.added);
  EXPECT_EQ(editor.folderVariables()[fresh.index], (Variable{"margin", ""}));
  EXPECT_EQ(editor.defaults().back(), (Variable{"margin", ""}));

  const VariablesEditor::Added size = editor.AddFolderVariable("size");
  EXPECT_TRUE(size.added);
  EXPECT_EQ(editor.defaults().size(), 4u);  // "size" was a default already

  EXPECT_FALSE(editor.AddDefault("FONT").added);
  EXPECT_TRUE(editor.AddDefault("width").added);
  EXPECT_EQ(editor.folderVariables().size(), 3u);
}

// A name becomes a token in the pages and a string in index.php: only what a
// token needs is taken, so no name can reach code.
TEST_F(VariablesEditorTest, OnlyTokenCharactersMakeAName) {
  VariablesEditor editor(profile_.profileDir, "Trips/");
  for (const char* name : {"", "a=b", "two\nlines", " lead", "trail ", "[section", ";comment", ".system(\"id\").",
                           "it's", "a\\b", "x?>", "<?php", "a-b", "caf\xC3\xA9", "$x"}) {
    Prompts().Clear();
    EXPECT_FALSE(editor.AddFolderVariable(name).added) << name;
    EXPECT_FALSE(editor.AddDefault(name).added) << name;
    const std::string message = "The variable name \"" + std::string(name) +
                                "\" cannot be used: it may hold only letters, digits, \"_\" and spaces between them";
    EXPECT_EQ(Prompts().texts(), std::vector<std::string>(2, message)) << name;
  }
  EXPECT_EQ(editor.folderVariables().size(), 1u);
  EXPECT_EQ(editor.defaults().size(), 3u);
  Prompts().Clear();
  for (const char* name : {"Bg Color", "OWNER_2", "_", "9"}) EXPECT_TRUE(editor.AddDefault(name).added) << name;
  EXPECT_TRUE(Prompts().texts().empty());
}

TEST(UsableVariablesTest, OtherNamesAreLeftOutAndToldOnce) {
  Prompts().Clear();
  const std::vector<Variable> stored = {
      {"OWNER", "Jo"}, {".system(\"id\").", "x"}, {"", ""}, {"a'b", "y"}, {"Bg Color", "#fff"}};
  const std::vector<Variable> usable = {{"OWNER", "Jo"}, {"", ""}, {"Bg Color", "#fff"}};
  EXPECT_EQ(UsableVariables(stored), usable);
  EXPECT_EQ(UsableVariables(stored), usable);
  const std::string rule =
      "\" is left out of the pages: its name may hold only letters, digits, \"_\" and spaces between them";
  EXPECT_EQ(Prompts().texts(),
            (std::vector<std::string>{"The variable \".system(\"id\")." + rule, "The variable \"a'b" + rule}));
}

TEST_F(VariablesEditorTest, DeletingADefaultAsksAndTakesTheOverrideWithIt) {
  VariablesEditor editor(profile_.profileDir, "Trips/");
  Prompts().Queue(Answer::Cancel);
  EXPECT_FALSE(editor.DeleteDefault(0));
  EXPECT_EQ(editor.defaults().size(), 3u);

  EXPECT_TRUE(editor.DeleteDefault(0));
  EXPECT_EQ(Prompts().texts(), (std::vector<std::string>{"Delete variable \"color\"", "Delete variable \"color\""}));
  EXPECT_EQ(Prompts().shown()[0].buttons, Buttons::OkCancel);
  EXPECT_TRUE(editor.folderVariables().empty());
  ASSERT_TRUE(editor.Save());
  EXPECT_EQ(ProfileSection(), (std::vector<Variable>{{"size", "10"}, {"font", "Arial"}}));
  EXPECT_TRUE(FolderSection().empty());
  // The other settings of both files stay.
  EXPECT_EQ(IniFile(ProfileIniFile(profile_.profileDir)).ReadString("Main", "TemplateName"), "Albumsmith Default");
  EXPECT_EQ(IniFile(profile_.profileDir + "ImageTree/Trips/Folder.ini").ReadString("Settings", "HtmlMode"), "0");
}

TEST_F(VariablesEditorTest, SaveRewritesOnlyTheChangedList) {
  VariablesEditor editor(profile_.profileDir, "Trips/");
  editor.SetFolderValue(0, "green");
  ASSERT_TRUE(editor.Save());
  // The folder section is rewritten with the shown overrides only.
  EXPECT_EQ(FolderSection(), (std::vector<Variable>{{"color", "green"}}));
  EXPECT_EQ(ProfileSection(), (std::vector<Variable>{{"color", "red"}, {"size", "10"}, {"font", "Arial"}}));

  VariablesEditor second(profile_.profileDir, "Trips/");
  second.SetDefaultValue(1, "12");
  ASSERT_TRUE(second.Save());
  EXPECT_EQ(ProfileSection(), (std::vector<Variable>{{"color", "red"}, {"size", "12"}, {"font", "Arial"}}));
  EXPECT_EQ(FolderSection(), (std::vector<Variable>{{"color", "green"}}));
}

}  // namespace
}  // namespace albumsmith
