#include "ui/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "album/profile_maintenance.h"
#include "app/manual.h"
#include "app/window_texts.h"
#include "imaging/transforms.h"
#include "platform/app_settings.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "site/template.h"
#include "store/folder_rights.h"
#include "store/profiles.h"
#include "store/users_store.h"
#include "ui/base_directory_dialog.h"
#include "ui/command_icons.h"
#include "ui/copy_files_dialog.h"
#include "ui/image_edit_commands.h"
#include "ui/folder_tree_pane.h"
#include "ui/global_properties_dialog.h"
#include "ui/image_list_view.h"
#include "ui/preview_window.h"
#include "ui/new_release_dialog.h"
#include "ui/profiles_dialog.h"
#include "ui/qt_text.h"
#include "ui/qt_window_sink.h"
#include "ui/sync_controller.h"
#include "ui/tag_dialog.h"
#include "ui/users_window.h"
#include "ui/verification_dialog.h"

namespace albumsmith::ui {

namespace {

using C = CommandId;

constexpr int kOpenProfilesDelayMs = 500;
// The ordering selector's place among the tool bar's entries (separators
// counted): right before Thumbnails, with the display modes of the list.
constexpr int kSortSelectorPlace = 22;
constexpr int kVersionCheckDelayMs = 5000;
constexpr int kSortSelectorWidth = 120;
constexpr int kInitialHeight = 700;
constexpr int kFirstWindowOffset = 40;
// The sort selector's entries, indexed by Ordering.
constexpr TextId kOrderingTexts[kOrderingCount] = {TextId::kSortByComment, TextId::kSortByDate, TextId::kSortByFileName,
                                                   TextId::kSortByPosition};

// The tool bar holds some forty buttons; with the style's roomy button
// margins they would not fit the window's first width.
class CompactToolBarStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    switch (metric) {
      case PM_ToolBarItemSpacing:
      case PM_ToolBarItemMargin:
        return 0;
      case PM_ToolBarSeparatorExtent:
        return 8;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                         const QWidget* widget) const override {
    const QSize size = QProxyStyle::sizeFromContents(type, option, contents, widget);
    return type == CT_ToolButton ? size.boundedTo(contents + QSize(6, 6)) : size;
  }
};

// A language module that blanks a link or the idle status gets the built-in text.
QString TextOrBuiltin(TextId id) {
  const std::string text = LoadString(id);
  return ToQString(text.empty() ? StringTable::Builtin(id) : text);
}

}  // namespace

MainFrame::MainFrame(AppSettings& settings, Languages& languages, StartOptions options, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      languages_(languages),
      sink_(new QtWindowSink(this)),
      sync_(new SyncController(this, *sink_)),
      users_(std::make_unique<UsersStore>()),
      rights_(std::make_unique<FolderRights>()) {
  // The menus and the bars are made in the language the settings choose.
  session_.profilesDir = StartUp(settings_, languages_);
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(ToQString(kMessageTitle));

  createActions();
  createMenus();
  createToolBar();
  createStatusBar();
  createDock();
  users_->Load(settings_);
  usersWindow_ = new UsersWindow(*users_, settings_, this);
  connect(usersWindow_, &UsersWindow::saved, treePane_, &FolderTreePane::refreshAccess);

  connect(sink_, &QtWindowSink::showFolder, this, &MainFrame::onShowFolder);
  connect(sink_, &QtWindowSink::progress, this, &MainFrame::onProgress);
  connect(sink_, &QtWindowSink::status, this, &MainFrame::onStatus);
  connect(sink_, &QtWindowSink::sortSelector, this, &MainFrame::onSortSelector);
  connect(sink_, &QtWindowSink::clipboard, this, &MainFrame::onClipboard);
  connect(sink_, &QtWindowSink::paste, this, &MainFrame::pasteRequested);
  connect(sink_, &QtWindowSink::undoPaste, this, &MainFrame::undoPasteRequested);
  connect(sync_, &SyncController::finished, this, &MainFrame::onSyncFinished);

  checkVersion_ = InitCheckVersion(settings_);
  actions_[C::kCheckVersion]->setChecked(checkVersion_ != 0);

  connectCommandUpdates();

  runStartTimers(options);
  placeWindow();
  restoreWindowState();
  updateCommands();
}

MainFrame::~MainFrame() {
  versionCheck_.reset();
  // A run still going posts to the sink, which goes with the window.
  sync_->stopAndWait();
  treePane_->setAccess(nullptr, nullptr);
  // The worker ends before the list it works on goes; the bars hiding on the
  // way out find no commands to update.
  imageView_->clear();
  imageView_ = nullptr;
}

WindowSink& MainFrame::windowSink() { return *sink_; }

template <typename F>
void MainFrame::wire(CommandId id, F&& work) {
  connect(actions_[id], &QAction::triggered, this, std::forward<F>(work));
  wired_.insert(id);
}

void MainFrame::createActions() {
  for (const CommandInfo& info : Commands()) {
    auto* action = new QAction(ToQString(MenuItemText(info.id)), this);
    action->setObjectName(QString::number(static_cast<int>(info.id)));
    action->setData(static_cast<int>(info.id));
    QList<QKeySequence> keys;
    for (const std::string& key : info.accelerators) keys << QKeySequence(ToQString(key), QKeySequence::PortableText);
    action->setShortcuts(keys);
    const auto [prompt, tooltip] = CommandPrompt(info.id);
    action->setStatusTip(ToQString(prompt));
    action->setToolTip(ToQString(tooltip));
    action->setIcon(CommandIcon(info.id, style()));
    action->setIconVisibleInMenu(false);
    actions_.insert(info.id, action);
  }

  for (CommandId id : {C::kViewToolbar, C::kViewStatusBar, C::kViewFolderTree, C::kCheckVersion})
    actions_[id]->setCheckable(true);
  auto* display = new QActionGroup(this);
  for (CommandId id : {C::kThumbnails, C::kList}) {
    actions_[id]->setCheckable(true);
    display->addAction(actions_[id]);
  }
  actions_[C::kThumbnails]->setChecked(true);

  wire(C::kNewProfile, &MainFrame::newProfileCommand);
  wire(C::kOpenProfile, &MainFrame::openProfileCommand);
  wire(C::kProfileProperties, &MainFrame::globalPropertiesCommand);
  wire(C::kPreview, &MainFrame::previewCommand);
  wire(C::kExit, &QWidget::close);
  wire(C::kCheckVersion, [this] {
    checkVersion_ = ToggleCheckVersion(settings_, checkVersion_);
    updateCommands();
    if (checkVersion_ != 0) startVersionCheck();
  });
  wire(C::kAddLanguage, &MainFrame::addLanguageCommand);
  wire(C::kForum, &MainFrame::forumCommand);
  wire(C::kHelpContents, [this] { openManual(ManualPage::kContents); });
  wire(C::kHelpIndex, [this] { openManual(ManualPage::kIndex); });
  wire(C::kHelpSearch, [this] { openManual(ManualPage::kSearch); });
  wire(C::kAbout, &MainFrame::aboutCommand);
  wire(C::kSyncFolder, &MainFrame::syncFolderCommand);
  wire(C::kSyncProfile, &MainFrame::syncProfileCommand);
  wire(C::kShowChanges, [this] {
    if (!session_.profile || !CommandRule(C::kShowChanges, commandState()).enabled) return;
    if (imageView_->folderShown()) imageView_->saveOrder();
    sync_->showProfileChanges(syncEnvironment(), session_.profile->name);
    updateCommands();
  });
  wire(C::kStopSync, [this] {
    sync_->requestStop();
    updateCommands();
  });
  wire(C::kBaseDirectory, &MainFrame::baseDirectoryCommand);
  wire(C::kTagImages, [this] { TagSelectedImages(*imageView_, this); });
  // The Language entry opens its sub-menu; the other view commands below.
  for (CommandId id : {C::kLanguage, C::kViewToolbar, C::kViewStatusBar, C::kViewFolderTree}) wired_.insert(id);
}

void MainFrame::createMenus() {
  for (size_t index = 0; index < MenuTitles().size(); ++index) {
    const char* title = MenuTitles()[index];
    QMenu* menu = menuBar()->addMenu(ToQString(MenuTitleText(index)));
    menu->setObjectName(QStringLiteral("Menu%1").arg(index));
    connect(menu, &QMenu::aboutToShow, this, &MainFrame::updateCommands);
    bool first = true;
    for (const CommandInfo& info : Commands()) {
      if (std::string_view(info.menu) != title) continue;
      if (MenuSeparatorBefore(info.id) && !first) menu->addSeparator();
      first = false;
      if (info.id == C::kLanguage) {
        languageMenu_ = menu->addMenu(ToQString(MenuItemText(info.id)));
        languageMenu_->setObjectName(QStringLiteral("LanguageMenu"));
        connect(languageMenu_, &QMenu::aboutToShow, this, &MainFrame::rebuildLanguageMenu);
      } else {
        menu->addAction(actions_[info.id]);
      }
    }
    // The tree pane pops up the menu that holds the folder commands.
    if (std::string_view(FindCommand(C::kNewFolder)->menu) == title) folderMenu_ = menu;
  }
}

void MainFrame::createToolBar() {
  toolBar_ = addToolBar(QLoad(TextId::kToolBarTitle));
  toolBar_->setObjectName(QStringLiteral("ToolBar"));
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setMovable(true);

  sortSelector_ = new QComboBox;
  sortSelector_->setObjectName(QStringLiteral("SortSelector"));
  for (int i = 0; i < kOrderingCount; ++i) sortSelector_->addItem(QLoad(kOrderingTexts[i]), i);
  sortSelector_->setMinimumWidth(kSortSelectorWidth);
  sortSelector_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // Enabled once a folder is shown.
  sortSelector_->setEnabled(false);

  const std::vector<CommandId>& layout = ToolbarLayout();
  for (size_t place = 0; place < layout.size(); ++place) {
    if (place == kSortSelectorPlace) toolBar_->addWidget(sortSelector_);
    const CommandId id = layout[place];
    if (id == C::kSeparator) {
      toolBar_->addSeparator();
    } else if (HiddenOnToolbar(id)) {
      // The button keeps its place but never shows; hiding the command's
      // own action would take the menu item away too.
      auto* button = new QAction(actions_[id]->icon(), actions_[id]->text(), toolBar_);
      button->setVisible(false);
      connect(button, &QAction::triggered, actions_[id], &QAction::trigger);
      toolBar_->addAction(button);
    } else {
      toolBar_->addAction(actions_[id]);
    }
  }
  auto* compact = new CompactToolBarStyle;
  compact->setParent(toolBar_);
  toolBar_->setStyle(compact);
  for (QToolButton* button : toolBar_->findChildren<QToolButton*>()) button->setStyle(compact);

  actions_[C::kViewToolbar]->setChecked(true);
  connect(actions_[C::kViewToolbar], &QAction::toggled, toolBar_, &QWidget::setVisible);
}

void MainFrame::createStatusBar() {
  QStatusBar* bar = statusBar();
  statusPane_ = new QLabel;
  statusPane_->setObjectName(QStringLiteral("StatusPane"));
  clipboardPane_ = new QLabel;
  clipboardPane_->setObjectName(QStringLiteral("ClipboardPane"));
  clipboardPane_->setMinimumWidth(140);
  progressBar_ = new QProgressBar;
  progressBar_->setObjectName(QStringLiteral("ProgressBar"));
  progressBar_->setFixedWidth(160);
  progressBar_->setTextVisible(false);
  progressBar_->setVisible(false);
  progressPane_ = new QLabel;
  progressPane_->setObjectName(QStringLiteral("ProgressPane"));
  progressPane_->setMinimumWidth(60);
  for (QLabel* pane : {clipboardPane_, progressPane_}) pane->setFrameShape(QFrame::StyledPanel);

  bar->addWidget(statusPane_, 1);
  bar->addPermanentWidget(progressBar_);
  bar->addPermanentWidget(clipboardPane_);
  bar->addPermanentWidget(progressPane_);

  ApplyStatus(statusState_, ToUtf8(TextOrBuiltin(TextId::kReady)));
  ApplyClipboard(statusState_, false, 0);
  renderStatusBar();

  actions_[C::kViewStatusBar]->setChecked(true);
  connect(actions_[C::kViewStatusBar], &QAction::toggled, bar, &QWidget::setVisible);
}

void MainFrame::createDock() {
  treeDock_ = new QDockWidget(QLoad(TextId::kDirectoryTreeTitle), this);
  treeDock_->setObjectName(QStringLiteral("DirectoryTree"));
  treeDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
  treePane_ = new FolderTreePane(*sink_);
  treePane_->setContextMenu(folderMenu_);
  treeDock_->setWidget(treePane_);
  treeDock_->setMinimumWidth(200);
  addDockWidget(Qt::LeftDockWidgetArea, treeDock_);

  imageView_ = new ImageListView(*sink_);
  setCentralWidget(imageView_);

  connect(actions_[C::kViewFolderTree], &QAction::toggled, treeDock_, &QWidget::setVisible);
  connect(treePane_, &FolderTreePane::commandKey, this, [this](int id) { runCommand(static_cast<CommandId>(id)); });
  connect(treePane_, &FolderTreePane::folderOrderChanged, this, [this] { session_.remoteChecked = false; });

  wire(C::kNewFolder, [this] { treePane_->newFolder(); });
  wire(C::kDeleteFolder, [this] { treePane_->deleteFolder(); });
  wire(C::kRenameFolder, [this] { treePane_->renameFolder(); });
  wire(C::kMoveFolder, [this] { treePane_->startMoveDrag(); });
  wire(C::kBefore, [this] { treePane_->moveBefore(); });
  wire(C::kAfter, [this] { treePane_->moveAfter(); });
  wire(C::kImportFolder, [this] { treePane_->importFolder(); });
  wire(C::kFolderProperties, [this] { treePane_->folderProperties(); });
  wire(C::kAccess, [this] { treePane_->folderRights(); });
  wire(C::kUsersManagement, [this] {
    usersWindow_->show();
    usersWindow_->raise();
    usersWindow_->activateWindow();
  });
  wire(C::kThumbnails, [this] { imageView_->setListMode(ImageList::kThumbnails); });
  wire(C::kList, [this] { imageView_->setListMode(ImageList::kDetails); });
  for (const auto& [id, code] :
       {std::pair{C::kRotate90, TransformCode::kRotate90}, std::pair{C::kRotate180, TransformCode::kRotate180},
        std::pair{C::kRotate270, TransformCode::kRotate270},
        std::pair{C::kFlipLeftRight, TransformCode::kFlipLeftRight},
        std::pair{C::kFlipUpDown, TransformCode::kFlipUpDown}}) {
    wire(id, [this, code] {
      imageView_->transformSelected(static_cast<int>(code));
      updateCommands();
    });
  }
  wire(C::kTimeOffset, [this] {
    imageView_->shiftSelectedDates();
    updateCommands();
  });
  wire(C::kSetDate, [this] {
    imageView_->setSelectedDates();
    updateCommands();
  });
  wire(C::kSelectAll, [this] { imageView_->selectAll(); });
  wire(C::kUnselect, [this] { imageView_->unselect(); });
  edits_ = new ImageEditCommands(*this);
  wire(C::kImportImages, [this] {
    imageView_->importImages();
    updateCommands();
  });
  wire(C::kDeleteImages, [this] {
    imageView_->deleteImages();
    updateCommands();
  });
  wire(C::kDisplayImage, [this] { imageView_->displayImage(); });
  wire(C::kCut, [this] { imageView_->cutImages(); });
  wire(C::kCopy, [this] { imageView_->copyImages(); });
  wire(C::kPaste, [this] { imageView_->pasteImages(); });
  wire(C::kUndo, [this] { edits_->undo(); });
  connect(sortSelector_, &QComboBox::activated, imageView_, &ImageListView::chooseOrdering);
}

void MainFrame::connectCommandUpdates() {
  const auto update = [this] { updateCommands(); };
  // A run of the synchronisation starts, is asked to stop, ends.
  connect(sync_, &SyncController::runningChanged, this, update);
  // The image list: a folder loaded or emptied (which also starts its
  // worker), items added or taken away, the display mode, the selection (one
  // selection model serves both views), the worker ending.
  const QAbstractItemModel* images = imageView_->thumbnailView()->model();
  connect(images, &QAbstractItemModel::modelReset, this, update);
  connect(images, &QAbstractItemModel::layoutChanged, this, update);
  connect(images, &QAbstractItemModel::rowsInserted, this, update);
  connect(images, &QAbstractItemModel::rowsRemoved, this, update);
  connect(imageView_->thumbnailView()->selectionModel(), &QItemSelectionModel::selectionChanged, this, update);
  connect(imageView_, &ImageListView::workerFinished, this, update);
  // The folder tree: the selected folder and its neighbours (Before, After).
  connect(treePane_, &QTreeWidget::currentItemChanged, this, update);
  connect(treePane_, &QTreeWidget::itemSelectionChanged, this, update);
  const QAbstractItemModel* folders = treePane_->model();
  connect(folders, &QAbstractItemModel::modelReset, this, update);
  connect(folders, &QAbstractItemModel::rowsInserted, this, update);
  connect(folders, &QAbstractItemModel::rowsRemoved, this, update);
  connect(folders, &QAbstractItemModel::rowsMoved, this, update);
  // The bars and the tree pane shown or hidden (their View entries are checked).
  connect(toolBar_, &QToolBar::visibilityChanged, this, update);
  connect(treeDock_, &QDockWidget::visibilityChanged, this, update);
  connect(actions_[C::kViewStatusBar], &QAction::toggled, this, update);
  // The rest (the open profile, the folder shown, the clipboard, the undo
  // list, the version check setting, a stop request) changes only in this
  // window's own handlers, which update the commands themselves.
}

void MainFrame::startVersionCheck() {
  QPointer<MainFrame> window(this);
  versionCheck_->StartVersionCheck(VersionCheckUrl(settings_), ProgramRelease(),
                                   [window](const Release& running, const Release& announced) {
                                     QMetaObject::invokeMethod(
                                         window.data(),
                                         [window, running, announced] {
                                           if (!window) return;
                                           auto* dialog = new NewReleaseDialog(running, announced, window);
                                           dialog->setAttribute(Qt::WA_DeleteOnClose);
                                           dialog->open();
                                         },
                                         Qt::QueuedConnection);
                                   });
}

// Size, place, bars and the folder tree's width as the user left them; the
// first run keeps the place computed by placeWindow.
void MainFrame::restoreWindowState() {
  const QByteArray geometry =
      QByteArray::fromBase64(QByteArray::fromStdString(settings_.GetString("Window", "Geometry", "")));
  const QByteArray state =
      QByteArray::fromBase64(QByteArray::fromStdString(settings_.GetString("Window", "State", "")));
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  if (!state.isEmpty()) restoreState(state);
}

void MainFrame::saveWindowState() {
  settings_.SetString("Window", "Geometry", saveGeometry().toBase64().toStdString());
  settings_.SetString("Window", "State", saveState().toBase64().toStdString());
}

void MainFrame::placeWindow() {
  const QScreen* screen = QApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const int left = available.left() + kFirstWindowOffset;
  const int top = available.top() + kFirstWindowOffset;
  const WindowRect rect = InitialWindowRect({left, top, left + width(), top + kInitialHeight}, available.right() + 1,
                                            available.bottom() + 1, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void MainFrame::runStartTimers(const StartOptions& options) {
  if (checkVersion_ != 0) {
    QTimer::singleShot(kVersionCheckDelayMs, this, &MainFrame::startVersionCheck);
  }
  if (options.profile) {
    if (ProfileExists(session_.profilesDir, *options.profile)) {
      openProfile(ReadProfile(session_.profilesDir, *options.profile));
    } else {
      qWarning("No profile named \"%s\" in %s", options.profile->c_str(), session_.profilesDir.c_str());
    }
  } else if (options.profilesDialogAtStart) {
    QTimer::singleShot(kOpenProfilesDelayMs, this, &MainFrame::openProfileCommand);
  }
}

CommandState MainFrame::commandState() const {
  CommandState state;
  state.profileOpen = session_.profile.has_value();
  if (session_.profile) {
    state.openProfileName = session_.profile->name;
    state.phpMode = session_.profile->php != 0;
    state.accessControlActive = session_.profile->php != 0 && session_.profile->accessSecurity != 0;
  }
  state.syncRunning = sync_->running();
  state.stopRequested = sync_->stopRequested();
  state.imagesLoading = imageView_->loading();
  state.selectedCount = imageView_->selectedCount();
  state.itemCount = imageView_->itemCount();
  state.displayMode = imageView_->listMode();
  state.clipboardNotEmpty = imageView_->clipboardNotEmpty();
  state.undoNotEmpty = edits_ && edits_->undoNotEmpty();
  const auto folder = treePane_->selectedPath();
  state.folderSelected = folder.has_value();
  state.selectedFolderIsRoot = folder && folder->empty();
  state.canMoveFolderUp = treePane_->canMoveUp();
  state.canMoveFolderDown = treePane_->canMoveDown();
  state.checkVersion = checkVersion_ != 0;
  // isHidden, not isVisible: before the window shows, every bar counts as shown.
  state.toolbarVisible = !toolBar_->isHidden();
  state.statusBarVisible = !statusBar()->isHidden();
  state.folderTreeVisible = !treeDock_->isHidden();
  return state;
}

void MainFrame::updateCommands() {
  if (!imageView_) return;  // still being built, or going
  const CommandState state = commandState();
  for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
    const CommandStatus status = CommandRule(it.key(), state);
    QAction* action = it.value();
    action->setEnabled(status.enabled && available(it.key()));
    if (action->isCheckable() && action->isChecked() != status.checked) {
      const QSignalBlocker quiet(action);
      action->setChecked(status.checked);
    }
  }
  if (languageMenu_) languageMenu_->setEnabled(actions_[C::kLanguage]->isEnabled());
  sortSelector_->setEnabled(imageView_->folderShown());
}

void MainFrame::runCommand(CommandId id) {
  updateCommands();
  if (QAction* action = actions_.value(id); action && action->isEnabled()) action->trigger();
}

void MainFrame::rebuildLanguageMenu() {
  languageMenu_->clear();
  auto* group = new QActionGroup(languageMenu_);
  for (const std::string& name : languages_.MenuEntries()) {
    QAction* entry = languageMenu_->addAction(ToQString(name));
    entry->setCheckable(true);
    entry->setChecked(EqualsNoCase(name, languages_.current()));
    group->addAction(entry);
    connect(entry, &QAction::triggered, this, [this, name] { languages_.Choose(name, settings_); });
  }
}

void MainFrame::openProfile(ProfileSettings settings) {
  // The worker of the previous profile ends before the list changes hands.
  imageView_->clear();
  if (edits_) edits_->clearUndo();
  session_.Open(std::move(settings));
  treeDock_->show();
  setWindowTitle(ToQString(session_.profile->name) + QStringLiteral(" - ") + ToQString(kMessageTitle));
  treePane_->load(session_.profilesDir, *session_.profile);
  rights_->Load(treePane_->folders().profileDir());
  const bool access = session_.profile->accessSecurity != 0 && session_.profile->php != 0;
  treePane_->setAccess(access ? rights_.get() : nullptr, users_.get());
  settings_.SetString("Settings", "LastProfile", session_.profile->name);
  updateCommands();
}

void MainFrame::onShowFolder(const QString& folderPath) {
  emit showFolderRequested(folderPath);
  if (!session_.profile || !treePane_->loaded()) return;
  const FolderTree& folders = treePane_->folders();
  const std::string path = ToUtf8(folderPath);
  const std::string imageTree = folders.imageTreePath();
  // Only folders of the open profile's ImageTree are shown.
  if (!StartsWith(path, imageTree)) return;
  imageView_->loadFolder(folders.profileDir(), path.substr(imageTree.size()), *session_.profile);
  // A folder seen for the first time takes the list's ordering without a
  // sort-selector message; the selector shows it all the same.
  if (imageView_->list().ordering() >= 0) sortSelector_->setCurrentIndex(imageView_->list().ordering());
  updateCommands();
}

void MainFrame::openProfileCommand() { runProfilesDialog(false); }
void MainFrame::newProfileCommand() { runProfilesDialog(true); }

void MainFrame::runProfilesDialog(bool startWithWizard) {
  if (!CommandRule(startWithWizard ? C::kNewProfile : C::kOpenProfile, commandState()).enabled) return;
  ProfilesDialog dialog(session_.profilesDir, settings_, this);
  const int result = startWithWizard ? dialog.execWithWizard() : dialog.exec();
  if (result == QDialog::Accepted && dialog.chosen()) openProfile(*dialog.chosen());
}

SyncEnvironment MainFrame::syncEnvironment() const {
  return {session_.profilesDir, ProgramDataDirectory(), settings_.file(), session_.remoteChecked};
}

void MainFrame::syncFolderCommand() {
  if (!session_.profile || !CommandRule(C::kSyncFolder, commandState()).enabled) return;
  // The folder goes out in the order the list shows.
  const std::string folder = imageView_->folderShown() ? imageView_->list().folder() : std::string();
  if (imageView_->folderShown()) imageView_->saveOrder();
  sync_->syncFolder(syncEnvironment(), session_.profile->name, folder);
  updateCommands();
}

void MainFrame::syncProfileCommand() {
  if (!session_.profile || !CommandRule(C::kSyncProfile, commandState()).enabled) return;
  if (imageView_->folderShown()) imageView_->saveOrder();
  sync_->syncProfile(syncEnvironment(), session_.profile->name, /*confirm=*/true);
  updateCommands();
}

void MainFrame::onSyncFinished(const SyncOutcome& outcome) {
  // Kept for the rest of the session: a later run skips the installation check.
  session_.remoteChecked = outcome.installConfirmed;
  // The run may have added to the preserve list and saved the profile; the
  // record kept here must not write the old list back.
  if (session_.profile && ProfileExists(session_.profilesDir, session_.profile->name))
    session_.profile->preserve = ReadProfile(session_.profilesDir, session_.profile->name).preserve;
  updateCommands();
}

void MainFrame::baseDirectoryCommand() {
  BaseDirectoryDialog dialog(session_.profilesDir, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const TreeCopier copier = [this](const std::string& title, const std::string& source,
                                   const std::string& destination) {
    return CopyFilesDialog::Run(this, source, destination, ToQString(title)) ? Status::Ok() : Status::Failed();
  };
  const std::string base = ChangeProfilesBaseDir(settings_, session_.profilesDir, dialog.entered(), copier);
  if (base == session_.profilesDir) return;
  session_.profilesDir = base;
  if (!session_.profile) return;
  // The open profile is shown again from its new place; when the profiles
  // stayed behind, the tree shows what the new base holds for it.
  ProfileSettings profile =
      ProfileExists(base, session_.profile->name) ? ReadProfile(base, session_.profile->name) : *session_.profile;
  openProfile(std::move(profile));
}

void MainFrame::globalPropertiesCommand() {
  if (!session_.profile || !CommandRule(C::kProfileProperties, commandState()).enabled) return;
  GlobalPropertiesDialog dialog(session_.profilesDir, *session_.profile, this);
  if (dialog.exec() == QDialog::Accepted) openProfile(dialog.profile());
}

void MainFrame::previewCommand() {
  if (!session_.profile || !treePane_->loaded() || !CommandRule(C::kPreview, commandState()).enabled) return;
  // Every folder, also those the pane has not opened yet; the pane's own tree stays as it is.
  FolderTree folders;
  folders.Load(session_.profilesDir, *session_.profile);
  folders.ExpandAll();
  const std::string current = imageView_->folderShown() ? imageView_->list().folder() : std::string();
  // The pages list the images in the order the list shows.
  if (imageView_->folderShown()) imageView_->saveOrder();
  // Folders never opened have no thumbnails yet: their pages would show none.
  // The same pass that publishing runs first makes them.
  if (!VerificationDialog::Run(this, session_.profilesDir, *session_.profile)) return;
  PreviewWindow window(PreviewMode::Album, this);
  if (!window.openAlbum(*session_.profile, folders.profileDir(),
                        TemplateDirectory(ProgramDataDirectory(), session_.profile->templateName),
                        folders.tree().List(), current))
    return;
  window.exec();
}

void MainFrame::addLanguageCommand() { ShowMessage({Icon::Information, Buttons::Ok}, TextId::kAddLanguageInfo); }

void MainFrame::openManual(ManualPage page) {
  const std::optional<std::string> file = FindManualPage(page);
  if (!file) {
    ShowMessage({Icon::Exclamation, Buttons::Ok}, TextId::kHelpNotInstalled,
                {std::string("help/") + ManualPageFile(page)});
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(*file)));
}

void MainFrame::forumCommand() { QDesktopServices::openUrl(QUrl(TextOrBuiltin(TextId::kForumAddress))); }

void MainFrame::aboutCommand() {
  QDialog about(this);
  about.setWindowTitle(QLoad(TextId::kAboutTitle));
  auto* text = new QLabel(ToQString(AboutText(__DATE__)));
  text->setTextFormat(Qt::PlainText);
  auto link = [](const QString& address, const QString& title) {
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(address.toHtmlEscaped(), title));
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    return label;
  };
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* layout = new QVBoxLayout(&about);
  layout->addWidget(text);
  layout->addWidget(link(TextOrBuiltin(TextId::kForumAddress), QLoad(TextId::kForumLink)));
  layout->addWidget(link(TextOrBuiltin(TextId::kWebSiteAddress), QLoad(TextId::kWebSiteLink)));
  layout->addWidget(buttons);
  about.exec();
}

void MainFrame::closeEvent(QCloseEvent* event) {
  if (ConfirmClose(sync_->running())) {
    // The program does not end under a run: it stops at its next operation.
    sync_->stopAndWait();
    imageView_->clear();
    saveWindowState();
    event->accept();
  } else {
    event->ignore();
  }
}

void MainFrame::renderStatusBar() {
  statusPane_->setText(ToQString(statusState_.statusPane));
  clipboardPane_->setText(ToQString(statusState_.clipboardPane));
  progressPane_->setText(ToQString(statusState_.progressPane));
  progressBar_->setRange(0, statusState_.progressMaximum);
  progressBar_->setValue(statusState_.progressPosition);
  progressBar_->setVisible(statusState_.progressVisible);
}

void MainFrame::onProgress(int maximum, int position) {
  ApplyProgress(statusState_, maximum, position);
  renderStatusBar();
}

void MainFrame::onStatus(const QString& text) {
  ApplyStatus(statusState_, ToUtf8(text));
  renderStatusBar();
}

void MainFrame::onClipboard(bool isCut, int count) {
  ApplyClipboard(statusState_, isCut, count);
  renderStatusBar();
  updateCommands();  // Paste follows the clipboard
}

void MainFrame::onSortSelector(int index) {
  ApplySortSelector(statusState_, index);
  sortSelector_->setCurrentIndex(statusState_.sortIndex);
}

}  // namespace albumsmith::ui
