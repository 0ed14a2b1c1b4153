#include "preserve_list.h"

#include <algorithm>

#include "platform/text.h"

namespace albumsmith {

void PreserveList::Set(std::string_view text) {
  entries_.clear();
  for (std::string entry : Split(ReplaceAll(std::string(text), "\\", "/"), '|')) {
    while (!entry.empty() && entry.back() == '/') entry.pop_back();
    if (entry.empty() || Contains(entry)) continue;
    entries_.push_back(std::move(entry));
  }
  text_ = Join(entries_, "|");
}

bool PreserveList::Contains(std::string_view name) const {
  return std::find(entries_.begin(), entries_.end(), name) != entries_.end();
}

bool PreserveList::Keeps(std::string_view path) const {
  const std::string wanted = WithoutSlash(ReplaceAll(std::string(path), "\\", "/"));
  return std::any_of(entries_.begin(), entries_.end(), [&](const std::string& e) { return EqualsNoCase(e, wanted); });
}

bool PreserveList::KeepsBelow(std::string_view dir) const {
  const std::string prefix = ToLower(WithSlash(ReplaceAll(std::string(dir), "\\", "/")));
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const std::string& e) { return StartsWith(ToLower(e), prefix); });
}

}  // namespace albumsmith
