#pragma once
// The main window's command set: identifiers, menu texts, accelerators, the
// tool bar order, and the enabling rules that can already be decided.
//
// The numbers follow the string table: a command whose number carries a
// "prompt\ntooltip" text there gets its status-bar prompt and tooltip from it.
// Numbers the string table does not know yet are kept in a private range
// (34000 and up) so that they never pick up an unrelated message as a prompt.

#include <string>
#include <vector>

namespace albumsmith::ui {

enum Command : int {
  // Profile
  kCmdNew = 57600,
  kCmdOpen = 57601,
  kCmdUsers = 32901,
  kCmdPreview = 34001,
  kCmdProperties = 32799,
  kCmdExit = 57665,
  // Edit
  kCmdUndo = 57643,
  kCmdCut = 57635,
  kCmdCopy = 57634,
  kCmdPaste = 57637,
  kCmdSelectAll = 57642,
  kCmdUnselect = 34002,
  // Folder
  kCmdImportFolder = 32781,
  kCmdNewFolder = 32776,
  kCmdDeleteFolder = 32777,
  kCmdMoveFolder = 32947,
  kCmdRenameFolder = 32778,
  kCmdAccess = 32903,
  kCmdFolderBefore = 32931,
  kCmdFolderAfter = 32932,
  kCmdFolderProperties = 32939,
  // Image
  kCmdImportImages = 34010,
  kCmdDeleteImages = 34011,
  kCmdTagImages = 34012,
  kCmdDisplayImage = 34013,
  // View
  kCmdToolbar = 59392,
  kCmdStatusBar = 59393,
  kCmdFolderTree = 34020,
  kCmdThumbnails = 34021,
  kCmdList = 34022,
  // Transform
  kCmdRotate90 = 34030,
  kCmdRotate180 = 34031,
  kCmdRotate270 = 34032,
  kCmdFlipHorizontal = 34033,
  kCmdFlipVertical = 34034,
  // Date
  kCmdTimeOffset = 34040,
  kCmdSetDate = 34041,
  // Server
  kCmdSyncFolder = 34050,
  kCmdSyncProfile = 34051,
  kCmdStopSync = 34052,
  kCmdCheckVersion = 34053,
  // Settings
  kCmdBaseDirectory = 32942,
  kCmdLanguage = 32739,
  kCmdAddLanguage = 32945,
  // Help
  kCmdHelpContents = 57667,
  kCmdHelpIndex = 57666,
  kCmdHelpSearch = 34060,
  kCmdForum = 34061,
  kCmdAbout = 57664,
  // The ordering selector in the tool bar.
  kCmdSortSelector = 32788,
  // Stands for a separator in menu and tool bar lists.
  kSeparator = 0,
};

struct CommandInfo {
  Command id;
  const char* text;      // menu text with its "&" accelerator mark
  const char* shortcut;  // first key sequence, "" for none
  const char* shortcut2; // second key sequence, "" for none
};

struct MenuInfo {
  const char* title;
  std::vector<Command> items;  // kSeparator between groups
};

const std::vector<CommandInfo>& Commands();
const CommandInfo* FindCommand(Command id);
// The menu bar, left to right.
const std::vector<MenuInfo>& Menus();
// The tool bar, left to right; kSortSelector marks where the ordering selector sits.
const std::vector<Command>& ToolBarLayout();
// Tool bar buttons that exist but are never shown.
const std::vector<Command>& HiddenToolBarButtons();

// The status-bar prompt and the tooltip of a command: the two halves of its
// string-table text; without a tooltip half, the menu text without "&".
struct CommandHelp {
  std::string prompt;
  std::string tooltip;
};
CommandHelp HelpFor(const CommandInfo& command);

// What the enabling rules look at.
struct FrameState {
  bool profileOpen = false;
  std::string profileName;
  bool syncRunning = false;
  bool stopRequested = false;
  bool imagesLoading = false;
};

// Commands whose feature is not in the program yet answer false.
bool CommandEnabled(Command id, const FrameState& state);

}  // namespace albumsmith::ui
