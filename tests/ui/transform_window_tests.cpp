// The Transform and Date menus in the main window, driven headless: their
// enabling, a turn that shows in the new thumbnail, the two date dialogs
// with their refusals, and the messages that name a photo that failed.

#include <QDateEdit>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

#include "app/commands.h"
#include "imaging/exif_reader.h"
#include "store/profiles.h"
#include "ui/date_dialogs.h"
#include "ui/folder_tree_pane.h"
#include "ui/image_list_model.h"
#include "ui/image_list_view.h"
#include "ui/main_frame.h"
#include "main_window_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

using C = CommandId;

const char* const kProfile = "Trips";

std::string DateOf(const fs::path& file) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  return reader.ReadFile(file, ImageData::Skip) ? reader.info().dateTime : "(unreadable)";
}

void ClickOk(QDialog* dialog) {
  for (QPushButton* button : dialog->findChildren<QPushButton*>())
    if (button->text().remove(QLatin1Char('&')) == QStringLiteral("OK")) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  QFAIL("no OK button");
}

}  // namespace

class TransformWindowTests : public MainWindowTestCase {
  Q_OBJECT

 private:
  fs::path folder() const {
    return fs::path(ProfileDirectory(profilesDir(), ReadProfile(profilesDir(), kProfile))) / "ImageTree" / "Beach";
  }

  void makeProfile() {
    ProfileSettings settings = NewProfileSettings(kProfile);
    QVERIFY(CreateProfile(profilesDir(), settings));
    fs::create_directories(folder());
    const fs::path data(ALBUMSMITH_TEST_DATA);
    fs::copy_file(data / "orientation" / "landscape_6.jpg", folder() / "a-side.jpg");
    fs::copy_file(data / "ui" / "sanyo-vpcg250.jpg", folder() / "b-dated.jpg");
    fs::copy_file(data / "ui" / "olympus-d320l.jpg", folder() / "c-undated.jpg");
    std::ofstream(folder() / "d-empty.jpg").flush();  // a file that only has a JPEG name
  }

  std::unique_ptr<MainFrame> openFolder() {
    auto frame = openWindow(kProfile);
    showFolder(*frame, "Beach/");
    return frame;
  }

  void waitForWorker(MainFrame& frame) { waitForFolder(frame, "Beach/"); }

  void select(MainFrame& frame, const QStringList& names) {
    ImageListView* view = frame.imageView();
    QItemSelectionModel* selection = view->thumbnailView()->selectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
      const int row = view->model()->rowOf(name);
      QVERIFY2(row >= 0, qPrintable(name));
      selection->select(view->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    frame.updateCommands();
  }

  QSize thumbnailOf(MainFrame& frame, const QString& name) {
    ImageListModel* model = frame.imageView()->model();
    return model->index(model->rowOf(name), 0).data(ImageListModel::kThumbnailRole).value<QPixmap>().size();
  }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }
  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
    makeProfile();
  }
  void cleanup() { tearDownTest(); }

  // The commands wait for a selection; a turn of the sideways photo shows in
  // its new thumbnail, the selection stays, and a file that is no photo is
  // named while the others are still turned.
  void rotateTurnsTheSelectedPhotosAndTheThumbnailFollows() {
    auto frame = openFolder();
    const std::vector<C> commands = {C::kRotate90,   C::kRotate180,  C::kRotate270, C::kFlipLeftRight,
                                     C::kFlipUpDown, C::kTimeOffset, C::kSetDate};
    for (C id : commands) QVERIFY(!frame->action(id)->isEnabled());
    QCOMPARE(thumbnailOf(*frame, "a-side.jpg"), QSize(100, 75));

    frame->action(C::kList)->trigger();
    prompter_.Clear();
    select(*frame, {"a-side.jpg", "d-empty.jpg"});
    for (C id : commands) QVERIFY(frame->action(id)->isEnabled());
    frame->action(C::kRotate90)->trigger();
    waitForWorker(*frame);

    QVERIFY(told("Cannot rotate file d-empty.jpg"));
    QCOMPARE(thumbnailOf(*frame, "a-side.jpg"), QSize(76, 100));
    QCOMPARE(QString::fromStdString(frame->imageView()->selectedNames().front()), QStringLiteral("a-side.jpg"));
    QCOMPARE(frame->imageView()->selectedNames().size(), size_t(2));
    SaveScreenshot(frame.get(), QStringLiteral("transform-rotated-list"));
  }

  // OK checks the fields and keeps the dialog open on a refusal; an accepted
  // offset moves the date of every selected photo, and a photo without a
  // date is named.
  void timeOffsetDialogRefusesBadFieldsThenShiftsTheDates() {
    auto frame = openFolder();
    select(*frame, {"b-dated.jpg", "c-undated.jpg"});
    const std::string undated = DateOf(folder() / "c-undated.jpg");
    std::vector<std::string> refusals;
    bool stayedOpen = true;
    whenModal<TimeOffsetDialog>([&](TimeOffsetDialog* dialog) {
      SaveScreenshot(dialog, QStringLiteral("transform-time-offset"));
      const struct {
        const char* hours;
        const char* minutes;
        const char* seconds;
      } refused[] = {{"", "75", ""}, {"1a", "", ""}, {"", "", "60"}};
      for (const auto& r : refused) {
        prompter_.Clear();
        dialog->hoursField()->setText(r.hours);
        dialog->minutesField()->setText(r.minutes);
        dialog->secondsField()->setText(r.seconds);
        ClickOk(dialog);
        if (!prompter_.texts().empty()) refusals.push_back(prompter_.texts().back());
        stayedOpen = stayedOpen && dialog->isVisible();
      }
      prompter_.Clear();
      dialog->hoursField()->setText("48");
      dialog->minutesField()->clear();
      dialog->secondsField()->clear();
      ClickOk(dialog);
    });
    frame->action(C::kTimeOffset)->trigger();
    waitForWorker(*frame);
    QCOMPARE(refusals, (std::vector<std::string>{"Minutes or seconds format error", "Only digits are allowed",
                                                 "Minutes or seconds format error"}));
    QVERIFY(stayedOpen);
    QCOMPARE(DateOf(folder() / "b-dated.jpg"), std::string("1998:01:03 00:00:00"));
    QVERIFY(told("Cannot update file c-undated.jpg - No date information"));
    QCOMPARE(DateOf(folder() / "c-undated.jpg"), undated);
    ImageListModel* model = frame->imageView()->model();
    QTRY_COMPARE(model->index(model->rowOf("b-dated.jpg"), kSortByDate).data().toString(),
                 QStringLiteral("03-jan-98 00:00:00"));

    whenModal<TimeOffsetDialog>([&](TimeOffsetDialog* dialog) {
      dialog->hoursField()->setText("1");
      dialog->minutesField()->setText("30");
      dialog->removeChoice()->setChecked(true);
      ClickOk(dialog);
    });
    frame->action(C::kTimeOffset)->trigger();
    waitForWorker(*frame);
    QCOMPARE(DateOf(folder() / "b-dated.jpg"), std::string("1998:01:02 22:30:00"));
  }

  // The dialog starts from the first selected photo's date; OK writes the
  // picked date and time into every selected photo.
  void setDateDialogStartsFromTheFirstPhotoAndSetsTheDate() {
    auto frame = openFolder();
    select(*frame, {"b-dated.jpg", "a-side.jpg"});
    QDateTime shownAtStart;
    whenModal<SetDateDialog>([&](SetDateDialog* dialog) {
      SaveScreenshot(dialog, QStringLiteral("transform-set-date"));
      shownAtStart = QDateTime(dialog->dateField()->date(), dialog->timeField()->time());
      dialog->dateField()->setDate(QDate(2004, 7, 1));
      dialog->timeField()->setTime(QTime(10, 0, 0));
      ClickOk(dialog);
    });
    frame->action(C::kSetDate)->trigger();
    waitForWorker(*frame);
    // a-side.jpg comes first in the list, and it has no date: the dialog
    // starts from now, and the photo without a date is named.
    QVERIFY(qAbs(shownAtStart.secsTo(QDateTime::currentDateTime())) < 120);
    QCOMPARE(DateOf(folder() / "b-dated.jpg"), std::string("2004:07:01 10:00:00"));
    QVERIFY(told("Cannot update file a-side.jpg - No date information"));

    select(*frame, {"b-dated.jpg"});
    whenModal<SetDateDialog>([&](SetDateDialog* dialog) {
      shownAtStart = QDateTime(dialog->dateField()->date(), dialog->timeField()->time());
      dialog->reject();
    });
    frame->action(C::kSetDate)->trigger();
    QCOMPARE(shownAtStart, QDateTime(QDate(2004, 7, 1), QTime(10, 0, 0)));
    QCOMPARE(DateOf(folder() / "b-dated.jpg"), std::string("2004:07:01 10:00:00"));
  }
};

std::unique_ptr<QObject> NewTransformWindowTests() { return std::make_unique<TransformWindowTests>(); }

#include "transform_window_tests.moc"
