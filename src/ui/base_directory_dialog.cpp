#include "ui/base_directory_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace albumsmith::ui {

BaseDirectoryDialog::BaseDirectoryDialog(const std::string& current, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("BaseDirectoryDialog"));
  setWindowTitle(QLoad(TextId::kSettingsTitle));
  field_ = new QLineEdit(ToQString(current));
  field_->setObjectName(QStringLiteral("ProfilesBaseDirectory"));
  browse_ = new QPushButton(QStringLiteral("..."));
  browse_->setObjectName(QStringLiteral("Browse"));
  browse_->setAutoDefault(false);
  browse_->setFixedWidth(browse_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
  connect(browse_, &QPushButton::clicked, this, &BaseDirectoryDialog::browse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* row = new QHBoxLayout;
  row->addWidget(field_, 1);
  row->addWidget(browse_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QLoad(TextId::kProfilesBaseDirLabel)));
  layout->addLayout(row);
  layout->addWidget(buttons);
  setMinimumWidth(440);
}

std::string BaseDirectoryDialog::entered() const { return ToUtf8(field_->text()); }

void BaseDirectoryDialog::browse() {
  QFileDialog browser(this, QLoad(TextId::kSelectBaseDirectory), field_->text());
  browser.setObjectName(QStringLiteral("BaseDirectoryBrowser"));
  browser.setFileMode(QFileDialog::Directory);
  browser.setOption(QFileDialog::ShowDirsOnly);
  if (browser.exec() == QDialog::Accepted && !browser.selectedFiles().isEmpty())
    field_->setText(browser.selectedFiles().front());
}

}  // namespace albumsmith::ui
