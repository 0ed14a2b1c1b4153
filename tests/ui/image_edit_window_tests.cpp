// The image edits in the main window, driven headless: import through the
// file dialog, files dropped on the window, delete, cut / paste / undo,
// reordering by dragging in both display modes, and the image viewer.

#include <QApplication>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "album/image_edit.h"
#include "app/commands.h"
#include "store/profiles.h"
#include "ui/folder_tree_pane.h"
#include "ui/image_edit_commands.h"
#include "ui/image_list_model.h"
#include "ui/image_list_view.h"
#include "ui/image_viewer_dialog.h"
#include "ui/main_frame.h"
#include "main_window_test_support.h"

using namespace albumsmith;
using namespace albumsmith::ui;
namespace fs = std::filesystem;

namespace {

using C = CommandId;
const char* const kProfile = "Edits";
const QStringList kBeach = {"kodak-dc210.jpg", "olympus-d320l.jpg", "sanyo-vpcg250.jpg"};

fs::path Data(const char* name) { return fs::path(ALBUMSMITH_TEST_DATA) / "ui" / name; }

QStringList Shown(const ImageListView* view) {
  QStringList names;
  for (int row = 0; row < view->model()->rowCount(); ++row)
    names << view->model()->index(row, kSortByFileName).data().toString();
  return names;
}

QStringList Numbers(const ImageListView* view) {
  QStringList numbers;
  for (int row = 0; row < view->model()->rowCount(); ++row)
    numbers << view->model()->index(row, kSortByPosition).data().toString();
  return numbers;
}

void SelectRows(ImageListView* view, std::initializer_list<int> rows) {
  QItemSelectionModel* selection = view->thumbnailView()->selectionModel();
  selection->clearSelection();
  view->currentView()->setFocus();
  for (int row : rows)
    selection->select(view->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  selection->setCurrentIndex(view->model()->index(*rows.begin(), 0), QItemSelectionModel::NoUpdate);
}

// One drag of the item at `dragged` over the item at `target`, released
// there when the list allows it, as the list's drag handlers see it (events
// made up by a test do not reach widgets without a real drag under way).
// Returns whether the list accepted the drop at that place.
bool DragOnto(ImageListView* view, int dragged, int target) {
  std::unique_ptr<QMimeData> data(view->reorderData(dragged));
  const bool accepted = view->dropAllowed(data.get(), target);
  if (accepted) view->dropReorder(data.get(), target);
  return accepted;
}

}  // namespace

class ImageEditWindowTests : public MainWindowTestCase {
  Q_OBJECT

 private:
  fs::path profileDir() const { return profileDirOf(kProfile); }
  fs::path images(const char* folder) const { return profileDir() / "ImageTree" / folder; }
  fs::path thumbs(const char* folder) const { return profileDir() / "albsite/s" / folder; }
  fs::path medium(const char* folder) const { return profileDir() / "albsite/m" / folder; }

  void makeProfile() {
    ProfileSettings settings = NewProfileSettings(kProfile);
    QVERIFY(CreateProfile(profilesDir(), settings));
    for (const char* folder : {"Beach", "City", "Six"}) fs::create_directories(images(folder));
    for (const QString& name : kBeach)
      fs::copy_file(Data(name.toUtf8().constData()), images("Beach") / name.toStdString());
    for (int i = 0; i < 6; ++i)
      fs::copy_file(Data("kodak-dc210.jpg"), images("Six") / ("p" + std::to_string(i) + ".jpg"));
  }

  std::unique_ptr<MainFrame> openWindow() { return MainWindowTestCase::openWindow(kProfile, QSize(900, 640)); }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }
  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
    makeProfile();
  }
  void cleanup() { tearDownTest(); }

  // The dialog takes several files at once and opens the next time where
  // the last import was made; what it chose is copied and shown.
  void importThroughTheDialog() {
    auto frame = openWindow();
    showFolder(*frame, "City/");
    QVERIFY(enabled(*frame, C::kImportImages));
    const QString dataDir = QString::fromStdString(fs::canonical(Data("kodak-dc210.jpg").parent_path()).string());
    WhenModal<QFileDialog>(watchers_.get(), [&](QFileDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Import image(s)"));
      QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
      QVERIFY(dialog->nameFilters().first().startsWith(QStringLiteral("JPEG Files (*.jpg)")));
      dialog->setDirectory(dataDir);
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(name);
      name->setText(QStringLiteral("\"kodak-dc210.jpg\" \"sony-cybershot.jpg\""));
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as its Open button
    });
    frame->action(C::kImportImages)->trigger();
    QTRY_COMPARE(Shown(frame->imageView()), QStringList({"kodak-dc210.jpg", "sony-cybershot.jpg"}));
    QVERIFY(fs::exists(images("City") / "sony-cybershot.jpg"));

    WhenModal<QFileDialog>(watchers_.get(), [&](QFileDialog* dialog) {
      QCOMPARE(dialog->directory().absolutePath(), dataDir);
      dialog->reject();
    });
    frame->action(C::kImportImages)->trigger();
    QCOMPARE(Shown(frame->imageView()).size(), 2);
  }

  // Files dropped on the window: a JPEG by its bytes is taken (and named
  // .jpg), a text file refused with its name, a directory becomes a folder.
  void dropOnTheWindow() {
    auto frame = openWindow();
    showFolder(*frame, "City/");
    QTemporaryDir outside;
    const fs::path dir(outside.path().toStdString());
    fs::copy_file(Data("kodak-dc210.jpg"), dir / "photo.jpeg");
    std::ofstream(dir / "notes.txt") << "notes";
    fs::create_directories(dir / "Harbour");
    fs::copy_file(Data("sony-cybershot.jpg"), dir / "Harbour" / "boat.jpg");

    frame->imageEdits()->dropPaths(
        {(dir / "photo.jpeg").string(), (dir / "notes.txt").string(), (dir / "Harbour").string()});
    QCOMPARE(prompter_.texts(), std::vector<std::string>{"notes.txt discarded. Only JPEG files are accepted"});
    QTRY_COMPARE(Shown(frame->imageView()), QStringList{"photo.jpg"});
    QVERIFY(fs::exists(images("City") / "Harbour" / "boat.jpg"));
    QVERIFY(frame->folderTree()->folders().tree().FindPath("City/Harbour/") != nullptr);
    QCOMPARE(frame->imageView()->list().folder(), std::string("City/"));
  }

  void deleteAsksAndRemovesThePhoto() {
    auto frame = openWindow();
    showFolder(*frame, "Beach/");
    ImageListView* view = frame->imageView();
    SelectRows(view, {1});
    QVERIFY(enabled(*frame, C::kDeleteImages));
    prompter_.Queue(Answer::Cancel);
    frame->action(C::kDeleteImages)->trigger();
    QCOMPARE(Shown(view), kBeach);
    frame->action(C::kDeleteImages)->trigger();
    QCOMPARE(prompter_.texts(), std::vector<std::string>({"Delete 1 image(s)", "Delete 1 image(s)"}));
    QTRY_COMPARE(Shown(view), QStringList({"kodak-dc210.jpg", "sanyo-vpcg250.jpg"}));
    QVERIFY(!fs::exists(images("Beach") / "olympus-d320l.jpg"));
    QVERIFY(!fs::exists(thumbs("Beach") / "olympus-d320l.jpg"));

    // The Delete key in the list does the same.
    SelectRows(view, {0});
    QTest::keyClick(view->currentView(), Qt::Key_Delete);
    QTRY_COMPARE(Shown(view), QStringList{"sanyo-vpcg250.jpg"});
    QCOMPARE(QString::fromStdString(prompter_.texts().back()), QStringLiteral("Delete 1 image(s)"));
  }

  // Cut two photos, paste them into another folder, undo: every file is
  // back where it was, and Undo is off again.
  void cutPasteAndUndo() {
    auto frame = openWindow();
    QCOMPARE(
        frame->action(C::kUndo)->shortcuts(),
        QList<QKeySequence>({QKeySequence(QStringLiteral("Ctrl+Z")), QKeySequence(QStringLiteral("Alt+Backspace"))}));
    showFolder(*frame, "Beach/");
    ImageListView* view = frame->imageView();
    QVERIFY(!enabled(*frame, C::kPaste));
    SelectRows(view, {0, 2});
    frame->action(C::kCut)->trigger();
    auto* clipboard = frame->findChild<QLabel*>(QStringLiteral("ClipboardPane"));
    QTRY_COMPARE(clipboard->text(), QStringLiteral(" Cut 2 image(s)"));
    SaveScreenshot(frame.get(), QStringLiteral("edit-window"));

    showFolder(*frame, "City/");
    QVERIFY(enabled(*frame, C::kPaste));
    QVERIFY(!enabled(*frame, C::kUndo));
    frame->action(C::kPaste)->trigger();
    QTRY_COMPARE(Shown(view), QStringList({"kodak-dc210.jpg", "sanyo-vpcg250.jpg"}));
    QTRY_VERIFY_WITH_TIMEOUT(!view->loading(), kWorkerLimitMs);
    QVERIFY(fs::exists(thumbs("City") / "kodak-dc210.jpg"));
    QVERIFY(fs::exists(medium("City") / "kodak-dc210.jpg"));
    QVERIFY(!fs::exists(images("Beach") / "kodak-dc210.jpg"));
    QVERIFY(!fs::exists(thumbs("Beach") / "kodak-dc210.jpg"));
    QVERIFY(enabled(*frame, C::kUndo));

    frame->action(C::kUndo)->trigger();
    QTRY_VERIFY(Shown(view).isEmpty());
    for (const char* name : {"kodak-dc210.jpg", "sanyo-vpcg250.jpg"}) {
      QVERIFY(fs::exists(images("Beach") / name));
      QVERIFY(fs::exists(thumbs("Beach") / name));
      QVERIFY(fs::exists(thumbs("Beach") / (std::string(name) + ".html")));
      QVERIFY(fs::exists(medium("Beach") / name));
      QVERIFY(!fs::exists(images("City") / name));
    }
    QVERIFY(!enabled(*frame, C::kUndo));
    QVERIFY(prompter_.texts().empty());

    // A record names folders of its own profile: opening a profile drops it.
    // The record stays after a paste: the same photos can be pasted again.
    QVERIFY(enabled(*frame, C::kPaste));
    frame->action(C::kPaste)->trigger();
    QTRY_VERIFY(enabled(*frame, C::kUndo));
    frame->openProfile(ReadProfile(profilesDir(), kProfile));
    QVERIFY(!enabled(*frame, C::kPaste));
    QVERIFY(!enabled(*frame, C::kUndo));
    QTRY_COMPARE(clipboard->text(), QStringLiteral(" "));
  }

  // Dragging image 2 onto image 5 of six, in each display mode; a drop on
  // the next image is refused; outside the position order nothing drags.
  void dragReordersInBothModes() {
    auto frame = openWindow();
    showFolder(*frame, "Six/");
    ImageListView* view = frame->imageView();
    QVERIFY(!view->canStartReorder());
    QCOMPARE(prompter_.texts(), std::vector<std::string>{"Only move items in sort-by-position display"});
    view->chooseOrdering(kSortByPosition);
    QVERIFY(view->canStartReorder());
    const QStringList six = {"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"};
    QCOMPARE(Shown(view), six);

    for (int mode : {ImageList::kThumbnails, ImageList::kDetails}) {
      view->setListMode(mode);
      QCoreApplication::processEvents();
      const QStringList before = Shown(view);
      SelectRows(view, {1});
      QVERIFY2(!DragOnto(view, 1, 2), "a drop on the next image is refused");
      QVERIFY(!DragOnto(view, 1, 1));
      QCOMPARE(Shown(view), before);
      QVERIFY(DragOnto(view, 1, 4));
      const QStringList expected = {before[0], before[2], before[3], before[1], before[4], before[5]};
      QCOMPARE(Shown(view), expected);
      QCOMPARE(Numbers(view), QStringList({"01", "02", "03", "04", "05", "06"}));
      std::ifstream pos(thumbs("Six") / "sort.pos");
      std::string line;
      std::getline(pos, line);
      QStringList stored;
      while (std::getline(pos, line)) stored << QString::fromStdString(line);
      QCOMPARE(stored, expected);
    }
    QCOMPARE(Shown(view), QStringList({"p0.jpg", "p3.jpg", "p1.jpg", "p2.jpg", "p4.jpg", "p5.jpg"}));

    // Two selected: the drop says so and changes nothing.
    SelectRows(view, {0, 1});
    QVERIFY(DragOnto(view, 0, 4));
    QCOMPARE(prompter_.texts().back(), std::string("Cannot move multiple images"));
    QCOMPARE(Shown(view), QStringList({"p0.jpg", "p3.jpg", "p1.jpg", "p2.jpg", "p4.jpg", "p5.jpg"}));
  }

  void viewerStepsThroughTheFolder() {
    auto frame = openWindow();
    showFolder(*frame, "Beach/");
    ImageListView* view = frame->imageView();
    std::ofstream(thumbs("Beach") / "olympus-d320l.jpg.comment") << "Low tide\nsecond line";
    SelectRows(view, {0});
    QVERIFY(enabled(*frame, C::kDisplayImage));
    bool seen = false;
    WhenModal<ImageViewerDialog>(watchers_.get(), [&](ImageViewerDialog* viewer) {
      seen = true;
      QCOMPARE(viewer->windowTitle(), QStringLiteral("kodak-dc210.jpg"));
      QCOMPARE(viewer->number()->text(), QStringLiteral(" Image 01"));
      QVERIFY(!viewer->previousButton()->isEnabled());
      QVERIFY(viewer->nextButton()->isEnabled());
      const QPixmap picture = viewer->picture()->pixmap();
      QVERIFY(!picture.isNull());
      QVERIFY(picture.width() <= ImageViewerDialog::kAreaWidth && picture.height() <= ImageViewerDialog::kAreaHeight);
      QCOMPARE(viewer->picture()->x(), (ImageViewerDialog::kAreaWidth - picture.width()) / 2);

      QTest::mouseClick(viewer->nextButton(), Qt::LeftButton);
      QCOMPARE(viewer->number()->text(), QStringLiteral(" Image 02"));
      QCOMPARE(viewer->comment()->text(), QStringLiteral("Low tide"));
      QVERIFY(viewer->previousButton()->isEnabled());
      QTest::keyClick(viewer, Qt::Key_Right);
      QCOMPARE(viewer->number()->text(), QStringLiteral(" Image 03"));
      QVERIFY(!viewer->nextButton()->isEnabled());
      QTest::keyClick(viewer, Qt::Key_Right);
      QCOMPARE(viewer->number()->text(), QStringLiteral(" Image 03"));
      QTest::keyClick(viewer, Qt::Key_Left);
      QCOMPARE(viewer->windowTitle(), QStringLiteral("olympus-d320l.jpg"));
      SaveScreenshot(viewer, QStringLiteral("edit-viewer"));
      QTest::keyClick(viewer, Qt::Key_Escape);
    });
    frame->action(C::kDisplayImage)->trigger();
    QVERIFY(seen);
    QVERIFY(!QApplication::activeModalWidget());
  }
};

std::unique_ptr<QObject> NewImageEditWindowTests() { return std::make_unique<ImageEditWindowTests>(); }

#include "image_edit_window_tests.moc"
