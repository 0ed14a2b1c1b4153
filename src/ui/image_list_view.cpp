#include "ui/image_list_view.h"

#include <QApplication>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeView>
#include <algorithm>
#include <set>

#include "album/image_worker.h"
#include "platform/window_sink.h"
#include "ui/image_list_model.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

// The detailed list's first column widths, in column order.

constexpr const char* kClipboardLater = "Cut, copy and paste of images are not available in this version";

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
      const QRect used = labelMetrics.boundingRect(at.label, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, comment);
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
  QImageReader reader(Q(result.thumbnailPath));
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

  thumbnails_ = new QListView;
  thumbnails_->setObjectName(QStringLiteral("ThumbnailView"));
  thumbnails_->setViewMode(QListView::IconMode);
  thumbnails_->setMovement(QListView::Static);
  thumbnails_->setResizeMode(QListView::Adjust);
  thumbnails_->setUniformItemSizes(true);
  thumbnails_->setWrapping(true);
  thumbnails_->setItemDelegate(new ThumbnailDelegate(thumbnails_));
  thumbnails_->setModel(model_);
  thumbnails_->setModelColumn(kSortByComment);

  details_ = new QTreeView;
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

  for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(thumbnails_), static_cast<QAbstractItemView*>(details_)}) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Rows in both, so that a selection made in one mode shows whole in the other.
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    view->installEventFilter(this);
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
    case Qt::Key_A: selectAll(); break;
    case Qt::Key_D: unselect(); break;
    default: sink_.PostStatus(kClipboardLater); break;
  }
  return true;
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
  const QString mediumDir = Q(list_.dirs().medium);
  options.onImage = [this, ratio, mediumDir](ImageDone&& done) {
    QImage picture = PictureOf(done.result, ratio, mediumDir + Q(done.fileName));
    const QString path = Q(done.result.thumbnailPath);
    const QString name = Q(done.fileName);
    QMetaObject::invokeMethod(
        this,
        [this, path, name, picture] {
          if (Q(list_.dirs().thumbnails) + name == path) model_->imageDone(name, picture);
        },
        Qt::QueuedConnection);
  };
  worker_ = std::thread([this, options = std::move(options)] { RunWorker(list_, sink_, options); });
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
