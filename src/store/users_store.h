#pragma once
// The visitors of the published albums, kept once for the whole application
// in its settings: users with a password and group memberships, and groups.
//
// Settings layout: section "Users" holds "NextId", each user is the sub-key
// "Users\<id>" with "Name", "Description", "Password" (scrambled) and
// "Groups" (group ids in decimal, separated by single spaces); groups are
// "Groups" / "Groups\<id>" with "Name" and "Description".
//
// Edits only set marks on the records; Save applies the marks, so two
// windows or a window and the command line editing different records do not
// undo each other's work. Ids are handed out at Save and never reused.

#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

class AppSettings;

struct UserRecord {
  int id = -1;  // -1: created since the last save
  std::string name;
  std::string description;
  std::string password;  // in clear while in memory
  std::string groups;    // "3 7"
  bool modified = false;
  bool deleted = false;
};

struct GroupRecord {
  int id = -1;  // negative: created since the last save (each new group its own)
  std::string name;
  std::string description;
  bool modified = false;
  bool deleted = false;
};

// "3 7" → {3, 7}; pieces that are not positive decimal numbers are skipped.
std::vector<int> ParseMembership(std::string_view groups);
// {3, 7} → "3 7".
std::string JoinMembership(const std::vector<int>& ids);

class UsersStore {
 public:
  // Empties both lists and reads them from the settings. A missing key reads
  // as no users or groups; this never fails.
  void Load(const AppSettings& app);
  // Applies the marks: deleted records leave the settings and the lists,
  // modified ones are written (new ones get their ids first). False when the
  // settings file could not be written; the lists then still hold the marks.
  bool Save(AppSettings& app);

  std::vector<UserRecord>& users() { return users_; }
  const std::vector<UserRecord>& users() const { return users_; }
  std::vector<GroupRecord>& groups() { return groups_; }
  const std::vector<GroupRecord>& groups() const { return groups_; }
  int nextUserId() const { return nextUserId_; }
  int nextGroupId() const { return nextGroupId_; }

  // Editing, as the window and the command line do it. Each returns the
  // index of the record (Add) or whether it was found.
  size_t AddUser(UserRecord user);
  size_t AddGroup(GroupRecord group);
  void DeleteUser(size_t index);
  void DeleteGroup(size_t index);

  // Records that are not marked deleted. Names are matched exactly first,
  // then without regard to letter case.
  const UserRecord* FindUser(int id) const;
  // Also finds a new group by its negative stand-in id.
  const GroupRecord* FindGroup(int id) const;
  int FindUserByName(std::string_view name) const;  // index, or -1
  int FindGroupByName(std::string_view name) const;

  // Why a name cannot be given to a user (or group), "" when it can: it must
  // not be empty, hold control characters or start or end with a space, and
  // must differ, also in letter case, from every other live user's (group's)
  // name, since visitors log in by it. `self` is the index of the record
  // being renamed, or -1 for a new one.
  std::string CheckUserName(std::string_view name, int self) const;
  std::string CheckGroupName(std::string_view name, int self) const;
  // A description or password must fit on one line of the settings file.
  enum class Field { kDescription, kPassword };
  static std::string CheckText(Field field, std::string_view text);

  // The window's lists changed since the last save (records added or removed).
  void MarkListsChanged() { listsChanged_ = true; }

 private:
  std::vector<UserRecord> users_;
  std::vector<GroupRecord> groups_;
  int nextUserId_ = 1;
  int nextGroupId_ = 1;
  bool listsChanged_ = false;
  unsigned newGroups_ = 0;
};

}  // namespace albumsmith
