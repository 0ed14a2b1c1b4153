#pragma once
// The image list view, the main window's central widget: the images of the
// folder selected in the tree, as thumbnails or as a detailed list with four
// columns. Both show the same model and the same selection; the core's
// ImageList decides the order, the comments and the order files. The view
// also runs the image worker on its own thread and shows each picture as
// soon as the worker has made it.

#include <QStackedWidget>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "album/image_list.h"

class QListView;
class QMimeData;
class QTreeView;
class QAbstractItemView;
class QItemSelectionModel;

namespace albumsmith {
class WindowSink;
struct ImageClipboard;
}  // namespace albumsmith

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

  // The Transform and Date commands on the selected images: each stops the
  // worker, rewrites the photos, loads the folder again (the worker then
  // makes their derived files anew) and keeps the same images selected.
  void transformSelected(int code);
  void shiftSelectedDates();
  void setSelectedDates();
  // The selected photos' names, in list order.
  std::vector<std::string> selectedNames() const;
  // Loads the folder shown again, as after every edit.
  void reload();

  // "Import image(s)": the file dialog, opening where the last import was
  // made; the chosen files are copied into the folder.
  void importImages();
  // Files and directories dropped on the main window: JPEG files are copied
  // into the folder (which loads again); the directories are returned, to be
  // imported as folders.
  std::vector<std::string> dropFiles(const std::vector<std::string>& paths);
  // "Delete image(s)" and the Delete key.
  void deleteImages();
  // "Cut" and "Copy" record the selection; "Paste" posts the record, with
  // the folder shown as its destination, to the main window.
  void cutImages();
  void copyImages();
  void pasteImages();
  bool clipboardNotEmpty() const { return clipboard_ != nullptr; }
  const ImageClipboard* clipboard() const { return clipboard_.get(); }
  // The main window's side of a paste and of its undo. applyPaste returns
  // the undo record, or nothing when the paste changed nothing.
  std::shared_ptr<ImageClipboard> applyPaste(const ImageClipboard& record);
  void undoPaste(const ImageClipboard& record);
  // "Display Image": the viewer on the current (or first selected) photo.
  void displayImage();

  // Reordering by dragging: the drag's data for the item at `row`, and the
  // drop of that data on the item at `target` (-1: none).
  QMimeData* reorderData(int row) const;
  bool canStartReorder();
  // Whether a drop of that data on the item at `target` would change the
  // order (else the refused cursor shows).
  bool dropAllowed(const QMimeData* data, int target) const;
  void dropReorder(const QMimeData* data, int target);
  // The item being dragged and the count selected, from a drag's data; -1 when it is none of ours.
  static int draggedRow(const QMimeData* data, int* selectedCount = nullptr);

  const ImageList& list() const { return list_; }
  ImageListModel* model() const { return model_; }
  QListView* thumbnailView() const { return thumbnails_; }
  QTreeView* detailView() const { return details_; }
  QAbstractItemView* currentView() const;

 signals:
  // The image worker has ended its work on the folder (loading() is clear);
  // sent on this view's thread.
  void workerFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs `edit` on the selected images with the worker stopped, then loads
  // the folder again with the same images selected.
  void editSelected(
      const std::function<void(const std::string& imagesDir, const std::vector<std::string>& names)>& edit);
  // Runs an edit of the folder's files with the worker stopped, then loads
  // the folder again.
  void editFiles(const std::function<void(const std::string& profileDir, const ProfileSettings&)>& edit);
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
  std::shared_ptr<ImageClipboard> clipboard_;
  QString importDir_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace albumsmith::ui
