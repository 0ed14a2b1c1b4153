#pragma once
// The command set: every menu and tool bar command with its id, menu text,
// tool bar place and accelerators, and the rule that enables it as one pure
// function of the state the rules look at.

#include <string>
#include <utility>
#include <vector>

#include "platform/text_id.h"

namespace albumsmith {

constexpr int TextNumber(TextId id) { return static_cast<int>(id); }

// A command's id is the number of its text, the status-bar prompt and tooltip.
enum class CommandId : int {
  kSeparator = 0,
  // Profile
  kNewProfile = TextNumber(TextId::kNewProfileCommand),
  kOpenProfile = TextNumber(TextId::kOpenProfileCommand),
  kUsersManagement = TextNumber(TextId::kUsersManagementCommand),
  kPreview = TextNumber(TextId::kPreviewCommand),
  kProfileProperties = TextNumber(TextId::kProfilePropertiesCommand),
  kExit = TextNumber(TextId::kExitCommand),
  // Edit
  kUndo = TextNumber(TextId::kUndoCommand),
  kCut = TextNumber(TextId::kCutCommand),
  kCopy = TextNumber(TextId::kCopyCommand),
  kPaste = TextNumber(TextId::kPasteCommand),
  kSelectAll = TextNumber(TextId::kSelectAllCommand),
  kUnselect = TextNumber(TextId::kUnselectCommand),
  // Folder
  kImportFolder = TextNumber(TextId::kImportFolderCommand),
  kNewFolder = TextNumber(TextId::kNewFolderCommand),
  kDeleteFolder = TextNumber(TextId::kDeleteFolderCommand),
  kMoveFolder = TextNumber(TextId::kMoveFolderCommand),
  kRenameFolder = TextNumber(TextId::kRenameFolderCommand),
  kAccess = TextNumber(TextId::kAccessCommand),
  kBefore = TextNumber(TextId::kBeforeCommand),
  kAfter = TextNumber(TextId::kAfterCommand),
  kFolderProperties = TextNumber(TextId::kFolderPropertiesCommand),
  // Image
  kImportImages = TextNumber(TextId::kImportImagesCommand),
  kDeleteImages = TextNumber(TextId::kDeleteImagesCommand),
  kTagImages = TextNumber(TextId::kTagImagesCommand),
  kDisplayImage = TextNumber(TextId::kDisplayImageCommand),
  // View
  kViewToolbar = TextNumber(TextId::kViewToolbarCommand),
  kViewStatusBar = TextNumber(TextId::kViewStatusBarCommand),
  kViewFolderTree = TextNumber(TextId::kViewFolderTreeCommand),
  kThumbnails = TextNumber(TextId::kThumbnailsCommand),
  kList = TextNumber(TextId::kListCommand),
  // Transform
  kRotate90 = TextNumber(TextId::kRotate90Command),
  kRotate180 = TextNumber(TextId::kRotate180Command),
  kRotate270 = TextNumber(TextId::kRotate270Command),
  kFlipLeftRight = TextNumber(TextId::kFlipLeftRightCommand),
  kFlipUpDown = TextNumber(TextId::kFlipUpDownCommand),
  // Date
  kTimeOffset = TextNumber(TextId::kTimeOffsetCommand),
  kSetDate = TextNumber(TextId::kSetDateCommand),
  // Server
  kSyncFolder = TextNumber(TextId::kSyncFolderCommand),
  kSyncProfile = TextNumber(TextId::kSyncProfileCommand),
  kStopSync = TextNumber(TextId::kStopSyncCommand),
  kShowChanges = TextNumber(TextId::kShowChangesCommand),
  kCheckVersion = TextNumber(TextId::kCheckVersionCommand),
  // Settings
  kBaseDirectory = TextNumber(TextId::kBaseDirectoryCommand),
  kLanguage = TextNumber(TextId::kLanguageCommand),
  kAddLanguage = TextNumber(TextId::kAddLanguageCommand),
  // Help
  kHelpContents = TextNumber(TextId::kHelpContentsCommand),
  kHelpIndex = TextNumber(TextId::kHelpIndexCommand),
  kHelpSearch = TextNumber(TextId::kHelpSearchCommand),
  kForum = TextNumber(TextId::kForumCommand),
  kAbout = TextNumber(TextId::kAboutCommand),
};

enum class Receiver { kFrame, kTreePane, kView, kApplication };

struct CommandInfo {
  CommandId id;
  const char* menu;                       // "&Profile", "&Edit", …
  const char* menuText;                   // "&New", …
  bool toolbar;                           // also a tool bar button
  std::vector<std::string> accelerators;  // "Ctrl+N", "Alt+Backspace", …
  Receiver receiver;
};

// Every command in menu order.
const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(CommandId id);
// The tool bar from left to right; kSeparator marks a bar.
const std::vector<CommandId>& ToolbarLayout();
// Tool bar buttons that keep their place on the bar but are never shown
// (Exit, Users management, Access).
bool HiddenOnToolbar(CommandId id);
// Where a menu draws a line between groups of its commands.
bool MenuSeparatorBefore(CommandId id);
// The menu titles in menu-bar order.
const std::vector<const char*>& MenuTitles();

// The status-bar prompt and the tooltip: the two halves (before and after a
// line break) of the command's text in the string table. A text without a
// line break serves as both; a command without a text gets the menu text
// without "&".
std::pair<std::string, std::string> CommandPrompt(CommandId id);

// What the enabling rules look at.
struct CommandState {
  bool profileOpen = false;
  std::string openProfileName;
  bool syncRunning = false;
  bool stopRequested = false;
  bool imagesLoading = false;
  int selectedCount = 0;
  int itemCount = 0;
  bool clipboardNotEmpty = false;
  bool undoNotEmpty = false;
  int displayMode = 0;  // 0 thumbnails, otherwise the detailed list
  bool folderSelected = false;
  bool selectedFolderIsRoot = false;
  bool canMoveFolderUp = false;
  bool canMoveFolderDown = false;
  bool accessControlActive = false;
  bool phpMode = false;
  bool checkVersion = false;
  bool toolbarVisible = true;
  bool statusBarVisible = true;
  bool folderTreeVisible = true;
};

struct CommandStatus {
  bool enabled = false;
  bool checked = false;  // check or radio mark
};

// The product's rule for the command.
CommandStatus CommandRule(CommandId id, const CommandState& state);

}  // namespace albumsmith
