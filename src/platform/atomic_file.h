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
// the umask. Files that can be made again (derived pages) may skip the flush
// to disk: a crash then leaves an empty or old file, never half a new one.
// Returns false and sets errno on failure.
enum class Flush { kToDisk, kNo };
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                         std::optional<unsigned> mode = std::nullopt, Flush flush = Flush::kToDisk);

// WriteFileAtomically, unless the file already holds exactly `data`: side
// files rewritten with unchanged content keep their time, so publishing does
// not send them again.
bool WriteFileIfChanged(const std::filesystem::path& path, std::string_view data);

}  // namespace albumsmith
