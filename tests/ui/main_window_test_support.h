#pragma once
// What the test classes of the main window share: opening it on a profile,
// showing a folder and waiting for its pictures, and asking whether a
// command is enabled as the menu would.

#include <QCoreApplication>
#include <QSize>
#include <QTest>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/commands.h"
#include "ui/folder_tree_pane.h"
#include "ui/image_list_view.h"
#include "ui/main_frame.h"
#include "ui_test_support.h"

// How long the image worker may take to make a folder's pictures.
inline constexpr int kWorkerLimitMs = 20000;

class MainWindowTestCase : public GuiTestCase {
 protected:
  // The window on `profile` (none: the window without a profile), at `size`
  // when one is given, shown.
  std::unique_ptr<albumsmith::ui::MainFrame> openWindow(std::optional<std::string> profile, QSize size = {}) {
    auto frame = std::make_unique<albumsmith::ui::MainFrame>(
        *settings_, *languages_,
        albumsmith::ui::StartOptions{.profile = std::move(profile), .profilesDialogAtStart = false});
    if (size.isValid()) frame->resize(size);
    frame->show();
    return frame;
  }

  // Waits until the list shows the folder and the worker has made every picture.
  void waitForFolder(albumsmith::ui::MainFrame& frame, const std::string& folder, int limitMs = kWorkerLimitMs) {
    albumsmith::ui::ImageListView* view = frame.imageView();
    QTRY_VERIFY(view->folderShown() && view->list().folder() == folder);
    QTRY_VERIFY_WITH_TIMEOUT(!view->loading(), limitMs);
    // The worker's last pictures are queued behind its end.
    QCoreApplication::processEvents();
  }

  // Selects the folder in the tree (the root is shown at the start) and waits for it.
  void showFolder(albumsmith::ui::MainFrame& frame, const std::string& folder, int limitMs = kWorkerLimitMs) {
    if (!folder.empty()) QVERIFY(frame.folderTree()->selectPath(folder));
    waitForFolder(frame, folder, limitMs);
  }

  // Whether the command is enabled once the window has brought its commands up to date.
  static bool enabled(albumsmith::ui::MainFrame& frame, albumsmith::CommandId id) {
    frame.updateCommands();
    return frame.action(id)->isEnabled();
  }
};
