#pragma once
// The "New profile" wizard: name, server, login and password, remote base
// directory, then a closing page. Every page asks the core's check before it
// lets the user go on; Finish creates the profile.

#include <QWizard>
#include <string>

#include "store/profile_settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace albumsmith::ui {

class NewProfileWizard : public QWizard {
  Q_OBJECT
 public:
  enum PageId { kNamePage, kServerPage, kLoginPage, kRemotePage, kFinalPage };

  NewProfileWizard(std::string profilesDir, QWidget* parent = nullptr);

  // The profile as created by Finish.
  const ProfileSettings& created() const { return created_; }

  void done(int result) override;
  void reject() override;

 private:
  ProfileSettings collect() const;

  std::string profilesDir_;
  ProfileSettings created_;
  QLineEdit* name_;
  QLineEdit* server_;
  QCheckBox* php_;
  QCheckBox* passive_;
  QLineEdit* login_;
  QLineEdit* password_;
  QLineEdit* remoteDir_;
};

}  // namespace albumsmith::ui
