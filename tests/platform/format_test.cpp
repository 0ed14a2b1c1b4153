#include "platform/format.h"

#include <gtest/gtest.h>

namespace albumsmith {
namespace {

TEST(FmtTest, FormatsLikePrintf) {
  EXPECT_EQ(Fmt("Cannot copy %s to %s", {"a", "b"}), "Cannot copy a to b");
  EXPECT_EQ(Fmt(" %3d %%", {7}), "   7 %");
  EXPECT_EQ(Fmt("%i : %s", {2, "No such file or directory"}), "2 : No such file or directory");
  EXPECT_EQ(Fmt("#%02x%02x%02x", {255, 8, 0}), "#ff0800");
  EXPECT_EQ(Fmt("%d.%d.%d", {2, 2, 1}), "2.2.1");
  EXPECT_EQ(Fmt("%-5s|", {"ab"}), "ab   |");
  EXPECT_EQ(Fmt("%.2s", {"abcdef"}), "ab");
  EXPECT_EQ(Fmt("%ld items", {12L}), "12 items");
}

TEST(FmtTest, FormatsFromLanguageModulesCannotCrash) {
  // Formats come from translation files: wrong or missing arguments print
  // something harmless instead of reading random memory.
  EXPECT_EQ(Fmt("%s and %s", {"one"}), "one and ");
  EXPECT_EQ(Fmt("%d files", {"many"}), "0 files");
  EXPECT_EQ(Fmt("%s!", {42}), "42!");
  EXPECT_EQ(Fmt("%n%p", {1}), "%n%p");
  EXPECT_EQ(Fmt("trailing %", {}), "trailing %");
  EXPECT_EQ(Fmt("%99999999d", {1}).size(), 999u);
}

}  // namespace
}  // namespace albumsmith
