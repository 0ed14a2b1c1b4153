#pragma once
// The folder commands of the tree pane, shared by the GUI and the command
// line: new, add, rename, delete, move, before / after and import. Each works
// on the disk first (ImageTree and, where the folder's derived images follow
// it, albsite/s and albsite/m), changes the tree only when the disk did, and
// saves remdir.dat after every change. Questions and failures go through the
// current Prompter.
//
// Folders are named by their relative path below ImageTree ("Travel/2004/",
// the root is ""); the pane keeps the selected item's path.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "store/directory_tree.h"
#include "store/profile_settings.h"

namespace albumsmith {

class WindowSink;

// The folder tree of the open profile with the places it works on.
class FolderTree {
 public:
  // Opening a profile: the tree from remdir.dat, or from the disk when there
  // is none (LoadTree). Returns the root's children.
  std::vector<FolderChild> Load(const std::string& profilesDir, const ProfileSettings& profile);
  // Loads again from remdir.dat with the same profile, as after a move or an import.
  std::vector<FolderChild> Reload();

  const ProfileSettings& profile() const { return profile_; }
  const std::string& profileDir() const { return profileDir_; }  // ends with "/"
  std::string imageTreePath() const { return ImageTreePath(profileDir_); }
  // ImageTree + the relative path: the folder's directory ("…/ImageTree/" for the root).
  std::string FullPath(std::string_view relativePath) const;
  // The text of the folder's tree item: the profile name for the root, the folder name otherwise.
  std::string ItemText(const CDirectoryTree::Node* node) const;

  CDirectoryTree& tree() { return tree_; }
  const CDirectoryTree& tree() const { return tree_; }

  // ExpandFolder for the folder of the path; nothing when it is not in the tree.
  std::vector<FolderChild> Expand(std::string_view relativePath);
  void ExpandAll() { albumsmith::ExpandAll(tree_, profileDir_); }

 private:
  ProfileSettings profile_;
  std::string profileDir_;
  CDirectoryTree tree_;
};

// Refuses, with a message naming the rules, a folder name that is empty,
// holds "/" or a control character, or is "." or "..", so that a name never
// puts a folder somewhere else.
bool CheckFolderName(std::string_view name);

// New folder in the given folder: "New folder", else the first free of
// "New folder_1", "New folder_2", … Creates it with its albsite/s and albsite/m
// directories and adds it to the tree. Returns its relative path (the pane
// then starts editing its name), or nothing when the folder is unknown or the
// directory cannot be created.
std::optional<std::string> NewFolder(FolderTree& folders, std::string_view parentPath);

// Creates the folder of a relative path with any missing levels, each with
// its albsite/s and albsite/m directories, and adds them to the tree. Refuses
// an invalid name (CheckFolderName) and a path that already exists.
bool AddFolder(FolderTree& folders, std::string_view relativePath);

enum class RenameResult {
  kRenamed,
  kEditAgain,  // name refused or taken: nothing changed, the pane lets the user edit again
  kFailed,     // unknown folder or the root, or a derived directory could not follow (undone)
};

// The end of in-place editing. Moves the folder's directory, then its
// albsite/m and albsite/s directories; when one of those moves fails the moves
// already made are undone and kCannotRename is shown, so the three trees stay in step.
// Each step is traced to TraceFilePath(). On success the tree follows and,
// when `notify` is given, the folder is shown there (its new full path + "/").
// The pane treats an empty or cancelled edit as no edit and does not call this.
RenameResult RenameFolder(FolderTree& folders, std::string_view path, const std::string& newName,
                          WindowSink* notify = nullptr);

// Asks kDeleteFolderQuestion; on OK deletes the folder's directory with everything below it
// and removes it from the tree. Its albsite/s and albsite/m directories are
// left for synchronisation and verification. The root is never deleted.
// kCancelled when the question is answered Cancel.
Status DeleteFolder(FolderTree& folders, std::string_view path);

// Moves a folder into another folder: refuses a target inside the source
// (kCannotMoveParent) and the source itself or its own parent (kCannotMoveToItself), refuses a target
// already holding an entry of that name, asks kMoveFolderQuestion, then copies and deletes
// ImageTree, albsite/s and albsite/m in turn, stopping at the first failure.
// The tree is then loaded again; the folder comes back as the last child of
// its new parent with a new id. Returns its new relative path; kRefused with
// the text shown, kCancelled when the question is answered Cancel.
Result<std::string> MoveFolder(FolderTree& folders, std::string_view sourcePath, std::string_view targetPath);

// Swap the folder with its previous / next sibling and save. False when there
// is none (nothing changes). The pane then expands the parent again.
bool MoveFolderBefore(FolderTree& folders, std::string_view path);
bool MoveFolderAfter(FolderTree& folders, std::string_view path);

// Copies a directory from anywhere, with everything below it, into the folder
// under its own last name (over a folder of that name, as importing the same
// directory again updates it), posting "Importing %s" first, then loads the
// tree again. Refuses a directory whose name cannot be a folder name and one that
// holds the destination. Returns the new folder's relative path.
std::optional<std::string> ImportFolder(FolderTree& folders, std::string_view parentPath, const std::string& sourceDir,
                                        WindowSink& sink);

// Where the rename trace goes: the user's cache folder ($XDG_CACHE_HOME, else
// ~/.cache) + "albumsmith/albumsmith.dbg".
std::string TraceFilePath();

}  // namespace albumsmith
