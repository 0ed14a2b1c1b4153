#pragma once
// The text stamp of one image: the "N.tag" file beside image N, a small INI
// file with one section "parameters". The font is kept as the ten-plus
// fields of a logical font record, so that files written by earlier releases
// (and by hand) keep their meaning.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace albumsmith {

inline constexpr std::string_view kStampSection = "parameters";
inline constexpr std::string_view kStampExtension = ".tag";
// Text values are read with this limit, so a longer text is cut there.
inline constexpr size_t kStampTextLimit = 254;

// The logical font fields in the order the file stores them. A negative
// height is the character height in pixels (the em size), a positive one the
// height of the whole cell; 0 takes a default size.
struct StampFont {
  int height = -29;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 700;
  int italic = 0;
  int underline = 0;
  int strikeOut = 0;
  int charSet = 0;
  int outPrecision = 3;
  int clipPrecision = 2;
  int quality = 1;
  int pitchAndFamily = 34;
  std::string faceName = "Arial";

  bool operator==(const StampFont&) const = default;
};

// "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%s".
std::string FormatStampFont(const StampFont& font);
// Thirteen integers and the face name (everything after the thirteenth comma,
// so a face name may hold spaces and commas). Nothing for any other text.
std::optional<StampFont> ParseStampFont(std::string_view text);

// Fonts above this size (in pixels of character height) cannot be drawn: no
// picture of the album is large enough to show a line of them.
inline constexpr int kMaxStampFontPixels = 2000;

enum StampPosition { kUpperLeft = 0, kUpperRight = 1, kLowerLeft = 2, kLowerRight = 3, kCenter = 4 };
enum StampBackground { kNoBackground = 0, kTransparentBackground = 1, kOpaqueBackground = 2 };

struct StampSettings {
  StampFont font;
  // False when the file's font text is not a font record; such a stamp
  // cannot be drawn (the dialog starts from the default font instead).
  bool fontReadable = true;
  std::string text = "Tag information";
  int textColor = 65535;  // index into the 16-colour table; any other value is black
  int bgColor = 65535;
  int position = kLowerRight;
  int tag = 0;
  int background = kNoBackground;
  int external = 0;
  // Only written (by the dialog, from the measured text); read back for the
  // room an external stamp takes before the picture is reduced.
  int boxHeight = 0;
  int boxWidth = 0;

  // 0 to 4; any other stored value stands for the upper left corner.
  int EffectivePosition() const { return position >= kUpperLeft && position <= kCenter ? position : kUpperLeft; }
  // An external stamp takes a band of its own above or below the picture;
  // in the centre it cannot.
  bool DrawsBand() const { return external != 0 && EffectivePosition() != kCenter; }
};

struct StampRgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const StampRgb&) const = default;
};
inline constexpr int kStampColorCount = 16;
// The colour of a table index; an index outside 0 to 15 gives black.
StampRgb StampColor(int index);

// The stamp file of an image: image path + ".tag".
std::string StampFileOf(const std::string& imagePath);

// The file's values, each key that is missing (or the whole file) taking its
// default. Text values are cut to kStampTextLimit bytes (at a character
// boundary).
StampSettings ReadStamp(const std::string& path);
// Writes the ten keys in their order, replacing the section; other sections
// stay. False when the file cannot be written or the text holds a line break.
Status WriteStamp(const std::string& path, const StampSettings& stamp, int boxWidth, int boxHeight);
// True when the file has a "parameters" section whose `tag` is non-zero.
bool StampWanted(const std::string& path);

// The rows an image's stamp takes from the medium box before the picture is
// reduced: the stored box height + 10 for a wanted external stamp, else 0.
// Kept between 0 and 599 so that a garbled file cannot leave the picture
// without room.
int StampBandOf(const std::string& stampPath);

// `text` cut to at most `limit` bytes without splitting a UTF-8 character.
std::string CutText(std::string_view text, size_t limit);

}  // namespace albumsmith
