// The image edits of the command line: delete photos, the paste of a Copy or
// a Cut between two folders, and moving a photo in the position order.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "album/image_edit.h"
#include "album/image_list.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/format.h"
#include "platform/text.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

using Context = CliContext;

struct Folder {
  std::string profileDir;
  std::string folder;  // "" or ending with "/"
};

bool OpenProfileFolder(Context& ctx, const ProfileSettings& settings, const std::string& path, Folder& out,
                       std::string& error) {
  out.folder = RelativeFolder(path);
  if (!IsSafeFolder(out.folder)) {
    error = "not a folder path: " + path;
    return false;
  }
  out.profileDir = ProfileDirectory(ctx.profilesDir, settings);
  if (!DirExists(FolderDirectories(out.profileDir, out.folder).images)) {
    error = "no folder " + path + " in profile " + settings.name;
    return false;
  }
  return true;
}

bool OpenProfile(Context& ctx, const std::string& name, ProfileSettings& settings, std::string& error) {
  if (!ProfileExists(ctx.profilesDir, name)) {
    error = "no profile named " + name;
    return false;
  }
  settings = ReadProfile(ctx.profilesDir, name);
  return true;
}

// The folder loaded as the window would after an edit: derived files that
// lost their photo go, the order files take the new content. Status lines go
// to stderr: stdout carries one line per photo changed.
bool Reload(const Folder& f, const ProfileSettings& settings) {
  CliWindowSink sink(stderr);
  ImageList list(sink);
  return list.LoadFolder(f.profileDir, f.folder, settings);
}

// image delete PROFILE REL/PATH NAME...
int DeleteCommand(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 5) return kUsageError;
  ProfileSettings settings;
  Folder f;
  std::string error;
  if (!OpenProfile(ctx, args[2], settings, error) || !OpenProfileFolder(ctx, settings, args[3], f, error))
    return Fail(ctx, error);
  const std::vector<std::string> names(args.begin() + 4, args.end());
  if (!ConfirmDeleteImages(static_cast<int>(names.size()))) return Fail(ctx, "nothing deleted");
  const DeleteOutcome out = DeleteImages(f.profileDir, f.folder, names);
  for (const std::string& name : names)
    if (std::find(out.failed.begin(), out.failed.end(), name) == out.failed.end())
      std::printf("deleted %s\n", name.c_str());
  std::fflush(stdout);
  Reload(f, settings);
  return out.failed.empty() ? 0 : Fail(out.failure, "");
}

// image copy|move PROFILE FROM/PATH TO/PATH NAME...
int PasteCommand(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 6) return kUsageError;
  const bool cut = args[1] == "move";
  ProfileSettings settings;
  Folder from, to;
  std::string error;
  if (!OpenProfile(ctx, args[2], settings, error) || !OpenProfileFolder(ctx, settings, args[3], from, error) ||
      !OpenProfileFolder(ctx, settings, args[4], to, error))
    return Fail(ctx, error);
  const std::vector<std::string> names(args.begin() + 5, args.end());
  ImageClipboard record = MakeClipboard(from.profileDir, from.folder, names,
                                        cut ? ImageClipboard::Mode::kCut : ImageClipboard::Mode::kCopy);
  record.destinationFolder = to.folder;
  const PasteOutcome out = ApplyPaste(from.profileDir, record);
  for (const std::string& name : out.pasted) std::printf("%s %s\n", cut ? "moved" : "copied", name.c_str());
  std::fflush(stdout);
  // Both folders' order files follow: a moved photo leaves its old folder's.
  if (cut) Reload(from, settings);
  Reload(to, settings);
  return out.failed.empty() ? 0 : Fail(out.failure, "");
}

// image order PROFILE REL/PATH NAME --before OTHER | --last
int OrderCommand(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 6 && args.size() != 7) return kUsageError;
  const bool last = args.size() == 6 && args[5] == "--last";
  const bool before = args.size() == 7 && args[5] == "--before";
  if (!last && !before) return kUsageError;
  ProfileSettings settings;
  Folder f;
  std::string error;
  if (!OpenProfile(ctx, args[2], settings, error) || !OpenProfileFolder(ctx, settings, args[3], f, error))
    return Fail(ctx, error);
  CliWindowSink sink(stderr);
  ImageList list(sink);
  if (!list.LoadFolder(f.profileDir, f.folder, settings)) return Fail(ctx, "");
  const auto indexOf = [&list](const std::string& name) {
    const auto& items = list.items();
    return static_cast<int>(
        std::find_if(items.begin(), items.end(), [&](const ImageItem& i) { return i.fileName == name; }) -
        items.begin());
  };
  const int count = static_cast<int>(list.items().size());
  const int dragged = indexOf(args[4]);
  if (dragged == count) return Fail(ctx, "no image " + args[4] + " in " + args[3]);
  const int target = last ? count : indexOf(args[6]);
  if (target == count && !last) return Fail(ctx, "no image " + args[6] + " in " + args[3]);
  if (!CanDragInList(list)) return Fail(ctx, "");
  if (!DropInList(list, dragged, target, 1)) return 0;  // already there
  for (const ImageItem& item : list.items()) {
    if (item.fileName == args[4])
      std::printf("%s\t%s\n", ColumnText(item, kSortByPosition).c_str(), item.fileName.c_str());
  }
  return 0;
}

}  // namespace

int RunImageDelete(CliContext& ctx, const std::vector<std::string>& args) { return DeleteCommand(ctx, args); }
int RunImagePaste(CliContext& ctx, const std::vector<std::string>& args) { return PasteCommand(ctx, args); }
int RunImageOrder(CliContext& ctx, const std::vector<std::string>& args) { return OrderCommand(ctx, args); }

}  // namespace albumsmith
