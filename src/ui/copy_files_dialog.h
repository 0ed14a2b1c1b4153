#pragma once
// The "Copy files" window: copies one directory tree on a worker thread while
// showing its progress, and closes itself when the worker reports the end.

#include <atomic>
#include <string>

#include "ui/progress_window.h"

namespace albumsmith::ui {

class CopyFilesDialog : public ProgressWindow {
  Q_OBJECT
 public:
  CopyFilesDialog(std::string source, std::string destination, QWidget* parent = nullptr);
  ~CopyFilesDialog() override;

  // Copies `source` into `destination` in a modal window; true when every
  // file was copied. An empty title keeps "Copy files".
  static bool Run(QWidget* parent, const std::string& source, const std::string& destination,
                  const QString& title = {});

 protected:
  void Work(CopyProgress& progress) override;
  void RequestStop() override { cancel_ = true; }

 private:
  std::string source_;
  std::string destination_;
  std::atomic<bool> cancel_{false};
};

}  // namespace albumsmith::ui
