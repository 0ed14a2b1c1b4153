// The manual that Help opens: found in the program's data, its three entry
// pages there, and F1 leading to its contents.

#include "app/manual.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/commands.h"
#include "test_support.h"

namespace albumsmith {
namespace {

TEST(Manual, HelpCommandsFindTheirPagesInTheProgramsData) {
  struct Case {
    ManualPage page;
    const char* file;
    const char* holds;
  } cases[] = {
      {ManualPage::kContents, "index.html", "<h1>Albumsmith manual</h1>"},
      {ManualPage::kIndex, "keywords.html", "<h1>Index</h1>"},
      {ManualPage::kSearch, "search.html", "type=\"search\""},
  };
  for (const Case& c : cases) {
    const auto path = FindManualPage(c.page);
    ASSERT_TRUE(path) << c.file;
    EXPECT_TRUE(path->ends_with(std::string("/help/") + c.file)) << *path;
    EXPECT_NE(test::ReadText(*path).find(c.holds), std::string::npos) << *path;
  }
  const auto& keys = FindCommand(CommandId::kHelpContents)->accelerators;
  EXPECT_NE(std::find(keys.begin(), keys.end(), "F1"), keys.end());
}

}  // namespace
}  // namespace albumsmith
