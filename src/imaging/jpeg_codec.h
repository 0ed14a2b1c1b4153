#pragma once
// Decoding and encoding of JPEG files with libjpeg-turbo. This is the one
// place that talks to the library: its longjmp error handling is caught here
// and turned into a false result, so no library error crosses into the rest
// of the program.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "imaging/image_buffer.h"

namespace albumsmith {

// Where the messages of the imaging operations go. The default shows each at
// once (exclamation icon, OK) through the current Prompter; the image worker
// collects them per image instead, so that images made in parallel still
// report in the order of the list.
class ImagingNotices {
 public:
  virtual ~ImagingNotices() = default;
  virtual void Exclamation(const std::string& text) = 0;
};
ImagingNotices& ShowNoticesAtOnce();

// True when the file opens and begins with the bytes FF D8.
bool IsJpegFile(const std::string& path);

// Decodes a JPEG file into `image` (1 component for greyscale, 3 for colour;
// CMYK and YCCK files come out as RGB). A file that cannot be opened shows
// "Cannot open file %s"; a file that is not a JPEG, a decoding error or a file
// that ends before its image data does return false without a message. A
// picture of more than 30,000 pixels a side or 250 megapixels is refused with
// a message before anything is allocated for it. Progressive files, which
// need a buffer as large as the whole picture, take turns when several
// threads decode them at once.
// With `reduce`, the picture is scaled down by the largest of 1/8, 1/4, 1/2
// that still leaves one side above 100 pixels.
bool LoadJpeg(const std::string& path, ImageBuffer& image, bool reduce, ImagingNotices& notices = ShowNoticesAtOnce());

// The smallest size, as stored in the file, that a caller needs from a
// decoded picture; asked once the file's own size is known.
struct DecodeNeed {
  int32_t minWidth = 0;
  int32_t minHeight = 0;
};
using DecodeNeedFn = std::function<DecodeNeed(int32_t fileWidth, int32_t fileHeight)>;

// Like LoadJpeg, but decodes at the smallest of the library's scales M/8
// (M = 1..8) whose output is at least as large as `need` asks; the DCT does
// the coarse reduction far more cheaply than decoding every pixel and
// averaging them away afterwards. `fileWidth` / `fileHeight` receive the
// full-scale size.
bool LoadJpegScaled(const std::string& path, ImageBuffer& image, const DecodeNeedFn& need, int32_t& fileWidth,
                    int32_t& fileHeight, ImagingNotices& notices = ShowNoticesAtOnce());

// Encodes a 1- or 3-component image with the library's default settings. The
// file is written under a temporary name beside `path` and renamed over it,
// so a crash never leaves half a JPEG carrying a fresh time stamp (which the
// next pass would take for an up-to-date file). A file that cannot be
// created shows "Cannot open file %s".
bool SaveJpeg(const std::string& path, const ImageBuffer& image, ImagingNotices& notices = ShowNoticesAtOnce());

// The eight lossless turns and mirrors of a JPEG picture, in the order the
// library numbers them. Rotations are clockwise; a transpose mirrors along
// the top-left to bottom-right diagonal, a transverse along the other one.
enum class LosslessOp : int {
  kNone = 0,
  kFlipHorizontal,
  kFlipVertical,
  kTranspose,
  kTransverse,
  kRotate90,
  kRotate180,
  kRotate270,
};

// Applies `op` to the DCT coefficients of a JPEG file held in `jpeg`, so the
// picture never passes through pixels and keeps its quality. Edge blocks
// that do not fill a whole coding unit cannot be moved inside the picture
// losslessly; the operation trims them off instead of leaving a strip of
// displaced blocks along the edge (at most 15 pixels of a side). `out`
// receives a complete JPEG file that carries none of the source's
// application or comment sections. False with `error` set when the data is
// not a JPEG the library can transform.
bool TransformJpegData(std::span<const std::uint8_t> jpeg, LosslessOp op, std::vector<std::uint8_t>& out,
                       std::string& error);

// How many decodes have been started in this process (LoadJpeg and
// LoadJpegScaled), so that tests can tell an up-to-date image was not decoded.
uint64_t JpegDecodeCount();

}  // namespace albumsmith
