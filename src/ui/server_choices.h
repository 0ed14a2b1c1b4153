#pragma once
// The fields that say how a profile reaches its server, shared by the
// new-profile wizard's server page and the profiles dialog's server tab:
// the protocol, the SFTP private key with its Browse button and the number
// of simultaneous connections. They keep the page's other fields in step:
// Passive means nothing over SSH, and with a key the password is the key's
// passphrase.

#include <QObject>
#include <string>

#include "store/profile_settings.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace albumsmith::ui {

class ServerChoices : public QObject {
  Q_OBJECT
 public:
  // `passive` is disabled while SFTP is chosen; `passwordLabel` (may be
  // null) names the password or the key's passphrase.
  ServerChoices(QWidget* parent, QCheckBox* passive, QLabel* passwordLabel);

  // Adds the rows: protocol, key file with Browse, connections.
  void addRows(QFormLayout* form);
  void setPasswordLabel(QLabel* label);

  void fill(const ProfileSettings& settings);
  // Writes the choices into `settings` as read: a field left as shown keeps
  // its key; a protocol changed drops the pinned fingerprint.
  void read(ProfileSettings& settings) const;
  // The key file, when SFTP uses one, must be readable; tells why not and
  // puts the focus on the field.
  bool check() const;

  std::string protocol() const;
  bool usesKeyFile() const;

  QComboBox* protocolBox() const { return protocol_; }

 signals:
  // The protocol was changed by the user.
  void protocolChanged();

 private:
  void updateEnabling();
  void browse();

  QWidget* parent_;
  QCheckBox* passive_;
  QLabel* passwordLabel_;
  QComboBox* protocol_;
  QLineEdit* keyFile_;
  QPushButton* browse_;
  QSpinBox* connections_;
  QLabel* keyLabel_;
};

}  // namespace albumsmith::ui
