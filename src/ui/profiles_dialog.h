#pragma once
// The "Profiles" dialog: the list of profiles with their settings in four
// tabs. OK saves the edited settings (after asking) and tells the caller
// which profile to open.

#include <QDialog>
#include <QPointer>
#include <optional>
#include <string>

#include "store/profile_settings.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

namespace albumsmith {
class AppSettings;
}

namespace albumsmith::ui {

class ServerChoices;

class ProfilesDialog : public QDialog {
  Q_OBJECT
 public:
  // `dataDir` holds the built-in template and the others' "templates"
  // folder; empty stands for the program's own.
  ProfilesDialog(std::string profilesDir, AppSettings& settings, QWidget* parent = nullptr, std::string dataDir = {});

  // The profile to open after OK.
  const std::optional<ProfileSettings>& chosen() const { return chosen_; }

  // Shows the dialog and starts the new-profile wizard at once (the "New" command).
  int execWithWizard();

  void accept() override;

 private:
  void refill(const QString& select);
  void onSelectionChanged();
  void updateEnabling();
  void fillTabs(const ProfileSettings& settings);
  void readTabs(ProfileSettings& settings) const;
  void updateSecurityTab();
  // The picture of the template chosen in the list, and the buttons that pick it.
  void showTemplatePicture();
  void templateChosen(int index);

  void runWizard();
  // "Check": the server of the profile as edited; "Copy": a new profile from the selected one.
  void checkProfile();
  void copyProfile();
  void startRename();
  void renameEditorClosed(QWidget* editor);
  void endRename();
  void deleteProfile();

  void addPreserveEntry();
  void editPreserveEntry();
  void deletePreserveEntry();
  void setPreserveButtonsEnabled(bool enabled);
  void preserveEditorClosed(QWidget* editor);
  void endPreserveEdit();

  QWidget* makeServerTab();
  QWidget* makeTemplatesTab();
  QWidget* makePreserveTab();
  QWidget* makeSecurityTab();

  std::string profilesDir_;
  AppSettings& settings_;
  std::string dataDir_;
  std::optional<ProfileSettings> asRead_;
  std::optional<ProfileSettings> chosen_;

  QListWidget* list_;
  QPushButton* delete_;
  QPushButton* new_;
  QPushButton* copy_;
  QPushButton* check_;
  QPushButton* rename_;
  QPushButton* help_;
  QDialogButtonBox* dialogButtons_;
  QTabWidget* tabs_;
  int securityTab_ = -1;
  QLabel* staticNote_ = nullptr;
  // Access security was on when "Accept PHP scripts" went off in this dialog.
  bool accessBeforeStatic_ = false;

  // FTP server information
  QLineEdit* server_;
  QLineEdit* login_;
  QLineEdit* password_;
  QLineEdit* remoteDir_;
  QCheckBox* php_;
  QCheckBox* passive_;
  QLabel* passwordLabel_;
  ServerChoices* choices_;
  // The pinned certificate or host key, shown read-only; Forget empties it.
  QLineEdit* fingerprint_;
  QPushButton* forgetFingerprint_;
  // Templates
  QComboBox* templates_;
  QPushButton* storyBoard_;
  QPushButton* slideShow_;
  QLabel* templatePicture_;
  // Preserve
  QListWidget* preserve_;
  QPushButton* preserveAdd_;
  QPushButton* preserveDelete_;
  QPushButton* preserveEdit_;
  QListWidgetItem* preserveEditing_ = nullptr;
  QPointer<QWidget> preserveEditor_;
  QListWidgetItem* newPreserveItem_ = nullptr;
  QString preserveTextBeforeEdit_;
  // Security
  QCheckBox* accessSecurity_;
  QLineEdit* accessUser_;
  QLineEdit* accessPassword_;

  // Editors report their end more than once (Return, then losing the focus);
  // only the end of the editor opened last counts.
  // The entry being renamed in place and its name before the edit.
  QListWidgetItem* renaming_ = nullptr;
  QPointer<QWidget> renameEditor_;
  QString nameBeforeRename_;
};

}  // namespace albumsmith::ui
