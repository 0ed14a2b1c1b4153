#pragma once
// The announcement of a newer release: both release numbers and a link to the
// download page. Opened without blocking, so that the window goes on.

#include <QDialog>

#include "app/application.h"

namespace albumsmith::ui {

class NewReleaseDialog : public QDialog {
  Q_OBJECT
 public:
  NewReleaseDialog(const Release& running, const Release& announced, QWidget* parent);
};

}  // namespace albumsmith::ui
