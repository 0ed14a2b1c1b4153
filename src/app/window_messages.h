#pragma once
// What the main window does with each posted message, as a model of its
// status bar and ordering selector that the Qt window and the command line
// both render.

#include <string>

namespace albumsmith {

struct StatusBarState {
  std::string statusPane;     // first pane: the status text
  std::string clipboardPane;  // second pane: the clipboard indicator
  std::string progressPane;   // third pane: the percentage
  bool progressVisible = false;
  int progressMaximum = 1;
  int progressPosition = 0;
  int sortIndex = 0;
};

// maximum 0 counts as 1; position -1 hides the bar and clears the percentage;
// otherwise the bar shows and the third pane reads " %3d %%" of
// position * 100 / maximum.
void ApplyProgress(StatusBarState& state, int maximum, int position);
// A space, then the text.
void ApplyStatus(StatusBarState& state, const std::string& text);
// " Cut %d image(s)" / " Copy %d image(s)"; a count of 0 leaves only " ".
void ApplyClipboard(StatusBarState& state, bool isCut, int count);
void ApplySortSelector(StatusBarState& state, int index);

}  // namespace albumsmith
