// Access control in the window: the "Users management" window with its
// "User information" / "Group information" dialogs, the "Folder rights"
// dialog, and the folder tree's pictures, tooltips and the commands that
// open these windows.

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/app_settings.h"
#include "platform/atomic_file.h"
#include "platform/prompter.h"
#include "store/folder_rights.h"
#include "store/password.h"
#include "store/profiles.h"
#include "store/users_store.h"
#include "ui/folder_rights_dialog.h"
#include "ui/folder_tree_pane.h"
#include "ui/main_frame.h"
#include "ui/users_window.h"
#include "ui_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

const char* const kProfile = "Family";

QListWidgetItem* Row(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.front();
}

QStringList Checked(QListWidget* list) {
  QStringList names;
  for (int row = 0; row < list->count(); ++row)
    if (list->item(row)->checkState() == Qt::Checked) names << list->item(row)->text();
  return names;
}

// ann (1) and bob (5); groups family (1) and friends (2).
void WriteVisitors(AppSettings& settings) {
  settings.SetInt("Users", "NextId", 6);
  settings.SetString("Users\\1", "Name", "ann");
  settings.SetString("Users\\1", "Password", PasswordScramble("annpw"));
  settings.SetString("Users\\5", "Name", "bob");
  settings.SetString("Users\\5", "Password", PasswordScramble("bobpw"));
  settings.SetInt("Groups", "NextId", 3);
  settings.SetString("Groups\\1", "Name", "family");
  settings.SetString("Groups\\2", "Name", "friends");
}

QStringList Texts(QListWidget* list) {
  QStringList names;
  for (int row = 0; row < list->count(); ++row) names << list->item(row)->text();
  return names;
}

}  // namespace

class AccessWindowTests : public GuiTestCase {
  Q_OBJECT

 private:
  fs::path iniFile() const { return scratch_->filePath(QStringLiteral("Albumsmith.ini")).toStdString(); }
  std::string iniText() const { return ReadWholeFile(iniFile()).value_or(""); }
  fs::path profileDir() const { return fs::path(profilesDir()) / kProfile; }

  // Fills and confirms the next "User information" / "Group information" dialog.
  void whenInfo(const QString& name, const QString& description, const QString& password = {}) {
    whenModal<RecordInfoDialog>([=](RecordInfoDialog* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("Name"))->setText(name);
      dialog->findChild<QLineEdit*>(QStringLiteral("Description"))->setText(description);
      if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("Password"))) field->setText(password);
      dialog->accept();
    });
  }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }
  void init() { QVERIFY(setUpTest()); }
  void cleanup() { tearDownTest(); }

  // New users and groups, memberships and deletions stay in the window until
  // OK; Cancel keeps them for a later OK.
  void usersWindowWritesOnlyOnOk() {
    AppSettings settings(iniFile().string());
    UsersStore store;
    store.Load(settings);
    UsersWindow window(store, settings);
    window.show();
    QVERIFY(!window.isModal());
    auto* tabs = window.findChild<QTabWidget*>();
    QCOMPARE(tabs->tabText(0), QStringLiteral("Users"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Groups"));
    auto* users = window.findChild<QListWidget*>(QStringLiteral("UserList"));
    auto* checks = window.findChild<QListWidget*>(QStringLiteral("GroupChecks"));
    auto* groups = window.findChild<QListWidget*>(QStringLiteral("GroupList"));
    QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("EditUser"))->isEnabled());

    whenInfo(QStringLiteral("family"), QStringLiteral("The family"));
    window.newGroup();
    whenInfo(QStringLiteral("friends"), {});
    window.newGroup();
    whenInfo(QStringLiteral("ann"), QStringLiteral("Aunt Ann"), QStringLiteral("a long password"));
    window.newUser();
    whenInfo(QStringLiteral("bob"), {}, QStringLiteral("pw"));
    window.newUser();
    QCOMPARE(Texts(users), (QStringList{"ann", "bob"}));
    QCOMPARE(Texts(groups), (QStringList{"family", "friends"}));
    QVERIFY(window.findChild<QPushButton*>(QStringLiteral("EditUser"))->isEnabled());

    // ann joins "friends"; moving to bob takes ann's marks, and bob has none.
    users->setCurrentItem(Row(users, QStringLiteral("ann")));
    Row(checks, QStringLiteral("friends"))->setCheckState(Qt::Checked);
    users->setCurrentItem(Row(users, QStringLiteral("bob")));
    QCOMPARE(Checked(checks), QStringList());
    users->setCurrentItem(Row(users, QStringLiteral("ann")));
    QCOMPARE(Checked(checks), QStringList{"friends"});
    SaveScreenshot(&window, QStringLiteral("users-management"));

    // A user made and deleted before OK is never written.
    prompter_.Queue(Answer::Ok);
    users->setCurrentItem(Row(users, QStringLiteral("bob")));
    window.deleteUser();
    QVERIFY(told("Delete user bob"));
    QCOMPARE(Texts(users), QStringList{"ann"});

    window.reject();
    QCOMPARE(iniText().find("ann"), std::string::npos);
    // The edits wait for OK.
    window.show();
    QCOMPARE(Texts(users), QStringList{"ann"});
    window.accept();

    UsersStore saved;
    saved.Load(settings);
    QCOMPARE(saved.users().size(), size_t(1));
    QCOMPARE(saved.users()[0].name, std::string("ann"));
    QCOMPARE(saved.users()[0].password, std::string("a long password"));
    QCOMPARE(saved.users()[0].groups, std::string("2"));  // "friends" got id 2
    QCOMPARE(saved.groups().size(), size_t(2));
    QCOMPARE(iniText().find("bob"), std::string::npos);
  }

  // Editing copies only changed fields; a taken name or an empty password is
  // refused and the dialog stays; deleting asks, and Cancel keeps the record.
  void usersWindowChecksAndAsks() {
    AppSettings settings(iniFile().string());
    WriteVisitors(settings);
    UsersStore store;
    store.Load(settings);
    UsersWindow window(store, settings);
    window.show();
    auto* users = window.findChild<QListWidget*>(QStringLiteral("UserList"));
    auto* groups = window.findChild<QListWidget*>(QStringLiteral("GroupList"));

    users->setCurrentItem(Row(users, QStringLiteral("bob")));
    whenModal<RecordInfoDialog>([this](RecordInfoDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("User information"));
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("Name"));
      auto* password = dialog->findChild<QLineEdit*>(QStringLiteral("Password"));
      QCOMPARE(password->echoMode(), QLineEdit::Password);
      QCOMPARE(password->text(), QStringLiteral("bobpw"));
      name->setText(QStringLiteral("ANN"));
      dialog->accept();
      QVERIFY(told("A user named ann already exists."));
      QVERIFY(dialog->isVisible());
      name->setText(QStringLiteral("robert"));
      password->clear();
      dialog->accept();
      QVERIFY(told("A user needs a password to log in."));
      QVERIFY(dialog->isVisible());
      password->setText(QStringLiteral("new pw"));
      dialog->accept();
    });
    window.editUser();
    QCOMPARE(Texts(users), (QStringList{"ann", "robert"}));
    QVERIFY(store.users()[1].modified);
    QVERIFY(!store.users()[0].modified);

    prompter_.Queue(Answer::Cancel);
    groups->setCurrentItem(Row(groups, QStringLiteral("family")));
    window.deleteGroup();
    QVERIFY(told("Delete group family"));
    QCOMPARE(Texts(groups), (QStringList{"family", "friends"}));
    window.accept();
    QVERIFY(iniText().find("robert") != std::string::npos);
    QVERIFY(iniText().find("bobpw") == std::string::npos);
  }

  // The dialog opens on the effective rights, refuses "- All -" with
  // "- Closed -", and stores groups then users.
  void folderRightsDialogSetsRights() {
    fs::create_directories(profileDir() / "ImageTree" / "Kids");
    AppSettings settings(iniFile().string());
    WriteVisitors(settings);
    UsersStore users;
    users.Load(settings);
    FolderRights rights;
    rights.Load(profileDir().string() + "/");

    {
      FolderRightsDialog dialog(users, rights, "\\Kids\\", QStringLiteral("Kids"));
      QCOMPARE(dialog.windowTitle(), QStringLiteral("Kids - \\Kids\\"));
      auto* userList = dialog.findChild<QListWidget*>(QStringLiteral("Users"));
      auto* groupList = dialog.findChild<QListWidget*>(QStringLiteral("Groups"));
      QCOMPARE(Texts(userList), (QStringList{"- All -", "- Closed -", "ann", "bob"}));
      QCOMPARE(Texts(groupList), (QStringList{"family", "friends"}));
      QCOMPARE(Checked(userList), QStringList{"- Closed -"});  // inherited from the root
      dialog.show();
      SaveScreenshot(&dialog, QStringLiteral("folder-rights"));

      Row(userList, QStringLiteral("- All -"))->setCheckState(Qt::Checked);
      dialog.accept();
      QVERIFY(told("- All - and - Closed - are exclusive. Please select one of them."));
      QVERIFY(dialog.isVisible());

      Row(userList, QStringLiteral("- All -"))->setCheckState(Qt::Unchecked);
      Row(userList, QStringLiteral("- Closed -"))->setCheckState(Qt::Unchecked);
      Row(userList, QStringLiteral("bob"))->setCheckState(Qt::Checked);
      Row(groupList, QStringLiteral("friends"))->setCheckState(Qt::Checked);
      dialog.accept();
      QVERIFY(dialog.changed());
    }
    QCOMPARE(ReadWholeFile(profileDir() / "rights.dat").value_or(""), std::string("-2,5 \\Kids\\\r\n"));

    // Nothing checked: the folder inherits again.
    FolderRightsDialog again(users, rights, "\\Kids\\", QStringLiteral("Kids"));
    auto* userList = again.findChild<QListWidget*>(QStringLiteral("Users"));
    auto* groupList = again.findChild<QListWidget*>(QStringLiteral("Groups"));
    QCOMPARE(Checked(userList), QStringList{"bob"});
    QCOMPARE(Checked(groupList), QStringList{"friends"});
    Row(userList, QStringLiteral("bob"))->setCheckState(Qt::Unchecked);
    Row(groupList, QStringLiteral("friends"))->setCheckState(Qt::Unchecked);
    again.accept();
    QCOMPARE(ReadWholeFile(profileDir() / "rights.dat").value_or(""), std::string());
    QVERIFY(rights.GetEffectiveRights("\\Kids\\").inherited);
  }

  // With access security on, every folder shows its rights; the commands
  // that open the windows follow PHP and access security.
  void treeShowsRightsAndCommandsFollowTheProfile() {
    setUpWindow();
    WriteVisitors(*settings_);
    ProfileSettings profile = NewProfileSettings(kProfile);
    QVERIFY(CreateProfile(profilesDir(), profile));
    fs::create_directories(profileDir() / "ImageTree" / "Kids" / "Small");
    fs::create_directories(profileDir() / "ImageTree" / "Open");
    QVERIFY(WriteFileAtomically(profileDir() / "rights.dat", "-2,5 \\Kids\\\r\n0 \\Open\\\r\n"));

    MainFrame frame(*settings_, *languages_, StartOptions{.profile = kProfile, .profilesDialogAtStart = false});
    frame.show();
    FolderTreePane* tree = frame.folderTree();
    QVERIFY(tree->selectPath("Kids/Small/"));
    frame.updateCommands();
    // Access security is off: no pictures of rights, no Access command.
    QVERIFY(tree->itemForPath("Kids/")->toolTip(0).isEmpty());
    QVERIFY(!frame.action(CommandId::kAccess)->isEnabled());
    QVERIFY(frame.action(CommandId::kUsersManagement)->isEnabled());

    profile = ReadProfile(profilesDir(), kProfile);
    profile.accessSecurity = 1;
    frame.openProfile(profile);
    QVERIFY(tree->selectPath("Kids/Small/"));
    frame.updateCommands();
    QVERIFY(frame.action(CommandId::kAccess)->isEnabled());
    QCOMPARE(tree->topLevelItem(0)->toolTip(0), QStringLiteral("Closed"));
    QCOMPARE(tree->itemForPath("Kids/")->toolTip(0), QStringLiteral("Users\t: bob\nGroups\t: friends"));
    QCOMPARE(tree->itemForPath("Kids/Small/")->toolTip(0),
             QStringLiteral("* Inherit\nUsers\t: bob\nGroups\t: friends"));
    QCOMPARE(tree->itemForPath("Open/")->toolTip(0), QStringLiteral("All"));
    const auto picture = [&](const char* path) { return tree->itemForPath(path)->icon(0).pixmap(32).toImage(); };
    QCOMPARE(picture("Kids/"), RightsIconPicture(RightsIcon::kRestricted, tree->style()).pixmap(32).toImage());
    QCOMPARE(picture("Open/"), RightsIconPicture(RightsIcon::kOpen, tree->style()).pixmap(32).toImage());
    QCOMPARE(tree->topLevelItem(0)->icon(0).pixmap(32).toImage(),
             RightsIconPicture(RightsIcon::kClosed, tree->style()).pixmap(32).toImage());
    QVERIFY(picture("Kids/") != picture("Open/"));
    SaveScreenshot(&frame, QStringLiteral("tree-rights"));

    // The Access command opens the dialog on the selected folder; its OK
    // shows the new rights in the tree at once.
    whenModal<FolderRightsDialog>([](FolderRightsDialog* dialog) {
      auto* userList = dialog->findChild<QListWidget*>(QStringLiteral("Users"));
      Row(userList, QStringLiteral("- All -"))->setCheckState(Qt::Checked);
      dialog->accept();
    });
    frame.action(CommandId::kAccess)->trigger();
    QCOMPARE(tree->itemForPath("Kids/Small/")->toolTip(0), QStringLiteral("All"));

    // A moved folder keeps its own rights, in the file and in the tree.
    QVERIFY(tree->moveFolder("Open/", "Kids/"));
    QVERIFY(tree->selectPath("Kids/Open/"));
    QCOMPARE(tree->itemForPath("Kids/Open/")->toolTip(0), QStringLiteral("All"));

    // Users management is modeless and comes back with its lists.
    frame.action(CommandId::kUsersManagement)->trigger();
    QVERIFY(frame.usersWindow()->isVisible());
    QVERIFY(!frame.usersWindow()->isModal());
    frame.usersWindow()->reject();

    // Without PHP neither command is offered.
    profile.php = 0;
    frame.openProfile(profile);
    QVERIFY(tree->selectPath("Kids/"));
    frame.updateCommands();
    QVERIFY(!frame.action(CommandId::kAccess)->isEnabled());
    QVERIFY(!frame.action(CommandId::kUsersManagement)->isEnabled());
    QVERIFY(tree->itemForPath("Kids/")->toolTip(0).isEmpty());
  }
};

std::unique_ptr<QObject> NewAccessWindowTests() { return std::make_unique<AccessWindowTests>(); }

#include "access_window_tests.moc"
