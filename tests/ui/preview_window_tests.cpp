// The preview window on the real browser engine, headless: the album opened
// on the folder the list shows, stepping back and forward, the screen-width
// choices, and nothing of it left on disk after closing. And the
// "Background" page of the profile's settings against the files it leaves.

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/commands.h"
#include "platform/ini_file.h"
#include "site/template.h"
#include "store/profiles.h"
#include "ui/global_properties_dialog.h"
#include "ui/image_list_view.h"
#include "ui/folder_tree_pane.h"
#include "ui/main_frame.h"
#include "ui/preview_window.h"
#include "main_window_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

const char* const kProfile = "Trips";
constexpr int kLoadLimitMs = 30000;

// What a script in the page answers, waited for.
QVariant Evaluate(QWebEngineView* view, const QString& script) {
  QVariant result;
  bool done = false;
  view->page()->runJavaScript(script, [&](const QVariant& value) {
    result = value;
    done = true;
  });
  QDeadlineTimer limit(kLoadLimitMs);
  while (!done && !limit.hasExpired()) QTest::qWait(20);
  return result;
}

}  // namespace

class PreviewWindowTests : public MainWindowTestCase {
  Q_OBJECT

 private:
  fs::path profileDir() const { return profileDirOf(kProfile); }
  fs::path imageTree() const { return profileDir() / "ImageTree"; }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }

  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
    ProfileSettings settings = NewProfileSettings(kProfile);
    QVERIFY(CreateProfile(profilesDir(), settings));
    const fs::path photos = fs::path(ALBUMSMITH_TEST_DATA) / "ui";
    fs::create_directories(imageTree() / "Alps");
    fs::create_directories(imageTree() / "On the beach");
    fs::copy_file(photos / "sony-cybershot.jpg", imageTree() / "Alps" / "sony-cybershot.jpg");
    fs::copy_file(photos / "kodak-dc210.jpg", imageTree() / "On the beach" / "kodak dc210.jpg");
  }

  void cleanup() { tearDownTest(); }

  // "Preview" opens the window on the folder the list shows, with its
  // thumbnail loaded from the profile (a space in both names); a link taken
  // enables " << ", which goes back and enables " >> "; closing removes the
  // pages and the tree script, the copied style sheet stays.
  void previewOpensOnCurrentFolderAndCleansUp() {
    const std::unique_ptr<MainFrame> window = openWindow(kProfile);
    MainFrame& frame = *window;
    showFolder(frame, "On the beach/", kLoadLimitMs);
    QVERIFY(enabled(frame, CommandId::kPreview));

    const QString preview = QString::fromStdString((profileDir() / "Preview").string());
    const QString beach = preview + QStringLiteral("/On the beach/index.html");
    const QString alps = preview + QStringLiteral("/Alps/index.html");
    bool checked = false;
    WhenModal<PreviewWindow>(&frame, [&](PreviewWindow* window) {
      QWebEngineView* view = window->view();
      auto* back = window->findChild<QPushButton*>(QStringLiteral("Backward"));
      auto* forward = window->findChild<QPushButton*>(QStringLiteral("Forward"));
      QCOMPARE(window->windowTitle(), QStringLiteral("Slide-show preview"));
      QCOMPARE(QString::fromStdString(window->firstPage()), beach);
      QTRY_COMPARE_WITH_TIMEOUT(view->url().toLocalFile(), beach, kLoadLimitMs);
      QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("Done"), kLoadLimitMs);
      QVERIFY(!back->isEnabled() && !forward->isEnabled());
      QVERIFY(fs::exists(profileDir() / "albsite" / "js" / "dir.js"));
      // The thumbnail's address carries %20 and the browser found the file.
      QTRY_COMPARE_WITH_TIMEOUT(
          Evaluate(view, QStringLiteral("Array.from(document.images).filter(i => i.src.includes('kodak%20dc210.jpg')"
                                        " && i.complete && i.naturalWidth > 0).length"))
              .toInt(),
          1, kLoadLimitMs);
      SaveScreenshot(window, QStringLiteral("preview-window"));

      view->load(QUrl::fromLocalFile(alps));
      QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("Done"), kLoadLimitMs);
      QTRY_VERIFY(back->isEnabled());
      QVERIFY(!forward->isEnabled());
      // A folder the list never showed has its thumbnail too, without a message.
      QTRY_COMPARE_WITH_TIMEOUT(
          Evaluate(view, QStringLiteral("Array.from(document.images).filter(i => i.src.includes('sony-cybershot.jpg')"
                                        " && i.complete && i.naturalWidth > 0).length"))
              .toInt(),
          1, kLoadLimitMs);
      back->click();
      QTRY_COMPARE_WITH_TIMEOUT(view->url().toLocalFile(), beach, kLoadLimitMs);
      QTRY_VERIFY(forward->isEnabled());
      QVERIFY(!back->isEnabled());
      forward->click();
      QTRY_COMPARE_WITH_TIMEOUT(view->url().toLocalFile(), alps, kLoadLimitMs);
      QTRY_VERIFY(!forward->isEnabled());
      checked = true;
      window->findChild<QPushButton*>(QStringLiteral("Close"))->click();
    });
    frame.action(CommandId::kPreview)->trigger();
    QVERIFY(checked);
    QVERIFY(!fs::exists(profileDir() / "Preview"));
    QVERIFY(!fs::exists(profileDir() / "albsite" / "js" / "dir.js"));
    QVERIFY(fs::exists(profileDir() / "albsite" / "js" / "albumsmith.css"));
    QVERIFY2(prompter_.texts().empty(), prompter_.texts().empty() ? "" : prompter_.texts().front().c_str());
  }

  // On a 1280-pixel screen: 1600 is off, the window opens at 1024 x 768 in
  // the middle; another choice resizes and centres it; a hand resize checks
  // the choice of its size, or none.
  void screenWidthChoices() {
    const QRect screen(0, 0, 1280, 1024);
    PreviewWindow window(PreviewMode::Album, nullptr, screen);
    auto button = [&](int width) { return window.findChild<QRadioButton*>(QStringLiteral("Width%1").arg(width)); };
    QVERIFY(button(800)->isEnabled() && button(1024)->isEnabled() && button(1280)->isEnabled());
    QVERIFY(!button(1600)->isEnabled());
    QCOMPARE(window.chosenSize(), 1);
    QVERIFY(button(1024)->isChecked());
    QCOMPARE(window.size(), QSize(1024, 768));
    QCOMPARE(window.pos(), QPoint(128, 128));

    button(1280)->click();
    QCOMPARE(window.size(), QSize(1280, 1024));
    QCOMPARE(window.pos(), QPoint(0, 0));
    button(800)->click();
    QCOMPARE(window.size(), QSize(800, 600));
    QCOMPARE(window.pos(), QPoint(240, 212));

    window.show();
    window.resize(900, 700);
    QTRY_COMPARE(window.chosenSize(), -1);
    for (int width : {800, 1024, 1280, 1600}) QVERIFY(!button(width)->isChecked());
    window.resize(1024, 768);
    QTRY_COMPARE(window.chosenSize(), 1);

    // A piece of HTML shows through a temporary page, which closing deletes.
    PreviewWindow html(PreviewMode::Html, nullptr, screen);
    QCOMPARE(html.chosenSize(), 0);
    QVERIFY(html.openHtml("<h1>Peaks</h1><p>Seen from the hut.</p>"));
    html.chooseSize(1);
    html.show();
    QTRY_COMPARE_WITH_TIMEOUT(html.statusText(), QStringLiteral("Done"), kLoadLimitMs);
    // "Done" may come from the blank page shown before the temporary one.
    QTRY_COMPARE_WITH_TIMEOUT(
        Evaluate(html.view(), QStringLiteral("document.querySelector('h1')?.textContent ?? ''")).toString(),
        QStringLiteral("Peaks"), kLoadLimitMs);
    SaveScreenshot(&html, QStringLiteral("preview-html-1024"));
    const std::string page = html.firstPage();
    QVERIFY(fs::exists(page));
    html.findChild<QPushButton*>(QStringLiteral("Close"))->click();
    QVERIFY(!fs::exists(page));

    // A narrow screen leaves 800 alone, even for the album.
    PreviewWindow narrow(PreviewMode::Album, nullptr, QRect(0, 0, 1000, 700));
    QCOMPARE(narrow.chosenSize(), 0);
    QVERIFY(!narrow.findChild<QRadioButton*>(QStringLiteral("Width1024"))->isEnabled());
  }

  // Cancel takes back what "Import" copied; a removed profile background
  // stays until OK, which deletes it and writes the choice. The template's
  // backgrounds cannot be removed.
  void backgroundPageCancelAndOk() {
    const fs::path own = profileDir() / "albsite" / "bg";
    const fs::path photos = fs::path(ALBUMSMITH_TEST_DATA) / "ui";
    const fs::path camera = fs::path(scratch_->path().toStdString()) / "camera";
    fs::create_directories(camera);
    fs::create_directories(own);
    fs::copy_file(photos / "olympus-d320l.jpg", own / "Mine.jpg");
    for (const char* name : {"Sand.jpg", "Rock.jpg"}) fs::copy_file(photos / "sanyo-vpcg250.jpg", camera / name);

    {
      GlobalPropertiesDialog dialog(profilesDir(), ReadProfile(profilesDir(), kProfile));
      auto* list = dialog.findChild<QComboBox*>(QStringLiteral("Background"));
      QCOMPARE(list->currentText(), QStringLiteral("None"));
      QCOMPARE(list->itemText(1), QStringLiteral("Mine"));
      dialog.importBackgrounds({QString::fromStdString((camera / "Sand.jpg").string()),
                                QString::fromStdString((camera / "Rock.jpg").string())});
      QVERIFY(fs::exists(own / "Sand.jpg") && fs::exists(own / "Rock.jpg"));
      // The list filled again: the profile's backgrounds first, the choice kept.
      QCOMPARE(list->itemText(2), QStringLiteral("Rock"));
      QCOMPARE(list->itemText(3), QStringLiteral("Sand"));
      QCOMPARE(list->currentText(), QStringLiteral("None"));
      dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    }
    QVERIFY(!fs::exists(own / "Sand.jpg"));
    QVERIFY(!fs::exists(own / "Rock.jpg"));
    QVERIFY(fs::exists(own / "Mine.jpg"));

    GlobalPropertiesDialog dialog(profilesDir(), ReadProfile(profilesDir(), kProfile));
    dialog.show();
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("Background"));
    auto* remove = dialog.findChild<QPushButton*>(QStringLiteral("RemoveBackground"));
    auto* preview = dialog.findChild<QLabel*>(QStringLiteral("BackgroundPreview"));
    QVERIFY(!remove->isEnabled());  // "None"
    const int linen = list->findText(QStringLiteral("Linen"));
    QVERIFY(linen > 1);
    list->setCurrentIndex(linen);
    emit list->activated(linen);
    QVERIFY(!remove->isEnabled());  // the template's
    list->setCurrentIndex(1);
    emit list->activated(1);
    QVERIFY(remove->isEnabled());
    QCOMPARE(preview->pixmap().size(), QSize(320, 240));
    dialog.findChild<QTabWidget*>()->setCurrentIndex(1);
    SaveScreenshot(&dialog, QStringLiteral("background-page"));
    remove->click();
    QVERIFY(list->findText(QStringLiteral("Mine")) < 0);
    QVERIFY(fs::exists(own / "Mine.jpg"));  // until OK
    list->setCurrentIndex(list->findText(QStringLiteral("Linen")));
    emit list->activated(list->currentIndex());
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    QVERIFY(!fs::exists(own / "Mine.jpg"));
    const std::string chosen = IniFile(profileDir() / "Profile.ini").ReadString("Settings", "Background");
    QCOMPARE(QString::fromStdString(chosen),
             QString::fromStdString(TemplateDirectory(ProgramDataDirectory(), "") + "albsite/bg/Linen.jpg"));
  }
};

std::unique_ptr<QObject> NewPreviewWindowTests() { return std::make_unique<PreviewWindowTests>(); }

#include "preview_window_tests.moc"
