#pragma once
// The "Copy files" window: copies one directory tree on a worker thread while
// showing its progress, and closes itself when the worker reports the end.

#include <QDialog>
#include <atomic>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;

namespace albumsmith::ui {

class CopyFilesDialog : public QDialog {
  Q_OBJECT
 public:
  CopyFilesDialog(std::string source, std::string destination, QWidget* parent = nullptr);
  ~CopyFilesDialog() override;

  // Copies `source` into `destination` in a modal window; true when every
  // file was copied. An empty title keeps "Copy files".
  static bool Run(QWidget* parent, const std::string& source, const std::string& destination,
                  const QString& title = {});

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Progress;
  void setLines(const QString& first, const QString& second);
  void setPercent(int percent);
  void finish(int code);

  std::string source_;
  std::string destination_;
  QLabel* firstLine_;
  QLabel* secondLine_;
  QProgressBar* bar_;
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  bool started_ = false;
};

}  // namespace albumsmith::ui
