#pragma once
// The command set: every menu and tool bar command with its id, menu text,
// tool bar place and accelerators, and the rule that enables it as one pure
// function of the state the rules look at.

#include <string>
#include <utility>
#include <vector>

namespace albumsmith {

enum class CommandId : int {
  kSeparator = 0,
  // Profile
  kNewProfile = 57600,
  kOpenProfile = 57601,
  kUsersManagement = 32901,
  kPreview = 32905,
  kProfileProperties = 32799,
  kExit = 57665,
  // Edit
  kUndo = 57643,
  kCut = 57635,
  kCopy = 57634,
  kPaste = 57637,
  kSelectAll = 57642,
  kUnselect = 32959,
  // Folder
  kImportFolder = 32781,
  kNewFolder = 32776,
  kDeleteFolder = 32777,
  kMoveFolder = 32947,
  kRenameFolder = 32778,
  kAccess = 32903,
  kBefore = 32931,
  kAfter = 32932,
  kFolderProperties = 32939,
  // Image
  kImportImages = 32960,
  kDeleteImages = 32961,
  kTagImages = 32962,
  kDisplayImage = 32963,
  // View
  kViewToolbar = 59392,
  kViewStatusBar = 59393,
  kViewFolderTree = 32964,
  kThumbnails = 32965,
  kList = 32966,
  // Transform
  kRotate90 = 32967,
  kRotate180 = 32968,
  kRotate270 = 32969,
  kFlipLeftRight = 32970,
  kFlipUpDown = 32971,
  // Date
  kTimeOffset = 32972,
  kSetDate = 32973,
  // Server
  kSyncFolder = 32974,
  kSyncProfile = 32975,
  kStopSync = 32976,
  kCheckVersion = 32977,
  // Settings
  kBaseDirectory = 32978,
  kLanguage = 32739,
  kAddLanguage = 32945,
  // Help
  kHelpContents = 57667,
  kHelpIndex = 57666,
  kHelpSearch = 32979,
  kForum = 32980,
  kAbout = 57664,
};

enum class Receiver { kFrame, kTreePane, kView, kApplication };

struct CommandInfo {
  CommandId id;
  const char* menu;      // "&Profile", "&Edit", …
  const char* menuText;  // "&New", …
  bool toolbar;          // also a tool bar button
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
