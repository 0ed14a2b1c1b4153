// The JPEG section reader and the Exif decoder: small files built here for
// the rules and the errors, real camera files for the values.

#include "imaging/exif_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "imaging/exif_format.h"
#include "platform/text.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kExifData = fs::path(ALBUMSMITH_TEST_DATA) / "exif";

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// --- building files -------------------------------------------------------------

// One directory entry. Numbers are kept apart from their encoding so that the
// same tags can be written in either byte order.
struct Tag {
  std::uint16_t tag = 0;
  std::uint16_t format = 0;
  std::vector<long long> ints = {};          // formats 1, 3, 4, 6, 8, 9; rationals as numerator, denominator pairs
  std::vector<double> reals = {};            // formats 11 and 12
  std::string text = {};                     // formats 2 and 7, as stored
  std::optional<std::uint32_t> count = {};   // written instead of the real component count
  std::optional<std::uint32_t> offset = {};  // written instead of the real value offset
};

Tag Short(std::uint16_t tag, long long v) { return {.tag = tag, .format = 3, .ints = {v}}; }
Tag Long(std::uint16_t tag, long long v) { return {.tag = tag, .format = 4, .ints = {v}}; }
Tag Rational(std::uint16_t tag, long long n, long long d) { return {.tag = tag, .format = 5, .ints = {n, d}}; }
Tag SRational(std::uint16_t tag, long long n, long long d) { return {.tag = tag, .format = 10, .ints = {n, d}}; }
Tag Ascii(std::uint16_t tag, const std::string& s) {
  return {.tag = tag, .format = 2, .text = s + std::string(1, '\0')};
}
Tag Undefined(std::uint16_t tag, const std::string& s) { return {.tag = tag, .format = 7, .text = s}; }

// The TIFF part of an Exif block, written directory by directory.
class TiffWriter {
 public:
  explicit TiffWriter(bool motorola, std::uint32_t firstIfd = 8) : mm_(motorola) {
    out_ = motorola ? std::string("MM\0*", 4) : std::string("II*\0", 4);
    out_.resize(8);
    Put32(4, firstIfd);
  }

  // Appends a directory and the values that do not fit in their entries;
  // returns its offset. The link to a next directory is 0.
  std::size_t Directory(const std::vector<Tag>& tags) {
    const std::size_t at = out_.size();
    out_.resize(at + 2 + 12 * tags.size() + 4);
    Put16(at, static_cast<std::uint32_t>(tags.size()));
    for (std::size_t i = 0; i < tags.size(); ++i) {
      const Tag& t = tags[i];
      const std::size_t e = at + 2 + 12 * i;
      const std::string value = Encode(t);
      Put16(e, t.tag);
      Put16(e + 2, t.format);
      Put32(e + 4, t.count.value_or(Components(t)));
      if (value.size() <= 4) {
        out_.replace(e + 8, value.size(), value);
      } else {
        Put32(e + 8, static_cast<std::uint32_t>(out_.size()));
        out_ += value;
      }
      if (t.offset) Put32(e + 8, *t.offset);
    }
    return at;
  }
  // Sets the link after the last entry of the directory at `dir`.
  void Link(std::size_t dir, std::uint32_t target) { Put32(dir + 2 + 12 * EntryCount(dir), target); }
  // Overwrites the value field of entry `index` (a sub-directory link, an offset).
  void SetValue(std::size_t dir, std::size_t index, std::uint32_t v) { Put32(dir + 2 + 12 * index + 8, v); }
  std::size_t Append(const std::string& bytes) {
    const std::size_t at = out_.size();
    out_ += bytes;
    return at;
  }
  const std::string& tiff() const { return out_; }

 private:
  static std::uint32_t Components(const Tag& t) {
    if (t.format == 2 || t.format == 7) return static_cast<std::uint32_t>(t.text.size());
    if (t.format == 5 || t.format == 10) return static_cast<std::uint32_t>(t.ints.size() / 2);
    if (t.format == 11 || t.format == 12) return static_cast<std::uint32_t>(t.reals.size());
    return static_cast<std::uint32_t>(t.ints.size());
  }
  std::string Encode(const Tag& t) const {
    std::string v;
    auto put = [&](std::uint64_t x, int size) {
      for (int i = 0; i < size; ++i) {
        const int shift = 8 * (mm_ ? size - 1 - i : i);
        v += static_cast<char>((x >> shift) & 0xFF);
      }
    };
    switch (t.format) {
      case 1:
      case 6:
        for (long long x : t.ints) put(static_cast<std::uint64_t>(x), 1);
        break;
      case 3:
      case 8:
        for (long long x : t.ints) put(static_cast<std::uint64_t>(x), 2);
        break;
      case 4:
      case 9:
      case 5:
      case 10:
        for (long long x : t.ints) put(static_cast<std::uint64_t>(x), 4);
        break;
      case 11:
        for (double x : t.reals) put(std::bit_cast<std::uint32_t>(static_cast<float>(x)), 4);
        break;
      case 12:
        for (double x : t.reals) put(std::bit_cast<std::uint64_t>(x), 8);
        break;
      default:
        v = t.text;
        break;
    }
    return v;
  }
  std::size_t EntryCount(std::size_t dir) const {
    const auto b0 = static_cast<unsigned char>(out_[dir]), b1 = static_cast<unsigned char>(out_[dir + 1]);
    return mm_ ? (b0 << 8 | b1) : (b1 << 8 | b0);
  }
  void Put16(std::size_t at, std::uint32_t v) { PutN(at, v, 2); }
  void Put32(std::size_t at, std::uint32_t v) { PutN(at, v, 4); }
  void PutN(std::size_t at, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i)
      out_[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * (mm_ ? size - 1 - i : i))) & 0xFF);
  }

  bool mm_;
  std::string out_;
};

// A marker section: FF, marker, big-endian length counting itself, payload.
std::string Segment(int marker, const std::string& payload) {
  const std::size_t length = payload.size() + 2;
  std::string s = {'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)};
  return s + payload;
}

std::string ExifSegment(const std::string& tiff) { return Segment(0xE1, std::string("Exif\0\0", 6) + tiff); }

// The data of an Exif section as the reader holds it (length bytes first).
std::string ExifSectionData(const std::string& tiff) { return ExifSegment(tiff).substr(2); }

std::string Sof(int marker, int width, int height, int components) {
  std::string p = {8,
                   static_cast<char>(height >> 8),
                   static_cast<char>(height),
                   static_cast<char>(width >> 8),
                   static_cast<char>(width),
                   static_cast<char>(components)};
  for (int i = 0; i < components; ++i) p += std::string{static_cast<char>(i + 1), 0x11, 0};
  return Segment(marker, p);
}

const std::string kScanHeader = Segment(0xDA, std::string("\x01\x01\x00\x00\x3F\x00", 6));
const std::string kScanData = std::string("\x12\x34\xFF\x00\x56", 5) + "\xFF\xD9";

// SOI, the given sections, a scan header and a little entropy-coded data.
std::string Jpeg(const std::vector<std::string>& sections) {
  std::string s = "\xFF\xD8";
  for (const std::string& section : sections) s += section;
  return s + kScanHeader + kScanData;
}

std::string JpegWithExif(const TiffWriter& w) { return Jpeg({ExifSegment(w.tiff()), Sof(0xC0, 64, 48, 3)}); }

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

std::vector<int> Types(const ExifReader& r) {
  std::vector<int> types;
  for (const JpegSection& s : r.sections()) types.push_back(s.type);
  return types;
}

// The value of the text form's row that starts with `lead`, or "<none>".
std::string RowValue(const std::string& text, const std::string& lead) {
  for (const std::string& line : Split(text, '\n'))
    if (StartsWith(line, lead)) return line.substr(lead.size());
  return "<none>";
}

// --- sections -------------------------------------------------------------------

TEST(ExifSectionsTest, MalformedFilesAreRefused) {
  const std::string dqt = Segment(0xDB, "q");
  struct Case {
    const char* name;
    std::string file;
    bool ok;
    std::string error;
    std::string diagnostic;
  };
  const Case cases[] = {
      {"not a JPEG", "GIF89a", false, "", ""},
      {"empty file", "", false, "", ""},
      {"twenty kept sections before the scan", "\xFF\xD8" + Repeat(dqt, 20) + kScanHeader, false,
       "Too many sections in jpg file", ""},
      {"nineteen sections and the scan", "\xFF\xD8" + Repeat(dqt, 19) + kScanHeader, true, "", ""},
      {"dropped sections do not count", "\xFF\xD8" + Repeat(Segment(0xE0, "JFIF"), 25) + dqt + kScanHeader, true, "",
       ""},
      {"six padding bytes", "\xFF\xD8" + std::string(5, '\xFF') + dqt + kScanHeader, true, "", ""},
      {"seven padding bytes", "\xFF\xD8" + std::string(6, '\xFF') + dqt + kScanHeader, false, "",
       "too many padding unsigned chars"},
      {"length below two", "\xFF\xD8\xFF\xDB" + std::string("\x00\x01", 2) + "q", false, "invalid marker", ""},
      {"file ends inside a section", "\xFF\xD8\xFF\xDB" + std::string("\x00\x10", 2) + "abc", false,
       "Premature end of file?", ""},
      {"file ends before the scan", "\xFF\xD8" + dqt, false, "invalid marker", ""},
      {"end of image before the scan", "\xFF\xD8" + dqt + "\xFF\xD9" + std::string("\x00\x02", 2), false, "",
       "No image in jpeg!"},
  };
  for (const Case& c : cases) {
    ExifReader r;
    r.setDiagnostics(nullptr);
    EXPECT_EQ(r.ReadSections(Bytes(c.file), ImageData::Keep), c.ok) << c.name;
    EXPECT_EQ(r.errorText(), c.error) << c.name;
    EXPECT_EQ(r.diagnostic(), c.diagnostic) << c.name;
  }
}

TEST(ExifSectionsTest, KeepsTheSectionsThatMatter) {
  TiffWriter w(false);
  w.Directory({Ascii(0x010F, "Maker")});
  const std::string file =
      Jpeg({Segment(0xE0, std::string("JFIF\0\1\1", 7)), ExifSegment(w.tiff()), Segment(0xE1, "http://ns.example/xmp"),
            Segment(0xFE, "first"), Segment(0xDB, "q"), Segment(0xFE, "second"), Sof(0xC2, 640, 480, 1)});

  ExifReader all;
  ASSERT_TRUE(all.ReadSections(Bytes(file), ImageData::Keep));
  EXPECT_EQ(Types(all), (std::vector<int>{0xE1, 0xFE, 0xDB, 0xC2, 0xDA, kSectionRestOfFile}));
  EXPECT_TRUE(all.haveAll());
  const std::vector<std::uint8_t>& rest = all.sections().back().data;
  EXPECT_EQ(std::string(rest.begin(), rest.end()), kScanData);
  EXPECT_EQ(all.info().comments, "first");
  EXPECT_EQ(all.info().cameraMake, "Maker");
  EXPECT_EQ(all.info().width, 640);
  EXPECT_EQ(all.info().height, 480);
  EXPECT_EQ(all.info().isColor, 0);
  EXPECT_EQ(all.info().process, 0xC2);

  ExifReader headers;
  ASSERT_TRUE(headers.ReadSections(Bytes(file), ImageData::Skip));
  EXPECT_EQ(Types(headers), (std::vector<int>{0xE1, 0xFE, 0xDB, 0xC2, 0xDA}));
  EXPECT_FALSE(headers.haveAll());
}

TEST(ExifSectionsTest, CommentSectionCharacters) {
  struct Case {
    std::string stored;
    std::string decoded;
  };
  const Case cases[] = {
      {"line\r\nbreak", "line\nbreak"},
      {"tab\there\nand line", "tab\there\nand line"},
      {"bell\x07 and lone\rCR", "bell? and lone?CR"},
      {std::string("zero\0byte", 9), "zero?byte"},
      {"ends with CR\r", "ends with CR?"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      // 1000 bytes of the section are read, its two length bytes among them.
      {std::string(2000, 'a'), std::string(998, 'a')},
  };
  for (const Case& c : cases) {
    ExifReader r;
    ASSERT_TRUE(r.ReadSections(Bytes(Jpeg({Segment(0xFE, c.stored)})), ImageData::Skip));
    EXPECT_EQ(r.info().comments, c.decoded) << c.stored.substr(0, 20);
  }
}

// --- the Exif block -------------------------------------------------------------

TEST(ExifBlockTest, HeaderAndDirectoryErrors) {
  auto block = [](bool mm, std::uint32_t firstIfd, const std::vector<Tag>& tags) {
    TiffWriter w(mm, firstIfd);
    w.Directory(tags);
    return ExifSectionData(w.tiff());
  };
  const std::vector<Tag> make = {Ascii(0x010F, "Maker")};
  const std::string good = block(false, 8, make);
  auto patched = [](std::string s, std::size_t at, const std::string& bytes) {
    return s.replace(at, bytes.size(), bytes);
  };
  // Offsets in the section data: 2 length bytes, "Exif\0\0", then the TIFF header at 8.
  const std::size_t ifd = 8 + 8, entry = ifd + 2;
  const std::string tail8 = std::string(8, 'x');

  struct Case {
    const char* name;
    std::string section;
    bool ok;
    std::string error;
  };
  const Case cases[] = {
      {"first directory at 8", good, true, ""},
      {"first directory offset 16", block(false, 16, make), true, ""},
      {"first directory offset 7", block(false, 7, make), false, "Suspicious offset of first IFD value"},
      {"first directory offset 17", block(false, 17, make), false, "Suspicious offset of first IFD value"},
      {"first directory offset 20", block(true, 20, make), false, "Suspicious offset of first IFD value"},
      {"not Exif followed by two zero bytes", patched(good, 6, "\x01"), false, "Incorrect Exif header"},
      {"block ends after the Exif word", good.substr(0, 8), false, "Invalid Exif alignment marker."},
      {"byte order IM", patched(good, 8, "IM"), false, "Invalid Exif alignment marker."},
      {"TIFF number 43", patched(good, 10, "+"), false, "Invalid Exif start (1)"},
      {"block ends inside the header", good.substr(0, 13), false, "Suspicious offset of first IFD value"},
      {"directory longer than the block", patched(good, ifd, "\x10\x00"), false, "Illegally sized directory"},
      {"format code 0", patched(good, entry + 2, std::string("\x00\x00", 2)), false, "Illegal format code in EXIF dir"},
      {"format code 13", patched(good, entry + 2, std::string("\x0D\x00", 2)), false,
       "Illegal format code in EXIF dir"},
      {"value beyond the block", block(false, 8, {Tag{.tag = 0x010F, .format = 2, .text = tail8, .offset = 0xFFF0}}),
       false, "Illegal pointer offset value in EXIF."},
      // 2^32 bytes: a 32-bit product would wrap to zero and pass.
      {"component count times size overflows 32 bits",
       block(false, 8, {Tag{.tag = 0x920A, .format = 5, .ints = {1, 1}, .count = 0x20000000u, .offset = 8}}), false,
       "Illegal pointer offset value in EXIF."},
      // offset + byte count wraps to 0 in 32 bits.
      {"offset plus length overflows 32 bits",
       block(false, 8, {Tag{.tag = 0x010F, .format = 2, .text = tail8, .offset = 0xFFFFFFF8u}}), false,
       "Illegal pointer offset value in EXIF."},
      {"sub-directory beyond the block", block(false, 8, {Long(0x8769, 0x10000)}), false, "Illegal subdirectory link"},
      {"next directory beyond the block", patched(good, entry + 12, "\xF0\xFF"), false, "Illegal subdirectory link"},
  };
  for (const Case& c : cases) {
    ExifReader r;
    EXPECT_EQ(r.ProcessExif(Bytes(c.section)), c.ok) << c.name;
    EXPECT_EQ(r.errorText(), c.error) << c.name;
    if (c.ok) {
      EXPECT_EQ(r.info().cameraMake, "Maker") << c.name;
    }
  }

  // A directory at the last byte of the block has no room for its count.
  TiffWriter w(false);
  const std::size_t dir = w.Directory({Long(0x8769, 0)});
  w.SetValue(dir, 0, static_cast<std::uint32_t>(w.tiff().size() - 1));
  ExifReader r;
  EXPECT_FALSE(r.ProcessExif(Bytes(ExifSectionData(w.tiff()))));
  EXPECT_EQ(r.errorText(), "Illegally sized directory");
}

TEST(ExifBlockTest, MotorolaAndIntelOrderGiveTheSameRecord) {
  auto build = [](bool mm) {
    TiffWriter w(mm);
    const std::size_t ifd0 =
        w.Directory({Ascii(0x010F, "Maker"), Ascii(0x0110, "Model 7"), Short(0x0112, 6), Long(0x8769, 0)});
    const std::size_t sub =
        w.Directory({Rational(0x829A, 1, 250), Rational(0x829D, 28, 10), Short(0x8827, 100), Undefined(0x9000, "0220"),
                     Ascii(0x9003, "2004:07:15 13:45:30"), SRational(0x9204, -2, 3), Short(0x9209, 0x19),
                     Rational(0x920A, 58, 10), Long(0xA002, 640)});
    w.SetValue(ifd0, 3, static_cast<std::uint32_t>(sub));
    return JpegWithExif(w);
  };
  ExifReader intel, motorola;
  ASSERT_TRUE(intel.ReadSections(Bytes(build(false)), ImageData::Skip));
  ASSERT_TRUE(motorola.ReadSections(Bytes(build(true)), ImageData::Skip));
  EXPECT_FALSE(intel.motorolaOrder());
  EXPECT_TRUE(motorola.motorolaOrder());
  EXPECT_FALSE(intel.exifFailed());
  EXPECT_FALSE(motorola.exifFailed());

  const std::string expected =
      "Camera make  : Maker\n"
      "Camera model : Model 7\n"
      "Date/Time    : 2004:07:15 13:45:30\n"
      "Resolution   : 64 x 48\n"
      "Orientation  : rotate 90\n"
      "Flash used   : Yes\n"
      "Focal length : 5.8mm\n"
      "Exposure     : 0.0040 s  (1/250)\n"
      "Aperture     : f/2.8\n"
      "ISO equiv.   : 100\n"
      "Exposure bias:-0.67\n"
      "Jpeg process : Baseline\n"
      "\n";
  EXPECT_EQ(FormatInfo(intel.info(), InfoForm::Text), expected);
  EXPECT_EQ(FormatInfo(motorola.info(), InfoForm::Text), expected);
  for (const ExifReader* r : {&intel, &motorola}) {
    EXPECT_EQ(r->info().exifVersion, "0220");
    EXPECT_EQ(r->exifImageWidth(), 640);
  }
}

TEST(ExifBlockTest, TagValueConversions) {
  using Field = std::function<double(const ImageInfo&)>;
  const Field iso = [](const ImageInfo& i) { return i.isoEquivalent; };
  const Field flash = [](const ImageInfo& i) { return i.flashUsed; };
  const Field orientation = [](const ImageInfo& i) { return i.orientation; };
  const Field exposure = [](const ImageInfo& i) { return i.exposureTime; };
  const Field aperture = [](const ImageInfo& i) { return i.apertureFNumber; };
  const Field focal = [](const ImageInfo& i) { return i.focalLength; };
  const Field bias = [](const ImageInfo& i) { return i.exposureBias; };
  const Field distance = [](const ImageInfo& i) { return i.distance; };
  const Field resolutionUnit = [](const ImageInfo& i) { return i.resolutionUnit; };
  const Field focalPlaneUnit = [](const ImageInfo& i) { return i.focalPlaneUnit; };
  const Field compression = [](const ImageInfo& i) { return i.compressionLevel; };
  const Field program = [](const ImageInfo& i) { return i.exposureProgram; };
  const Field metering = [](const ImageInfo& i) { return i.meteringMode; };

  struct Case {
    const char* name;
    std::vector<Tag> tags;
    Field field;
    double expected;
  };
  const Case cases[] = {
      {"ISO 4 is 800", {Short(0x8827, 4)}, iso, 800},
      {"ISO 49 is 9800", {Short(0x8827, 49)}, iso, 9800},
      {"ISO 50 as stored", {Short(0x8827, 50)}, iso, 50},
      {"flash fired", {Short(0x9209, 0x01)}, flash, 1},
      {"flash auto, not fired", {Short(0x9209, 0x18)}, flash, 0},
      {"flash with return light", {Short(0x9209, 0x07)}, flash, 1},
      {"orientation 8", {Short(0x0112, 8)}, orientation, 8},
      {"orientation 9 is invalid", {Short(0x0112, 9)}, orientation, 0},
      {"orientation 0 is invalid", {Short(0x0112, 0)}, orientation, 0},
      {"exposure time", {Rational(0x829A, 1, 250)}, exposure, 0.004},
      {"shutter speed alone", {SRational(0x9201, 8, 1)}, exposure, 1.0 / 256},
      {"exposure time wins over shutter speed", {Rational(0x829A, 1, 100), SRational(0x9201, 8, 1)}, exposure, 0.01},
      {"aperture value", {Rational(0x9202, 4, 1)}, aperture, 4},
      {"maximum aperture value", {Rational(0x9205, 3, 1)}, aperture, 2.8284271},
      {"F number wins over aperture value", {Rational(0x829D, 56, 10), Rational(0x9202, 4, 1)}, aperture, 5.6},
      {"zero denominator", {Rational(0x920A, 35, 0)}, focal, 0},
      {"signed rational", {SRational(0x9204, -1, 3)}, bias, -0.3333333},
      {"unsigned rational is read as signed", {Rational(0x9204, 0xFFFFFFFF, 1)}, bias, -1},
      {"float format", {Tag{.tag = 0x920A, .format = 11, .reals = {5.5}}}, focal, 5.5},
      {"double format", {Tag{.tag = 0x9206, .format = 12, .reals = {2.25}}}, distance, 2.25},
      {"text format gives 0", {Ascii(0x920A, "35mm")}, focal, 0},
      {"signed byte", {Tag{.tag = 0x8822, .format = 6, .ints = {0xFE}}}, program, -2},
      {"signed short", {Tag{.tag = 0x9207, .format = 8, .ints = {0xFFFF}}}, metering, -1},
      {"integer fields truncate", {Rational(0x9102, 5, 2)}, compression, 2},
      {"resolution in inches", {Short(0x0128, 2)}, resolutionUnit, 1.0},
      {"resolution in centimetres", {Short(0x0128, 3)}, resolutionUnit, 0.3937008},
      {"unknown resolution unit", {Short(0x0128, 7)}, resolutionUnit, 0},
      {"focal plane in millimetres", {Short(0xA210, 4)}, focalPlaneUnit, 0.03937008},
      {"focal plane in micrometres", {Short(0xA210, 5)}, focalPlaneUnit, 0.00003937008},
      {"count 0 holds no value", {Tag{.tag = 0x920A, .format = 5, .count = 0u}}, focal, 0},
  };
  for (const Case& c : cases) {
    for (bool mm : {false, true}) {
      TiffWriter w(mm);
      w.Directory(c.tags);
      ExifReader r;
      EXPECT_TRUE(r.ProcessExif(Bytes(ExifSectionData(w.tiff())))) << c.name << ": " << r.errorText();
      EXPECT_NEAR(c.field(r.info()), c.expected, 1e-6 * std::max(1.0, std::abs(c.expected))) << c.name;
    }
  }

  // An invalid orientation is noted but does not stop the decoding.
  TiffWriter w(false);
  w.Directory({Short(0x0112, 9), Ascii(0x010F, "Maker")});
  ExifReader r;
  EXPECT_TRUE(r.ProcessExif(Bytes(ExifSectionData(w.tiff()))));
  EXPECT_EQ(r.errorText(), "Undefined rotation value");
  EXPECT_EQ(r.info().cameraMake, "Maker");
}

TEST(ExifBlockTest, TextTags) {
  using Field = std::function<std::string(const ImageInfo&)>;
  const Field make = [](const ImageInfo& i) { return i.cameraMake; };
  const Field model = [](const ImageInfo& i) { return i.cameraModel; };
  const Field date = [](const ImageInfo& i) { return i.dateTime; };
  const Field comment = [](const ImageInfo& i) { return i.comments; };
  const std::string z(1, '\0');
  struct Case {
    const char* name;
    Tag tag;
    Field field;
    std::string expected;
  };
  const Case cases[] = {
      {"make of 31 characters at most", Ascii(0x010F, std::string(40, 'm')), make, std::string(31, 'm')},
      {"model of 39 characters at most", Ascii(0x0110, std::string(50, 'm')), model, std::string(39, 'm')},
      {"date of 19 characters at most", Ascii(0x9003, "2004:07:15 13:45:30 and more"), date, "2004:07:15 13:45:30"},
      {"text ends at its count", Tag{.tag = 0x010F, .format = 2, .text = "Canon"}, make, "Canon"},
      {"short text in the entry ends at its count", Tag{.tag = 0x010F, .format = 2, .text = "Cano", .count = 3u}, make,
       "Can"},
      {"user comment after the ASCII code", Undefined(0x9286, "ASCII" + z + z + z + "Hello"), comment, "Hello"},
      {"user comment padded with spaces", Undefined(0x9286, "ASCII" + z + z + z + "Hello     "), comment, "Hello"},
      {"user comment code padded with spaces", Undefined(0x9286, "ASCII   Hi"), comment, "Hi"},
      {"user comment of padding only", Undefined(0x9286, "ASCII" + std::string(8, '\0') + "  "), comment, ""},
      {"user comment with no room for text", Undefined(0x9286, "ASCII"), comment, ""},
      {"user comment in another code", Undefined(0x9286, "UNICODE" + z + "H" + z + "i" + z), comment, "UNICODE"},
      {"user comment without a code", Undefined(0x9286, "Plain words"), comment, "Plain words"},
      {"user comment of 199 characters at most", Undefined(0x9286, "ASCII" + z + z + z + std::string(300, 'c')),
       comment, std::string(199, 'c')},
  };
  for (const Case& c : cases) {
    TiffWriter w(true);
    w.Directory({c.tag});
    ExifReader r;
    EXPECT_TRUE(r.ProcessExif(Bytes(ExifSectionData(w.tiff())))) << c.name;
    EXPECT_EQ(c.field(r.info()), c.expected) << c.name;
  }
}

TEST(ExifBlockTest, DirectoryLinksInACircleEnd) {
  struct Case {
    const char* name;
    std::function<std::string()> tiff;
  };
  const Case cases[] = {
      {"sub-directory link to its own directory",
       [] {
         TiffWriter w(false);
         w.Directory({Ascii(0x010F, "Maker"), Long(0x8769, 8)});
         return w.tiff();
       }},
      {"next-directory link to its own directory",
       [] {
         TiffWriter w(false);
         w.Link(w.Directory({Ascii(0x010F, "Maker")}), 8);
         return w.tiff();
       }},
      {"sub-directories linking back to the first",
       [] {
         TiffWriter w(true);
         const std::size_t ifd0 = w.Directory({Ascii(0x010F, "Maker"), Long(0x8769, 0)});
         const std::size_t sub = w.Directory({Long(0xA005, 8), Long(0x8769, 8)});
         w.SetValue(ifd0, 1, static_cast<std::uint32_t>(sub));
         return w.tiff();
       }},
  };
  for (const Case& c : cases) {
    ExifReader r;
    EXPECT_TRUE(r.ProcessExif(Bytes(ExifSectionData(c.tiff())))) << c.name;
    EXPECT_EQ(r.info().cameraMake, "Maker") << c.name;
  }
}

// The link after a directory's entries is four bytes, of which the reader
// takes the first two in the block's byte order; written out byte by byte
// here, since that decides in each order whether the second directory counts.
TEST(ExifBlockTest, NextDirectoryLinkIsItsFirstTwoBytes) {
  struct Case {
    const char* name;
    bool motorola;
    std::function<std::string(std::uint8_t)> link;  // the four bytes for a directory at this offset
    const char* model;                              // read from the second directory, or ""
  };
  const Case cases[] = {
      {"Intel, whole link", false,
       [](std::uint8_t at) {
         return std::string{static_cast<char>(at), 0, 0, 0};
       },
       "Second"},
      {"Intel, high half set", false,
       [](std::uint8_t at) {
         return std::string{static_cast<char>(at), 0, 1, 0};
       },
       "Second"},
      {"Motorola, whole link", true,
       [](std::uint8_t at) {
         return std::string{0, 0, 0, static_cast<char>(at)};
       },
       ""},
      {"Motorola, link in the first two bytes", true,
       [](std::uint8_t at) {
         return std::string{0, static_cast<char>(at), 0, 0};
       },
       "Second"},
  };
  for (const Case& c : cases) {
    TiffWriter w(c.motorola);
    const std::size_t ifd0 = w.Directory({Ascii(0x010F, "Maker")});
    const std::size_t ifd1 = w.Directory({Ascii(0x0110, "Second")});
    ASSERT_LT(ifd1, 256u);
    std::string tiff = w.tiff();
    tiff.replace(ifd0 + 2 + 12, 4, c.link(static_cast<std::uint8_t>(ifd1)));
    ExifReader r;
    EXPECT_TRUE(r.ProcessExif(Bytes(ExifSectionData(tiff)))) << c.name << ": " << r.errorText();
    EXPECT_EQ(r.info().cameraMake, "Maker") << c.name;
    EXPECT_EQ(r.info().cameraModel, c.model) << c.name;
  }
}

TEST(ExifBlockTest, ThumbnailInTheSecondDirectory) {
  const std::string thumb = "\xFF\xD8 tiny thumbnail \xFF\xD9";
  auto build = [&](bool fits) {
    TiffWriter w(false);
    const std::size_t ifd0 = w.Directory({Ascii(0x010F, "Maker")});
    const std::size_t ifd1 = w.Directory({Long(0x0201, 0), Long(0x0202, static_cast<long long>(thumb.size()))});
    w.Link(ifd0, static_cast<std::uint32_t>(ifd1));
    const std::size_t at = w.Append(thumb);
    w.SetValue(ifd1, 0, static_cast<std::uint32_t>(fits ? at : at + 1));
    return JpegWithExif(w);
  };
  ExifReader r;
  ASSERT_TRUE(r.ReadSections(Bytes(build(true)), ImageData::Skip));
  const auto bytes = r.Thumbnail();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), thumb);
  EXPECT_EQ(r.info().thumbnailSize, static_cast<int>(thumb.size()));

  ExifReader beyond;
  ASSERT_TRUE(beyond.ReadSections(Bytes(build(false)), ImageData::Skip));
  EXPECT_TRUE(beyond.Thumbnail().empty());
}

// --- writing back ---------------------------------------------------------------

TEST(ExifWriteBackTest, NeedsTheImageData) {
  ExifReader r;
  ASSERT_TRUE(r.ReadSections(Bytes(Jpeg({Segment(0xDB, "q")})), ImageData::Skip));
  std::string out;
  EXPECT_FALSE(r.WriteSections(out));
}

TEST(ExifWriteBackTest, JfifHeaderOnlyWhenTheFirstSectionIsNoAppSection) {
  const std::string jfif("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x01\x01\x2C\x01\x2C\x00\x00", 18);
  const std::string dqt = Segment(0xDB, "q"), sof = Sof(0xC0, 8, 8, 3);
  TiffWriter w(false);
  w.Directory({Ascii(0x010F, "Maker")});
  const std::string exif = ExifSegment(w.tiff());
  struct Case {
    const char* name;
    std::string file;
    std::string written;
  };
  const Case cases[] = {
      {"JFIF header replaced by a 300 dpi one", Jpeg({Segment(0xE0, "JFIF\0old"), dqt, sof}),
       "\xFF\xD8" + jfif + dqt + sof + kScanHeader + kScanData},
      {"comment first", Jpeg({Segment(0xFE, "hi"), dqt, sof}),
       "\xFF\xD8" + jfif + Segment(0xFE, "hi") + dqt + sof + kScanHeader + kScanData},
      {"Exif first", Jpeg({Segment(0xE0, "JFIF\0old"), exif, dqt, sof}),
       "\xFF\xD8" + exif + dqt + sof + kScanHeader + kScanData},
  };
  for (const Case& c : cases) {
    ExifReader r;
    ASSERT_TRUE(r.ReadSections(Bytes(c.file), ImageData::Keep)) << c.name;
    std::string out;
    ASSERT_TRUE(r.WriteSections(out)) << c.name;
    EXPECT_EQ(out, c.written) << c.name;
  }
}

TEST(ExifWriteBackTest, CameraFilesWithoutDroppedSectionsComeBackUnchanged) {
  for (const char* name : {"canon-ixus.jpg", "fujifilm-dx10.jpg", "kodak-dc210.jpg", "kodak-dc240.jpg",
                           "ricoh-rdc5300.jpg", "sony-d700.jpg"}) {
    const std::string original = ReadText(kExifData / name);
    ExifReader r;
    ASSERT_TRUE(r.ReadSections(Bytes(original), ImageData::Keep)) << name;
    std::string out;
    ASSERT_TRUE(r.WriteSections(out)) << name;
    EXPECT_TRUE(out == original) << name;
  }
}

// --- dates ----------------------------------------------------------------------

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

TEST(ExifDateTest, SetExifDateRewritesTheValueAndReplacesTheFile) {
  TempDir dir;
  const fs::path image = dir.path() / "photo.jpg";
  const fs::path before = dir.path() / "before.jpg";
  fs::copy_file(kExifData / "canon-ixus.jpg", image);
  // A second name for the original bytes: a rewrite in place would change it too.
  fs::create_hard_link(image, before);
  const std::string original = ReadText(image);

  ExifReader r;
  ASSERT_TRUE(r.ReadFile(image, ImageData::Keep));
  ASSERT_TRUE(r.SetExifDate(LocalTime(2004, 7, 15, 13, 45, 30)));
  EXPECT_EQ(r.info().dateTime, "2004:07:15 13:45:30");
  ASSERT_TRUE(r.WriteFile(image));

  EXPECT_TRUE(ReadText(before) == original);
  const std::string rewritten = ReadText(image);
  ASSERT_EQ(rewritten.size(), original.size());
  std::size_t differing = 0;
  for (std::size_t i = 0; i < original.size(); ++i) differing += original[i] != rewritten[i];
  EXPECT_LE(differing, 19u);
  ExifReader again;
  ASSERT_TRUE(again.ReadFile(image, ImageData::Skip));
  EXPECT_EQ(again.info().dateTime, "2004:07:15 13:45:30");
  EXPECT_EQ(again.GetExifDate(), LocalTime(2004, 7, 15, 13, 45, 30));
}

TEST(ExifDateTest, SetExifDateNeedsADateValueWithRoom) {
  struct Case {
    const char* name;
    std::vector<Tag> tags;
  };
  const Case cases[] = {
      {"no capture date", {Ascii(0x010F, "Maker")}},
      // Twenty bytes written over ten would run into the value that follows.
      {"capture date value of ten bytes", {Ascii(0x9003, "2004:07:1"), Ascii(0x9286, "a user comment")}},
  };
  for (const Case& c : cases) {
    TiffWriter w(false);
    w.Directory(c.tags);
    const std::string file = JpegWithExif(w);
    ExifReader r;
    ASSERT_TRUE(r.ReadSections(Bytes(file), ImageData::Keep)) << c.name;
    EXPECT_FALSE(r.SetExifDate(LocalTime(2004, 7, 15, 13, 45, 30))) << c.name;
    std::string out;
    ASSERT_TRUE(r.WriteSections(out));
    EXPECT_TRUE(out == file) << c.name;
  }
}

TEST(ExifDateTest, GetExifDateReadsTheFieldsThatParse) {
  struct Case {
    std::string text;
    std::time_t expected;
  };
  const Case cases[] = {
      {"2004:07:15 13:45:30", LocalTime(2004, 7, 15, 13, 45, 30)},
      {"2004:07", LocalTime(2004, 7, 1, 0, 0, 0)},
      {"2004:07:15 13", LocalTime(2004, 7, 15, 13, 0, 0)},
      {"    :  :     :  :  ", LocalTime(1970, 1, 1, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    TiffWriter w(false);
    w.Directory({Ascii(0x9003, c.text)});
    ExifReader r;
    ASSERT_TRUE(r.ReadSections(Bytes(JpegWithExif(w)), ImageData::Skip));
    EXPECT_EQ(r.GetExifDate(), c.expected) << c.text;
  }

  ExifReader none;
  ASSERT_TRUE(none.ReadSections(Bytes(Jpeg({Segment(0xDB, "q")})), ImageData::Skip));
  const std::time_t now = std::time(nullptr);
  EXPECT_LE(std::abs(static_cast<long>(none.GetExifDate() - now)), 5L);
}

TEST(ExifDateTest, ReadExifDateForPages) {
  TempDir dir;
  auto withDate = [&](const std::string& name, const std::string& date) {
    TiffWriter w(false);
    w.Directory({Ascii(0x9003, date)});
    WriteText(dir.path() / name, JpegWithExif(w));
    return dir.path() / name;
  };
  struct Case {
    const char* name;
    fs::path file;
    bool ok;
    std::string date;
    std::string time;
  };
  const Case cases[] = {
      {"camera file", kExifData / "canon-ixus.jpg", true, "09-jun-2001", "15:17:32"},
      {"December", withDate("dec.jpg", "2003:12:04 08:01:44"), true, "04-dec-2003", "08:01:44"},
      {"month above 12", withDate("m13.jpg", "2003:13:04 08:01:44"), true,
       "04-???"
       "-2003",
       "08:01:44"},
      {"negative month", withDate("m-1.jpg", "2003:-1:04 08:01:44"), true,
       "04-???"
       "-2003",
       "08:01:44"},
      {"no time", withDate("notime.jpg", "2003:12:04"), false, "", ""},
      {"no Exif block", kExifData / "olympus-d320l.jpg", false, "", ""},
      {"missing file", dir.path() / "missing.jpg", false, "", ""},
  };
  for (const Case& c : cases) {
    const ExifDate d = ReadExifDate(c.file);
    EXPECT_EQ(d.ok, c.ok) << c.name;
    EXPECT_EQ(d.date, c.date) << c.name;
    EXPECT_EQ(d.time, c.time) << c.name;
  }
}

// --- real camera files ----------------------------------------------------------

TEST(ExifCameraFilesTest, TextFormShowsWhatTheCameraRecorded) {
  struct Case {
    const char* file;
    const char* make;
    const char* model;
    const char* date;
    const char* resolution;
    const char* exposure;
    const char* aperture;
    const char* focal;
    const char* iso;
    const char* flash;
    const char* metering;
  };
  const char* none = "<none>";
  const Case cases[] = {
      {"canon-ixus.jpg", "Canon", "Canon DIGITAL IXUS", "2001:06:09 15:17:32", "640 x 480", "0.0029 s  (1/350)",
       "f/4.0", "10.8mm", none, "No", "center weight"},
      {"fujifilm-dx10.jpg", "FUJIFILM", "DX-10", "2001:04:12 20:33:14", "1024 x 768", "0.010 s  (1/97)", "f/4.2",
       "5.8mm", "150", "Yes", "matrix"},
      {"fujifilm-finepix40i.jpg", "FUJIFILM", "FinePix40i", "2000:08:04 18:22:57", "600 x 450", "0.022 s  (1/45)",
       "f/2.8", "8.7mm", "200", "Yes", "matrix"},
      {"fujifilm-mx1700.jpg", "FUJIFILM", "MX-1700ZOOM", "2000:09:02 14:30:10", "640 x 480", "0.0059 s  (1/169)",
       "f/7.0", "9.9mm", "125", "No", "matrix"},
      {"kodak-dc210.jpg", "Eastman Kodak Company", "DC210 Zoom (V05.00)", "2000:10:26 16:46:51", "640 x 480",
       "0.033 s  (1/30)", "f/4.0", "4.4mm", none, "Yes", "center weight"},
      {"kodak-dc240.jpg", "EASTMAN KODAK COMPANY", "KODAK DC240 ZOOM DIGITAL CAMERA", "1999:05:25 21:00:09",
       "640 x 480", "0.033 s  (1/30)", "f/4.0", "14.0mm", none, "Yes", "Average"},
      {"nikon-e950.jpg", "NIKON", "E950", "2001:04:06 11:51:40", "800 x 600", "0.013 s  (1/77)", "f/5.5", "12.8mm",
       "80", "No", "matrix"},
      {"olympus-c960.jpg", "OLYMPUS OPTICAL CO.,LTD", "C960Z,D460Z", "2000:11:07 10:41:43", "640 x 480",
       "0.0029 s  (1/345)", "f/8.0", "5.6mm", "125", "No", "matrix"},
      {"olympus-d320l.jpg", none, none, none, "640 x 480", none, none, none, none, "No", none},
      {"ricoh-rdc5300.jpg", "RICOH      ", "RDC-5300       ", "2000:05:31 21:50:40", "896 x 600", "0.011 s  (1/91)",
       "f/4.0", "13.3mm", none, "Yes", none},
      {"sanyo-vpcg250.jpg", "SANYO Electric Co.,Ltd.", "SR6 ", "1998:01:01 00:00:00", "640 x 480", "0.0058 s  (1/171)",
       "f/8.0", "6.0mm", none, "Yes", "center weight"},
      {"sanyo-vpcsx550.jpg", "SANYO Electric Co.,Ltd.", "SX113 ", "2000:11:18 21:14:19", "640 x 480", "0.021 s  (1/48)",
       "f/2.4", "6.0mm", "400", "No", "center weight"},
      {"sony-cybershot.jpg", "SONY", "CYBERSHOT", "2000:09:30 10:59:45", "640 x 480", "0.0051 s  (1/197)", "f/4.0",
       "21.6mm", "100", "No", "center weight"},
      {"sony-d700.jpg", "SONY", "DSC-D700", "1998:12:01 14:22:36", "672 x 512", "0.031 s  (1/32)", "f/2.4", none, "200",
       "No", "center weight"},
      {"sony-powershota5.jpg", none, none, none, "1024 x 768", none, none, none, none, "No", none},
  };
  for (const Case& c : cases) {
    ExifReader r;
    ASSERT_TRUE(r.ReadFile(kExifData / c.file, ImageData::Skip)) << c.file;
    EXPECT_FALSE(r.exifFailed()) << c.file << ": " << r.errorText();
    const std::string text = FormatInfo(r.info(), InfoForm::Text);
    EXPECT_EQ(RowValue(text, "Camera make  : "), c.make) << c.file;
    EXPECT_EQ(RowValue(text, "Camera model : "), c.model) << c.file;
    EXPECT_EQ(RowValue(text, "Date/Time    : "), c.date) << c.file;
    EXPECT_EQ(RowValue(text, "Resolution   : "), c.resolution) << c.file;
    // The exposure program shares the "Exposure" key; the time row comes first.
    EXPECT_EQ(RowValue(text, "Exposure     : "), c.exposure) << c.file;
    EXPECT_EQ(RowValue(text, "Aperture     : "), c.aperture) << c.file;
    EXPECT_EQ(RowValue(text, "Focal length : "), c.focal) << c.file;
    EXPECT_EQ(RowValue(text, "ISO equiv.   : "), c.iso) << c.file;
    EXPECT_EQ(RowValue(text, "Flash used   : "), c.flash) << c.file;
    EXPECT_EQ(RowValue(text, "Metering     : "), c.metering) << c.file;
    EXPECT_EQ(RowValue(text, "Orientation  : "), "<none>") << c.file;
    EXPECT_EQ(RowValue(text, "Jpeg process : "), "Baseline") << c.file;
  }
}

TEST(ExifCameraFilesTest, OrientationOfEachPicture) {
  for (const char* shape : {"landscape", "portrait"}) {
    for (int n = 1; n <= 8; ++n) {
      const std::string file = std::string(shape) + "_" + std::to_string(n) + ".jpg";
      ExifReader r;
      ASSERT_TRUE(r.ReadFile(kExifData / "orientation" / file, ImageData::Skip)) << file;
      EXPECT_EQ(r.info().orientation, n) << file;
      EXPECT_EQ(RowValue(FormatInfo(r.info(), InfoForm::Text), "Orientation  : "),
                n == 1 ? "<none>" : OrientationName(n))
          << file;
    }
  }
}

// Every fixture, the real camera files and the fuzzer's findings, is read
// from a file and from memory and formatted without a fault. Each Exif block
// is also decoded cut short, in a buffer of exactly the cut size so that the
// sanitizer sees any read past its end.
TEST(ExifCameraFilesTest, EveryFixtureReadsWithoutFault) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(kExifData))
    if (entry.is_regular_file()) files.push_back(entry.path());
  ASSERT_GE(files.size(), 31u);
  for (const fs::path& file : files) {
    ExifReader fromFile;
    fromFile.setDiagnostics(nullptr);
    fromFile.ReadFile(file, ImageData::Keep);
    FormatInfo(fromFile.info(), InfoForm::Html);
    std::string out;
    fromFile.WriteSections(out);

    const std::string bytes = ReadText(file);
    ExifReader fromMemory;
    fromMemory.setDiagnostics(nullptr);
    fromMemory.ReadSections(Bytes(bytes), ImageData::Skip);
    FormatInfo(fromMemory.info(), InfoForm::Text);

    for (const JpegSection& section : fromMemory.sections()) {
      if (section.type != 0xE1) continue;
      // Directories sit near the start; further on, a coarser step will do.
      for (std::size_t cut = 0; cut < section.data.size(); cut += cut < 2048 ? 1 : 13) {
        const std::vector<std::uint8_t> shortened(section.data.begin(),
                                                  section.data.begin() + static_cast<std::ptrdiff_t>(cut));
        ExifReader r;
        r.ProcessExif(shortened);
        FormatInfo(r.info(), InfoForm::Html);
      }
    }
  }
}

}  // namespace
}  // namespace albumsmith::test
