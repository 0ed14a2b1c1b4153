// The "derive" command of albumsmith-cli, run as a separate process.

#include <filesystem>
#include <string>

#include "cli_runner.h"
#include "platform/ini_file.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

using DeriveCliTest = CliTest;

TEST_F(DeriveCliTest, MakesTheDerivedFilesOfEveryFolderOrOfOne) {
  ASSERT_EQ(Run({"demo", "Demo"}).exitCode, 0);
  const fs::path profile = profilesPath() / "Demo";

  const CliResult one = Run({"derive", "Demo", "Orientation/"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_NE(one.out.find("Orientation/ 2 image(s)"), std::string::npos) << one.out;
  EXPECT_TRUE(fs::exists(profile / "albsite/m/Orientation/portrait_6.jpg"));
  EXPECT_TRUE(fs::exists(profile / "albsite/s/Orientation/portrait_6.jpg"));
  EXPECT_TRUE(fs::exists(profile / "albsite/s/Orientation/portrait_6.jpg.html"));
  EXPECT_FALSE(fs::exists(profile / "albsite/m/Cameras/canon-ixus.jpg"));

  const CliResult all = Run({"derive", "Demo"});
  ASSERT_EQ(all.exitCode, 0) << all.err;
  EXPECT_NE(all.out.find("Cameras/ 3 image(s)"), std::string::npos) << all.out;
  for (const char* name : {"canon-ixus.jpg", "fujifilm-dx10.jpg", "nikon-e950.jpg"}) {
    EXPECT_TRUE(fs::exists(profile / "albsite/m/Cameras" / name)) << name;
    EXPECT_TRUE(fs::exists(profile / "albsite/s/Cameras" / name)) << name;
  }
}

// Access security needs PHP pages: a profile stored with PHP off and access
// security on gets plain medium images, as the window makes them.
TEST_F(DeriveCliTest, PhpOffMakesPlainMediumImagesWhateverAccessSecuritySays) {
  ASSERT_EQ(Run({"demo", "Demo"}).exitCode, 0);
  const fs::path profile = profilesPath() / "Demo";
  IniFile ini(profile / "Profile.ini");
  ASSERT_TRUE(ini.WriteInt("Remote", "PHP", 0));
  ASSERT_TRUE(ini.WriteInt("Security", "AccessSecurity", 1));

  const CliResult r = Run({"derive", "Demo", "Orientation/"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(profile / "albsite/m/Orientation/portrait_6.jpg"));
  EXPECT_FALSE(fs::exists(profile / "albsite/m/Orientation/portrait_6.jpg.php"));
}

TEST_F(DeriveCliTest, UnknownProfileOrFolderFailsWithOneLine) {
  ASSERT_EQ(Run({"demo", "Demo"}).exitCode, 0);
  for (const auto& args :
       {std::vector<std::string>{"derive", "Nobody"}, std::vector<std::string>{"derive", "Demo", "Missing/"}}) {
    const CliResult r = Run(args);
    EXPECT_EQ(r.exitCode, 1) << args.back() << r.out << r.err;
    EXPECT_FALSE(r.LastErrorLine().empty());
  }
}

}  // namespace
}  // namespace albumsmith::test
