#include "ui/date_dialogs.h"

#include <QDateEdit>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "imaging/transforms.h"
#include "platform/messages.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {
namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QLineEdit* NumberField(const char* name) {
  auto* field = new QLineEdit;
  field->setObjectName(QString::fromLatin1(name));
  field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
  return field;
}

}  // namespace

TimeOffsetDialog::TimeOffsetDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TimeOffsetDialog"));
  setWindowTitle(QLoad(TextId::kTimeOffsetTitle));
  hours_ = NumberField("Hours");
  minutes_ = NumberField("Minutes");
  seconds_ = NumberField("Seconds");
  auto* fields = new QFormLayout;
  fields->addRow(QLoad(TextId::kHoursLabel), hours_);
  fields->addRow(QLoad(TextId::kMinutesLabel), minutes_);
  fields->addRow(QLoad(TextId::kSecondsLabel), seconds_);

  auto* operation = new QGroupBox(QLoad(TextId::kOperationLabel));
  add_ = new QRadioButton(QLoad(TextId::kAddButton));
  add_->setObjectName(QStringLiteral("Add"));
  remove_ = new QRadioButton(QLoad(TextId::kRemoveButton));
  remove_->setObjectName(QStringLiteral("Remove"));
  add_->setChecked(true);
  auto* choices = new QVBoxLayout(operation);
  choices->addWidget(add_);
  choices->addWidget(remove_);

  auto* row = new QHBoxLayout;
  row->addLayout(fields);
  row->addWidget(operation);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(OkCancel(this));
}

void TimeOffsetDialog::accept() {
  const TimeOffset checked =
      CheckTimeOffset(ToUtf8(hours_->text()), ToUtf8(minutes_->text()), ToUtf8(seconds_->text()), remove_->isChecked());
  if (!checked.ok) {
    // The dialog stays open for the user to put it right.
    ShowMessageText({Icon::Exclamation, Buttons::Ok}, "%s", {checked.message});
    return;
  }
  offset_ = checked.seconds;
  QDialog::accept();
}

SetDateDialog::SetDateDialog(std::time_t start, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SetDateDialog"));
  setWindowTitle(QLoad(TextId::kSetDateTitle));
  const QDateTime from = QDateTime::fromSecsSinceEpoch(static_cast<qint64>(start));
  date_ = new QDateEdit(from.date());
  date_->setObjectName(QStringLiteral("Date"));
  date_->setCalendarPopup(true);
  date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  // The Exif value holds a four-digit year.
  date_->setDateRange(QDate(1, 1, 1), QDate(9999, 12, 31));
  time_ = new QTimeEdit(from.time());
  time_->setObjectName(QStringLiteral("Time"));
  time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  auto* fields = new QFormLayout;
  fields->addRow(QLoad(TextId::kDateFieldLabel), date_);
  fields->addRow(QLoad(TextId::kTimeFieldLabel), time_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(OkCancel(this));
}

std::time_t SetDateDialog::picked() const {
  return static_cast<std::time_t>(QDateTime(date_->date(), time_->time()).toSecsSinceEpoch());
}

}  // namespace albumsmith::ui
