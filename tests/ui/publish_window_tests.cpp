// Publishing from the windows against a real FTP server on 127.0.0.1: the
// server commands of the main window run on their worker while the commands
// that could start another run are disabled, Stop and closing end a run, the
// "Check profile", "Copy profile" and "Delete" of the profiles dialog, and
// moving the profiles base directory.

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWizard>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

#include "app/application.h"
#include "app/commands.h"
#include "platform/app_settings.h"
#include "platform/prompter.h"
#include "platform/strings.h"
#include "platform/user_dirs.h"
#include "store/profiles.h"
#include "ui/base_directory_dialog.h"
#include "ui/check_profile_dialog.h"
#include "ui/copy_profile_dialog.h"
#include "ui/folder_tree_pane.h"
#include "ui/image_list_view.h"
#include "ui/main_frame.h"
#include "ui/new_profile_wizard.h"
#include "ui/profiles_dialog.h"
#include "ui/sync_controller.h"
#include "ui/verification_dialog.h"
#include "ftp_test_server.h"
#include "local_ports.h"
#include "main_window_test_support.h"
#include "subprocess.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;
using albumsmith::ui_test::FtpServer;

namespace {

using C = CommandId;
using Line = CheckProfileDialog::LineState;

const char* const kProfile = "Trips";
const char* const kRemoteDir = "/album/";
const struct {
  const char* folder;
  const char* photo;
} kPhotos[] = {
    {"Alps", "fujifilm-finepix40i.jpg"},
    {"Alps", "sony-cybershot.jpg"},
    {"Beach", "kodak-dc210.jpg"},
};

constexpr int kRunLimitMs = 30000;
// Far below the FTP layer's 60 s stall limit: a run that ends within it was stopped.
constexpr int kStopLimitMs = 10000;

// Names of the files directly in a folder.
std::set<std::string> FileNames(const fs::path& dir) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file()) names.insert(it->path().filename().string());
  return names;
}

// Messages with a lone OK button tell of a failure; questions are expected.
QStringList Failures(const ScriptedPrompter& prompter) {
  QStringList texts;
  for (const Message& m : prompter.shown())
    if (m.buttons == Buttons::Ok) texts << QString::fromStdString(m.text);
  return texts;
}

// Records the class names of the dialogs that were shown, however briefly.
class ShownDialogs : public QObject {
 public:
  ShownDialogs() { qApp->installEventFilter(this); }
  ~ShownDialogs() override { qApp->removeEventFilter(this); }
  bool contains(const char* className) const { return names_.count(className) != 0; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && qobject_cast<QDialog*>(watched))
      names_.insert(watched->metaObject()->className());
    return false;
  }

 private:
  std::set<std::string> names_;
};

}  // namespace

class PublishWindowTests : public MainWindowTestCase {
  Q_OBJECT

 private:
  std::unique_ptr<FtpServer> server_;

  fs::path profileDir() const { return profileDirOf(kProfile); }
  fs::path remote() const { return server_->root() / "album"; }

  // A server that takes no data, and the profile made afresh to publish to
  // it; null (the test failed) when the server does not start.
  std::unique_ptr<FtpServer> startStalledProfile() {
    QString error;
    std::unique_ptr<FtpServer> stalled = FtpServer::Start(error, 1);
    if (!stalled) {
      QTest::qFail(qPrintable(error), __FILE__, __LINE__);
      return nullptr;
    }
    server_->clear();
    fs::remove_all(profilesDir());
    fs::create_directories(profilesDir());
    makeProfile(*stalled);
    return stalled;
  }

  // The profile every test starts with, published to `server`.
  void makeProfile(const FtpServer& server) {
    ProfileSettings settings = NewProfileSettings(kProfile);
    settings.serverName = server.serverText();
    settings.login = server.login().toStdString();
    settings.password = server.password().toStdString();
    settings.remoteDir = kRemoteDir;
    settings.php = 0;
    settings.passive = 1;
    QVERIFY(CreateProfile(profilesDir(), settings));
    for (const auto& p : kPhotos) {
      const fs::path folder = profileDir() / "ImageTree" / p.folder;
      fs::create_directories(folder);
      fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "ui" / p.photo, folder / p.photo);
    }
  }

  std::unique_ptr<MainFrame> openWindow() { return MainWindowTestCase::openWindow(kProfile); }
  void showFolder(MainFrame& frame, const std::string& folder) {
    MainWindowTestCase::showFolder(frame, folder, kRunLimitMs);
  }

  // As the menu does it: the entry is brought up to date as the menu opens.
  void choose(MainFrame& frame, CommandId id) {
    QVERIFY2(enabled(frame, id), FindCommand(id)->menuText);
    frame.action(id)->trigger();
  }

  // While a run goes, nothing may start another one or change the profile under it.
  void verifyRunningCommands(MainFrame& frame, bool running) {
    for (CommandId id : {C::kNewProfile, C::kOpenProfile, C::kProfileProperties, C::kSyncFolder, C::kSyncProfile})
      QVERIFY2(enabled(frame, id) == !running, FindCommand(id)->menuText);
    QVERIFY(enabled(frame, C::kStopSync) == running);
    // Commands outside the rule stay as they were.
    QVERIFY(enabled(frame, C::kBaseDirectory));
  }

  void waitForRunEnd(MainFrame& frame, int limitMs = kRunLimitMs) {
    QTRY_VERIFY_WITH_TIMEOUT(!frame.syncController()->running(), limitMs);
    QCOMPARE(QString::fromStdString(frame.statusBarState().statusPane), QStringLiteral(" Ready"));
    QVERIFY(!frame.statusBarState().progressVisible);
  }

  // What the server holds of a folder: every derived file (the order file
  // of positions stays home), and the folder's pages.
  void verifyPublished(const std::string& folder) {
    const fs::path local = profileDir() / "albsite";
    const fs::path site = remote() / "albsite";
    size_t photos = 0;
    for (const auto& p : kPhotos) photos += folder == std::string(p.folder) + "/";
    std::set<std::string> thumbnails = FileNames(local / "s" / folder);
    thumbnails.erase("sort.pos");
    QVERIFY2(thumbnails.size() > photos, folder.c_str());
    QVERIFY2(FileNames(site / "s" / folder) == thumbnails, folder.c_str());
    const std::set<std::string> medium = FileNames(local / "m" / folder);
    QVERIFY2(medium.size() == photos, folder.c_str());
    QVERIFY2(FileNames(site / "m" / folder) == medium, folder.c_str());
    for (const char* page : {"index.html", "slide.html"})
      QVERIFY2(fs::is_regular_file(remote() / folder / page), (folder + page).c_str());
  }

  std::unique_ptr<ProfilesDialog> profilesDialog() {
    auto dialog = std::make_unique<ProfilesDialog>(profilesDir(), *settings_);
    dialog->show();
    auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ProfileList"));
    const auto found = list->findItems(QString::fromUtf8(kProfile), Qt::MatchExactly);
    if (!found.isEmpty()) list->setCurrentItem(found.front());
    return dialog;
  }

 private slots:
  void initTestCase() {
    QVERIFY(setUpRun());
    QString error;
    server_ = FtpServer::Start(error);
    QVERIFY2(server_, qPrintable(error));
  }

  void cleanupTestCase() { server_.reset(); }

  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
    server_->clear();
    makeProfile(*server_);
  }

  void cleanup() {
    // The next test starts in English whatever this one chose.
    if (languages_) languages_->Load("English", *settings_);
    tearDownTest();
  }

  // The menu's "Synchronize folder" publishes the folder the list shows:
  // the support files are installed after the question, the thumbnails,
  // medium images and pages go up, and the installation counts as checked
  // for the rest of the session.
  void syncFolderPublishesTheShownFolder() {
    auto frame = openWindow();
    showFolder(*frame, "Alps/");
    verifyRunningCommands(*frame, false);
    QVERIFY(!frame->session().remoteChecked);

    choose(*frame, C::kSyncFolder);
    QVERIFY(frame->syncController()->running());
    verifyRunningCommands(*frame, true);

    waitForRunEnd(*frame);
    SaveScreenshot(frame.get(), QStringLiteral("main-window-sync-done"));
    verifyRunningCommands(*frame, false);
    QVERIFY2(Failures(prompter_).isEmpty(), qPrintable(Failures(prompter_).join('\n')));
    QVERIFY(told("The remote software does not exists or is not up to date. Install ?"));
    QVERIFY(frame->session().remoteChecked);
    verifyPublished("Alps/");
    QVERIFY(fs::is_regular_file(remote() / "albsite" / "js" / "dir.js"));
    QVERIFY(!fs::exists(remote() / "albsite" / "s" / "Beach"));
  }

  // The whole profile goes through the "Processing" window first, whether
  // asked for or because a folder cannot go alone before the remote tree is
  // known; then every folder is published, the top level too.
  void wholeProfileSync_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<bool>("withoutRemoteTree");
    QTest::addColumn<QString>("question");
    QTest::newRow("Synchronize profile") << int(C::kSyncProfile) << false
                                         << QStringLiteral(
                                                "Synchronizing the whole profile may take a while. Go on anyway ?");
    QTest::newRow("Synchronize folder, never published") << int(C::kSyncFolder) << true
                                                         << QStringLiteral(
                                                                "The remote directory tree is not updated.\n"
                                                                "A whole profile synchonization will be proceeded.");
  }

  void wholeProfileSync() {
    QFETCH(int, command);
    QFETCH(bool, withoutRemoteTree);
    QFETCH(QString, question);
    auto frame = openWindow();
    showFolder(*frame, "Alps/");
    if (withoutRemoteTree) fs::remove(profileDir() / "remdir.dat");
    ShownDialogs dialogs;

    choose(*frame, static_cast<CommandId>(command));
    QVERIFY(dialogs.contains(VerificationDialog::staticMetaObject.className()));
    QVERIFY(frame->syncController()->running());
    verifyRunningCommands(*frame, true);
    waitForRunEnd(*frame);
    verifyRunningCommands(*frame, false);

    QVERIFY(told(question.toStdString()));
    QVERIFY2(Failures(prompter_).isEmpty(), qPrintable(Failures(prompter_).join('\n')));
    for (const std::string folder : {"Alps/", "Beach/", ""}) verifyPublished(folder);
    QVERIFY(fs::exists(profileDir() / "remdir.dat"));
  }

  // Refusing the question before the verification starts nothing.
  void refusedProfileSyncStartsNothing() {
    auto frame = openWindow();
    showFolder(*frame, "");
    ShownDialogs dialogs;
    prompter_.Queue(Answer::Cancel);
    choose(*frame, C::kSyncProfile);
    QVERIFY(!dialogs.contains(VerificationDialog::staticMetaObject.className()));
    verifyRunningCommands(*frame, false);
    QVERIFY(!fs::exists(remote()));
  }

  // Against a server that takes no data, a run waits in its first upload
  // until Stop (pressed once: it is disabled until the run ends) or closing
  // the window (asked first) ends it at once.
  void stopAndCloseEndARun() {
    const std::unique_ptr<FtpServer> stalled = startStalledProfile();
    if (!stalled) return;

    auto frame = openWindow();
    showFolder(*frame, "Alps/");
    auto startStalledRun = [&] {
      choose(*frame, C::kSyncFolder);
      QVERIFY(frame->syncController()->running());
      QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(frame->statusBarState().statusPane),
                                QStringLiteral(" Installing the remote software"), kRunLimitMs);
    };

    startStalledRun();
    if (QTest::currentTestFailed()) return;
    SaveScreenshot(frame.get(), QStringLiteral("main-window-sync-running"));
    QElapsedTimer stopping;
    stopping.start();
    choose(*frame, C::kStopSync);
    QVERIFY(frame->syncController()->running());
    QVERIFY(!enabled(*frame, C::kStopSync));
    QVERIFY(!enabled(*frame, C::kSyncFolder));
    waitForRunEnd(*frame, kStopLimitMs);
    QVERIFY(stopping.elapsed() < kStopLimitMs);
    verifyRunningCommands(*frame, false);
    QVERIFY(told("Cannot install the remote software"));
    QVERIFY(!frame->session().remoteChecked);

    prompter_.Clear();
    startStalledRun();
    if (QTest::currentTestFailed()) return;
    prompter_.Queue(Answer::Cancel);
    QVERIFY(!frame->close());
    QVERIFY(told(LoadString(TextId::kSyncRunning)));
    QVERIFY(frame->isVisible());
    QVERIFY(frame->syncController()->running());
    prompter_.Queue(Answer::Ok);
    stopping.restart();
    QVERIFY(frame->close());
    QVERIFY(!frame->syncController()->running());
    QVERIFY(stopping.elapsed() < kStopLimitMs);
  }

  // With the French module a run speaks French: the question before the
  // installation, the status line while it goes, the failure a stop leaves
  // and the one a refused login gives.
  void frenchRunSpeaksFrench() {
    const std::unique_ptr<FtpServer> stalled = startStalledProfile();
    if (!stalled) return;
    settings_->SetString("Settings", "Language", "Français");

    auto frame = openWindow();
    QCOMPARE(languages_->current(), std::string("Français"));
    showFolder(*frame, "Alps/");
    choose(*frame, C::kSyncFolder);
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(frame->statusBarState().statusPane),
                              QStringLiteral(" Installation du logiciel distant"), kRunLimitMs);
    frame->resize(1200, 700);
    SaveScreenshot(frame.get(), QStringLiteral("french-sync-running"));
    choose(*frame, C::kStopSync);
    QTRY_VERIFY_WITH_TIMEOUT(!frame->syncController()->running(), kStopLimitMs);
    QVERIFY(told("Le logiciel distant n'existe pas ou n'est pas à jour. L'installer ?"));
    QVERIFY(told("Impossible d'installer le logiciel distant"));
    QCOMPARE(QString::fromStdString(frame->statusBarState().statusPane), QStringLiteral(" Prêt"));
    frame.reset();

    ProfileSettings profile = ReadProfile(profilesDir(), kProfile);
    profile.serverName = server_->serverText();
    profile.password = "not-the-password";
    QVERIFY(WriteProfile(profilesDir(), profile));
    prompter_.Clear();
    frame = openWindow();
    showFolder(*frame, "Alps/");
    choose(*frame, C::kSyncFolder);
    QTRY_VERIFY_WITH_TIMEOUT(!frame->syncController()->running(), kRunLimitMs);
    const std::string refused = "Erreur de connexion à l'hôte '" + server_->serverText() + "'\r\n";
    QVERIFY2(Failures(prompter_).size() == 1 && Failures(prompter_)[0].toStdString().rfind(refused, 0) == 0,
             qPrintable(Failures(prompter_).join('\n')));
  }

  // "Check" in the profiles dialog tries the server as the tabs show it:
  // three ticks, or a cross on the connection line for a mistyped password.
  void checkProfileDialog_data() {
    QTest::addColumn<QString>("typedPassword");
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("saved settings") << QString()
                                    << QList<int>{int(Line::kChecked), int(Line::kChecked), int(Line::kChecked)};
    QTest::newRow("wrong password typed")
        << QStringLiteral("not-the-password") << QList<int>{int(Line::kFailed), int(Line::kHidden), int(Line::kHidden)};
  }

  void checkProfileDialog() {
    QFETCH(QString, typedPassword);
    QFETCH(QList<int>, lines);
    auto dialog = profilesDialog();
    auto* check = dialog->findChild<QPushButton*>(QStringLiteral("Check"));
    QVERIFY(check->isEnabled());
    if (!typedPassword.isEmpty()) dialog->findChild<QLineEdit*>(QStringLiteral("Password"))->setText(typedPassword);

    bool seen = false;
    whenModal<CheckProfileDialog>([&](CheckProfileDialog* window) {
      seen = true;
      QTRY_VERIFY_WITH_TIMEOUT(window->finished(), kRunLimitMs);
      for (CheckLine line : {CheckLine::kConnection, CheckLine::kBaseDirectory, CheckLine::kCreateDelete})
        QCOMPARE(int(window->lineState(line)), lines[int(line)]);
      SaveScreenshot(window,
                     QStringLiteral("check-profile-") +
                         QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
      window->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
    });
    check->click();
    QVERIFY(seen);
    const bool failed = lines.front() == int(Line::kFailed);
    QCOMPARE(Failures(prompter_).isEmpty(), !failed);
    // The check leaves nothing behind on the server.
    QCOMPARE(FileNames(remote()).size(), size_t(0));
  }

  // "Copy" takes a new name (an existing one is refused and the dialog
  // stays), then the wizard from its server page with the remote directory
  // proposal, then copies the profile with its images; the list shows the copy.
  void copyProfileWithImages() {
    auto dialog = profilesDialog();
    auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ProfileList"));
    bool named = false;
    bool wizardSeen = false;
    whenModal<CopyProfileDialog>([&](CopyProfileDialog* copy) {
      named = true;
      auto* name = copy->findChild<QLineEdit*>(QStringLiteral("ProfileName"));
      name->setText(QString::fromUtf8(kProfile));
      copy->accept();
      QVERIFY(copy->isVisible());
      QVERIFY(told(LoadString(TextId::kProfileExists)));
      name->setText(QStringLiteral("Trips copy"));
      copy->findChild<QCheckBox*>(QStringLiteral("CopyImages"))->setChecked(true);

      whenModal<NewProfileWizard>([&](NewProfileWizard* wizard) {
        wizardSeen = true;
        QCOMPARE(wizard->windowTitle(), QStringLiteral("Copy profile"));
        QCOMPARE(wizard->currentId(), int(NewProfileWizard::kServerPage));
        wizard->back();
        QCOMPARE(wizard->currentId(), int(NewProfileWizard::kServerPage));
        auto edit = [wizard](const char* objectName) {
          return wizard->findChild<QLineEdit*>(QLatin1String(objectName))->text();
        };
        QCOMPARE(edit("ServerName"), QString::fromStdString(server_->serverText()));
        QCOMPARE(edit("RemoteDir"), QStringLiteral("/album_copy/"));
        for (int page : {NewProfileWizard::kLoginPage, NewProfileWizard::kRemotePage, NewProfileWizard::kFinalPage}) {
          wizard->next();
          QCOMPARE(wizard->currentId(), page);
        }
        wizard->button(QWizard::FinishButton)->click();
      });
      copy->accept();
    });
    dialog->findChild<QPushButton*>(QStringLiteral("Copy"))->click();
    QVERIFY(named && wizardSeen);

    QVERIFY(list->currentItem());
    QCOMPARE(list->currentItem()->text(), QStringLiteral("Trips copy"));
    const ProfileSettings copy = ReadProfile(profilesDir(), "Trips copy");
    QCOMPARE(QString::fromStdString(copy.remoteDir), QStringLiteral("/album_copy/"));
    QCOMPARE(QString::fromStdString(copy.serverName), QString::fromStdString(server_->serverText()));
    const fs::path copyTree = ProfileDirectory(profilesDir(), copy) + "ImageTree";
    for (const auto& p : kPhotos) QVERIFY2(fs::is_regular_file(copyTree / p.folder / p.photo), p.photo);
    QCOMPARE(ReadProfile(profilesDir(), kProfile).remoteDir, std::string(kRemoteDir));
  }

  // "Delete", answered OK twice, also removes the profile's remote folder.
  void deleteRemovesRemoteCopy() {
    fs::create_directories(remote() / "albsite" / "s");
    std::ofstream(remote() / "index.html") << "<html></html>";
    fs::create_directories(server_->root() / "other");
    auto dialog = profilesDialog();
    dialog->findChild<QPushButton*>(QStringLiteral("Delete"))->click();
    QVERIFY(!ProfileExists(profilesDir(), kProfile));
    QVERIFY(!fs::exists(remote()));
    QVERIFY(fs::exists(server_->root() / "other"));
    QVERIFY2(Failures(prompter_).isEmpty(), qPrintable(Failures(prompter_).join('\n')));
  }

  // "Base directory": the field starts with the current base, "..." browses
  // with its own title; OK moves the profiles (after the question) into
  // <entered>/Albumsmith/ and the open profile is shown from there.
  void baseDirectoryMovesProfiles() {
    auto frame = openWindow();
    showFolder(*frame, "");
    const std::string entered = scratch_->filePath(QStringLiteral("moved")).toStdString();
    const std::string newBase = entered + "/Albumsmith/";
    bool seen = false;
    whenModal<BaseDirectoryDialog>([&](BaseDirectoryDialog* dialog) {
      seen = true;
      QCOMPARE(dialog->entered(), profilesDir());
      whenModal<QFileDialog>([](QFileDialog* browser) {
        QCOMPARE(browser->windowTitle(), QString::fromStdString(LoadString(TextId::kSelectBaseDirectory)));
        browser->reject();
      });
      dialog->findChild<QPushButton*>(QStringLiteral("Browse"))->click();
      dialog->findChild<QLineEdit*>(QStringLiteral("ProfilesBaseDirectory"))->setText(QString::fromStdString(entered));
      dialog->accept();
    });
    choose(*frame, C::kBaseDirectory);
    QVERIFY(seen);

    QVERIFY(told(FormatString(TextId::kMoveProfilesTo, {newBase})));
    QCOMPARE(frame->session().profilesDir, newBase);
    QCOMPARE(settings_->GetString("Settings", "ProfilesDir", ""), newBase);
    QVERIFY(ProfileExists(newBase, kProfile));
    QVERIFY(!fs::exists(fs::path(profilesDir()) / kProfile));
    QCOMPARE(frame->folderTree()->folders().profileDir(), newBase + kProfile + "/");
    QVERIFY(fs::is_regular_file(fs::path(newBase) / kProfile / "ImageTree" / "Alps" / kPhotos[0].photo));
  }
};

std::unique_ptr<QObject> NewPublishWindowTests() { return std::make_unique<PublishWindowTests>(); }

#include "publish_window_tests.moc"
