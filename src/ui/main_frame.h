#pragma once
// The main window: menus, tool bar with the ordering selector, the status bar
// fed by window messages, and the docked "Directory tree" pane. It runs the
// start-up steps of the window and the profile commands.

#include <QMainWindow>
#include <QMap>
#include <memory>
#include <optional>
#include <string>

#include "app/application.h"
#include "app/window_messages.h"
#include "platform/window_sink.h"
#include "ui/commands.h"

class QAction;
class QComboBox;
class QDockWidget;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;

namespace albumsmith {
class AppSettings;
struct ImageClipboard;
}  // namespace albumsmith

namespace albumsmith::ui {

class QtWindowSink;

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
  QAction* action(Command id) const { return actions_.value(id); }

  // Makes `settings` the open profile.
  void openProfile(ProfileSettings settings);

  // The "Open profile" and "New" commands.
  void openProfileCommand();
  void newProfileCommand();

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
  void runStartTimers(const StartOptions& options);

  void updateCommands();
  FrameState frameState() const;
  void rebuildLanguageMenu();
  void runProfilesDialog(bool startWithWizard);
  void globalPropertiesCommand();
  void addLanguageCommand();
  void forumCommand();
  void aboutCommand();

  void renderStatusBar();
  void onProgress(int maximum, int position);
  void onStatus(const QString& text);
  void onClipboard(bool isCut, int count);
  void onSortSelector(int index);

  AppSettings& settings_;
  Languages& languages_;
  Session session_;
  int checkVersion_ = 0;
  bool syncRunning_ = false;
  int displayMode_ = 0;
  StatusBarState statusState_;

  QtWindowSink* sink_;
  QMap<Command, QAction*> actions_;
  QMenu* languageMenu_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QComboBox* sortSelector_ = nullptr;
  QDockWidget* treeDock_ = nullptr;
  QLabel* statusPane_ = nullptr;
  QLabel* clipboardPane_ = nullptr;
  QLabel* progressPane_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
};

}  // namespace albumsmith::ui
