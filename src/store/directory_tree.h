#pragma once
// The in-memory folder tree of a profile: folders in their sibling order (the
// order the album shows, not the file system's), each with a stable id, and
// its file remdir.dat. Also the two reconciliations with the disk that every
// front end shares: building the tree when a profile is opened and bringing
// one folder's children in step with its directory when it is expanded.
//
// Relative paths name a folder below ImageTree with "/" separators and a
// trailing "/" ("Travel/2004/"); the root, ImageTree itself, is "". Functions
// taking a relative path accept it with or without the trailing "/".

#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace albumsmith {

class CDirectoryTree {
 public:
  // Deeper folders cannot exist below a path of PATH_MAX bytes; deeper lines
  // of a damaged remdir.dat are skipped so that no walk runs away.
  static constexpr int kMaxDepth = 2048;
  // Ids are handed out from 1 upwards, so real ones stay near the number of
  // folders; a larger id in the file is damage, not a reason to grow the table.
  static constexpr int kMaxId = 1 << 24;

  class Node {
    struct Key {  // only the tree makes nodes
      explicit Key() = default;
    };

   public:
    Node(Key, Node* parent, int id, std::string name) : parent_(parent), id_(id), name_(std::move(name)) {}
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    int id() const { return id_; }  // 0 for the root
    const std::string& name() const { return name_; }
    bool isRoot() const { return parent_ == nullptr; }
    Node* parent() const { return parent_; }
    Node* firstChild();
    Node* nextSibling() const;
    Node* prevSibling() const;
    const Node* firstChild() const { return const_cast<Node*>(this)->firstChild(); }
    // The children in sibling order.
    const std::list<Node>& children() const { return children_; }

   private:
    friend class CDirectoryTree;
    Node* parent_;
    std::list<Node>::iterator self_;  // this node's place among its siblings
    std::list<Node> children_;
    int id_;
    std::string name_;
  };

  // One folder of the pre-order listing.
  struct Entry {
    int id;
    int depth;  // 1 for a folder directly below the root
    std::string name;
    std::string relativePath;  // ends with "/"
  };

  CDirectoryTree();
  CDirectoryTree(const CDirectoryTree&) = delete;
  CDirectoryTree& operator=(const CDirectoryTree&) = delete;

  // Removes every folder and frees every id. Node pointers except the root's become invalid.
  void Clear();
  Node* root() { return &root_; }
  const Node* root() const { return &root_; }

  // --- the id table --------------------------------------------------------
  // Marks id taken, growing the table 10 entries at a time until it holds it.
  // False for an id outside 1..kMaxId or when the table cannot grow (reported
  // with the operation's name).
  bool AddElement(int id);
  // Takes the smallest free id from 1 upwards; -1 when the table cannot grow.
  int NewElement();
  void ReleaseElement(int id);
  bool IsTaken(int id) const;

  // --- folders -------------------------------------------------------------
  // The folder at the path, creating missing levels as last children with new
  // ids. Nothing (and no change) when a name is not a valid folder name or
  // no id is left.
  Node* AddPath(std::string_view relativePath);
  // Appends a new folder to `parent`, whose children the caller knows hold
  // no folder of that name; unlike AddPath it does not look through them.
  // Nothing when the name is not a valid folder name or no id is left.
  Node* AddChild(Node* parent, std::string_view name);
  // Removes the folder with everything below it and frees their ids; node
  // pointers into that branch become invalid. False for the root or an unknown path.
  bool RemovePath(std::string_view relativePath);
  void RemoveNode(Node* node);
  // Gives the folder a new path. Within the same parent only the name changes
  // and the folder keeps its place; otherwise it becomes the last child of the
  // new parent (created like AddPath). Ids are kept. False when the folder is
  // unknown or the root, the new name is not valid, the new path is taken by
  // another folder, or lies inside the folder itself.
  bool RenamePath(std::string_view oldPath, std::string_view newPath);
  Node* FindPath(std::string_view relativePath);
  const Node* FindPath(std::string_view relativePath) const;
  std::vector<std::string> ChildNames(const Node* node) const;
  // Swap the folder with its previous / next sibling. False (nothing done) when there is none.
  bool MoveBefore(Node* node);
  bool MoveAfter(Node* node);

  // "Travel/2004/" for a folder, "" for the root.
  static std::string RelativePath(const Node* node);
  // Every folder but the root, depth-first in pre-order (a folder, its
  // subfolders in tree order, then its next sibling).
  std::vector<Entry> List() const;

  // --- remdir.dat ----------------------------------------------------------
  // One line per folder of List(): "<id> <depth> <name>", CR LF line ends.
  std::string ToText() const;
  // Replaces the tree with the folders of the text, read line by line like
  // "%d %d %[^\n]". A line becomes a child of the last folder read one level
  // up; a damaged line (id not positive or taken, depth out of step, name
  // missing or not a valid folder name, name taken among its siblings) is
  // skipped together with the lines below it, so nothing lands under a wrong parent.
  void FromText(std::string_view text);
  // Written atomically.
  Status Save(const std::string& file) const;
  // False (and an empty tree) when the file cannot be read.
  bool LoadFrom(const std::string& file);

 private:
  Node* ChildNamed(Node* parent, std::string_view name);
  Node* AppendChild(Node* parent, int id, std::string name);
  void ReleaseBranch(const Node* node);

  Node root_;
  std::vector<bool> taken_;  // indexed by id
  size_t firstFree_ = 1;     // no id below it is free
};

// --- reconciliation with the disk --------------------------------------------------

// One child of an expanded folder, in tree order: what a tree item shows.
struct FolderChild {
  int id;
  std::string name;
  std::string relativePath;  // ends with "/"
  bool hasSubfolders;        // its directory has subdirectories: the item shows an expand button
};

// The profile's files that the tree works on. `profileDir` ends with "/".
inline std::string ImageTreePath(const std::string& profileDir) { return profileDir + "ImageTree/"; }
inline std::string RemdirPath(const std::string& profileDir) { return profileDir + "remdir.dat"; }
// While this file exists the next synchronisation must take the whole
// profile: PHP or access security changed, so every folder's pages change
// form. remdir.dat stays, since it also holds the folders' order and the ids
// that pages and rights use.
inline std::string WholeSyncMarkPath(const std::string& profileDir) { return profileDir + "wholesync.flag"; }

// Saves the tree to the profile's remdir.dat, showing "Cannot write %s" with
// the system's error text when that fails.
bool SaveTreeReported(const CDirectoryTree& tree, const std::string& profileDir);

// Opening a profile: without remdir.dat every directory below ImageTree is
// added (ids 1, 2, 3 … in pre-order, siblings in name order) and the file is
// written at once; otherwise the tree is read from it. Then the root is
// expanded. Returns the root's children.
std::vector<FolderChild> LoadTree(CDirectoryTree& tree, const std::string& profileDir);

// Brings the node's children in step with its directory: folders gone from
// the disk leave the tree (their ids become free), folders new on disk are
// appended in name order with new ids; remdir.dat is saved when anything
// changed. Directories whose names are not valid folder names are not taken.
// Returns the children in tree order.
std::vector<FolderChild> ExpandFolder(CDirectoryTree& tree, CDirectoryTree::Node* node, const std::string& profileDir);

// Expands every folder, parents before children: the whole tree as if every
// item of the pane had been opened.
void ExpandAll(CDirectoryTree& tree, const std::string& profileDir);

// Expands each level down to the folder of the path, so that a folder just
// made on disk is in the tree. Returns its node, or nothing when it is not on disk.
CDirectoryTree::Node* ExpandTo(CDirectoryTree& tree, std::string_view relativePath, const std::string& profileDir);

}  // namespace albumsmith
