#pragma once
// The two dialogs of the Date menu. "Add/remove time offset" asks hours,
// minutes and seconds and whether to add or remove them; its OK button
// checks the fields as the core does and keeps the dialog open with the
// core's message when they do not pass. "Set Date" asks a date and a time of
// day, starting from the capture date of the first chosen image.

#include <QDialog>
#include <cstdint>
#include <ctime>

class QDateEdit;
class QLineEdit;
class QRadioButton;
class QTimeEdit;

namespace albumsmith::ui {

class TimeOffsetDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TimeOffsetDialog(QWidget* parent = nullptr);

  QLineEdit* hoursField() const { return hours_; }
  QLineEdit* minutesField() const { return minutes_; }
  QLineEdit* secondsField() const { return seconds_; }
  QRadioButton* removeChoice() const { return remove_; }
  // The checked offset in seconds, negative for "Remove"; set on OK.
  std::int64_t offset() const { return offset_; }

  void accept() override;

 private:
  QLineEdit* hours_;
  QLineEdit* minutes_;
  QLineEdit* seconds_;
  QRadioButton* add_;
  QRadioButton* remove_;
  std::int64_t offset_ = 0;
};

class SetDateDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SetDateDialog(std::time_t start, QWidget* parent = nullptr);

  QDateEdit* dateField() const { return date_; }
  QTimeEdit* timeField() const { return time_; }
  // The picked date with the picked time of day, as a local time.
  std::time_t picked() const;

 private:
  QDateEdit* date_;
  QTimeEdit* time_;
};

}  // namespace albumsmith::ui
