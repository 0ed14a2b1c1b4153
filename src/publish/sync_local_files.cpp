#include "publish/sync_local_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/atomic_file.h"

namespace albumsmith {

bool ReadLocalFile(const std::string& path, LocalEntry& entry) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  entry.isDir = S_ISDIR(st.st_mode);
  entry.time = static_cast<std::int64_t>(st.st_mtim.tv_sec);
  entry.size = entry.isDir ? 0 : static_cast<std::uint64_t>(st.st_size);
  return true;
}

std::vector<LocalEntry> ReadLocalEntries(const std::string& dir) {
  std::vector<LocalEntry> entries;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return entries;
  const std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    // A file still being written beside its final name is not part of the
    // album yet: it is published under that name once it is complete.
    if (name == "." || name == ".." || IsTemporaryName(name)) continue;
    LocalEntry entry;
    entry.name = name;
    // An entry that vanished between the listing and the stat is left out.
    if (ReadLocalFile(prefix + name, entry)) entries.push_back(std::move(entry));
  }
  ::closedir(d);
  std::sort(entries.begin(), entries.end(), [](const LocalEntry& a, const LocalEntry& b) { return a.name < b.name; });
  return entries;
}

}  // namespace albumsmith
