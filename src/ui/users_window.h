#pragma once
// The "Users management" window: modeless, made with the main window and
// kept between showings, with a "Users" and a "Groups" tab. Edits go to the
// store's records as marks; only OK writes them to the settings. Cancel
// closes the window and the edits stay for a later OK.

#include <QDialog>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

namespace albumsmith {
class AppSettings;
class UsersStore;
}  // namespace albumsmith

namespace albumsmith::ui {

// "User information" (with a password) or "Group information".
class RecordInfoDialog : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { kUser, kGroup };
  // `self` is the record's index in its list, or -1 for a new one; names
  // are checked against the store's other records.
  RecordInfoDialog(Kind kind, const UsersStore& store, int self, QWidget* parent = nullptr);

  QString name() const;
  QString description() const;
  QString password() const;
  void setFields(const QString& name, const QString& description, const QString& password);

  void accept() override;

 private:
  Kind kind_;
  const UsersStore& store_;
  int self_;
  QLineEdit* name_;
  QLineEdit* description_;
  QLineEdit* password_ = nullptr;
};

class UsersWindow : public QDialog {
  Q_OBJECT
 public:
  UsersWindow(UsersStore& store, AppSettings& settings, QWidget* parent = nullptr);

  // Fills the lists from the store (the window keeps them between showings).
  void refill();

  void accept() override;
  void reject() override;

  // Actions of the buttons, also for tests.
  void newUser();
  void editUser();
  void deleteUser();
  void newGroup();
  void editGroup();
  void deleteGroup();

 signals:
  // OK wrote the store: names shown elsewhere (tree tooltips) may have changed.
  void saved();

 private:
  // The index in the store of the list row's record.
  static int indexOf(const QListWidgetItem* item);
  void fillGroupChecks();
  void onUserChanged(QListWidgetItem* current, QListWidgetItem* previous);
  // The check marks into the user's Groups text.
  void takeChecks(int userIndex);
  void showChecks(int userIndex);
  void updateButtons();

  UsersStore& store_;
  AppSettings& settings_;
  QTabWidget* tabs_;
  QListWidget* users_;
  QListWidget* groupChecks_;
  QListWidget* groups_;
  QPushButton* deleteUser_;
  QPushButton* editUser_;
  QPushButton* deleteGroup_;
  QPushButton* editGroup_;
};

}  // namespace albumsmith::ui
