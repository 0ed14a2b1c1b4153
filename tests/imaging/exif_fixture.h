#pragma once
// Photos with a hand-made Exif block: an orientation tag in the first
// directory and a capture date in the Exif directory, in either byte order,
// plus optional comment and colour-profile sections.

#include <cstdint>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace albumsmith::test {

struct ExifFixture {
  int orientation = 0;  // 0: no orientation tag
  std::string date;     // "" for no capture date; else 19 characters
  bool motorola = false;
  int thumbnailOrientation = 0;  // 0: no second directory; else its orientation tag
  std::string comment;           // "" for no comment section
  std::string icc;               // "" for no colour profile section
};

// The Exif APP1 section (marker included).
inline std::string ExifSection(const ExifFixture& f) {
  std::string tiff;
  auto u16 = [&](unsigned v) {
    if (f.motorola) {
      tiff += static_cast<char>(v >> 8 & 0xFF);
      tiff += static_cast<char>(v & 0xFF);
    } else {
      tiff += static_cast<char>(v & 0xFF);
      tiff += static_cast<char>(v >> 8 & 0xFF);
    }
  };
  auto u32 = [&](unsigned v) {
    if (f.motorola) {
      u16(v >> 16);
      u16(v & 0xFFFF);
    } else {
      u16(v & 0xFFFF);
      u16(v >> 16);
    }
  };
  tiff += f.motorola ? "MM" : "II";
  u16(42);
  u32(8);
  const unsigned ifd0Count = (f.orientation ? 1 : 0) + (f.date.empty() ? 0 : 1);
  const unsigned exifIfd = 8 + 2 + 12 * ifd0Count + 4;
  // The thumbnail's directory comes last, after the Exif directory and its date.
  const unsigned ifd1 = exifIfd + (f.date.empty() ? 0 : 2 + 12 + 4 + 20);
  u16(ifd0Count);
  if (f.orientation) {
    u16(0x0112);
    u16(3);  // unsigned short
    u32(1);
    u16(static_cast<unsigned>(f.orientation));
    u16(0);
  }
  if (!f.date.empty()) {
    u16(0x8769);
    u16(4);  // unsigned long
    u32(1);
    u32(exifIfd);
  }
  u32(f.thumbnailOrientation ? ifd1 : 0);
  if (!f.date.empty()) {
    u16(1);
    u16(0x9003);
    u16(2);  // ASCII
    u32(20);
    u32(exifIfd + 2 + 12 + 4);
    u32(0);
    tiff += f.date.substr(0, 19);
    tiff.resize(tiff.size() + 20 - std::min<size_t>(19, f.date.size()), '\0');
  }
  if (f.thumbnailOrientation) {
    u16(1);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<unsigned>(f.thumbnailOrientation));
    u16(0);
    u32(0);
  }
  const std::string body = std::string("Exif\0\0", 6) + tiff;
  const size_t length = body.size() + 2;
  return std::string("\xFF\xE1", 2) + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + body;
}

inline std::string Section(char marker, const std::string& body) {
  const size_t length = body.size() + 2;
  return std::string("\xFF", 1) + marker + static_cast<char>(length >> 8) + static_cast<char>(length & 0xFF) + body;
}

// A JPEG file's bytes with the fixture's sections put right after its start.
inline std::string WithSections(const std::string& jpeg, const ExifFixture& f) {
  std::string out = jpeg.substr(0, 2);
  if (f.orientation || !f.date.empty()) out += ExifSection(f);
  if (!f.icc.empty()) out += Section('\xE2', std::string("ICC_PROFILE\0\x01\x01", 14) + f.icc);
  if (!f.comment.empty()) out += Section('\xFE', f.comment);
  return out + jpeg.substr(2);
}

inline void AddSections(const std::filesystem::path& file, const ExifFixture& f) {
  WriteText(file, WithSections(ReadText(file), f));
}

}  // namespace albumsmith::test
