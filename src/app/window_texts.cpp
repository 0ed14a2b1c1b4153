#include "app/window_texts.h"

#include <map>

#include "platform/strings.h"

namespace albumsmith {

namespace {

using C = CommandId;

constexpr TextId kMenuTitleTexts[] = {
    TextId::kMenuProfile,   TextId::kMenuEdit, TextId::kMenuFolder, TextId::kMenuImage,    TextId::kMenuView,
    TextId::kMenuTransform, TextId::kMenuDate, TextId::kMenuServer, TextId::kMenuSettings, TextId::kMenuHelp};

const std::map<CommandId, TextId>& MenuItemTexts() {
  static const std::map<CommandId, TextId> texts = {
      {C::kNewProfile, TextId::kMenuItemNewProfile},
      {C::kOpenProfile, TextId::kMenuItemOpenProfile},
      {C::kUsersManagement, TextId::kMenuItemUsersManagement},
      {C::kPreview, TextId::kMenuItemPreview},
      {C::kProfileProperties, TextId::kMenuItemProfileProperties},
      {C::kExit, TextId::kMenuItemExit},
      {C::kUndo, TextId::kMenuItemUndo},
      {C::kCut, TextId::kMenuItemCut},
      {C::kCopy, TextId::kMenuItemCopy},
      {C::kPaste, TextId::kMenuItemPaste},
      {C::kSelectAll, TextId::kMenuItemSelectAll},
      {C::kUnselect, TextId::kMenuItemUnselect},
      {C::kImportFolder, TextId::kMenuItemImportFolder},
      {C::kNewFolder, TextId::kMenuItemNewFolder},
      {C::kDeleteFolder, TextId::kMenuItemDeleteFolder},
      {C::kMoveFolder, TextId::kMenuItemMoveFolder},
      {C::kRenameFolder, TextId::kMenuItemRenameFolder},
      {C::kAccess, TextId::kMenuItemAccess},
      {C::kBefore, TextId::kMenuItemBefore},
      {C::kAfter, TextId::kMenuItemAfter},
      {C::kFolderProperties, TextId::kMenuItemFolderProperties},
      {C::kImportImages, TextId::kMenuItemImportImages},
      {C::kDeleteImages, TextId::kMenuItemDeleteImages},
      {C::kTagImages, TextId::kMenuItemTagImages},
      {C::kDisplayImage, TextId::kMenuItemDisplayImage},
      {C::kViewToolbar, TextId::kMenuItemViewToolbar},
      {C::kViewStatusBar, TextId::kMenuItemViewStatusBar},
      {C::kViewFolderTree, TextId::kMenuItemViewFolderTree},
      {C::kThumbnails, TextId::kMenuItemThumbnails},
      {C::kList, TextId::kMenuItemList},
      {C::kRotate90, TextId::kMenuItemRotate90},
      {C::kRotate180, TextId::kMenuItemRotate180},
      {C::kRotate270, TextId::kMenuItemRotate270},
      {C::kFlipLeftRight, TextId::kMenuItemFlipLeftRight},
      {C::kFlipUpDown, TextId::kMenuItemFlipUpDown},
      {C::kTimeOffset, TextId::kMenuItemTimeOffset},
      {C::kSetDate, TextId::kMenuItemSetDate},
      {C::kSyncFolder, TextId::kMenuItemSyncFolder},
      {C::kSyncProfile, TextId::kMenuItemSyncProfile},
      {C::kStopSync, TextId::kMenuItemStopSync},
      {C::kShowChanges, TextId::kMenuItemShowChanges},
      {C::kCheckVersion, TextId::kMenuItemCheckVersion},
      {C::kBaseDirectory, TextId::kMenuItemBaseDirectory},
      {C::kLanguage, TextId::kMenuItemLanguage},
      {C::kAddLanguage, TextId::kMenuItemAddLanguage},
      {C::kHelpContents, TextId::kMenuItemHelpContents},
      {C::kHelpIndex, TextId::kMenuItemHelpIndex},
      {C::kHelpSearch, TextId::kMenuItemHelpSearch},
      {C::kForum, TextId::kMenuItemForum},
      {C::kAbout, TextId::kMenuItemAbout},
  };
  return texts;
}

}  // namespace

std::string MenuTitleText(size_t index) {
  const auto& titles = MenuTitles();
  if (index >= titles.size()) return {};
  if (index < std::size(kMenuTitleTexts)) {
    std::string text = LoadString(kMenuTitleTexts[index]);
    if (!text.empty()) return text;
  }
  return titles[index];
}

std::string MenuItemText(CommandId id) {
  const auto found = MenuItemTexts().find(id);
  if (found != MenuItemTexts().end()) {
    std::string text = LoadString(found->second);
    if (!text.empty()) return text;
  }
  const CommandInfo* info = FindCommand(id);
  return info ? info->menuText : std::string();
}

}  // namespace albumsmith
