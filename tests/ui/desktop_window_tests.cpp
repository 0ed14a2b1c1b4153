// The window as a desktop program: the version check and its announcement,
// the window in another language, and what it remembers between runs.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTabWidget>
#include <QTreeView>
#include <set>

#include "http_answer_server.h"
#include "local_ports.h"
#include "platform/strings.h"
#include "store/folder_rights.h"
#include "store/profiles.h"
#include "store/users_store.h"
#include "ui/command_icons.h"
#include "ui/date_dialogs.h"
#include "ui/folder_rights_dialog.h"
#include "ui/global_properties_dialog.h"
#include "ui/image_viewer_dialog.h"
#include "ui/main_frame.h"
#include "ui/new_release_dialog.h"
#include "ui/preview_window.h"
#include "ui/profiles_dialog.h"
#include "ui/qt_text.h"
#include "ui/tag_dialog.h"
#include "ui/users_window.h"
#include "ui_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

constexpr StartOptions kNoDialog{.profile = std::nullopt, .profilesDialogAtStart = false};

QStringList MenuTitles(const MainFrame& frame) {
  QStringList titles;
  for (QAction* action : frame.menuBar()->actions()) titles << action->text();
  return titles;
}

QString WithoutMarkers(QString text) { return text.remove(QLatin1Char('&')).trimmed(); }

// The built-in English texts that the loaded module words differently, whole
// and line by line (commands keep their tip after a line break), without
// their "&" key markers.
std::set<QString> EnglishTextsTranslatedAway() {
  std::set<QString> english;
  for (TextId id : {
#define ALBUMSMITH_TEXT(name, number, text) TextId::name,
#include "platform/string_table_data.inc"
#undef ALBUMSMITH_TEXT
       }) {
    const QString builtin = QString::fromUtf8(StringTable::Builtin(id));
    const QString loaded = QLoad(id);
    if (builtin == loaded) continue;
    english.insert(WithoutMarkers(builtin));
    const QStringList lines = builtin.split(QLatin1Char('\n'));
    const QStringList translated = loaded.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i)
      if (i >= translated.size() || lines[i] != translated[i]) english.insert(WithoutMarkers(lines[i]));
  }
  english.erase(QString());
  return english;
}

// Every text a user can read in the window and its children: titles, labels,
// buttons, tips, tabs, list and combo entries, column headers, menu entries.
QStringList VisibleTexts(QWidget* window) {
  QStringList texts;
  QList<QWidget*> widgets = window->findChildren<QWidget*>();
  widgets.prepend(window);
  for (QWidget* w : widgets) {
    texts << w->windowTitle() << w->toolTip() << w->statusTip();
    if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    if (auto* box = qobject_cast<QGroupBox*>(w)) texts << box->title();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) texts << edit->placeholderText();
    if (auto* tabs = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i) << tabs->tabToolTip(i);
    if (auto* combo = qobject_cast<QComboBox*>(w))
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    if (auto* list = qobject_cast<QListWidget*>(w))
      for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text() << list->item(i)->toolTip();
    if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
      for (int c = 0; c < view->model()->columnCount(); ++c)
        texts << view->model()->headerData(c, Qt::Horizontal).toString();
    }
  }
  for (QAction* action : window->findChildren<QAction*>()) texts << action->text() << action->toolTip();
  return texts;
}

// The texts of the window that are still the English ones.
QStringList EnglishLeftIn(QWidget* window) {
  static const std::set<QString> english = EnglishTextsTranslatedAway();
  QStringList left;
  for (const QString& text : VisibleTexts(window)) {
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      if (english.count(WithoutMarkers(line)) && !left.contains(line)) left << line;
    }
  }
  return left;
}

}  // namespace

class DesktopWindowTests : public GuiTestCase {
  Q_OBJECT

  // Switches "Check for new versions" on from the menu and waits until the
  // check, if it reached the server, has been answered and handled.
  NewReleaseDialog* checkAgainst(const std::string& url, const test::HttpAnswerServer* server) {
    settings_->SetString("Settings", "VersionCheckUrl", url);
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    frame_->action(CommandId::kCheckVersion)->trigger();
    if (server) {
      QDeadlineTimer limit(5000);
      while (server->requests().empty() && !limit.hasExpired()) QTest::qWait(20);
      if (server->requests().size() != 1) QTest::qFail("the check did not reach the server once", __FILE__, __LINE__);
    }
    // The announcement comes queued from the check's thread.
    QTest::qWait(300);
    return frame_->findChild<NewReleaseDialog*>();
  }

  std::unique_ptr<MainFrame> frame_;

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }
  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
  }
  void cleanup() {
    frame_.reset();
    // The next test starts in English whatever this one chose.
    if (languages_) languages_->Load("English", *settings_);
    tearDownTest();
  }

  void newerReleaseIsAnnounced() {
    test::HttpAnswerServer server(200, "albumsmith = 9.1.0\n");
    NewReleaseDialog* dialog = checkAgainst(server.url(), &server);
    QVERIFY(told("Check for new versions enabled"));
    QCOMPARE(settings_->GetInt("Settings", "CheckVersion", -1), 1);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("releases"))->text(),
             QStringLiteral("Your current version is 2.2.1\n\nA new version 9.1.0 is available."));
    QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("downloadLink"))->text().contains(QStringLiteral("href=")));
    SaveScreenshot(dialog, QStringLiteral("new-release"));
  }

  void nothingIsShownWithoutAHigherRelease_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("answer");
    QTest::newRow("same release") << 200 << "albumsmith = 2.2.1\n";
    QTest::newRow("key in capitals") << 200 << "Albumsmith = 9.1.0\n";
    QTest::newRow("not found") << 404 << "albumsmith = 9.1.0\n";
    QTest::newRow("server error") << 500 << "albumsmith = 9.1.0\n";
  }
  void nothingIsShownWithoutAHigherRelease() {
    QFETCH(int, status);
    QFETCH(QString, answer);
    test::HttpAnswerServer server(status, answer.toStdString());
    QVERIFY(!checkAgainst(server.url(), &server));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void unreachableServerShowsNothing() {
    const auto start = std::chrono::steady_clock::now();
    QVERIFY(!checkAgainst("http://127.0.0.1:" + std::to_string(test::FreePort()) + "/version.php", nullptr));
    // The window never waits for the check.
    QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(3));
    QCOMPARE(prompter_.texts().size(), size_t{1});  // only "enabled"
  }

  void twoTogglesStartOneCheck() {
    test::HttpAnswerServer server(200, "albumsmith = 2.2.1\n");
    settings_->SetString("Settings", "VersionCheckUrl", server.url());
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    QAction* toggle = frame_->action(CommandId::kCheckVersion);
    toggle->trigger();  // on: the check starts
    toggle->trigger();  // off
    toggle->trigger();  // on again: no second check in this run
    QTest::qWait(800);
    QCOMPARE(server.requests().size(), size_t{1});
    QCOMPARE(prompter_.texts(),
             (std::vector<std::string>{"Check for new versions enabled", "Check for new versions disabled",
                                       "Check for new versions enabled"}));
  }

  // A language module replaces the menus, the tool bar's tips, the pane and
  // dialog texts; the whole window is then French.
  void frenchModuleTranslatesTheWindow() {
    settings_->SetString("Settings", "Language", "Français");
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    QCOMPARE(languages_->current(), std::string("Français"));
    QVERIFY2(prompter_.texts().empty(), prompter_.texts().empty() ? "" : prompter_.texts()[0].c_str());
    QCOMPARE(MenuTitles(*frame_), (QStringList{"&Profil", "&Édition", "D&ossier", "&Image", "Affic&hage",
                                               "&Transformation", "&Date", "&Serveur", "&Réglages", "&Aide"}));
    QAction* newProfile = frame_->action(CommandId::kNewProfile);
    QCOMPARE(newProfile->text(), QStringLiteral("&Nouveau"));
    QCOMPARE(newProfile->toolTip(), QStringLiteral("Nouveau profil"));
    QCOMPARE(newProfile->statusTip(), QStringLiteral("Créer un nouveau profil"));
    QCOMPARE(frame_->action(CommandId::kSyncFolder)->toolTip(), QStringLiteral("Synchroniser le dossier"));
    QCOMPARE(frame_->findChild<QDockWidget*>(QStringLiteral("DirectoryTree"))->windowTitle(),
             QStringLiteral("Arborescence"));
    QCOMPARE(frame_->findChild<QComboBox*>(QStringLiteral("SortSelector"))->itemText(0),
             QStringLiteral("Tri par commentaire"));
    frame_->resize(1200, 700);
    frame_->show();
    SaveScreenshot(frame_.get(), QStringLiteral("french-window"));

    ProfilesDialog dialog(profilesDir(), *settings_, frame_.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Profils"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("Delete"))->text(), QStringLiteral("Supprimer"));
    QCOMPARE(dialog.findChild<QCheckBox*>(QStringLiteral("AcceptPhp"))->text(),
             QStringLiteral("Accepter les scripts PHP"));
  }

  // Under the French module no window of the program shows a text of the
  // built-in English table, Qt's own OK, Cancel and Close buttons included.
  void frenchLeavesNoEnglishInAnyWindow() {
    ProfileSettings profile = NewProfileSettings("Alpha");
    profile.serverName = "ftp.example.org";
    QVERIFY(CreateProfile(profilesDir(), profile));
    fs::create_directories(profileDirOf("Alpha") / "ImageTree" / "Kids");
    settings_->SetInt("Users", "NextId", 2);
    settings_->SetString("Users\\1", "Name", "ann");
    settings_->SetInt("Groups", "NextId", 2);
    settings_->SetString("Groups\\1", "Name", "family");
    settings_->SetString("Settings", "Language", "Français");
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    QCOMPARE(languages_->current(), std::string("Français"));
    frame_->openProfile(ReadProfile(profilesDir(), "Alpha"));

    UsersStore users;
    users.Load(*settings_);
    FolderRights rights;
    rights.Load(profileDirOf("Alpha").string() + "/");
    std::vector<std::pair<QString, std::unique_ptr<QWidget>>> windows;
    windows.emplace_back("main window", nullptr);
    windows.emplace_back("users", std::make_unique<UsersWindow>(users, *settings_));
    windows.emplace_back("user", std::make_unique<RecordInfoDialog>(RecordInfoDialog::Kind::kUser, users, -1));
    windows.emplace_back("group", std::make_unique<RecordInfoDialog>(RecordInfoDialog::Kind::kGroup, users, -1));
    windows.emplace_back("rights",
                         std::make_unique<FolderRightsDialog>(users, rights, "\\Kids\\", QStringLiteral("Kids")));
    windows.emplace_back("tag", std::make_unique<TagDialog>(StampSettings{}));
    windows.emplace_back("time offset", std::make_unique<TimeOffsetDialog>());
    windows.emplace_back("set date", std::make_unique<SetDateDialog>(std::time_t{0}));
    windows.emplace_back("properties",
                         std::make_unique<GlobalPropertiesDialog>(profilesDir(), ReadProfile(profilesDir(), "Alpha")));
    windows.emplace_back("preview",
                         std::make_unique<PreviewWindow>(PreviewMode::Album, nullptr, QRect(0, 0, 1600, 1200)));
    windows.emplace_back("viewer",
                         std::make_unique<ImageViewerDialog>(profileDirOf("Alpha").string() + "/", "Kids/", "a.jpg"));
    windows.emplace_back("new release",
                         std::make_unique<NewReleaseDialog>(Release{2, 2, 1}, Release{9, 1, 0}, nullptr));
    for (auto& [name, window] : windows) {
      QWidget* shown = window ? window.get() : frame_.get();
      const QStringList left = EnglishLeftIn(shown);
      QVERIFY2(left.isEmpty(), qPrintable(name + QStringLiteral(": ") + left.join(QStringLiteral(" | "))));
    }
    // A few the check above relies on, read where they are shown.
    auto* usersWindow = static_cast<UsersWindow*>(windows[1].second.get());
    QCOMPARE(usersWindow->windowTitle(), QStringLiteral("Gestion des utilisateurs"));
    QCOMPARE(usersWindow->findChild<QTabWidget*>()->tabText(1), QStringLiteral("Groupes"));
    auto* cancel = windows[1].second->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
    QCOMPARE(WithoutMarkers(cancel->text()), QStringLiteral("Annuler"));
    QCOMPARE(windows[4].second->findChild<QListWidget*>(QStringLiteral("Users"))->item(0)->text(),
             QStringLiteral("- Tous -"));
    QCOMPARE(windows[9].second->findChild<QPushButton*>(QStringLiteral("Close"))->text(), QStringLiteral("Fermer"));
    for (const auto& [name, shot] :
         {std::pair{"french-users", 1}, std::pair{"french-tag", 5}, std::pair{"french-properties", 8}}) {
      windows[static_cast<size_t>(shot)].second->show();
      SaveScreenshot(windows[static_cast<size_t>(shot)].second.get(), QString::fromLatin1(name));
    }
  }

  // Once the window is up, the profiles dialog opens after half a second and
  // the version check starts after five, each once, however often the window
  // is shown again.
  void startTimersFireOnce() {
    test::HttpAnswerServer server(200, "albumsmith = 2.2.1\n");
    settings_->SetString("Settings", "VersionCheckUrl", server.url());
    settings_->SetInt("Settings", "CheckVersion", 1);
    int dialogs = 0;
    bool open = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      auto* dialog = qobject_cast<ProfilesDialog*>(QApplication::activeModalWidget());
      if (dialog && !open) {
        ++dialogs;
        dialog->reject();
      }
      open = dialog != nullptr;
    });
    watch.start(10);
    QElapsedTimer clock;
    clock.start();
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_,
                                         StartOptions{.profile = std::nullopt, .profilesDialogAtStart = true});
    frame_->show();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs, 1, 2000);
    QVERIFY(clock.elapsed() >= 450);
    QVERIFY(server.requests().empty());
    frame_->hide();
    frame_->show();
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), size_t{1}, 7000);
    // A timer of seconds may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= 4750, qPrintable(QString::number(clock.elapsed())));
    QTest::qWait(1500);
    QCOMPARE(server.requests().size(), size_t{1});
    QCOMPARE(dialogs, 1);
  }

  // A module that lacks a text leaves the English one in its place.
  void missingEntryFallsBackToEnglish() {
    const QString dir = scratch_->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/Lang")));
    QFile module(dir + QStringLiteral("/Lang/Partiel.lng"));
    QVERIFY(module.open(QIODevice::WriteOnly));
    module.write(
        "163 \"2.2.1\"\n61000 \"&Profil\"\n57600 \"Cr\xc3\xa9"
        "er un nouveau profil\\nNouveau profil\"\n"
        "61706 \"Nouvel utilisateur\"\n61792 \"Fermer\"\n");
    module.close();
    languages_ = std::make_unique<Languages>(dir.toStdString(), dir.toStdString());
    settings_->SetString("Settings", "Language", "Partiel");
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    QCOMPARE(MenuTitles(*frame_).mid(0, 2), (QStringList{"&Profil", "&Edit"}));
    QCOMPARE(frame_->action(CommandId::kNewProfile)->text(), QStringLiteral("&New"));
    QCOMPARE(frame_->action(CommandId::kNewProfile)->toolTip(), QStringLiteral("Nouveau profil"));
    QCOMPARE(frame_->action(CommandId::kOpenProfile)->toolTip(), QStringLiteral("Open profile"));

    // The same in the other windows, and in the buttons Qt draws.
    UsersStore users;
    UsersWindow window(users, *settings_);
    QCOMPARE(window.windowTitle(), QStringLiteral("Users management"));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("NewUser"))->text(), QStringLiteral("Nouvel utilisateur"));
    auto* buttons = window.findChild<QDialogButtonBox*>();
    QCOMPARE(WithoutMarkers(buttons->button(QDialogButtonBox::Cancel)->text()), QStringLiteral("Cancel"));
    QDialogButtonBox closeBox(QDialogButtonBox::Close);
    QCOMPARE(WithoutMarkers(closeBox.button(QDialogButtonBox::Close)->text()), QStringLiteral("Fermer"));
  }

  // Every command has a picture of its own, drawn (not an empty tile) at
  // the tool bar's size and at twice that for a 2x screen.
  void everyCommandHasABundledPicture() {
    for (const CommandInfo& info : Commands()) {
      const QIcon icon = BundledCommandIcon(info.id);
      QVERIFY2(!icon.isNull(), info.menuText);
      for (int side : {16, 32}) {
        const QImage image = icon.pixmap(side, side).toImage();
        QCOMPARE(image.width(), side);
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y)
          for (int x = 0; x < image.width(); ++x) drawn += qAlpha(image.pixel(x, y)) > 0;
        QVERIFY2(drawn > side * side / 8, info.menuText);
      }
    }
  }

  // On a 2x screen of 2800 pixels the window is 1400 units wide: the whole
  // tool bar fits, without its overflow button.
  void toolBarFitsAWindowOf1400Units() {
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    frame_->setGeometry(0, 0, 1400, 800);
    frame_->show();
    QCoreApplication::processEvents();
    auto* bar = frame_->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    QVERIFY(bar->sizeHint().width() <= 1400);
    QToolButton* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
    QVERIFY(!more || !more->isVisible());
  }

  void windowRemembersItsPlaceAndLastProfile() {
    {
      MainFrame first(*settings_, *languages_, kNoDialog);
      first.show();
      first.setGeometry(60, 50, 1010, 640);
      auto* dock = first.findChild<QDockWidget*>(QStringLiteral("DirectoryTree"));
      first.resizeDocks({dock}, {310}, Qt::Horizontal);
      QCoreApplication::processEvents();
      QVERIFY(first.close());
    }
    MainFrame second(*settings_, *languages_, kNoDialog);
    second.show();
    QCoreApplication::processEvents();
    QCOMPARE(second.geometry().size(), QSize(1010, 640));
    QCOMPARE(second.geometry().topLeft(), QPoint(60, 50));
    QCOMPARE(second.findChild<QDockWidget*>(QStringLiteral("DirectoryTree"))->width(), 310);

    for (const char* name : {"Alpha", "Beta"}) {
      ProfileSettings s = NewProfileSettings(name);
      s.serverName = "ftp.example.org";
      QVERIFY(CreateProfile(profilesDir(), s));
    }
    second.openProfile(ReadProfile(profilesDir(), "Beta"));
    ProfilesDialog dialog(profilesDir(), *settings_, &second);
    const auto selected = dialog.findChild<QListWidget*>(QStringLiteral("ProfileList"))->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.front()->text(), QStringLiteral("Beta"));
  }
};

std::unique_ptr<QObject> NewDesktopWindowTests() { return std::make_unique<DesktopWindowTests>(); }

#include "desktop_window_tests.moc"
