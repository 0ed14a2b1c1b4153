#include "curl_session.h"

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "remote_listing.h"
#include "session_texts.h"
#include "store/profile_settings.h"

namespace albumsmith {

void CurlSession::TakeProfile(const ProfileSettings& profile) {
  server_ = profile.serverName;
  login_ = profile.login;
  password_ = profile.password;
  pin_ = profile.fingerprint;
  peerFingerprint_.clear();
  unsafeShown_.clear();
  Disconnect();
}

// CR or LF in a path would end an FTP command early and let the rest be read
// as a command of its own, and would reach an SFTP server as part of a name.
bool CurlSession::MayCreate(const std::string& sub, Ask ask) {
  if (ask == Ask::No || !askCreate_) return true;
  std::string shown = sub;
  if (EndsWith(shown, "/")) shown.pop_back();
  const Reply reply = ShowMessage({Icon::Question, Buttons::OkCancel, true}, kCreateQuestion, {shown});
  // A ticked box means "stop asking and create", whichever button was pressed.
  if (reply.dontAskAgain) {
    askCreate_ = false;
    return true;
  }
  return IsPositive(reply.answer);
}

void CurlSession::Deliver(RemoteEntryList& list, const std::string& dir, std::vector<RemoteEntry>& entries,
                          const std::vector<std::string>& unsafe, IncludeDirs includeDirs) {
  if (!unsafe.empty() && unsafeShown_.insert(Absolute(dir)).second)
    ShowMessage({Icon::Exclamation, Buttons::Ok}, kUnsafeEntries, {Absolute(dir), NamesForMessage(unsafe)});
  for (RemoteEntry& entry : entries) {
    if (entry.isDir && includeDirs == IncludeDirs::No) continue;
    list.Append(std::move(entry));
  }
}

bool CurlSession::Refused(const std::string& path, const std::string& message) {
  lastError_ = 0;
  if (!HasControlChar(path)) return false;
  SetFailure(kCurlUrlMalformat, {});
  ReportFailure(message);
  return true;
}

void CurlSession::ReportFailure(const std::string& message) {
  lastError_ = failCode_;
  ShowSessionFailure(message, failCode_, failReply_, Stopping());
}

bool CurlSession::RemoveTree(std::string_view rawDir) {
  const std::string dir = Slashes(rawDir);
  if (Refused(dir, FormatString(kChangeDirError, {dir})) || !Connect()) return false;
  return RemoveTreeAt(dir, 0);
}

bool CurlSession::RemoveTreeAt(const std::string& dir, int depth) {
  const auto refuse = [&](std::string reason) {
    SetFailure(kCurlRemoteAccessDenied, std::move(reason));
    ReportFailure(FormatString(kDeleteDirError, {dir}));
    return false;
  };
  if (depth > kMaxRemoveDepth) return refuse(FormatString(kTooDeep, {kMaxRemoveDepth}));
  std::vector<RemoteEntry> entries;
  std::vector<std::string> unsafe;
  if (ListExisting(dir, entries, &unsafe) != Presence::Listed) {
    ReportFailure(FormatString(kChangeDirError, {dir}));
    return false;
  }
  // Such an entry cannot be named in a command without reaching somewhere
  // else, so the directory cannot be emptied; nothing in it is touched.
  if (!unsafe.empty()) return refuse(FormatString(kUnsafeEntries, {Absolute(dir), NamesForMessage(unsafe)}));
  // Files go at once; subdirectories after the listing, in its order.
  std::vector<std::string> subdirs;
  for (const RemoteEntry& entry : entries) {
    if (entry.isDir) {
      subdirs.push_back(JoinRemote(dir, entry.name) + "/");
    } else if (!RemoveFile(JoinRemote(dir, entry.name))) {
      return false;
    }
  }
  for (const std::string& subdir : subdirs) {
    if (!RemoveTreeAt(subdir, depth + 1)) return false;
  }
  if (RemoveEmptyDir(dir)) return true;
  ReportFailure(FormatString(kDeleteDirError, {dir}));
  return false;
}

}  // namespace albumsmith
