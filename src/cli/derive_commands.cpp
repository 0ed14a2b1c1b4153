// The derive command: makes the derived files (medium images, thumbnails,
// Exif pages) of one folder or of every folder of a profile, exactly as
// showing each folder in the window would: the folder is loaded into an
// image list (which also removes stale derived files) and the image worker
// runs over it.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "album/image_worker.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/format.h"
#include "store/folder_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

using Context = CliContext;

bool DeriveAndReport(const FolderTree& folders, const std::string& folder, const WorkerOptions& options) {
  // Progress and status lines go to stderr: stdout carries one line per folder.
  CliWindowSink sink(stderr);
  const std::optional<size_t> count = DeriveFolder(folders.profileDir(), folder, folders.profile(), sink, options);
  if (!count) return false;
  std::printf("%s %s\n", folder.empty() ? "/" : folder.c_str(), Fmt("%d image(s)", {static_cast<int>(*count)}).c_str());
  std::fflush(stdout);
  return true;
}

int Derive(Context& ctx, const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 1, {"threads"}, options, positional, error)) return Fail(ctx, error);
  if (positional.empty() || positional.size() > 2) return kUsageError;
  WorkerOptions worker;
  // A command the user started waits for nothing else, so it runs at normal priority.
  worker.lowPriority = false;
  for (const auto& [key, value] : options) {
    char* end = nullptr;
    const long threads = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end || threads < 1 || threads > 256)
      return Fail(ctx, "--threads takes a number from 1 to 256");
    worker.threads = static_cast<int>(threads);
  }

  const auto profile = FindProfile(ctx.profilesDir, positional[0]);
  if (!profile) return Fail(ctx, "no profile named " + positional[0]);
  // Opened the way the window opens a profile, so that folders made outside
  // the program are in the tree and in its order.
  FolderTree folders;
  folders.Load(ctx.profilesDir, ReadProfile(ctx.profilesDir, *profile));
  folders.ExpandAll();

  std::vector<std::string> work;
  if (positional.size() == 2) {
    const std::string folder = RelativeFolder(positional[1]);
    if (!folders.tree().FindPath(folder)) return Fail(ctx, "no folder " + positional[1] + " in profile " + *profile);
    work.push_back(folder);
  } else {
    work.push_back("");  // the top level holds images too
    for (const CDirectoryTree::Entry& e : folders.tree().List()) work.push_back(e.relativePath);
  }
  for (const std::string& folder : work)
    if (!DeriveAndReport(folders, folder, worker)) return Fail(ctx, "");
  return 0;
}

const CliRegistrar kDerive({"derive",
                            "  derive PROFILE [REL/PATH] [--threads N]\n"
                            "                                    make the medium images, thumbnails and Exif pages\n"
                            "                                    of one folder, or of every folder in tree order\n",
                            &Derive});

}  // namespace
}  // namespace albumsmith
