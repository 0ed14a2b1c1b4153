// The image list view's Transform and Date commands.

#include <QApplication>
#include <QItemSelectionModel>
#include <QListView>

#include "album/image_transforms.h"
#include "imaging/transforms.h"
#include "ui/date_dialogs.h"
#include "ui/image_list_model.h"
#include "ui/image_list_view.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

void ImageListView::editSelected(
    const std::function<void(const std::string& imagesDir, const std::vector<std::string>& names)>& edit) {
  const std::vector<std::string> names = selectedNames();
  if (names.empty() || !list_.loaded()) return;
  const std::string profileDir = list_.profileDir();
  const std::string folder = list_.folder();
  const ProfileSettings settings = list_.settings();
  const std::string imagesDir = list_.dirs().images;
  // A derived file the worker is making from a photo's old content would be
  // newer than the rewritten photo and pass for up to date after the reload.
  stopWorker();
  edit(imagesDir, names);
  loadFolder(profileDir, folder, settings);
  QItemSelectionModel* selection = thumbnails_->selectionModel();
  for (const std::string& name : names) {
    const int row = model_->rowOf(ToQString(name));
    if (row >= 0) selection->select(model_->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
}

void ImageListView::transformSelected(int code) {
  editSelected([&](const std::string& imagesDir, const std::vector<std::string>& names) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TransformImages(imagesDir, names, code, sink_);
    QApplication::restoreOverrideCursor();
  });
}

void ImageListView::shiftSelectedDates() {
  if (selectedNames().empty()) return;
  TimeOffsetDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::int64_t offset = dialog.offset();
  editSelected([&](const std::string& imagesDir, const std::vector<std::string>& names) {
    ShiftDates(imagesDir, names, offset, sink_);
  });
}

void ImageListView::setSelectedDates() {
  const std::vector<std::string> names = selectedNames();
  if (names.empty() || !list_.loaded()) return;
  // The dialog starts from the first image's date; an image that cannot be
  // read as a JPEG leaves the command without a word.
  const std::optional<std::time_t> start = ExifDateOf(list_.dirs().images + names.front());
  if (!start) return;
  SetDateDialog dialog(*start, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::time_t time = dialog.picked();
  editSelected([&](const std::string& imagesDir, const std::vector<std::string>& chosen) {
    SetDates(imagesDir, chosen, time, sink_);
  });
}

}  // namespace albumsmith::ui
