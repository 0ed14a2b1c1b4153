#include "ui/folder_tree_pane.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDrag>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include "app/commands.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "store/folder_rights.h"
#include "ui/folder_properties_dialog.h"
#include "ui/folder_rights_dialog.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

// Marks the empty child that gives a folder with subfolders its expand button.
constexpr int kPlaceholderRole = Qt::UserRole + 2;
// In-place editing starts at the next tick, once the item is in place.
constexpr int kEditDelayMs = 100;
// What a folder drag carries: the relative path of the folder.
const QString kFolderMime = QStringLiteral("application/x-albumsmith-folder");

bool IsPlaceholder(const QTreeWidgetItem* item) { return item && item->data(0, kPlaceholderRole).toBool(); }

std::vector<std::string> ListSnapshot(const CDirectoryTree& tree) {
  std::vector<std::string> lines;
  for (const CDirectoryTree::Entry& e : tree.List()) lines.push_back(std::to_string(e.id) + " " + e.relativePath);
  return lines;
}

// "A/B/C/" -> "A/B/"; a top-level folder's parent is the root "".
std::string ParentPath(const std::string& path) {
  std::string p = path;
  if (!p.empty() && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

}  // namespace

// Hands the edited text to the pane instead of writing it into the item: the
// item only takes the new name once the folder was renamed on disk.
class FolderTreePane::RenameDelegate : public QStyledItemDelegate {
 public:
  explicit RenameDelegate(FolderTreePane* pane) : QStyledItemDelegate(pane), pane_(pane) {}

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) return;
    const QString text = line->text();
    const std::string path = pathOf(pane_->itemFromIndex(index));
    // After the editor has closed: the rename may show a message box, and
    // the editor losing focus to it must not end the edit a second time.
    QMetaObject::invokeMethod(
        pane_,
        [pane = pane_, path, text] {
          if (QTreeWidgetItem* item = pane->itemForPath(path)) pane->finishRename(item, text);
        },
        Qt::QueuedConnection);
  }

 private:
  FolderTreePane* pane_;
};

FolderTreePane::FolderTreePane(WindowSink& sink, QWidget* parent) : QTreeWidget(parent), sink_(sink) {
  setObjectName(QStringLiteral("FolderTreePane"));
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // Editing starts only through the rename command (F2 included), never by a click.
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new RenameDelegate(this));
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDropIndicatorShown(false);

  connect(this, &QTreeWidget::itemExpanded, this, &FolderTreePane::onExpanded);
  connect(this, &QTreeWidget::itemCollapsed, this, &FolderTreePane::onCollapsed);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentChanged(current); });
}

std::string FolderTreePane::pathOf(const QTreeWidgetItem* item) {
  return item ? ToUtf8(item->data(0, kPathRole).toString()) : std::string();
}

void FolderTreePane::load(const std::string& profilesDir, const ProfileSettings& profile) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::vector<FolderChild> children = folders_.Load(profilesDir, profile);
  loaded_ = true;
  QTreeWidgetItem* root = buildRoot(children);
  setCurrentItem(root);
  QApplication::restoreOverrideCursor();
}

QTreeWidgetItem* FolderTreePane::buildRoot(const std::vector<FolderChild>& children) {
  notify_ = false;
  dropTarget_ = nullptr;
  clear();
  auto* root = new QTreeWidgetItem(this, {ToQString(folders_.ItemText(folders_.tree().root()))});
  root->setData(0, kPathRole, QString());
  // The root is ImageTree itself: it can be neither renamed nor dragged.
  root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled);
  root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
  decorate(root);
  filling_ = true;
  fillChildren(root, children);
  root->setExpanded(true);
  filling_ = false;
  setCurrentItem(nullptr);
  notify_ = true;
  return root;
}

QTreeWidgetItem* FolderTreePane::addFolderItem(QTreeWidgetItem* parent, const FolderChild& child) {
  auto* item = new QTreeWidgetItem(parent, {ToQString(child.name)});
  item->setData(0, kPathRole, ToQString(child.relativePath));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
                 Qt::ItemIsDropEnabled);
  item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
  decorate(item);
  if (child.hasSubfolders) setPlaceholder(item);
  return item;
}

void FolderTreePane::setAccess(FolderRights* rights, const UsersStore* users) {
  rights_ = rights;
  users_ = users;
  refreshAccess();
}

void FolderTreePane::reloadAccess() {
  // The folder commands moved the rights of the folders they moved in rights.dat.
  if (!rights_) return;
  rights_->Reload();
  refreshAccess();
}

void FolderTreePane::refreshAccess() {
  for (QTreeWidgetItemIterator it(this); *it; ++it)
    if (!(*it)->data(0, kPlaceholderRole).toBool()) decorate(*it);
}

void FolderTreePane::decorate(QTreeWidgetItem* item) {
  const bool root = item->parent() == nullptr;
  if (!rights_ || !users_) {
    item->setIcon(0, style()->standardIcon(root ? QStyle::SP_DriveHDIcon : QStyle::SP_DirIcon));
    item->setToolTip(0, QString());
    return;
  }
  const EffectiveRights rights = rights_->GetEffectiveRights(FolderKey(pathOf(item)));
  item->setIcon(0, RightsIconPicture(IconOfRights(rights.rights), style()));
  item->setToolTip(0, ToQString(ReplaceAll(RightsTooltip(rights, *users_), "\r\n", "\n")));
}

void FolderTreePane::setPlaceholder(QTreeWidgetItem* item) {
  auto* placeholder = new QTreeWidgetItem(item);
  placeholder->setData(0, kPlaceholderRole, true);
  placeholder->setFlags(Qt::NoItemFlags);
}

void FolderTreePane::fillChildren(QTreeWidgetItem* item) { fillChildren(item, folders_.Expand(pathOf(item))); }

void FolderTreePane::fillChildren(QTreeWidgetItem* item, const std::vector<FolderChild>& children) {
  qDeleteAll(item->takeChildren());
  for (const FolderChild& child : children) addFolderItem(item, child);
}

void FolderTreePane::onExpanded(QTreeWidgetItem* item) {
  if (filling_) return;
  // Every expansion reads the disk again: folders made or removed outside
  // the program show up here.
  filling_ = true;
  fillChildren(item);
  filling_ = false;
}

void FolderTreePane::onCollapsed(QTreeWidgetItem* item) {
  if (filling_) return;
  // A folder hidden inside the collapsed one hands the selection to it.
  for (QTreeWidgetItem* up = currentItem() ? currentItem()->parent() : nullptr; up; up = up->parent()) {
    if (up == item) {
      setCurrentItem(item);
      break;
    }
  }
  filling_ = true;
  qDeleteAll(item->takeChildren());
  setPlaceholder(item);
  filling_ = false;
}

void FolderTreePane::onCurrentChanged(QTreeWidgetItem* current) {
  if (!notify_ || !current || IsPlaceholder(current) || !loaded_) return;
  const std::string path = pathOf(current);
  if (!folders_.tree().FindPath(path)) return;
  sink_.PostShowFolder(folders_.FullPath(path));
}

std::optional<std::string> FolderTreePane::selectedPath() const {
  const QTreeWidgetItem* item = currentItem();
  if (!loaded_ || !item || IsPlaceholder(item)) return std::nullopt;
  return pathOf(item);
}

bool FolderTreePane::selectedIsRoot() const {
  const auto path = selectedPath();
  return path && path->empty();
}

bool FolderTreePane::canMoveUp() const {
  const auto path = selectedPath();
  const CDirectoryTree::Node* node = path ? folders_.tree().FindPath(*path) : nullptr;
  return node && !node->isRoot() && node->prevSibling();
}

bool FolderTreePane::canMoveDown() const {
  const auto path = selectedPath();
  const CDirectoryTree::Node* node = path ? folders_.tree().FindPath(*path) : nullptr;
  return node && !node->isRoot() && node->nextSibling();
}

QTreeWidgetItem* FolderTreePane::walkTo(const std::string& relativePath, bool expand) {
  QTreeWidgetItem* item = topLevelItem(0);
  std::string walked;
  for (const std::string& name : Split(relativePath, '/')) {
    if (name.empty()) continue;
    if (!item) return nullptr;
    if (expand && !item->isExpanded()) item->setExpanded(true);
    walked += name + "/";
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; i < item->childCount() && !next; ++i)
      if (!IsPlaceholder(item->child(i)) && pathOf(item->child(i)) == walked) next = item->child(i);
    item = next;
  }
  return item;
}

QTreeWidgetItem* FolderTreePane::itemForPath(const std::string& relativePath) { return walkTo(relativePath, false); }

bool FolderTreePane::selectPath(const std::string& relativePath) {
  QTreeWidgetItem* item = walkTo(relativePath, true);
  if (!item) return false;
  setCurrentItem(item);
  scrollToItem(item);
  return true;
}

void FolderTreePane::rebuild(const std::string& selectPath) {
  QTreeWidgetItem* root = buildRoot(folders_.Expand(""));
  if (!this->selectPath(selectPath)) setCurrentItem(root);
}

void FolderTreePane::editLater(const std::string& relativePath) {
  QTimer::singleShot(kEditDelayMs, this, [this, relativePath] {
    QTreeWidgetItem* item = itemForPath(relativePath);
    if (!item || item == topLevelItem(0)) return;
    setCurrentItem(item);
    scrollToItem(item);
    editItem(item, 0);
  });
}

// --- commands ----------------------------------------------------------------------------

void FolderTreePane::newFolder() {
  const auto parentPath = selectedPath();
  QTreeWidgetItem* parent = currentItem();
  if (!parentPath || !parent) return;
  const std::optional<std::string> created = NewFolder(folders_, *parentPath);
  if (!created) return;
  filling_ = true;
  fillChildren(parent);
  parent->setExpanded(true);
  filling_ = false;
  editLater(*created);
}

void FolderTreePane::renameFolder() {
  const auto path = selectedPath();
  // The root stands for ImageTree and keeps the profile's name.
  if (!path || path->empty()) return;
  editLater(*path);
}

void FolderTreePane::finishRename(QTreeWidgetItem* item, const QString& text) {
  // An empty or unchanged edit is no edit.
  if (text.isEmpty() || text == item->text(0)) return;
  const std::string path = pathOf(item);
  switch (RenameFolder(folders_, path, ToUtf8(text), notify_ ? &sink_ : nullptr)) {
    case RenameResult::kRenamed:
      item->setText(0, text);
      renumberPaths(item, ParentPath(path) + ToUtf8(text) + "/");
      reloadAccess();
      break;
    case RenameResult::kEditAgain:
      editLater(path);
      break;
    case RenameResult::kFailed:
      break;
  }
}

void FolderTreePane::renumberPaths(QTreeWidgetItem* item, const std::string& path) {
  item->setData(0, kPathRole, ToQString(path));
  for (int i = 0; i < item->childCount(); ++i) {
    QTreeWidgetItem* child = item->child(i);
    if (!IsPlaceholder(child)) renumberPaths(child, path + ToUtf8(child->text(0)) + "/");
  }
}

void FolderTreePane::deleteFolder() {
  const auto path = selectedPath();
  QTreeWidgetItem* item = currentItem();
  if (!path || !item) return;
  if (!DeleteFolder(folders_, *path)) return;
  reloadAccess();
  // The list leaves the deleted folder for its parent.
  if (QTreeWidgetItem* parent = item->parent()) setCurrentItem(parent);
  delete item;
}

void FolderTreePane::moveBefore() {
  const auto path = selectedPath();
  if (path && MoveFolderBefore(folders_, *path)) showNewOrder(*path);
}

void FolderTreePane::moveAfter() {
  const auto path = selectedPath();
  if (path && MoveFolderAfter(folders_, *path)) showNewOrder(*path);
}

void FolderTreePane::showNewOrder(const std::string& movedPath) {
  if (QTreeWidgetItem* parent = currentItem()->parent()) {
    // The same folder stays selected: the list keeps showing it.
    notify_ = false;
    filling_ = true;
    fillChildren(parent);
    filling_ = false;
    if (QTreeWidgetItem* moved = itemForPath(movedPath)) setCurrentItem(moved);
    notify_ = true;
  }
  emit folderOrderChanged();
}

void FolderTreePane::importFolder() {
  const auto path = selectedPath();
  if (!path) return;
  const QString start = lastImportDir_.isEmpty() ? QDir::homePath() : lastImportDir_;
  const QString chosen =
      QFileDialog::getExistingDirectory(this, ToQString(CommandPrompt(CommandId::kImportFolder).second), start);
  if (chosen.isEmpty()) return;
  lastImportDir_ = chosen;
  const std::optional<std::string> imported = ImportFolder(folders_, *path, ToUtf8(chosen), sink_);
  // The tree was loaded again either way: what was copied shows.
  rebuild(imported ? *imported : *path);
}

bool FolderTreePane::importDirectory(const std::string& directory, const std::string& parentPath) {
  if (!loaded_) return false;
  const std::optional<std::string> imported = ImportFolder(folders_, parentPath, directory, sink_);
  rebuild(parentPath);
  return imported.has_value();
}

void FolderTreePane::folderRights() {
  const auto path = selectedPath();
  if (!path || !rights_ || !users_ || !currentItem()) return;
  FolderRightsDialog dialog(*users_, *rights_, FolderKey(*path), currentItem()->text(0), this);
  if (dialog.exec() == QDialog::Accepted) refreshAccess();
}

void FolderTreePane::folderProperties() {
  const auto path = selectedPath();
  if (!path) return;
  FolderPropertiesDialog dialog(folders_.profileDir(), *path, this);
  dialog.exec();
}

bool FolderTreePane::moveFolder(const std::string& source, const std::string& target) {
  if (source == target) return false;
  const std::vector<std::string> before = ListSnapshot(folders_.tree());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const Result<std::string> moved = MoveFolder(folders_, source, target);
  QApplication::restoreOverrideCursor();
  if (rights_) rights_->Reload();
  if (moved) {
    rebuild(*moved);
  } else if (ListSnapshot(folders_.tree()) != before) {
    // A move that failed half way still changed the disk; show what is there.
    rebuild(folders_.tree().FindPath(source) ? source : ParentPath(source));
  }
  return moved.ok();
}

void FolderTreePane::startMoveDrag() { startDrag(Qt::MoveAction); }

// --- mouse and keyboard --------------------------------------------------------------------

void FolderTreePane::startDrag(Qt::DropActions) {
  QTreeWidgetItem* item = currentItem();
  if (!item || IsPlaceholder(item) || item == topLevelItem(0)) return;
  auto* mime = new QMimeData;
  mime->setData(kFolderMime, item->data(0, kPathRole).toString().toUtf8());
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  // The drag image: the item's icon and name.
  const QRect rect = visualItemRect(item);
  if (rect.isValid()) drag->setPixmap(viewport()->grab(rect));
  drag->exec(Qt::MoveAction);
  setDropTarget(nullptr);
}

void FolderTreePane::setDropTarget(QTreeWidgetItem* target) {
  if (target == dropTarget_) return;
  if (dropTarget_) dropTarget_->setBackground(0, QBrush());
  dropTarget_ = target;
  if (dropTarget_) dropTarget_->setBackground(0, palette().highlight().color().lighter(170));
}

void FolderTreePane::contextMenuEvent(QContextMenuEvent* event) {
  QTreeWidgetItem* item = nullptr;
  QPoint where = event->globalPos();
  if (event->reason() == QContextMenuEvent::Mouse) {
    item = itemAt(event->pos());
  } else if ((item = currentItem())) {
    where = viewport()->mapToGlobal(visualItemRect(item).center());
  }
  if (!item || IsPlaceholder(item)) return;
  setCurrentItem(item);
  if (contextMenu_) contextMenu_->exec(where);
}

void FolderTreePane::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier) {
    switch (event->key()) {
      case Qt::Key_Insert:
        emit commandKey(static_cast<int>(CommandId::kNewFolder));
        return;
      case Qt::Key_Delete:
        emit commandKey(static_cast<int>(CommandId::kDeleteFolder));
        return;
      case Qt::Key_F2:
        emit commandKey(static_cast<int>(CommandId::kRenameFolder));
        return;
      default:
        break;
    }
  }
  QTreeWidget::keyPressEvent(event);
}

void FolderTreePane::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == this && event->mimeData()->hasFormat(kFolderMime)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void FolderTreePane::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() != this || !event->mimeData()->hasFormat(kFolderMime)) {
    event->ignore();
    return;
  }
  QTreeWidgetItem* target = itemAt(event->position().toPoint());
  if (IsPlaceholder(target)) target = nullptr;
  setDropTarget(target);
  if (target) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void FolderTreePane::dragLeaveEvent(QDragLeaveEvent* event) {
  setDropTarget(nullptr);
  QTreeWidget::dragLeaveEvent(event);
}

void FolderTreePane::dropEvent(QDropEvent* event) {
  QTreeWidgetItem* target = itemAt(event->position().toPoint());
  setDropTarget(nullptr);
  if (event->source() != this || !event->mimeData()->hasFormat(kFolderMime) || !target || IsPlaceholder(target)) {
    event->ignore();
    return;
  }
  const std::string source = ToUtf8(QString::fromUtf8(event->mimeData()->data(kFolderMime)));
  const std::string targetPath = pathOf(target);
  event->setDropAction(Qt::MoveAction);
  event->accept();
  // Once the drag has ended: the move asks a question and rebuilds every item.
  QTimer::singleShot(0, this, [this, source, targetPath] { moveFolder(source, targetPath); });
}

}  // namespace albumsmith::ui
