#pragma once
// The local side of a comparison with the server: a directory's entries with
// the last-write time in whole seconds and the size, as the upload decision
// compares them.

#include <cstdint>
#include <string>
#include <vector>

namespace albumsmith {

struct LocalEntry {
  std::string name;
  bool isDir = false;
  std::int64_t time = 0;  // last write, seconds since 1970
  std::uint64_t size = 0;
};

// The entries of a directory in byte order of their names, so that the
// lists built from them (and the order of the uploads) are the same on every
// run. Nothing when the directory cannot be read.
std::vector<LocalEntry> ReadLocalEntries(const std::string& dir);

// One file's time and size; false when it cannot be read.
bool ReadLocalFile(const std::string& path, LocalEntry& entry);

}  // namespace albumsmith
