// The text and HTML forms of the image record and the Exif page.

#include "imaging/exif_format.h"

#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/text.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExifData = fs::path(ALBUMSMITH_TEST_DATA) / "exif";

ImageInfo FullRecord() {
  ImageInfo i;
  i.cameraMake = "Maker";
  i.cameraModel = "Model 7";
  i.dateTime = "2004:07:15 13:45:30";
  i.width = 640;
  i.height = 480;
  i.orientation = 6;
  i.isColor = 1;
  i.flashUsed = 1;
  i.focalLength = 5.8f;
  i.ccdWidth = 5.27f;
  i.exposureTime = 0.004f;
  i.apertureFNumber = 2.8f;
  i.distance = 1.5f;
  i.isoEquivalent = 100;
  i.exposureBias = -0.33f;
  i.whitebalance = 2;
  i.meteringMode = 5;
  i.exposureProgram = 2;
  i.process = 0xC2;
  i.comments = "Two\nlines";
  return i;
}

TEST(ExifFormatTest, TextFormOfEveryRow) {
  EXPECT_EQ(FormatInfo(FullRecord(), InfoForm::Text),
            "Camera make  : Maker\n"
            "Camera model : Model 7\n"
            "Date/Time    : 2004:07:15 13:45:30\n"
            "Resolution   : 640 x 480\n"
            "Orientation  : rotate 90\n"
            "Flash used   : Yes\n"
            "Focal length : 5.8mm  (35mm equivalent: 40mm)\n"
            "CCD width    : 5.27mm\n"
            "Exposure     : 0.0040 s  (1/250)\n"
            "Aperture     : f/2.8\n"
            "Focus dist.  : 1.50m\n"
            "ISO equiv.   : 100\n"
            "Exposure bias:-0.33\n"
            "Whitebalance : fluorescent\n"
            "Metering     : matrix\n"
            "Exposure     : program (auto)\n"
            "Jpeg process : Progressive\n"
            "Comment      : Two\n"
            "Comment      : lines\n"
            "\n");
}

TEST(ExifFormatTest, HtmlFormOfEveryRow) {
  auto row = [](const std::string& key, const std::string& value) {
    return "<tr><td><span class=\"key\">" + key + "</span ></td><td>:</td><td><span class=\"val\">" + value +
           "</span></td></tr>\n";
  };
  EXPECT_EQ(FormatInfo(FullRecord(), InfoForm::Html),
            row("Camera make", "Maker") + row("Camera model", "Model 7") + row("Date/Time", "2004:07:15 13:45:30") +
                row("Resolution", "640 x 480") + row("Orientation", "rotate 90") + row("Flash used", "Yes") +
                row("Focal length", "5.8mm  (35mm equivalent: 40mm)") + row("CCD width", "5.27mm") +
                row("Exposure", "0.0040 s  (1/250)") + row("Aperture", "f/2.8") + row("Focus dist.", "1.50m") +
                row("ISO equiv.", "100") + row("Exposure bias", "-0.33") + row("Whitebalance", "fluorescent") +
                row("Metering", "matrix") + row("Exposure", "program (auto)") + row("Jpeg process", "Progressive") +
                row("Comment", "Two<BR>lines"));
}

TEST(ExifFormatTest, EmptyRecordKeepsTheRowsThatAlwaysShow) {
  EXPECT_EQ(FormatInfo(ImageInfo(), InfoForm::Text),
            "Resolution   : 0 x 0\n"
            "Color/bw     : Black and white\n"
            "Flash used   : No\n"
            "Jpeg process : Unknown\n"
            "\n");
}

// The value of the text row starting with `lead`, or nothing when there is no such row.
std::optional<std::string> Row(const ImageInfo& info, const std::string& lead) {
  for (const std::string& line : Split(FormatInfo(info, InfoForm::Text), '\n'))
    if (StartsWith(line, lead)) return line.substr(lead.size());
  return std::nullopt;
}

TEST(ExifFormatTest, RowsFollowTheirValues) {
  struct Case {
    const char* name;
    std::function<void(ImageInfo&)> set;
    std::string lead;
    std::optional<std::string> value;
  };
  const std::optional<std::string> none;
  const Case cases[] = {
      {"exposure of 4 ms", [](ImageInfo& i) { i.exposureTime = 0.004f; }, "Exposure     : ", "0.0040 s  (1/250)"},
      {"exposure just below 10 ms", [](ImageInfo& i) { i.exposureTime = 0.0099f; },
       "Exposure     : ", "0.0099 s  (1/101)"},
      {"exposure of 1/3 s", [](ImageInfo& i) { i.exposureTime = 1.0f / 3; }, "Exposure     : ", "0.333 s  (1/3)"},
      {"exposure of half a second", [](ImageInfo& i) { i.exposureTime = 0.5f; }, "Exposure     : ", "0.500 s  (1/2)"},
      {"exposure of two seconds", [](ImageInfo& i) { i.exposureTime = 2; }, "Exposure     : ", "2.000 s "},
      {"orientation normal", [](ImageInfo& i) { i.orientation = 1; }, "Orientation  : ", none},
      {"orientation 8", [](ImageInfo& i) { i.orientation = 8; }, "Orientation  : ", "rotate 270"},
      {"colour picture", [](ImageInfo& i) { i.isColor = 1; }, "Color/bw     : ", none},
      {"focal length without CCD width", [](ImageInfo& i) { i.focalLength = 35; }, "Focal length : ", "35.0mm"},
      {"focus at infinity", [](ImageInfo& i) { i.distance = -1; }, "Focus dist.  : ", "Infinite"},
      {"one-digit ISO", [](ImageInfo& i) { i.isoEquivalent = 5; }, "ISO equiv.   : ", " 5"},
      {"unknown white balance", [](ImageInfo& i) { i.whitebalance = 9; }, "Whitebalance : ", "cloudy"},
      {"metering 1", [](ImageInfo& i) { i.meteringMode = 1; }, "Metering     : ", "Average"},
      {"metering 6", [](ImageInfo& i) { i.meteringMode = 6; }, "Metering     : ", "Partial"},
      {"unknown metering", [](ImageInfo& i) { i.meteringMode = 255; }, "Metering     : ", none},
      {"program 8", [](ImageInfo& i) { i.exposureProgram = 8; }, "Exposure     : ", "landscape mode"},
      {"unknown program", [](ImageInfo& i) { i.exposureProgram = 9; }, "Exposure     : ", none},
      {"baseline", [](ImageInfo& i) { i.process = 0xC0; }, "Jpeg process : ", "Baseline"},
      {"last process", [](ImageInfo& i) { i.process = 0xCF; },
       "Jpeg process : ", "Differential lossless, arithmetic coding"},
      {"Huffman table marker", [](ImageInfo& i) { i.process = 0xC4; }, "Jpeg process : ", "Unknown"},
      {"make without model", [](ImageInfo& i) { i.cameraMake = "Maker"; }, "Camera model : ", ""},
      {"model without make", [](ImageInfo& i) { i.cameraModel = "Model"; }, "Camera model : ", none},
      {"comment ending with a line feed", [](ImageInfo& i) { i.comments = "ends\n"; }, "Comment      : ", "ends"},
  };
  for (const Case& c : cases) {
    ImageInfo info;
    c.set(info);
    EXPECT_EQ(Row(info, c.lead), c.value) << c.name;
  }

  // A comment's last line feed ends its row; the row's own line feed follows.
  ImageInfo info;
  info.comments = "ends\n";
  EXPECT_TRUE(EndsWith(FormatInfo(info, InfoForm::Text), "Comment      : ends\n\n\n"));
}

// A comment or a camera text must not add markup to a published page.
TEST(ExifFormatTest, HtmlEscapesCameraTextsAndComments) {
  ImageInfo info;
  info.cameraMake = "<b>Evil & Co</b>";
  info.cameraModel = "\"X\"";
  info.dateTime = "2004:07:15 <i>";
  info.comments = "<script>alert(1)</script>\nsecond";
  const std::string html = FormatInfo(info, InfoForm::Html);
  EXPECT_NE(html.find(">&lt;b&gt;Evil &amp; Co&lt;/b&gt;<"), std::string::npos);
  EXPECT_NE(html.find(">&quot;X&quot;<"), std::string::npos);
  EXPECT_NE(html.find(">2004:07:15 &lt;i&gt;<"), std::string::npos);
  EXPECT_NE(html.find(">&lt;script&gt;alert(1)&lt;/script&gt;<BR>second<"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_EQ(html.find("<b>"), std::string::npos);

  const std::string text = FormatInfo(info, InfoForm::Text);
  EXPECT_NE(text.find("Camera make  : <b>Evil & Co</b>\n"), std::string::npos);
}

// --- the Exif page --------------------------------------------------------------

void SetModified(const fs::path& file, std::time_t when) {
  const struct utimbuf times = {when, when};
  ASSERT_EQ(::utime(file.c_str(), &times), 0);
}

TEST(ExifPageTest, WritesFileFactsAndRows) {
  TempDir dir;
  const fs::path image = dir.path() / "IMG_1.jpg";
  fs::copy_file(kExifData / "canon-ixus.jpg", image);
  SetModified(image, 1071403304);  // 2003-12-14 12:01:44 UTC
  const fs::path page = dir.path() / "IMG_1.jpg.html";

  ASSERT_TRUE(WriteExifPage(image, page, "../../"));

  ExifReader r;
  ASSERT_TRUE(r.ReadFile(image, ImageData::Skip));
  EXPECT_EQ(ReadText(page),
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n"
            "<html>\n"
            "<head><title>Exif</title><link rel=\"StyleSheet\" href=\"../../../js/albumsmith.css\" "
            "type=\"text/css\"></head>\n"
            "<body style=\"background:#FFFFE7\">\n"
            "<div class=\"info\">\n<table border=0 cellspacing=0 cellpadding=1>\n"
            "<tr><td class=\"key\">File name</td><td>:</td><td class=\"val\">IMG_1.jpg</td></tr>\n"
            "<tr><td><span class=\"key\">File size</span></td><td>:</td><td><span class=\"val\">128037 "
            "bytes</span></td></tr>\n"
            "<tr><td><span class=\"key\">File date</span></td><td>:</td><td><span class=\"val\">2003:12:14 "
            "12:01:44</span></td></tr>\n" +
                FormatInfo(r.info(), InfoForm::Html) + "</table>\n</div>\n</body></html>\n");
  // The line the image list reads the date from.
  EXPECT_NE(ReadText(page).find("<tr><td><span class=\"key\">Date/Time</span ></td><td>:</td><td><span "
                                "class=\"val\">2001:06:09 15:17:32</span></td></tr>\n"),
            std::string::npos);
}

TEST(ExifPageTest, FileNameIsEscaped) {
  TempDir dir;
  const fs::path image = dir.path() / "a<b>&c.jpg";
  fs::copy_file(kExifData / "sony-d700.jpg", image);
  ASSERT_TRUE(WriteExifPage(image, dir.path() / "page.html", ""));
  EXPECT_NE(ReadText(dir.path() / "page.html").find(">a&lt;b&gt;&amp;c.jpg<"), std::string::npos);
}

TEST(ExifPageTest, Failures) {
  TempDir dir;
  WriteText(dir.path() / "notes.jpg", "not a picture");
  const fs::path good = kExifData / "canon-ixus.jpg";

  // Missing image: no page at all.
  EXPECT_FALSE(WriteExifPage(dir.path() / "missing.jpg", dir.path() / "missing.html", ""));
  EXPECT_FALSE(fs::exists(dir.path() / "missing.html"));
  // Not a JPEG: an empty page.
  EXPECT_FALSE(WriteExifPage(dir.path() / "notes.jpg", dir.path() / "notes.html", ""));
  ASSERT_TRUE(fs::exists(dir.path() / "notes.html"));
  EXPECT_EQ(fs::file_size(dir.path() / "notes.html"), 0u);
  // The page's folder does not exist.
  EXPECT_FALSE(WriteExifPage(good, dir.path() / "no-such-folder" / "page.html", ""));
}

}  // namespace
}  // namespace albumsmith::test
