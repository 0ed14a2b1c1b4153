#include "app/commands.h"

#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

namespace {
using C = CommandId;
using R = Receiver;
}  // namespace

const std::vector<CommandInfo>& Commands() {
  static const std::vector<CommandInfo> commands = {
      {C::kNewProfile, "&Profile", "&New", true, {"Ctrl+N"}, R::kFrame},
      {C::kOpenProfile, "&Profile", "&Open...", true, {"Ctrl+O"}, R::kFrame},
      {C::kUsersManagement, "&Profile", "&Users management", true, {}, R::kFrame},
      {C::kPreview, "&Profile", "P&review", true, {}, R::kFrame},
      {C::kProfileProperties, "&Profile", "&Properties", true, {}, R::kFrame},
      {C::kExit, "&Profile", "E&xit", true, {}, R::kFrame},
      {C::kUndo, "&Edit", "&Undo", true, {"Ctrl+Z", "Alt+Backspace"}, R::kFrame},
      {C::kCut, "&Edit", "Cu&t", true, {"Ctrl+X", "Shift+Delete"}, R::kView},
      {C::kCopy, "&Edit", "&Copy", true, {"Ctrl+C", "Ctrl+Insert"}, R::kView},
      {C::kPaste, "&Edit", "&Paste", true, {"Ctrl+V", "Shift+Insert"}, R::kView},
      {C::kSelectAll, "&Edit", "Select A&ll", false, {}, R::kView},
      {C::kUnselect, "&Edit", "&Unselect", false, {}, R::kView},
      {C::kImportFolder, "F&older", "&Import folder", true, {}, R::kTreePane},
      {C::kNewFolder, "F&older", "&New folder", true, {}, R::kTreePane},
      {C::kDeleteFolder, "F&older", "&Delete folder", true, {}, R::kTreePane},
      {C::kMoveFolder, "F&older", "&Move folder", true, {}, R::kTreePane},
      {C::kRenameFolder, "F&older", "&Rename folder", true, {}, R::kTreePane},
      {C::kAccess, "F&older", "&Access", true, {}, R::kTreePane},
      {C::kBefore, "F&older", "&Before", true, {}, R::kTreePane},
      {C::kAfter, "F&older", "A&fter", true, {}, R::kTreePane},
      {C::kFolderProperties, "F&older", "&Properties", true, {}, R::kTreePane},
      {C::kImportImages, "&Image", "&Import image(s)", true, {}, R::kView},
      {C::kDeleteImages, "&Image", "&Delete image(s)", true, {}, R::kView},
      {C::kTagImages, "&Image", "&Tag image(s)", true, {}, R::kView},
      {C::kDisplayImage, "&Image", "Display I&mage", true, {}, R::kView},
      {C::kViewToolbar, "&View", "&Toolbar", false, {}, R::kFrame},
      {C::kViewStatusBar, "&View", "&Status Bar", false, {}, R::kFrame},
      {C::kViewFolderTree, "&View", "&Folder tree", false, {}, R::kFrame},
      {C::kThumbnails, "&View", "T&humnails", true, {}, R::kView},
      {C::kList, "&View", "&List", true, {}, R::kView},
      {C::kRotate90, "&Transform", "Rotate &90°", true, {}, R::kView},
      {C::kRotate180, "&Transform", "Rotate &180°", true, {}, R::kView},
      {C::kRotate270, "&Transform", "Rotate &270°", true, {}, R::kView},
      {C::kFlipLeftRight, "&Transform", "Flip left/right", true, {}, R::kView},
      {C::kFlipUpDown, "&Transform", "Flip up/down", true, {}, R::kView},
      {C::kTimeOffset, "&Date", "&Add/Remove time offset", true, {}, R::kView},
      {C::kSetDate, "&Date", "&Set Date", true, {}, R::kView},
      {C::kSyncFolder, "&Server", "&Synchronize folder", true, {}, R::kFrame},
      {C::kSyncProfile, "&Server", "Synchronize profile", true, {}, R::kFrame},
      {C::kShowChanges, "&Server", "Show c&hanges...", false, {}, R::kFrame},
      {C::kStopSync, "&Server", "S&top synchronization", true, {}, R::kFrame},
      {C::kCheckVersion, "&Server", "Check for new versions", false, {}, R::kFrame},
      {C::kBaseDirectory, "S&ettings", "&Base directory", false, {}, R::kFrame},
      {C::kLanguage, "S&ettings", "&Language", false, {}, R::kFrame},
      {C::kAddLanguage, "S&ettings", "&Add new language", false, {}, R::kFrame},
      {C::kHelpContents, "&Help", "&Contents...", true, {"F1"}, R::kView},
      {C::kHelpIndex, "&Help", "&Index", false, {}, R::kView},
      {C::kHelpSearch, "&Help", "&Search", false, {}, R::kView},
      {C::kForum, "&Help", "&Forum", false, {}, R::kFrame},
      {C::kAbout, "&Help", "&About Albumsmith...", false, {}, R::kApplication},
  };
  return commands;
}

const CommandInfo* FindCommand(CommandId id) {
  for (const CommandInfo& c : Commands())
    if (c.id == id) return &c;
  return nullptr;
}

const std::vector<const char*>& MenuTitles() {
  static const std::vector<const char*> titles = {"&Profile",   "&Edit", "F&older", "&Image",    "&View",
                                                  "&Transform", "&Date", "&Server", "S&ettings", "&Help"};
  return titles;
}

const std::vector<CommandId>& ToolbarLayout() {
  static const std::vector<CommandId> layout = {
      C::kExit,
      C::kUsersManagement,
      C::kAccess,
      C::kNewProfile,
      C::kOpenProfile,
      C::kSeparator,
      C::kProfileProperties,
      C::kPreview,
      C::kSeparator,
      C::kSyncFolder,
      C::kSyncProfile,
      C::kStopSync,
      C::kSeparator,
      C::kNewFolder,
      C::kDeleteFolder,
      C::kMoveFolder,
      C::kBefore,
      C::kAfter,
      C::kRenameFolder,
      C::kImportFolder,
      C::kFolderProperties,
      C::kSeparator,
      C::kThumbnails,
      C::kList,
      C::kSeparator,
      C::kCut,
      C::kCopy,
      C::kPaste,
      C::kUndo,
      C::kSeparator,
      C::kRotate270,
      C::kRotate90,
      C::kRotate180,
      C::kFlipLeftRight,
      C::kFlipUpDown,
      C::kSeparator,
      C::kTagImages,
      C::kTimeOffset,
      C::kSetDate,
      C::kSeparator,
      C::kDisplayImage,
      C::kDeleteImages,
      C::kImportImages,
      C::kHelpContents,
  };
  return layout;
}

bool HiddenOnToolbar(CommandId id) { return id == C::kExit || id == C::kUsersManagement || id == C::kAccess; }

bool MenuSeparatorBefore(CommandId id) {
  switch (id) {
    case C::kUsersManagement:
    case C::kPreview:
    case C::kExit:
    case C::kCut:
    case C::kSelectAll:
    case C::kNewFolder:
    case C::kAccess:
    case C::kBefore:
    case C::kFolderProperties:
    case C::kTagImages:
    case C::kThumbnails:
    case C::kFlipLeftRight:
    case C::kCheckVersion:
    case C::kForum:
    case C::kAbout:
      return true;
    default:
      return false;
  }
}

std::pair<std::string, std::string> CommandPrompt(CommandId id) {
  std::string text = LoadString(static_cast<TextId>(id));
  if (text.empty()) {
    const CommandInfo* info = FindCommand(id);
    text = info ? ReplaceAll(info->menuText, "&", "") : "";
    if (EndsWith(text, "...")) text.resize(text.size() - 3);
  }
  const size_t nl = text.find('\n');
  if (nl == std::string::npos) return {text, text};
  return {text.substr(0, nl), text.substr(nl + 1)};
}

CommandStatus CommandRule(CommandId id, const CommandState& s) {
  const bool idle = !s.imagesLoading && !s.syncRunning;
  const bool selected = s.profileOpen && s.selectedCount > 0;
  switch (id) {
    case C::kNewProfile:
    case C::kOpenProfile:
      return {idle};
    case C::kUsersManagement:
      return {s.phpMode};
    case C::kPreview:
    case C::kProfileProperties:
    case C::kSyncFolder:
    case C::kSyncProfile:
    case C::kShowChanges:
      return {s.profileOpen && idle};
    case C::kUndo:
      return {s.profileOpen && s.undoNotEmpty};
    case C::kCut:
    case C::kCopy:
    case C::kDeleteImages:
    case C::kTagImages:
    case C::kDisplayImage:
    case C::kRotate90:
    case C::kRotate180:
    case C::kRotate270:
    case C::kFlipLeftRight:
    case C::kFlipUpDown:
    case C::kTimeOffset:
    case C::kSetDate:
      return {selected};
    case C::kPaste:
      return {s.profileOpen && s.clipboardNotEmpty};
    case C::kSelectAll:
      return {s.itemCount > 0};
    case C::kUnselect:
      return {s.selectedCount > 0};
    case C::kImportFolder:
    case C::kNewFolder:
      return {s.profileOpen && s.folderSelected};
    case C::kDeleteFolder:
    case C::kMoveFolder:
    case C::kRenameFolder:
      return {s.profileOpen && s.folderSelected && !s.selectedFolderIsRoot};
    case C::kAccess:
      return {s.accessControlActive && s.folderSelected};
    case C::kBefore:
      return {s.profileOpen && s.canMoveFolderUp};
    case C::kAfter:
      return {s.profileOpen && s.canMoveFolderDown};
    case C::kFolderProperties:
      return {s.folderSelected};
    case C::kImportImages:
      return {s.profileOpen};
    case C::kViewToolbar:
      return {true, s.toolbarVisible};
    case C::kViewStatusBar:
      return {true, s.statusBarVisible};
    case C::kViewFolderTree:
      return {!s.openProfileName.empty(), s.folderTreeVisible};
    case C::kThumbnails:
      return {true, s.displayMode == 0};
    case C::kList:
      return {true, s.displayMode != 0};
    case C::kStopSync:
      return {s.profileOpen && s.syncRunning && !s.stopRequested};
    case C::kCheckVersion:
      return {true, s.checkVersion};
    case C::kExit:
    case C::kBaseDirectory:
    case C::kLanguage:
    case C::kAddLanguage:
    case C::kHelpContents:
    case C::kHelpIndex:
    case C::kHelpSearch:
    case C::kForum:
    case C::kAbout:
      return {true};
    case C::kSeparator:
      break;
  }
  return {false};
}

}  // namespace albumsmith
