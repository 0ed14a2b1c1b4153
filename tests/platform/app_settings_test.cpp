#include "platform/app_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "test_support.h"

namespace albumsmith {
namespace {

TEST(AppSettingsTest, KeysAreSectionsAndSubKeysAreListed) {
  test::TempDir dir;
  AppSettings settings(dir.path() / "kestr" / "Albumsmith.ini");
  EXPECT_EQ(settings.GetInt("Settings", "Version", -1), -1);
  EXPECT_EQ(settings.GetString("Settings", "Language", "English"), "English");
  ASSERT_TRUE(settings.SetInt("Settings", "Version", 20201));  // creates the folder
  ASSERT_TRUE(settings.SetString("Profiles\\Holiday", "IndexCheck", "1"));
  ASSERT_TRUE(settings.SetString("Profiles\\Work", "IndexCheck", "0"));
  ASSERT_TRUE(settings.SetString("Profiles\\Work\\Deeper", "X", "0"));
  ASSERT_TRUE(settings.SetString("ProfilesOther", "X", "0"));

  EXPECT_EQ(settings.GetInt("settings", "version", -1), 20201);
  EXPECT_EQ(settings.SubKeys("Profiles"), (std::vector<std::string>{"Holiday", "Work"}));
  EXPECT_TRUE(settings.KeyExists("profiles\\holiday"));
  EXPECT_TRUE(settings.KeyExists("Profiles"));  // exists through its sub-keys

  ASSERT_TRUE(settings.DeleteKey("Profiles\\Work"));
  EXPECT_FALSE(settings.KeyExists("Profiles\\Work"));
  EXPECT_FALSE(settings.KeyExists("Profiles\\Work\\Deeper"));
  EXPECT_EQ(settings.SubKeys("Profiles"), (std::vector<std::string>{"Holiday"}));
  EXPECT_TRUE(settings.KeyExists("ProfilesOther"));
  EXPECT_TRUE(settings.DeleteKey("Never\\There"));
}

TEST(AppSettingsTest, ConfigDirectoryOverride) {
  const char* saved = std::getenv("ALBUMSMITH_CONFIG_DIR");
  const std::string keep = saved ? saved : "";
  ::setenv("ALBUMSMITH_CONFIG_DIR", "/some/where", 1);
  EXPECT_EQ(AppSettings::DefaultFile(), std::filesystem::path("/some/where/Albumsmith.ini"));
  ::unsetenv("ALBUMSMITH_CONFIG_DIR");
  ::setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(AppSettings::DefaultFile(), std::filesystem::path("/xdg/kestr/Albumsmith.ini"));
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("ALBUMSMITH_CONFIG_DIR", keep.c_str(), 1);
}

}  // namespace
}  // namespace albumsmith
