// The "Tag image(s)" command in the main window: enabled with a selection,
// its dialog filled from the first image's stamp, and on OK the ten keys
// written for every selected image and their medium images made again with
// the stamp.

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/commands.h"
#include "imaging/stamp_file.h"
#include "platform/strings.h"
#include "store/profiles.h"
#include "ui/image_list_model.h"
#include "ui/image_list_view.h"
#include "ui/main_frame.h"
#include "ui/tag_dialog.h"
#include "main_window_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

const char* const kProfile = "Stamps";

std::vector<std::string> ParameterKeys(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> keys;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '[') continue;
    keys.push_back(line.substr(0, line.find('=')));
  }
  return keys;
}

}  // namespace

class TagDialogTests : public MainWindowTestCase {
  Q_OBJECT

 private:
  fs::path profileDir() const { return profileDirOf(kProfile); }
  fs::path images() const { return profileDir() / "ImageTree"; }
  fs::path medium() const { return profileDir() / "albsite" / "m"; }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }
  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
    ProfileSettings settings = NewProfileSettings(kProfile);
    QVERIFY(CreateProfile(profilesDir(), settings));
    fs::create_directories(images());
    for (const char* photo : {"kodak-dc210.jpg", "sony-cybershot.jpg", "olympus-d320l.jpg"})
      fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "ui" / photo, images() / photo);
  }
  void cleanup() { tearDownTest(); }

  void tagDialogWritesTheTenKeysForEverySelectedImage() {
    auto frame = openWindow(kProfile);
    ImageListView* view = frame->imageView();
    waitForFolder(*frame, "");
    QCOMPARE(view->itemCount(), 3);
    QVERIFY(!enabled(*frame, CommandId::kTagImages));

    // The first two images in the list (name order).
    QListView* thumbnails = view->thumbnailView();
    thumbnails->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::Select);
    thumbnails->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select);
    QVERIFY(enabled(*frame, CommandId::kTagImages));
    const std::string first = view->list().items()[0].fileName;
    const std::string second = view->list().items()[1].fileName;
    const std::string third = view->list().items()[2].fileName;
    const auto untouched = fs::last_write_time(medium() / third);

    bool seen = false;
    whenModal<TagDialog>([&](TagDialog* dialog) {
      seen = true;
      // Opened on the defaults: nothing stamped yet.
      QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("text"))->text(), QStringLiteral("Tag information"));
      QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("size"))->currentText(), QStringLiteral("29"));
      QCOMPARE(dialog->findChild<QComboBox*>(QStringLiteral("style"))->currentText(), QStringLiteral("Bold"));
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("sample"))->text(), QStringLiteral("Sample Text"));
      QLineEdit* text = dialog->findChild<QLineEdit*>(QStringLiteral("text"));
      text->selectAll();
      QTest::keyClicks(text, QStringLiteral("Summer 2004"));
      dialog->findChild<QComboBox*>(QStringLiteral("textColour"))->setCurrentIndex(11);
      dialog->findChild<QComboBox*>(QStringLiteral("style"))->setCurrentIndex(3);  // bold italic
      dialog->findChild<QComboBox*>(QStringLiteral("size"))->setEditText(QStringLiteral("24"));
      for (QRadioButton* radio : dialog->findChildren<QRadioButton*>())
        if (radio->text() == QStringLiteral("Upper right") || radio->text() == QStringLiteral("Transparent"))
          radio->click();
      for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
        if (box->text() == QStringLiteral("External") || box->text() == QStringLiteral("Tag image"))
          box->setChecked(true);
      SaveScreenshot(dialog, QStringLiteral("tag-dialog"));
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    frame->action(CommandId::kTagImages)->trigger();
    QVERIFY(seen);

    const std::vector<std::string> tenKeys = {"font", "text",       "txtcolor", "bgcolor",   "position",
                                              "tag",  "background", "external", "boxheight", "boxwidth"};
    for (const std::string& name : {first, second}) {
      const fs::path tag = images() / (name + ".tag");
      QVERIFY2(fs::exists(tag), name.c_str());
      QCOMPARE(ParameterKeys(tag), tenKeys);
      const StampSettings s = ReadStamp(tag.string());
      QCOMPARE(s.text, std::string("Summer 2004"));
      QCOMPARE(FormatStampFont(s.font), std::string("-24,0,0,0,700,1,0,0,0,3,2,1,34,Arial"));
      QCOMPARE(s.textColor, 11);
      QCOMPARE(s.position, 1);
      QCOMPARE(s.tag, 1);
      QCOMPARE(s.background, 1);
      QCOMPARE(s.external, 1);
      QVERIFY(s.boxHeight > 20 && s.boxWidth > 100);
    }
    QVERIFY(!fs::exists(images() / (third + ".tag")));

    // The reload makes the two medium images again, with their band.
    waitForFolder(*frame, "");
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(medium() / first) && fs::exists(medium() / second), kWorkerLimitMs);
    QCOMPARE(fs::last_write_time(medium() / third), untouched);
    const QImage stamped(QString::fromStdString((medium() / first).string()));
    QVERIFY(!stamped.isNull());
    // A 4:3 photo: fitted to the box's reduced height, then the band makes up
    // the rest of the 600 rows.
    QVERIFY(stamped.width() < 800);
    QCOMPARE(stamped.height(), 600);
    // The band's corner is black.
    QVERIFY(qGray(stamped.pixel(0, 0)) < 30);
    const QString shots = qEnvironmentVariable("ALBUMSMITH_SCREENSHOTS");
    if (!shots.isEmpty()) QVERIFY(stamped.save(shots + QStringLiteral("/stamped-medium.png")));
  }
};

std::unique_ptr<QObject> NewTagDialogTests() { return std::make_unique<TagDialogTests>(); }

#include "tag_dialog_tests.moc"
