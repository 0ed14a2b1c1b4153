#include "ui/show_changes_dialog.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/format.h"
#include "publish/sync_preview.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

ShowChangesDialog::ShowChangesDialog(const std::string& profileName, const SyncPlan& plan, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QLoad(TextId::kShowChangesTitle));
  setObjectName(QStringLiteral("ShowChangesDialog"));

  auto* intro = new QLabel(ToQString(Fmt(LoadString(TextId::kShowChangesIntro), {profileName})));
  intro->setWordWrap(true);

  list_ = new QListWidget;
  list_->setObjectName(QStringLiteral("PlanList"));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  // Paths line up better in a fixed-width face.
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  const std::vector<std::string> listing = PlanListing(plan);
  for (const std::string& line : listing) list_->addItem(ToQString(line));
  if (QListWidgetItem* summary = list_->item(list_->count() - 1)) {
    QFont bold = summary->font();
    bold.setBold(true);
    summary->setFont(bold);
  }

  counts_ = new QLabel;
  counts_->setObjectName(QStringLiteral("PlanCounts"));
  counts_->setWordWrap(true);
  if (plan.lines.empty()) {
    counts_->setText(QLoad(TextId::kNothingToChange));
  } else {
    counts_->setText(
        ToQString(Fmt(LoadString(TextId::kPlanCounts), {plan.uploads, std::to_string(plan.bytes), plan.deletions,
                                                        plan.madeDirs, plan.removedDirs, plan.questions})));
  }

  auto* buttons = new QDialogButtonBox;
  go_ = buttons->addButton(QLoad(TextId::kGoButton), QDialogButtonBox::AcceptRole);
  go_->setObjectName(QStringLiteral("Go"));
  QPushButton* cancel = buttons->addButton(QLoad(TextId::kCancelButton), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("Cancel"));
  // Nothing runs on a mere Enter: Go is chosen on purpose.
  cancel->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(list_, 1);
  layout->addWidget(counts_);
  layout->addWidget(buttons);
  resize(720, 460);
}

}  // namespace albumsmith::ui
