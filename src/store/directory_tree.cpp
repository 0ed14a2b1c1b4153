#include "directory_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace {

using Node = CDirectoryTree::Node;

// The names of a relative path; empty parts (the trailing "/", doubled "/")
// name nothing.
std::vector<std::string_view> Components(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

bool IsScanfSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// "%d" from `pos` on: leading white space, an optional sign, digits. A value
// that does not fit an int is refused rather than wrapped.
bool ScanInt(std::string_view s, size_t& pos, int& value) {
  while (pos < s.size() && IsScanfSpace(s[pos])) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  const size_t digits = pos;
  long long v = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
    v = v * 10 + (s[pos++] - '0');
    if (v > 2147483648LL) return false;
  }
  if (pos == digits) return false;
  v = negative ? -v : v;
  if (v > 2147483647LL) return false;
  value = static_cast<int>(v);
  return true;
}

// One line of remdir.dat read like sscanf(line, "%d %d %[^\n]"), returning
// the number of fields read as sscanf does. The blank in the pattern skips any
// white space, so the name starts at its first non-blank character and runs
// to the end of the line.
int ParseLine(std::string_view line, int& id, int& depth, std::string& name) {
  size_t pos = 0;
  if (!ScanInt(line, pos, id)) return 0;
  if (!ScanInt(line, pos, depth)) return 1;
  while (pos < line.size() && IsScanfSpace(line[pos])) ++pos;
  if (pos == line.size()) return 2;
  name.assign(line.substr(pos));
  return 3;
}

// A real directory; a link is not followed, so that a link to a parent
// cannot make the tree endless.
bool IsDirectoryEntry(const std::string& dirWithSlash, const dirent* d) {
  if (d->d_type != DT_UNKNOWN) return d->d_type == DT_DIR;
  struct stat st;
  return ::lstat((dirWithSlash + d->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsDotOrDotDot(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// The subdirectory names of a directory that can be folders, in the
// program's name order; false when the directory cannot be read.
bool SubdirectoryNames(const std::string& dirWithSlash, std::vector<std::string>& names) {
  DIR* dir = ::opendir(dirWithSlash.c_str());
  if (!dir) return false;
  while (const dirent* d = ::readdir(dir)) {
    if (IsDotOrDotDot(d->d_name) || !IsSafeName(d->d_name)) continue;
    if (IsDirectoryEntry(dirWithSlash, d)) names.emplace_back(d->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NameLess(a, b); });
  return true;
}

bool HasSubdirectory(const std::string& dirWithSlash) {
  DIR* dir = ::opendir(dirWithSlash.c_str());
  if (!dir) return false;
  bool found = false;
  while (const dirent* d = ::readdir(dir)) {
    if (!IsDotOrDotDot(d->d_name) && IsSafeName(d->d_name) && IsDirectoryEntry(dirWithSlash, d)) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace

// --- Node ----------------------------------------------------------------------------

Node* Node::firstChild() { return children_.empty() ? nullptr : &children_.front(); }

Node* Node::nextSibling() const {
  if (!parent_) return nullptr;
  auto next = std::next(self_);
  return next == parent_->children_.end() ? nullptr : &*next;
}

Node* Node::prevSibling() const {
  if (!parent_ || self_ == parent_->children_.begin()) return nullptr;
  return &*std::prev(self_);
}

// --- CDirectoryTree ------------------------------------------------------------------

CDirectoryTree::CDirectoryTree() : root_(Node::Key{}, nullptr, 0, "") {}

void CDirectoryTree::Clear() {
  root_.children_.clear();
  taken_.clear();
  firstFree_ = 1;
}

bool CDirectoryTree::AddElement(int id) {
  if (id < 1 || id > kMaxId) return false;
  try {
    while (taken_.size() <= static_cast<size_t>(id)) taken_.resize(taken_.size() + 10, false);
  } catch (const std::bad_alloc&) {
    ShowSystemErrorText(ENOMEM, "CDirectoryTree::AddElement");
    return false;
  }
  taken_[static_cast<size_t>(id)] = true;
  return true;
}

int CDirectoryTree::NewElement() {
  // From the lowest id that may be free: handing out ids one after another
  // stays linear however many folders there are.
  for (size_t id = firstFree_; id < taken_.size(); ++id) {
    if (!taken_[id]) {
      taken_[id] = true;
      firstFree_ = id + 1;
      return static_cast<int>(id);
    }
  }
  const size_t id = std::max<size_t>(taken_.size(), 1);
  if (id > static_cast<size_t>(kMaxId)) return -1;
  try {
    taken_.resize(taken_.size() + 10, false);
  } catch (const std::bad_alloc&) {
    ShowSystemErrorText(ENOMEM, "CDirectoryTree::NewElement");
    return -1;
  }
  taken_[id] = true;
  firstFree_ = id + 1;
  return static_cast<int>(id);
}

void CDirectoryTree::ReleaseElement(int id) {
  if (id < 1 || static_cast<size_t>(id) >= taken_.size()) return;
  taken_[static_cast<size_t>(id)] = false;
  firstFree_ = std::min(firstFree_, static_cast<size_t>(id));
}

bool CDirectoryTree::IsTaken(int id) const {
  return id >= 1 && static_cast<size_t>(id) < taken_.size() && taken_[static_cast<size_t>(id)];
}

Node* CDirectoryTree::ChildNamed(Node* parent, std::string_view name) {
  for (Node& child : parent->children_)
    if (child.name_ == name) return &child;
  return nullptr;
}

Node* CDirectoryTree::AppendChild(Node* parent, int id, std::string name) {
  parent->children_.emplace_back(Node::Key{}, parent, id, std::move(name));
  Node& node = parent->children_.back();
  node.self_ = std::prev(parent->children_.end());
  return &node;
}

void CDirectoryTree::ReleaseBranch(const Node* node) {
  ReleaseElement(node->id_);
  for (const Node& child : node->children_) ReleaseBranch(&child);
}

Node* CDirectoryTree::AddPath(std::string_view relativePath) {
  const auto parts = Components(relativePath);
  if (parts.size() > static_cast<size_t>(kMaxDepth)) return nullptr;
  if (!std::all_of(parts.begin(), parts.end(), IsSafeName)) return nullptr;
  Node* node = &root_;
  for (std::string_view name : parts) {
    if (Node* child = ChildNamed(node, name)) {
      node = child;
      continue;
    }
    const int id = NewElement();
    if (id < 0) return nullptr;
    node = AppendChild(node, id, std::string(name));
  }
  return node;
}

Node* CDirectoryTree::AddChild(Node* parent, std::string_view name) {
  if (!parent || !IsSafeName(name)) return nullptr;
  const int id = NewElement();
  if (id < 0) return nullptr;
  return AppendChild(parent, id, std::string(name));
}

void CDirectoryTree::RemoveNode(Node* node) {
  if (!node || node->isRoot()) return;
  ReleaseBranch(node);
  node->parent_->children_.erase(node->self_);
}

bool CDirectoryTree::RemovePath(std::string_view relativePath) {
  Node* node = FindPath(relativePath);
  if (!node || node->isRoot()) return false;
  RemoveNode(node);
  return true;
}

bool CDirectoryTree::RenamePath(std::string_view oldPath, std::string_view newPath) {
  Node* node = FindPath(oldPath);
  if (!node || node->isRoot()) return false;
  const auto parts = Components(newPath);
  if (parts.empty() || parts.size() > static_cast<size_t>(kMaxDepth) ||
      !std::all_of(parts.begin(), parts.end(), IsSafeName))
    return false;
  const std::string_view newName = parts.back();
  std::string parentPath;
  for (size_t i = 0; i + 1 < parts.size(); ++i) (parentPath += parts[i]) += '/';

  Node* newParent = FindPath(parentPath);
  if (newParent == node->parent_) {
    Node* other = ChildNamed(newParent, newName);
    if (other && other != node) return false;
    node->name_ = std::string(newName);
    return true;
  }
  // A folder cannot become its own descendant.
  if (StartsWith(parentPath, RelativePath(node))) return false;
  if (newParent && ChildNamed(newParent, newName)) return false;
  if (!newParent && !(newParent = AddPath(parentPath))) return false;
  newParent->children_.splice(newParent->children_.end(), node->parent_->children_, node->self_);
  node->parent_ = newParent;
  node->name_ = std::string(newName);
  return true;
}

Node* CDirectoryTree::FindPath(std::string_view relativePath) {
  Node* node = &root_;
  for (std::string_view name : Components(relativePath)) {
    node = ChildNamed(node, name);
    if (!node) return nullptr;
  }
  return node;
}

const Node* CDirectoryTree::FindPath(std::string_view relativePath) const {
  return const_cast<CDirectoryTree*>(this)->FindPath(relativePath);
}

std::vector<std::string> CDirectoryTree::ChildNames(const Node* node) const {
  std::vector<std::string> names;
  if (node)
    for (const Node& child : node->children_) names.push_back(child.name_);
  return names;
}

bool CDirectoryTree::MoveBefore(Node* node) {
  if (!node || !node->prevSibling()) return false;
  auto& siblings = node->parent_->children_;
  siblings.splice(std::prev(node->self_), siblings, node->self_);
  return true;
}

bool CDirectoryTree::MoveAfter(Node* node) {
  if (!node || !node->nextSibling()) return false;
  auto& siblings = node->parent_->children_;
  siblings.splice(std::next(node->self_, 2), siblings, node->self_);
  return true;
}

std::string CDirectoryTree::RelativePath(const Node* node) {
  std::vector<const std::string*> names;
  for (; node && !node->isRoot(); node = node->parent_) names.push_back(&node->name_);
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) (path += **it) += '/';
  return path;
}

std::vector<CDirectoryTree::Entry> CDirectoryTree::List() const {
  std::vector<Entry> entries;
  struct Pending {
    const Node* node;
    int depth;
    std::string parentPath;
  };
  // An explicit stack: a walk as deep as the tree never meets the thread's stack limit.
  std::vector<Pending> stack;
  auto pushChildren = [&stack](const Node* parent, int depth, const std::string& path) {
    for (auto it = parent->children_.rbegin(); it != parent->children_.rend(); ++it)
      stack.push_back({&*it, depth, path});
  };
  pushChildren(&root_, 1, "");
  while (!stack.empty()) {
    Pending p = std::move(stack.back());
    stack.pop_back();
    std::string path = p.parentPath + p.node->name_ + "/";
    entries.push_back({p.node->id_, p.depth, p.node->name_, path});
    pushChildren(p.node, p.depth + 1, path);
  }
  return entries;
}

std::string CDirectoryTree::ToText() const {
  std::string text;
  for (const Entry& e : List()) {
    text += std::to_string(e.id) + ' ' + std::to_string(e.depth) + ' ' + e.name;
    text += "\r\n";
  }
  return text;
}

void CDirectoryTree::FromText(std::string_view text) {
  Clear();
  // The names each folder already holds, looked up without walking its
  // children: a file of many siblings still reads in linear time. The views
  // point into the nodes, which never move.
  struct SiblingHash {
    size_t operator()(const std::pair<const Node*, std::string_view>& k) const {
      return std::hash<const void*>()(k.first) ^ (std::hash<std::string_view>()(k.second) * 31);
    }
  };
  std::unordered_set<std::pair<const Node*, std::string_view>, SiblingHash> named;
  // lastAtDepth[d]: the folder the next line of depth d + 1 hangs under; null
  // where a skipped line stood, so that its subfolders are skipped as well.
  std::vector<Node*> lastAtDepth{&root_};
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    int id = 0, depth = 0;
    std::string name;
    const int fields = ParseLine(line, id, depth, name);
    // Without a depth the line cannot be placed at all: nothing to attach or detach.
    if (fields < 2) continue;
    if (depth < 1 || static_cast<size_t>(depth) > lastAtDepth.size() || depth > kMaxDepth) continue;

    Node* parent = lastAtDepth[static_cast<size_t>(depth) - 1];
    lastAtDepth.resize(static_cast<size_t>(depth) + 1, nullptr);
    lastAtDepth[static_cast<size_t>(depth)] = nullptr;
    if (fields < 3 || !parent || id < 1 || id > kMaxId || IsTaken(id) || !IsSafeName(name) ||
        named.count({parent, name}))
      continue;
    if (!AddElement(id)) continue;
    Node* node = AppendChild(parent, id, std::move(name));
    named.insert({parent, node->name()});
    lastAtDepth[static_cast<size_t>(depth)] = node;
  }
}

Status CDirectoryTree::Save(const std::string& file) const { return WriteFileAtomically(file, ToText()); }

bool CDirectoryTree::LoadFrom(const std::string& file) {
  Clear();
  const auto text = ReadWholeFile(file);
  if (!text) return false;
  FromText(*text);
  return true;
}

// --- reconciliation with the disk --------------------------------------------------

bool SaveTreeReported(const CDirectoryTree& tree, const std::string& profileDir) {
  const std::string file = RemdirPath(profileDir);
  const Status saved = tree.Save(file);
  if (saved) return true;
  ShowSystemError(saved.systemError(), TextId::kCannotWriteNamed, {file});
  return false;
}

std::vector<FolderChild> LoadTree(CDirectoryTree& tree, const std::string& profileDir) {
  tree.Clear();
  const std::string remdir = RemdirPath(profileDir);
  if (!FileExists(remdir)) {
    // Each directory comes after its subdirectories, but AddPath makes the
    // parents first, so the ids run in pre-order.
    std::vector<std::string> dirs;
    ListDirs(ImageTreePath(profileDir), "", dirs);
    for (const std::string& dir : dirs)
      if (!dir.empty()) tree.AddPath(dir);
    SaveTreeReported(tree, profileDir);
  } else {
    tree.LoadFrom(remdir);
  }
  return ExpandFolder(tree, tree.root(), profileDir);
}

std::vector<FolderChild> ExpandFolder(CDirectoryTree& tree, CDirectoryTree::Node* node, const std::string& profileDir) {
  std::vector<FolderChild> children;
  if (!node) return children;
  const std::string relative = CDirectoryTree::RelativePath(node);
  const std::string dir = ImageTreePath(profileDir) + relative;
  std::vector<std::string> onDisk;
  // A directory that cannot be read (gone, no permission, I/O error) tells
  // nothing about its subfolders; dropping them would lose their ids and order.
  if (!SubdirectoryNames(dir, onDisk)) return children;

  auto item = [&](const Node* child) {
    return FolderChild{child->id(), child->name(), relative + child->name() + "/",
                       HasSubdirectory(dir + child->name() + "/")};
  };
  // Matched by a table rather than a search per child, so that a folder of
  // many subfolders opens in linear time.
  std::unordered_map<std::string_view, bool> inTree;  // on disk → already a child
  for (const std::string& name : onDisk) inTree.emplace(name, false);
  bool changed = false;
  for (Node* child = node->firstChild(); child;) {
    Node* next = child->nextSibling();
    auto found = inTree.find(child->name());
    if (found != inTree.end()) {
      children.push_back(item(child));
      found->second = true;
    } else {
      tree.RemoveNode(child);
      changed = true;
    }
    child = next;
  }
  for (const std::string& name : onDisk) {
    if (inTree[name]) continue;
    if (const Node* added = tree.AddChild(node, name)) {
      children.push_back(item(added));
      changed = true;
    }
  }
  if (changed) SaveTreeReported(tree, profileDir);
  return children;
}

void ExpandAll(CDirectoryTree& tree, const std::string& profileDir) {
  std::vector<CDirectoryTree::Node*> pending{tree.root()};
  while (!pending.empty()) {
    CDirectoryTree::Node* node = pending.back();
    pending.pop_back();
    ExpandFolder(tree, node, profileDir);
    // Expanding a folder only changes its own children, so these stay valid.
    // Pushed last first: folders are expanded in pre-order, as a user opening
    // the tree from the top would, which decides the ids new folders get.
    const size_t mark = pending.size();
    for (CDirectoryTree::Node* child = node->firstChild(); child; child = child->nextSibling())
      pending.push_back(child);
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(mark), pending.end());
  }
}

CDirectoryTree::Node* ExpandTo(CDirectoryTree& tree, std::string_view relativePath, const std::string& profileDir) {
  CDirectoryTree::Node* node = tree.root();
  for (std::string_view name : Components(relativePath)) {
    ExpandFolder(tree, node, profileDir);
    CDirectoryTree::Node* child = node->firstChild();
    while (child && child->name() != name) child = child->nextSibling();
    if (!child) return nullptr;
    node = child;
  }
  return node;
}

}  // namespace albumsmith
