#pragma once
// Pictures and JPEG files made on the spot for the imaging and album tests,
// and a way to read a derived file back.

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "imaging/image_buffer.h"
#include "imaging/jpeg_codec.h"

namespace albumsmith::test {

// A picture of one value in every sample.
inline ImageBuffer FilledPicture(int width, int height, int components, uint8_t value) {
  ImageBuffer p;
  p.Allocate(width, height, components);
  std::fill(p.data(), p.data() + p.size(), value);
  return p;
}

// Smooth ramps in each component: JPEG keeps them well, so a decoded sample
// stays close to the one encoded.
inline ImageBuffer RampPicture(int32_t width, int32_t height, int32_t components) {
  ImageBuffer p;
  p.Allocate(width, height, components);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t c = 0; c < components; ++c)
        p.pixel(x, y)[c] = static_cast<uint8_t>(c == 0   ? x * 255 / std::max(width - 1, 1)
                                                : c == 1 ? y * 255 / std::max(height - 1, 1)
                                                         : 128);
  return p;
}

inline void WriteRampJpeg(const std::filesystem::path& path, int32_t width, int32_t height, int32_t components = 3) {
  std::filesystem::create_directories(path.parent_path());
  ASSERT_TRUE(SaveJpeg(path.string(), RampPicture(width, height, components))) << path;
}

struct DecodedFile {
  bool ok = false;
  ImageBuffer picture;
};
inline DecodedFile Decode(const std::filesystem::path& path) {
  DecodedFile d;
  d.ok = LoadJpeg(path.string(), d.picture, false);
  return d;
}

// Sets a file's last-write time `seconds` away from now.
inline void SetAge(const std::filesystem::path& path, int seconds) {
  // Ages count from one moment that holds for a few seconds, in whole
  // seconds, so that two files given the same age have the same time even
  // when a busy machine lets the clock pass a second between the two calls.
  static std::time_t anchor = 0;
  const std::time_t now = std::time(nullptr);
  if (now < anchor || now - anchor >= 10) anchor = now;
  struct timespec times[2];
  times[0].tv_sec = anchor + seconds;
  times[0].tv_nsec = 0;
  times[1] = times[0];
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// The mean of the absolute differences of two pictures of the same size.
inline double MeanDifference(const ImageBuffer& a, const ImageBuffer& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.components() != b.components()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a.data()[i]) - int(b.data()[i]));
  return sum / static_cast<double>(a.size());
}

}  // namespace albumsmith::test
