#pragma once
// The program's own reduction of pictures: an area-averaging box filter in
// fixed point with 12 fraction bits, a vertical pass into a temporary row and
// a horizontal pass out of it. Its exact rounding decides what the derived
// files look like, so every reduction goes through it. Also the turning of a
// picture upright from its Exif orientation.

#include <cstdint>

#include "imaging/image_buffer.h"

namespace albumsmith {

enum class ResampleMode {
  FitWidth = 1,
  FitHeight = 2,
  FitLonger = 3,  // the width when width >= height, else the height
};

// Which side a reduction was fitted to; the other side follows the same factor.
enum class FitSide { Width, Height };

struct PictureSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const PictureSize&) const = default;
};

// The size Resample gives a picture of `source` size: the fitted side becomes
// `size`, the other truncate(side * factor + 0.999), at least 1. `side`, when
// given, receives the side that was fitted.
PictureSize FittedSize(PictureSize source, int size, ResampleMode mode, FitSide* side = nullptr);

// Makes `target` a copy of `source` reduced (or enlarged) to FittedSize, with
// the source's components. False for an empty source or a size below 1.
bool Resample(const ImageBuffer& source, ImageBuffer& target, int size, ResampleMode mode);

// The same filter with the target size given. The factor is the target's
// fitted side over the source's; used when the source is a DCT-scaled decode
// of a larger picture whose own size decided the target size. Rows or columns
// the factor does not reach repeat the last source row or column.
bool ResampleTo(const ImageBuffer& source, ImageBuffer& target, PictureSize size, FitSide side);

// Exif orientation 1..8; anything else counts as 1 (as stored).
bool SwapsSides(int orientation);
PictureSize UprightSize(PictureSize stored, int orientation);
// The picture as it is meant to be seen; `orientation` 1 (or invalid) gives a copy.
ImageBuffer Upright(const ImageBuffer& stored, int orientation);

}  // namespace albumsmith
