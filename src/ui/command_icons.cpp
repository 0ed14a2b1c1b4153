#include "ui/command_icons.h"

#include <QFile>

namespace albumsmith::ui {

namespace {

struct IconNames {
  const char* theme;    // freedesktop icon naming, "" when none fits
  const char* bundled;  // icons/<name>.svg
};

IconNames NamesOf(CommandId id) {
  using C = CommandId;
  switch (id) {
    case C::kNewProfile:
      return {"document-new", "new-profile"};
    case C::kOpenProfile:
      return {"document-open", "open-profile"};
    case C::kUsersManagement:
      return {"system-users", "users"};
    case C::kPreview:
      return {"document-print-preview", "preview"};
    case C::kProfileProperties:
      return {"document-properties", "properties"};
    case C::kExit:
      return {"application-exit", "exit"};
    case C::kUndo:
      return {"edit-undo", "undo"};
    case C::kCut:
      return {"edit-cut", "cut"};
    case C::kCopy:
      return {"edit-copy", "copy"};
    case C::kPaste:
      return {"edit-paste", "paste"};
    case C::kSelectAll:
      return {"edit-select-all", "select-all"};
    case C::kUnselect:
      return {"edit-clear", "unselect"};
    case C::kImportFolder:
      return {"folder-download", "import-folder"};
    case C::kNewFolder:
      return {"folder-new", "new-folder"};
    case C::kDeleteFolder:
      return {"", "delete-folder"};
    case C::kMoveFolder:
      return {"", "move-folder"};
    case C::kRenameFolder:
      return {"", "rename-folder"};
    case C::kAccess:
      return {"changes-prevent", "access"};
    case C::kBefore:
      return {"go-up", "before"};
    case C::kAfter:
      return {"go-down", "after"};
    case C::kFolderProperties:
      return {"", "folder-properties"};
    case C::kImportImages:
      return {"", "import-images"};
    case C::kDeleteImages:
      return {"", "delete-images"};
    case C::kTagImages:
      return {"", "tag-images"};
    case C::kDisplayImage:
      return {"", "display-image"};
    case C::kViewToolbar:
      return {"", "toolbar"};
    case C::kViewStatusBar:
      return {"", "status-bar"};
    case C::kViewFolderTree:
      return {"", "folder-tree"};
    case C::kThumbnails:
      return {"view-list-icons", "thumbnails"};
    case C::kList:
      return {"view-list-details", "list"};
    case C::kRotate90:
      return {"object-rotate-right", "rotate-right"};
    case C::kRotate180:
      return {"", "rotate-180"};
    case C::kRotate270:
      return {"object-rotate-left", "rotate-left"};
    case C::kFlipLeftRight:
      return {"object-flip-horizontal", "flip-horizontal"};
    case C::kFlipUpDown:
      return {"object-flip-vertical", "flip-vertical"};
    case C::kTimeOffset:
      return {"", "time-offset"};
    case C::kSetDate:
      return {"", "set-date"};
    case C::kSyncFolder:
      return {"", "sync-folder"};
    case C::kSyncProfile:
      return {"", "sync-profile"};
    case C::kStopSync:
      return {"process-stop", "stop"};
    case C::kShowChanges:
      return {"", "show-changes"};
    case C::kCheckVersion:
      return {"", "check-version"};
    case C::kBaseDirectory:
      return {"", "base-directory"};
    case C::kLanguage:
      return {"preferences-desktop-locale", "language"};
    case C::kAddLanguage:
      return {"", "add-language"};
    case C::kHelpContents:
      return {"help-contents", "help-contents"};
    case C::kHelpIndex:
      return {"", "help-index"};
    case C::kHelpSearch:
      return {"", "help-search"};
    case C::kForum:
      return {"", "forum"};
    case C::kAbout:
      return {"help-about", "about"};
    default:
      return {"", ""};
  }
}

}  // namespace

QIcon BundledCommandIcon(CommandId id) {
  const IconNames names = NamesOf(id);
  if (!*names.bundled) return {};
  const QString file = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(names.bundled));
  return QFile::exists(file) ? QIcon(file) : QIcon();
}

QIcon CommandIcon(CommandId id, const QStyle*) {
  const IconNames names = NamesOf(id);
  const QIcon bundled = BundledCommandIcon(id);
  // A theme icon only where the theme has the name; the program's own
  // picture otherwise, so that a command never shows an empty tile.
  if (*names.theme && QIcon::hasThemeIcon(QLatin1String(names.theme)))
    return QIcon::fromTheme(QLatin1String(names.theme), bundled);
  return bundled;
}

}  // namespace albumsmith::ui
