#pragma once
// Who may see each folder of a PHP album, kept per profile in rights.dat.
//
// A rights text is "0" (open to everyone), "9999" (closed to everyone), ""
// (the parent's rights), or comma-separated ids: negative ones are groups
// (the id negated), positive ones users, groups first ("-2,5").
//
// Folders are named by their key: the path below ImageTree with "\"
// separators, beginning and ending with "\"; the root is "\". rights.dat
// holds one line per entry, "<rights> <key>", ending with CR LF.

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace albumsmith {

class UsersStore;

inline constexpr std::string_view kRightsAll = "0";
inline constexpr std::string_view kRightsClosed = "9999";

inline std::string RightsPath(const std::string& profileDir) { return profileDir + "rights.dat"; }

// "Trips/2004/" (a folder tree path) → "\Trips\2004\"; "" → "\".
std::string FolderKey(std::string_view relativePath);
// The key of the parent folder; the root's parent is the root.
std::string ParentKey(std::string_view key);

struct RightsEntry {
  std::string key;
  std::string rights;
};

struct EffectiveRights {
  std::string rights;
  bool inherited = false;  // found on an ancestor
};

class FolderRights {
 public:
  // Reads the profile's rights.dat. Entries whose folder no longer exists
  // below ImageTree are dropped; a missing or unreadable file means none.
  void Load(const std::string& profileDir);
  // Reloads from rights.dat when the file changed behind this object (a
  // folder command moved entries); the changes made here are on disk already.
  void Reload() { Load(profileDir_); }
  // Rewrites rights.dat atomically, leaving out entries of vanished folders.
  Status Save() const;

  // The folder's own rights text. The root without an entry (or with an
  // empty one) is closed; any other folder without an entry inherits ("").
  std::string GetRights(std::string_view key) const;
  // The first own text walking from the folder up to the root.
  EffectiveRights GetEffectiveRights(std::string_view key) const;
  // Sets the folder's own text ("" removes the entry, so it inherits).
  // False when nothing changed (an equal text).
  bool SetRights(std::string_view key, std::string_view rights);

  const std::vector<RightsEntry>& entries() const { return entries_; }
  const std::string& profileDir() const { return profileDir_; }

 private:
  bool FolderExists(std::string_view key) const;
  friend Status FollowFolderRights(const std::string&, std::string_view, std::string_view);
  void Read(const std::string& profileDir, bool dropVanished);

  std::string profileDir_;
  std::vector<RightsEntry> entries_;
};

// A folder renamed or moved (`newPath` given) takes its rights, and those of
// the folders inside it, to its new place in rights.dat; a deleted folder
// (`newPath` empty) takes them away, so that a folder made later under the
// old name does not inherit them. Paths as the folder tree names them
// ("Trips/2004/"). Fails when rights.dat cannot be written.
Status FollowFolderRights(const std::string& profileDir, std::string_view oldPath, std::string_view newPath);

// Whether a text is a rights text the program writes: "", "0", "9999" or
// comma-separated non-zero decimal ids.
bool IsValidRights(std::string_view rights);

// The pieces of a rights text as numbers (empty pieces and others skipped).
std::vector<int> RightsIds(std::string_view rights);
// The text for a set of checked items: "0" or "9999" when one of them is
// among the users (both at once is refused by the caller), else groups
// (negated) in the order given, then users; "" when nothing is checked.
std::string ComposeRights(const std::vector<int>& groupIds, const std::vector<int>& userValues);

// What the folder tree shows for the effective rights.
enum class RightsIcon { kOpen, kClosed, kRestricted };
RightsIcon IconOfRights(std::string_view rights);
// The tooltip: "* Inherit\r\n" when inherited (else "* \r\n"), then "Closed",
// "All", or "Users\t: a,b" + "\r\n" + "Groups\t: g"; ids that match no
// user or group are left out.
std::string RightsTooltip(const EffectiveRights& rights, const UsersStore& users);
// One line for the command line: "All", "Closed", or "users a,b; groups g".
std::string DescribeRights(std::string_view rights, const UsersStore& users);

}  // namespace albumsmith
