#pragma once
// Test photos with the statistics of camera pictures: smooth light falling
// across the frame, objects with hard edges, fine texture and sensor noise,
// encoded at quality 90 with an Exif block (orientation 1, a capture date)
// the way a camera writes it. Pictures that were all gradient would decode
// and encode far faster than real photos and flatter every figure.

#include <cstdint>
#include <string>

namespace albumsmith::bench {

// Writes a width x height photo; `seed` varies the content. False when the
// file cannot be written.
bool WritePhoto(const std::string& path, int32_t width, int32_t height, uint32_t seed, int quality = 90);

}  // namespace albumsmith::bench
