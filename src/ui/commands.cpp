#include "ui/commands.h"

#include <algorithm>

#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith::ui {

const std::vector<CommandInfo>& Commands() {
  static const std::vector<CommandInfo> commands = {
      {kCmdNew, "&New", "Ctrl+N", ""},
      {kCmdOpen, "&Open...", "Ctrl+O", ""},
      {kCmdUsers, "&Users management", "", ""},
      {kCmdPreview, "P&review", "", ""},
      {kCmdProperties, "&Properties", "", ""},
      {kCmdExit, "E&xit", "", ""},
      {kCmdUndo, "&Undo", "Ctrl+Z", "Alt+Backspace"},
      {kCmdCut, "Cu&t", "Ctrl+X", "Shift+Del"},
      {kCmdCopy, "&Copy", "Ctrl+C", "Ctrl+Ins"},
      {kCmdPaste, "&Paste", "Ctrl+V", "Shift+Ins"},
      {kCmdSelectAll, "Select A&ll", "", ""},
      {kCmdUnselect, "&Unselect", "", ""},
      {kCmdImportFolder, "&Import folder", "", ""},
      {kCmdNewFolder, "&New folder", "", ""},
      {kCmdDeleteFolder, "&Delete folder", "", ""},
      {kCmdMoveFolder, "&Move folder", "", ""},
      {kCmdRenameFolder, "&Rename folder", "", ""},
      {kCmdAccess, "&Access", "", ""},
      {kCmdFolderBefore, "&Before", "", ""},
      {kCmdFolderAfter, "A&fter", "", ""},
      {kCmdFolderProperties, "&Properties", "", ""},
      {kCmdImportImages, "&Import image(s)", "", ""},
      {kCmdDeleteImages, "&Delete image(s)", "", ""},
      {kCmdTagImages, "&Tag image(s)", "", ""},
      {kCmdDisplayImage, "Display I&mage", "", ""},
      {kCmdToolbar, "&Toolbar", "", ""},
      {kCmdStatusBar, "&Status Bar", "", ""},
      {kCmdFolderTree, "&Folder tree", "", ""},
      {kCmdThumbnails, "T&humnails", "", ""},
      {kCmdList, "&List", "", ""},
      {kCmdRotate90, "Rotate &90\xC2\xB0", "", ""},
      {kCmdRotate180, "Rotate &180\xC2\xB0", "", ""},
      {kCmdRotate270, "Rotate &270\xC2\xB0", "", ""},
      {kCmdFlipHorizontal, "Flip left/right", "", ""},
      {kCmdFlipVertical, "Flip up/down", "", ""},
      {kCmdTimeOffset, "&Add/Remove time offset", "", ""},
      {kCmdSetDate, "&Set Date", "", ""},
      {kCmdSyncFolder, "&Synchronize folder", "", ""},
      {kCmdSyncProfile, "Synchronize profile", "", ""},
      {kCmdStopSync, "S&top synchronization", "", ""},
      {kCmdCheckVersion, "Check for new versions", "", ""},
      {kCmdBaseDirectory, "&Base directory", "", ""},
      {kCmdLanguage, "&Language", "", ""},
      {kCmdAddLanguage, "&Add new language", "", ""},
      {kCmdHelpContents, "&Contents...", "", ""},
      {kCmdHelpIndex, "&Index", "", ""},
      {kCmdHelpSearch, "&Search", "", ""},
      {kCmdForum, "&Forum", "", ""},
      {kCmdAbout, "&About Albumsmith...", "", ""},
  };
  return commands;
}

const CommandInfo* FindCommand(Command id) {
  const auto& all = Commands();
  auto it = std::find_if(all.begin(), all.end(), [id](const CommandInfo& c) { return c.id == id; });
  return it == all.end() ? nullptr : &*it;
}

const std::vector<MenuInfo>& Menus() {
  static const std::vector<MenuInfo> menus = {
      {"&Profile", {kCmdNew, kCmdOpen, kSeparator, kCmdUsers, kSeparator, kCmdPreview, kCmdProperties, kSeparator, kCmdExit}},
      {"&Edit", {kCmdUndo, kSeparator, kCmdCut, kCmdCopy, kCmdPaste, kSeparator, kCmdSelectAll, kCmdUnselect}},
      {"F&older",
       {kCmdImportFolder, kSeparator, kCmdNewFolder, kCmdDeleteFolder, kCmdMoveFolder, kCmdRenameFolder, kSeparator,
        kCmdAccess, kSeparator, kCmdFolderBefore, kCmdFolderAfter, kSeparator, kCmdFolderProperties}},
      {"&Image", {kCmdImportImages, kCmdDeleteImages, kSeparator, kCmdTagImages, kCmdDisplayImage}},
      {"&View", {kCmdToolbar, kCmdStatusBar, kCmdFolderTree, kSeparator, kCmdThumbnails, kCmdList}},
      {"&Transform", {kCmdRotate90, kCmdRotate180, kCmdRotate270, kSeparator, kCmdFlipHorizontal, kCmdFlipVertical}},
      {"&Date", {kCmdTimeOffset, kCmdSetDate}},
      {"Se&rver", {kCmdSyncFolder, kCmdSyncProfile, kCmdStopSync, kSeparator, kCmdCheckVersion}},
      {"&Settings", {kCmdBaseDirectory, kCmdLanguage, kCmdAddLanguage}},
      {"&Help", {kCmdHelpContents, kCmdHelpIndex, kCmdHelpSearch, kSeparator, kCmdForum, kSeparator, kCmdAbout}},
  };
  return menus;
}

const std::vector<Command>& ToolBarLayout() {
  static const std::vector<Command> layout = {
      kCmdExit, kCmdUsers, kCmdAccess, kCmdNew, kCmdOpen, kSeparator,
      kCmdProperties, kCmdPreview, kSeparator,
      kCmdSyncFolder, kCmdSyncProfile, kCmdStopSync, kSeparator,
      kCmdNewFolder, kCmdDeleteFolder, kCmdMoveFolder, kCmdFolderBefore, kCmdFolderAfter, kCmdRenameFolder,
      kCmdImportFolder, kCmdFolderProperties, kSeparator,
      // The ordering selector belongs with the display modes of the image list.
      kCmdThumbnails, kCmdList, kCmdSortSelector, kSeparator,
      kCmdCut, kCmdCopy, kCmdPaste, kCmdUndo, kSeparator,
      kCmdRotate270, kCmdRotate90, kCmdRotate180, kCmdFlipHorizontal, kCmdFlipVertical, kSeparator,
      kCmdTagImages, kCmdTimeOffset, kCmdSetDate, kSeparator,
      kCmdDisplayImage, kCmdDeleteImages, kCmdImportImages, kCmdHelpContents,
  };
  return layout;
}

const std::vector<Command>& HiddenToolBarButtons() {
  static const std::vector<Command> hidden = {kCmdExit, kCmdUsers, kCmdAccess};
  return hidden;
}

CommandHelp HelpFor(const CommandInfo& command) {
  CommandHelp help;
  const std::string text = LoadString(command.id);
  const auto newline = text.find('\n');
  if (newline != std::string::npos) {
    help.prompt = text.substr(0, newline);
    help.tooltip = text.substr(newline + 1);
  } else {
    help.prompt = text;
  }
  if (help.tooltip.empty()) help.tooltip = ReplaceAll(command.text, "&", "");
  return help;
}

bool CommandEnabled(Command id, const FrameState& state) {
  const bool idle = !state.imagesLoading && !state.syncRunning;
  switch (id) {
    case kCmdNew:
    case kCmdOpen:
      return idle;
    case kCmdProperties:
      return state.profileOpen && idle;
    case kCmdFolderTree:
      return !state.profileName.empty();
    case kCmdExit:
    case kCmdToolbar:
    case kCmdStatusBar:
    case kCmdThumbnails:
    case kCmdList:
    case kCmdCheckVersion:
    case kCmdLanguage:
    case kCmdAddLanguage:
    case kCmdForum:
    case kCmdAbout:
      return true;
    default:
      // Users, preview, editing, folders, images, transforms, dates,
      // publishing, access rights, the base directory move and the help
      // file come with their features.
      return false;
  }
}

}  // namespace albumsmith::ui
