#pragma once
// "Check profile": tries a profile's server before its first
// synchronisation, one step at a time, so that the dialog can show each of
// its three lines and tick it as its step succeeds. The dialog drives Step()
// from a timer; the command line runs every step at once.

#include <functional>
#include <string_view>

#include "publish/remote_transport.h"
#include "store/profile_settings.h"

namespace albumsmith {

enum class CheckLine { kConnection = 0, kBaseDirectory = 1, kCreateDelete = 2 };
// kWarned: the step succeeded after showing a warning (files in the base
// directory); the line is ticked like a checked one.
enum class CheckEvent { kShown, kChecked, kWarned };

// "Connection to server and authentication", "Base directory is empty",
// "Create and delete files".
std::string CheckLineText(CheckLine line);

class ProfileCheck {
 public:
  using Callback = std::function<void(CheckLine line, CheckEvent event)>;

  // Configures the transport with the profile being edited.
  ProfileCheck(RemoteTransport& transport, const ProfileSettings& profile, Callback callback);

  // Performs the next step. Returns whether there is another one: false once
  // every line is ticked or a step failed (the transport has shown why).
  bool Step();
  bool finished() const { return step_ > kLastStep; }
  bool succeeded() const { return finished() && !failed_; }

 private:
  static constexpr int kLastStep = 6;

  RemoteTransport& transport_;
  ProfileSettings profile_;
  Callback callback_;
  int step_ = 0;
  bool failed_ = false;
  bool warned_ = false;
};

// Every step in turn; true when all three lines were ticked.
bool RunProfileCheck(RemoteTransport& transport, const ProfileSettings& profile,
                     const ProfileCheck::Callback& callback);

}  // namespace albumsmith
