#pragma once
// The image list view, the main window's central widget: the images of the
// folder selected in the tree, as thumbnails or as a detailed list with four
// columns. Both show the same model and the same selection; the core's
// ImageList decides the order, the comments and the order files. The view
// also runs the image worker on its own thread and shows each picture as
// soon as the worker has made it.

#include <QStackedWidget>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "album/image_list.h"

class QListView;
class QTreeView;
class QAbstractItemView;
class QItemSelectionModel;

namespace albumsmith {
class WindowSink;
}

namespace albumsmith::ui {

class ImageListModel;

class ImageListView : public QStackedWidget {
  Q_OBJECT
 public:
  explicit ImageListView(WindowSink& sink, QWidget* parent = nullptr);
  // Stops the worker and waits for it.
  ~ImageListView() override;

  // Shows a folder of a profile (the show-folder message).
  void loadFolder(const std::string& profileDir, const std::string& folder, const ProfileSettings& settings);
  // Empties the list and stops the worker (profile change, closing).
  void clear();

  // 0 thumbnails, otherwise the detailed list.
  void setListMode(int mode);
  int listMode() const { return list_.listMode(); }
  // A choice in the ordering selector: the new ordering, saved, and the
  // keyboard back to the list.
  void chooseOrdering(int index);
  // A click on a column header of the detailed list.
  void clickColumn(int column);
  // Writes the order files of the folder shown as the list orders it now.
  bool saveOrder() { return list_.loaded() && list_.SaveOrder(); }

  bool folderShown() const { return list_.loaded(); }
  bool loading() const { return list_.loading(); }
  int itemCount() const { return static_cast<int>(list_.items().size()); }
  int selectedCount() const;
  void selectAll();
  void unselect();

  // The file names of the selected images, in list order.
  std::vector<std::string> selectedNames() const;
  // The Transform and Date commands on the selected images: each stops the
  // worker, rewrites the photos, loads the folder again (the worker then
  // makes their derived files anew) and keeps the same images selected.
  void transformSelected(int code);
  void shiftSelectedDates();
  void setSelectedDates();

  const ImageList& list() const { return list_; }
  ImageListModel* model() const { return model_; }
  QListView* thumbnailView() const { return thumbnails_; }
  QTreeView* detailView() const { return details_; }
  QAbstractItemView* currentView() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs `edit` on the selected images with the worker stopped, then loads
  // the folder again with the same images selected.
  void editSelected(const std::function<void(const std::string& imagesDir, const std::vector<std::string>& names)>& edit);
  void startWorker();
  void stopWorker();
  void applyThumbSize(int maxThumbSize);
  void updateHeader();

  WindowSink& sink_;
  ImageList list_;
  ImageListModel* model_;
  QListView* thumbnails_;
  QTreeView* details_;
  int thumbSize_ = 0;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace albumsmith::ui
