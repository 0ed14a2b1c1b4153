#pragma once
// The main window: menus and tool bar built from the core's command set, the
// ordering selector, the status bar fed by window messages, the docked
// "Directory tree" pane and the image list view. It runs the start-up steps
// of the window and the profile commands, and decides which commands are
// enabled (the core's rule for each, and only for the features this front end
// has) whenever something those rules read changes.

#include <QMainWindow>
#include <QMap>
#include <set>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/manual.h"
#include "app/window_messages.h"
#include "platform/window_sink.h"
#include "app/commands.h"
#include "publish/sync_start.h"
#include "update/version_check.h"

class QAction;
class QComboBox;
class QDockWidget;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;

namespace albumsmith {
class AppSettings;
class FolderRights;
class UsersStore;
struct ImageClipboard;
}  // namespace albumsmith

namespace albumsmith::ui {

class FolderTreePane;
class ImageEditCommands;
class ImageListView;
class QtWindowSink;
class SyncController;
class UsersWindow;

struct StartOptions {
  // Opens this profile at start instead of showing the profiles dialog.
  std::optional<std::string> profile;
  // Whether the profiles dialog opens half a second after start.
  bool profilesDialogAtStart = true;
};

class MainFrame : public QMainWindow {
  Q_OBJECT
 public:
  MainFrame(AppSettings& settings, Languages& languages, StartOptions options = {}, QWidget* parent = nullptr);
  ~MainFrame() override;

  WindowSink& windowSink();
  const Session& session() const { return session_; }
  const StatusBarState& statusBarState() const { return statusState_; }
  QAction* action(CommandId id) const { return actions_.value(id); }
  FolderTreePane* folderTree() const { return treePane_; }
  ImageListView* imageView() const { return imageView_; }
  ImageEditCommands* imageEdits() const { return edits_; }
  // What the enabling rules see now.
  CommandState commandState() const;
  // Enables, disables and checks every command; runs on each change of what
  // commandState() reads.
  void updateCommands();

  // Makes `settings` the open profile.
  void openProfile(ProfileSettings settings);

  // The "Open profile" and "New" commands.
  void openProfileCommand();
  void newProfileCommand();

  // The server commands and "Base directory".
  void syncFolderCommand();
  void syncProfileCommand();
  void baseDirectoryCommand();
  SyncController* syncController() const { return sync_; }
  // The "Users management" window (made with this window, shown by its command).
  UsersWindow* usersWindow() const { return usersWindow_; }

 signals:
  // A pane or worker asked for a folder to be shown in the image list.
  void showFolderRequested(const QString& folderPath);
  void pasteRequested(std::shared_ptr<albumsmith::ImageClipboard> record);
  void undoPasteRequested(std::shared_ptr<albumsmith::ImageClipboard> record);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createStatusBar();
  void createDock();
  void placeWindow();
  void restoreWindowState();
  void saveWindowState();
  void runStartTimers(const StartOptions& options);
  // Connects every object whose state the enabling rules read to updateCommands.
  void connectCommandUpdates();
  // At most one check a run, on its own thread; a newer release opens the
  // announcement on this window's thread.
  void startVersionCheck();

  // Whether this front end does the command's work yet: the others stay
  // visible and disabled.
  bool available(CommandId id) const { return wired_.count(id) != 0; }
  // Connects a command to its work and marks it available.
  template <typename F>
  void wire(CommandId id, F&& work);
  // Runs a command the way its menu entry would: only when enabled now.
  void runCommand(CommandId id);
  void onShowFolder(const QString& folderPath);
  void rebuildLanguageMenu();
  void runProfilesDialog(bool startWithWizard);
  void globalPropertiesCommand();
  void previewCommand();
  void addLanguageCommand();
  void forumCommand();
  // Opens a page of the manual in the user's browser.
  void openManual(ManualPage page);
  void aboutCommand();
  // What a run needs of the window, taken when a command starts.
  SyncEnvironment syncEnvironment() const;
  void onSyncFinished(const SyncOutcome& outcome);

  void renderStatusBar();
  void onProgress(int maximum, int position);
  void onStatus(const QString& text);
  void onClipboard(bool isCut, int count);
  void onSortSelector(int index);

  AppSettings& settings_;
  Languages& languages_;
  Session session_;
  int checkVersion_ = 0;
  std::unique_ptr<CCheckVers> versionCheck_ = std::make_unique<CCheckVers>();
  StatusBarState statusState_;

  QtWindowSink* sink_;
  SyncController* sync_;
  QMap<CommandId, QAction*> actions_;
  std::set<CommandId> wired_;
  QMenu* folderMenu_ = nullptr;
  FolderTreePane* treePane_ = nullptr;
  ImageListView* imageView_ = nullptr;
  ImageEditCommands* edits_ = nullptr;
  QMenu* languageMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QComboBox* sortSelector_ = nullptr;
  QDockWidget* treeDock_ = nullptr;
  QLabel* statusPane_ = nullptr;
  QLabel* clipboardPane_ = nullptr;
  // The visitors, loaded with the window, and the open profile's folder rights.
  std::unique_ptr<UsersStore> users_;
  std::unique_ptr<FolderRights> rights_;
  UsersWindow* usersWindow_ = nullptr;
  QLabel* progressPane_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
};

}  // namespace albumsmith::ui
