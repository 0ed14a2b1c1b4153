#include "ui/verification_dialog.h"

#include "album/profile_maintenance.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

VerificationDialog::VerificationDialog(const std::string& profilesDir, const ProfileSettings& profile, QWidget* parent)
    : ProgressWindow(QLoad(TextId::kProcessingTitle), true, parent),
      verification_(std::make_unique<ProfileVerification>(profilesDir, profile)) {
  setObjectName(QStringLiteral("Processing"));
}

VerificationDialog::~VerificationDialog() {
  // Closing the program does not ask.
  closing_ = true;
  StopAndJoin();
}

bool VerificationDialog::Run(QWidget* parent, const std::string& profilesDir, const ProfileSettings& profile) {
  VerificationDialog dialog(profilesDir, profile, parent);
  return dialog.exec() == QDialog::Accepted;
}

void VerificationDialog::Work(CopyProgress& progress) { verification_->Run(progress); }

void VerificationDialog::RequestStop() {
  if (closing_) {
    verification_->Abort();
  } else {
    verification_->ConfirmAbort();
  }
}

}  // namespace albumsmith::ui
