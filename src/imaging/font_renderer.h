#pragma once
// Text in a stamp font, measured and rendered as one line of one-bit pixels.
// This is the one place that talks to FreeType and fontconfig: the face name
// of the font record is resolved through fontconfig, so "Arial" finds a face
// with the same metrics (Liberation Sans) where Arial itself is missing.

#include <cstdint>
#include <string_view>
#include <vector>

#include "imaging/stamp_file.h"

namespace albumsmith {

struct TextExtent {
  int width = 0;   // the sum of the characters' advances
  int height = 0;  // ascent + descent of the font
};

// A rectangle in the line's own coordinates; right and bottom exclusive.
struct TextClip {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

// The part `area` of a rendered line, 1 where the text is. Only that part is
// kept, so a line far larger than the picture it goes on costs nothing.
struct TextMask {
  TextClip area;
  std::vector<uint8_t> cells;  // row by row, area.right - area.left a row
  bool at(int x, int y) const {
    const size_t row = static_cast<size_t>(area.right - area.left);
    return cells[static_cast<size_t>(y - area.top) * row + static_cast<size_t>(x - area.left)] != 0;
  }
};

// False when no face can be found for the font or its size is out of range.
bool MeasureText(const StampFont& font, std::string_view text, TextExtent& extent);

// Renders `text` as a line of `extent` (as MeasureText gave it, widened for
// italics by the caller), its baseline at the font's ascent, keeping the part
// of it inside `clip` (cut to the line).
bool RenderText(const StampFont& font, std::string_view text, TextExtent extent, TextClip clip, TextMask& mask);

}  // namespace albumsmith
