#pragma once
// The "Check profile" window: tries a profile's server one step per timer
// tick, so that each of its three lines shows as its step begins and gets
// its tick when the step succeeded. A failed step gets a cross and ends the
// sequence; the FTP layer has shown why.

#include <QDialog>
#include <array>
#include <memory>

#include "publish/profile_check.h"
#include "store/profile_settings.h"

class QLabel;
class QTimer;

namespace albumsmith {
class RemoteTransport;
}

namespace albumsmith::ui {

class CheckProfileDialog : public QDialog {
  Q_OBJECT
 public:
  enum class LineState { kHidden, kShown, kChecked, kFailed };

  // Checks `profile` as it stands in the caller's fields (not as saved).
  // `transport` stands in for the window's own FTP session (tests).
  explicit CheckProfileDialog(const ProfileSettings& profile, QWidget* parent = nullptr,
                              std::unique_ptr<RemoteTransport> transport = {});
  ~CheckProfileDialog() override;

  LineState lineState(CheckLine line) const { return lines_[static_cast<size_t>(line)].state; }
  // Every step done, or one failed.
  bool finished() const { return check_->finished(); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Line {
    QLabel* mark = nullptr;
    QLabel* text = nullptr;
    LineState state = LineState::kHidden;
  };
  void tick();
  void setState(CheckLine line, LineState state);

  std::unique_ptr<RemoteTransport> transport_;
  std::unique_ptr<ProfileCheck> check_;
  std::array<Line, 3> lines_;
  CheckLine current_ = CheckLine::kConnection;
  QTimer* timer_;
};

}  // namespace albumsmith::ui
