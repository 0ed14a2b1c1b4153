// The folder commands: list, add, rename, delete, move, before, after.
//
// Every command first opens the profile's tree the way the GUI does and then
// expands every folder, as if the user had opened the whole tree: folders
// added or removed outside the program are taken into remdir.dat before the
// command runs. Paths are relative to ImageTree with "/" separators; the top
// level (ImageTree itself) is "" or "/", and is not a line of `folder list`,
// just as remdir.dat has no line for it.

#include <cstdio>

#include "cli/cli.h"
#include "platform/strings.h"
#include "store/folder_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

using Context = CliContext;

// The profile as it is spelt on disk, whatever the letter case typed.
bool Open(Context& ctx, const std::string& profile, FolderTree& folders, std::string& error) {
  const auto stored = FindProfile(ctx.profilesDir, profile);
  if (!stored) {
    error = "no profile named " + profile;
    return false;
  }
  folders.Load(ctx.profilesDir, ReadProfile(ctx.profilesDir, *stored));
  folders.ExpandAll();
  return true;
}

// The folder of a path given on the command line; the top level only when allowed.
const CDirectoryTree::Node* Folder(FolderTree& folders, const std::string& path, bool rootAllowed, std::string& error) {
  const CDirectoryTree::Node* node = folders.tree().FindPath(path);
  if (!node) {
    error = "no folder " + path + " in profile " + folders.profile().name;
  } else if (node->isRoot() && !rootAllowed) {
    error = "the top level of the profile is not a folder that can be changed";
    node = nullptr;
  }
  return node;
}

// The reason of a refused question, or of the message the command showed.
int Declined(Context& ctx, const Status& failure, const std::string& what) {
  return failure.cancelled() ? Fail(ctx, what + " (question answered Cancel)") : Fail(failure);
}

int List(Context& ctx, const std::string& profile) {
  FolderTree folders;
  std::string error;
  if (!Open(ctx, profile, folders, error)) return Fail(ctx, error);
  for (const CDirectoryTree::Entry& e : folders.tree().List())
    std::printf("%d %d %s\n", e.id, e.depth, e.relativePath.c_str());
  return 0;
}

int Add(Context& ctx, const std::string& profile, const std::string& path) {
  FolderTree folders;
  std::string error;
  if (!Open(ctx, profile, folders, error)) return Fail(ctx, error);
  return AddFolder(folders, path) ? 0 : Fail(ctx, "");
}

int Rename(Context& ctx, const std::string& profile, const std::string& path, const std::string& newName) {
  FolderTree folders;
  std::string error;
  if (!Open(ctx, profile, folders, error) || !Folder(folders, path, false, error)) return Fail(ctx, error);
  return RenameFolder(folders, path, newName) == RenameResult::kRenamed ? 0 : Fail(ctx, "");
}

int Delete(Context& ctx, const std::string& profile, const std::string& path) {
  FolderTree folders;
  std::string error;
  const CDirectoryTree::Node* node = nullptr;
  if (!Open(ctx, profile, folders, error) || !(node = Folder(folders, path, false, error))) return Fail(ctx, error);
  const Status deleted = DeleteFolder(folders, path);
  return deleted ? 0 : Declined(ctx, deleted, "folder not deleted");
}

int Move(Context& ctx, const std::string& profile, const std::string& path, const std::string& newParent) {
  FolderTree folders;
  std::string error;
  const CDirectoryTree::Node* source = nullptr;
  const CDirectoryTree::Node* target = nullptr;
  if (!Open(ctx, profile, folders, error) || !(source = Folder(folders, path, false, error)) ||
      !(target = Folder(folders, newParent, true, error)))
    return Fail(ctx, error);
  const Result<std::string> moved = MoveFolder(folders, path, newParent);
  return moved ? 0 : Declined(ctx, moved.status(), "folder not moved");
}

int Reorder(Context& ctx, const std::string& profile, const std::string& path, bool before) {
  FolderTree folders;
  std::string error;
  if (!Open(ctx, profile, folders, error) || !Folder(folders, path, false, error)) return Fail(ctx, error);
  if (before ? MoveFolderBefore(folders, path) : MoveFolderAfter(folders, path)) return 0;
  return Fail(ctx, path + (before ? " is already the first of its folder" : " is already the last of its folder"));
}

int RunFolder(Context& ctx, const std::vector<std::string>& args) {
  const std::string sub = args.size() > 1 ? args[1] : "";
  const size_t n = args.size();
  if (sub == "list" && n == 3) return List(ctx, args[2]);
  if (sub == "add" && n == 4) return Add(ctx, args[2], args[3]);
  if (sub == "rename" && n == 5) return Rename(ctx, args[2], args[3], args[4]);
  if (sub == "delete" && n == 4) return Delete(ctx, args[2], args[3]);
  if (sub == "move" && n == 5) return Move(ctx, args[2], args[3], args[4]);
  if ((sub == "before" || sub == "after") && n == 4) return Reorder(ctx, args[2], args[3], sub == "before");
  return kUsageError;
}

const CliRegistrar kFolder({"folder",
                            "  folder list PROFILE               one line per folder in album order:\n"
                            "                                    ID DEPTH PATH/ (the top level is not listed)\n"
                            "  folder add PROFILE PATH           creates PATH and any missing parents\n"
                            "  folder rename PROFILE PATH NEWNAME\n"
                            "  folder delete PROFILE PATH\n"
                            "  folder move PROFILE PATH NEW/PARENT/   (\"/\" for the top level)\n"
                            "  folder before|after PROFILE PATH  moves PATH one place up or down\n",
                            &RunFolder});

}  // namespace
}  // namespace albumsmith
