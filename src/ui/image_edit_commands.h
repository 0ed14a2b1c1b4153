#pragma once
// The main window's side of the image edits: files and directories dropped
// on the window, the paste message (apply it, keep its undo record) and the
// undo list with the "Undo" command.

#include <QObject>
#include <memory>
#include <vector>

namespace albumsmith {
struct ImageClipboard;
}

namespace albumsmith::ui {

class MainFrame;

class ImageEditCommands : public QObject {
  Q_OBJECT
 public:
  explicit ImageEditCommands(MainFrame& frame);

  bool undoNotEmpty() const { return !undo_.empty(); }
  const std::vector<std::shared_ptr<ImageClipboard>>& undoList() const { return undo_; }
  // "Undo": the last paste is reversed and its record discarded.
  void undo();
  // Files and directories dropped on the window (also what a drop event carries).
  void dropPaths(const std::vector<std::string>& paths);
  // A new profile: the records name folders of the old one.
  void clearUndo() { undo_.clear(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyPaste(const std::shared_ptr<ImageClipboard>& record);
  void undoPaste(const std::shared_ptr<ImageClipboard>& record);

  MainFrame& frame_;
  std::vector<std::shared_ptr<ImageClipboard>> undo_;  // the last paste last
};

}  // namespace albumsmith::ui
