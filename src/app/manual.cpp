#include "app/manual.h"

#include <filesystem>

#include "platform/user_dirs.h"

namespace albumsmith {

const char* ManualPageFile(ManualPage page) {
  switch (page) {
    case ManualPage::kIndex:
      return "keywords.html";
    case ManualPage::kSearch:
      return "search.html";
    case ManualPage::kContents:
      break;
  }
  return "index.html";
}

std::optional<std::string> FindManualPage(ManualPage page) {
  std::error_code ec;
  for (const std::filesystem::path& dir : DataDirectories()) {
    const std::filesystem::path file = dir / "help" / ManualPageFile(page);
    if (std::filesystem::is_regular_file(file, ec)) return file.string();
  }
  return std::nullopt;
}

}  // namespace albumsmith
