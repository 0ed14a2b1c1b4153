// The access commands: users, groups, and the rights of a profile's folders.
//
//   user list | add NAME --password P [--description D] [--groups G1,G2]
//        | set NAME [--name NEW] [--password P] [--description D] [--groups G1,G2] | delete NAME
//   group list | add NAME [--description D] | set NAME [--name NEW] [--description D] | delete NAME
//   rights PROFILE REL/PATH [--all | --closed | --inherit | [--users U1,U2] [--groups G1,G2]]
//
// Users and groups are application-wide, like the "Users management"
// window; each command loads the store, changes one record and saves, so
// only that record is written.

#include <cstdio>

#include "cli/cli.h"
#include "platform/app_settings.h"
#include "platform/text.h"
#include "store/folder_ops.h"
#include "store/folder_rights.h"
#include "store/profile_settings.h"
#include "store/profiles.h"
#include "store/users_store.h"

namespace albumsmith {
namespace {

using Context = CliContext;

bool SaveStore(Context& ctx, UsersStore& store, std::string& error) {
  if (store.Save(ctx.settings)) return true;
  error = "cannot write the users and groups to " + ctx.settings.file().string();
  return false;
}

// "family,friends" → the groups' ids; the first unknown name fails.
bool GroupIds(const UsersStore& store, const std::string& names, std::vector<int>& ids, std::string& error) {
  for (const std::string& raw : Split(names, ',')) {
    const std::string name(Trim(raw));
    if (name.empty()) continue;
    const int index = store.FindGroupByName(name);
    if (index < 0) {
      error = "no group named " + Printable(name);
      return false;
    }
    const int id = store.groups()[static_cast<size_t>(index)].id;
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  return true;
}

bool UserIds(const UsersStore& store, const std::string& names, std::vector<int>& ids, std::string& error) {
  for (const std::string& raw : Split(names, ',')) {
    const std::string name(Trim(raw));
    if (name.empty()) continue;
    const int index = store.FindUserByName(name);
    if (index < 0) {
      error = "no user named " + Printable(name);
      return false;
    }
    const int id = store.users()[static_cast<size_t>(index)].id;
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  return true;
}

std::string GroupNames(const UsersStore& store, const std::string& membership) {
  std::vector<std::string> names;
  for (int id : ParseMembership(membership))
    if (const GroupRecord* g = store.FindGroup(id)) names.push_back(g->name);
  return names.empty() ? "-" : Join(names, ",");
}

// The options of user and group add/set, checked against the store.
bool ApplyUserOptions(const UsersStore& store, const std::map<std::string, std::string>& options, int self,
                      UserRecord& user, std::string& error) {
  if (const auto it = options.find("name"); it != options.end()) user.name = it->second;
  if ((error = store.CheckUserName(user.name, self)) != "") return false;
  if (const auto it = options.find("password"); it != options.end()) {
    if (it->second.empty()) {
      error = "a user needs a password to log in";
      return false;
    }
    if ((error = UsersStore::CheckText(UsersStore::Field::kPassword, it->second)) != "") return false;
    user.password = it->second;
  }
  if (const auto it = options.find("description"); it != options.end()) {
    if ((error = UsersStore::CheckText(UsersStore::Field::kDescription, it->second)) != "") return false;
    user.description = it->second;
  }
  if (const auto it = options.find("groups"); it != options.end()) {
    std::vector<int> ids;
    if (!GroupIds(store, it->second, ids, error)) return false;
    user.groups = JoinMembership(ids);
  }
  return true;
}

bool ApplyGroupOptions(const UsersStore& store, const std::map<std::string, std::string>& options, int self,
                       GroupRecord& group, std::string& error) {
  if (const auto it = options.find("name"); it != options.end()) group.name = it->second;
  if ((error = store.CheckGroupName(group.name, self)) != "") return false;
  if (const auto it = options.find("description"); it != options.end()) {
    if ((error = UsersStore::CheckText(UsersStore::Field::kDescription, it->second)) != "") return false;
    group.description = it->second;
  }
  return true;
}

bool Confirm(Context& ctx, const std::string& question) {
  return IsPositive(ctx.prompter.Ask({Icon::Question, Buttons::OkCancel, question}).answer);
}

int RunUser(Context& ctx, const std::vector<std::string>& args) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  UsersStore store;
  store.Load(ctx.settings);
  std::string error;
  if (sub == "list" && args.size() == 2) {
    for (const UserRecord& u : store.users())
      std::printf("%d %s %s\n", u.id, u.name.c_str(), GroupNames(store, u.groups).c_str());
    return 0;
  }
  if (args.size() < 3) return kUsageError;
  const std::string& name = args[2];
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  if (sub == "add") {
    if (!ParseOptions(args, 3, {"password", "description", "groups"}, options, positional, error) ||
        !positional.empty() || !options.count("password")) {
      if (!error.empty()) std::fprintf(stderr, "albumsmith-cli: %s\n", error.c_str());
      return kUsageError;
    }
    UserRecord user;
    user.name = name;
    if (!ApplyUserOptions(store, options, -1, user, error)) return Fail(ctx, error);
    store.AddUser(user);
    if (!SaveStore(ctx, store, error)) return Fail(ctx, error);
    std::printf("%d %s %s\n", store.users().back().id, user.name.c_str(), GroupNames(store, user.groups).c_str());
    return 0;
  }
  if (sub == "set" || sub == "delete") {
    if (!ParseOptions(args, 3,
                      sub == "set" ? std::vector<std::string_view>{"name", "password", "description", "groups"}
                                   : std::vector<std::string_view>{},
                      options, positional, error) ||
        !positional.empty()) {
      if (!error.empty()) std::fprintf(stderr, "albumsmith-cli: %s\n", error.c_str());
      return kUsageError;
    }
    const int index = store.FindUserByName(name);
    if (index < 0) return Fail(ctx, "no user named " + Printable(name));
    UserRecord& user = store.users()[static_cast<size_t>(index)];
    if (sub == "delete") {
      if (!Confirm(ctx, "Delete user " + user.name)) return Fail(ctx, "user not deleted (question answered Cancel)");
      store.DeleteUser(static_cast<size_t>(index));
    } else {
      UserRecord edited = user;
      if (!ApplyUserOptions(store, options, index, edited, error)) return Fail(ctx, error);
      edited.modified = true;
      user = edited;
    }
    return SaveStore(ctx, store, error) ? 0 : Fail(ctx, error);
  }
  return kUsageError;
}

int RunGroup(Context& ctx, const std::vector<std::string>& args) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  UsersStore store;
  store.Load(ctx.settings);
  std::string error;
  if (sub == "list" && args.size() == 2) {
    for (const GroupRecord& g : store.groups()) std::printf("%d %s\n", g.id, g.name.c_str());
    return 0;
  }
  if (args.size() < 3) return kUsageError;
  const std::string& name = args[2];
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::vector<std::string_view> known;
  if (sub == "add") known = {"description"};
  if (sub == "set") known = {"name", "description"};
  if (sub != "add" && sub != "set" && sub != "delete") return kUsageError;
  if (!ParseOptions(args, 3, known, options, positional, error) || !positional.empty()) {
    if (!error.empty()) std::fprintf(stderr, "albumsmith-cli: %s\n", error.c_str());
    return kUsageError;
  }
  if (sub == "add") {
    GroupRecord group;
    group.name = name;
    if (!ApplyGroupOptions(store, options, -1, group, error)) return Fail(ctx, error);
    store.AddGroup(group);
    if (!SaveStore(ctx, store, error)) return Fail(ctx, error);
    std::printf("%d %s\n", store.groups().back().id, group.name.c_str());
    return 0;
  }
  const int index = store.FindGroupByName(name);
  if (index < 0) return Fail(ctx, "no group named " + Printable(name));
  GroupRecord& group = store.groups()[static_cast<size_t>(index)];
  if (sub == "delete") {
    if (!Confirm(ctx, "Delete group " + group.name)) return Fail(ctx, "group not deleted (question answered Cancel)");
    store.DeleteGroup(static_cast<size_t>(index));
  } else {
    GroupRecord edited = group;
    if (!ApplyGroupOptions(store, options, index, edited, error)) return Fail(ctx, error);
    edited.modified = true;
    group = edited;
  }
  return SaveStore(ctx, store, error) ? 0 : Fail(ctx, error);
}

void PrintRights(const FolderRights& rights, const UsersStore& users, const std::string& key) {
  const EffectiveRights e = rights.GetEffectiveRights(key);
  std::printf("%s (%s)\n", DescribeRights(e.rights, users).c_str(), e.inherited ? "inherited" : "own");
}

int RunRights(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 3) return kUsageError;
  // Flags without a value, then --users / --groups with theirs.
  std::string mode;
  std::vector<std::string> rest;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--all" || args[i] == "--closed" || args[i] == "--inherit") {
      if (!mode.empty()) return kUsageError;
      mode = args[i];
    } else {
      rest.push_back(args[i]);
    }
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(rest, 0, {"users", "groups"}, options, positional, error) || !positional.empty() ||
      (!mode.empty() && !options.empty())) {
    if (!error.empty()) std::fprintf(stderr, "albumsmith-cli: %s\n", error.c_str());
    return kUsageError;
  }

  const auto stored = FindProfile(ctx.profilesDir, args[1]);
  if (!stored) return Fail(ctx, "no profile named " + args[1]);
  FolderTree folders;
  folders.Load(ctx.profilesDir, ReadProfile(ctx.profilesDir, *stored));
  folders.ExpandAll();
  const std::string path = RelativeFolder(args[2]);
  if (!folders.tree().FindPath(path)) return Fail(ctx, "no folder " + Printable(args[2]) + " in profile " + *stored);

  UsersStore users;
  users.Load(ctx.settings);
  FolderRights rights;
  rights.Load(folders.profileDir());
  const std::string key = FolderKey(path);
  if (!folders.profile().accessSecurity)
    std::fprintf(stderr, "albumsmith-cli: note: access security is off in profile %s; its site shows every folder\n",
                 stored->c_str());
  if (mode.empty() && options.empty()) {
    PrintRights(rights, users, key);
    return 0;
  }

  std::string text;
  if (mode == "--all") {
    text = kRightsAll;
  } else if (mode == "--closed") {
    text = kRightsClosed;
  } else if (mode.empty()) {
    std::vector<int> groupIds, userIds;
    if (!GroupIds(users, options["groups"], groupIds, error) || !UserIds(users, options["users"], userIds, error))
      return Fail(ctx, error);
    text = ComposeRights(groupIds, userIds);
    // Naming nobody would quietly make the folder inherit; --inherit says so.
    if (text.empty()) return Fail(ctx, "--users and --groups name nobody; use --inherit to take the parent's rights");
  }
  if (rights.SetRights(key, text) && !rights.Save())
    return Fail(ctx, "cannot write " + RightsPath(folders.profileDir()));
  PrintRights(rights, users, key);
  return 0;
}

const CliRegistrar kUser({"user",
                          "  user list                         one line per user: ID NAME GROUPS\n"
                          "  user add NAME --password P [--description D] [--groups G1,G2]\n"
                          "  user set NAME [--name NEW] [--password P] [--description D] [--groups G1,G2]\n"
                          "  user delete NAME\n",
                          &RunUser});
const CliRegistrar kGroup({"group",
                           "  group list                        one line per group: ID NAME\n"
                           "  group add NAME [--description D]\n"
                           "  group set NAME [--name NEW] [--description D]\n"
                           "  group delete NAME\n",
                           &RunGroup});
const CliRegistrar kRights(
    {"rights",
     "  rights PROFILE REL/PATH           the folder's rights and whether they are inherited\n"
     "  rights PROFILE REL/PATH --all | --closed | --inherit | [--users U1,U2] [--groups G1,G2]\n",
     &RunRights});

}  // namespace
}  // namespace albumsmith
