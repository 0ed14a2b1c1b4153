#include "imaging/derived_images.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include "platform/unique_fd.h"

namespace albumsmith {

namespace {

bool SourceIsSameOrLater(const struct stat& source, const struct stat& derived) {
  if (source.st_mtim.tv_sec != derived.st_mtim.tv_sec) return source.st_mtim.tv_sec > derived.st_mtim.tv_sec;
  return source.st_mtim.tv_nsec >= derived.st_mtim.tv_nsec;
}

FitSide Other(FitSide side) { return side == FitSide::Width ? FitSide::Height : FitSide::Width; }

}  // namespace

MediumFit MediumFitFor(PictureSize upright, int stampBand) {
  const int boxHeight = kMediumHeight - stampBand;
  const long long limit = static_cast<long long>(boxHeight) * 1000 / kMediumWidth;
  const long long ratio = static_cast<long long>(upright.height) * 1000 / std::max(upright.width, 1);
  if (ratio >= limit) return {boxHeight, ResampleMode::FitHeight};
  return {kMediumWidth, ResampleMode::FitWidth};
}

PictureSize MediumSize(PictureSize upright, int stampBand) {
  const MediumFit fit = MediumFitFor(upright, stampBand);
  return FittedSize(upright, fit.size, fit.mode);
}

PictureSize ThumbnailSize(PictureSize upright, int maxThumbSize) {
  return FittedSize(upright, maxThumbSize, ResampleMode::FitLonger);
}

bool IsOlderThanSource(const std::string& source, const std::string& derived) {
  struct stat s, d;
  if (::stat(derived.c_str(), &d) != 0 || ::stat(source.c_str(), &s) != 0) return true;
  return SourceIsSameOrLater(s, d);
}

bool IsUpToDateJpeg(const std::string& source, const std::string& derived) {
  const UniqueFd fd(::open(derived.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  unsigned char magic[2] = {0, 0};
  struct stat d;
  const bool jpeg =
      ::read(fd.get(), magic, 2) == 2 && magic[0] == 0xFF && magic[1] == 0xD8 && ::fstat(fd.get(), &d) == 0;
  struct stat s;
  if (!jpeg || ::stat(source.c_str(), &s) != 0) return false;
  return !SourceIsSameOrLater(s, d);
}

bool DecodedPhoto::Load(const std::string& path, const DerivedRequest& request, ImagingNotices& notices) {
  orientation_ = request.orientation >= 1 && request.orientation <= 8 ? request.orientation : 1;
  const int orientation = orientation_;
  const DecodeNeedFn need = [&](int32_t width, int32_t height) {
    const PictureSize upright = UprightSize({width, height}, orientation);
    PictureSize wanted{1, 1};
    auto cover = [&](PictureSize uprightTarget) {
      const PictureSize stored = UprightSize(uprightTarget, orientation);
      wanted.width = std::max(wanted.width, stored.width);
      wanted.height = std::max(wanted.height, stored.height);
    };
    if (request.medium) cover(MediumSize(upright, request.stampBand));
    if (request.thumbnail) cover(ThumbnailSize(upright, request.maxThumbSize));
    return DecodeNeed{wanted.width, wanted.height};
  };
  return LoadJpegScaled(path, picture_, need, fileSize_.width, fileSize_.height, notices);
}

ImageBuffer DecodedPhoto::Fitted(PictureSize uprightTarget, FitSide uprightSide) const {
  // Reduce first and turn afterwards: turning the small result costs next to
  // nothing, turning the decoded picture would cost a pass over megabytes.
  const bool swaps = SwapsSides(orientation_);
  ImageBuffer stored;
  if (!ResampleTo(picture_, stored, UprightSize(uprightTarget, orientation_), swaps ? Other(uprightSide) : uprightSide))
    return stored;
  if (orientation_ <= 1) return stored;
  return Upright(stored, orientation_);
}

ImageBuffer DecodedPhoto::Medium(int stampBand) const {
  const MediumFit fit = MediumFitFor(uprightSize(), stampBand);
  FitSide side;
  const PictureSize size = FittedSize(uprightSize(), fit.size, fit.mode, &side);
  return Fitted(size, side);
}

ImageBuffer DecodedPhoto::Thumbnail(int maxThumbSize) const {
  FitSide side;
  const PictureSize size = FittedSize(uprightSize(), maxThumbSize, ResampleMode::FitLonger, &side);
  return Fitted(size, side);
}

}  // namespace albumsmith
