#include "ui/image_list_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QMimeData>
#include <QImageReader>
#include <QKeyEvent>
#include <QListView>
#include <QCursor>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeView>
#include <algorithm>
#include <set>

#include "album/image_edit.h"
#include "album/image_worker.h"
#include "platform/window_sink.h"
#include "ui/image_list_model.h"
#include "ui/image_viewer_dialog.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

constexpr const char* kReorderMime = "application/x-albumsmith-image-reorder";
// How far to either side a drop in thumbnail mode looks for an item when
// none is right under the cursor (between two pictures of a row).
constexpr int kSideProbe = 50;

// A list that reorders its photos by dragging one onto another. The drag
// carries only the dragged row; the view decides, and the list is never
// changed by Qt's own move handling.
template <typename Base>
class ReorderView : public Base {
 public:
  explicit ReorderView(ImageListView* owner) : owner_(owner) {
    this->setDragEnabled(true);
    this->setAcceptDrops(true);
    this->setDragDropMode(QAbstractItemView::DragDrop);
    this->setDropIndicatorShown(false);  // the target is framed instead
    this->setAutoScroll(true);
    this->setAutoScrollMargin(32);
  }

 protected:
  void startDrag(Qt::DropActions) override {
    const QModelIndex current = this->currentIndex();
    if (!current.isValid() || !owner_->canStartReorder()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(owner_->reorderData(current.row()));
    QPixmap picture = current.siblingAtColumn(kSortByComment).data(ImageListModel::kThumbnailRole).value<QPixmap>();
    if (picture.isNull()) picture = ImageListModel::placeholder();
    drag->setPixmap(picture.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // While the cursor is above or below the list, it scrolls that way, the
    // further out the faster, so that a drop can reach any photo.
    QTimer scroller;
    scroller.setInterval(100);
    QObject::connect(&scroller, &QTimer::timeout, this, [this] {
      const QPoint at = this->viewport()->mapFromGlobal(QCursor::pos());
      const int height = this->viewport()->height();
      const int outside = at.y() < 0 ? at.y() : at.y() > height ? at.y() - height : 0;
      if (outside != 0) this->verticalScrollBar()->setValue(this->verticalScrollBar()->value() + outside);
    });
    scroller.start();
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    scroller.stop();
    setDropRow(-1);
  }

  void dragEnterEvent(QDragEnterEvent* event) override {
    if (ImageListView::draggedRow(event->mimeData()) < 0) {
      event->ignore();  // files from elsewhere go to the main window
      return;
    }
    this->setState(QAbstractItemView::DraggingState);
    event->accept();
  }

  void dragMoveEvent(QDragMoveEvent* event) override {
    const int dragged = ImageListView::draggedRow(event->mimeData());
    if (dragged < 0) {
      event->ignore();
      return;
    }
    const QPoint at = event->position().toPoint();
    const int target = targetAt(at);
    setDropRow(target);
    // Near an edge the list scrolls, so that a drop can reach any photo.
    const QRect inner = this->viewport()->rect().adjusted(0, this->autoScrollMargin(), 0, -this->autoScrollMargin());
    if (!inner.contains(at)) this->startAutoScroll();
    // The refused cursor where the drop would not change the order.
    if (owner_->dropAllowed(event->mimeData(), target)) {
      event->accept();
    } else {
      event->ignore();
    }
  }

  void dragLeaveEvent(QDragLeaveEvent* event) override {
    setDropRow(-1);
    Base::dragLeaveEvent(event);
  }

  void dropEvent(QDropEvent* event) override {
    const int target = targetAt(event->position().toPoint());
    setDropRow(-1);
    this->stopAutoScroll();
    this->setState(QAbstractItemView::NoState);
    if (ImageListView::draggedRow(event->mimeData()) < 0) {
      event->ignore();
      return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    owner_->dropReorder(event->mimeData(), target);
  }

  void paintEvent(QPaintEvent* event) override {
    Base::paintEvent(event);
    if (dropRow_ < 0 || !this->model()) return;
    QPainter p(this->viewport());
    p.setPen(QPen(this->palette().highlight().color(), 2));
    const QModelIndex index = this->model()->index(dropRow_, 0);
    QRect r = this->visualRect(index);
    if (auto* tree = dynamic_cast<QTreeView*>(static_cast<QAbstractItemView*>(this)))
      r = QRect(0, r.top(), tree->viewport()->width(), r.height());
    p.drawRect(r.adjusted(1, 1, -1, -1));
  }

 private:
  int targetAt(const QPoint& at) const {
    QModelIndex index = this->indexAt(at);
    if (!index.isValid() && !dynamic_cast<const QTreeView*>(static_cast<const QAbstractItemView*>(this))) {
      for (int dx = 10; dx <= kSideProbe && !index.isValid(); dx += 10) {
        index = this->indexAt(at + QPoint(dx, 0));
        if (!index.isValid()) index = this->indexAt(at - QPoint(dx, 0));
      }
    }
    return index.isValid() ? index.row() : -1;
  }
  void setDropRow(int row) {
    if (row == dropRow_) return;
    dropRow_ = row;
    this->viewport()->update();
  }

  ImageListView* owner_;
  int dropRow_ = -1;
};

// Where a thumbnail item draws its parts inside its grid cell of
// (MaxThumbSize + 20) x (MaxThumbSize + 60): the picture cell of
// (MaxThumbSize + 8) x (MaxThumbSize + 24) at the top, which holds the
// framed picture square and the date line below it, then the comment.
struct ThumbLayout {
  QRect cell;
  QRect square;
  QRect date;
  QRect label;

  ThumbLayout(const QRect& grid, int thumbSize) {
    const int cellWidth = thumbSize + 8;
    const int cellHeight = thumbSize + 24;
    cell = QRect(grid.x() + (grid.width() - cellWidth) / 2, grid.y() + 2, cellWidth, cellHeight);
    square = QRect(cell.x(), cell.y(), cellWidth, cellWidth);
    date = QRect(cell.x(), square.bottom() + 1, cellWidth, cellHeight - cellWidth);
    label = QRect(grid.x() + 2, cell.bottom() + 2, grid.width() - 4, grid.bottom() - cell.bottom() - 3);
  }
};

class ThumbnailDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void setThumbSize(int size) { thumbSize_ = size; }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {thumbSize_ + 20, thumbSize_ + 60};
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const ThumbLayout at(option.rect, thumbSize_);
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform);

    p->fillRect(at.cell, selected ? palette.highlight().color().lighter(160) : palette.base().color());
    p->setPen(selected ? palette.highlight().color() : palette.mid().color());
    p->drawRect(at.cell.adjusted(0, 0, -1, -1));

    QPixmap picture = index.data(ImageListModel::kThumbnailRole).value<QPixmap>();
    if (picture.isNull()) picture = ImageListModel::placeholder();
    // A thumbnail made with another MaxThumbSize still fits its square. Sizes
    // are in the window's units: a picture drawn for a high-density screen
    // has more pixels than it takes room.
    const int room = at.square.width() - 8;
    QSize size = picture.deviceIndependentSize().toSize();
    if (size.width() > room || size.height() > room) {
      const qreal ratio = picture.devicePixelRatio();
      picture = picture.scaled(QSize(room, room) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      picture.setDevicePixelRatio(ratio);
      size = picture.deviceIndependentSize().toSize();
    }
    const QRect pictureRect(at.square.x() + (at.square.width() - size.width()) / 2,
                            at.square.y() + (at.square.height() - size.height()) / 2, size.width(), size.height());
    p->drawPixmap(pictureRect, picture);

    // The position number sits in the picture's corner on its own ground,
    // so that it reads on any photo.
    QFont small = option.font;
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p->setFont(small);
    const QString number = index.data(ImageListModel::kNumberRole).toString();
    const QFontMetrics fm(small);
    const QRect numberRect(pictureRect.topLeft(), QSize(fm.horizontalAdvance(number) + 4, fm.height()));
    p->fillRect(numberRect, Qt::white);
    p->setPen(Qt::black);
    p->drawText(numberRect, Qt::AlignCenter, number);

    p->setPen(palette.placeholderText().color());
    const QString date = index.siblingAtColumn(kSortByDate).data().toString();
    p->drawText(at.date, Qt::AlignCenter, fm.elidedText(date, Qt::ElideRight, at.date.width() - 2));

    p->setFont(option.font);
    const QFontMetrics labelMetrics(option.font);
    const QString comment = index.data(Qt::DisplayRole).toString();
    if (selected) {
      const QRect used =
          labelMetrics.boundingRect(at.label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, comment);
      p->fillRect(used.intersected(at.label).adjusted(-2, 0, 2, 0), palette.highlight());
      p->setPen(palette.highlightedText().color());
    } else {
      p->setPen(palette.text().color());
    }
    p->drawText(at.label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, comment);

    if (option.state & QStyle::State_HasFocus) {
      QPen focus(palette.highlight().color());
      focus.setStyle(Qt::DotLine);
      p->setPen(focus);
      p->setBrush(Qt::NoBrush);
      p->drawRect(at.cell.adjusted(-1, -1, 0, 0));
    }
    p->restore();
  }

  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override {
    const ThumbLayout at(option.rect, thumbSize_);
    editor->setGeometry(at.label.x(), at.label.y(), at.label.width(), editor->sizeHint().height());
  }

 private:
  int thumbSize_ = 100;
};

// A thumbnail the worker made, or the one already on disk: read on the
// worker's thread, so that the window never waits for a picture.
QImage ThumbnailOf(ProcessedImage& result) {
  const ImageBuffer& b = result.thumbnail;
  if (!b.empty() && (b.components() == 3 || b.components() == 1)) {
    const QImage::Format format = b.components() == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
    return QImage(b.data(), b.width(), b.height(), static_cast<qsizetype>(b.rowBytes()), format).copy();
  }
  QImageReader reader(ToQString(result.thumbnailPath));
  reader.setAutoTransform(false);  // the worker writes thumbnails upright
  return reader.read();
}

// On a screen of more than one pixel per unit, the thumbnail's own pixels
// would be blown up and blurred: the picture is then drawn from the medium
// image (written upright beside it) at the thumbnail's size in units.
QImage PictureOf(ProcessedImage& result, qreal ratio, const QString& mediumPath) {
  QImage thumbnail = ThumbnailOf(result);
  if (ratio <= 1.0 || thumbnail.isNull()) return thumbnail;
  QImageReader reader(mediumPath);
  reader.setAutoTransform(false);
  const QSize wanted = (QSizeF(thumbnail.size()) * ratio).toSize();
  if (!reader.canRead() || reader.size().width() < wanted.width()) return thumbnail;
  reader.setScaledSize(reader.size().scaled(wanted, Qt::KeepAspectRatio));
  QImage sharp = reader.read();
  if (sharp.isNull()) return thumbnail;
  sharp.setDevicePixelRatio(ratio);
  return sharp;
}

}  // namespace

ImageListView::ImageListView(WindowSink& sink, QWidget* parent)
    : QStackedWidget(parent), sink_(sink), list_(sink), model_(new ImageListModel(list_, this)) {
  setObjectName(QStringLiteral("ImageListPane"));

  thumbnails_ = new ReorderView<QListView>(this);
  thumbnails_->setObjectName(QStringLiteral("ThumbnailView"));
  thumbnails_->setViewMode(QListView::IconMode);
  thumbnails_->setMovement(QListView::Static);
  thumbnails_->setResizeMode(QListView::Adjust);
  thumbnails_->setUniformItemSizes(true);
  thumbnails_->setWrapping(true);
  thumbnails_->setItemDelegate(new ThumbnailDelegate(thumbnails_));
  thumbnails_->setModel(model_);
  thumbnails_->setModelColumn(kSortByComment);

  details_ = new ReorderView<QTreeView>(this);
  details_->setObjectName(QStringLiteral("DetailView"));
  details_->setRootIsDecorated(false);
  details_->setItemsExpandable(false);
  details_->setUniformRowHeights(true);
  details_->setAllColumnsShowFocus(true);
  details_->setIconSize(QSize(ImageListModel::kListIconSize, ImageListModel::kListIconSize));
  details_->setModel(model_);
  details_->setSelectionModel(thumbnails_->selectionModel());
  QHeaderView* header = details_->header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setStretchLastSection(false);
  for (int c = 0; c < kOrderingCount; ++c) details_->setColumnWidth(c, kColumnWidths[c]);
  // The first widths suit a narrow type; with a wider one a date is still read whole.
  const int dateWidth = details_->fontMetrics().horizontalAdvance(QStringLiteral("00-sep-00 00:00:00")) + 16;
  details_->setColumnWidth(kSortByDate, std::max(kColumnWidths[kSortByDate], dateWidth));
  connect(header, &QHeaderView::sectionClicked, this, &ImageListView::clickColumn);

  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(thumbnails_), static_cast<QAbstractItemView*>(details_)}) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Rows in both, so that a selection made in one mode shows whole in the other.
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->installEventFilter(this);
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { displayImage(); });
  }
  addWidget(thumbnails_);
  addWidget(details_);
  applyThumbSize(ProfileSettings{}.maxThumbSize);
  updateHeader();

  list_.SetWorkerStarter([this](ImageList&) { startWorker(); });
}

ImageListView::~ImageListView() { stopWorker(); }

QAbstractItemView* ImageListView::currentView() const {
  return list_.listMode() == ImageList::kThumbnails ? static_cast<QAbstractItemView*>(thumbnails_) : details_;
}

void ImageListView::applyThumbSize(int maxThumbSize) {
  if (maxThumbSize <= 0 || maxThumbSize == thumbSize_) return;
  thumbSize_ = maxThumbSize;
  static_cast<ThumbnailDelegate*>(thumbnails_->itemDelegate())->setThumbSize(maxThumbSize);
  thumbnails_->setGridSize(QSize(maxThumbSize + 20, maxThumbSize + 60));
}

void ImageListView::loadFolder(const std::string& profileDir, const std::string& folder,
                               const ProfileSettings& settings) {
  // A show-folder message served while the worker is being stopped would hand it new work.
  if (stopping_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  applyThumbSize(settings.maxThumbSize);
  model_->reload([&] { list_.LoadFolder(profileDir, folder, settings); });
  updateHeader();
  QApplication::restoreOverrideCursor();
}

void ImageListView::clear() {
  // A record names folders of the profile it was made in.
  if (clipboard_) {
    clipboard_.reset();
    sink_.PostClipboard(false, 0);
  }
  stopWorker();
  model_->reload([this] { list_.Clear(); });
}

void ImageListView::setListMode(int mode) {
  const int wanted = mode == ImageList::kThumbnails ? ImageList::kThumbnails : ImageList::kDetails;
  const bool hadFocus = currentView()->hasFocus();
  model_->reorder([&] { list_.SetListMode(wanted); });
  setCurrentWidget(currentView());
  updateHeader();
  if (hadFocus) currentView()->setFocus();
  if (currentView()->currentIndex().isValid()) currentView()->scrollTo(currentView()->currentIndex());
}

void ImageListView::chooseOrdering(int index) {
  if (list_.loaded()) {
    model_->reorder([&] {
      if (list_.SetOrdering(index)) list_.SaveOrder();
    });
    updateHeader();
  }
  currentView()->setFocus();
}

void ImageListView::clickColumn(int column) {
  if (list_.loaded()) model_->reorder([&] { list_.ClickColumn(column); });
  // The header flips its own arrow on a click; the list's state is what counts,
  // also when the click was refused.
  updateHeader();
}

void ImageListView::updateHeader() {
  QHeaderView* header = details_->header();
  if (list_.ordering() < 0) {
    header->setSortIndicator(-1, Qt::AscendingOrder);
    return;
  }
  header->setSortIndicator(list_.ordering(), list_.ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int ImageListView::selectedCount() const {
  std::set<int> rows;
  for (const QModelIndex& index : thumbnails_->selectionModel()->selectedIndexes()) rows.insert(index.row());
  return static_cast<int>(rows.size());
}

void ImageListView::selectAll() { currentView()->selectAll(); }
void ImageListView::unselect() { currentView()->clearSelection(); }

bool ImageListView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
    return QStackedWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
    } else if (list_.loaded() && selectedCount() > 0) {
      deleteImages();
    }
    return true;
  }
  if (key->modifiers() != Qt::ControlModifier) return QStackedWidget::eventFilter(watched, event);
  switch (key->key()) {
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_D:
    case Qt::Key_V:
    case Qt::Key_X:
      break;
    default:
      return QStackedWidget::eventFilter(watched, event);
  }
  // The list runs these itself, whatever the menu's accelerators say.
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();
    return true;
  }
  switch (key->key()) {
    case Qt::Key_A:
      selectAll();
      break;
    case Qt::Key_D:
      unselect();
      break;
    case Qt::Key_C:
      copyImages();
      break;
    case Qt::Key_X:
      cutImages();
      break;
    case Qt::Key_V:
      pasteImages();
      break;
    default:
      break;
  }
  return true;
}

std::vector<std::string> ImageListView::selectedNames() const {
  std::set<int> rows;
  for (const QModelIndex& index : thumbnails_->selectionModel()->selectedIndexes()) rows.insert(index.row());
  std::vector<std::string> names;
  const auto& items = list_.items();
  for (int row : rows)
    if (row >= 0 && row < static_cast<int>(items.size())) names.push_back(items[static_cast<size_t>(row)].fileName);
  return names;
}

void ImageListView::reload() {
  if (!list_.loaded()) return;
  const std::string profileDir = list_.profileDir();
  const std::string folder = list_.folder();
  const ProfileSettings settings = list_.settings();
  loadFolder(profileDir, folder, settings);
}

void ImageListView::importImages() {
  if (!list_.loaded()) return;
  QFileDialog dialog(this, QLoad(TextId::kImportImagesTitle), importDir_.isEmpty() ? QDir::homePath() : importDir_,
                     QLoad(TextId::kJpegFilesFilter));
  dialog.setObjectName(QStringLiteral("ImportImagesDialog"));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Qt's own dialog: the same on every desktop, and driven by the tests.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return;
  importDir_ = dialog.directory().absolutePath();
  std::vector<std::string> files;
  for (const QString& file : chosen) files.push_back(ToUtf8(file));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  ImportImageFiles(list_.profileDir(), list_.folder(), files);
  QApplication::restoreOverrideCursor();
  // What was copied before a failure shows.
  reload();
}

std::vector<std::string> ImageListView::dropFiles(const std::vector<std::string>& paths) {
  const DropSelection drop = SortDroppedPaths(paths);
  if (list_.loaded() && !drop.files.empty()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ImportDroppedFiles(list_.profileDir(), list_.folder(), drop);
    QApplication::restoreOverrideCursor();
    reload();
  }
  return list_.loaded() ? drop.directories : std::vector<std::string>{};
}

void ImageListView::editFiles(const std::function<void(const std::string& profileDir, const ProfileSettings&)>& edit) {
  if (!list_.loaded()) return;
  const std::string profileDir = list_.profileDir();
  const std::string folder = list_.folder();
  const ProfileSettings settings = list_.settings();
  // The worker may be reading a photo that is about to go: it would report
  // a photo the user just removed as unreadable. It ends first, and the
  // load below starts it again on what is left.
  stopWorker();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  edit(profileDir, settings);
  QApplication::restoreOverrideCursor();
  loadFolder(profileDir, folder, settings);
}

void ImageListView::deleteImages() {
  const std::vector<std::string> names = selectedNames();
  if (!list_.loaded() || names.empty()) return;
  if (!ConfirmDeleteImages(static_cast<int>(names.size()))) return;
  const std::string folder = list_.folder();
  editFiles([&](const std::string& profileDir, const ProfileSettings&) { DeleteImages(profileDir, folder, names); });
}

namespace {
void Record(ImageListView& view, const ImageList& list, std::shared_ptr<ImageClipboard>& clipboard, WindowSink& sink,
            ImageClipboard::Mode mode) {
  const std::vector<std::string> names = view.selectedNames();
  if (!list.loaded() || names.empty()) return;
  clipboard = std::make_shared<ImageClipboard>(MakeClipboard(list.profileDir(), list.folder(), names, mode));
  view.currentView()->viewport()->update();
  sink.PostClipboard(mode == ImageClipboard::Mode::kCut, static_cast<int>(names.size()));
}
}  // namespace

void ImageListView::cutImages() { Record(*this, list_, clipboard_, sink_, ImageClipboard::Mode::kCut); }
void ImageListView::copyImages() { Record(*this, list_, clipboard_, sink_, ImageClipboard::Mode::kCopy); }

void ImageListView::pasteImages() {
  if (!clipboard_ || !list_.loaded()) return;
  // The record stays, so that the same photos can be pasted again.
  clipboard_->destinationFolder = list_.folder();
  sink_.PostPaste(std::make_shared<ImageClipboard>(*clipboard_));
}

std::shared_ptr<ImageClipboard> ImageListView::applyPaste(const ImageClipboard& record) {
  if (!list_.loaded()) return nullptr;
  PasteOutcome out;
  editFiles([&](const std::string& profileDir, const ProfileSettings&) { out = ApplyPaste(profileDir, record); });
  if (!out.changed()) return nullptr;
  return std::make_shared<ImageClipboard>(std::move(out.undo));
}

void ImageListView::undoPaste(const ImageClipboard& record) {
  editFiles([&](const std::string& profileDir, const ProfileSettings&) { UndoPaste(profileDir, record); });
}

void ImageListView::displayImage() {
  if (!list_.loaded()) return;
  QModelIndex index = currentView()->currentIndex();
  if (!index.isValid() || !thumbnails_->selectionModel()->isRowSelected(index.row())) {
    const QModelIndexList rows = thumbnails_->selectionModel()->selectedRows(kSortByComment);
    if (rows.isEmpty()) return;
    index = rows.first();
  }
  const auto& items = list_.items();
  if (index.row() < 0 || index.row() >= static_cast<int>(items.size())) return;
  ImageViewerDialog viewer(list_.profileDir(), list_.folder(), items[static_cast<size_t>(index.row())].fileName, this);
  viewer.exec();
}

QMimeData* ImageListView::reorderData(int row) const {
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kReorderMime), QByteArray::number(row) + ' ' + QByteArray::number(selectedCount()));
  return data;
}

int ImageListView::draggedRow(const QMimeData* data, int* selectedCount) {
  if (!data || !data->hasFormat(QString::fromLatin1(kReorderMime))) return -1;
  const QList<QByteArray> parts = data->data(QString::fromLatin1(kReorderMime)).split(' ');
  bool ok = parts.size() == 2;
  const int row = ok ? parts[0].toInt(&ok) : -1;
  if (!ok) return -1;
  if (selectedCount) *selectedCount = parts[1].toInt();
  return row;
}

bool ImageListView::dropAllowed(const QMimeData* data, int target) const {
  return DropChangesOrder(draggedRow(data), target);
}

bool ImageListView::canStartReorder() { return list_.loaded() && CanDragInList(list_); }

void ImageListView::dropReorder(const QMimeData* data, int target) {
  int selected = 0;
  const int dragged = draggedRow(data, &selected);
  if (!list_.loaded() || dragged < 0 || !DropChangesOrder(dragged, target)) return;
  // The refusal is shown before the list changes anything.
  if (selected > 1) {
    DropInList(list_, dragged, target, selected);
    return;
  }
  model_->reorder([&] { DropInList(list_, dragged, target, selected); });
  currentView()->viewport()->update();
}

void ImageListView::startWorker() {
  // The previous worker has ended (loading() was clear); only its thread object is left.
  if (worker_.joinable()) worker_.join();
  WorkerOptions options;
  // The worker hands over each image in list order from its own thread; the
  // picture is read there and the item refreshed here, on the GUI thread,
  // only when it still belongs to the folder shown.
  // The view outlives the thread (it joins it before it goes), and a call
  // still queued when the view goes is dropped with it.
  const qreal ratio = devicePixelRatioF();
  const QString mediumDir = ToQString(list_.dirs().medium);
  options.onImage = [this, ratio, mediumDir](ImageDone&& done) {
    QImage picture = PictureOf(done.result, ratio, mediumDir + ToQString(done.fileName));
    const QString path = ToQString(done.result.thumbnailPath);
    const QString name = ToQString(done.fileName);
    QMetaObject::invokeMethod(
        this,
        [this, path, name, picture] {
          if (ToQString(list_.dirs().thumbnails) + name == path) model_->imageDone(name, picture);
        },
        Qt::QueuedConnection);
  };
  worker_ = std::thread([this, options = std::move(options)] {
    RunWorker(list_, sink_, options);
    // Nothing else tells the window that loading() went clear.
    QMetaObject::invokeMethod(
        this, [this] { emit workerFinished(); }, Qt::QueuedConnection);
  });
}

void ImageListView::stopWorker() {
  if (!worker_.joinable()) return;
  // An empty list makes the worker stop at its next image and end. It may be
  // waiting for a message box on this thread meanwhile, so events are served
  // until it has let go of the list.
  stopping_ = true;
  model_->reload([this] { list_.Clear(); });
  while (list_.loading()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  worker_.join();
  stopping_ = false;
}

}  // namespace albumsmith::ui
