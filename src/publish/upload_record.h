#pragma once
// What this profile last uploaded of the files the run makes afresh each
// time (folder pages, dir.js): for each remote path, a fingerprint of the
// text sent, its size, and the time the server then listed for it. A page
// made again with the same text, whose remote copy the listing still shows
// with that size and time, need not travel again.
//
// Kept beside remdir.dat ("remsent.dat"), written whole through a temporary
// file. A record that is missing, unreadable or made for another server or
// remote directory holds nothing: everything is sent.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "publish/remote_entry.h"

namespace albumsmith {

inline std::string UploadRecordPath(const std::string& profileDir) { return profileDir + "remsent.dat"; }

class UploadRecord {
 public:
  // `where` names the server and remote directory the record is for.
  void Load(const std::string& file, const std::string& where);
  // Writes the record when it changed since it was loaded (or since a save
  // that failed).
  Status Save(const std::string& file);

  // Whether `text` is what was last sent to `path`, and `listed` (the
  // server's entry for it) still shows that upload. The first listing after
  // an upload gives the time the record keeps from then on.
  bool Current(const std::string& path, std::string_view text, const RemoteEntry& listed);
  void Sent(const std::string& path, std::string_view text);
  void Forget(const std::string& path) { changed_ = entries_.erase(path) > 0 || changed_; }

  static std::string Fingerprint(std::string_view text);

 private:
  struct Entry {
    std::string fingerprint;
    std::uint64_t size = 0;
    std::int64_t time = 0;  // as listed; 0 until the first listing after the upload
  };
  std::string where_;
  std::map<std::string, Entry> entries_;
  bool changed_ = false;
};

}  // namespace albumsmith
