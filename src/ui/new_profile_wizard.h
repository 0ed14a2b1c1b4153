#pragma once
// The "New profile" wizard: name, server, login and password, remote base
// directory, then a closing page. Every page asks the core's check before it
// lets the user go on; Finish creates the profile.

#include <QWizard>
#include <optional>
#include <string>

#include "store/profile_settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace albumsmith::ui {

class ServerChoices;

class NewProfileWizard : public QWizard {
  Q_OBJECT
 public:
  enum PageId { kNamePage, kServerPage, kLoginPage, kRemotePage, kFinalPage };

  NewProfileWizard(std::string profilesDir, QWidget* parent = nullptr);
  // Copying a profile: the pages from the server page on, filled from
  // `copy` (CopiedProfileSettings); Finish only collects, the caller copies.
  NewProfileWizard(std::string profilesDir, const ProfileSettings& copy, QWidget* parent = nullptr);

  // The profile as created by Finish (or, when copying, as to be written).
  const ProfileSettings& created() const { return created_; }

  void done(int result) override;
  void reject() override;

 private:
  ProfileSettings collect() const;
  void checkProfile();

  std::string profilesDir_;
  std::optional<ProfileSettings> copy_;
  ProfileSettings created_;
  QLineEdit* name_;
  QLineEdit* server_;
  QCheckBox* php_;
  QCheckBox* passive_;
  ServerChoices* choices_;
  QLineEdit* login_;
  QLineEdit* password_;
  QLineEdit* remoteDir_;
};

}  // namespace albumsmith::ui
