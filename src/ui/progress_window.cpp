#include "ui/progress_window.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace albumsmith::ui {

// Runs on the worker: every report becomes a queued call on the window.
class ProgressWindow::Progress : public CopyProgress {
 public:
  explicit Progress(ProgressWindow* window) : window_(window) {}
  void SetText(const std::string& first, const std::string& second) override {
    QMetaObject::invokeMethod(
        window_,
        [w = window_, f = ToQString(first), s = ToQString(second)] {
          w->firstLine_->setText(f);
          w->secondLine_->setText(s);
        },
        Qt::QueuedConnection);
  }
  void SetPercent(int percent) override {
    QMetaObject::invokeMethod(
        window_, [w = window_, percent] { w->bar_->setValue(percent); }, Qt::QueuedConnection);
  }
  void End(int code) override {
    QMetaObject::invokeMethod(
        window_, [w = window_, code] { w->finish(code); }, Qt::QueuedConnection);
  }

 private:
  ProgressWindow* window_;
};

ProgressWindow::ProgressWindow(const QString& title, bool cancelButton, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
  setModal(true);
  // No close button: the window ends when the job ends.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  bar_ = new QProgressBar;
  bar_->setRange(0, 100);
  bar_->setValue(0);
  firstLine_ = new QLabel;
  secondLine_ = new QLabel;
  firstLine_->setObjectName(QStringLiteral("FirstLine"));
  secondLine_->setObjectName(QStringLiteral("SecondLine"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  layout->addWidget(firstLine_);
  layout->addWidget(secondLine_);
  if (cancelButton) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProgressWindow::reject);
    layout->addWidget(buttons);
  }
  setMinimumWidth(420);
}

void ProgressWindow::StopAndJoin() {
  if (!worker_.joinable()) return;
  RequestStop();
  worker_.join();
}

void ProgressWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  worker_ = std::thread([this] {
    Progress progress(this);
    Work(progress);
  });
}

void ProgressWindow::finish(int code) {
  // The end is the worker's last report: the join is short.
  if (worker_.joinable()) worker_.join();
  if (code == CopyProgress::kEndSuccess) {
    accept();
  } else {
    QDialog::reject();
  }
}

void ProgressWindow::reject() {
  if (worker_.joinable()) {
    RequestStop();
    return;
  }
  QDialog::reject();
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

}  // namespace albumsmith::ui
