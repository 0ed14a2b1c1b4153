// The Qt front end, driven headless: the new-profile wizard from the main
// window, renaming in the profiles dialog, the dialog's own edits, the global
// properties, window messages on the status bar, the message boxes and the
// copy window.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "app/application.h"
#include "platform/app_settings.h"
#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/ini_file.h"
#include "platform/prompter.h"
#include "platform/strings.h"
#include "platform/user_dirs.h"
#include "store/profiles.h"
#include "ui/copy_files_dialog.h"
#include "ui/global_properties_dialog.h"
#include "ui/html_editor.h"
#include "ui/main_frame.h"
#include "ui/new_profile_wizard.h"
#include "ui/profiles_dialog.h"
#include "ui/qt_prompter.h"
#include "ui_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

bool Shown(const ScriptedPrompter& prompter, const std::string& text) {
  for (const auto& shown : prompter.texts()) {
    if (shown == text) return true;
  }
  return false;
}

bool Shown(const ScriptedPrompter& prompter, TextId stringId) { return Shown(prompter, LoadString(stringId)); }

}  // namespace

class UiTests : public GuiTestCase {
  Q_OBJECT

 private:
  fs::path settingsFile() const { return scratch_->filePath(QStringLiteral("Albumsmith.ini")).toStdString(); }

  void createProfile(const std::string& name, const std::string& server) {
    ProfileSettings settings = NewProfileSettings(name);
    settings.serverName = server;
    settings.remoteDir = "/" + name + "/";
    QVERIFY(CreateProfile(profilesDir(), settings));
  }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }
  void init() { QVERIFY(setUpTest()); }
  void cleanup() { tearDownTest(); }

  // The "New" command runs the wizard inside the profiles dialog; OK there
  // opens the new profile in the window.
  void newProfileWizardCreatesAndOpensProfile() {
    AppSettings settings(settingsFile());
    settings.SetString("Settings", "ProfilesDir", profilesDir());
    Languages languages(ProgramDirectory(), fs::current_path());
    prompter_.Queue(Answer::Yes);  // the first-run question about version checks

    MainFrame frame(settings, languages, StartOptions{.profile = std::nullopt, .profilesDialogAtStart = false});
    frame.show();
    QVERIFY(Shown(prompter_, TextId::kAskCheckVersion));
    QVERIFY(frame.action(CommandId::kCheckVersion)->isChecked());
    QVERIFY(frame.action(CommandId::kNewProfile)->isEnabled());
    QVERIFY(!frame.action(CommandId::kProfileProperties)->isEnabled());
    prompter_.Clear();

    whenModal<NewProfileWizard>([this](NewProfileWizard* wizard) {
      QCOMPARE(wizard->windowTitle(), QStringLiteral("New profile"));
      QCOMPARE(wizard->buttonText(QWizard::NextButton), QStringLiteral("Next >>"));
      QCOMPARE(wizard->buttonText(QWizard::BackButton), QStringLiteral("<< Prev."));
      QCOMPARE(wizard->buttonText(QWizard::FinishButton), QStringLiteral("Finish"));
      auto edit = [wizard](const char* name) { return wizard->findChild<QLineEdit*>(QLatin1String(name)); };

      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kNamePage));
      QVERIFY(Shown(prompter_, TextId::kEnterProfileName));
      edit("ProfileName")->setText(QStringLiteral("Holiday 2024"));
      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kServerPage));

      edit("ServerName")->setText(QStringLiteral("ftp.example.org"));
      wizard->findChild<QCheckBox*>(QStringLiteral("AcceptPhp"))->setChecked(false);
      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kLoginPage));

      edit("Login")->setText(QStringLiteral("anna"));
      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kLoginPage));
      QVERIFY(Shown(prompter_, TextId::kEnterPassword));
      edit("Password")->setText(QStringLiteral("s3cret pass"));
      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kRemotePage));

      // The page comes up proposing a directory named after the profile.
      QCOMPARE(edit("RemoteDir")->text(), QStringLiteral("/Prefix-WEB-Dir/Holiday 2024/"));
      QCOMPARE(edit("RemoteDir")->cursorPosition(), int(edit("RemoteDir")->text().size()));
      edit("RemoteDir")->setText(QStringLiteral("/photos\\album"));
      prompter_.Queue(Answer::Cancel);  // the warning about existing remote files
      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kRemotePage));
      prompter_.Queue(Answer::Ok);
      wizard->next();
      QCOMPARE(wizard->currentId(), int(NewProfileWizard::kFinalPage));
      QVERIFY(Shown(prompter_, FormatString(TextId::kRemoveAllWarning, {"/photos/album/"})));
      QCOMPARE(edit("RemoteDir")->text(), QStringLiteral("/photos/album/"));

      whenModal<ProfilesDialog>([](ProfilesDialog* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ProfileList"));
        QVERIFY(list->currentItem());
        QCOMPARE(list->currentItem()->text(), QStringLiteral("Holiday 2024"));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      });
      wizard->button(QWizard::FinishButton)->click();
    });
    frame.newProfileCommand();
    QVERIFY(!QTest::currentTestFailed());

    QCOMPARE(frame.windowTitle(), QStringLiteral("Holiday 2024 - Albumsmith"));
    QVERIFY(frame.session().profile);
    QVERIFY(frame.action(CommandId::kProfileProperties)->isEnabled());

    const fs::path ini = fs::path(profilesDir()) / "Holiday 2024" / "Profile.ini";
    QVERIFY(fs::exists(ini));
    QCOMPARE(fs::status(ini).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    const IniFile file(ini);
    for (const ProfileKey& key : ProfileKeys()) {
      QVERIFY2(file.ReadString(key.section, key.key) != kMissingKey, key.key);
    }
    QCOMPARE(file.ReadString("Remote", "ServerName"), std::string("ftp.example.org"));
    QCOMPARE(file.ReadString("Remote", "Login"), std::string("anna"));
    QCOMPARE(file.ReadString("Remote", "RemoteDir"), std::string("/photos/album/"));
    QCOMPARE(file.ReadInt("Remote", "PHP"), 0);
    QCOMPARE(file.ReadInt("Remote", "Passive"), 1);
    QCOMPARE(file.ReadString("Main", "TemplateName"), std::string(kDefaultTemplate));
    const std::string stored = file.ReadString("Remote", "Password");
    QCOMPARE(stored.size(), size_t(64));
    QVERIFY(stored.find("s3cret") == std::string::npos);
    QCOMPARE(ReadProfile(profilesDir(), "Holiday 2024").password, std::string("s3cret pass"));
  }

  void wizardCancelNeedsConfirmation() {
    NewProfileWizard wizard(profilesDir());
    wizard.show();
    prompter_.Queue(Answer::Cancel);
    wizard.reject();
    QVERIFY(Shown(prompter_, TextId::kExitWizardQuestion));
    QVERIFY(wizard.isVisible());
    prompter_.Queue(Answer::Ok);
    wizard.reject();
    QVERIFY(!wizard.isVisible());
    QCOMPARE(wizard.result(), int(QDialog::Rejected));
    QVERIFY(ListProfiles(profilesDir()).empty());
  }

  void renameInProfilesDialog() {
    createProfile("Alpha", "alpha.example.org");
    createProfile("Beta", "beta.example.org");
    AppSettings settings(settingsFile());
    ProfilesDialog dialog(profilesDir(), settings);
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("ProfileList"));
    auto* renameButton = dialog.findChild<QPushButton*>(QStringLiteral("Rename"));
    auto* newButton = dialog.findChild<QPushButton*>(QStringLiteral("New"));
    QCOMPARE(list->count(), 2);
    QVERIFY(!renameButton->isEnabled());

    auto rename = [&](const QString& from, const QString& to) {
      list->setCurrentItem(list->findItems(from, Qt::MatchExactly).value(0));
      renameButton->click();
      QVERIFY(!newButton->isEnabled());
      auto* editor = qobject_cast<QLineEdit*>(list->indexWidget(list->currentIndex()));
      QVERIFY(editor);
      editor->setText(to);
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_VERIFY(newButton->isEnabled());
    };

    rename(QStringLiteral("Alpha"), QStringLiteral("Gamma"));
    QTRY_COMPARE(list->currentItem()->text(), QStringLiteral("Gamma"));
    QVERIFY(list->currentItem()->isSelected());
    QVERIFY(!fs::exists(fs::path(profilesDir()) / "Alpha"));
    const ProfileSettings renamed = ReadProfile(profilesDir(), "Gamma");
    QCOMPARE(renamed.name, std::string("Gamma"));
    QCOMPARE(renamed.serverName, std::string("alpha.example.org"));
    QVERIFY(prompter_.texts().empty());

    // Another profile's name in other letters is still that profile.
    rename(QStringLiteral("Gamma"), QStringLiteral("BETA"));
    QTRY_VERIFY(Shown(prompter_, TextId::kProfileExists));
    QTRY_COMPARE(list->currentItem()->text(), QStringLiteral("Gamma"));
    QVERIFY(list->currentItem()->isSelected());
    QVERIFY(fs::exists(fs::path(profilesDir()) / "Gamma" / "Profile.ini"));
    QCOMPARE(ReadProfile(profilesDir(), "Beta").serverName, std::string("beta.example.org"));
  }

  // The tabs edit a working copy; OK checks it, asks, saves and hands back
  // the profile to open.
  void profilesDialogEditsAndSaves() {
    createProfile("Alpha", "alpha.example.org");
    AppSettings settings(settingsFile());
    ProfilesDialog dialog(profilesDir(), settings);
    dialog.show();
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("ProfileList"));
    auto* tabs = dialog.findChild<QTabWidget*>();
    QVERIFY(!tabs->isEnabled());
    list->setCurrentRow(0);
    QVERIFY(tabs->isEnabled());

    // The security tab follows "Accept PHP scripts" at once: without PHP it
    // says the site cannot be protected and offers no protection.
    auto* php = dialog.findChild<QCheckBox*>(QStringLiteral("AcceptPhp"));
    auto* access = dialog.findChild<QCheckBox*>(QStringLiteral("AccessSecurity"));
    auto* note = dialog.findChild<QLabel*>(QStringLiteral("StaticSiteNote"));
    QVERIFY(php->isChecked());
    QVERIFY(access->isEnabled());
    QVERIFY(note->isHidden());
    access->setChecked(true);
    php->setChecked(false);
    QVERIFY(tabs->isTabEnabled(3));
    QVERIFY(!access->isEnabled());
    QVERIFY(!access->isChecked());
    QVERIFY(!note->isHidden());
    QVERIFY(note->text().contains(QStringLiteral("cannot be protected")));
    php->setChecked(true);
    QVERIFY(access->isChecked());
    access->setChecked(false);
    php->setChecked(false);

    auto* preserve = dialog.findChild<QListWidget*>(QStringLiteral("PreserveList"));
    auto* add = dialog.findChild<QPushButton*>(QStringLiteral("PreserveAdd"));
    const struct {
      const char* typed;
      bool kept;
      bool refused;
    } entries[] = {
        {"stats", true, false},
        {"bad|name", false, true},
        {"", false, false},
        {"cgi-bin/old", true, false},
    };
    int expectedCount = 0;
    for (const auto& entry : entries) {
      prompter_.Clear();
      add->click();
      auto* editor = qobject_cast<QLineEdit*>(preserve->indexWidget(preserve->currentIndex()));
      QVERIFY2(editor, entry.typed);
      editor->setText(QString::fromUtf8(entry.typed));
      QVERIFY(!add->isEnabled());
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_VERIFY(add->isEnabled());
      if (entry.kept) ++expectedCount;
      QCOMPARE(preserve->count(), expectedCount);
      QCOMPARE(Shown(prompter_, TextId::kInvalidPath), entry.refused);
    }

    auto* remote = dialog.findChild<QLineEdit*>(QStringLiteral("RemoteDir"));
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    remote->setText(QStringLiteral("site"));
    prompter_.Clear();
    ok->click();
    QVERIFY(Shown(prompter_, TextId::kRemoteDirectorySlash));
    QVERIFY(dialog.isVisible());

    remote->setText(QStringLiteral("/site\\new"));
    prompter_.Clear();
    prompter_.Queue(Answer::Yes);  // save the changes
    ok->click();
    QVERIFY(Shown(prompter_, TextId::kSaveProfileQuestion));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.chosen());
    QCOMPARE(dialog.chosen()->remoteDir, std::string("/site/new/"));

    const ProfileSettings saved = ReadProfile(profilesDir(), "Alpha");
    QCOMPARE(saved.remoteDir, std::string("/site/new/"));
    QCOMPARE(saved.php, 0);
    QCOMPARE(saved.preserve.str(), std::string("stats|cgi-bin/old"));
  }

  // A Profile.ini lacking keys: the absent ones show as empty fields, OK
  // without an edit changes nothing, and an edit writes only what changed.
  void profilesDialogLeavesAbsentKeysAlone() {
    const fs::path ini = fs::path(profilesDir()) / "Sparse" / "Profile.ini";
    const std::string original = "[Remote]\r\nRemoteDir=/site/\r\n";
    fs::create_directories(ini.parent_path());
    QVERIFY(WriteFileAtomically(ini, original));
    AppSettings settings(settingsFile());
    for (const bool editLogin : {false, true}) {
      ProfilesDialog dialog(profilesDir(), settings);
      dialog.show();
      dialog.findChild<QListWidget*>(QStringLiteral("ProfileList"))->setCurrentRow(0);
      for (const char* name : {"ServerName", "Login", "AccessUser", "AccessPassword"})
        QVERIFY2(dialog.findChild<QLineEdit*>(QLatin1String(name))->text().isEmpty(), name);
      QCOMPARE(dialog.findChild<QListWidget*>(QStringLiteral("PreserveList"))->count(), 0);

      if (editLogin) dialog.findChild<QLineEdit*>(QStringLiteral("Login"))->setText(QStringLiteral("anna"));
      prompter_.Clear();
      prompter_.Queue(Answer::Yes);  // save, when asked
      dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QCOMPARE(Shown(prompter_, TextId::kSaveProfileQuestion), editLogin);
      if (!editLogin) QCOMPARE(ReadWholeFile(ini).value_or(""), original);
    }
    const std::string text = ReadWholeFile(ini).value_or("");
    QVERIFY(text.find(kMissingKey) == std::string::npos);
    QVERIFY(text.find("\xEF\xBF\xBD") == std::string::npos);  // U+FFFD
    const IniFile file(ini);
    QCOMPARE(file.ReadString("Remote", "Login"), std::string("anna"));
    for (const char* key : {"ServerName", "Preserve"}) QVERIFY2(file.ReadString("Remote", key) == kMissingKey, key);
    for (const char* key : {"DateFont", "CommentFont", "Background"})
      QVERIFY2(file.ReadString("Settings", key) == kMissingKey, key);
  }

  // The same for the fonts and background of the default properties, which
  // OK always writes.
  void globalPropertiesLeaveAbsentKeysAlone() {
    const fs::path ini = fs::path(profilesDir()) / "Sparse" / "Profile.ini";
    fs::create_directories(ini.parent_path());
    QVERIFY(WriteFileAtomically(ini, "[Settings]\nThumbsPerLine=5\n"));
    {
      GlobalPropertiesDialog dialog(profilesDir(), ReadProfile(profilesDir(), "Sparse"));
      for (const char* name : {"DateFont", "CommentFont"})
        QVERIFY2(dialog.findChild<QComboBox*>(QLatin1String(name))->currentText().isEmpty(), name);
      QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("Background"))->currentText(), QStringLiteral("None"));
      dialog.accept();
    }
    const IniFile file(ini);
    for (const char* key : {"DateFont", "CommentFont", "Background"})
      QVERIFY2(file.ReadString("Settings", key) == kMissingKey, key);
    QCOMPARE(file.ReadInt("Settings", "ThumbsPerLine"), 5);
  }

  void globalPropertiesStoreChoices() {
    ProfileSettings profile = NewProfileSettings("Alpha");
    profile.slideDelay = 4;  // not in the list
    profile.slideTrans = 24;
    profile.borderColor = 0x0000FF;  // red: red sits in the low byte
    QVERIFY(CreateProfile(profilesDir(), profile));

    {
      GlobalPropertiesDialog dialog(profilesDir(), profile);
      auto* delays = dialog.findChild<QListWidget*>(QStringLiteral("SlideDelay"));
      QCOMPARE(delays->currentItem()->text(), QStringLiteral("3"));
      QCOMPARE(dialog.findChild<QListWidget*>(QStringLiteral("SlideTrans"))->currentItem()->text(),
               QStringLiteral("Random"));
      dialog.findChild<QSpinBox*>(QStringLiteral("ThumbsPerLine"))->setValue(8);
      dialog.accept();
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    ProfileSettings saved = ReadProfile(profilesDir(), "Alpha");
    QCOMPARE(saved.slideDelay, 3);
    QCOMPARE(saved.slideTrans, 24);
    QCOMPARE(saved.borderColor, 0x0000FF);
    QCOMPARE(saved.thumbsPerLine, 8);

    {
      GlobalPropertiesDialog dialog(profilesDir(), saved);
      dialog.findChild<QListWidget*>(QStringLiteral("SlideDelay"))->clearSelection();
      dialog.findChild<QListWidget*>(QStringLiteral("SlideTrans"))->clearSelection();
      dialog.accept();
    }
    saved = ReadProfile(profilesDir(), "Alpha");
    QCOMPARE(saved.slideDelay, 5);
    QCOMPARE(saved.slideTrans, 0);
  }

  // A font name that could end its style rule keeps the dialog open with a
  // message, and nothing is written until it is corrected.
  void globalPropertiesRefuseFontNamesThatLeaveTheirRule() {
    ProfileSettings profile = NewProfileSettings("Alpha");
    QVERIFY(CreateProfile(profilesDir(), profile));
    GlobalPropertiesDialog dialog(profilesDir(), profile);
    auto* dates = dialog.findChild<QComboBox*>(QStringLiteral("DateFont"));
    auto* comments = dialog.findChild<QComboBox*>(QStringLiteral("CommentFont"));
    QVERIFY(dates && comments);
    dialog.findChild<QSpinBox*>(QStringLiteral("ThumbsPerLine"))->setValue(8);
    for (QComboBox* box : {dates, comments}) {
      const QString kept = box->currentText();
      for (const QString& bad : {QStringLiteral("x;}</style>"), QStringLiteral("\"Times\""), QStringLiteral("a{b")}) {
        prompter_.Clear();
        box->setCurrentText(bad);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(prompter_.texts(),
                 std::vector<std::string>{Fmt(LoadString(TextId::kBadFontName), {bad.toStdString()})});
        QCOMPARE(ReadProfile(profilesDir(), "Alpha").thumbsPerLine, profile.thumbsPerLine);
      }
      box->setCurrentText(kept);
    }
    prompter_.Clear();
    dates->setCurrentText(QStringLiteral("Liberation Sans, sans-serif"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(prompter_.texts().empty());
    const ProfileSettings saved = ReadProfile(profilesDir(), "Alpha");
    QCOMPARE(saved.dateFont, std::string("Liberation Sans, sans-serif"));
    QCOMPARE(saved.thumbsPerLine, 8);
  }

  // The "Footer section" editor opens on the footer the pages use now and
  // OK writes Footer.html, which the profile then names.
  void globalPropertiesFooterEditor() {
    ProfileSettings profile = NewProfileSettings("Alpha");
    profile.footerFileName = "old footer.htm";
    QVERIFY(CreateProfile(profilesDir(), profile));
    const fs::path dir = ProfileDirectory(profilesDir(), profile);
    const std::string oldFooter = "<p>Old &copy;\u00a0me</p>\n";
    std::ofstream(dir / "old footer.htm", std::ios::binary) << oldFooter;

    GlobalPropertiesDialog dialog(profilesDir(), profile);
    dialog.show();
    auto* tabs = dialog.findChild<QTabWidget*>();
    tabs->setCurrentIndex(2);
    auto* editor = dialog.findChild<HtmlEditor*>(QStringLiteral("FooterEditor"));
    QVERIFY(editor);
    QCOMPARE(editor->html(), QString::fromStdString(oldFooter));
    const QString edited = QStringLiteral("<div class=\"foot\">\n<!-- contact -->\nMail: anna@example.org\u00a0</div>");
    editor->setPlainText(edited);
    SaveScreenshot(&dialog, QStringLiteral("profile-default-properties-style"));
    dialog.accept();

    QCOMPARE(ReadWholeFile(dir / "Footer.html").value_or(""), edited.toStdString());
    QCOMPARE(ReadProfile(profilesDir(), "Alpha").footerFileName, std::string("Footer.html"));
    QCOMPARE(ReadWholeFile(dir / "old footer.htm").value_or(""), oldFooter);
  }

  void windowMessagesReachTheStatusBar() {
    AppSettings settings(settingsFile());
    settings.SetString("Settings", "ProfilesDir", profilesDir());
    settings.SetInt("Settings", "CheckVersion", 0);
    Languages languages(ProgramDirectory(), fs::current_path());
    MainFrame frame(settings, languages, StartOptions{.profile = std::nullopt, .profilesDialogAtStart = false});
    frame.show();
    auto* bar = frame.findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
    auto pane = [&frame](const char* name) { return frame.findChild<QLabel*>(QLatin1String(name))->text(); };
    QVERIFY(bar->isHidden());

    const struct {
      int maximum, position;
      bool barShown;
      const char* percent;
    } progress[] = {
        {4, 2, true, "  50 %"},
        {0, 1, true, " 100 %"},  // maximum 0 counts as 1
        {10, -1, false, ""},
    };
    for (const auto& step : progress) {
      frame.windowSink().PostProgress(step.maximum, step.position);
      QTRY_COMPARE(pane("ProgressPane"), QString::fromUtf8(step.percent));
      QCOMPARE(!bar->isHidden(), step.barShown);
    }

    const struct {
      bool isCut;
      int count;
      const char* text;
    } clipboard[] = {{true, 3, " Cut 3 image(s)"}, {false, 2, " Copy 2 image(s)"}, {false, 0, " "}};
    for (const auto& step : clipboard) {
      frame.windowSink().PostClipboard(step.isCut, step.count);
      QTRY_COMPARE(pane("ClipboardPane"), QString::fromUtf8(step.text));
    }

    // Workers post from their own thread, in order.
    std::thread worker([&frame] {
      frame.windowSink().PostStatus("Resampling a.jpg ...");
      frame.windowSink().PostStatus("Resampling b.jpg ...");
      frame.windowSink().PostSortSelector(2);
    });
    worker.join();
    auto* selector = frame.findChild<QComboBox*>(QStringLiteral("SortSelector"));
    QTRY_COMPARE(selector->currentIndex(), 2);
    QCOMPARE(pane("StatusPane"), QStringLiteral(" Resampling b.jpg ..."));
  }

  void qtPrompterAnswersFromEitherThread() {
    QtPrompter prompter;

    // A worker waits for the GUI thread's answer.
    Message question{Icon::Question, Buttons::YesNo, "First line\r\nSecond line"};
    question.yesToAll = true;
    question.offerDontAsk = true;
    whenModal<QMessageBox>([](QMessageBox* box) {
      QCOMPARE(box->windowTitle(), QStringLiteral("Albumsmith"));
      QCOMPARE(box->text(), QStringLiteral("First line\nSecond line"));
      QCOMPARE(box->icon(), QMessageBox::Question);
      QVERIFY(box->checkBox());
      box->checkBox()->setChecked(true);
      for (QAbstractButton* b : box->buttons()) {
        if (b->text() == QStringLiteral("Y&es to All")) b->click();
      }
    });
    Reply reply;
    std::atomic<bool> answered{false};
    std::thread worker([&] {
      reply = prompter.Ask(question);
      answered = true;
    });
    QTRY_VERIFY(answered.load());
    worker.join();
    QCOMPARE(reply.answer, Answer::YesToAll);
    QVERIFY(reply.dontAskAgain);

    // Escape refuses; with a lone OK button it can only mean OK.
    const struct {
      Buttons buttons;
      Answer escape;
    } escapes[] = {
        {Buttons::OkCancel, Answer::Cancel}, {Buttons::YesNoCancel, Answer::Cancel}, {Buttons::Ok, Answer::Ok}};
    for (const auto& c : escapes) {
      whenModal<QMessageBox>([](QMessageBox* shown) { QTest::keyClick(shown, Qt::Key_Escape); });
      const Reply answer = prompter.Ask(Message{Icon::Exclamation, c.buttons, "Go on?"});
      QCOMPARE(answer.answer, c.escape);
      QVERIFY(!answer.dontAskAgain);
    }
  }

  void copyFilesWindowCopiesTree() {
    const fs::path source = fs::path(scratch_->path().toStdString()) / "source";
    fs::create_directories(source / "sub" / "deeper");
    for (const fs::path& file : {source / "a.jpg", source / "sub" / "b.jpg", source / "sub" / "deeper" / "c.jpg"}) {
      std::FILE* f = std::fopen(file.c_str(), "wb");
      QVERIFY(f);
      std::fputs("data", f);
      std::fclose(f);
    }
    const fs::path destination = fs::path(scratch_->path().toStdString()) / "copy" / "here";
    QVERIFY(
        CopyFilesDialog::Run(nullptr, source.string() + "/", destination.string() + "/", QStringLiteral("Copying")));
    QVERIFY(fs::exists(destination / "a.jpg"));
    QVERIFY(fs::exists(destination / "sub" / "b.jpg"));
    QVERIFY(fs::exists(destination / "sub" / "deeper" / "c.jpg"));
  }
};

std::unique_ptr<QObject> NewUiTests() { return std::make_unique<UiTests>(); }

#include "ui_tests.moc"
