#include "remote_entry.h"

#include <algorithm>

#include "platform/text.h"

namespace albumsmith {

size_t RemoteEntryList::Append(RemoteEntry entry) {
  entries_.push_back(std::move(entry));
  return entries_.size() - 1;
}

void RemoteEntryList::RemoveRange(size_t first, size_t count) {
  if (first >= entries_.size()) return;
  const size_t last = std::min(entries_.size(), first + count);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(first),
                 entries_.begin() + static_cast<std::ptrdiff_t>(last));
}

int RemoteEntryList::Find(std::string_view name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (EqualsNoCase(entries_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace albumsmith
