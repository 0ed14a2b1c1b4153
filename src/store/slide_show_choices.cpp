#include "store/slide_show_choices.h"

#include <algorithm>

namespace albumsmith {

namespace {
constexpr int kFallbackDelayRow = 2;  // "3"
constexpr int kDelayWhenNoneChosen = 5;
}  // namespace

int DelayRowFor(int delay) {
  auto it = std::find(kSlideDelays.begin(), kSlideDelays.end(), delay);
  return it == kSlideDelays.end() ? kFallbackDelayRow : static_cast<int>(it - kSlideDelays.begin());
}

int DelayForRow(int row) {
  if (row < 0 || row >= static_cast<int>(kSlideDelays.size())) return kDelayWhenNoneChosen;
  return kSlideDelays[static_cast<size_t>(row)];
}

int TransitionRowFor(int index) {
  return index >= 0 && index < static_cast<int>(kSlideTransitions.size()) ? index : -1;
}

int TransitionForRow(int row) { return row >= 0 && row < static_cast<int>(kSlideTransitions.size()) ? row : 0; }

}  // namespace albumsmith
