#include "ui/copy_profile_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "store/profiles.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

CopyProfileDialog::CopyProfileDialog(std::string profilesDir, QWidget* parent)
    : QDialog(parent), profilesDir_(std::move(profilesDir)) {
  setObjectName(QStringLiteral("CopyProfileDialog"));
  setWindowTitle(QLoad(TextId::kCopyProfileTitle));
  name_ = new QLineEdit;
  name_->setObjectName(QStringLiteral("ProfileName"));
  copyImages_ = new QCheckBox(QLoad(TextId::kCopyImagesLabel));
  copyImages_->setObjectName(QStringLiteral("CopyImages"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CopyProfileDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QLoad(TextId::kProfileNameLabel)));
  layout->addWidget(name_);
  layout->addWidget(copyImages_);
  layout->addWidget(buttons);
  setMinimumWidth(320);
}

std::string CopyProfileDialog::name() const { return ToUtf8(name_->text()); }
bool CopyProfileDialog::copyImages() const { return copyImages_->isChecked(); }

void CopyProfileDialog::accept() {
  // The same checks as the wizard's name page.
  if (!CheckNewProfileName(profilesDir_, name())) {
    name_->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace albumsmith::ui
