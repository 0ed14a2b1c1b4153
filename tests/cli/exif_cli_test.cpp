// The "exif" command of albumsmith-cli, run as a separate process.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

// The command-line tests get no data folder of their own; the fixtures sit
// beside this folder.
const fs::path kExifData = fs::path(ALBUMSMITH_TEST_DATA) / "exif";

using ExifCliTest = CliTest;

TEST_F(ExifCliTest, TextFormOfACameraFile) {
  const CliResult r = Run({"exif", (kExifData / "canon-ixus.jpg").string()});

  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "Camera make  : Canon\n"
            "Camera model : Canon DIGITAL IXUS\n"
            "Date/Time    : 2001:06:09 15:17:32\n"
            "Resolution   : 640 x 480\n"
            "Flash used   : No\n"
            "Focal length : 10.8mm\n"
            "Exposure     : 0.0029 s  (1/350)\n"
            "Aperture     : f/4.0\n"
            "Focus dist.  : 3.75m\n"
            "Metering     : center weight\n"
            "Jpeg process : Baseline\n"
            "\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(ExifCliTest, HtmlRowsAndPage) {
  const std::string image = (kExifData / "sanyo-vpcsx550.jpg").string();
  const CliResult rows = Run({"exif", image, "--html"});

  EXPECT_EQ(rows.exitCode, 0) << rows.err;
  const std::vector<std::string> lines = rows.OutLines();
  ASSERT_EQ(lines.size(), 12u);
  for (const std::string& line : lines) EXPECT_TRUE(StartsWith(line, "<tr><td><span class=\"key\">")) << line;
  EXPECT_EQ(lines[2],
            "<tr><td><span class=\"key\">Date/Time</span ></td><td>:</td><td><span class=\"val\">2000:11:18 "
            "21:14:19</span></td></tr>");

  TempDir dir;
  const fs::path page = dir.path() / "page.html";
  const CliResult written = Run({"exif", image, "--page", page.string()});
  EXPECT_EQ(written.exitCode, 0) << written.err;
  const std::string html = ReadText(page);
  EXPECT_TRUE(StartsWith(html, "<!DOCTYPE HTML PUBLIC")) << html.substr(0, 80);
  EXPECT_NE(html.find(rows.out), std::string::npos);
}

TEST_F(ExifCliTest, BadFilesFailWithTheReadersReason) {
  TempDir dir;
  const std::string camera = ReadText(kExifData / "canon-ixus.jpg");
  auto file = [&](const std::string& name, const std::string& bytes) {
    WriteText(dir.path() / name, bytes);
    return (dir.path() / name).string();
  };
  const std::string missing = (dir.path() / "missing.jpg").string();
  struct Case {
    std::string path;
    std::string line;
  };
  const Case cases[] = {
      {file("notes.jpg", "not a picture"), "notes.jpg: not a JPEG file"},
      {missing, "Cannot open file " + missing},
      {file("cut.jpg", camera.substr(0, 3000)), "cut.jpg: Premature end of file?"},
      {file("padding.jpg", "\xFF\xD8" + std::string(7, '\xFF')), "padding.jpg: too many padding unsigned chars"},
      {file("order.jpg", "\xFF\xD8\xFF\xE1" + std::string("\x00\x10", 2) + std::string("Exif\0\0XX*\0\x08\0\0\0", 14) +
                             "\xFF\xDA" + std::string("\x00\x02", 2)),
       "order.jpg: Invalid Exif alignment marker."},
  };
  for (const Case& c : cases) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"exif", c.path}, std::vector<std::string>{"exif", c.path, "--html"},
          std::vector<std::string>{"exif", c.path, "--page", (dir.path() / "page.html").string()}}) {
      const CliResult r = Run(args);
      EXPECT_EQ(r.exitCode, 1) << c.path;
      // The folder leads every path but the missing file's, which names it in full.
      const std::string line = c.path == missing ? c.line : dir.str() + c.line;
      EXPECT_EQ(r.err, "albumsmith-cli: " + line + "\n");
      EXPECT_EQ(r.out, "");
    }
  }
  EXPECT_FALSE(fs::exists(dir.path() / "page.html"));
}

}  // namespace
}  // namespace albumsmith::test
