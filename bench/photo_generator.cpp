#include "photo_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace albumsmith::bench {

namespace {

struct Random {
  uint64_t state;
  uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 16);
  }
  double Unit() { return (Next() & 0xFFFFFF) / double(0x1000000); }
};

struct Shape {
  bool round;
  double cx, cy, rx, ry;  // centre and half sizes, in pixels
  int offset[3];          // colour change inside
};

// A minimal little-endian Exif block: orientation 1 and a capture date.
std::vector<JOCTET> ExifBlock() {
  std::vector<JOCTET> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  auto u16 = [&](unsigned v) {
    b.push_back(static_cast<JOCTET>(v & 0xFF));
    b.push_back(static_cast<JOCTET>(v >> 8));
  };
  auto u32 = [&](unsigned v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  u16(2);  // IFD0 at 8: two entries
  u16(0x0112);
  u16(3);
  u32(1);
  u16(1);
  u16(0);  // orientation = 1
  u16(0x8769);
  u16(4);
  u32(1);
  u32(38);  // Exif IFD at 38
  u32(0);
  u16(1);  // Exif IFD: one entry
  u16(0x9003);
  u16(2);
  u32(20);
  u32(56);  // date of capture at 56
  u32(0);
  for (char c : std::string("2023:06:15 13:45:30")) b.push_back(static_cast<JOCTET>(c));
  b.push_back(0);
  return b;
}

}  // namespace

bool WritePhoto(const std::string& path, int32_t width, int32_t height, uint32_t seed, int quality) {
  Random rng{0x9E3779B97F4A7C15ull ^ (uint64_t{seed} * 0x100000001B3ull) ^ 1};
  for (int i = 0; i < 10; ++i) rng.Next();

  // Light: per channel, a slow wave across and one down the frame.
  std::vector<float> across(static_cast<size_t>(width) * 3), down(static_cast<size_t>(height) * 3);
  for (int c = 0; c < 3; ++c) {
    const double fx = 1 + 3 * rng.Unit(), px = 6.28 * rng.Unit(), fy = 1 + 2 * rng.Unit(), py = 6.28 * rng.Unit();
    for (int32_t x = 0; x < width; ++x)
      across[static_cast<size_t>(x) * 3 + c] = static_cast<float>(45 * std::sin(6.2832 * fx * x / width + px));
    for (int32_t y = 0; y < height; ++y)
      down[static_cast<size_t>(y) * 3 + c] = static_cast<float>(40 * std::sin(6.2832 * fy * y / height + py));
  }
  // Texture: foliage-like detail a few pixels across, strongest in some areas.
  std::vector<float> texX(static_cast<size_t>(width)), texY(static_cast<size_t>(height));
  for (int32_t x = 0; x < width; ++x)
    texX[static_cast<size_t>(x)] = static_cast<float>(std::sin(x * 0.9) + 0.6 * std::sin(x * 0.31));
  for (int32_t y = 0; y < height; ++y)
    texY[static_cast<size_t>(y)] = static_cast<float>(std::sin(y * 0.77) + 0.6 * std::sin(y * 0.23));
  std::vector<Shape> shapes(70);
  for (Shape& s : shapes) {
    s.round = rng.Next() & 1;
    s.cx = rng.Unit() * width;
    s.cy = rng.Unit() * height;
    s.rx = (0.02 + 0.15 * rng.Unit()) * width;
    s.ry = (0.02 + 0.15 * rng.Unit()) * height;
    for (int& o : s.offset) o = static_cast<int>(rng.Next() % 121) - 60;
  }

  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.write_JFIF_header = FALSE;  // cameras write Exif instead
  jpeg_start_compress(&cinfo, TRUE);
  const std::vector<JOCTET> exif = ExifBlock();
  jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));

  std::vector<int> offsetRow(static_cast<size_t>(width) * 3);
  std::vector<JSAMPLE> row(static_cast<size_t>(width) * 3);
  for (int32_t y = 0; y < height; ++y) {
    std::fill(offsetRow.begin(), offsetRow.end(), 0);
    for (const Shape& s : shapes) {
      const double dy = (y - s.cy) / s.ry;
      if (dy < -1 || dy > 1) continue;
      const double half = s.round ? s.rx * std::sqrt(1 - dy * dy) : s.rx;
      const int32_t x0 = std::max<int32_t>(0, static_cast<int32_t>(s.cx - half));
      const int32_t x1 = std::min<int32_t>(width, static_cast<int32_t>(s.cx + half));
      for (int32_t x = x0; x < x1; ++x)
        for (int c = 0; c < 3; ++c) offsetRow[static_cast<size_t>(x) * 3 + c] += s.offset[c];
    }
    const float ty = texY[static_cast<size_t>(y)];
    const float texAmp = 10 + 8 * static_cast<float>(std::sin(y * 0.003));
    for (int32_t x = 0; x < width; ++x) {
      const float tex = texAmp * texX[static_cast<size_t>(x)] * ty;
      for (int c = 0; c < 3; ++c) {
        const size_t i = static_cast<size_t>(x) * 3 + c;
        const int noise = static_cast<int>(rng.Next() % 13) + static_cast<int>(rng.Next() % 13) - 12;
        const float light = across[i] + down[static_cast<size_t>(y) * 3 + c];
        const int v = 128 + static_cast<int>(light + tex) + offsetRow[i] + noise;
        row[i] = static_cast<JSAMPLE>(std::clamp(v, 0, 255));
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

}  // namespace albumsmith::bench
