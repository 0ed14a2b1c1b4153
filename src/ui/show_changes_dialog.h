#pragma once
// "Changes on the server": the plan of a synchronisation, one line per
// action with the summary at the bottom and the counts under the list. Go
// accepts (the caller starts the run it planned), Cancel rejects.

#include <QDialog>
#include <string>

#include "publish/dry_run.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace albumsmith::ui {

class ShowChangesDialog : public QDialog {
  Q_OBJECT
 public:
  ShowChangesDialog(const std::string& profileName, const SyncPlan& plan, QWidget* parent = nullptr);

  QListWidget* list() const { return list_; }
  QPushButton* goButton() const { return go_; }

 private:
  QListWidget* list_;
  QLabel* counts_;
  QPushButton* go_;
};

}  // namespace albumsmith::ui
