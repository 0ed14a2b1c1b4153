#include "imaging/resample.h"

#include <algorithm>
#include <vector>

namespace albumsmith {

namespace {

constexpr uint32_t kScale = 4096;  // 12 fraction bits
constexpr uint32_t kHalf = 2048;

// One source line's share of one target line, in 1/4096ths.
struct Share {
  int32_t source;
  uint32_t weight;
};

// Shares of every target line, flattened: line i uses shares[first[i] .. first[i + 1]).
struct ShareTable {
  std::vector<Share> shares;
  std::vector<size_t> first;
};

// The vertical pass walks the source rows with `rowLeft` (what is left of the
// current source row's weight) and fills each target row up to 4096. The
// walk depends on the row numbers only, so it is done once here and the
// pixels are summed afterwards; integer sums do not depend on their order, so
// the result is that of the row-by-row walk.
ShareTable VerticalShares(int32_t sourceRows, int32_t targetRows, uint32_t factor) {
  ShareTable t;
  t.first.reserve(static_cast<size_t>(targetRows) + 1);
  uint32_t rowLeft = factor;
  bool pending = true;  // the next source row must be read before use
  int32_t next = 0;
  int32_t current = 0;
  auto readPending = [&] {
    if (pending && next < sourceRows) {
      current = next++;
      pending = false;
    }
  };
  for (int32_t y = 0; y < targetRows; ++y) {
    t.first.push_back(t.shares.size());
    uint32_t toFill = kScale;
    while (rowLeft < toFill) {
      readPending();
      t.shares.push_back({current, rowLeft});
      toFill -= rowLeft;
      rowLeft = factor;
      pending = true;
    }
    readPending();
    t.shares.push_back({current, toFill});
    rowLeft -= toFill;
    if (rowLeft == 0) {
      rowLeft = factor;
      pending = true;
    }
  }
  t.first.push_back(t.shares.size());
  return t;
}

// The horizontal pass gives each source column the weight `factor` and pours
// it into target pixels of 4096 each. A last pixel left partly filled takes
// the rest from the last source column.
ShareTable HorizontalShares(int32_t sourceColumns, int32_t targetColumns, uint32_t factor) {
  std::vector<std::vector<Share>> perTarget(static_cast<size_t>(targetColumns));
  int32_t target = 0;
  // A pixel's shares come from consecutive columns, one share per column
  // (the pass over them relies on it): the padding from the last column
  // joins that column's share.
  auto add = [&](int32_t x, uint32_t weight) {
    if (target >= targetColumns) return;
    std::vector<Share>& shares = perTarget[static_cast<size_t>(target)];
    if (!shares.empty() && shares.back().source == x)
      shares.back().weight += weight;
    else
      shares.push_back({x, weight});
  };
  uint32_t toFill = kScale;
  bool needNew = false;
  int32_t stored = -1;  // the last target pixel that was completed
  for (int32_t x = 0; x < sourceColumns; ++x) {
    uint32_t weight = factor;
    while (weight >= toFill) {
      if (needNew) ++target;
      add(x, toFill);
      stored = target;
      weight -= toFill;
      needNew = true;
      toFill = kScale;
    }
    if (weight > 0) {
      if (needNew) {
        ++target;
        needNew = false;
      }
      add(x, weight);
      toFill -= weight;
    }
  }
  if (!needNew) {
    add(sourceColumns - 1, toFill);
    stored = target;
  }
  // A factor truncated to 1/4096 can fall short of the last pixels on very
  // wide sources; they repeat the last column rather than stay unset.
  for (int32_t x = std::max(stored + 1, 0); x < targetColumns; ++x)
    perTarget[static_cast<size_t>(x)].assign(1, Share{sourceColumns - 1, kScale});

  ShareTable t;
  for (auto& shares : perTarget) {
    t.first.push_back(t.shares.size());
    t.shares.insert(t.shares.end(), shares.begin(), shares.end());
  }
  t.first.push_back(t.shares.size());
  return t;
}

// The vertical pass over one target row, written in blocks of 16 samples so
// that the compiler turns each block into vector instructions even at -O2:
// the pass touches every sample of the decoded picture and is most of the
// filter's time.
constexpr size_t kBlock = 16;

void FirstShare(uint32_t* __restrict acc, const uint8_t* __restrict row, uint32_t weight, size_t n) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) acc[k + j] = kHalf + weight * row[k + j];
  for (; k < n; ++k) acc[k] = kHalf + weight * row[k];
}

void MiddleShare(uint32_t* __restrict acc, const uint8_t* __restrict row, uint32_t weight, size_t n) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) acc[k + j] += weight * row[k + j];
  for (; k < n; ++k) acc[k] += weight * row[k];
}

void LastShare(const uint32_t* __restrict acc, const uint8_t* __restrict row, uint32_t weight, uint8_t* __restrict out,
               size_t n) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) out[k + j] = static_cast<uint8_t>((acc[k + j] + weight * row[k + j]) / kScale);
  for (; k < n; ++k) out[k] = static_cast<uint8_t>((acc[k] + weight * row[k]) / kScale);
}

void OnlyShare(const uint8_t* __restrict row, uint32_t weight, uint8_t* __restrict out, size_t n) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) out[k + j] = static_cast<uint8_t>((kHalf + weight * row[k + j]) / kScale);
  for (; k < n; ++k) out[k] = static_cast<uint8_t>((kHalf + weight * row[k]) / kScale);
}

// The horizontal pass: each target pixel takes a run of consecutive source
// columns, so a run is its first column and its weights; the sums stay in
// registers.
template <int32_t C>
void HorizontalPass(const uint8_t* __restrict temp, uint8_t* __restrict out, const ShareTable& h,
                    int32_t targetColumns) {
  const Share* shares = h.shares.data();
  for (int32_t tx = 0; tx < targetColumns; ++tx) {
    const size_t begin = h.first[static_cast<size_t>(tx)], end = h.first[static_cast<size_t>(tx) + 1];
    const uint8_t* px = temp + static_cast<size_t>(shares[begin].source) * C;
    uint32_t a0 = kHalf, a1 = kHalf, a2 = kHalf;
    for (size_t i = begin; i < end; ++i, px += C) {
      const uint32_t w = shares[i].weight;
      a0 += w * px[0];
      if constexpr (C == 3) {
        a1 += w * px[1];
        a2 += w * px[2];
      }
    }
    *out++ = static_cast<uint8_t>(a0 / kScale);
    if constexpr (C == 3) {
      *out++ = static_cast<uint8_t>(a1 / kScale);
      *out++ = static_cast<uint8_t>(a2 / kScale);
    }
  }
}

// Any other number of components, for completeness; decoded pictures have 1 or 3.
void HorizontalPassAny(const uint8_t* temp, uint8_t* out, const ShareTable& h, int32_t targetColumns,
                       int32_t components) {
  for (int32_t tx = 0; tx < targetColumns; ++tx) {
    for (int32_t c = 0; c < components; ++c) {
      uint32_t acc = kHalf;
      for (size_t i = h.first[static_cast<size_t>(tx)]; i < h.first[static_cast<size_t>(tx) + 1]; ++i)
        acc += h.shares[i].weight * temp[static_cast<size_t>(h.shares[i].source) * static_cast<size_t>(components) + c];
      *out++ = static_cast<uint8_t>(acc / kScale);
    }
  }
}

uint32_t FixedFactor(double factor) {
  const double scaled = factor * kScale;
  if (scaled >= 4294967295.0) return 4294967295u;
  // Below 1/4096 the walk would never advance; one unit is the least it moves.
  return std::max<uint32_t>(1, static_cast<uint32_t>(scaled));
}

}  // namespace

PictureSize FittedSize(PictureSize source, int size, ResampleMode mode, FitSide* side) {
  FitSide fit = FitSide::Width;
  if (mode == ResampleMode::FitHeight || (mode == ResampleMode::FitLonger && source.width < source.height))
    fit = FitSide::Height;
  if (side) *side = fit;
  PictureSize result;
  if (fit == FitSide::Width) {
    const double factor = static_cast<double>(size) / source.width;
    result = {size, static_cast<int32_t>(source.height * factor + 0.999)};
  } else {
    const double factor = static_cast<double>(size) / source.height;
    result = {static_cast<int32_t>(source.width * factor + 0.999), size};
  }
  result.width = std::max(result.width, 1);
  result.height = std::max(result.height, 1);
  return result;
}

bool Resample(const ImageBuffer& source, ImageBuffer& target, int size, ResampleMode mode) {
  if (source.empty() || size < 1) return false;
  FitSide side;
  const PictureSize fitted = FittedSize({source.width(), source.height()}, size, mode, &side);
  return ResampleTo(source, target, fitted, side);
}

bool ResampleTo(const ImageBuffer& source, ImageBuffer& target, PictureSize size, FitSide side) {
  if (source.empty() || size.width < 1 || size.height < 1) return false;
  const double factor = side == FitSide::Width ? static_cast<double>(size.width) / source.width()
                                               : static_cast<double>(size.height) / source.height();
  const uint32_t fixed = FixedFactor(factor);
  const int32_t comps = source.components();
  if (comps < 1 || comps > 4 || !target.Allocate(size.width, size.height, comps)) return false;

  const ShareTable vertical = VerticalShares(source.height(), size.height, fixed);
  const ShareTable horizontal = HorizontalShares(source.width(), size.width, fixed);
  const size_t rowSamples = source.rowBytes();
  std::vector<uint32_t> acc(rowSamples);
  std::vector<uint8_t> temp(rowSamples);
  for (int32_t y = 0; y < size.height; ++y) {
    const size_t first = vertical.first[static_cast<size_t>(y)];
    const size_t last = vertical.first[static_cast<size_t>(y) + 1] - 1;
    auto rowOf = [&](size_t i) { return source.row(vertical.shares[i].source); };
    if (first == last) {
      OnlyShare(rowOf(first), vertical.shares[first].weight, temp.data(), rowSamples);
    } else {
      FirstShare(acc.data(), rowOf(first), vertical.shares[first].weight, rowSamples);
      for (size_t i = first + 1; i < last; ++i)
        MiddleShare(acc.data(), rowOf(i), vertical.shares[i].weight, rowSamples);
      LastShare(acc.data(), rowOf(last), vertical.shares[last].weight, temp.data(), rowSamples);
    }
    uint8_t* out = target.row(y);
    switch (comps) {
      case 1:
        HorizontalPass<1>(temp.data(), out, horizontal, size.width);
        break;
      case 3:
        HorizontalPass<3>(temp.data(), out, horizontal, size.width);
        break;
      default:
        HorizontalPassAny(temp.data(), out, horizontal, size.width, comps);
        break;
    }
  }
  return true;
}

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

PictureSize UprightSize(PictureSize stored, int orientation) {
  return SwapsSides(orientation) ? PictureSize{stored.height, stored.width} : stored;
}

ImageBuffer Upright(const ImageBuffer& stored, int orientation) {
  if (orientation < 2 || orientation > 8 || stored.empty()) return stored.Clone();
  const int32_t w = stored.width(), h = stored.height(), comps = stored.components();
  const PictureSize size = UprightSize({w, h}, orientation);
  ImageBuffer out;
  if (!out.Allocate(size.width, size.height, comps)) return out;
  // Where upright pixel (0, 0) comes from in the stored picture, and how far
  // the stored position moves (in pixels) for one step right and one step
  // down in the upright picture.
  int64_t x0 = 0, y0 = 0, xPerRight = 1, yPerRight = 0, xPerDown = 0, yPerDown = 1;
  switch (orientation) {
    case 2:
      x0 = w - 1;
      xPerRight = -1;
      break;  // mirrored
    case 3:
      x0 = w - 1;
      y0 = h - 1;
      xPerRight = -1;
      yPerDown = -1;
      break;  // upside down
    case 4:
      y0 = h - 1;
      yPerDown = -1;
      break;  // mirrored vertically
    case 5:
      xPerRight = 0;
      yPerRight = 1;
      xPerDown = 1;
      yPerDown = 0;
      break;  // transposed
    case 6:
      y0 = h - 1;
      xPerRight = 0;
      yPerRight = -1;
      xPerDown = 1;
      yPerDown = 0;
      break;  // turned left
    case 7:
      x0 = w - 1;
      y0 = h - 1;
      xPerRight = 0;
      yPerRight = -1;
      xPerDown = -1;
      yPerDown = 0;
      break;
    case 8:
      x0 = w - 1;
      xPerRight = 0;
      yPerRight = 1;
      xPerDown = -1;
      yPerDown = 0;
      break;  // turned right
  }
  const int64_t stepRight = (yPerRight * w + xPerRight) * comps;
  const int64_t stepDown = (yPerDown * w + xPerDown) * comps;
  const uint8_t* base = stored.data();
  int64_t rowStart = (y0 * w + x0) * comps;
  for (int32_t y = 0; y < size.height; ++y, rowStart += stepDown) {
    uint8_t* dst = out.row(y);
    int64_t at = rowStart;
    for (int32_t x = 0; x < size.width; ++x, at += stepRight, dst += comps)
      std::copy(base + at, base + at + comps, dst);
  }
  return out;
}

}  // namespace albumsmith
