#include "ui/copy_files_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

#include "store/file_ops.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

// Runs on the worker: hands everything to the window through queued calls.
class CopyFilesDialog::Progress : public CopyProgress {
 public:
  explicit Progress(CopyFilesDialog* dialog) : dialog_(dialog) {}
  void SetText(const std::string& first, const std::string& second) override {
    QMetaObject::invokeMethod(
        dialog_, [d = dialog_, f = Q(first), s = Q(second)] { d->setLines(f, s); }, Qt::QueuedConnection);
  }
  void SetPercent(int percent) override {
    QMetaObject::invokeMethod(dialog_, [d = dialog_, percent] { d->setPercent(percent); }, Qt::QueuedConnection);
  }
  void End(int code) override {
    QMetaObject::invokeMethod(dialog_, [d = dialog_, code] { d->finish(code); }, Qt::QueuedConnection);
  }

 private:
  CopyFilesDialog* dialog_;
};

CopyFilesDialog::CopyFilesDialog(std::string source, std::string destination, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), destination_(std::move(destination)) {
  setWindowTitle(QStringLiteral("Copy files"));
  setModal(true);
  // No close button: the window ends when the copy ends.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  auto* layout = new QVBoxLayout(this);
  bar_ = new QProgressBar;
  bar_->setRange(0, 100);
  bar_->setValue(0);
  firstLine_ = new QLabel;
  secondLine_ = new QLabel;
  firstLine_->setObjectName(QStringLiteral("FirstLine"));
  secondLine_->setObjectName(QStringLiteral("SecondLine"));
  layout->addWidget(bar_);
  layout->addWidget(firstLine_);
  layout->addWidget(secondLine_);
  setMinimumWidth(420);
}

CopyFilesDialog::~CopyFilesDialog() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
}

bool CopyFilesDialog::Run(QWidget* parent, const std::string& source, const std::string& destination,
                          const QString& title) {
  CopyFilesDialog dialog(source, destination, parent);
  if (!title.isEmpty()) dialog.setWindowTitle(title);
  return dialog.exec() == QDialog::Accepted;
}

void CopyFilesDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  worker_ = std::thread([this] {
    Progress progress(this);
    CopyTreeWithProgress(source_, destination_, progress, &cancel_);
  });
}

void CopyFilesDialog::setLines(const QString& first, const QString& second) {
  firstLine_->setText(first);
  secondLine_->setText(second);
}

void CopyFilesDialog::setPercent(int percent) { bar_->setValue(percent); }

void CopyFilesDialog::finish(int code) {
  // End is the worker's last report, so the join does not wait long.
  if (worker_.joinable()) worker_.join();
  if (code == CopyProgress::kEndSuccess) {
    accept();
  } else {
    QDialog::reject();
  }
}

// Escape asks the worker to stop; the window closes when it reports the end.
// Waiting here instead could deadlock with a question the worker is asking.
void CopyFilesDialog::reject() {
  if (worker_.joinable()) {
    cancel_ = true;
    return;
  }
  QDialog::reject();
}

void CopyFilesDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

}  // namespace albumsmith::ui
