#include "ui/users_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/app_settings.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "store/users_store.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {
namespace {

constexpr int kIndexRole = Qt::UserRole + 1;

void Tell(const std::string& text) { Prompter::Current().Ask({Icon::Exclamation, Buttons::Ok, text}); }

bool Confirm(const std::string& text) {
  return IsPositive(Prompter::Current().Ask({Icon::Question, Buttons::OkCancel, text}).answer);
}

QPushButton* Button(const QString& text, const char* objectName) {
  auto* button = new QPushButton(text);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

// A list with its buttons beside it, as both tabs have.
QWidget* ListPage(QListWidget* list, std::initializer_list<QPushButton*> buttons, QWidget* below = nullptr) {
  auto* page = new QWidget;
  auto* column = new QVBoxLayout;
  for (QPushButton* b : buttons) column->addWidget(b);
  column->addStretch();
  auto* left = new QVBoxLayout;
  left->addWidget(list, 1);
  auto* row = new QHBoxLayout;
  row->addLayout(left, 1);
  row->addLayout(column);
  if (below) row->addWidget(below, 1);
  page->setLayout(row);
  return page;
}

}  // namespace

RecordInfoDialog::RecordInfoDialog(Kind kind, const UsersStore& store, int self, QWidget* parent)
    : QDialog(parent), kind_(kind), store_(store), self_(self) {
  setWindowTitle(QLoad(kind == Kind::kUser ? TextId::kUserInformationTitle : TextId::kGroupInformationTitle));
  name_ = new QLineEdit;
  name_->setObjectName(QStringLiteral("Name"));
  description_ = new QLineEdit;
  description_->setObjectName(QStringLiteral("Description"));
  auto* form = new QFormLayout;
  form->addRow(QLoad(TextId::kNameColumn), name_);
  form->addRow(QLoad(TextId::kDescriptionLabel), description_);
  if (kind == Kind::kUser) {
    password_ = new QLineEdit;
    password_->setObjectName(QStringLiteral("Password"));
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QLoad(TextId::kPasswordLabel), password_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  setMinimumWidth(360);
}

QString RecordInfoDialog::name() const { return name_->text(); }
QString RecordInfoDialog::description() const { return description_->text(); }
QString RecordInfoDialog::password() const { return password_ ? password_->text() : QString(); }

void RecordInfoDialog::setFields(const QString& name, const QString& description, const QString& password) {
  name_->setText(name);
  description_->setText(description);
  if (password_) password_->setText(password);
}

void RecordInfoDialog::accept() {
  const std::string name = ToUtf8(name_->text());
  std::string problem = kind_ == Kind::kUser ? store_.CheckUserName(name, self_) : store_.CheckGroupName(name, self_);
  if (problem.empty()) problem = UsersStore::CheckText(UsersStore::Field::kDescription, ToUtf8(description_->text()));
  if (problem.empty() && password_) {
    problem = password_->text().isEmpty()
                  ? LoadString(TextId::kUserNeedsPassword)
                  : UsersStore::CheckText(UsersStore::Field::kPassword, ToUtf8(password_->text()));
  }
  if (!problem.empty()) {
    problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
    if (problem.back() != '.') problem += '.';
    Tell(problem);
    return;
  }
  QDialog::accept();
}

UsersWindow::UsersWindow(UsersStore& store, AppSettings& settings, QWidget* parent)
    : QDialog(parent), store_(store), settings_(settings) {
  setWindowTitle(QLoad(TextId::kUsersManagementTitle));
  setModal(false);

  users_ = new QListWidget;
  users_->setObjectName(QStringLiteral("UserList"));
  groupChecks_ = new QListWidget;
  groupChecks_->setObjectName(QStringLiteral("GroupChecks"));
  auto* checks = new QWidget;
  auto* checksLayout = new QVBoxLayout(checks);
  checksLayout->setContentsMargins(0, 0, 0, 0);
  auto* checksLabel = new QLabel(QLoad(TextId::kBelongsToGroupsLabel));
  checksLabel->setBuddy(groupChecks_);
  checksLayout->addWidget(checksLabel);
  checksLayout->addWidget(groupChecks_, 1);
  auto* newUserButton = Button(QLoad(TextId::kNewUserButton), "NewUser");
  deleteUser_ = Button(QLoad(TextId::kDeleteUserButton), "DeleteUser");
  editUser_ = Button(QLoad(TextId::kEditUserButton), "EditUser");

  groups_ = new QListWidget;
  groups_->setObjectName(QStringLiteral("GroupList"));
  auto* newGroupButton = Button(QLoad(TextId::kNewGroupButton), "NewGroup");
  deleteGroup_ = Button(QLoad(TextId::kDeleteGroupButton), "DeleteGroup");
  editGroup_ = Button(QLoad(TextId::kEditGroupButton), "EditGroup");

  tabs_ = new QTabWidget;
  tabs_->addTab(ListPage(users_, {newUserButton, deleteUser_, editUser_}, checks), QLoad(TextId::kUsersLabel));
  tabs_->addTab(ListPage(groups_, {newGroupButton, deleteGroup_, editGroup_}), QLoad(TextId::kGroupsLabel));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &UsersWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &UsersWindow::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons);
  resize(560, 340);

  connect(newUserButton, &QPushButton::clicked, this, &UsersWindow::newUser);
  connect(editUser_, &QPushButton::clicked, this, &UsersWindow::editUser);
  connect(deleteUser_, &QPushButton::clicked, this, &UsersWindow::deleteUser);
  connect(users_, &QListWidget::itemDoubleClicked, this, &UsersWindow::editUser);
  connect(users_, &QListWidget::currentItemChanged, this, &UsersWindow::onUserChanged);
  connect(newGroupButton, &QPushButton::clicked, this, &UsersWindow::newGroup);
  connect(editGroup_, &QPushButton::clicked, this, &UsersWindow::editGroup);
  connect(deleteGroup_, &QPushButton::clicked, this, &UsersWindow::deleteGroup);
  connect(groups_, &QListWidget::itemDoubleClicked, this, &UsersWindow::editGroup);
  connect(groups_, &QListWidget::currentItemChanged, this, &UsersWindow::updateButtons);
  refill();
}

int UsersWindow::indexOf(const QListWidgetItem* item) { return item ? item->data(kIndexRole).toInt() : -1; }

void UsersWindow::refill() {
  const QSignalBlocker block(users_);
  users_->clear();
  groups_->clear();
  for (size_t i = 0; i < store_.users().size(); ++i) {
    if (store_.users()[i].deleted) continue;
    auto* item = new QListWidgetItem(ToQString(store_.users()[i].name), users_);
    item->setData(kIndexRole, static_cast<int>(i));
  }
  for (size_t i = 0; i < store_.groups().size(); ++i) {
    if (store_.groups()[i].deleted) continue;
    auto* item = new QListWidgetItem(ToQString(store_.groups()[i].name), groups_);
    item->setData(kIndexRole, static_cast<int>(i));
  }
  fillGroupChecks();
  showChecks(indexOf(users_->currentItem()));
  updateButtons();
}

void UsersWindow::fillGroupChecks() {
  groupChecks_->clear();
  for (const GroupRecord& g : store_.groups()) {
    if (g.deleted) continue;
    auto* item = new QListWidgetItem(ToQString(g.name), groupChecks_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setData(kIndexRole, g.id);  // the group's id (a stand-in for a new group)
  }
}

void UsersWindow::takeChecks(int userIndex) {
  if (userIndex < 0 || static_cast<size_t>(userIndex) >= store_.users().size()) return;
  std::vector<int> ids;
  for (int row = 0; row < groupChecks_->count(); ++row) {
    const QListWidgetItem* item = groupChecks_->item(row);
    if (item->checkState() == Qt::Checked) ids.push_back(item->data(kIndexRole).toInt());
  }
  UserRecord& user = store_.users()[static_cast<size_t>(userIndex)];
  // Ids of groups that are not in the list (deleted ones) stay as they are:
  // they match nothing, and taking them out is not this list's business.
  std::vector<int> kept;
  for (int id : ParseMembership(user.groups))
    if (!store_.FindGroup(id)) kept.push_back(id);
  ids.insert(ids.end(), kept.begin(), kept.end());
  const std::string text = JoinMembership(ids);
  if (text != user.groups) {
    user.groups = text;
    user.modified = true;
  }
}

void UsersWindow::showChecks(int userIndex) {
  std::vector<int> ids;
  if (userIndex >= 0 && static_cast<size_t>(userIndex) < store_.users().size()) {
    // Stand-in ids of new groups are negative; ParseMembership keeps positives only.
    for (const std::string& piece : Split(store_.users()[static_cast<size_t>(userIndex)].groups, ' '))
      if (!piece.empty()) ids.push_back(std::atoi(piece.c_str()));
  }
  for (int row = 0; row < groupChecks_->count(); ++row) {
    QListWidgetItem* item = groupChecks_->item(row);
    const bool member = std::find(ids.begin(), ids.end(), item->data(kIndexRole).toInt()) != ids.end();
    item->setCheckState(member ? Qt::Checked : Qt::Unchecked);
  }
  groupChecks_->setEnabled(userIndex >= 0);
}

void UsersWindow::onUserChanged(QListWidgetItem* current, QListWidgetItem* previous) {
  takeChecks(indexOf(previous));
  showChecks(indexOf(current));
  updateButtons();
}

void UsersWindow::updateButtons() {
  editUser_->setEnabled(users_->currentItem() != nullptr);
  deleteUser_->setEnabled(users_->currentItem() != nullptr);
  editGroup_->setEnabled(groups_->currentItem() != nullptr);
  deleteGroup_->setEnabled(groups_->currentItem() != nullptr);
}

void UsersWindow::newUser() {
  RecordInfoDialog dialog(RecordInfoDialog::Kind::kUser, store_, -1, this);
  if (dialog.exec() != QDialog::Accepted) return;
  UserRecord user;
  user.name = ToUtf8(dialog.name());
  user.description = ToUtf8(dialog.description());
  user.password = ToUtf8(dialog.password());
  const size_t index = store_.AddUser(user);
  auto* item = new QListWidgetItem(ToQString(user.name), users_);
  item->setData(kIndexRole, static_cast<int>(index));
  users_->setCurrentItem(item);
}

void UsersWindow::editUser() {
  const int index = indexOf(users_->currentItem());
  if (index < 0) return;
  UserRecord& user = store_.users()[static_cast<size_t>(index)];
  RecordInfoDialog dialog(RecordInfoDialog::Kind::kUser, store_, index, this);
  dialog.setFields(ToQString(user.name), ToQString(user.description), ToQString(user.password));
  if (dialog.exec() != QDialog::Accepted) return;
  for (auto [field, text] :
       {std::pair{&user.name, ToUtf8(dialog.name())}, std::pair{&user.description, ToUtf8(dialog.description())},
        std::pair{&user.password, ToUtf8(dialog.password())}}) {
    if (*field == text) continue;
    *field = text;
    user.modified = true;
  }
  users_->currentItem()->setText(ToQString(user.name));
}

void UsersWindow::deleteUser() {
  QListWidgetItem* item = users_->currentItem();
  const int index = indexOf(item);
  if (index < 0 ||
      !Confirm(FormatString(TextId::kDeleteUserQuestion, {store_.users()[static_cast<size_t>(index)].name})))
    return;
  store_.DeleteUser(static_cast<size_t>(index));
  {
    // The deleted user's check marks have nowhere to go.
    const QSignalBlocker block(users_);
    delete item;
    users_->setCurrentItem(nullptr);
  }
  showChecks(indexOf(users_->currentItem()));
  updateButtons();
}

void UsersWindow::newGroup() {
  RecordInfoDialog dialog(RecordInfoDialog::Kind::kGroup, store_, -1, this);
  if (dialog.exec() != QDialog::Accepted) return;
  GroupRecord group;
  group.name = ToUtf8(dialog.name());
  group.description = ToUtf8(dialog.description());
  const size_t index = store_.AddGroup(group);
  auto* item = new QListWidgetItem(ToQString(group.name), groups_);
  item->setData(kIndexRole, static_cast<int>(index));
  groups_->setCurrentItem(item);
  takeChecks(indexOf(users_->currentItem()));
  fillGroupChecks();
  showChecks(indexOf(users_->currentItem()));
}

void UsersWindow::editGroup() {
  const int index = indexOf(groups_->currentItem());
  if (index < 0) return;
  GroupRecord& group = store_.groups()[static_cast<size_t>(index)];
  RecordInfoDialog dialog(RecordInfoDialog::Kind::kGroup, store_, index, this);
  dialog.setFields(ToQString(group.name), ToQString(group.description), {});
  if (dialog.exec() != QDialog::Accepted) return;
  for (auto [field, text] :
       {std::pair{&group.name, ToUtf8(dialog.name())}, std::pair{&group.description, ToUtf8(dialog.description())}}) {
    if (*field == text) continue;
    *field = text;
    group.modified = true;
  }
  groups_->currentItem()->setText(ToQString(group.name));
  takeChecks(indexOf(users_->currentItem()));
  fillGroupChecks();
  showChecks(indexOf(users_->currentItem()));
}

void UsersWindow::deleteGroup() {
  QListWidgetItem* item = groups_->currentItem();
  const int index = indexOf(item);
  if (index < 0 ||
      !Confirm(FormatString(TextId::kDeleteGroupQuestion, {store_.groups()[static_cast<size_t>(index)].name})))
    return;
  takeChecks(indexOf(users_->currentItem()));
  store_.DeleteGroup(static_cast<size_t>(index));
  delete item;
  fillGroupChecks();
  showChecks(indexOf(users_->currentItem()));
  updateButtons();
}

void UsersWindow::accept() {
  takeChecks(indexOf(users_->currentItem()));
  if (!store_.Save(settings_)) {
    Tell(FormatString(TextId::kCannotWriteUsers, {settings_.file().string()}));
    return;
  }
  // Saved records moved in the lists (deleted ones left them).
  refill();
  emit saved();
  QDialog::accept();
}

void UsersWindow::reject() {
  // The edits stay in the lists for a later OK.
  takeChecks(indexOf(users_->currentItem()));
  QDialog::reject();
}

}  // namespace albumsmith::ui
