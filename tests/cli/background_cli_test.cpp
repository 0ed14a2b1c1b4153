// The "background" command, and "site --preview": the backgrounds of a
// profile without the settings window, and the preview pages without the
// preview window.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "platform/ini_file.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kPhotos = fs::path(ALBUMSMITH_TEST_DATA) / "browser";

class BackgroundCliTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    MakeProfile("Holiday");
  }
  fs::path ProfileDir() const { return profilesPath() / "Holiday"; }
  fs::path OwnBg() const { return ProfileDir() / "albsite" / "bg"; }
  std::string Background() const { return IniFile(ProfileDir() / "Profile.ini").ReadString("Settings", "Background"); }
  TempDir files_;
};

TEST_F(BackgroundCliTest, ImportChooseListAndRemove) {
  // The template's own first; nothing chosen.
  CliResult r = Run({"background", "Holiday"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> lines = r.OutLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "* None\t");
  EXPECT_EQ(lines[1].substr(0, 7), "  Dots\t");

  const fs::path sand = files_.path() / "Sand.jpg";
  const fs::path stone = files_.path() / "Stone.JPG";
  fs::copy_file(kPhotos / "canon-ixus.jpg", sand);
  fs::copy_file(kPhotos / "sony-d700.jpg", stone);
  r = Run({"background", "Holiday", "import", sand.string(), stone.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "imported " + (OwnBg() / "Sand.jpg").string() + "\nimported " + (OwnBg() / "Stone.JPG").string() + "\n");
  EXPECT_TRUE(fs::is_regular_file(OwnBg() / "Sand.jpg"));
  EXPECT_EQ(Background(), "");  // importing chooses nothing

  r = Run({"background", "Holiday", "set", "sand"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Background(), (OwnBg() / "Sand.jpg").string());
  lines = Run({"background", "Holiday", "list"}).OutLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[1], "* Sand\t" + (OwnBg() / "Sand.jpg").string());
  EXPECT_EQ(lines[2], "  Stone\t" + (OwnBg() / "Stone.JPG").string());

  // The template's backgrounds are every profile's: refused, file kept.
  r = Run({"background", "Holiday", "remove", "Linen"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.LastErrorLine().find("only the profile's own backgrounds can be removed"), std::string::npos) << r.err;
  r = Run({"background", "Holiday", "remove", "nothing-like-it"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.LastErrorLine(), "albumsmith-cli: no background named nothing-like-it");

  // Another one of the profile's goes, the choice stays.
  r = Run({"background", "Holiday", "remove", "Stone"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_FALSE(fs::exists(OwnBg() / "Stone.JPG"));
  EXPECT_EQ(Background(), (OwnBg() / "Sand.jpg").string());
  // The chosen one goes: the pages get none rather than a missing file.
  r = Run({"background", "Holiday", "remove", "Sand.jpg"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "removed " + (OwnBg() / "Sand.jpg").string() + "\nbackground None\n");
  EXPECT_EQ(Background(), "");

  // A file found in neither directory: kept as given, listed last and chosen.
  r = Run({"background", "Holiday", "set", stone.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Background(), stone.string());
  lines = Run({"background", "Holiday"}).OutLines();
  EXPECT_EQ(lines.back(), "* Stone\t" + stone.string());
  r = Run({"background", "Holiday", "remove", "Stone"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(fs::exists(stone));

  r = Run({"background", "Holiday", "none"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Background(), "");
  EXPECT_EQ(Run({"background", "Holiday", "set", (files_.path() / "missing.jpg").string()}).exitCode, 1);
  EXPECT_EQ(Run({"background", "Holiday", "bogus"}).exitCode, 2);
  EXPECT_EQ(Run({"background", "Nobody"}).LastErrorLine(), "albumsmith-cli: no profile named Nobody");
}

TEST_F(BackgroundCliTest, PreviewPagesOfEveryFolder) {
  fs::create_directories(ProfileDir() / "ImageTree" / "Trips" / "2004");
  fs::copy_file(kPhotos / "canon-ixus.jpg", ProfileDir() / "ImageTree" / "canon-ixus.jpg");
  fs::copy_file(kPhotos / "portrait_6.jpg", ProfileDir() / "ImageTree" / "Trips" / "2004" / "my photo.jpg");
  ASSERT_EQ(Run({"background", "Holiday", "set", "Slate"}).exitCode, 0);
  // Preview pages are static whatever the profile says.
  ASSERT_EQ(Run({"profile", "set", "Holiday", "PHP=1"}).exitCode, 0);
  const fs::path out = files_.path() / "preview";

  const CliResult r = Run({"site", "Holiday", "--preview", "--out", out.string()});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "folder / 1 image(s)\nfolder Trips/ 0 image(s)\nfolder Trips/2004/ 1 image(s)\n"
            "page index.html\npage slide.html\npage Trips/index.html\npage Trips/slide.html\n"
            "page Trips/2004/index.html\npage Trips/2004/slide.html\n"
            "wrote 3 folder(s) and 6 page(s) to " +
                out.string() + "\n");
  EXPECT_FALSE(fs::exists(out / "index.php"));
  EXPECT_FALSE(fs::exists(out / "albsite"));  // the pages use the profile's own files
  const std::string deep = ReadText(out / "Trips" / "2004" / "index.html");
  EXPECT_NE(deep.find("var backPath='./index.html';"), std::string::npos);
  EXPECT_NE(deep.find("src=\"../../../albsite/js/dir.js\""), std::string::npos) << deep.substr(0, 400);
  EXPECT_NE(deep.find("../../../albsite/s/Trips/2004/my%20photo.jpg"), std::string::npos);
  // The background by its full path, not by its place on the server.
  const std::string slate = Background();
  ASSERT_TRUE(slate.ends_with("/albsite/bg/Slate.jpg")) << slate;
  EXPECT_NE(ReadText(out / "index.html").find("setBackground(\"" + slate + "\")"), std::string::npos);
  // The profile keeps no preview behind.
  EXPECT_FALSE(fs::exists(ProfileDir() / "Preview"));

  // Its own preview directory is where the window writes the same pages.
  const fs::path own = ProfileDir() / "Preview";
  ASSERT_EQ(Run({"site", "Holiday", "--preview", "--out", own.string()}).exitCode, 0);
  EXPECT_EQ(ReadText(own / "Trips" / "2004" / "index.html"), deep);
  EXPECT_EQ(Run({"site", "Holiday", "--preview", "--out", ProfileDir().string()}).exitCode, 1);
}

}  // namespace
}  // namespace albumsmith::test
