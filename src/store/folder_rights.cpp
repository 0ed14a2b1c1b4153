#include "store/folder_rights.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "store/directory_tree.h"
#include "store/users_store.h"

namespace albumsmith {
namespace {

bool IsRoot(std::string_view key) { return key.empty() || key == "\\"; }

std::string Normalized(std::string_view key) {
  std::string k(key);
  if (k.empty() || k.front() != '\\') k.insert(k.begin(), '\\');
  if (k.back() != '\\') k += '\\';
  return k;
}

// One line of rights.dat the way "%s %[^\n]" reads it: a word, blanks, and
// the rest of the line (a key may hold spaces). False when there is no key.
bool ParseLine(std::string_view line, RightsEntry& entry) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return false;
  const size_t end = line.find_first_of(" \t", start);
  if (end == std::string_view::npos) return false;
  const size_t keyStart = line.find_first_not_of(" \t", end);
  if (keyStart == std::string_view::npos) return false;
  entry.rights = std::string(line.substr(start, end - start));
  entry.key = std::string(line.substr(keyStart));
  return true;
}

}  // namespace

std::string FolderKey(std::string_view relativePath) {
  std::string key = "\\";
  for (char c : relativePath) key += c == '/' ? '\\' : c;
  if (key.back() != '\\') key += '\\';
  return key;
}

std::string ParentKey(std::string_view key) {
  std::string k = Normalized(key);
  if (k == "\\") return k;
  k.pop_back();
  return k.substr(0, k.rfind('\\') + 1);
}

void FolderRights::Load(const std::string& profileDir) { Read(profileDir, true); }

void FolderRights::Read(const std::string& profileDir, bool dropVanished) {
  profileDir_ = profileDir;
  entries_.clear();
  const auto text = ReadWholeFile(RightsPath(profileDir));
  if (!text) return;
  size_t pos = 0;
  while (pos < text->size()) {
    size_t end = text->find('\n', pos);
    if (end == std::string::npos) end = text->size();
    const std::string_view line = std::string_view(*text).substr(pos, end - pos);
    pos = end + 1;
    // "%s" skips blank lines before the first word.
    if (Trim(line).empty()) continue;
    RightsEntry entry;
    if (!ParseLine(line, entry)) break;
    entry.key = Normalized(entry.key);
    if (dropVanished && !FolderExists(entry.key)) continue;
    // A later line for a folder already read would never be looked at.
    const bool seen =
        std::any_of(entries_.begin(), entries_.end(), [&](const RightsEntry& e) { return e.key == entry.key; });
    if (!seen) entries_.push_back(std::move(entry));
  }
}

bool FolderRights::FolderExists(std::string_view key) const {
  std::string relative;
  for (char c : key.substr(1)) relative += c == '\\' ? '/' : c;
  // A key that climbs out of the image tree names no folder of the album.
  for (const std::string& part : Split(relative, '/'))
    if (part == ".." || part == ".") return false;
  std::error_code ec;
  return std::filesystem::is_directory(ImageTreePath(profileDir_) + relative, ec);
}

Status FolderRights::Save() const {
  std::string text;
  for (const RightsEntry& e : entries_) {
    // An empty text means "inherit", which no entry says as well; written
    // out, " \key\" would read back as the rights "\key\" with no key and
    // end the reading of every line after it.
    if (e.rights.empty() || !FolderExists(e.key)) continue;
    text += e.rights + " " + e.key + "\r\n";
  }
  return WriteFileAtomically(RightsPath(profileDir_), text);
}

std::string FolderRights::GetRights(std::string_view key) const {
  const std::string k = Normalized(key);
  // Keys compare exactly: on this file system "Trips" and "trips" are two folders.
  for (const RightsEntry& e : entries_) {
    if (e.key != k) continue;
    if (IsRoot(k) && e.rights.empty()) break;
    return e.rights;
  }
  return IsRoot(k) ? std::string(kRightsClosed) : std::string();
}

EffectiveRights FolderRights::GetEffectiveRights(std::string_view key) const {
  EffectiveRights result;
  std::string k = Normalized(key);
  for (;;) {
    result.rights = GetRights(k);
    if (!result.rights.empty() || IsRoot(k)) return result;
    result.inherited = true;
    k = ParentKey(k);
  }
}

bool FolderRights::SetRights(std::string_view key, std::string_view rights) {
  const std::string k = Normalized(key);
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const RightsEntry& e) { return e.key == k; });
  if (it == entries_.end()) {
    if (rights.empty()) return false;
    entries_.push_back({k, std::string(rights)});
    return true;
  }
  if (it->rights == rights) return false;
  if (rights.empty()) {
    entries_.erase(it);
  } else {
    it->rights = std::string(rights);
  }
  return true;
}

Status FollowFolderRights(const std::string& profileDir, std::string_view oldPath, std::string_view newPath) {
  const std::string oldKey = FolderKey(oldPath);
  // The root never moves; and a file without entries needs no rewriting.
  if (oldKey == "\\" || !std::filesystem::exists(RightsPath(profileDir))) return {};
  FolderRights rights;
  // The old folder is gone from the disk by now: its entries must be read.
  rights.Read(profileDir, false);
  const std::string newKey = newPath.empty() ? std::string() : FolderKey(newPath);
  std::vector<RightsEntry> kept;
  bool changed = false;
  for (RightsEntry& e : rights.entries_) {
    if (!StartsWith(e.key, oldKey)) {
      kept.push_back(std::move(e));
      continue;
    }
    changed = true;
    if (newKey.empty()) continue;
    e.key = newKey + e.key.substr(oldKey.size());
    // An entry already there (left from an earlier folder of that name) gives way.
    std::erase_if(kept, [&](const RightsEntry& k) { return k.key == e.key; });
    kept.push_back(std::move(e));
  }
  if (!changed) return {};
  rights.entries_ = std::move(kept);
  return rights.Save();
}

bool IsValidRights(std::string_view rights) {
  if (rights.empty() || rights == kRightsAll || rights == kRightsClosed) return true;
  for (const std::string& piece : Split(rights, ',')) {
    int id = 0;
    const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), id);
    if (piece.empty() || ec != std::errc() || end != piece.data() + piece.size() || id == 0) return false;
  }
  return true;
}

std::vector<int> RightsIds(std::string_view rights) {
  std::vector<int> ids;
  for (const std::string& piece : Split(rights, ',')) {
    int id = 0;
    const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), id);
    if (!piece.empty() && ec == std::errc() && end == piece.data() + piece.size()) ids.push_back(id);
  }
  return ids;
}

std::string ComposeRights(const std::vector<int>& groupIds, const std::vector<int>& userValues) {
  if (std::find(userValues.begin(), userValues.end(), 0) != userValues.end()) return std::string(kRightsAll);
  if (std::find(userValues.begin(), userValues.end(), 9999) != userValues.end()) return std::string(kRightsClosed);
  std::string text;
  for (int g : groupIds) text += std::to_string(-g) + ",";
  for (int u : userValues) text += std::to_string(u) + ",";
  if (!text.empty()) text.pop_back();
  return text;
}

RightsIcon IconOfRights(std::string_view rights) {
  const std::vector<int> ids = RightsIds(rights);
  if (std::find(ids.begin(), ids.end(), 9999) != ids.end()) return RightsIcon::kClosed;
  if (std::find(ids.begin(), ids.end(), 0) != ids.end()) return RightsIcon::kOpen;
  return RightsIcon::kRestricted;
}

namespace {

void Names(std::string_view rights, const UsersStore& users, std::vector<std::string>& userNames,
           std::vector<std::string>& groupNames) {
  for (int id : RightsIds(rights)) {
    if (id < 0) {
      if (const GroupRecord* g = users.FindGroup(-id)) groupNames.push_back(g->name);
    } else if (const UserRecord* u = users.FindUser(id)) {
      userNames.push_back(u->name);
    }
  }
}

}  // namespace

std::string RightsTooltip(const EffectiveRights& rights, const UsersStore& users) {
  std::string tip;
  if (rights.inherited) tip = LoadString(TextId::kInheritedRights) + "\r\n";
  if (rights.rights == kRightsClosed) return tip + LoadString(TextId::kRightsClosed);
  if (rights.rights == kRightsAll) return tip + LoadString(TextId::kRightsAll);
  std::vector<std::string> userNames, groupNames;
  Names(rights.rights, users, userNames, groupNames);
  return tip + FormatString(TextId::kRightsUsersLine, {Join(userNames, ",")}) + "\r\n" +
         FormatString(TextId::kRightsGroupsLine, {Join(groupNames, ",")});
}

std::string DescribeRights(std::string_view rights, const UsersStore& users) {
  if (rights == kRightsClosed) return "Closed";
  if (rights == kRightsAll) return "All";
  std::vector<std::string> userNames, groupNames;
  Names(rights, users, userNames, groupNames);
  std::string text = "users " + (userNames.empty() ? std::string("-") : Join(userNames, ","));
  text += "; groups " + (groupNames.empty() ? std::string("-") : Join(groupNames, ","));
  return text;
}

}  // namespace albumsmith
