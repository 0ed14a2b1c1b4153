#pragma once
// The GUI's Prompter: every message of the core becomes a QMessageBox titled
// "Albumsmith". Workers may ask too; they wait until the GUI thread has an
// answer, so a worker never touches a widget itself.

#include <QObject>
#include <memory>

#include "platform/prompter.h"

class QWidget;

namespace albumsmith::ui {

class QtPrompter : public Prompter {
 public:
  // Must be created on the GUI thread: that is where the boxes are shown.
  QtPrompter();
  ~QtPrompter() override;
  Reply Ask(const Message& message) override;

  // Shows the box on the calling (GUI) thread.
  static Reply Show(const Message& message, QWidget* parent);

 private:
  std::unique_ptr<QObject> guiAnchor_;
};

}  // namespace albumsmith::ui
