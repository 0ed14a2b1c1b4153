#include "imaging/exif_format.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "platform/atomic_file.h"

namespace albumsmith {
namespace {

// Comment characters written at most.
constexpr std::size_t kMaxCommentOutput = 1000;

int ToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

std::string PadLeft(std::string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

// "%<width>.<precision>f" with a decimal point whatever the locale: the GUI
// runs under the user's locale, and a page must not show "5,8mm" for one user
// and "5.8mm" for another.
std::string Fixed(double v, std::size_t width, int precision) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, precision);
  return PadLeft(r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0"), width);
}

std::string Int(int v) { return std::to_string(v); }

const char* WhitebalanceName(int v) {
  switch (v) {
    case 1:
      return "sunny";
    case 2:
      return "fluorescent";
    case 3:
      return "incandescent";
    default:
      return "cloudy";
  }
}

const char* MeteringName(int v) {
  static const char* const kNames[] = {nullptr, "Average", "center weight", "spot", "Multi spot", "matrix", "Partial"};
  return v >= 1 && v <= 6 ? kNames[v] : nullptr;
}

const char* ExposureProgramName(int v) {
  static const char* const kNames[] = {nullptr,
                                       "manual control",
                                       "program (auto)",
                                       "aperture priority (semi-auto)",
                                       "shutter priority (semi-auto)",
                                       "program creative",
                                       "program action",
                                       "portrait mode",
                                       "landscape mode"};
  return v >= 1 && v <= 8 ? kNames[v] : nullptr;
}

class Rows {
 public:
  explicit Rows(InfoForm form) : form_(form) {}

  // `lead` starts the text form's line: the key, padded, and the colon.
  void Add(std::string_view key, std::string_view lead, std::string_view value) {
    if (form_ == InfoForm::Html) {
      AddHtml(key, HtmlEscape(value));
      return;
    }
    out_ += lead;
    out_ += value;
    out_ += '\n';
  }

  void AddComment(std::string_view comment) {
    comment = comment.substr(0, std::min(comment.size(), kMaxCommentOutput));
    if (form_ == InfoForm::Html) {
      std::string value;
      for (char c : comment) value += c == '\n' ? std::string("<BR>") : HtmlEscape(std::string_view(&c, 1));
      AddHtml("Comment", value);
      return;
    }
    static constexpr std::string_view kLead = "Comment      : ";
    out_ += kLead;
    for (std::size_t i = 0; i < comment.size(); ++i) {
      if (comment[i] != '\n') {
        out_ += comment[i];
      } else {
        out_ += '\n';
        if (i + 1 < comment.size()) out_ += kLead;
      }
    }
    out_ += '\n';
  }

  std::string Finish() {
    if (form_ == InfoForm::Text) out_ += '\n';
    return std::move(out_);
  }

 private:
  void AddHtml(std::string_view key, std::string_view htmlValue) {
    out_ += "<tr><td><span class=\"key\">";
    out_ += key;
    out_ += "</span ></td><td>:</td><td><span class=\"val\">";
    out_ += htmlValue;
    out_ += "</span></td></tr>\n";
  }

  InfoForm form_;
  std::string out_;
};

}  // namespace

const char* OrientationName(int orientation) {
  static const char* const kNames[] = {"Undefined", "Normal",    "flip horizontal", "rotate 180", "flip vertical",
                                       "transpose", "rotate 90", "transverse",      "rotate 270"};
  return orientation >= 0 && orientation <= 8 ? kNames[orientation] : kNames[0];
}

const char* JpegProcessName(int marker) {
  switch (marker) {
    case 0xC0:
      return "Baseline";
    case 0xC1:
      return "Extended sequential";
    case 0xC2:
      return "Progressive";
    case 0xC3:
      return "Lossless";
    case 0xC5:
      return "Differential sequential";
    case 0xC6:
      return "Differential progressive";
    case 0xC7:
      return "Differential lossless";
    case 0xC9:
      return "Extended sequential, arithmetic coding";
    case 0xCA:
      return "Progressive, arithmetic coding";
    case 0xCB:
      return "Lossless, arithmetic coding";
    case 0xCD:
      return "Differential sequential, arithmetic coding";
    case 0xCE:
      return "Differential progressive, arithmetic coding";
    case 0xCF:
      return "Differential lossless, arithmetic coding";
    default:
      return "Unknown";
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
        break;
    }
  }
  return out;
}

std::string FormatInfo(const ImageInfo& info, InfoForm form) {
  Rows rows(form);
  if (!info.cameraMake.empty()) {
    rows.Add("Camera make", "Camera make  : ", info.cameraMake);
    rows.Add("Camera model", "Camera model : ", info.cameraModel);
  }
  if (!info.dateTime.empty()) rows.Add("Date/Time", "Date/Time    : ", info.dateTime);
  rows.Add("Resolution", "Resolution   : ", Int(info.width) + " x " + Int(info.height));
  if (info.orientation > 1) rows.Add("Orientation", "Orientation  : ", OrientationName(info.orientation));
  if (info.isColor == 0) rows.Add("Color/bw", "Color/bw     : ", "Black and white");
  if (info.flashUsed >= 0) rows.Add("Flash used", "Flash used   : ", info.flashUsed == 0 ? "No" : "Yes");
  if (info.focalLength != 0) {
    std::string value = Fixed(info.focalLength, 3, 1) + "mm";
    if (info.ccdWidth != 0) {
      const double equivalent = static_cast<double>(info.focalLength) / info.ccdWidth * 36 + 0.5;
      value += "  (35mm equivalent: " + Int(ToInt(equivalent)) + "mm)";
    }
    rows.Add("Focal length", "Focal length : ", value);
  }
  if (info.ccdWidth != 0) rows.Add("CCD width", "CCD width    : ", Fixed(info.ccdWidth, 4, 2) + "mm");
  if (info.exposureTime != 0) {
    const double t = info.exposureTime;
    std::string value = (t < 0.010 ? Fixed(t, 6, 4) : Fixed(t, 5, 3)) + " s ";
    if (t <= 0.5) value += " (1/" + Int(ToInt(1 / t + 0.5)) + ")";
    rows.Add("Exposure", "Exposure     : ", value);
  }
  if (info.apertureFNumber != 0) rows.Add("Aperture", "Aperture     : ", "f/" + Fixed(info.apertureFNumber, 3, 1));
  if (info.distance != 0)
    rows.Add("Focus dist.", "Focus dist.  : ", info.distance < 0 ? "Infinite" : Fixed(info.distance, 4, 2) + "m");
  if (info.isoEquivalent != 0) rows.Add("ISO equiv.", "ISO equiv.   : ", PadLeft(Int(info.isoEquivalent), 2));
  if (info.exposureBias != 0) rows.Add("Exposure bias", "Exposure bias:", Fixed(info.exposureBias, 4, 2));
  if (info.whitebalance != 0) rows.Add("Whitebalance", "Whitebalance : ", WhitebalanceName(info.whitebalance));
  if (const char* name = MeteringName(info.meteringMode)) rows.Add("Metering", "Metering     : ", name);
  if (const char* name = ExposureProgramName(info.exposureProgram)) rows.Add("Exposure", "Exposure     : ", name);
  rows.Add("Jpeg process", "Jpeg process : ", JpegProcessName(info.process));
  if (!info.comments.empty()) rows.AddComment(info.comments);
  return rows.Finish();
}

bool WriteExifPage(const std::filesystem::path& imagePath, const std::filesystem::path& pagePath,
                   std::string_view stylePrefix) {
  std::FILE* f = std::fopen(imagePath.c_str(), "rb");
  if (!f) return false;
  ExifReader reader;
  const bool read = reader.ReadSections(f, ImageData::Skip);
  struct stat st {};
  const bool haveStat = ::fstat(fileno(f), &st) == 0;
  std::fclose(f);

  std::string page;
  if (read) {
    std::tm date{};
    const std::time_t mtime = haveStat ? st.st_mtime : 0;
    gmtime_r(&mtime, &date);
    char line[256];
    page += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\n";
    page += "<html>\n";
    page += "<head><title>Exif</title><link rel=\"StyleSheet\" href=\"" + HtmlEscape(stylePrefix) +
            "../js/albumsmith.css\" type=\"text/css\"></head>\n";
    page += "<body style=\"background:#FFFFE7\">\n";
    page += "<div class=\"info\">\n<table border=0 cellspacing=0 cellpadding=1>\n";
    page += "<tr><td class=\"key\">File name</td><td>:</td><td class=\"val\">" +
            HtmlEscape(imagePath.filename().string()) + "</td></tr>\n";
    std::snprintf(line, sizeof line,
                  "<tr><td><span class=\"key\">File size</span></td><td>:</td><td><span class=\"val\">%ld "
                  "bytes</span></td></tr>\n",
                  haveStat ? static_cast<long>(st.st_size) : 0L);
    page += line;
    std::snprintf(line, sizeof line,
                  "<tr><td><span class=\"key\">File date</span></td><td>:</td><td><span "
                  "class=\"val\">%d:%02d:%02d %02d:%02d:%02d</span></td></tr>\n",
                  date.tm_year + 1900, date.tm_mon + 1, date.tm_mday, date.tm_hour, date.tm_min, date.tm_sec);
    page += line;
    page += FormatInfo(reader.info(), InfoForm::Html);
    page += "</table>\n</div>\n</body></html>\n";
  }
  if (!WriteFileAtomically(pagePath, page, std::nullopt, Flush::kNo)) return false;
  return read;
}

}  // namespace albumsmith
