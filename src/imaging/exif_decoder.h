#pragma once
// The TIFF structure inside an Exif block: its header, its image file
// directories and their entries, decoded into an image record. Finding the
// block among a JPEG file's sections is the reader's (exif_reader.h).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace albumsmith {

struct ImageInfo;

// The capture date value, "YYYY:MM:DD HH:MM:SS" and its terminator: what a
// rewrite puts in place of the camera's.
inline constexpr std::size_t kExifDateValueSize = 20;

class ExifDecoder {
 public:
  // Decodes an Exif APP1 section (its data, starting with the two length
  // bytes) into `info`. References into the section name `sectionIndex`;
  // with -1 they stay unset. `errorText` receives why the decoding stopped,
  // or a note about a value left out of a decoding that went on.
  bool Decode(std::span<const std::uint8_t> section, int sectionIndex, ImageInfo& info, std::string& errorText);

  // The larger of the Exif image width and height of the last block.
  int exifImageWidth() const { return exifImageWidth_; }
  // The byte order of the last block whose order mark was valid.
  bool motorolaOrder() const { return motorolaOrder_; }

 private:
  int exifImageWidth_ = 0;
  bool motorolaOrder_ = false;
};

}  // namespace albumsmith
