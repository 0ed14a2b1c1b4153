#include "ui/server_choices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "site/site_text.h"
#include "store/remote_choices.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

ServerChoices::ServerChoices(QWidget* parent, QCheckBox* passive, QLabel* passwordLabel)
    : QObject(parent), parent_(parent), passive_(passive), passwordLabel_(passwordLabel) {
  protocol_ = new QComboBox;
  protocol_->setObjectName(QStringLiteral("Protocol"));
  protocol_->addItem(QLoad(TextId::kProtocolFtpChoice), ToQString(kProtocolFtp));
  protocol_->addItem(QLoad(TextId::kProtocolFtpsChoice), ToQString(kProtocolFtps));
  protocol_->addItem(QLoad(TextId::kProtocolSftpChoice), ToQString(kProtocolSftp));

  keyLabel_ = new QLabel(QLoad(TextId::kKeyFileLabel));
  keyFile_ = new QLineEdit;
  keyFile_->setObjectName(QStringLiteral("KeyFile"));
  keyLabel_->setBuddy(keyFile_);
  browse_ = new QPushButton(QLoad(TextId::kBrowseButton));
  browse_->setObjectName(QStringLiteral("KeyFileBrowse"));
  browse_->setAutoDefault(false);

  connections_ = new QSpinBox;
  connections_->setObjectName(QStringLiteral("Connections"));
  connections_->setRange(1, 8);
  connections_->setValue(4);

  connect(protocol_, &QComboBox::activated, this, [this] {
    updateEnabling();
    emit protocolChanged();
  });
  connect(keyFile_, &QLineEdit::textChanged, this, &ServerChoices::updateEnabling);
  connect(browse_, &QPushButton::clicked, this, &ServerChoices::browse);
  updateEnabling();
}

void ServerChoices::addRows(QFormLayout* form) {
  form->addRow(QLoad(TextId::kProtocolLabel), protocol_);
  auto* keyRow = new QHBoxLayout;
  keyRow->addWidget(keyFile_, 1);
  keyRow->addWidget(browse_);
  form->addRow(keyLabel_, keyRow);
  form->addRow(QLoad(TextId::kConnectionsLabel), connections_);
}

void ServerChoices::setPasswordLabel(QLabel* label) {
  passwordLabel_ = label;
  updateEnabling();
}

void ServerChoices::fill(const ProfileSettings& settings) {
  protocol_->setCurrentIndex(protocol_->findData(ToQString(EffectiveProtocol(settings))));
  keyFile_->setText(ToQString(SettingText(settings.keyFile)));
  connections_->setValue(settings.connections);
  updateEnabling();
}

void ServerChoices::read(ProfileSettings& settings) const {
  SetProfileProtocol(settings, protocol());
  settings.keyFile = EditedSetting(settings.keyFile, ToUtf8(keyFile_->text()));
  if (settings.connections != connections_->value()) settings.connections = connections_->value();
}

bool ServerChoices::check() const {
  if (protocol() != kProtocolSftp || CheckKeyFile(ToUtf8(keyFile_->text()))) return true;
  keyFile_->setFocus();
  keyFile_->selectAll();
  return false;
}

std::string ServerChoices::protocol() const { return ToUtf8(protocol_->currentData().toString()); }

bool ServerChoices::usesKeyFile() const { return protocol() == kProtocolSftp && !keyFile_->text().isEmpty(); }

void ServerChoices::updateEnabling() {
  const bool ssh = protocol() == kProtocolSftp;
  for (QWidget* w : std::initializer_list<QWidget*>{keyLabel_, keyFile_, browse_}) w->setEnabled(ssh);
  if (passive_) passive_->setEnabled(!ssh);
  if (passwordLabel_)
    passwordLabel_->setText(QLoad(usesKeyFile() ? TextId::kKeyPassphraseLabel : TextId::kPasswordLabel));
}

void ServerChoices::browse() {
  QString start = keyFile_->text();
  if (start.isEmpty()) {
    const QString ssh = QDir::home().filePath(QStringLiteral(".ssh"));
    start = QFileInfo(ssh).isDir() ? ssh : QDir::homePath();
  }
  const QString chosen = QFileDialog::getOpenFileName(parent_, QLoad(TextId::kKeyFileChooserTitle), start);
  if (!chosen.isEmpty()) keyFile_->setText(chosen);
}

}  // namespace albumsmith::ui
