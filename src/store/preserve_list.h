#pragma once
// The remote names, relative to the remote directory, that publishing keeps:
// neither deleted nor reported. Kept as one "|"-separated string.

#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

class PreserveList {
 public:
  PreserveList() = default;
  explicit PreserveList(std::string_view text) { Set(text); }

  // "\" becomes "/", entries are split at "|", trailing "/" stripped, empty
  // and repeated entries dropped; the string is rebuilt from what is kept.
  void Set(std::string_view text);
  const std::string& str() const { return text_; }
  const std::vector<std::string>& entries() const { return entries_; }
  bool Contains(std::string_view name) const;
  // Whether a remote path (relative to the remote directory) is kept: an
  // entry matches without regard to case, "\\" read as "/" and a trailing
  // "/" dropped.
  bool Keeps(std::string_view path) const;
  // Whether a kept path lies below the directory `dir` ("a/b"), so that the
  // directory itself must stay.
  bool KeepsBelow(std::string_view dir) const;

  bool operator==(const PreserveList& other) const { return entries_ == other.entries_; }

 private:
  std::string text_;
  std::vector<std::string> entries_;
};

}  // namespace albumsmith
