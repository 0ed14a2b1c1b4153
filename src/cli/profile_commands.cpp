// The profile commands: list, create, show, set, rename, delete.

#include <cstdio>
#include <optional>

#include "cli/cli.h"
#include "platform/app_settings.h"
#include "platform/text.h"
#include "store/profile_settings.h"
#include "publish/sync_start.h"
#include "site/style_block.h"
#include "store/profiles.h"
#include "store/remote_choices.h"

namespace albumsmith {

namespace {

using Context = CliContext;

// Commands work on the profile folder as it is spelt on disk, whatever the
// letter case typed.
std::optional<std::string> StoredName(const Context& ctx, const std::string& name) {
  return FindProfile(ctx.profilesDir, name);
}

int ProfileList(Context& ctx) {
  for (const std::string& name : ListProfiles(ctx.profilesDir)) std::printf("%s\n", name.c_str());
  return 0;
}

int ProfileCreate(Context& ctx, const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 2, kServerOptions, options, positional, error)) return Fail(ctx, error);
  if (positional.size() != 1) return Fail(ctx, "profile create needs exactly one NAME");
  // The wizard's pages, in their order, with their checks and messages.
  const std::string name = positional[0];
  if (const Status checked = CheckNewProfileName(ctx.profilesDir, name); !checked) return Fail(checked);
  ProfileSettings s = NewProfileSettings(name);
  if (const Status applied = ApplyServerOptions(options, s); !applied)
    return applied.cancelled() ? Fail(ctx, "profile not created (warning answered Cancel)") : Fail(applied);
  if (!CreateProfile(ctx.profilesDir, s)) return Fail(ctx, "");
  std::printf("created profile %s in %s\n", name.c_str(), ProfileDirectory(ctx.profilesDir, s).c_str());
  return 0;
}

int ProfileShow(Context& ctx, const std::string& typed) {
  const auto name = StoredName(ctx, typed);
  if (!name) return Fail(ctx, "no profile named " + typed);
  const ProfileSettings s = ReadProfile(ctx.profilesDir, *name);
  for (const ProfileKey& key : ProfileKeys()) {
    const std::string k = key.key;
    const std::string value = k == "Password" || k == "AccessPassword" ? "***" : ProfileKeyText(s, key);
    std::printf("%s/%s=%s\n", key.section, key.key, value.c_str());
  }
  return 0;
}

int ProfileSet(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 4) return Fail(ctx, "profile set needs NAME and at least one Key=Value");
  const auto name = StoredName(ctx, args[2]);
  if (!name) return Fail(ctx, "no profile named " + args[2]);
  const ProfileSettings asRead = ReadProfile(ctx.profilesDir, *name);
  ProfileSettings edited = asRead;
  for (size_t i = 3; i < args.size(); ++i) {
    const size_t eq = args[i].find('=');
    if (eq == std::string::npos) return Fail(ctx, "expected Key=Value, got " + args[i]);
    const std::string keyName = args[i].substr(0, eq);
    const std::string value = args[i].substr(eq + 1);
    const ProfileKey* key = FindProfileKey(keyName);
    if (!key) return Fail(ctx, "unknown key " + keyName);
    const std::string k = key->key;
    if (k == "Password") {
      edited.password = value;  // given in clear; stored scrambled
    } else if (k == "ServerName") {
      if (!CheckDialogServerName(value)) return Fail(ctx, "");
      edited.serverName = value;
    } else if (k == "RemoteDir") {
      auto remote = CheckDialogRemoteDir(value);
      if (!remote) return Fail(ctx, "");
      edited.remoteDir = *remote;
    } else if (k == "Protocol") {
      if (!value.empty() && !IsKnownProtocol(value)) return Fail(ctx, "Protocol takes ftp, ftps or sftp");
      SetProfileProtocol(edited, value.empty() ? kProtocolFtp : std::string_view(value));
    } else if (k == "KeyFile") {
      if (const Status checked = CheckKeyFile(value); !checked) return Fail(checked);
      edited.keyFile = value;
    } else if (k == "CommentFont" || k == "DateFont") {
      if (!CheckFontName(value)) return Fail(ctx, "");
      SetProfileKeyText(edited, *key, value);
    } else {
      SetProfileKeyText(edited, *key, value);
    }
  }
  if (!ApplyProfileChanges(ctx.profilesDir, asRead, edited)) return Fail(ctx, "");
  return 0;
}

int ProfileRename(Context& ctx, const std::string& typed, const std::string& newName) {
  const auto oldName = StoredName(ctx, typed);
  if (!oldName) return Fail(ctx, "no profile named " + typed);
  ProfileSettings s = ReadProfile(ctx.profilesDir, *oldName);
  if (const Status renamed = RenameProfile(ctx.profilesDir, ctx.settings, s, newName); !renamed)
    return Fail(renamed, "cannot rename " + *oldName + " to " + newName);
  return 0;
}

int ProfileDelete(Context& ctx, const std::string& typed) {
  const auto name = StoredName(ctx, typed);
  if (!name) return Fail(ctx, "no profile named " + typed);
  if (!DeleteProfile(ctx.profilesDir, ctx.settings, *name, RemoveRemoteProfile))
    return Fail(ctx, "profile not deleted");
  return 0;
}

int RunProfile(Context& ctx, const std::vector<std::string>& args) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  if (sub == "list" && args.size() == 2) return ProfileList(ctx);
  if (sub == "create") return ProfileCreate(ctx, args);
  if (sub == "show" && args.size() == 3) return ProfileShow(ctx, args[2]);
  if (sub == "set") return ProfileSet(ctx, args);
  if (sub == "rename" && args.size() == 4) return ProfileRename(ctx, args[2], args[3]);
  if (sub == "delete" && args.size() == 3) return ProfileDelete(ctx, args[2]);
  if (sub == "copy") return RunProfileCopy(ctx, args);
  return kUsageError;
}

const CliRegistrar kProfile({"profile",
                             "  profile list\n"
                             "  profile create NAME --server HOST[:PORT] --login L --password P --remote-dir DIR\n"
                             "                 [--php 0|1] [--passive 0|1] [--protocol ftp|ftps|sftp] [--key FILE]\n"
                             "                 [--connections N]\n"
                             "  profile show NAME\n"
                             "  profile set NAME Key=Value ...\n"
                             "  profile rename OLD NEW\n"
                             "  profile delete NAME\n"
                             "  profile copy OLD NEW [--images] [--server HOST[:PORT]] [--login L] [--password P]\n"
                             "               [--remote-dir DIR] [--php 0|1] [--passive 0|1]\n",
                             &RunProfile});

}  // namespace
}  // namespace albumsmith
