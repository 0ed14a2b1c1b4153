#include "ui/image_edit_commands.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "album/image_edit.h"
#include "ui/folder_tree_pane.h"
#include "ui/image_list_view.h"
#include "ui/main_frame.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

ImageEditCommands::ImageEditCommands(MainFrame& frame) : QObject(&frame), frame_(frame) {
  frame.setAcceptDrops(true);
  frame.installEventFilter(this);
  connect(&frame, &MainFrame::pasteRequested, this, &ImageEditCommands::applyPaste);
  connect(&frame, &MainFrame::undoPasteRequested, this, &ImageEditCommands::undoPaste);
}

void ImageEditCommands::applyPaste(const std::shared_ptr<ImageClipboard>& record) {
  if (!record || !frame_.imageView()) return;
  if (auto undo = frame_.imageView()->applyPaste(*record)) undo_.push_back(std::move(undo));
  frame_.updateCommands();
}

void ImageEditCommands::undoPaste(const std::shared_ptr<ImageClipboard>& record) {
  if (!record || !frame_.imageView()) return;
  frame_.imageView()->undoPaste(*record);
  frame_.updateCommands();
}

void ImageEditCommands::undo() {
  if (undo_.empty()) return;
  std::shared_ptr<ImageClipboard> last = std::move(undo_.back());
  undo_.pop_back();
  undoPaste(last);
}

void ImageEditCommands::dropPaths(const std::vector<std::string>& paths) {
  ImageListView* view = frame_.imageView();
  if (!view || !view->folderShown()) return;
  frame_.raise();
  frame_.activateWindow();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::vector<std::string> directories = view->dropFiles(paths);
  QApplication::restoreOverrideCursor();
  const std::string folder = view->list().folder();
  bool imported = false;
  for (const std::string& dir : directories) imported |= frame_.folderTree()->importDirectory(dir, folder);
  // The tree was loaded again: the folder shown stays the one selected.
  if (imported) frame_.folderTree()->selectPath(folder);
  frame_.updateCommands();
}

bool ImageEditCommands::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &frame_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!drag->mimeData()->hasUrls() || !frame_.imageView() || !frame_.imageView()->folderShown()) return false;
      drag->acceptProposedAction();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!drop->mimeData()->hasUrls()) return false;
      std::vector<std::string> paths;
      for (const QUrl& url : drop->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(ToUtf8(url.toLocalFile()));
      drop->acceptProposedAction();
      dropPaths(paths);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace albumsmith::ui
