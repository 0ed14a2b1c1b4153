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

QIcon CommandIcon(Command id, const QStyle* style) {
  auto standard = [style](QStyle::StandardPixmap sp) { return style->standardIcon(sp); };
  switch (id) {
    case kCmdExit: return standard(QStyle::SP_DialogCloseButton);
    case kCmdUsers: return Tile(QStringLiteral("U"), kAdminColor);
    case kCmdAccess: return Tile(QStringLiteral("A"), kAdminColor);
    case kCmdNew: return standard(QStyle::SP_FileIcon);
    case kCmdOpen: return standard(QStyle::SP_DialogOpenButton);
    case kCmdProperties: return standard(QStyle::SP_FileDialogInfoView);
    case kCmdPreview: return standard(QStyle::SP_FileDialogContentsView);
    case kCmdSyncFolder: return standard(QStyle::SP_BrowserReload);
    case kCmdSyncProfile: return standard(QStyle::SP_DriveNetIcon);
    case kCmdStopSync: return standard(QStyle::SP_BrowserStop);
    case kCmdNewFolder: return standard(QStyle::SP_FileDialogNewFolder);
    case kCmdDeleteFolder: return Badged(standard(QStyle::SP_DirIcon), QStringLiteral("\u00D7"), kFolderColor);
    case kCmdMoveFolder: return standard(QStyle::SP_DirLinkIcon);
    case kCmdFolderBefore: return standard(QStyle::SP_ArrowUp);
    case kCmdFolderAfter: return standard(QStyle::SP_ArrowDown);
    case kCmdRenameFolder: return Badged(standard(QStyle::SP_DirIcon), QStringLiteral("a"), kEditColor);
    case kCmdImportFolder: return standard(QStyle::SP_DirOpenIcon);
    case kCmdFolderProperties: return Badged(standard(QStyle::SP_DirIcon), QStringLiteral("i"), kAdminColor);
    case kCmdThumbnails: return standard(QStyle::SP_FileDialogListView);
    case kCmdList: return standard(QStyle::SP_FileDialogDetailedView);
    case kCmdCut: return Tile(QStringLiteral("\u2702"), kEditColor);
    case kCmdCopy: return Sheets(false, kEditColor);
    case kCmdPaste: return Sheets(true, kEditColor);
    case kCmdUndo: return Tile(QStringLiteral("\u21B6"), kEditColor);
    case kCmdRotate270: return Tile(QStringLiteral("\u21BA"), kTransformColor);
    case kCmdRotate90: return Tile(QStringLiteral("\u21BB"), kTransformColor);
    case kCmdRotate180: return Tile(QStringLiteral("180"), kTransformColor, 0.36);
    case kCmdFlipHorizontal: return Tile(QStringLiteral("\u21C6"), kTransformColor);
    case kCmdFlipVertical: return Tile(QStringLiteral("\u21C5"), kTransformColor);
    case kCmdTagImages: return Tile(QStringLiteral("T"), kImageColor);
    case kCmdTimeOffset: return Tile(QStringLiteral("\u00B1"), kDateColor);
    case kCmdSetDate: return Tile(QStringLiteral("31"), kDateColor, 0.45);
    case kCmdDisplayImage: return Tile(QStringLiteral("\u25A3"), kImageColor);
    case kCmdDeleteImages: return standard(QStyle::SP_TrashIcon);
    case kCmdImportImages: return Tile(QStringLiteral("+"), kImageColor);
    case kCmdHelpContents: return Tile(QStringLiteral("?"), kAdminColor);
    default: return {};
  }
}

}  // namespace albumsmith::ui
