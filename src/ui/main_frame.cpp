#include "ui/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <algorithm>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/app_settings.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "store/profiles.h"
#include "ui/command_icons.h"
#include "ui/global_properties_dialog.h"
#include "ui/profiles_dialog.h"
#include "ui/qt_text.h"
#include "ui/qt_window_sink.h"

namespace albumsmith::ui {

namespace {

constexpr int kOpenProfilesDelayMs = 500;
constexpr int kVersionCheckDelayMs = 5000;
constexpr int kSortSelectorWidth = 120;
constexpr int kInitialHeight = 700;
constexpr int kFirstWindowOffset = 40;

// String-table numbers of the About box links and of the idle status text.
constexpr int kForumAddress = 57347;
constexpr int kWebSiteAddress = 57348;
constexpr int kIdleStatus = 57345;

// Used until the string table carries the addresses.
constexpr const char* kFallbackForum = "https://albumsmith.example.org/forum";
constexpr const char* kFallbackWebSite = "https://albumsmith.example.org/";

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

QString TextOr(int id, const char* fallback) {
  const std::string text = LoadString(id);
  return text.empty() ? QString::fromUtf8(fallback) : Q(text);
}

}  // namespace

MainFrame::MainFrame(AppSettings& settings, Languages& languages, StartOptions options, QWidget* parent)
    : QMainWindow(parent), settings_(settings), languages_(languages), sink_(new QtWindowSink(this)) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowTitle(Q(kMessageTitle));

  createActions();
  createMenus();
  createToolBar();
  createStatusBar();
  createDock();

  connect(sink_, &QtWindowSink::showFolder, this, &MainFrame::showFolderRequested);
  connect(sink_, &QtWindowSink::progress, this, &MainFrame::onProgress);
  connect(sink_, &QtWindowSink::status, this, &MainFrame::onStatus);
  connect(sink_, &QtWindowSink::sortSelector, this, &MainFrame::onSortSelector);
  connect(sink_, &QtWindowSink::clipboard, this, &MainFrame::onClipboard);
  connect(sink_, &QtWindowSink::paste, this, &MainFrame::pasteRequested);
  connect(sink_, &QtWindowSink::undoPaste, this, &MainFrame::undoPasteRequested);

  UpgradeSettings(settings_.GetInt("Settings", "Version", -1), settings_);
  session_.profilesDir = InitProfilesDir(settings_);
  checkVersion_ = InitCheckVersion(settings_);
  actions_[kCmdCheckVersion]->setChecked(checkVersion_ != 0);

  runStartTimers(options);
  placeWindow();
  updateCommands();
}

MainFrame::~MainFrame() = default;

WindowSink& MainFrame::windowSink() { return *sink_; }

void MainFrame::createActions() {
  for (const CommandInfo& info : Commands()) {
    auto* action = new QAction(Q(info.text), this);
    action->setObjectName(QString::number(info.id));
    action->setData(info.id);
    QList<QKeySequence> keys;
    if (*info.shortcut) keys << QKeySequence(QString::fromLatin1(info.shortcut));
    if (*info.shortcut2) keys << QKeySequence(QString::fromLatin1(info.shortcut2));
    action->setShortcuts(keys);
    const CommandHelp help = HelpFor(info);
    action->setStatusTip(Q(help.prompt));
    action->setToolTip(Q(help.tooltip));
    action->setIcon(CommandIcon(info.id, style()));
    action->setIconVisibleInMenu(false);
    actions_.insert(info.id, action);
  }

  for (Command id : {kCmdToolbar, kCmdStatusBar, kCmdFolderTree, kCmdCheckVersion}) {
    actions_[id]->setCheckable(true);
  }
  auto* display = new QActionGroup(this);
  for (Command id : {kCmdThumbnails, kCmdList}) {
    actions_[id]->setCheckable(true);
    display->addAction(actions_[id]);
  }
  actions_[kCmdThumbnails]->setChecked(true);

  connect(actions_[kCmdNew], &QAction::triggered, this, &MainFrame::newProfileCommand);
  connect(actions_[kCmdOpen], &QAction::triggered, this, &MainFrame::openProfileCommand);
  connect(actions_[kCmdProperties], &QAction::triggered, this, &MainFrame::globalPropertiesCommand);
  connect(actions_[kCmdExit], &QAction::triggered, this, &QWidget::close);
  connect(actions_[kCmdThumbnails], &QAction::triggered, this, [this] { displayMode_ = 0; });
  connect(actions_[kCmdList], &QAction::triggered, this, [this] { displayMode_ = 1; });
  connect(actions_[kCmdCheckVersion], &QAction::triggered, this, [this] {
    checkVersion_ = ToggleCheckVersion(settings_, checkVersion_);
    actions_[kCmdCheckVersion]->setChecked(checkVersion_ != 0);
  });
  connect(actions_[kCmdAddLanguage], &QAction::triggered, this, &MainFrame::addLanguageCommand);
  connect(actions_[kCmdForum], &QAction::triggered, this, &MainFrame::forumCommand);
  connect(actions_[kCmdAbout], &QAction::triggered, this, &MainFrame::aboutCommand);
}

void MainFrame::createMenus() {
  for (const MenuInfo& info : Menus()) {
    QMenu* menu = menuBar()->addMenu(Q(info.title));
    connect(menu, &QMenu::aboutToShow, this, &MainFrame::updateCommands);
    for (Command id : info.items) {
      if (id == kSeparator) {
        menu->addSeparator();
      } else if (id == kCmdLanguage) {
        languageMenu_ = menu->addMenu(QLoad(kCmdLanguage));
        languageMenu_->setObjectName(QStringLiteral("LanguageMenu"));
        connect(languageMenu_, &QMenu::aboutToShow, this, &MainFrame::rebuildLanguageMenu);
      } else {
        menu->addAction(actions_[id]);
      }
    }
  }
}

void MainFrame::createToolBar() {
  toolBar_ = addToolBar(QStringLiteral("Standard"));
  toolBar_->setObjectName(QStringLiteral("ToolBar"));
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setMovable(true);

  sortSelector_ = new QComboBox;
  sortSelector_->setObjectName(QStringLiteral("SortSelector"));
  for (int i = 0; i < 4; ++i) sortSelector_->addItem(QLoad(32841 + i), i);
  sortSelector_->setCurrentIndex(0);
  sortSelector_->setMinimumWidth(kSortSelectorWidth);
  sortSelector_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  // The orderings come with the image list.
  sortSelector_->setEnabled(false);

  const auto& hidden = HiddenToolBarButtons();
  for (Command id : ToolBarLayout()) {
    if (id == kSeparator) {
      toolBar_->addSeparator();
    } else if (id == kCmdSortSelector) {
      toolBar_->addWidget(sortSelector_);
    } else if (std::find(hidden.begin(), hidden.end(), id) != hidden.end()) {
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

  actions_[kCmdToolbar]->setChecked(true);
  connect(actions_[kCmdToolbar], &QAction::toggled, toolBar_, &QWidget::setVisible);
  connect(toolBar_, &QToolBar::visibilityChanged, actions_[kCmdToolbar], &QAction::setChecked);
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

  ApplyStatus(statusState_, S(TextOr(kIdleStatus, "Ready")));
  ApplyClipboard(statusState_, false, 0);
  renderStatusBar();

  actions_[kCmdStatusBar]->setChecked(true);
  connect(actions_[kCmdStatusBar], &QAction::toggled, bar, &QWidget::setVisible);
}

void MainFrame::createDock() {
  treeDock_ = new QDockWidget(QStringLiteral("Directory tree"), this);
  treeDock_->setObjectName(QStringLiteral("DirectoryTree"));
  treeDock_->setAllowedAreas(Qt::AllDockWidgetAreas);
  // Stands in for the folder tree until the tree pane exists.
  auto* tree = new QTreeWidget;
  tree->setObjectName(QStringLiteral("FolderTreePane"));
  tree->header()->hide();
  treeDock_->setWidget(tree);
  treeDock_->setMinimumWidth(200);
  addDockWidget(Qt::LeftDockWidgetArea, treeDock_);

  // Stands in for the image list view.
  auto* view = new QListWidget;
  view->setObjectName(QStringLiteral("ImageListPane"));
  view->setViewMode(QListView::IconMode);
  setCentralWidget(view);

  connect(actions_[kCmdFolderTree], &QAction::toggled, treeDock_, &QWidget::setVisible);
  connect(treeDock_, &QDockWidget::visibilityChanged, actions_[kCmdFolderTree], &QAction::setChecked);
}

void MainFrame::placeWindow() {
  const QScreen* screen = QApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const int left = available.left() + kFirstWindowOffset;
  const int top = available.top() + kFirstWindowOffset;
  const WindowRect rect =
      InitialWindowRect({left, top, left + width(), top + kInitialHeight}, available.right() + 1,
                        available.bottom() + 1, style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void MainFrame::runStartTimers(const StartOptions& options) {
  if (checkVersion_ != 0) {
    // The version check comes later; the timer is kept so that it starts at the right moment.
    QTimer::singleShot(kVersionCheckDelayMs, this, [] {});
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

FrameState MainFrame::frameState() const {
  FrameState state;
  state.profileOpen = session_.profile.has_value();
  if (session_.profile) state.profileName = session_.profile->name;
  state.syncRunning = syncRunning_;
  return state;
}

void MainFrame::updateCommands() {
  const FrameState state = frameState();
  for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) it.value()->setEnabled(CommandEnabled(it.key(), state));
  if (languageMenu_) languageMenu_->setEnabled(CommandEnabled(kCmdLanguage, state));
}

void MainFrame::rebuildLanguageMenu() {
  languageMenu_->clear();
  auto* group = new QActionGroup(languageMenu_);
  for (const std::string& name : languages_.MenuEntries()) {
    QAction* entry = languageMenu_->addAction(Q(name));
    entry->setCheckable(true);
    entry->setChecked(EqualsNoCase(name, languages_.current()));
    group->addAction(entry);
    connect(entry, &QAction::triggered, this, [this, name] { languages_.Choose(name, settings_); });
  }
}

void MainFrame::openProfile(ProfileSettings settings) {
  session_.Open(std::move(settings));
  treeDock_->show();
  setWindowTitle(Q(session_.profile->name) + QStringLiteral(" - ") + Q(kMessageTitle));
  updateCommands();
}

void MainFrame::openProfileCommand() { runProfilesDialog(false); }
void MainFrame::newProfileCommand() { runProfilesDialog(true); }

void MainFrame::runProfilesDialog(bool startWithWizard) {
  if (!CommandEnabled(startWithWizard ? kCmdNew : kCmdOpen, frameState())) return;
  ProfilesDialog dialog(session_.profilesDir, settings_, this);
  const int result = startWithWizard ? dialog.execWithWizard() : dialog.exec();
  if (result == QDialog::Accepted && dialog.chosen()) openProfile(*dialog.chosen());
}

void MainFrame::globalPropertiesCommand() {
  if (!session_.profile || !CommandEnabled(kCmdProperties, frameState())) return;
  GlobalPropertiesDialog dialog(session_.profilesDir, *session_.profile, this);
  if (dialog.exec() == QDialog::Accepted) openProfile(dialog.profile());
}

void MainFrame::addLanguageCommand() {
  ShowMessageText({Icon::Information, Buttons::Ok},
                  "To add a language, copy its language file (<Name>.lng) into the \"Lang\" folder next to the "
                  "program, then choose it in the Settings > Language menu.");
}

void MainFrame::forumCommand() { QDesktopServices::openUrl(QUrl(TextOr(kForumAddress, kFallbackForum))); }

void MainFrame::aboutCommand() {
  QDialog about(this);
  about.setWindowTitle(QStringLiteral("About ") + Q(kMessageTitle));
  auto* text = new QLabel(Q(AboutText(__DATE__)));
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
  layout->addWidget(link(TextOr(kForumAddress, kFallbackForum), QStringLiteral("Forum")));
  layout->addWidget(link(TextOr(kWebSiteAddress, kFallbackWebSite), QStringLiteral("Web site")));
  layout->addWidget(buttons);
  about.exec();
}

void MainFrame::closeEvent(QCloseEvent* event) {
  if (ConfirmClose(syncRunning_)) {
    event->accept();
  } else {
    event->ignore();
  }
}

void MainFrame::renderStatusBar() {
  statusPane_->setText(Q(statusState_.statusPane));
  clipboardPane_->setText(Q(statusState_.clipboardPane));
  progressPane_->setText(Q(statusState_.progressPane));
  progressBar_->setRange(0, statusState_.progressMaximum);
  progressBar_->setValue(statusState_.progressPosition);
  progressBar_->setVisible(statusState_.progressVisible);
}

void MainFrame::onProgress(int maximum, int position) {
  ApplyProgress(statusState_, maximum, position);
  renderStatusBar();
}

void MainFrame::onStatus(const QString& text) {
  ApplyStatus(statusState_, S(text));
  renderStatusBar();
}

void MainFrame::onClipboard(bool isCut, int count) {
  ApplyClipboard(statusState_, isCut, count);
  renderStatusBar();
}

void MainFrame::onSortSelector(int index) {
  ApplySortSelector(statusState_, index);
  sortSelector_->setCurrentIndex(statusState_.sortIndex);
}

}  // namespace albumsmith::ui
