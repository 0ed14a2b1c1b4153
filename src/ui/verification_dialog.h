#pragma once
// The "Processing" window: the profile verification (derived images brought
// in step with the images) on a worker thread, its folder and step on two
// lines and its progress on a bar. Cancel asks whether to abort; the window
// closes when the worker reports its end.

#include <QDialog>
#include <memory>
#include <string>
#include <thread>

#include "store/profile_settings.h"

class QLabel;
class QProgressBar;

namespace albumsmith {
class ProfileVerification;
}

namespace albumsmith::ui {

class VerificationDialog : public QDialog {
  Q_OBJECT
 public:
  VerificationDialog(const std::string& profilesDir, const ProfileSettings& profile, QWidget* parent = nullptr);
  ~VerificationDialog() override;

  // Verifies the profile in a modal window; true when every folder was done,
  // false when the user aborted.
  static bool Run(QWidget* parent, const std::string& profilesDir, const ProfileSettings& profile);

  // Cancel, Escape and the close button: the abort question.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Progress;
  void setLines(const QString& first, const QString& second);
  void setPercent(int percent);
  void finish(int code);

  std::unique_ptr<ProfileVerification> verification_;
  QLabel* firstLine_;
  QLabel* secondLine_;
  QProgressBar* bar_;
  std::thread worker_;
  bool started_ = false;
};

}  // namespace albumsmith::ui
