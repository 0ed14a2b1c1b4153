#include "ui/image_list_model.h"

#include <QPainter>

#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

// The detailed list's column titles, in column (and ordering) order.

QPixmap FitIntoSquare(const QPixmap& picture, int side) {
  QPixmap square(side, side);
  square.fill(Qt::transparent);
  const QPixmap fitted = picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter p(&square);
  p.drawPixmap((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
  return square;
}

}  // namespace

ImageListModel::ImageListModel(ImageList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}

const QPixmap& ImageListModel::placeholder() {
  static const QPixmap picture = [] {
    QPixmap p(kListIconSize, kListIconSize);
    p.fill(QColor(0xe4, 0xe4, 0xe4));
    QPainter painter(&p);
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    painter.drawRect(0, 0, kListIconSize - 1, kListIconSize - 1);
    return p;
  }();
  return picture;
}

const ImageItem* ImageListModel::item(int row) const {
  // A load may show a message box half way; the views may paint meanwhile.
  if (row < 0 || static_cast<size_t>(row) >= list_.items().size()) return nullptr;
  return &list_.items()[static_cast<size_t>(row)];
}

int ImageListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.items().size());
}

int ImageListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kOrderingCount; }

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
  const ImageItem* it = item(index.row());
  if (!it) return {};
  const QString name = ToQString(it->fileName);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return ToQString(ColumnText(*it, index.column()));
    case Qt::ToolTipRole:
      return name;
    case Qt::DecorationRole:
      if (index.column() != 0) return {};
      return icons_.contains(name) ? icons_.value(name) : placeholder();
    case kThumbnailRole:
      return thumbnails_.value(name);
    case kNumberRole:
      return ToQString(ColumnText(*it, kSortByPosition));
    default:
      return {};
  }
}

bool ImageListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || index.column() != kSortByComment || !item(index.row())) return false;
  const bool written = list_.EditComment(static_cast<size_t>(index.row()), ToUtf8(value.toString()));
  emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
  return written;
}

Qt::ItemFlags ImageListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && index.column() == kSortByComment) f |= Qt::ItemIsEditable;
  return f;
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kOrderingCount)
    return ToQString(ColumnTitle(section));
  return QAbstractTableModel::headerData(section, orientation, role);
}

void ImageListModel::indexRows() {
  rows_.clear();
  const auto& items = list_.items();
  rows_.reserve(static_cast<qsizetype>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) rows_.insert(ToQString(items[i].fileName), static_cast<int>(i));
}

void ImageListModel::reload(const std::function<void()>& change) {
  beginResetModel();
  change();
  const QString folder = list_.loaded() ? ToQString(list_.dirs().thumbnails) : QString();
  if (folder != picturesOf_) {
    thumbnails_.clear();
    icons_.clear();
    picturesOf_ = folder;
  }
  indexRows();
  endResetModel();
}

void ImageListModel::reorder(const std::function<void()>& change) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  QStringList names;
  names.reserve(before.size());
  for (const QModelIndex& index : before) names << index.siblingAtColumn(kSortByFileName).data().toString();
  change();
  indexRows();
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    const int row = rowOf(names[i]);
    after << (row < 0 ? QModelIndex() : index(row, before[i].column()));
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ImageListModel::imageDone(const QString& fileName, const QImage& thumbnail) {
  list_.RefreshItem(ToUtf8(fileName));
  if (!thumbnail.isNull()) {
    const QPixmap picture = QPixmap::fromImage(thumbnail);
    thumbnails_.insert(fileName, picture);
    icons_.insert(fileName, FitIntoSquare(picture, kListIconSize));
  }
  const int row = rowOf(fileName);
  if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace albumsmith::ui
