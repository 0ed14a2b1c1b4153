// The main window with a profile open, driven headless: the folder tree pane
// and the image list view against what they leave on disk (remdir.dat,
// sort.inf / sort.pos, the .comment files, the folders themselves), and the
// enabling of commands as the window's state changes.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QItemSelectionModel>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "app/application.h"
#include "app/commands.h"
#include "platform/app_settings.h"
#include "platform/prompter.h"
#include "platform/strings.h"
#include "platform/user_dirs.h"
#include "site/folder_properties.h"
#include "store/profiles.h"
#include "ui/folder_properties_dialog.h"
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

// The profile every test opens: three folders, five photos.
const char* const kProfile = "Trips";
const struct {
  const char* folder;
  const char* photo;
} kPhotos[] = {
    {"Alps", "fujifilm-finepix40i.jpg"}, {"Alps", "sony-cybershot.jpg"}, {"Beach", "kodak-dc210.jpg"},
    {"Beach", "olympus-d320l.jpg"},      {"Beach", "sanyo-vpcg250.jpg"},
};

// Beach's photos by file name, and by Exif date: the Olympus picture has no
// date (an empty key sorts first), the Sanyo one was taken in 1998.
const QStringList kBeachByName = {"kodak-dc210.jpg", "olympus-d320l.jpg", "sanyo-vpcg250.jpg"};
const QStringList kBeachByDate = {"olympus-d320l.jpg", "sanyo-vpcg250.jpg", "kodak-dc210.jpg"};
const QStringList kBeachByDateDown = {"kodak-dc210.jpg", "sanyo-vpcg250.jpg", "olympus-d320l.jpg"};

std::vector<std::string> Lines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::optional<std::string> FileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

QStringList ChildTexts(const QTreeWidgetItem* item) {
  QStringList texts;
  for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
  return texts;
}

// The file names the list shows, top to bottom.
QStringList Shown(const ImageListView* view) {
  QStringList names;
  for (int row = 0; row < view->model()->rowCount(); ++row)
    names << view->model()->index(row, kSortByFileName).data().toString();
  return names;
}

void ClickHeader(QTreeView* view, int column) {
  QHeaderView* header = view->header();
  const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
}

}  // namespace

class AlbumWindowTests : public MainWindowTestCase {
  Q_OBJECT

 private:
  fs::path profileDir() const { return profileDirOf(kProfile); }
  fs::path imageTree() const { return profileDir() / "ImageTree"; }
  fs::path thumbnails() const { return profileDir() / "albsite" / "s"; }
  std::vector<std::string> remdir() const { return Lines(profileDir() / "remdir.dat"); }

  void makeProfile() {
    ProfileSettings settings = NewProfileSettings(kProfile);
    QVERIFY(CreateProfile(profilesDir(), settings));
    fs::create_directories(imageTree() / "City");
    for (const auto& p : kPhotos) {
      fs::create_directories(imageTree() / p.folder);
      fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "ui" / p.photo, imageTree() / p.folder / p.photo);
    }
  }

  QLineEdit* waitForEditor(QAbstractItemView* view) {
    QLineEdit* editor = nullptr;
    const QDeadlineTimer limit(3000);
    while (!editor && !limit.hasExpired()) {
      QTest::qWait(20);
      editor = qobject_cast<QLineEdit*>(view->indexWidget(view->currentIndex()));
    }
    return editor;
  }

 private slots:
  void initTestCase() { QVERIFY(setUpRun()); }

  void init() {
    QVERIFY(setUpTest());
    setUpWindow();
    makeProfile();
  }

  void cleanup() { tearDownTest(); }

  // Opening shows the root; a folder's images come in name order, their
  // pictures and dates once the worker made them; clicks on the headers, the
  // display modes and the ordering selector sort the list and the order files
  // follow; comments are edited in place.
  void imageListFollowsFolderAndOrdering() {
    auto frame = openWindow(kProfile);
    FolderTreePane* pane = frame->folderTree();
    ImageListView* view = frame->imageView();
    ImageListModel* model = view->model();
    auto* selector = frame->findChild<QComboBox*>(QStringLiteral("SortSelector"));

    QCOMPARE(frame->windowTitle(), QStringLiteral("Trips - Albumsmith"));
    QTreeWidgetItem* root = pane->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("Trips"));
    QCOMPARE(ChildTexts(root), QStringList({"Alps", "Beach", "City"}));
    QCOMPARE(pane->currentItem(), root);
    waitForFolder(*frame, "");
    QCOMPARE(view->itemCount(), 0);
    QCOMPARE(remdir(), std::vector<std::string>({"1 1 Alps", "2 1 Beach", "3 1 City"}));

    QVERIFY(pane->selectPath("Beach/"));
    waitForFolder(*frame, "Beach/");
    QCOMPARE(Shown(view), kBeachByName);
    const fs::path sortInf = thumbnails() / "Beach" / "sort.inf";
    QCOMPARE(Lines(sortInf),
             std::vector<std::string>({"2", "kodak-dc210.jpg", "olympus-d320l.jpg", "sanyo-vpcg250.jpg"}));
    QVERIFY(selector->isEnabled());
    for (int row = 0; row < 3; ++row) {
      QVERIFY(!model->index(row, 0).data(ImageListModel::kThumbnailRole).value<QPixmap>().isNull());
      QCOMPARE(model->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().size(), QSize(50, 50));
      QCOMPARE(model->index(row, 0).data(Qt::ToolTipRole).toString(), kBeachByName[row]);
    }
    const int sanyo = model->rowOf(QStringLiteral("sanyo-vpcg250.jpg"));
    QCOMPARE(model->index(sanyo, kSortByDate).data().toString(), QStringLiteral("01-jan-98 00:00:00"));
    QCOMPARE(model->index(sanyo, kSortByPosition).data().toString(), QStringLiteral("03"));

    frame->action(C::kList)->trigger();
    QCOMPARE(view->currentWidget(), view->detailView());
    QHeaderView* header = view->detailView()->header();
    QCOMPARE(header->sortIndicatorSection(), int(kSortByFileName));

    // Each step: what the user does, then the list, the header and sort.inf.
    const struct {
      const char* step;
      std::function<void()> act;
      QStringList shown;
      int ordering;
      Qt::SortOrder arrow;
    } steps[] = {
        {"Date header", [&] { ClickHeader(view->detailView(), kSortByDate); }, kBeachByDate, kSortByDate,
         Qt::AscendingOrder},
        {"Date header again", [&] { ClickHeader(view->detailView(), kSortByDate); }, kBeachByDateDown, kSortByDate,
         Qt::DescendingOrder},
        // Thumbnails always run ascending; the list keeps its direction.
        {"thumbnails", [&] { frame->action(C::kThumbnails)->trigger(); }, kBeachByDate, kSortByDate,
         Qt::DescendingOrder},
        {"list again", [&] { frame->action(C::kList)->trigger(); }, kBeachByDateDown, kSortByDate, Qt::DescendingOrder},
        {"Filename header", [&] { ClickHeader(view->detailView(), kSortByFileName); }, kBeachByName, kSortByFileName,
         Qt::AscendingOrder},
    };
    for (const auto& s : steps) {
      s.act();
      QVERIFY2(Shown(view) == s.shown, s.step);
      QVERIFY2(header->sortIndicatorSection() == s.ordering && header->sortIndicatorOrder() == s.arrow, s.step);
      QTRY_VERIFY2(selector->currentIndex() == s.ordering, s.step);
      // The file holds the order last saved: a mode switch saves nothing.
      const std::vector<std::string> stored = Lines(sortInf);
      QVERIFY2(!stored.empty() && stored.front() == std::to_string(s.ordering), s.step);
    }
    QCOMPARE(Lines(sortInf),
             std::vector<std::string>({"2", "kodak-dc210.jpg", "olympus-d320l.jpg", "sanyo-vpcg250.jpg"}));

    // Sorting by date leaves the positions alone: "Sort by position" in the
    // selector brings back the order the folder was given (name order for a
    // new folder) and starts sort.pos.
    ClickHeader(view->detailView(), kSortByDate);
    QVERIFY(!fs::exists(thumbnails() / "Beach" / "sort.pos"));
    selector->setCurrentIndex(kSortByPosition);
    emit selector->activated(kSortByPosition);
    QCOMPARE(Shown(view), kBeachByName);
    QCOMPARE(Lines(sortInf),
             std::vector<std::string>({"3", "kodak-dc210.jpg", "olympus-d320l.jpg", "sanyo-vpcg250.jpg"}));
    QCOMPARE(Lines(thumbnails() / "Beach" / "sort.pos"), Lines(sortInf));
    QCOMPARE(model->index(0, kSortByPosition).data().toString(), QStringLiteral("01"));
    QCOMPARE(header->sortIndicatorSection(), int(kSortByPosition));

    QVERIFY(pane->selectPath("Alps/"));
    waitForFolder(*frame, "Alps/");
    QCOMPARE(view->itemCount(), 2);

    // Comments: typed in the thumbnails, emptied in the list.
    QVERIFY(pane->selectPath("Beach/"));
    waitForFolder(*frame, "Beach/");
    const QString first = Shown(view).front();
    const fs::path comment = imageTree() / "Beach" / (first.toStdString() + ".comment");
    const fs::path commentCopy = thumbnails() / "Beach" / (first.toStdString() + ".comment");
    const struct {
      const char* mode;
      CommandId command;
      const char* typed;
      const char* shown;
      std::optional<std::string> stored;
    } edits[] = {
        {"thumbnails", C::kThumbnails, "Low tide", "Low tide", "Low tide"},
        {"list", C::kList, "", "Enter your comment", std::nullopt},
    };
    for (const auto& e : edits) {
      frame->action(e.command)->trigger();
      QAbstractItemView* shownView = view->currentView();
      const QModelIndex index = model->index(model->rowOf(first), 0);
      shownView->setCurrentIndex(index);
      shownView->edit(index);
      QLineEdit* editor = waitForEditor(shownView);
      QVERIFY2(editor, e.mode);
      editor->setText(QString::fromUtf8(e.typed));
      QTest::keyClick(editor, Qt::Key_Return);
      QTRY_COMPARE(model->index(model->rowOf(first), 0).data().toString(), QString::fromUtf8(e.shown));
      QVERIFY2(FileText(comment) == e.stored, e.mode);
      QVERIFY2(FileText(commentCopy) == e.stored, e.mode);
    }

    // The list's own keys select, copy and unselect.
    QAbstractItemView* list = view->currentView();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectedCount(), 3);
    QVERIFY(enabled(*frame, C::kUnselect));
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    auto* clipboard = frame->findChild<QLabel*>(QStringLiteral("ClipboardPane"));
    QTRY_COMPARE(clipboard->text(), QStringLiteral(" Copy 3 image(s)"));
    QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(view->selectedCount(), 0);
    QVERIFY(!enabled(*frame, C::kUnselect));
    QVERIFY(enabled(*frame, C::kPaste));
  }

  // Rename, reorder, new, delete and move change the disk, remdir.dat, the
  // items and the folder the list shows together.
  void folderCommandsKeepDiskTreeAndList() {
    auto frame = openWindow(kProfile);
    FolderTreePane* pane = frame->folderTree();
    ImageListView* view = frame->imageView();
    QTreeWidgetItem* root = pane->topLevelItem(0);
    waitForFolder(*frame, "");

    // Rename through the command; the list follows the new name.
    QVERIFY(pane->selectPath("Alps/"));
    waitForFolder(*frame, "Alps/");
    frame->action(C::kRenameFolder)->trigger();
    QLineEdit* editor = waitForEditor(pane);
    QVERIFY(editor);
    editor->setText(QStringLiteral("Mountains"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(pane->currentItem()->text(0), QStringLiteral("Mountains"));
    for (const fs::path& dir : {imageTree(), thumbnails(), profileDir() / "albsite" / "m"}) {
      QVERIFY(fs::is_directory(dir / "Mountains"));
      QVERIFY(!fs::exists(dir / "Alps"));
    }
    QCOMPARE(remdir(), std::vector<std::string>({"1 1 Mountains", "2 1 Beach", "3 1 City"}));
    QTRY_VERIFY(view->list().folder() == "Mountains/");
    QCOMPARE(view->itemCount(), 2);

    // A name that is taken: the message, and the name is edited again.
    frame->action(C::kRenameFolder)->trigger();
    editor = waitForEditor(pane);
    QVERIFY(editor);
    editor->setText(QStringLiteral("Beach"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(told("Cannot rename folder. Name already exists."));
    QTest::qWait(50);  // the first editor is gone before the second one opens
    editor = waitForEditor(pane);
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(ChildTexts(root), QStringList({"Mountains", "Beach", "City"}));
    QCOMPARE(remdir(), std::vector<std::string>({"1 1 Mountains", "2 1 Beach", "3 1 City"}));

    // The root keeps the profile's name: F2 opens no editor there.
    pane->setCurrentItem(root);
    QVERIFY(!enabled(*frame, C::kRenameFolder));
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_F2);
    QTest::qWait(250);
    QVERIFY(!pane->indexWidget(pane->currentIndex()));

    // Before, twice: the last folder becomes the first, still selected.
    QVERIFY(pane->selectPath("City/"));
    waitForFolder(*frame, "City/");
    frame->action(C::kBefore)->trigger();
    QCOMPARE(ChildTexts(root), QStringList({"Mountains", "City", "Beach"}));
    QCOMPARE(remdir(), std::vector<std::string>({"1 1 Mountains", "3 1 City", "2 1 Beach"}));
    QVERIFY(enabled(*frame, C::kBefore));
    frame->action(C::kBefore)->trigger();
    QCOMPARE(ChildTexts(root), QStringList({"City", "Mountains", "Beach"}));
    QCOMPARE(remdir(), std::vector<std::string>({"3 1 City", "1 1 Mountains", "2 1 Beach"}));
    QCOMPARE(pane->currentItem()->text(0), QStringLiteral("City"));
    QVERIFY(!enabled(*frame, C::kBefore));
    QVERIFY(enabled(*frame, C::kAfter));
    QCOMPARE(view->list().folder(), std::string("City/"));

    // Insert makes "New folder" and opens its name for editing.
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_Insert);
    editor = waitForEditor(pane);
    QVERIFY(editor);
    QVERIFY(fs::is_directory(imageTree() / "City" / "New folder"));
    editor->setText(QStringLiteral("Harbour"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(fs::is_directory(imageTree() / "City" / "Harbour"));
    QVERIFY(!fs::exists(imageTree() / "City" / "New folder"));
    QCOMPARE(remdir(), std::vector<std::string>({"3 1 City", "4 2 Harbour", "1 1 Mountains", "2 1 Beach"}));

    // Delete asks, then the folder goes and its parent is shown.
    QVERIFY(pane->selectPath("City/Harbour/"));
    pane->setFocus();
    prompter_.Clear();
    QTest::keyClick(pane, Qt::Key_Delete);
    QVERIFY(told(FormatString(TextId::kDeleteFolderQuestion, {"Harbour"})));
    QVERIFY(!fs::exists(imageTree() / "City" / "Harbour"));
    QCOMPARE(remdir(), std::vector<std::string>({"3 1 City", "1 1 Mountains", "2 1 Beach"}));
    QCOMPARE(pane->currentItem()->text(0), QStringLiteral("City"));
    QTRY_VERIFY(view->list().folder() == "City/");

    // A drop onto the folder's own parent is refused; onto another folder it moves.
    prompter_.Clear();
    QVERIFY(!pane->moveFolder("Beach/", ""));
    QVERIFY(told(LoadString(TextId::kCannotMoveToItself)));
    QVERIFY(pane->moveFolder("Beach/", "City/"));
    QVERIFY(told(FormatString(TextId::kMoveFolderQuestion, {"Beach", "City"})));
    QVERIFY(fs::exists(imageTree() / "City" / "Beach" / "kodak-dc210.jpg"));
    QVERIFY(!fs::exists(imageTree() / "Beach"));
    QCOMPARE(ChildTexts(pane->topLevelItem(0)), QStringList({"City", "Mountains"}));
    QCOMPARE(pane->selectedPath(), std::optional<std::string>("City/Beach/"));
    waitForFolder(*frame, "City/Beach/");
    QCOMPARE(Shown(view), kBeachByName);

    // Collapsing hands the selection to the collapsed folder and leaves only
    // the placeholder that keeps its expand button; opening reads the disk again.
    QTreeWidgetItem* city = pane->itemForPath("City/");
    city->setExpanded(false);
    QCOMPARE(pane->currentItem(), city);
    QCOMPARE(city->childCount(), 1);
    QTRY_VERIFY(view->list().folder() == "City/");
    fs::create_directory(imageTree() / "City" / "Dunes");
    city->setExpanded(true);
    QCOMPARE(ChildTexts(city), QStringList({"Beach", "Dunes"}));
  }

  // "Properties" of the Folder menu opens the dialog on the folder selected
  // in the tree; its OK leaves the folder's Folder.ini.
  void folderPropertiesCommandOpensSelectedFolder() {
    auto frame = openWindow(kProfile);
    waitForFolder(*frame, "");
    QVERIFY(frame->folderTree()->selectPath("Beach/"));
    waitForFolder(*frame, "Beach/");
    std::string opened;
    WhenModal<FolderPropertiesDialog>(frame.get(), [&](FolderPropertiesDialog* dialog) {
      opened = dialog->folder();
      dialog->findChild<QCheckBox*>(QStringLiteral("CustomTitle"))->setChecked(true);
      dialog->findChild<QLineEdit*>(QStringLiteral("TitleText"))->setText(QStringLiteral("At the sea"));
      dialog->accept();
    });
    QVERIFY(enabled(*frame, C::kFolderProperties));
    frame->action(C::kFolderProperties)->trigger();
    QCOMPARE(opened, std::string("Beach/"));
    QCOMPARE(ReadFolderSettings(profileDir().string(), "Beach/").titleText, std::string("At the sea"));
    QVERIFY(!fs::exists(imageTree() / "Folder.ini"));
  }

  // Commands follow the core's rule for the state the window is in, and
  // stay off while this front end lacks their feature.
  void commandsFollowWindowState() {
    auto frame = openWindow(std::nullopt);
    FolderTreePane* pane = frame->folderTree();
    const struct {
      const char* situation;
      std::function<void()> arrange;
      std::vector<std::pair<CommandId, bool>> expected;
    } cases[] = {
        {"no profile",
         [] {},
         {{C::kNewProfile, true},
          {C::kOpenProfile, true},
          {C::kNewFolder, false},
          {C::kDeleteFolder, false},
          {C::kImportFolder, false},
          {C::kRenameFolder, false},
          {C::kMoveFolder, false},
          {C::kSelectAll, false},
          {C::kProfileProperties, false},
          {C::kFolderProperties, false},
          {C::kViewFolderTree, false},
          {C::kPreview, false}}},
        {"root selected",
         [&] {
           frame->openProfile(ReadProfile(profilesDir(), kProfile));
           waitForFolder(*frame, "");
         },
         {{C::kNewFolder, true},
          {C::kImportFolder, true},
          {C::kRenameFolder, false},
          {C::kMoveFolder, false},
          {C::kBefore, false},
          {C::kAfter, false},
          {C::kProfileProperties, true},
          {C::kFolderProperties, true},
          {C::kViewFolderTree, true},
          {C::kPreview, true}}},
        {"first folder selected",
         [&] {
           QVERIFY(pane->selectPath("Alps/"));
           waitForFolder(*frame, "Alps/");
         },
         {{C::kRenameFolder, true},
          {C::kMoveFolder, true},
          {C::kBefore, false},
          {C::kAfter, true},
          {C::kSelectAll, true},
          {C::kUnselect, false}}},
        {"last folder selected",
         [&] {
           QVERIFY(pane->selectPath("City/"));
           waitForFolder(*frame, "City/");
         },
         {{C::kBefore, true}, {C::kAfter, false}, {C::kSelectAll, false}}},
    };
    for (const auto& c : cases) {
      c.arrange();
      if (QTest::currentTestFailed()) return;
      for (const auto& [id, expected] : c.expected)
        QVERIFY2(enabled(*frame, id) == expected,
                 qPrintable(QStringLiteral("%1: %2").arg(c.situation, QString::fromUtf8(FindCommand(id)->menuText))));
    }
  }

  // The actions follow a change of state as it happens, with nothing
  // re-evaluating them on a clock: no repeating timer in the window, and
  // every check below reads the actions as they stand, without asking the
  // window to update them.
  void commandsFollowStateChangesAtOnce() {
    auto frame = openWindow(std::nullopt);
    for (const QTimer* timer : frame->findChildren<QTimer*>())
      QVERIFY2(!timer->isActive() || timer->isSingleShot(), qPrintable(timer->objectName()));
    const auto on = [&](CommandId id) { return frame->action(id)->isEnabled(); };
    FolderTreePane* pane = frame->folderTree();
    ImageListView* view = frame->imageView();

    frame->openProfile(ReadProfile(profilesDir(), kProfile));
    QVERIFY(on(C::kNewFolder));
    QVERIFY(!on(C::kRenameFolder));  // the root is selected
    waitForFolder(*frame, "");

    // The worker starts with the folder and holds the profile commands until
    // it ends: Synchronize goes off and comes back once.
    QVERIFY(on(C::kSyncProfile));
    QList<bool> syncStates;
    connect(frame->action(C::kSyncProfile), &QAction::changed, frame.get(),
            [&] { syncStates << frame->action(C::kSyncProfile)->isEnabled(); });
    QVERIFY(pane->selectPath("Beach/"));
    QVERIFY(on(C::kRenameFolder));
    QVERIFY(on(C::kBefore));
    QTRY_VERIFY_WITH_TIMEOUT(view->list().folder() == "Beach/" && !view->loading() && on(C::kSyncProfile),
                             kWorkerLimitMs);
    QCOMPARE(syncStates, QList<bool>({false, true}));
    QVERIFY(on(C::kOpenProfile));

    // The selection in the list.
    QVERIFY(on(C::kSelectAll));
    QVERIFY(!on(C::kDeleteImages));
    QItemSelectionModel* selection = view->thumbnailView()->selectionModel();
    selection->select(view->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(on(C::kDeleteImages));
    QVERIFY(on(C::kRotate90));
    QVERIFY(on(C::kUnselect));
    SaveScreenshot(frame.get(), QStringLiteral("commands-follow-selection"));
    selection->clearSelection();
    QVERIFY(!on(C::kDeleteImages));
    QVERIFY(!on(C::kUnselect));

    // The display mode and the status bar: their View entries are checked as they change.
    view->setListMode(ImageList::kDetails);
    QVERIFY(frame->action(C::kList)->isChecked());
    QVERIFY(!frame->action(C::kThumbnails)->isChecked());
    frame->action(C::kViewStatusBar)->trigger();
    QVERIFY(!frame->action(C::kViewStatusBar)->isChecked());
    frame->action(C::kViewStatusBar)->trigger();
    QVERIFY(frame->action(C::kViewStatusBar)->isChecked());
  }
};

std::unique_ptr<QObject> NewAlbumWindowTests() { return std::make_unique<AlbumWindowTests>(); }

#include "album_window_tests.moc"
