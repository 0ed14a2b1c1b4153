#pragma once
// The inline style element of every page ("__STYLE__"): fonts, sizes and
// colours of comments and dates, the thumbnails' border and shadow, and the
// size of the box that holds the medium image. The template's own style
// sheet is copied, not generated.

#include <string>

#include "store/profile_settings.h"

namespace albumsmith {

// A stored colour (red in the low byte, then green, then blue) as "#rrggbb"
// in lower-case hexadecimal.
std::string ColorText(int color);

// The room the border and the shadow take around the medium image: 2, plus
// twice the border width with the border on, plus the shadow width with the shadow on.
int BoxMargin(const ProfileSettings& settings);

// Whether a font name typed for the dates or the comments can go into a
// style rule as it is; if not, says so.
bool CheckFontName(const std::string& name);

// The style element: static pages, or the form index.php carries.
std::string StyleBlock(const ProfileSettings& settings, bool php);

// "border-width:0", or the solid border with its width and colour: PHP's
// $borderStyle and the PHP image style.
std::string BorderStyle(const ProfileSettings& settings);

}  // namespace albumsmith
