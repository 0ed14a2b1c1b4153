#include "store/users_store.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <optional>

#include "platform/app_settings.h"
#include "platform/ini_file.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "store/password.h"

namespace albumsmith {
namespace {

// The id a sub-key name stands for: the decimal number at its start ("12abc"
// is 12). Names that do not begin with a digit, and numbers that are not a
// positive 32-bit id, stand for none.
std::optional<int> IdOfName(std::string_view name) {
  size_t digits = 0;
  while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
  if (digits == 0) return std::nullopt;
  int id = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + digits, id);
  if (ec != std::errc() || end != name.data() + digits || id <= 0) return std::nullopt;
  return id;
}

struct SubKey {
  std::string name;  // as the file spells it, below the parent
  int id;
};

// The sub-keys of `parent` ("Users") whose names stand for an id, in file order.
std::vector<SubKey> NumberedSubKeys(const IniDocument& doc, std::string_view parent) {
  const std::string prefix = ToLower(parent) + "\\";
  std::vector<SubKey> keys;
  for (const std::string& section : doc.SectionNames()) {
    if (!StartsWith(ToLower(section), prefix)) continue;
    std::string rest = section.substr(prefix.size());
    rest = rest.substr(0, rest.find('\\'));
    const auto id = IdOfName(rest);
    if (!id) continue;
    const bool seen =
        std::any_of(keys.begin(), keys.end(), [&](const SubKey& k) { return EqualsNoCase(k.name, rest); });
    if (!seen) keys.push_back({rest, *id});
  }
  return keys;
}

// The next id to hand out: the stored "NextId", but never one that a stored
// record already has (a hand-edited or older file may hold a smaller value,
// and handing out a taken id would overwrite that record).
int NextId(const IniDocument& doc, std::string_view parent) {
  int next = 1;
  if (const auto v = doc.Get(parent, "NextId")) next = std::max(1, ParseIniInt(*v, 1));
  for (const SubKey& key : NumberedSubKeys(doc, parent))
    if (key.id < INT_MAX) next = std::max(next, key.id + 1);
  return next;
}

std::string Value(const IniDocument& doc, const std::string& section, std::string_view key) {
  return doc.Get(section, key).value_or("");
}

std::string Section(std::string_view parent, int id) { return std::string(parent) + "\\" + std::to_string(id); }

// Removes every sub-key standing for `id` ("12", and "12abc", which reads as
// 12 too), so that a deleted record cannot come back at the next load.
void DeleteRecord(IniDocument& doc, std::string_view parent, int id) {
  const std::string prefix = ToLower(parent) + "\\";
  for (const std::string& section : doc.SectionNames()) {
    if (!StartsWith(ToLower(section), prefix)) continue;
    std::string rest = section.substr(prefix.size());
    rest = rest.substr(0, rest.find('\\'));
    if (IdOfName(rest) == id) doc.DeleteSection(section);
  }
}

template <class Record>
int FindByName(const std::vector<Record>& records, std::string_view name) {
  for (size_t i = 0; i < records.size(); ++i)
    if (!records[i].deleted && records[i].name == name) return static_cast<int>(i);
  for (size_t i = 0; i < records.size(); ++i)
    if (!records[i].deleted && EqualsNoCase(records[i].name, name)) return static_cast<int>(i);
  return -1;
}

// The texts of one kind of record: users and groups say their problems in
// sentences of their own, so that each language can word them.
struct NameTexts {
  TextId needsName, controlChar, space, taken;
};
constexpr NameTexts kUserTexts{TextId::kUserNeedsName, TextId::kUserNameControlChar, TextId::kUserNameSpace,
                               TextId::kUserNameTaken};
constexpr NameTexts kGroupTexts{TextId::kGroupNeedsName, TextId::kGroupNameControlChar, TextId::kGroupNameSpace,
                                TextId::kGroupNameTaken};

template <class Record>
std::string CheckName(const std::vector<Record>& records, const NameTexts& texts, std::string_view name, int self) {
  if (name.empty()) return LoadString(texts.needsName);
  if (HasControlChar(name)) return FormatString(texts.controlChar, {Printable(name)});
  if (Trim(name) != name) return FormatString(texts.space, {name});
  for (size_t i = 0; i < records.size(); ++i) {
    if (static_cast<int>(i) == self || records[i].deleted) continue;
    if (EqualsNoCase(records[i].name, name)) return FormatString(texts.taken, {records[i].name});
  }
  return "";
}

}  // namespace

std::vector<int> ParseMembership(std::string_view groups) {
  std::vector<int> ids;
  for (const std::string& piece : Split(groups, ' ')) {
    int id = 0;
    const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), id);
    if (ec == std::errc() && end == piece.data() + piece.size() && id > 0) ids.push_back(id);
  }
  return ids;
}

std::string JoinMembership(const std::vector<int>& ids) {
  std::string text;
  for (int id : ids) {
    if (!text.empty()) text += ' ';
    text += std::to_string(id);
  }
  return text;
}

void UsersStore::Load(const AppSettings& app) {
  users_.clear();
  groups_.clear();
  listsChanged_ = false;
  const IniDocument doc = app.Load();
  // Two sub-keys standing for one id ("12" and "12abc") would be two users
  // behind one id; the first one read counts.
  auto taken = [](const auto& records, int id) {
    return std::any_of(records.begin(), records.end(), [id](const auto& r) { return r.id == id; });
  };
  nextUserId_ = NextId(doc, "Users");
  for (const SubKey& key : NumberedSubKeys(doc, "Users")) {
    if (taken(users_, key.id)) continue;
    const std::string section = Section("Users", key.id);
    UserRecord user;
    user.id = key.id;
    user.name = Value(doc, section, "Name");
    user.description = Value(doc, section, "Description");
    user.password = PasswordUnscramble(Value(doc, section, "Password")).value_or("");
    user.groups = Value(doc, section, "Groups");
    users_.push_back(std::move(user));
  }
  nextGroupId_ = NextId(doc, "Groups");
  for (const SubKey& key : NumberedSubKeys(doc, "Groups")) {
    if (taken(groups_, key.id)) continue;
    const std::string section = Section("Groups", key.id);
    GroupRecord group;
    group.id = key.id;
    group.name = Value(doc, section, "Name");
    group.description = Value(doc, section, "Description");
    groups_.push_back(std::move(group));
  }
}

bool UsersStore::Save(AppSettings& app) {
  IniDocument doc = app.Load();
  bool written = false;
  bool ok = true;

  // Another writer (the command line, another run of the program) may have
  // handed out ids since this store was loaded.
  int nextGroup = std::max(nextGroupId_, NextId(doc, "Groups"));
  bool newGroupId = false;
  std::vector<GroupRecord> groups;
  std::vector<std::pair<int, int>> givenIds;  // stand-in of a new group → its id
  for (GroupRecord g : groups_) {
    if (g.deleted) {
      if (g.id > 0) DeleteRecord(doc, "Groups", g.id);
      written = true;
      continue;
    }
    if (g.modified || g.id < 0) {
      if (g.id < 0) {
        givenIds.emplace_back(g.id, nextGroup);
        g.id = nextGroup++;
        newGroupId = true;
      }
      const std::string section = Section("Groups", g.id);
      ok = doc.Set(section, "Name", g.name) && ok;
      ok = doc.Set(section, "Description", g.description) && ok;
      g.modified = false;
      written = true;
    }
    groups.push_back(std::move(g));
  }
  if (newGroupId || listsChanged_) ok = doc.Set("Groups", "NextId", std::to_string(nextGroup)) && ok;

  int nextUser = std::max(nextUserId_, NextId(doc, "Users"));
  bool newUserId = false;
  std::vector<UserRecord> users;
  for (UserRecord u : users_) {
    // Memberships of groups made in the same session name them by their
    // stand-in ids; they take the ids just given, or go with a group that
    // was deleted before it was ever saved.
    if (u.groups.find('-') != std::string::npos) {
      std::vector<std::string> pieces;
      for (const std::string& piece : Split(u.groups, ' ')) {
        if (piece.empty()) continue;
        if (piece[0] != '-') {
          pieces.push_back(piece);
          continue;
        }
        for (const auto& [standIn, id] : givenIds)
          if (piece == std::to_string(standIn)) pieces.push_back(std::to_string(id));
      }
      const std::string mapped = Join(pieces, " ");
      if (mapped != u.groups) {
        u.groups = mapped;
        u.modified = true;
      }
    }
    if (u.deleted) {
      if (u.id > 0) DeleteRecord(doc, "Users", u.id);
      written = true;
      continue;
    }
    if (u.modified) {
      if (u.id < 0) {
        u.id = nextUser++;
        newUserId = true;
      }
      const std::string section = Section("Users", u.id);
      ok = doc.Set(section, "Name", u.name) && ok;
      ok = doc.Set(section, "Description", u.description) && ok;
      ok = doc.Set(section, "Password", PasswordScramble(u.password)) && ok;
      ok = doc.Set(section, "Groups", u.groups) && ok;
      u.modified = false;
      written = true;
    }
    users.push_back(std::move(u));
  }
  if (newUserId || listsChanged_) ok = doc.Set("Users", "NextId", std::to_string(nextUser)) && ok;

  // A value the file cannot hold (a line break) would be lost; nothing is
  // written then, and the records keep their marks.
  if (!ok) return false;
  if ((written || newGroupId || newUserId || listsChanged_) && !app.Save(doc)) return false;
  groups_ = std::move(groups);
  users_ = std::move(users);
  nextGroupId_ = nextGroup;
  nextUserId_ = nextUser;
  listsChanged_ = false;
  return true;
}

size_t UsersStore::AddUser(UserRecord user) {
  user.id = -1;
  user.modified = true;
  user.deleted = false;
  users_.push_back(std::move(user));
  listsChanged_ = true;
  return users_.size() - 1;
}

size_t UsersStore::AddGroup(GroupRecord group) {
  // Until it is saved a new group is known by a negative stand-in id of its
  // own, so that users can be made members of it before the save.
  group.id = -1 - static_cast<int>(++newGroups_);
  group.modified = true;
  group.deleted = false;
  groups_.push_back(std::move(group));
  listsChanged_ = true;
  return groups_.size() - 1;
}

void UsersStore::DeleteUser(size_t index) {
  if (index >= users_.size()) return;
  users_[index].deleted = true;
  listsChanged_ = true;
}

void UsersStore::DeleteGroup(size_t index) {
  if (index >= groups_.size()) return;
  groups_[index].deleted = true;
  listsChanged_ = true;
}

const UserRecord* UsersStore::FindUser(int id) const {
  for (const UserRecord& u : users_)
    if (!u.deleted && u.id == id && id > 0) return &u;
  return nullptr;
}

const GroupRecord* UsersStore::FindGroup(int id) const {
  for (const GroupRecord& g : groups_)
    if (!g.deleted && g.id == id && id != 0) return &g;
  return nullptr;
}

int UsersStore::FindUserByName(std::string_view name) const { return FindByName(users_, name); }
int UsersStore::FindGroupByName(std::string_view name) const { return FindByName(groups_, name); }

std::string UsersStore::CheckUserName(std::string_view name, int self) const {
  return CheckName(users_, kUserTexts, name, self);
}

std::string UsersStore::CheckGroupName(std::string_view name, int self) const {
  return CheckName(groups_, kGroupTexts, name, self);
}

std::string UsersStore::CheckText(Field field, std::string_view text) {
  if (text.find_first_of("\r\n") != std::string_view::npos)
    return LoadString(field == Field::kPassword ? TextId::kPasswordLineBreak : TextId::kDescriptionLineBreak);
  return "";
}

}  // namespace albumsmith
