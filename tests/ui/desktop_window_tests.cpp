// The window as a desktop program: the version check and its announcement,
// the window in another language, and what it remembers between runs.

#include <QCheckBox>
#include <QDockWidget>
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

#include "http_answer_server.h"
#include "local_ports.h"
#include "platform/strings.h"
#include "store/profiles.h"
#include "ui/command_icons.h"
#include "ui/main_frame.h"
#include "ui/new_release_dialog.h"
#include "ui/profiles_dialog.h"
#include "ui_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;

namespace {

constexpr StartOptions kNoDialog{.profile = std::nullopt, .profilesDialogAtStart = false};

QStringList MenuTitles(const MainFrame& frame) {
  QStringList titles;
  for (QAction* action : frame.menuBar()->actions()) titles << action->text();
  return titles;
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
    QCOMPARE(prompter_.texts(), (std::vector<std::string>{"Check for new versions enabled",
                                                          "Check for new versions disabled",
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

  // A module that lacks a text leaves the English one in its place.
  void missingEntryFallsBackToEnglish() {
    const QString dir = scratch_->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/Lang")));
    QFile module(dir + QStringLiteral("/Lang/Partiel.lng"));
    QVERIFY(module.open(QIODevice::WriteOnly));
    module.write("163 \"2.2.1\"\n61000 \"&Profil\"\n57600 \"Cr\xc3\xa9" "er un nouveau profil\\nNouveau profil\"\n");
    module.close();
    languages_ = std::make_unique<Languages>(dir.toStdString(), dir.toStdString());
    settings_->SetString("Settings", "Language", "Partiel");
    frame_ = std::make_unique<MainFrame>(*settings_, *languages_, kNoDialog);
    QCOMPARE(MenuTitles(*frame_).mid(0, 2), (QStringList{"&Profil", "&Edit"}));
    QCOMPARE(frame_->action(CommandId::kNewProfile)->text(), QStringLiteral("&New"));
    QCOMPARE(frame_->action(CommandId::kNewProfile)->toolTip(), QStringLiteral("Nouveau profil"));
    QCOMPARE(frame_->action(CommandId::kOpenProfile)->toolTip(), QStringLiteral("Open profile"));
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
