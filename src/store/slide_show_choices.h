#pragma once
// The choices the "Profile default properties" dialog offers for the slide
// show, and how a choice is stored in the profile. Kept together so that the
// lists and their stored values cannot drift apart.

#include <array>
#include <string_view>

#include "platform/text_id.h"

namespace albumsmith {

// Seconds between images, in list order.
inline constexpr std::array<int, 9> kSlideDelays = {1, 2, 3, 5, 7, 10, 20, 30, 50};
// Transition effects; the profile stores the index.
inline constexpr std::array<std::string_view, 25> kSlideTransitions = {"Blend",
                                                                       "Box in",
                                                                       "Box out",
                                                                       "Circle in",
                                                                       "Circle out",
                                                                       "Wipe up",
                                                                       "Wipe down",
                                                                       "Wipe right",
                                                                       "Wipe left",
                                                                       "Vert. blinds",
                                                                       "Horiz. blinds",
                                                                       "Squares across",
                                                                       "Squares down",
                                                                       "Dissolve",
                                                                       "Split vert. in",
                                                                       "Split vert. out",
                                                                       "Split horiz. in",
                                                                       "Split horiz. out",
                                                                       "Strips left down",
                                                                       "Strips left up",
                                                                       "Strips right down",
                                                                       "Strips right up",
                                                                       "Bars horizontal",
                                                                       "Bars vertical",
                                                                       "Random"};
// The same effects as the window names them, in the user's language.
inline constexpr std::array<TextId, 25> kSlideTransitionTexts = {
    TextId::kTransitionBlend,
    TextId::kTransitionBoxIn,
    TextId::kTransitionBoxOut,
    TextId::kTransitionCircleIn,
    TextId::kTransitionCircleOut,
    TextId::kTransitionWipeUp,
    TextId::kTransitionWipeDown,
    TextId::kTransitionWipeRight,
    TextId::kTransitionWipeLeft,
    TextId::kTransitionVerticalBlinds,
    TextId::kTransitionHorizontalBlinds,
    TextId::kTransitionSquaresAcross,
    TextId::kTransitionSquaresDown,
    TextId::kTransitionDissolve,
    TextId::kTransitionSplitVerticalIn,
    TextId::kTransitionSplitVerticalOut,
    TextId::kTransitionSplitHorizontalIn,
    TextId::kTransitionSplitHorizontalOut,
    TextId::kTransitionStripsLeftDown,
    TextId::kTransitionStripsLeftUp,
    TextId::kTransitionStripsRightDown,
    TextId::kTransitionStripsRightUp,
    TextId::kTransitionBarsHorizontal,
    TextId::kTransitionBarsVertical,
    TextId::kTransitionRandom,
};

// The list row showing `delay`, or the row of "3" when no row equals it.
int DelayRowFor(int delay);
// The delay stored for a chosen row; -1 (nothing chosen) stores 5.
int DelayForRow(int row);
// The transition row of a stored index, -1 when outside the list.
int TransitionRowFor(int index);
// The index stored for a chosen row; -1 (nothing chosen) stores 0.
int TransitionForRow(int row);

// Profile colours keep red in the low byte, then green, then blue.
struct Rgb {
  int red, green, blue;
};
constexpr Rgb RgbFromProfileColor(int value) { return {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF}; }
constexpr int ProfileColorFromRgb(Rgb rgb) {
  return (rgb.red & 0xFF) | ((rgb.green & 0xFF) << 8) | ((rgb.blue & 0xFF) << 16);
}

}  // namespace albumsmith
