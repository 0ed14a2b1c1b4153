#include "ui/variables_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kNameWidth = 80;
constexpr int kValueWidth = 210;

void Fill(QTreeWidget* list, const std::vector<Variable>& variables) {
  const QSignalBlocker quiet(list);
  list->clear();
  for (const Variable& v : variables) {
    auto* item = new QTreeWidgetItem(list, {ToQString(v.name), ToQString(v.value)});
    // Editable so that the value column can be edited in place; the view
    // itself starts no edit, so the name never is.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
}

}  // namespace

VariablesDialog::VariablesDialog(std::string profileDir, std::string folder, QWidget* parent)
    : QDialog(parent), editor_(std::move(profileDir), std::move(folder)) {
  setWindowTitle(QLoad(TextId::kVariablesTitle));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &VariablesDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &VariablesDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(makePanel(QLoad(TextId::kFolderVariablesLabel), "Folder", folder_));
  layout->addWidget(makePanel(QLoad(TextId::kDefaultValuesLabel), "Default", defaults_));
  layout->addWidget(buttons);
  refill();
}

QWidget* VariablesDialog::makePanel(const QString& title, const char* name, Panel& panel) {
  const QString prefix = QLatin1String(name);
  auto* box = new QGroupBox(title);
  panel.list = new QTreeWidget;
  panel.list->setObjectName(prefix + QLoad(TextId::kVariablesTitle));
  panel.list->setColumnCount(2);
  panel.list->setHeaderLabels({QLoad(TextId::kNameColumn), QLoad(TextId::kValueColumn)});
  panel.list->setRootIsDecorated(false);
  panel.list->setSelectionMode(QAbstractItemView::SingleSelection);
  panel.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  panel.list->setColumnWidth(kNameColumn, kNameWidth);
  panel.list->setColumnWidth(kValueColumn, kValueWidth);
  panel.list->header()->setStretchLastSection(false);
  panel.list->setMinimumWidth(kNameWidth + kValueWidth + 8);

  auto button = [&](const QString& text, const char* what) {
    auto* b = new QPushButton(text);
    b->setObjectName(prefix + QLatin1String(what));
    b->setAutoDefault(false);
    return b;
  };
  panel.add = button(QLoad(TextId::kAddButton), "Add");
  panel.remove = button(QLoad(TextId::kDeleteButton), "Delete");
  panel.edit = button(QLoad(TextId::kEditButton), "Edit");
  auto* column = new QVBoxLayout;
  for (QPushButton* b : {panel.add, panel.remove, panel.edit}) column->addWidget(b);
  column->addStretch();
  auto* layout = new QHBoxLayout(box);
  layout->addWidget(panel.list, 1);
  layout->addLayout(column);

  const Panel* p = &panel;
  connect(panel.add, &QPushButton::clicked, this, [this, p] { add(*p); });
  connect(panel.remove, &QPushButton::clicked, this, [this, p] { remove(*p); });
  connect(panel.edit, &QPushButton::clicked, this, [this, p] { edit(*p); });
  connect(panel.list, &QTreeWidget::itemDoubleClicked, this, [this, p] { edit(*p); });
  connect(panel.list, &QTreeWidget::itemChanged, this,
          [this, p](QTreeWidgetItem* item, int column) { valueEdited(*p, item, column); });
  return box;
}

void VariablesDialog::refill(const Panel* panel, int row) {
  Fill(folder_.list, editor_.folderVariables());
  Fill(defaults_.list, editor_.defaults());
  if (!panel) return;
  row = std::min(row, panel->list->topLevelItemCount() - 1);
  if (QTreeWidgetItem* item = panel->list->topLevelItem(row)) {
    panel->list->setCurrentItem(item);
    panel->list->scrollToItem(item);
  }
}

void VariablesDialog::add(const Panel& panel) {
  bool ok = false;
  const QString name = QInputDialog::getText(this, QLoad(TextId::kNewVariableTitle), QLoad(TextId::kVariableNameLabel),
                                             QLineEdit::Normal, QString(), &ok);
  // A variable needs a name to be written as a token at all.
  if (!ok || name.isEmpty()) return;
  const VariablesEditor::Added added =
      isFolder(panel) ? editor_.AddFolderVariable(ToUtf8(name)) : editor_.AddDefault(ToUtf8(name));
  refill(&panel, static_cast<int>(added.index));
}

void VariablesDialog::remove(const Panel& panel) {
  const int row = panel.list->indexOfTopLevelItem(panel.list->currentItem());
  if (row < 0) return;
  const size_t index = static_cast<size_t>(row);
  const bool deleted = isFolder(panel) ? editor_.DeleteFolderVariable(index) : editor_.DeleteDefault(index);
  // The next entry takes the deleted one's place in the selection.
  if (deleted) refill(&panel, row);
}

void VariablesDialog::edit(const Panel& panel) {
  if (QTreeWidgetItem* item = panel.list->currentItem()) panel.list->editItem(item, kValueColumn);
}

void VariablesDialog::valueEdited(const Panel& panel, QTreeWidgetItem* item, int column) {
  if (column != kValueColumn) return;
  const int row = panel.list->indexOfTopLevelItem(item);
  if (row < 0) return;
  const std::string value = ToUtf8(item->text(kValueColumn));
  if (isFolder(panel)) {
    editor_.SetFolderValue(static_cast<size_t>(row), value);
  } else {
    editor_.SetDefaultValue(static_cast<size_t>(row), value);
  }
}

void VariablesDialog::accept() {
  editor_.Save();
  QDialog::accept();
}

}  // namespace albumsmith::ui
