#pragma once
// A modal window that runs one long job on a worker thread and shows what the
// job reports (two lines and a bar). It closes itself when the worker reports
// the end: accepted on success, rejected otherwise. Cancel, Escape and the
// close button call RequestStop; the window still waits for the worker's end,
// since joining at once could deadlock with a question the worker is asking.

#include <QDialog>
#include <thread>

#include "store/file_ops.h"

class QLabel;
class QProgressBar;

namespace albumsmith::ui {

class ProgressWindow : public QDialog {
  Q_OBJECT
 public:
  void reject() override;

 protected:
  ProgressWindow(const QString& title, bool cancelButton, QWidget* parent);
  // Subclasses call it in their destructor, while their job's state lives.
  void StopAndJoin();

  // Runs on the worker thread.
  virtual void Work(CopyProgress& progress) = 0;
  // Asks the job to stop (GUI thread).
  virtual void RequestStop() = 0;

  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Progress;
  void finish(int code);

  QLabel* firstLine_;
  QLabel* secondLine_;
  QProgressBar* bar_;
  std::thread worker_;
  bool started_ = false;
};

}  // namespace albumsmith::ui
