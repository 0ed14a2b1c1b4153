#include "ui/command_icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace albumsmith::ui {

namespace {

constexpr int kSize = 32;

// A rounded tile in the command group's colour with a glyph on it.
QIcon Tile(const QString& glyph, const QColor& color, qreal glyphScale = 0.62) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawRoundedRect(QRectF(2, 2, kSize - 4, kSize - 4), 6, 6);
  QFont font;
  font.setPixelSize(static_cast<int>(kSize * glyphScale));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, glyph);
  return QIcon(pixmap);
}

// Sheets of paper drawn on a tile: one offset pair for "copy", a clipboard
// for "paste".
QIcon Sheets(bool clipboard, const QColor& color) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawRoundedRect(QRectF(2, 2, kSize - 4, kSize - 4), 6, 6);
  p.setPen(QPen(color, 2));
  p.setBrush(Qt::white);
  if (clipboard) {
    p.drawRoundedRect(QRectF(8, 7, 16, 19), 2, 2);
    p.setBrush(color.darker(130));
    p.drawRoundedRect(QRectF(12, 5, 8, 5), 1.5, 1.5);
  } else {
    p.drawRect(QRectF(7, 7, 12, 15));
    p.drawRect(QRectF(13, 11, 12, 15));
  }
  return QIcon(pixmap);
}

// A standard icon with a small badge in its lower right corner.
QIcon Badged(const QIcon& base, const QString& badge, const QColor& color) {
  QPixmap pixmap = base.pixmap(kSize, kSize);
  if (pixmap.isNull()) return Tile(badge, color);
  pixmap = pixmap.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  const QRectF badgeRect(kSize * 0.45, kSize * 0.45, kSize * 0.55, kSize * 0.55);
  p.drawEllipse(badgeRect);
  QFont font;
  font.setPixelSize(static_cast<int>(kSize * 0.42));
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(badgeRect, Qt::AlignCenter, badge);
  return QIcon(pixmap);
}

const QColor kEditColor(0x3b, 0x6e, 0xa8);
const QColor kImageColor(0x2e, 0x8b, 0x57);
const QColor kTransformColor(0x8a, 0x4f, 0xb0);
const QColor kDateColor(0xc0, 0x6a, 0x1a);
const QColor kFolderColor(0xb0, 0x3a, 0x2e);
const QColor kAdminColor(0x55, 0x5f, 0x6b);

}  // namespace

QIcon CommandIcon(CommandId id, const QStyle* style) {
  using C = CommandId;
  auto standard = [style](QStyle::StandardPixmap sp) { return style->standardIcon(sp); };
  switch (id) {
    case C::kExit: return standard(QStyle::SP_DialogCloseButton);
    case C::kUsersManagement: return Tile(QStringLiteral("U"), kAdminColor);
    case C::kAccess: return Tile(QStringLiteral("A"), kAdminColor);
    case C::kNewProfile: return standard(QStyle::SP_FileIcon);
    case C::kOpenProfile: return standard(QStyle::SP_DialogOpenButton);
    case C::kProfileProperties: return standard(QStyle::SP_FileDialogInfoView);
    case C::kPreview: return standard(QStyle::SP_FileDialogContentsView);
    case C::kSyncFolder: return standard(QStyle::SP_BrowserReload);
    case C::kSyncProfile: return standard(QStyle::SP_DriveNetIcon);
    case C::kStopSync: return standard(QStyle::SP_BrowserStop);
    case C::kNewFolder: return standard(QStyle::SP_FileDialogNewFolder);
    case C::kDeleteFolder: return Badged(standard(QStyle::SP_DirIcon), QStringLiteral("\u00D7"), kFolderColor);
    case C::kMoveFolder: return standard(QStyle::SP_DirLinkIcon);
    case C::kBefore: return standard(QStyle::SP_ArrowUp);
    case C::kAfter: return standard(QStyle::SP_ArrowDown);
    case C::kRenameFolder: return Badged(standard(QStyle::SP_DirIcon), QStringLiteral("a"), kEditColor);
    case C::kImportFolder: return standard(QStyle::SP_DirOpenIcon);
    case C::kFolderProperties: return Badged(standard(QStyle::SP_DirIcon), QStringLiteral("i"), kAdminColor);
    case C::kThumbnails: return standard(QStyle::SP_FileDialogListView);
    case C::kList: return standard(QStyle::SP_FileDialogDetailedView);
    case C::kCut: return Tile(QStringLiteral("\u2702"), kEditColor);
    case C::kCopy: return Sheets(false, kEditColor);
    case C::kPaste: return Sheets(true, kEditColor);
    case C::kUndo: return Tile(QStringLiteral("\u21B6"), kEditColor);
    case C::kRotate270: return Tile(QStringLiteral("\u21BA"), kTransformColor);
    case C::kRotate90: return Tile(QStringLiteral("\u21BB"), kTransformColor);
    case C::kRotate180: return Tile(QStringLiteral("180"), kTransformColor, 0.36);
    case C::kFlipLeftRight: return Tile(QStringLiteral("\u21C6"), kTransformColor);
    case C::kFlipUpDown: return Tile(QStringLiteral("\u21C5"), kTransformColor);
    case C::kTagImages: return Tile(QStringLiteral("T"), kImageColor);
    case C::kTimeOffset: return Tile(QStringLiteral("\u00B1"), kDateColor);
    case C::kSetDate: return Tile(QStringLiteral("31"), kDateColor, 0.45);
    case C::kDisplayImage: return Tile(QStringLiteral("\u25A3"), kImageColor);
    case C::kDeleteImages: return standard(QStyle::SP_TrashIcon);
    case C::kImportImages: return Tile(QStringLiteral("+"), kImageColor);
    case C::kHelpContents: return Tile(QStringLiteral("?"), kAdminColor);
    default: return {};
  }
}

}  // namespace albumsmith::ui
