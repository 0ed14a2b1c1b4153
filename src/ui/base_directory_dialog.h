#pragma once
// The "Settings" dialog of the "Base directory" command: the profiles base
// directory in a field, with a "..." button that browses for a folder. The
// caller hands the entered text to the core, which normalises it and moves
// the profiles.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace albumsmith::ui {

class BaseDirectoryDialog : public QDialog {
  Q_OBJECT
 public:
  explicit BaseDirectoryDialog(const std::string& current, QWidget* parent = nullptr);

  std::string entered() const;
  void browse();

 private:
  QLineEdit* field_;
  QPushButton* browse_;
};

}  // namespace albumsmith::ui
