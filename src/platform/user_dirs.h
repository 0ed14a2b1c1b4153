#pragma once
// Where the user's and the program's folders are.

#include <filesystem>
#include <optional>
#include <vector>

namespace albumsmith {

// XDG_DOCUMENTS_DIR (environment, then ~/.config/user-dirs.dirs) when that
// folder exists, else ~/Documents when it exists; nothing when neither does,
// so that the caller can fall back to the current directory.
std::optional<std::filesystem::path> DocumentsFolder();

// The folder holding the running executable.
std::filesystem::path ProgramDirectory();

// Where the program's data (languages, templates, demo photos) is found: next
// to the executable (build tree), then <prefix>/share/albumsmith.
std::vector<std::filesystem::path> DataDirectories();
// The same for a program whose executable lies in `programDir`.
std::vector<std::filesystem::path> DataDirectories(const std::filesystem::path& programDir);

// The user's own data folder of the program: $XDG_DATA_HOME/albumsmith, by
// default ~/.local/share/albumsmith; nothing without a home folder.
std::optional<std::filesystem::path> UserDataDirectory();

}  // namespace albumsmith
