#pragma once
// The folder tree pane of the "Directory tree" dock: one item per folder,
// filled lazily (a folder with subfolders shows an expand button through a
// placeholder child until it is opened), in-place renaming, the context
// menu, drag and drop of folders, and the folder commands. Every rule and
// every disk change is the core's FolderTree and folder operations; the pane
// only mirrors the tree in items and tells the main window which folder is
// selected.

#include <QString>
#include <QTreeWidget>
#include <optional>
#include <string>

#include "store/folder_ops.h"

class QMenu;

namespace albumsmith {
class FolderRights;
class UsersStore;
class WindowSink;
}  // namespace albumsmith

namespace albumsmith::ui {

class FolderTreePane : public QTreeWidget {
  Q_OBJECT
 public:
  // Item data role holding the folder's relative path ("" for the root).
  static constexpr int kPathRole = Qt::UserRole + 1;

  FolderTreePane(WindowSink& sink, QWidget* parent = nullptr);

  // Opening a profile: the tree from remdir.dat (or the disk), the root item
  // with the profile's name, expanded and selected, which shows the root folder.
  void load(const std::string& profilesDir, const ProfileSettings& profile);
  bool loaded() const { return loaded_; }
  FolderTree& folders() { return folders_; }

  // The "F&older" menu, popped up by the right button over an item.
  void setContextMenu(QMenu* menu) { contextMenu_ = menu; }

  // The selected folder: its relative path, or nothing when no item is selected.
  std::optional<std::string> selectedPath() const;
  bool selectedIsRoot() const;
  bool canMoveUp() const;
  bool canMoveDown() const;
  // Opens every level down to the folder and selects it; false when it is not there.
  bool selectPath(const std::string& relativePath);
  // The item of a folder among the items filled so far.
  QTreeWidgetItem* itemForPath(const std::string& relativePath);

  // The folder commands.
  void newFolder();
  void renameFolder();
  void deleteFolder();
  void startMoveDrag();
  void moveBefore();
  void moveAfter();
  void importFolder();
  // A directory dropped on the window: copied into `parentPath` as a
  // sub-folder; the tree is loaded again with `parentPath` selected.
  bool importDirectory(const std::string& directory, const std::string& parentPath);
  // "Folder properties" of the selected folder.
  void folderProperties();
  // "Access": the "Folder rights" dialog of the selected folder.
  void folderRights();

  // With access control on, each folder shows its rights as a picture and a
  // tooltip; nullptr turns that off. The pane does not own them.
  void setAccess(FolderRights* rights, const UsersStore* users);
  // Pictures and tooltips again, after rights or names changed.
  void refreshAccess();
  // Rights read again from rights.dat, after a folder command changed it.
  void reloadAccess();
  // The end of a drag: moves the folder `source` into `target` (MoveFolder
  // asks first) and shows the moved folder selected.
  bool moveFolder(const std::string& source, const std::string& target);

 signals:
  // A folder command changed the order of the album's folders.
  void folderOrderChanged();
  // The keyboard asked for a command; the main window runs it when its rule allows.
  void commandKey(int commandId);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  class RenameDelegate;

  static std::string pathOf(const QTreeWidgetItem* item);
  // The item of a folder, opening each level on the way when `expand` is set.
  QTreeWidgetItem* walkTo(const std::string& relativePath, bool expand);
  QTreeWidgetItem* addFolderItem(QTreeWidgetItem* parent, const FolderChild& child);
  void decorate(QTreeWidgetItem* item);
  void fillChildren(QTreeWidgetItem* item);
  void fillChildren(QTreeWidgetItem* item, const std::vector<FolderChild>& children);
  void setPlaceholder(QTreeWidgetItem* item);
  QTreeWidgetItem* buildRoot(const std::vector<FolderChild>& children);
  void rebuild(const std::string& selectPath);
  void showNewOrder(const std::string& movedPath);
  void setDropTarget(QTreeWidgetItem* target);
  void onExpanded(QTreeWidgetItem* item);
  void onCollapsed(QTreeWidgetItem* item);
  void onCurrentChanged(QTreeWidgetItem* current);
  void editLater(const std::string& relativePath);
  void finishRename(QTreeWidgetItem* item, const QString& text);
  void renumberPaths(QTreeWidgetItem* item, const std::string& path);

  WindowSink& sink_;
  FolderTree folders_;
  bool loaded_ = false;
  // Cleared while the pane rebuilds its items, so that the selection moving
  // around does not load folders in the image list.
  bool notify_ = true;
  // Set while items are filled, so that expanding them does not read the disk twice.
  bool filling_ = false;
  QMenu* contextMenu_ = nullptr;
  FolderRights* rights_ = nullptr;
  const UsersStore* users_ = nullptr;
  QTreeWidgetItem* dropTarget_ = nullptr;
  QString lastImportDir_;
};

}  // namespace albumsmith::ui
