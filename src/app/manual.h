#pragma once
// Where the user manual's pages are: the "help" folder of the program's data
// (next to the program in the build tree, <prefix>/share/albumsmith when
// installed).

#include <optional>
#include <string>

namespace albumsmith {

enum class ManualPage { kContents, kIndex, kSearch };

// The page's file name inside the manual's folder.
const char* ManualPageFile(ManualPage page);
// The full path of the page in the first data directory that holds the
// manual; nullopt when none does.
std::optional<std::string> FindManualPage(ManualPage page);

}  // namespace albumsmith
