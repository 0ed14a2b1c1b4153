#include "folder_ops.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/strings.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "store/file_ops.h"
#include "store/folder_rights.h"
#include "store/profiles.h"

namespace albumsmith {

namespace {

namespace fs = std::filesystem;
using Node = CDirectoryTree::Node;

constexpr MessageStyle kWarning{Icon::Exclamation, Buttons::Ok};
constexpr MessageStyle kQuestion{Icon::Question, Buttons::OkCancel};

std::string ThumbsPath(const FolderTree& folders, const std::string& relative) {
  return WithoutSlash(folders.profileDir() + "albsite/s/" + relative);
}
std::string MediumsPath(const FolderTree& folders, const std::string& relative) {
  return WithoutSlash(folders.profileDir() + "albsite/m/" + relative);
}

// The relative path with one "/" after each name and nothing empty in between.
std::string Normalized(std::string_view relativePath) {
  std::string path;
  for (const std::string& name : Split(relativePath, '/'))
    if (!name.empty()) (path += name) += '/';
  return path;
}

// The rename trace: emptied at every rename, flushed line by line so that it
// tells how far a rename got even when the program dies in the middle.
class TraceLog {
 public:
  TraceLog() {
    const fs::path file = TraceFilePath();
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    file_ = std::fopen(file.c_str(), "w");
  }
  ~TraceLog() {
    if (file_) std::fclose(file_);
  }
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;

  void Line(std::string_view format, std::initializer_list<FmtArg> args = {}) {
    if (!file_) return;
    const std::string text = Fmt(format, args);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
};

// Renames a directory without ever replacing an existing entry (rename(2)
// would silently replace an empty directory). Across file systems the tree
// is copied and the original deleted.
Status MoveDirectory(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // The file system cannot refuse to replace; check first instead.
    if (FileExists(to)) return Status::SystemError(EEXIST);
    if (::rename(from.c_str(), to.c_str()) == 0) return {};
    err = errno;
  }
  if (err != EXDEV) return Status::SystemError(err);
  if (!DirExists(from)) return Status::SystemError(ENOENT);
  if (FileExists(to)) return Status::SystemError(EEXIST);
  if (CopyTree(from, to) && DeleteTree(from)) return {};
  if (DirExists(from)) (void)DeleteTree(to);  // the original is whole: drop the partial copy
  return Status::SystemError(EXDEV);
}

// A folder's rights follow it; when rights.dat cannot be written the user is
// told, since the folder would otherwise be published with other rights
// than the ones shown for it.
void FollowRightsReported(const std::string& profileDir, std::string_view oldPath, std::string_view newPath) {
  if (const Status followed = FollowFolderRights(profileDir, oldPath, newPath); !followed)
    ShowSystemError(followed.systemError(), TextId::kCannotWriteNamed, {RightsPath(profileDir)});
}

// Copy then delete, the way a folder moves between parents.
Status CopyThenDelete(const std::string& from, const std::string& to) {
  if (Status copied = CopyTree(from, to); !copied) return copied;
  return DeleteTree(from);
}

// The directory that will hold the derived images of a new folder; a failure
// is reported by CreatePath and does not undo the folder, which the profile
// verification completes later.
void CreateDerivedDirectories(const FolderTree& folders, const std::string& relative) {
  (void)CreatePath(ThumbsPath(folders, relative));
  (void)CreatePath(MediumsPath(folders, relative));
}

}  // namespace

// --- FolderTree ------------------------------------------------------------------------

std::vector<FolderChild> FolderTree::Load(const std::string& profilesDir, const ProfileSettings& profile) {
  profile_ = profile;
  profileDir_ = ProfileDirectory(profilesDir, profile);
  if (!EndsWith(profileDir_, "/")) profileDir_ += '/';
  return LoadTree(tree_, profileDir_);
}

std::vector<FolderChild> FolderTree::Reload() { return LoadTree(tree_, profileDir_); }

std::string FolderTree::FullPath(std::string_view relativePath) const {
  return imageTreePath() + Normalized(relativePath);
}

std::string FolderTree::ItemText(const CDirectoryTree::Node* node) const {
  return !node || node->isRoot() ? profile_.name : node->name();
}

std::vector<FolderChild> FolderTree::Expand(std::string_view relativePath) {
  CDirectoryTree::Node* node = tree_.FindPath(relativePath);
  return node ? ExpandFolder(tree_, node, profileDir_) : std::vector<FolderChild>{};
}

// --- commands ----------------------------------------------------------------------------

bool CheckFolderName(std::string_view name) {
  if (IsSafeName(name)) return true;
  ShowMessage(kWarning, TextId::kBadFolderName, {name});
  return false;
}

std::optional<std::string> NewFolder(FolderTree& folders, std::string_view parentPath) {
  const Node* parent = folders.tree().FindPath(parentPath);
  if (!parent) return std::nullopt;
  const std::string parentRelative = CDirectoryTree::RelativePath(parent);
  const std::string parentDir = folders.FullPath(parentRelative);
  const std::string base = LoadString(TextId::kNewFolderName);
  std::string name = base;
  for (int i = 1; FileExists(parentDir + name); ++i) name = Fmt("%s_%d", {base, i});
  const std::string relative = parentRelative + name + "/";
  if (!CreatePath(parentDir + name)) return std::nullopt;
  CreateDerivedDirectories(folders, relative);
  folders.tree().AddPath(relative);
  SaveTreeReported(folders.tree(), folders.profileDir());
  return relative;
}

bool AddFolder(FolderTree& folders, std::string_view relativePath) {
  const std::vector<std::string> parts = Split(relativePath, '/');
  // A trailing "/" is allowed; any other empty part is an empty name.
  const size_t count = parts.size() > 1 && parts.back().empty() ? parts.size() - 1 : parts.size();
  for (size_t i = 0; i < count; ++i)
    if (!CheckFolderName(parts[i])) return false;
  const std::string relative = Normalized(relativePath);
  const std::string full = WithoutSlash(folders.FullPath(relative));
  if (FileExists(full)) {
    ShowMessage(kWarning, TextId::kFolderExists, {full});
    return false;
  }
  if (!CreatePath(full)) return false;
  CreateDerivedDirectories(folders, relative);
  folders.tree().AddPath(relative);
  SaveTreeReported(folders.tree(), folders.profileDir());
  return true;
}

RenameResult RenameFolder(FolderTree& folders, std::string_view path, const std::string& newName, WindowSink* notify) {
  CDirectoryTree& tree = folders.tree();
  const Node* node = tree.FindPath(path);
  if (!node || node->isRoot()) return RenameResult::kFailed;
  if (!CheckFolderName(newName)) return RenameResult::kEditAgain;
  if (newName == node->name()) return RenameResult::kRenamed;

  const std::string oldRelative = CDirectoryTree::RelativePath(node);
  const std::string newRelative = CDirectoryTree::RelativePath(node->parent()) + newName + "/";
  const std::string oldPath = WithoutSlash(folders.FullPath(oldRelative));
  const std::string newPath = WithoutSlash(folders.FullPath(newRelative));

  TraceLog trace;
  trace.Line("Move : %s to %s\n", {oldPath, newPath});
  if (!MoveDirectory(oldPath, newPath)) {
    ShowMessage(kWarning, TextId::kFolderNameTaken);
    return RenameResult::kEditAgain;
  }
  trace.Line("Move : OK\n");

  // The derived images follow, medium images first; a failure puts back
  // every directory already moved so the three trees keep the same names.
  struct Step {
    std::string from, to;
  };
  const Step steps[] = {{MediumsPath(folders, oldRelative), MediumsPath(folders, newRelative)},
                        {ThumbsPath(folders, oldRelative), ThumbsPath(folders, newRelative)}};
  for (size_t i = 0; i < std::size(steps); ++i) {
    trace.Line("Move : %s to %s\n", {steps[i].from, steps[i].to});
    if (const Status moved = MoveDirectory(steps[i].from, steps[i].to); !moved) {
      trace.Line("Move : ERROR %ld\n", {moved.systemError()});
      ShowSystemError(moved.systemError(), TextId::kCannotRename, {steps[i].from, steps[i].to});
      for (size_t j = i; j-- > 0;) {
        if (const Status undo = MoveDirectory(steps[j].to, steps[j].from); !undo)
          trace.Line("Move : ERROR %ld\n", {undo.systemError()});
      }
      if (const Status undo = MoveDirectory(newPath, oldPath); !undo)
        trace.Line("Move : ERROR %ld\n", {undo.systemError()});
      return RenameResult::kFailed;
    }
    trace.Line("Move : OK\n");
  }

  // A folder of the new name that the tree still knew was gone from the disk
  // (the move above succeeded); its entry must not shadow the renamed one.
  if (tree.FindPath(newRelative)) tree.RemovePath(newRelative);
  tree.RenamePath(oldRelative, newRelative);
  SaveTreeReported(tree, folders.profileDir());
  // A protected folder must not open up by being renamed.
  FollowRightsReported(folders.profileDir(), oldRelative, newRelative);
  if (notify) notify->PostShowFolder(newPath + "/");
  return RenameResult::kRenamed;
}

Status DeleteFolder(FolderTree& folders, std::string_view path) {
  const Node* node = folders.tree().FindPath(path);
  // Deleting the root would delete every photo of the profile.
  if (!node || node->isRoot()) return Status::Refused();
  if (ShowMessage(kQuestion, TextId::kDeleteFolderQuestion, {node->name()}).answer != Answer::Ok)
    return Status::Cancelled();
  const std::string relative = CDirectoryTree::RelativePath(node);
  if (Status deleted = DeleteTree(folders.FullPath(relative)); !deleted) return deleted;
  folders.tree().RemovePath(relative);
  SaveTreeReported(folders.tree(), folders.profileDir());
  FollowRightsReported(folders.profileDir(), relative, "");
  return {};
}

Result<std::string> MoveFolder(FolderTree& folders, std::string_view sourcePath, std::string_view targetPath) {
  CDirectoryTree& tree = folders.tree();
  const Node* source = tree.FindPath(sourcePath);
  const Node* target = tree.FindPath(targetPath);
  if (!source || !target || source->isRoot()) return Status::Refused();
  if (target == source || target == source->parent()) {
    return Status::Refused(ShowFailure(kWarning, TextId::kCannotMoveToItself).message());
  }
  for (const Node* n = target->parent(); n; n = n->parent()) {
    if (n == source) {
      return Status::Refused(ShowFailure(kWarning, TextId::kCannotMoveParent).message());
    }
  }

  const std::string oldRelative = CDirectoryTree::RelativePath(source);
  const std::string parentRelative = CDirectoryTree::RelativePath(source->parent());
  const std::string newRelative = CDirectoryTree::RelativePath(target) + source->name() + "/";
  const std::string oldPath = WithoutSlash(folders.FullPath(oldRelative));
  const std::string newPath = WithoutSlash(folders.FullPath(newRelative));
  // Copying onto an existing folder would merge the two and overwrite photos
  // of the same name.
  if (FileExists(newPath)) {
    return ShowSystemFailure(EEXIST, TextId::kCannotMoveItem, {oldPath, newPath});
  }
  if (ShowMessage(kQuestion, TextId::kMoveFolderQuestion, {source->name(), folders.ItemText(target)}).answer !=
      Answer::Ok)
    return Status::Cancelled();

  bool moved = CopyThenDelete(oldPath, newPath).ok();
  // The photos are in their new place: a protected folder must not open up
  // by being moved.
  if (moved) FollowRightsReported(folders.profileDir(), oldRelative, newRelative);
  for (auto derived : {&ThumbsPath, &MediumsPath}) {
    if (!moved) break;
    const std::string from = derived(folders, oldRelative);
    const std::string to = derived(folders, newRelative);
    // A folder without derived images yet still gets its (empty) directory.
    moved = (DirExists(from) ? CopyThenDelete(from, to) : CreatePath(to)).ok();
  }

  // From remdir.dat again, reconciled along both paths: the folder leaves its
  // old parent and comes back, with a new id, as the last child of the new one.
  folders.Reload();
  if (Node* oldParent = ExpandTo(tree, parentRelative, folders.profileDir()))
    ExpandFolder(tree, oldParent, folders.profileDir());
  ExpandTo(tree, newRelative, folders.profileDir());
  if (!moved) return Status::Failed();
  return newRelative;
}

bool MoveFolderBefore(FolderTree& folders, std::string_view path) {
  if (!folders.tree().MoveBefore(folders.tree().FindPath(path))) return false;
  SaveTreeReported(folders.tree(), folders.profileDir());
  return true;
}

bool MoveFolderAfter(FolderTree& folders, std::string_view path) {
  if (!folders.tree().MoveAfter(folders.tree().FindPath(path))) return false;
  SaveTreeReported(folders.tree(), folders.profileDir());
  return true;
}

std::optional<std::string> ImportFolder(FolderTree& folders, std::string_view parentPath, const std::string& sourceDir,
                                        WindowSink& sink) {
  const Node* parent = folders.tree().FindPath(parentPath);
  if (!parent) return std::nullopt;
  const std::string source = WithoutSlash(sourceDir);
  const std::string name = FileName(source);
  if (!CheckFolderName(name)) return std::nullopt;
  const std::string relative = CDirectoryTree::RelativePath(parent) + name + "/";
  const std::string destination = WithoutSlash(folders.FullPath(relative));
  if (!DirExists(source)) {
    ShowSystemError(ENOENT, TextId::kCannotCopyFile, {source});
    return std::nullopt;
  }
  // A folder copied into itself or below itself would copy its own copy.
  std::error_code ec;
  const fs::path from = fs::weakly_canonical(source, ec);
  const fs::path to = fs::weakly_canonical(destination, ec);
  const std::string fromText = from.string() + "/";
  if (StartsWith(to.string() + "/", fromText)) {
    ShowSystemError(EINVAL, TextId::kCannotCopyTo, {source, destination});
    return std::nullopt;
  }

  sink.PostStatus(FormatString(TextId::kImportingFolder, {sourceDir}));
  const Status copied = CopyTree(source, destination);
  // What was copied shows either way, so the tree matches the disk.
  folders.Reload();
  ExpandTo(folders.tree(), relative, folders.profileDir());
  if (!copied) return std::nullopt;
  return relative;
}

std::string TraceFilePath() {
  std::string base;
  // A relative XDG_CACHE_HOME is invalid and ignored, as the convention asks.
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/') {
    base = cache;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.cache";
  }
  return WithoutSlash(base) + "/albumsmith/albumsmith.dbg";
}

}  // namespace albumsmith
