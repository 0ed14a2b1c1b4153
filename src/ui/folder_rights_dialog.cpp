#include "ui/folder_rights_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/prompter.h"
#include "store/users_store.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {
namespace {

constexpr int kValueRole = Qt::UserRole + 1;

QListWidgetItem* CheckItem(QListWidget* list, const QString& text, int value, bool checked) {
  auto* item = new QListWidgetItem(text, list);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  item->setData(kValueRole, value);
  return item;
}

QWidget* Framed(const QString& title, QListWidget* list) {
  auto* box = new QGroupBox(title);
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(list);
  return box;
}

}  // namespace

FolderRightsDialog::FolderRightsDialog(const UsersStore& users, FolderRights& rights, std::string key,
                                       const QString& title, QWidget* parent)
    : QDialog(parent), rights_(rights), key_(std::move(key)) {
  setWindowTitle(title + QStringLiteral(" - ") + ToQString(key_));
  setObjectName(QStringLiteral("FolderRights"));
  const std::vector<int> pieces = RightsIds(rights.GetEffectiveRights(key_).rights);
  auto has = [&](int value) { return std::find(pieces.begin(), pieces.end(), value) != pieces.end(); };

  users_ = new QListWidget;
  users_->setObjectName(QStringLiteral("Users"));
  CheckItem(users_, QLoad(TextId::kAllUsersItem), 0, has(0));
  CheckItem(users_, QLoad(TextId::kClosedItem), 9999, has(9999));
  // Records not saved yet have no id that rights could name.
  for (const UserRecord& u : users.users())
    if (!u.deleted && u.id > 0) CheckItem(users_, ToQString(u.name), u.id, has(u.id));
  groups_ = new QListWidget;
  groups_->setObjectName(QStringLiteral("Groups"));
  for (const GroupRecord& g : users.groups())
    if (!g.deleted && g.id > 0) CheckItem(groups_, ToQString(g.name), g.id, has(-g.id));

  auto* lists = new QHBoxLayout;
  lists->addWidget(Framed(QLoad(TextId::kUsersLabel), users_));
  lists->addWidget(Framed(QLoad(TextId::kGroupsLabel), groups_));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(lists, 1);
  layout->addWidget(buttons);
  resize(480, 320);
}

void FolderRightsDialog::accept() {
  std::vector<int> groupIds, userValues;
  for (int row = 0; row < groups_->count(); ++row)
    if (groups_->item(row)->checkState() == Qt::Checked)
      groupIds.push_back(groups_->item(row)->data(kValueRole).toInt());
  for (int row = 0; row < users_->count(); ++row)
    if (users_->item(row)->checkState() == Qt::Checked)
      userValues.push_back(users_->item(row)->data(kValueRole).toInt());
  const bool all = std::find(userValues.begin(), userValues.end(), 0) != userValues.end();
  const bool closed = std::find(userValues.begin(), userValues.end(), 9999) != userValues.end();
  if (all && closed) {
    Prompter::Current().Ask({Icon::Stop, Buttons::Ok, LoadString(TextId::kAllAndClosedExclusive)});
    return;
  }
  changed_ = rights_.SetRights(key_, ComposeRights(groupIds, userValues));
  if (changed_ && !rights_.Save())
    Prompter::Current().Ask(
        {Icon::Exclamation, Buttons::Ok, FormatString(TextId::kCannotWriteRights, {RightsPath(rights_.profileDir())})});
  QDialog::accept();
}

QIcon RightsIconPicture(RightsIcon kind, const QStyle* style) {
  constexpr int kSize = 32;
  QPixmap pixmap = style->standardIcon(QStyle::SP_DirIcon).pixmap(kSize, kSize);
  if (pixmap.isNull()) {
    pixmap = QPixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
  }
  pixmap = pixmap.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF badge(kSize * 0.42, kSize * 0.42, kSize * 0.58, kSize * 0.58);
  const QColor colour = kind == RightsIcon::kOpen     ? QColor(0x2e, 0x8b, 0x57)
                        : kind == RightsIcon::kClosed ? QColor(0xb0, 0x2a, 0x2a)
                                                      : QColor(0xd0, 0x8a, 0x10);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawEllipse(badge);
  // A padlock, open for everyone, shut when closed, and a key for the
  // folders that chosen visitors may open.
  QPen pen(Qt::white, kSize * 0.06);
  pen.setCapStyle(Qt::RoundCap);
  p.setPen(pen);
  p.setBrush(Qt::white);
  const QPointF c = badge.center();
  const qreal u = badge.width() / 10;
  if (kind == RightsIcon::kRestricted) {
    p.drawEllipse(QPointF(c.x() - 2 * u, c.y()), 1.6 * u, 1.6 * u);
    p.drawLine(QPointF(c.x() - 0.5 * u, c.y()), QPointF(c.x() + 3 * u, c.y()));
    p.drawLine(QPointF(c.x() + 2.2 * u, c.y()), QPointF(c.x() + 2.2 * u, c.y() + 1.5 * u));
    return QIcon(pixmap);
  }
  p.drawRect(QRectF(c.x() - 2.5 * u, c.y() - 0.5 * u, 5 * u, 3.5 * u));
  p.setBrush(Qt::NoBrush);
  const QRectF shackle(c.x() - 1.7 * u, c.y() - 3.5 * u, 3.4 * u, 5 * u);
  if (kind == RightsIcon::kClosed) {
    p.drawArc(shackle, 0, 180 * 16);
    p.drawLine(QPointF(shackle.left(), shackle.center().y()), QPointF(shackle.left(), c.y() - 0.5 * u));
  } else {
    p.drawArc(shackle.translated(1.5 * u, -0.8 * u), 0, 180 * 16);
  }
  p.drawLine(QPointF(shackle.right(), shackle.center().y()), QPointF(shackle.right(), c.y() - 0.5 * u));
  return QIcon(pixmap);
}

}  // namespace albumsmith::ui
