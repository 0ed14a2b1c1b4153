#pragma once
// One entry of a remote directory listing, and the list a listing fills.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

struct RemoteEntry {
  std::string name;  // without a path; never ".", "..", nor holding "/" or control characters
  // Seconds since 1970-01-01 UTC as the server listed it, not corrected.
  // MLSD gives exact UTC seconds; LIST gives minutes in the server's clock.
  std::int64_t time = 0;
  std::uint64_t size = 0;
  bool isDir = false;
  // The listing showed month, day and time without a year, so the year was
  // inferred (the most recent one that does not put the time in the future).
  // Such a time may be one year early when the server's clock runs ahead.
  bool yearInferred = false;
  // The unit of `time`: 1 for exact seconds (MLSD), 60 for a listed time of
  // day without seconds, 86400 for a date listed with its year and no time.
  std::int32_t timeStep = 1;

  bool operator==(const RemoteEntry&) const = default;
};

// Entries in the server's order.
class RemoteEntryList {
 public:
  size_t Append(RemoteEntry entry);
  const RemoteEntry& operator[](size_t index) const { return entries_[index]; }
  RemoteEntry& operator[](size_t index) { return entries_[index]; }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void RemoveRange(size_t first, size_t count);
  void Clear() { entries_.clear(); }
  // Index of the entry whose name matches without regard to ASCII letter
  // case, or -1.
  int Find(std::string_view name) const;

  std::vector<RemoteEntry>::const_iterator begin() const { return entries_.begin(); }
  std::vector<RemoteEntry>::const_iterator end() const { return entries_.end(); }

 private:
  std::vector<RemoteEntry> entries_;
};

}  // namespace albumsmith
