#include "app/window_messages.h"

#include "platform/format.h"
#include "platform/strings.h"

namespace albumsmith {

void ApplyProgress(StatusBarState& state, int maximum, int position) {
  if (maximum == 0) maximum = 1;
  if (position == -1) {
    state.progressVisible = false;
    state.progressPane.clear();
    return;
  }
  state.progressVisible = true;
  state.progressMaximum = maximum;
  state.progressPosition = position;
  const long long percent = static_cast<long long>(position) * 100 / maximum;
  state.progressPane = Fmt(" %3d %%", {percent});
}

void ApplyStatus(StatusBarState& state, const std::string& text) { state.statusPane = " " + text; }

void ApplyClipboard(StatusBarState& state, bool isCut, int count) {
  state.clipboardPane = " ";
  if (count != 0)
    state.clipboardPane += FormatString(isCut ? TextId::kCutImagesPane : TextId::kCopyImagesPane, {count});
}

void ApplySortSelector(StatusBarState& state, int index) { state.sortIndex = index; }

}  // namespace albumsmith
