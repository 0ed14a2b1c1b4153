#include "app/window_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace albumsmith {
namespace {

struct ProgressCase {
  int maximum;
  int position;
  bool visible;
  const char* pane;
};

class ProgressTest : public ::testing::TestWithParam<ProgressCase> {};

// Starts from a bar already showing, so that hiding has something to clear.
TEST_P(ProgressTest, SetsBarAndPercentage) {
  const ProgressCase& c = GetParam();
  StatusBarState state;
  ApplyProgress(state, 4, 1);
  ASSERT_EQ(state.progressPane, "  25 %");

  ApplyProgress(state, c.maximum, c.position);

  EXPECT_EQ(state.progressVisible, c.visible);
  EXPECT_EQ(state.progressPane, c.pane);
  if (c.visible) {
    EXPECT_EQ(state.progressMaximum, c.maximum == 0 ? 1 : c.maximum);
    EXPECT_EQ(state.progressPosition, c.position);
  }
}

INSTANTIATE_TEST_SUITE_P(Messages, ProgressTest,
                         ::testing::Values(ProgressCase{10, 5, true, "  50 %"},
                                           ProgressCase{3, 1, true, "  33 %"},  // integer division
                                           ProgressCase{0, 1, true, " 100 %"},  // maximum 0 counts as 1
                                           ProgressCase{0, 0, true, "   0 %"}, ProgressCase{7, 7, true, " 100 %"},
                                           // a position times 100 beyond the range of int
                                           ProgressCase{200000000, 150000000, true, "  75 %"},
                                           ProgressCase{10, -1, false, ""}, ProgressCase{0, -1, false, ""}),
                         [](const auto& info) {
                           const auto& c = info.param;
                           return "Max" + std::to_string(c.maximum) +
                                  (c.position < 0 ? std::string("Hide") : "Pos" + std::to_string(c.position));
                         });

TEST(WindowMessagesTest, ProgressShowsAgainAfterHiding) {
  StatusBarState state;
  ApplyProgress(state, 10, -1);
  ApplyProgress(state, 10, 2);
  EXPECT_TRUE(state.progressVisible);
  EXPECT_EQ(state.progressPane, "  20 %");
}

TEST(WindowMessagesTest, StatusTextGetsALeadingSpace) {
  StatusBarState state;
  ApplyStatus(state, "Resampling a.jpg ...");
  EXPECT_EQ(state.statusPane, " Resampling a.jpg ...");
  ApplyStatus(state, "");
  EXPECT_EQ(state.statusPane, " ");
}

struct ClipboardCase {
  bool isCut;
  int count;
  const char* pane;
};

class ClipboardTest : public ::testing::TestWithParam<ClipboardCase> {};

TEST_P(ClipboardTest, ShowsTheIndicator) {
  StatusBarState state;
  ApplyClipboard(state, true, 9);  // an earlier indicator is replaced
  ApplyClipboard(state, GetParam().isCut, GetParam().count);
  EXPECT_EQ(state.clipboardPane, GetParam().pane);
}

INSTANTIATE_TEST_SUITE_P(Messages, ClipboardTest,
                         ::testing::Values(ClipboardCase{true, 3, " Cut 3 image(s)"},
                                           ClipboardCase{false, 1, " Copy 1 image(s)"}, ClipboardCase{true, 0, " "},
                                           ClipboardCase{false, 0, " "}),
                         [](const auto& info) {
                           return (info.param.isCut ? "Cut" : "Copy") + std::to_string(info.param.count);
                         });

TEST(WindowMessagesTest, SortSelectorTakesTheIndex) {
  StatusBarState state;
  ApplySortSelector(state, 2);
  EXPECT_EQ(state.sortIndex, 2);
}

}  // namespace
}  // namespace albumsmith
