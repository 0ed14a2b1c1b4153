#pragma once
// "Variables": the template variables of one folder ("Folder variables") and
// the profile's defaults ("Default values"), each list with "Add", "Delete"
// and "Edit". The lists and every edit are the core's VariablesEditor; OK
// writes what changed, Cancel nothing.

#include <QDialog>
#include <string>

#include "site/variables.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace albumsmith::ui {

class VariablesDialog : public QDialog {
  Q_OBJECT
 public:
  // `profileDir` ends with "/"; `folder` is "" for the root or ends with "/".
  VariablesDialog(std::string profileDir, std::string folder, QWidget* parent = nullptr);

  void accept() override;

 private:
  // One of the two lists with its buttons.
  struct Panel {
    QTreeWidget* list = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QPushButton* edit = nullptr;
  };
  QWidget* makePanel(const QString& title, const char* name, Panel& panel);
  // Shows the editor's lists again and selects `row` of `panel` when it is one.
  void refill(const Panel* panel = nullptr, int row = -1);
  void add(const Panel& panel);
  void remove(const Panel& panel);
  void edit(const Panel& panel);
  void valueEdited(const Panel& panel, QTreeWidgetItem* item, int column);
  bool isFolder(const Panel& panel) const { return &panel == &folder_; }

  VariablesEditor editor_;
  Panel folder_;
  Panel defaults_;
};

}  // namespace albumsmith::ui
