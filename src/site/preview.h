#pragma once
// The preview window's rules that do not need a window: which screen widths
// can be chosen on a screen, where the window goes, which choice a size
// matches, and the temporary page of the HTML preview. The pages of the
// album preview are written by WritePreview (site_writer.h).

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace albumsmith {

struct PreviewSize {
  int width;
  int height;
};
// The "Screen width" choices, in the order of their buttons.
inline constexpr std::array<PreviewSize, 4> kPreviewSizes = {{{800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}}};

enum class PreviewMode { Album, Html };

struct PreviewChoices {
  std::array<bool, kPreviewSizes.size()> enabled{};
  int chosen = 0;  // index into kPreviewSizes
};
// A choice wider than the screen is disabled; the default (1024 for the
// album, 800 for a piece of HTML) falls back to 800 when it is disabled.
PreviewChoices PreviewChoicesFor(int screenWidth, PreviewMode mode);

// The choice whose size is exactly width x height, or -1.
int PreviewChoiceForSize(int width, int height);

struct PreviewPlacement {
  int x;
  int y;
  int width;
  int height;
};
// The window at a choice's size, centred on the screen's area.
PreviewPlacement CentredPreview(int choice, int screenX, int screenY, int screenWidth, int screenHeight);

// HTML mode: the text as HtmlPreviewText makes it, written to a new file of
// the system's temporary directory. Nothing (with the system's error text
// shown) when it cannot be written.
std::optional<std::string> WriteHtmlPreviewFile(std::string_view html);
// Deleting that file when the window closes; "Cannot delete temporary file
// %s" when it cannot go. A file already gone counts as deleted.
bool DeleteHtmlPreviewFile(const std::string& path);

}  // namespace albumsmith
