#pragma once
// The rules of the derived images of a photo (the medium image for the slide
// show and the thumbnail): their sizes, when an existing one is up to date,
// and how both are made from one decode of the photo.

#include <string>

#include "imaging/image_buffer.h"
#include "imaging/jpeg_codec.h"
#include "imaging/resample.h"

namespace albumsmith {

inline constexpr int kMediumWidth = 800;
inline constexpr int kMediumHeight = 600;

// The medium box is 800 x (600 - stampBand); `stampBand` is the height a text
// stamp drawn outside the picture takes (0 without one). A picture at least
// as tall, in proportion, as the box is fitted to its height, any other to
// its width. Sizes are those of the upright picture.
struct MediumFit {
  int size = kMediumWidth;
  ResampleMode mode = ResampleMode::FitWidth;
};
MediumFit MediumFitFor(PictureSize upright, int stampBand);
PictureSize MediumSize(PictureSize upright, int stampBand);
// The longer side becomes maxThumbSize.
PictureSize ThumbnailSize(PictureSize upright, int maxThumbSize);

// True when either file is missing or the source was last written at the
// same time as the derived file or later: only a strictly newer derived file
// is up to date.
bool IsOlderThanSource(const std::string& source, const std::string& derived);

// A derived JPEG that may be kept as it is: a valid JPEG strictly newer than
// its source. Checked with one open of the derived file.
bool IsUpToDateJpeg(const std::string& source, const std::string& derived);

// What is to be made of one photo.
struct DerivedRequest {
  bool medium = false;
  int stampBand = 0;
  bool thumbnail = false;
  int maxThumbSize = 100;
  int orientation = 1;  // Exif orientation of the photo; 0 or 1 = as stored
};

// A photo decoded once for all the derived images a request asks for, at
// the smallest DCT scale that still covers the largest of them in both
// directions, so that the box filter works on the fewest pixels that give
// the same sizes.
class DecodedPhoto {
 public:
  bool Load(const std::string& path, const DerivedRequest& request, ImagingNotices& notices = ShowNoticesAtOnce());

  // Upright and exactly of MediumSize / ThumbnailSize of the full-scale
  // upright picture. Empty when memory runs out.
  ImageBuffer Medium(int stampBand) const;
  ImageBuffer Thumbnail(int maxThumbSize) const;

  const ImageBuffer& picture() const { return picture_; }  // as stored, DCT-scaled
  PictureSize fileSize() const { return fileSize_; }       // as stored, full scale
  PictureSize uprightSize() const { return UprightSize(fileSize_, orientation_); }

 private:
  ImageBuffer Fitted(PictureSize uprightTarget, FitSide uprightSide) const;

  ImageBuffer picture_;
  PictureSize fileSize_;
  int orientation_ = 1;
};

}  // namespace albumsmith
