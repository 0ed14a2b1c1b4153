#pragma once
// Whole-file reads and crash-safe replacement of settings and state files.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace albumsmith {

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Writes `data` to a temporary file in the same folder, flushes it to disk and
// renames it over `path`, so that a crash leaves either the old or the new
// file, never half of one. `mode` is applied to the new file; when it is not
// given, an existing file keeps its permissions and a new one gets 0666 less
// the umask. Returns false and sets errno on failure.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                         std::optional<unsigned> mode = std::nullopt);

}  // namespace albumsmith
