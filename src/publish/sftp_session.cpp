#include "sftp_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "ftp_session.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "remote_listing.h"
#include "session_texts.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "sync_local_files.h"

namespace albumsmith {

namespace {

constexpr TextId kTrustQuestion = TextId::kHostKeyTrustQuestion;
constexpr TextId kUntrusted = TextId::kHostKeyUntrusted;
constexpr TextId kChangedKey = TextId::kHostKeyChanged;
constexpr TextId kSetTimeError = TextId::kSetTimeError;
constexpr int kSftpPort = 22;

}  // namespace

std::string SftpQuoted(std::string_view argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string SftpDate(std::int64_t time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t t = static_cast<std::time_t>(time);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday % 7], tm.tm_mday,
                kMonths[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

SftpSession::SftpSession() = default;

SftpSession::~SftpSession() = default;

void SftpSession::SetProfile(const ProfileSettings& profile) {
  keyFile_ = profile.keyFile;
  TakeProfile(profile);
}

std::unique_ptr<CurlConnection> SftpSession::NewConnection() const {
  CurlSettings settings;
  settings.scheme = "sftp";
  const ServerAddress address = ParseServerText(server_);
  settings.host = address.host;
  settings.port = server_.find(':') == std::string::npos ? kSftpPort : address.port;
  settings.login = login_;
  settings.password = password_;
  settings.keyFile = keyFile_;
  settings.timeouts = timeouts_;
  settings.pinnedFingerprint = pin_;
  return CurlConnection::Create(settings, stop_);
}

bool SftpSession::Connect() {
  if (connection_) return true;
  lastError_ = 0;
  std::unique_ptr<CurlConnection> connection = NewConnection();
  // Any command logs in; none at all costs the least.
  bool open = connection->Quote({});
  peerFingerprint_ = connection->PeerFingerprint();
  if (!open && connection->peerVerdict() == PeerVerdict::kUnknown) {
    // Refused before the login: neither password nor key was offered.
    const Reply trust = ShowMessage({Icon::Question, Buttons::YesNo}, kTrustQuestion, {server_, peerFingerprint_});
    if (trust.answer == Answer::Yes) {
      pin_ = peerFingerprint_;
      if (savePin_) savePin_(pin_);
      connection = NewConnection();
      open = connection->Quote({});
      peerFingerprint_ = connection->PeerFingerprint();
    } else {
      SetFailure(connection->failure().code, FormatString(kUntrusted, {peerFingerprint_}));
      ReportFailure(FormatString(kConnectError, {server_}));
      return false;
    }
  }
  if (!open) {
    SetFailure(connection->failure().code, connection->peerVerdict() == PeerVerdict::kChanged
                                               ? FormatString(kChangedKey, {pin_, peerFingerprint_})
                                               : connection->failure().reply);
    ReportFailure(FormatString(kConnectError, {server_}));
    return false;
  }
  const std::string home = connection->EntryPath();
  home_ = StartsWith(home, "/") ? home : "/";
  connection_ = std::move(connection);
  return true;
}

void SftpSession::Disconnect() { connection_.reset(); }

bool SftpSession::Failed(bool ok) {
  if (!ok) SetFailure(connection_->failure().code, connection_->failure().reply);
  return ok;
}

// Listed rather than looked up: some servers will not open a directory the
// way the library looks a file up.
bool SftpSession::DirExists(const std::string& absolute, bool& exists) {
  std::string listing;
  exists = Failed(connection_->Fetch(WithSlash(absolute), true, nullptr, listing));
  return exists || failCode_ == kCurlRemoteFileNotFound;
}

bool SftpSession::EnterOrCreateDir(std::string_view rawPath, Report report) {
  const std::string path = Slashes(rawPath);
  const std::string message = FormatString(kCreateDirError, {path});
  if (Refused(path, message) || !Connect()) return false;
  const std::string absolute = WithoutSlash(Absolute(path));
  if (Failed(connection_->Quote({"mkdir " + SftpQuoted(absolute)}))) return true;
  const int code = failCode_;
  const std::string refusal = failReply_;
  bool exists = false;
  if (code == kCurlQuoteError && DirExists(absolute, exists)) {
    if (exists) return true;
    SetFailure(code, refusal);  // the mkdir's refusal says why
  }
  if (report == Report::Yes) ReportFailure(message);
  return false;
}

bool SftpSession::MakeDirs(std::string_view rawPath, Report report) {
  const std::string path = WithSlash(Slashes(rawPath));
  if (Refused(path, FormatString(kCreateDirError, {path})) || !Connect()) return false;
  bool exists = false;
  if (!DirExists(Absolute(path), exists)) {
    if (report == Report::Yes) ReportFailure(FormatString(kCreateDirError, {path}));
    return false;
  }
  if (exists) return true;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    if (!EnterOrCreateDir(path.substr(0, slash + 1), report)) return false;
  }
  return true;
}

SftpSession::Presence SftpSession::ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                                                std::vector<std::string>* unsafe) {
  const std::string absolute = WithSlash(Absolute(dir));
  std::string text;
  if (!Failed(connection_->Fetch(absolute, true, nullptr, text)))
    return failCode_ == kCurlRemoteFileNotFound ? Presence::Missing : Presence::Failed;
  if (unsafe) unsafe->clear();
  entries = ParseListing(text, ListingForm::List, static_cast<std::int64_t>(std::time(nullptr)), unsafe);
  // The listing's times are the server's local time to the minute; each
  // file's own time is exact, and its size the one it has now.
  std::vector<RemoteEntry> found;
  for (RemoteEntry& entry : entries) {
    if (!entry.isDir) {
      std::int64_t time = 0;
      std::uint64_t size = 0;
      if (!Failed(connection_->Stat(absolute + entry.name, time, size))) {
        // Gone since the listing, or a name the listing could not carry
        // whole (a line break in it): nothing to act on.
        if (failCode_ == kCurlRemoteFileNotFound) continue;
        return Presence::Failed;
      }
      entry.time = time;
      entry.size = size;
      entry.timeStep = 1;
      entry.yearInferred = false;
    }
    found.push_back(std::move(entry));
  }
  entries = std::move(found);
  return Presence::Listed;
}

bool SftpSession::ListDir(RemoteEntryList& list, std::string_view rawBase, std::string_view rawSub,
                          IncludeDirs includeDirs, Create create, Ask ask) {
  const std::string base = Slashes(rawBase);
  const std::string sub = Slashes(rawSub);
  const std::string dir = base + sub;
  const std::string message = FormatString(kChangeDirError, {dir});
  if (Refused(dir, message) || !Connect()) return false;

  std::vector<RemoteEntry> entries;
  std::vector<std::string> unsafe;
  const Presence presence = ListExisting(dir, entries, &unsafe);
  if (presence == Presence::Failed) {
    ReportFailure(message);
    return false;
  }
  if (presence == Presence::Missing) {
    if (create == Create::No) return false;  // a missing directory is an answer, not an error
    if (!MayCreate(sub, ask)) return false;
    // Every level of `sub`, those there already refused quietly; only
    // whether the last one is there counts. A directory just made is empty.
    std::vector<std::string> levels;
    for (size_t slash = sub.find('/', 1); slash != std::string::npos; slash = sub.find('/', slash + 1))
      levels.push_back("*mkdir " + SftpQuoted(WithoutSlash(Absolute(base + sub.substr(0, slash)))));
    levels.push_back("mkdir " + SftpQuoted(WithoutSlash(Absolute(dir))));
    if (!Failed(connection_->Quote(levels))) {
      bool exists = false;
      if (!DirExists(Absolute(dir), exists) || !exists) {
        ReportFailure(message);
        return false;
      }
    }
  }
  Deliver(list, dir, entries, unsafe, includeDirs);
  return true;
}

bool SftpSession::Upload(const std::string& remote, std::uint64_t size, CurlConnection::Reader reader, bool& started,
                         std::optional<std::int64_t> time) {
  const std::string absolute = Absolute(remote);
  std::vector<std::string> after;
  if (time) after.push_back("mtime " + SftpQuoted(SftpDate(*time)) + " " + SftpQuoted(absolute));
  return Failed(connection_->Upload(absolute, size, std::move(reader), started, after));
}

bool SftpSession::PutFile(const std::filesystem::path& local, std::string_view rawRemote) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = FormatString(kUploadFileError, {local.string(), remote});
  if (Refused(remote, message) || !Connect()) return false;

  std::FILE* file = std::fopen(local.c_str(), "rb");
  const int openError = errno;
  std::error_code ec;
  const std::uintmax_t size = file ? std::filesystem::file_size(local, ec) : 0;
  LocalEntry entry;
  if (!file || ec || !ReadLocalFile(local.string(), entry)) {
    const int error = !file ? openError : ec ? ec.value() : EIO;
    if (file) std::fclose(file);
    lastError_ = error;
    ShowSystemError(error, kUploadFileError, {local.string(), remote});
    return false;
  }
  bool started = false;
  const bool ok = Upload(
      remote, size,
      [file](char* buffer, size_t capacity) -> size_t {
        const size_t n = std::fread(buffer, 1, capacity, file);
        return n == 0 && std::ferror(file) ? CurlConnection::kReadAbort : n;
      },
      started, entry.time);
  std::fclose(file);
  if (!ok) ReportFailure(message);
  return ok;
}

bool SftpSession::PutBuffer(std::string_view rawRemote, std::string_view data) {
  const std::string remote = Slashes(rawRemote);
  if (Refused(remote, FormatString(kOpenRemoteError, {remote})) || !Connect()) return false;
  size_t offset = 0;
  bool started = false;
  const bool ok = Upload(
      remote, data.size(),
      [&](char* buffer, size_t capacity) {
        const size_t n = std::min(capacity, data.size() - offset);
        std::copy_n(data.data() + offset, n, buffer);
        offset += n;
        return n;
      },
      started, std::nullopt);
  if (!ok) ReportFailure(FormatString(started ? kUploadBufferError : kOpenRemoteError, {remote}));
  return ok;
}

bool SftpSession::SetTime(std::string_view rawRemote, std::int64_t time) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = FormatString(kSetTimeError, {remote});
  if (Refused(remote, message) || !Connect()) return false;
  if (Failed(connection_->Quote({"mtime " + SftpQuoted(SftpDate(time)) + " " + SftpQuoted(Absolute(remote))})))
    return true;
  ReportFailure(message);
  return false;
}

bool SftpSession::RemoveFile(std::string_view rawRemote) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = FormatString(kDeleteFileError, {remote});
  if (Refused(remote, message) || !Connect()) return false;
  if (Failed(connection_->Quote({"rm " + SftpQuoted(Absolute(remote))}))) return true;
  ReportFailure(message);
  return false;
}

// The protocol's rename (version 3, all the library speaks) is refused by
// OpenSSH and most servers when the target exists. Then the target is
// removed and the rename made again, right after: for the moment between
// the two, a visitor finds no file rather than one half written, which is
// what sending it again under its own name would give, at twice the cost.
// A refusal of both is the quiet one the caller does without.
bool SftpSession::Rename(std::string_view rawFrom, std::string_view rawTo) {
  const std::string from = Slashes(rawFrom);
  const std::string to = Slashes(rawTo);
  const std::string message = FormatString(kRenameError, {from, to});
  if (Refused(from, message) || Refused(to, message) || !Connect()) return false;
  const std::string rename = "rename " + SftpQuoted(Absolute(from)) + " " + SftpQuoted(Absolute(to));
  if (Failed(connection_->Quote({rename}))) return true;
  if (failCode_ == kCurlQuoteError && Failed(connection_->Quote({"rm " + SftpQuoted(Absolute(to)), rename})))
    return true;
  if (failCode_ == kCurlQuoteError) return false;
  ReportFailure(message);
  return false;
}

bool SftpSession::RemoveEmptyDir(const std::string& dir) {
  return Failed(connection_->Quote({"rmdir " + SftpQuoted(WithoutSlash(Absolute(dir)))}));
}

bool SftpSession::ExactTime(std::string_view rawRemote, std::int64_t& time) {
  const std::string remote = Slashes(rawRemote);
  lastError_ = 0;
  std::uint64_t size = 0;
  return !HasControlChar(remote) && connection_ && connection_->Stat(Absolute(remote), time, size);
}

bool SftpSession::FileSize(std::string_view rawRemote, std::uint64_t& size) {
  const std::string remote = Slashes(rawRemote);
  lastError_ = 0;
  std::int64_t time = 0;
  return !HasControlChar(remote) && connection_ && connection_->Stat(Absolute(remote), time, size);
}

std::string SftpSession::Absolute(const std::string& path) const { return AbsoluteRemote(home_, path); }

}  // namespace albumsmith
