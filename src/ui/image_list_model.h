#pragma once
// The Qt face of the core's ImageList: rows are the list's items in its own
// display order, columns its four columns. Sorting, comments and the order
// files stay in ImageList; this model only reports what changed, keeps the
// selection on the same images across a re-sort, and holds the pictures the
// image worker handed over.

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <functional>

#include "album/image_list.h"

namespace albumsmith::ui {

class ImageListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The thumbnail as made by the worker (a QPixmap), null until there is one.
  static constexpr int kThumbnailRole = Qt::UserRole + 1;
  // The "%02d" position number drawn on a thumbnail.
  static constexpr int kNumberRole = Qt::UserRole + 2;
  // The side of the small pictures of the detailed list.
  static constexpr int kListIconSize = 50;

  explicit ImageListModel(ImageList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Runs a load (or anything else that replaces the items) as a model reset.
  // Pictures are kept when the same folder comes again.
  void reload(const std::function<void()>& change);
  // Runs an operation that only reorders the items (a sort, a mode switch);
  // selected and current images stay selected and current.
  void reorder(const std::function<void()>& change);
  // The worker made or checked an image: re-read its date and comment and
  // show its picture.
  void imageDone(const QString& fileName, const QImage& thumbnail);

  int rowOf(const QString& fileName) const { return rows_.value(fileName, -1); }
  // The 50 x 50 stand-in for a picture that is not made yet.
  static const QPixmap& placeholder();

 private:
  const ImageItem* item(int row) const;
  void indexRows();

  ImageList& list_;
  QHash<QString, int> rows_;  // file name -> row
  QString picturesOf_;        // the thumbnail folder the pictures below belong to
  QHash<QString, QPixmap> thumbnails_;
  QHash<QString, QPixmap> icons_;  // the same, fitted into kListIconSize squares
};

}  // namespace albumsmith::ui
