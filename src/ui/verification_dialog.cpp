#include "ui/verification_dialog.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "album/profile_maintenance.h"
#include "store/file_ops.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

// Runs on the worker: every report becomes a queued call on the window.
class VerificationDialog::Progress : public CopyProgress {
 public:
  explicit Progress(VerificationDialog* dialog) : dialog_(dialog) {}
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
  VerificationDialog* dialog_;
};

VerificationDialog::VerificationDialog(const std::string& profilesDir, const ProfileSettings& profile,
                                       QWidget* parent)
    : QDialog(parent), verification_(std::make_unique<ProfileVerification>(profilesDir, profile)) {
  setObjectName(QStringLiteral("Processing"));
  setWindowTitle(QStringLiteral("Processing"));
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

  bar_ = new QProgressBar;
  bar_->setRange(0, 100);
  bar_->setValue(0);
  firstLine_ = new QLabel;
  secondLine_ = new QLabel;
  firstLine_->setObjectName(QStringLiteral("FirstLine"));
  secondLine_->setObjectName(QStringLiteral("SecondLine"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &VerificationDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  layout->addWidget(firstLine_);
  layout->addWidget(secondLine_);
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

VerificationDialog::~VerificationDialog() {
  if (worker_.joinable()) {
    verification_->Abort();
    worker_.join();
  }
}

bool VerificationDialog::Run(QWidget* parent, const std::string& profilesDir, const ProfileSettings& profile) {
  VerificationDialog dialog(profilesDir, profile, parent);
  return dialog.exec() == QDialog::Accepted;
}

void VerificationDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  worker_ = std::thread([this] {
    Progress progress(this);
    verification_->Run(progress);
  });
}

void VerificationDialog::setLines(const QString& first, const QString& second) {
  firstLine_->setText(first);
  secondLine_->setText(second);
}

void VerificationDialog::setPercent(int percent) { bar_->setValue(percent); }

void VerificationDialog::finish(int code) {
  // The end is the worker's last report: the join is short.
  if (worker_.joinable()) worker_.join();
  if (code == CopyProgress::kEndSuccess) {
    accept();
  } else {
    QDialog::reject();
  }
}

// The worker goes on while the question is up (it may ask questions of its
// own meanwhile) and stops before its next image after Yes; the window waits
// for its end instead of joining here.
void VerificationDialog::reject() {
  if (worker_.joinable()) {
    verification_->ConfirmAbort();
    return;
  }
  QDialog::reject();
}

void VerificationDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

}  // namespace albumsmith::ui
