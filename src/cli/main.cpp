// albumsmith-cli: the program's operations without windows.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "cli/cli_sink.h"
#include "platform/app_settings.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "platform/user_dirs.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = R"(usage: albumsmith-cli [--config-dir DIR] [--profiles-dir DIR] [--yes|--no] COMMAND ...

Profiles:
  profile list
  profile create NAME --server HOST[:PORT] --login L --password P --remote-dir DIR
                 [--php 0|1] [--passive 0|1]
  profile show NAME
  profile set NAME Key=Value ...
  profile rename OLD NEW
  profile delete NAME
Other:
  copy SOURCE DESTINATION   copy a folder tree with progress
  demo [NAME]               create a demo profile from the photos shipped with the program
  version

Options:
  --config-dir DIR     keep the application settings in DIR/Albumsmith.ini
  --profiles-dir DIR   use DIR as the profiles base directory
  --yes                answer OK/Yes to every question (and tick "Don't ask me again")
  --no                 answer Cancel/No to every question
)";

// The terminal prompter that also remembers the last text it showed, the
// reason of a failure that a message explained.
class CliPrompter : public TerminalPrompter {
 public:
  using TerminalPrompter::TerminalPrompter;
  Reply Ask(const Message& message) override {
    lastText_ = ReplaceAll(ReplaceAll(message.text, "\r", ""), "\n", " ");
    return TerminalPrompter::Ask(message);
  }
  const std::string& lastText() const { return lastText_; }

 private:
  std::string lastText_;
};

struct Context {
  AppSettings& settings;
  std::string profilesDir;
  CliPrompter& prompter;
};

// One line saying why the command failed: the given reason, else the last
// message the command showed.
int Fail(Context& ctx, const std::string& reason) {
  const std::string& why = reason.empty() ? ctx.prompter.lastText() : reason;
  std::fprintf(stderr, "albumsmith-cli: %s\n", why.empty() ? "failed" : why.c_str());
  return 1;
}

// Options of the form --name VALUE after the positional arguments.
bool ParseOptions(const std::vector<std::string>& args, size_t from, std::map<std::string, std::string>& options,
                  std::vector<std::string>& positional, std::string& error) {
  for (size_t i = from; i < args.size(); ++i) {
    if (StartsWith(args[i], "--")) {
      if (i + 1 >= args.size()) {
        error = "option " + args[i] + " needs a value";
        return false;
      }
      options[args[i].substr(2)] = args[i + 1];
      ++i;
    } else {
      positional.push_back(args[i]);
    }
  }
  return true;
}

bool ParseFlag(const std::map<std::string, std::string>& options, const char* name, int& value, std::string& error) {
  auto it = options.find(name);
  if (it == options.end()) return true;
  if (it->second != "0" && it->second != "1") {
    error = std::string("--") + name + " takes 0 or 1";
    return false;
  }
  value = it->second == "1";
  return true;
}

int ProfileList(Context& ctx) {
  for (const std::string& name : ListProfiles(ctx.profilesDir)) std::printf("%s\n", name.c_str());
  return 0;
}

int ProfileCreate(Context& ctx, const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 2, options, positional, error)) return Fail(ctx, error);
  if (positional.size() != 1) return Fail(ctx, "profile create needs exactly one NAME");
  for (const auto& [key, value] : options) {
    static const char* known[] = {"server", "login", "password", "remote-dir", "php", "passive"};
    if (std::none_of(std::begin(known), std::end(known), [&](const char* k) { return key == k; }))
      return Fail(ctx, "unknown option --" + key);
  }
  auto option = [&](const char* name) {
    auto it = options.find(name);
    return it == options.end() ? std::string() : it->second;
  };
  // The wizard's pages, in their order, with their checks and messages.
  const std::string name = positional[0];
  if (!CheckNewProfileName(ctx.profilesDir, name)) return Fail(ctx, "");
  ProfileSettings s = NewProfileSettings(name);
  s.serverName = option("server");
  if (!CheckServerName(s.serverName)) return Fail(ctx, "");
  if (!ParseFlag(options, "php", s.php, error) || !ParseFlag(options, "passive", s.passive, error))
    return Fail(ctx, error);
  s.login = option("login");
  if (!CheckLogin(s.login)) return Fail(ctx, "");
  s.password = option("password");
  if (!CheckPassword(s.password)) return Fail(ctx, "");
  auto remote = CheckWizardRemoteDir(option("remote-dir"));
  if (!remote) return Fail(ctx, ctx.prompter.lastText().find("WARNING !!") == 0 ? "profile not created (warning answered Cancel)" : "");
  s.remoteDir = *remote;
  if (!CreateProfile(ctx.profilesDir, s)) return Fail(ctx, "");
  std::printf("created profile %s in %s\n", name.c_str(), ProfileDirectory(ctx.profilesDir, s).c_str());
  return 0;
}

int ProfileShow(Context& ctx, const std::string& name) {
  if (!ProfileExists(ctx.profilesDir, name)) return Fail(ctx, "no profile named " + name);
  const ProfileSettings s = ReadProfile(ctx.profilesDir, name);
  for (const ProfileKey& key : ProfileKeys()) {
    const std::string value = std::string(key.key) == "Password" ? "***" : ProfileKeyText(s, key);
    std::printf("%s/%s=%s\n", key.section, key.key, value.c_str());
  }
  return 0;
}

int ProfileSet(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 4) return Fail(ctx, "profile set needs NAME and at least one Key=Value");
  const std::string name = args[2];
  if (!ProfileExists(ctx.profilesDir, name)) return Fail(ctx, "no profile named " + name);
  const ProfileSettings asRead = ReadProfile(ctx.profilesDir, name);
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
    } else {
      SetProfileKeyText(edited, *key, value);
    }
  }
  if (!ApplyProfileChanges(ctx.profilesDir, asRead, edited)) return Fail(ctx, "");
  return 0;
}

int ProfileRename(Context& ctx, const std::string& oldName, const std::string& newName) {
  if (!ProfileExists(ctx.profilesDir, oldName)) return Fail(ctx, "no profile named " + oldName);
  ProfileSettings s = ReadProfile(ctx.profilesDir, oldName);
  const std::string before = ctx.prompter.lastText();
  if (!RenameProfile(ctx.profilesDir, ctx.settings, s, newName))
    return Fail(ctx, ctx.prompter.lastText() == before ? "cannot rename " + oldName + " to " + newName : "");
  return 0;
}

int ProfileDelete(Context& ctx, const std::string& name) {
  if (!ProfileExists(ctx.profilesDir, name)) return Fail(ctx, "no profile named " + name);
  if (!DeleteProfile(ctx.profilesDir, ctx.settings, name, nullptr)) return Fail(ctx, "profile not deleted");
  return 0;
}

int Copy(Context& ctx, const std::string& source, const std::string& destination) {
  if (!DirExists(source)) return Fail(ctx, "no folder " + source);
  CliCopyProgress progress(stdout);
  return CopyTreeWithProgress(source, destination, progress) == CopyProgress::kEndSuccess ? 0 : Fail(ctx, "");
}

// Creates a profile from the photos shipped with the program, so that a new
// user sees the album's folders at once.
int Demo(Context& ctx, const std::string& name) {
  std::string demoDir;
  for (const fs::path& dir : DataDirectories()) {
    if (DirExists((dir / "demo").string())) {
      demoDir = (dir / "demo").string();
      break;
    }
  }
  if (demoDir.empty()) return Fail(ctx, "the demo photos are not installed");
  if (!ProfileExists(ctx.profilesDir, name)) {
    ProfileSettings s = NewProfileSettings(name);
    s.serverName = "127.0.0.1";
    s.login = "demo";
    s.password = "demo";
    s.remoteDir = "/album/";
    if (!CreateProfile(ctx.profilesDir, s)) return Fail(ctx, "");
    if (!CopyTree(demoDir, ProfileDirectory(ctx.profilesDir, s) + "ImageTree/")) return Fail(ctx, "");
  }
  const ProfileSettings s = ReadProfile(ctx.profilesDir, name);
  const std::string dir = ProfileDirectory(ctx.profilesDir, s);
  std::printf("profile %s in %s\n", name.c_str(), dir.c_str());
  std::vector<std::string> folders;
  ListDirs(dir + "ImageTree/", "", folders);
  for (const std::string& folder : folders) {
    std::vector<std::string> files;
    ListFiles(dir + "ImageTree/" + folder, files);
    std::printf("  ImageTree/%s: %zu file(s)\n", folder.c_str(), files.size());
  }
  std::printf("settings: %s\n", ProfileIniPath(ctx.profilesDir, s).c_str());
  return 0;
}

int Run(Context& ctx, const std::vector<std::string>& args) {
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string& command = args[0];
  const std::string sub = args.size() > 1 ? args[1] : "";
  if (command == "profile") {
    if (sub == "list" && args.size() == 2) return ProfileList(ctx);
    if (sub == "create") return ProfileCreate(ctx, args);
    if (sub == "show" && args.size() == 3) return ProfileShow(ctx, args[2]);
    if (sub == "set") return ProfileSet(ctx, args);
    if (sub == "rename" && args.size() == 4) return ProfileRename(ctx, args[2], args[3]);
    if (sub == "delete" && args.size() == 3) return ProfileDelete(ctx, args[2]);
  } else if (command == "copy" && args.size() == 3) {
    return Copy(ctx, args[1], args[2]);
  } else if (command == "demo" && args.size() <= 2) {
    return Demo(ctx, args.size() == 2 ? args[1] : "Demo");
  } else if (command == "version" && args.size() == 1) {
    std::printf("Albumsmith %s\n", ProgramRelease().ShortText().c_str());
    return 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace
}  // namespace albumsmith

int main(int argc, char** argv) {
  using namespace albumsmith;
  std::vector<std::string> args;
  std::string profilesDir;
  auto assume = TerminalPrompter::Assume::kNothing;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--config-dir" && i + 1 < argc) {
      ::setenv("ALBUMSMITH_CONFIG_DIR", argv[++i], 1);
    } else if (a == "--profiles-dir" && i + 1 < argc) {
      profilesDir = argv[++i];
    } else if (a == "--yes") {
      assume = TerminalPrompter::Assume::kYes;
    } else if (a == "--no") {
      assume = TerminalPrompter::Assume::kNo;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      args.assign(argv + i, argv + argc);
      break;
    }
  }
  const bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  CliPrompter prompter(assume, stdin, stderr, interactive);
  Prompter::SetCurrent(&prompter);

  AppSettings settings(AppSettings::DefaultFile());
  std::error_code ec;
  Languages languages(ProgramDirectory(), std::filesystem::current_path(ec));
  languages.Load(settings.GetString("Settings", "Language", "English"), settings);
  UpgradeSettings(settings.GetInt("Settings", "Version", -1), settings);
  if (profilesDir.empty()) {
    profilesDir = InitProfilesDir(settings);
  } else if (!EndsWith(profilesDir, "/")) {
    profilesDir += "/";
  }
  CreatePath(profilesDir);
  Context ctx{settings, profilesDir, prompter};
  return Run(ctx, args);
}
