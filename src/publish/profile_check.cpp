#include "publish/profile_check.h"

#include "platform/messages.h"
#include "platform/strings.h"
#include "publish/sync_engine.h"

namespace albumsmith {

namespace {

constexpr TextId kNotEmptyWarning = TextId::kNotEmptyWarning;
// A name no album uses, written and removed again to prove both rights.
constexpr std::string_view kTestFile = "fdiekjd8.test";
constexpr std::string_view kTestText = "Test RW";

}  // namespace

std::string CheckLineText(CheckLine line) {
  switch (line) {
    case CheckLine::kConnection:
      return LoadString(TextId::kCheckConnection);
    case CheckLine::kBaseDirectory:
      return LoadString(TextId::kCheckBaseDirectory);
    case CheckLine::kCreateDelete:
      return LoadString(TextId::kCheckCreateDelete);
  }
  return {};
}

ProfileCheck::ProfileCheck(RemoteTransport& transport, const ProfileSettings& profile, Callback callback)
    : transport_(transport), profile_(profile), callback_(std::move(callback)) {
  transport_.SetProfile(profile_);
}

bool ProfileCheck::Step() {
  if (finished()) return false;
  const std::string dir = RemoteRoot(profile_.remoteDir);
  bool ok = true;
  switch (step_) {
    case 0:
      callback_(CheckLine::kConnection, CheckEvent::kShown);
      break;
    case 1:
      ok = transport_.Connect();
      break;
    case 2:
      callback_(CheckLine::kConnection, CheckEvent::kChecked);
      break;
    case 3: {
      callback_(CheckLine::kBaseDirectory, CheckEvent::kShown);
      RemoteEntryList files;
      ok = transport_.MakeDirs(dir, Report::Yes) &&
           transport_.ListDir(files, dir, "", IncludeDirs::No, Create::Yes, Ask::No);
      // Directories alone are no sign of an earlier album; files are.
      warned_ = ok && !files.empty();
      if (warned_) ShowMessage({Icon::Exclamation, Buttons::Ok}, kNotEmptyWarning);
      break;
    }
    case 4:
      callback_(CheckLine::kBaseDirectory, warned_ ? CheckEvent::kWarned : CheckEvent::kChecked);
      break;
    case 5:
      callback_(CheckLine::kCreateDelete, CheckEvent::kShown);
      ok = transport_.PutBuffer(dir + std::string(kTestFile), kTestText) &&
           transport_.RemoveFile(dir + std::string(kTestFile));
      break;
    case 6:
      callback_(CheckLine::kCreateDelete, CheckEvent::kChecked);
      transport_.Disconnect();
      break;
  }
  if (!ok) {
    failed_ = true;
    step_ = kLastStep + 1;
    transport_.Disconnect();
    return false;
  }
  ++step_;
  return !finished();
}

bool RunProfileCheck(RemoteTransport& transport, const ProfileSettings& profile,
                     const ProfileCheck::Callback& callback) {
  ProfileCheck check(transport, profile, callback);
  while (check.Step()) {
  }
  return check.succeeded();
}

}  // namespace albumsmith
