#include "imaging/text_stamp.h"

#include <algorithm>
#include <cstring>

#include "imaging/font_renderer.h"

namespace albumsmith {

namespace {

constexpr int kMargin = 5;
constexpr int kBandExtra = 10;

// The picture as red-green-blue with `bandRows` black rows added above
// (`bandOnTop`) or below it. Returns an empty buffer when memory runs out.
ImageBuffer Prepared(const ImageBuffer& image, int bandRows, bool bandOnTop) {
  ImageBuffer out;
  if (!out.Allocate(image.width(), image.height() + bandRows, 3)) return out;
  const int firstPictureRow = bandOnTop ? bandRows : 0;
  for (int y = 0; y < out.height(); ++y) {
    uint8_t* to = out.row(y);
    const int source = y - firstPictureRow;
    if (source < 0 || source >= image.height()) {
      std::memset(to, 0, out.rowBytes());
      continue;
    }
    const uint8_t* from = image.row(source);
    if (image.components() == 3) {
      std::memcpy(to, from, out.rowBytes());
      continue;
    }
    for (int x = 0; x < image.width(); ++x, to += 3) to[0] = to[1] = to[2] = from[x];
  }
  return out;
}

}  // namespace

bool DrawStamp(ImageBuffer& image, const StampSettings& stamp) {
  if (image.empty() || !stamp.fontReadable) return false;
  if (image.components() != 1 && image.components() != 3) return false;
  TextExtent extent;
  if (!MeasureText(stamp.font, stamp.text, extent)) return false;
  const int h = extent.height;
  // A slanted line leans out to the right of its upright width.
  const int w = extent.width + (stamp.font.italic ? h / 6 : 0);

  const int position = stamp.EffectivePosition();
  const bool band = stamp.DrawsBand();
  const bool bandOnTop = position == kUpperLeft || position == kUpperRight;
  ImageBuffer picture = Prepared(image, band ? h + kBandExtra : 0, bandOnTop);
  if (picture.empty()) return false;
  const int W = picture.width();
  const int H = picture.height();  // with the band
  int x = kMargin, y = kMargin;
  switch (position) {
    case kUpperRight:
      x = W - w - kMargin;
      break;
    case kLowerLeft:
      y = H - h - kMargin;
      break;
    case kLowerRight:
      x = W - w - kMargin;
      y = H - h - kMargin;
      break;
    case kCenter:
      x = (W - w) / 2;
      y = (H - h) / 2;
      break;
    default:
      break;
  }

  // Only the part of the line that lands on the picture is rendered.
  const TextClip visible{std::max(0, -x), std::max(0, -y), std::min(w, W - x), std::min(h, H - y)};
  TextMask mask;
  if (!RenderText(stamp.font, stamp.text, {w, h}, visible, mask)) return false;

  const StampRgb text = StampColor(stamp.textColor);
  const StampRgb back = StampColor(stamp.bgColor);
  for (int ty = mask.area.top; ty < mask.area.bottom; ++ty) {
    uint8_t* p = picture.pixel(x + mask.area.left, y + ty);
    for (int tx = mask.area.left; tx < mask.area.right; ++tx, p += 3) {
      if (mask.at(tx, ty)) {
        p[0] = text.red;
        p[1] = text.green;
        p[2] = text.blue;
      } else if (stamp.background == kTransparentBackground) {
        p[0] = static_cast<uint8_t>((p[0] + back.red) / 2);
        p[1] = static_cast<uint8_t>((p[1] + back.green) / 2);
        p[2] = static_cast<uint8_t>((p[2] + back.blue) / 2);
      } else if (stamp.background == kOpaqueBackground) {
        p[0] = back.red;
        p[1] = back.green;
        p[2] = back.blue;
      }
    }
  }
  image = std::move(picture);
  return true;
}

bool DrawStamp(ImageBuffer& image, const std::string& stampFile) { return DrawStamp(image, ReadStamp(stampFile)); }

}  // namespace albumsmith
