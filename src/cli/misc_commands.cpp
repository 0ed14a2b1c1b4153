// Commands that belong to no group: copy, demo, version.

#include <cstdio>
#include <filesystem>

#include "app/application.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/user_dirs.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"
#include "update/version_check.h"

namespace albumsmith {
namespace {

using Context = CliContext;
namespace fs = std::filesystem;

int Copy(Context& ctx, const std::string& source, const std::string& destination) {
  if (!DirExists(source)) return Fail(ctx, "no folder " + source);
  CliCopyProgress progress(stdout);
  const Status copied = CopyTreeWithProgress(source, destination, progress);
  return copied ? 0 : Fail(copied, "");
}

// Creates a profile from the photos shipped with the program, so that a new
// user sees the album's folders at once.
int Demo(Context& ctx, const std::string& requested) {
  std::string demoDir;
  for (const fs::path& dir : DataDirectories()) {
    if (DirExists((dir / "demo").string())) {
      demoDir = (dir / "demo").string();
      break;
    }
  }
  if (demoDir.empty()) return Fail(ctx, "the demo photos are not installed");
  std::string name = requested;
  if (auto stored = FindProfile(ctx.profilesDir, requested)) {
    name = *stored;
  } else {
    if (const Status checked = CheckNewProfileName(ctx.profilesDir, name); !checked) return Fail(checked);
    ProfileSettings s = NewProfileSettings(name);
    s.serverName = "127.0.0.1";
    s.login = "demo";
    s.password = "demo";
    s.remoteDir = "/album/";
    s.php = 0;  // a static site opens straight from the disk
    if (!CreateProfile(ctx.profilesDir, s)) return Fail(ctx, "");
    if (const Status copied = CopyTree(demoDir, ProfileDirectory(ctx.profilesDir, s) + "ImageTree/"); !copied)
      return Fail(copied);
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

int RunCopy(Context& ctx, const std::vector<std::string>& args) {
  return args.size() == 3 ? Copy(ctx, args[1], args[2]) : kUsageError;
}

int RunDemo(Context& ctx, const std::vector<std::string>& args) {
  return args.size() <= 2 ? Demo(ctx, args.size() == 2 ? args[1] : "Demo") : kUsageError;
}

int RunVersion(Context& ctx, const std::vector<std::string>& args) {
  const bool check = args.size() >= 2 && args[1] == "--check";
  if (args.size() > (check ? 3u : 1u)) return kUsageError;
  const Release running = ProgramRelease();
  std::printf("Albumsmith %s\n", running.ShortText().c_str());
  if (!check) return 0;
  const std::string url = args.size() == 3 ? args[2] : VersionCheckUrl(ctx.settings);
  const auto endpoint = SplitHttpUrl(url);
  if (!endpoint) return Fail(ctx, url + " : URL error");
  std::fflush(stdout);
  // As in the window: no answer, or one that names no higher release, is not
  // an error.
  for (const Release& newer : CheckForNewerReleases(*endpoint, running))
    std::printf("newer release: %d.%d.%d\n", newer.major, newer.minor, newer.patch);
  return 0;
}

const CliRegistrar kCopy({"copy", "  copy SOURCE DESTINATION           copy a folder tree with progress\n", &RunCopy});
const CliRegistrar kDemo({"demo",
                          "  demo [NAME]                       create a demo profile from the photos shipped\n"
                          "                                    with the program\n",
                          &RunDemo});
const CliRegistrar kVersion({"version",
                             "  version [--check [URL]]          print the release; --check asks the product's web\n"
                             "                                    site (or URL) whether a newer one exists\n",
                             &RunVersion});

}  // namespace
}  // namespace albumsmith
