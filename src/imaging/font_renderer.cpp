#include "imaging/font_renderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <tuple>

#include "platform/text.h"

namespace albumsmith {

namespace {

// A face as fontconfig chose it for one request, with what the face itself
// lacks of the request and has to be made up.
struct Face {
  FT_Face face = nullptr;
  bool emboldens = false;
  bool slants = false;
};

// FreeType faces are not safe to share between threads, and the image worker
// draws stamps on several: one lock serves the library, the faces and the
// cache. Drawing a line is a tiny part of making a medium image.
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library made = nullptr;
    if (FT_Init_FreeType(&made) != 0) return static_cast<FT_Library>(nullptr);
    return made;
  }();
  return library;
}

constexpr int kRegularWeight = 400;
constexpr int kBoldFrom = 600;

int OpenTypeWeight(int weight) { return weight <= 0 ? kRegularWeight : std::min(weight, 1000); }

std::optional<Face> Resolve(const StampFont& font) {
  using Key = std::tuple<std::string, int, bool>;
  static std::map<Key, Face> cache;
  const int weight = OpenTypeWeight(font.weight);
  const bool italic = font.italic != 0;
  const Key key{ToLower(font.faceName), weight, italic};
  if (auto it = cache.find(key); it != cache.end()) return it->second;

  FT_Library library = Library();
  if (!library || !FcInit()) return std::nullopt;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return std::nullopt;
  if (!font.faceName.empty())
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.faceName.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return std::nullopt;
  FcChar8* file = nullptr;
  int index = 0;
  std::string path;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) path = reinterpret_cast<char*>(file);
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternDestroy(match);
  if (path.empty()) return std::nullopt;

  Face made;
  if (FT_New_Face(library, path.c_str(), index, &made.face) != 0) return std::nullopt;
  if (!FT_IS_SCALABLE(made.face)) {
    FT_Done_Face(made.face);
    return std::nullopt;
  }
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(made.face, FT_SFNT_OS2));
  const bool faceBold = (made.face->style_flags & FT_STYLE_FLAG_BOLD) || (os2 && os2->usWeightClass >= kBoldFrom);
  made.emboldens = weight >= kBoldFrom && !faceBold;
  made.slants = italic && !(made.face->style_flags & FT_STYLE_FLAG_ITALIC);
  cache.emplace(key, made);
  return made;
}

// The line's metrics at the font's size, in whole pixels.
struct LineMetrics {
  int ascent = 0;
  int descent = 0;
  FT_Pos embolden = 0;  // 26.6
};

int RoundUnits(long units, int em, int unitsPerEm, bool up) {
  const double v = static_cast<double>(units) * em / unitsPerEm;
  return up ? static_cast<int>(std::ceil(v - 1e-6)) : static_cast<int>(std::lround(v));
}

bool SetSize(const Face& f, const StampFont& font, LineMetrics& m) {
  FT_Face face = f.face;
  const int upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  // The ascent and descent of the face as the platform's text layout takes
  // them: the OS/2 "win" values where the face has them.
  long ascentUnits = face->ascender;
  long descentUnits = -face->descender;
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascentUnits = os2->usWinAscent;
    descentUnits = os2->usWinDescent;
  }
  if (ascentUnits + descentUnits <= 0) return false;
  long long em;
  if (font.height < 0) {
    em = -static_cast<long long>(font.height);
  } else if (font.height > 0) {
    em = static_cast<long long>(font.height) * upem / (ascentUnits + descentUnits);
  } else {
    em = 16;  // the platform's default text size
  }
  if (em < 1 || em > kMaxStampFontPixels) return false;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) return false;
  const int e = static_cast<int>(em);
  m.ascent = RoundUnits(ascentUnits, e, upem, true);
  m.descent = RoundUnits(descentUnits, e, upem, false);
  m.embolden = f.emboldens ? std::max<FT_Pos>(FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24, 64) : 0;
  return m.ascent + m.descent > 0;
}

// UTF-8 into code points; a byte that does not start a valid sequence is
// taken as Latin-1, which is what a stamp file of an older release holds.
std::vector<char32_t> CodePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = length > 0 && i + static_cast<size_t>(length) <= s.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid) {
      out.push_back(b);
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<size_t>(length);
  }
  return out;
}

// Loads one glyph as an outline, made bolder or slanted as the face needs,
// hinted for one-bit output. Returns its advance in 26.6 (0 when it cannot
// be loaded: a character the face lacks entirely takes no room).
FT_Pos LoadGlyph(const Face& f, const LineMetrics& m, char32_t c) {
  FT_Face face = f.face;
  const FT_UInt glyph = FT_Get_Char_Index(face, c);
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0) return 0;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return slot->advance.x;
  if (m.embolden) {
    FT_Outline_Embolden(&slot->outline, m.embolden);
    slot->advance.x += m.embolden;
  }
  if (f.slants) {
    // The shear of a synthesised oblique: about 12 degrees.
    FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
    FT_Outline_Transform(&slot->outline, &shear);
  }
  return slot->advance.x;
}

// Lines the face defines for underline and strike-out, as rows from the top
// of the line.
struct Stroke {
  int top = 0;
  int rows = 0;
};

Stroke Underline(FT_Face face, const LineMetrics& m) {
  const FT_Fixed scale = face->size->metrics.y_scale;
  const int thickness = std::max(1, static_cast<int>((FT_MulFix(face->underline_thickness, scale) + 32) >> 6));
  const int below = static_cast<int>((-FT_MulFix(face->underline_position, scale) + 32) >> 6);
  return {m.ascent + std::max(below, 1) - thickness / 2, thickness};
}

Stroke StrikeOut(FT_Face face, const LineMetrics& m) {
  const FT_Fixed scale = face->size->metrics.y_scale;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
    const int thickness = std::max(1, static_cast<int>((FT_MulFix(os2->yStrikeoutSize, scale) + 32) >> 6));
    const int above = static_cast<int>((FT_MulFix(os2->yStrikeoutPosition, scale) + 32) >> 6);
    return {m.ascent - above, thickness};
  }
  const int thickness = Underline(face, m).rows;
  return {m.ascent - m.ascent / 3, thickness};
}

}  // namespace

bool MeasureText(const StampFont& font, std::string_view text, TextExtent& extent) {
  std::lock_guard lock(Lock());
  const std::optional<Face> face = Resolve(font);
  LineMetrics m;
  if (!face || !SetSize(*face, font, m)) return false;
  FT_Pos advance = 0;
  for (char32_t c : CodePoints(text)) advance += LoadGlyph(*face, m, c);
  extent.width = static_cast<int>((advance + 32) >> 6);
  extent.height = m.ascent + m.descent;
  return true;
}

bool RenderText(const StampFont& font, std::string_view text, TextExtent extent, TextClip clip, TextMask& mask) {
  clip.left = std::max(clip.left, 0);
  clip.top = std::max(clip.top, 0);
  clip.right = std::min(clip.right, extent.width);
  clip.bottom = std::min(clip.bottom, extent.height);
  mask.area = clip;
  mask.cells.clear();
  if (clip.empty()) return true;
  mask.cells.assign(static_cast<size_t>(clip.right - clip.left) * static_cast<size_t>(clip.bottom - clip.top), 0);

  std::lock_guard lock(Lock());
  const std::optional<Face> face = Resolve(font);
  LineMetrics m;
  if (!face || !SetSize(*face, font, m)) return false;
  auto set = [&](int x, int y) {
    if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) return;
    mask.cells[static_cast<size_t>(y - clip.top) * static_cast<size_t>(clip.right - clip.left) +
               static_cast<size_t>(x - clip.left)] = 1;
  };

  // A glyph's ink reaches at most about one em beyond its advance (slanted
  // or overhanging letters); glyphs further outside the clip are only
  // advanced over, not rendered.
  const int reach = static_cast<int>(face->face->size->metrics.x_ppem) + 2;
  FT_Pos pen = 0;
  for (char32_t c : CodePoints(text)) {
    const int penX = static_cast<int>(pen >> 6);
    if (penX - reach > clip.right) break;
    const FT_Pos advance = LoadGlyph(*face, m, c);
    const bool near = penX + static_cast<int>(advance >> 6) + reach >= clip.left;
    FT_GlyphSlot slot = face->face->glyph;
    if (near && slot->format == FT_GLYPH_FORMAT_OUTLINE && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
      const FT_Bitmap& bitmap = slot->bitmap;
      const int left = penX + slot->bitmap_left;
      const int top = m.ascent - slot->bitmap_top;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* bits = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col)
          if (bits[col >> 3] & (0x80 >> (col & 7))) set(left + static_cast<int>(col), top + static_cast<int>(row));
      }
    }
    pen += advance;
  }

  const int lineEnd = static_cast<int>((pen + 32) >> 6);
  auto stroke = [&](Stroke s) {
    for (int y = s.top; y < s.top + s.rows; ++y)
      for (int x = std::max(clip.left, 0); x < std::min(clip.right, lineEnd); ++x) set(x, y);
  };
  if (font.underline) stroke(Underline(face->face, m));
  if (font.strikeOut) stroke(StrikeOut(face->face, m));
  return true;
}

}  // namespace albumsmith
