#pragma once
// The "Copy profile" dialog: the name of the new profile and whether the
// images go with it. OK keeps the dialog open while the name is refused.

#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;

namespace albumsmith::ui {

class CopyProfileDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CopyProfileDialog(std::string profilesDir, QWidget* parent = nullptr);

  std::string name() const;
  bool copyImages() const;

  void accept() override;

 private:
  std::string profilesDir_;
  QLineEdit* name_;
  QCheckBox* copyImages_;
};

}  // namespace albumsmith::ui
