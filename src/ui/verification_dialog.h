#pragma once
// The "Processing" window: the profile verification (derived images brought
// in step with the images) on a worker thread, its folder and step on two
// lines and its progress on a bar. Cancel asks whether to abort; the window
// closes when the worker reports its end.

#include <memory>
#include <string>

#include "store/profile_settings.h"
#include "ui/progress_window.h"

namespace albumsmith {
class ProfileVerification;
}

namespace albumsmith::ui {

class VerificationDialog : public ProgressWindow {
  Q_OBJECT
 public:
  VerificationDialog(const std::string& profilesDir, const ProfileSettings& profile, QWidget* parent = nullptr);
  ~VerificationDialog() override;

  // Verifies the profile in a modal window; true when every folder was done,
  // false when the user aborted.
  static bool Run(QWidget* parent, const std::string& profilesDir, const ProfileSettings& profile);

 protected:
  void Work(CopyProgress& progress) override;
  // The abort question; the worker goes on while it is up and stops before
  // its next image after Yes.
  void RequestStop() override;

 private:
  std::unique_ptr<ProfileVerification> verification_;
  bool closing_ = false;
};

}  // namespace albumsmith::ui
