#include "app/commands.h"

#include <gtest/gtest.h>

#include <set>

namespace albumsmith {
namespace {

using C = CommandId;

CommandState Idle() {
  CommandState s;
  s.profileOpen = true;
  s.openProfileName = "Holiday";
  s.folderSelected = true;
  return s;
}

std::vector<CommandId> AllIds() {
  std::vector<CommandId> ids;
  for (const CommandInfo& c : Commands()) ids.push_back(c.id);
  return ids;
}

TEST(CommandSetTest, NothingButProfileAndHelpWithoutAProfile) {
  const CommandState none;
  const std::set<CommandId> enabled = {C::kNewProfile,    C::kOpenProfile, C::kExit,        C::kViewToolbar,
                                       C::kViewStatusBar, C::kThumbnails,  C::kList,        C::kCheckVersion,
                                       C::kBaseDirectory, C::kLanguage,    C::kAddLanguage, C::kHelpContents,
                                       C::kHelpIndex,     C::kHelpSearch,  C::kForum,       C::kAbout};
  for (CommandId id : AllIds())
    EXPECT_EQ(CommandRule(id, none).enabled, enabled.count(id) == 1) << FindCommand(id)->menuText;
}

TEST(CommandSetTest, WhileSynchronizing) {
  CommandState s = Idle();
  s.syncRunning = true;
  for (CommandId id :
       {C::kNewProfile, C::kOpenProfile, C::kProfileProperties, C::kPreview, C::kSyncFolder, C::kSyncProfile})
    EXPECT_FALSE(CommandRule(id, s).enabled) << FindCommand(id)->menuText;
  EXPECT_TRUE(CommandRule(C::kStopSync, s).enabled);
  s.stopRequested = true;  // Stop chosen once
  EXPECT_FALSE(CommandRule(C::kStopSync, s).enabled);
  s.syncRunning = false;
  s.stopRequested = false;
  EXPECT_FALSE(CommandRule(C::kStopSync, s).enabled);
  EXPECT_TRUE(CommandRule(C::kSyncFolder, s).enabled);
}

TEST(CommandSetTest, PasteNeedsNoSelection) {
  CommandState s = Idle();
  s.clipboardNotEmpty = true;
  s.selectedCount = 0;
  EXPECT_TRUE(CommandRule(C::kPaste, s).enabled);
  EXPECT_FALSE(CommandRule(C::kCut, s).enabled);
}

// Each row: the command and the one state change that flips it. The base
// state enables the command; the change disables it.
TEST(CommandSetTest, EveryRowsCondition) {
  struct Row {
    CommandId id;
    std::function<void(CommandState&)> enable;   // applied to the idle state
    std::function<void(CommandState&)> disable;  // applied after enable
  };
  auto none = [](CommandState&) {};
  const Row rows[] = {
      {C::kNewProfile, none, [](CommandState& s) { s.imagesLoading = true; }},
      {C::kOpenProfile, none, [](CommandState& s) { s.syncRunning = true; }},
      {C::kUsersManagement, [](CommandState& s) { s.phpMode = true; }, [](CommandState& s) { s.phpMode = false; }},
      {C::kPreview, none, [](CommandState& s) { s.imagesLoading = true; }},
      {C::kProfileProperties, none, [](CommandState& s) { s.profileOpen = false; }},
      {C::kUndo, [](CommandState& s) { s.undoNotEmpty = true; }, [](CommandState& s) { s.profileOpen = false; }},
      {C::kCut, [](CommandState& s) { s.selectedCount = 2; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kCopy, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.profileOpen = false; }},
      {C::kPaste, [](CommandState& s) { s.clipboardNotEmpty = true; },
       [](CommandState& s) { s.clipboardNotEmpty = false; }},
      {C::kSelectAll, [](CommandState& s) { s.itemCount = 3; }, [](CommandState& s) { s.itemCount = 0; }},
      {C::kUnselect, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kImportFolder, none, [](CommandState& s) { s.folderSelected = false; }},
      {C::kNewFolder, none, [](CommandState& s) { s.profileOpen = false; }},
      {C::kDeleteFolder, none, [](CommandState& s) { s.folderSelected = false; }},
      {C::kDeleteFolder, none, [](CommandState& s) { s.selectedFolderIsRoot = true; }},
      {C::kMoveFolder, none, [](CommandState& s) { s.selectedFolderIsRoot = true; }},
      {C::kRenameFolder, none, [](CommandState& s) { s.selectedFolderIsRoot = true; }},
      {C::kAccess, [](CommandState& s) { s.accessControlActive = true; },
       [](CommandState& s) { s.folderSelected = false; }},
      {C::kBefore, [](CommandState& s) { s.canMoveFolderUp = true; },
       [](CommandState& s) { s.canMoveFolderUp = false; }},
      {C::kAfter, [](CommandState& s) { s.canMoveFolderDown = true; },
       [](CommandState& s) { s.canMoveFolderDown = false; }},
      {C::kFolderProperties, none, [](CommandState& s) { s.folderSelected = false; }},
      {C::kImportImages, none, [](CommandState& s) { s.profileOpen = false; }},
      {C::kDeleteImages, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kTagImages, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kDisplayImage, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kViewFolderTree, none, [](CommandState& s) { s.openProfileName.clear(); }},
      {C::kRotate90, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kFlipUpDown, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.profileOpen = false; }},
      {C::kTimeOffset, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kSetDate, [](CommandState& s) { s.selectedCount = 1; }, [](CommandState& s) { s.selectedCount = 0; }},
      {C::kSyncFolder, none, [](CommandState& s) { s.syncRunning = true; }},
      {C::kSyncProfile, none, [](CommandState& s) { s.imagesLoading = true; }},
      {C::kShowChanges, none, [](CommandState& s) { s.syncRunning = true; }},
      {C::kStopSync, [](CommandState& s) { s.syncRunning = true; }, [](CommandState& s) { s.stopRequested = true; }},
  };
  for (const Row& row : rows) {
    CommandState s = Idle();
    row.enable(s);
    EXPECT_TRUE(CommandRule(row.id, s).enabled) << FindCommand(row.id)->menuText;
    row.disable(s);
    EXPECT_FALSE(CommandRule(row.id, s).enabled) << FindCommand(row.id)->menuText;
  }
}

TEST(CommandSetTest, MarksFollowTheState) {
  CommandState s;
  s.displayMode = 0;
  EXPECT_TRUE(CommandRule(C::kThumbnails, s).checked);
  EXPECT_FALSE(CommandRule(C::kList, s).checked);
  s.displayMode = 1;
  EXPECT_TRUE(CommandRule(C::kList, s).checked);
  s.checkVersion = true;
  s.toolbarVisible = false;
  EXPECT_TRUE(CommandRule(C::kCheckVersion, s).checked);
  EXPECT_FALSE(CommandRule(C::kViewToolbar, s).checked);
}

TEST(CommandSetTest, TableIsConsistent) {
  // Every tool bar button is a command marked as being on the tool bar, and
  // the other way round; prompts split at the line break.
  std::set<CommandId> onBar;
  for (CommandId id : ToolbarLayout()) {
    if (id == C::kSeparator) continue;
    ASSERT_NE(FindCommand(id), nullptr);
    EXPECT_TRUE(FindCommand(id)->toolbar) << FindCommand(id)->menuText;
    EXPECT_TRUE(onBar.insert(id).second);
  }
  for (const CommandInfo& c : Commands()) EXPECT_EQ(c.toolbar, onBar.count(c.id) == 1) << c.menuText;
  EXPECT_EQ(CommandPrompt(C::kSyncFolder),
            std::make_pair(std::string("Synchronize the current folder with the remote server"),
                           std::string("Synchronize the current folder")));
  EXPECT_EQ(CommandPrompt(C::kFolderProperties).second, "Folder properties");
}

}  // namespace
}  // namespace albumsmith
