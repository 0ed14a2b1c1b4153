#include "publish/upload_record.h"

#include <charconv>
#include <cstdio>

#include "platform/atomic_file.h"
#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

namespace {

constexpr std::string_view kHeader = "albumsmith upload record 1";

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

// FNV-1a over 64 bits, twice with different seeds: a changed page is told
// from the one sent with no realistic chance of a collision, without a
// cryptographic library.
std::string UploadRecord::Fingerprint(std::string_view text) {
  std::uint64_t a = 0xcbf29ce484222325ULL;
  std::uint64_t b = 0x84222325cbf29ce4ULL;
  for (const char c : text) {
    a = (a ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    b = (b ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    b ^= b >> 29;
  }
  char out[40];
  std::snprintf(out, sizeof out, "%016llx%016llx", static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b));
  return out;
}

// Lines: the header, the server and directory, then one
// "fingerprint<TAB>size<TAB>time<TAB>path" per upload. Anything else found
// makes the whole record void.
void UploadRecord::Load(const std::string& file, const std::string& where) {
  where_ = where;
  entries_.clear();
  changed_ = false;
  const std::optional<std::string> text = ReadWholeFile(file);
  if (!text) return;
  const std::vector<std::string> lines = Split(*text, '\n');
  if (lines.size() < 2 || lines[0] != kHeader || lines[1] != where) return;
  std::map<std::string, Entry> read;
  for (size_t i = 2; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::vector<std::string> fields = Split(lines[i], '\t');
    Entry entry;
    if (fields.size() != 4 || fields[0].size() != 32 || !ParseNumber(fields[1], entry.size) ||
        !ParseNumber(fields[2], entry.time) || fields[3].empty())
      return;
    entry.fingerprint = fields[0];
    read[fields[3]] = entry;
  }
  entries_ = std::move(read);
}

Status UploadRecord::Save(const std::string& file) {
  if (!changed_) return Status::Ok();
  std::string text = std::string(kHeader) + "\n" + where_ + "\n";
  for (const auto& [path, e] : entries_)
    text += e.fingerprint + "\t" + std::to_string(e.size) + "\t" + std::to_string(e.time) + "\t" + path + "\n";
  Status written = WriteFileAtomically(file, text);
  // A record that could not be written is still one to write.
  if (written) changed_ = false;
  return written;
}

bool UploadRecord::Current(const std::string& path, std::string_view text, const RemoteEntry& listed) {
  const auto it = entries_.find(path);
  if (it == entries_.end() || listed.isDir) return false;
  Entry& e = it->second;
  if (e.size != text.size() || listed.size != e.size || e.fingerprint != Fingerprint(text)) return false;
  if (e.time == 0) {
    e.time = listed.time;
    changed_ = true;
    return true;
  }
  return listed.time == e.time;
}

void UploadRecord::Sent(const std::string& path, std::string_view text) {
  entries_[path] = {Fingerprint(text), text.size(), 0};
  changed_ = true;
}

}  // namespace albumsmith
