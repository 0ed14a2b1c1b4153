#pragma once
// The floor the program is measured against: the least work that turns a
// photo into its two derived JPEG files with libjpeg-turbo, and nothing else.
// One decode at the DCT scale the program chooses, one encode of the medium
// image and one of the thumbnail with the library's defaults (what the
// program's files are). The pictures encoded are the program's own, made
// beforehand outside the timing, so the encoder sees exactly the same
// content; buffers are reused from photo to photo.

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_buffer.h"

namespace albumsmith::bench {

class Floor {
 public:
  // Decodes at scaleNumerator / 8 into a reused buffer, then encodes both
  // pictures to files. False on any library error.
  bool Run(const std::string& photo, int scaleNumerator, const ImageBuffer& medium, const ImageBuffer& thumbnail,
           const std::string& mediumOut, const std::string& thumbnailOut);

 private:
  std::vector<uint8_t> decoded_;
};

}  // namespace albumsmith::bench
