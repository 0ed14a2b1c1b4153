#pragma once
// The "Folder rights" dialog of the Access command, and the pictures and
// tooltip the folder tree shows for a folder's rights.

#include <QDialog>
#include <QIcon>
#include <string>

#include "store/folder_rights.h"

class QListWidget;
class QStyle;

namespace albumsmith {
class UsersStore;
}

namespace albumsmith::ui {

// Two check lists: "Users" ("- All -", "- Closed -", then every user) and
// "Groups". Opens with the folder's effective rights checked; OK sets the
// folder's own rights and saves rights.dat when they changed.
class FolderRightsDialog : public QDialog {
  Q_OBJECT
 public:
  // `key` is the folder key ("\Trips\"); `title` the folder's title.
  FolderRightsDialog(const UsersStore& users, FolderRights& rights, std::string key, const QString& title,
                     QWidget* parent = nullptr);

  void accept() override;
  // Whether OK changed the folder's rights.
  bool changed() const { return changed_; }

 private:
  FolderRights& rights_;
  std::string key_;
  QListWidget* users_;
  QListWidget* groups_;
  bool changed_ = false;
};

// The folder tree's picture for rights: open, closed, or restricted.
QIcon RightsIconPicture(RightsIcon kind, const QStyle* style);

}  // namespace albumsmith::ui
