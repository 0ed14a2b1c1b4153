#include "ftp_session.h"

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "curl_connection.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "remote_listing.h"
#include "session_texts.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"

namespace albumsmith {

namespace {

constexpr TextId kUnknownProtocol = TextId::kUnknownProtocol;
constexpr TextId kTrustQuestion = TextId::kCertificateTrustQuestion;
constexpr TextId kUntrusted = TextId::kCertificateUntrusted;
constexpr TextId kChangedCertificate = TextId::kCertificateChanged;

bool Positive(int code) { return code >= 200 && code < 300; }

}  // namespace

ServerAddress ParseServerText(std::string_view server) {
  ServerAddress address;
  const size_t colon = server.rfind(':');
  if (colon == std::string_view::npos) {
    address.host = std::string(server);
    return address;
  }
  address.host = std::string(server.substr(0, colon));
  address.port = 0;
  for (char c : server.substr(colon + 1)) {
    if (c < '0' || c > '9') break;
    // Past 65535 the number only has to stay invalid, not grow.
    address.port = std::min(address.port * 10 + (c - '0'), 65536);
  }
  return address;
}

// What the FTP commands mean, over the library's connection: the features
// the server offers, whether a directory is there, how it lists. Failures
// are recorded in the session's failCode_ and failReply_ for the session to
// report with its own text.
class FtpSession::Connection {
 public:
  using Reply = CurlConnection::Reply;
  enum class Dir { Exists, Missing, Failed };
  enum class Listing { Listed, Refused, Failed };

  explicit Connection(FtpSession& session) : session_(session) {
    const ServerAddress address = ParseServerText(session.server_);
    CurlSettings settings;
    settings.scheme = "ftp";
    settings.host = address.host;
    settings.port = address.port;
    settings.login = session.login_;
    settings.password = session.password_;
    settings.passive = session.passive_;
    settings.timeouts = session.timeouts_;
    settings.tls = session.tls_;
    settings.pinnedFingerprint = session.pin_;
    curl_ = CurlConnection::Create(settings, session.stop_);
  }

  // Logs in and asks for the features in the same round.
  bool Open() {
    std::vector<Reply> replies;
    if (!Run({"FEAT"}, replies)) return false;
    if (ContainsNoCase(replies[0].text, "MLST") || ContainsNoCase(replies[0].text, "MLSD")) form_ = ListingForm::Mlsd;
    hasMdtm_ = ContainsNoCase(replies[0].text, "MDTM");
    const std::string entry = curl_->EntryPath();
    if (StartsWith(entry, "/")) entryPath_ = entry;
    return true;
  }

  // Sends commands on the control connection alone; the caller judges the replies.
  bool Run(const std::vector<std::string>& commands, std::vector<Reply>& replies) {
    return Succeeded(curl_->Run(commands, replies));
  }

  // One command that the server must accept.
  bool Command(const std::string& command) {
    std::vector<Reply> replies;
    if (!Run({command}, replies)) return false;
    if (Positive(replies[0].code)) return true;
    Fail(kCurlQuoteError, replies[0].text);
    return false;
  }

  // Whether the server can change into the directory. It is sent straight
  // back to the login directory, so it never sits in a directory that the
  // next command may remove.
  Dir Probe(const std::string& path) {
    std::vector<Reply> replies;
    if (!Run({"CWD " + WithoutSlash(path), "CWD " + entryPath_}, replies)) return Dir::Failed;
    if (Positive(replies[0].code)) return Dir::Exists;
    Fail(kCurlQuoteError, replies[0].text);
    return Dir::Missing;
  }

  // Refused: the server answered the listing command itself with an error,
  // which is what a missing directory gets from a server that lists with MLSD.
  Listing List(const std::string& path, std::string& text) {
    const char* verb = form_ == ListingForm::Mlsd ? "MLSD" : "LIST";
    if (Succeeded(curl_->Fetch(path, true, form_ == ListingForm::Mlsd ? verb : nullptr, text))) return Listing::Listed;
    const CurlConnection::Exchange* last = curl_->LastExchange();
    const bool refused =
        last && EqualsNoCase(std::string_view(last->command).substr(0, 4), verb) && last->code() >= 400;
    return refused ? Listing::Refused : Listing::Failed;
  }

  bool Upload(const std::string& path, std::uint64_t size, CurlConnection::Reader reader, bool& started) {
    return Succeeded(curl_->Upload(path, size, std::move(reader), started));
  }

  const CurlConnection& curl() const { return *curl_; }
  const std::string& entryPath() const { return entryPath_; }
  ListingForm form() const { return form_; }
  bool hasMdtm() const { return hasMdtm_; }

 private:
  void Fail(int code, std::string reply) { session_.SetFailure(code, std::move(reply)); }

  bool Succeeded(bool ok) {
    if (!ok) Fail(curl_->failure().code, curl_->failure().reply);
    return ok;
  }

  FtpSession& session_;
  std::unique_ptr<CurlConnection> curl_;
  std::string entryPath_ = "/";
  ListingForm form_ = ListingForm::List;
  bool hasMdtm_ = false;
};

FtpSession::FtpSession() = default;

FtpSession::~FtpSession() = default;

void FtpSession::SetProfile(const ProfileSettings& profile) {
  remoteDir_ = profile.remoteDir;
  passive_ = profile.passive != 0;
  protocol_ = profile.protocol;
  tls_ = EqualsNoCase(protocol_, "ftps");
  TakeProfile(profile);
}

bool FtpSession::Connect() {
  if (connection_) return true;
  lastError_ = 0;
  if (!protocol_.empty() && !EqualsNoCase(protocol_, "ftp") && !tls_) {
    failCode_ = kCurlUnsupportedProtocol;
    failReply_ = FormatString(kUnknownProtocol, {protocol_});
    ReportFailure(FormatString(kConnectError, {server_}));
    return false;
  }
  auto connection = std::make_unique<Connection>(*this);
  bool open = connection->Open();
  if (tls_) peerFingerprint_ = connection->curl().PeerFingerprint();
  if (!open && tls_ && connection->curl().peerVerdict() == PeerVerdict::kUnknown) {
    // Refused before the login: nothing was sent but the greeting's answer.
    const Reply trust = ShowMessage({Icon::Question, Buttons::YesNo}, kTrustQuestion, {server_, peerFingerprint_});
    if (trust.answer == Answer::Yes) {
      pin_ = peerFingerprint_;
      if (savePin_) savePin_(pin_);
      connection = std::make_unique<Connection>(*this);
      open = connection->Open();
    } else {
      failReply_ = FormatString(kUntrusted, {peerFingerprint_});
    }
  } else if (!open && tls_ && connection->curl().peerVerdict() == PeerVerdict::kChanged) {
    failReply_ = FormatString(kChangedCertificate, {pin_, connection->curl().PeerFingerprint()});
  }
  if (!open) {
    ReportFailure(FormatString(kConnectError, {server_}));
    return false;
  }
  connection_ = std::move(connection);
  return true;
}

void FtpSession::Disconnect() { connection_.reset(); }

// Callers create directories they have found missing: MKD comes first, and
// only a refused one costs the test whether the directory is there after all.
bool FtpSession::EnterOrCreateDir(std::string_view rawPath, Report report) {
  const std::string path = Slashes(rawPath);
  const std::string message = FormatString(kCreateDirError, {path});
  if (Refused(path, message) || !Connect()) return false;
  const std::string absolute = Absolute(path);
  std::vector<Connection::Reply> replies;
  if (!connection_->Run({"MKD " + WithoutSlash(absolute)}, replies)) {
    if (report == Report::Yes) ReportFailure(message);
    return false;
  }
  if (Positive(replies[0].code)) return true;
  const std::string refusal = replies[0].text;
  const Connection::Dir state = connection_->Probe(absolute);
  if (state == Connection::Dir::Exists) return true;
  if (state == Connection::Dir::Missing) failReply_ = refusal;  // the MKD's reply says why
  if (report == Report::Yes) ReportFailure(message);
  return false;
}

bool FtpSession::MakeDirs(std::string_view rawPath, Report report) {
  // Every level is made, the last one too when no "/" follows it.
  const std::string path = WithSlash(Slashes(rawPath));
  // Connecting first keeps a failed connection to one message.
  if (Refused(path, FormatString(kCreateDirError, {path})) || !Connect()) return false;
  // Mostly the directory is there already.
  if (connection_->Probe(Absolute(path)) == Connection::Dir::Exists) return true;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    if (!EnterOrCreateDir(path.substr(0, slash + 1), report)) return false;
  }
  return true;
}

bool FtpSession::MakeMissingDirs(std::string_view rawPath, std::string_view rawExisting, Report report) {
  const std::string path = WithSlash(Slashes(rawPath));
  const std::string existing = Slashes(rawExisting);
  if (!StartsWith(path, existing) || existing.empty() || existing.back() != '/') return MakeDirs(rawPath, report);
  if (Refused(path, FormatString(kCreateDirError, {path})) || !Connect()) return false;
  // Nothing to make when `existing` is the whole path.
  for (size_t slash = path.find('/', existing.size()); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    if (!EnterOrCreateDir(path.substr(0, slash + 1), report)) return false;
  }
  return true;
}

// One listing answers most calls. A server that lists with MLSD refuses to
// list a missing directory; one that lists with LIST may list it as empty
// (or, for a file in its place, list the file), so there an empty listing is
// checked with CWD.
FtpSession::Presence FtpSession::ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                                              std::vector<std::string>* unsafe, bool refusalMeansMissing) {
  const std::string absolute = Absolute(dir);
  std::string text;
  const Connection::Listing listing = connection_->List(absolute, text);
  if (listing == Connection::Listing::Failed) return Presence::Failed;
  if (listing == Connection::Listing::Listed) {
    if (unsafe) unsafe->clear();
    entries = ParseListing(text, connection_->form(), static_cast<std::int64_t>(std::time(nullptr)), unsafe);
    const std::string name = FileName(WithoutSlash(absolute));
    const bool onlyItself = entries.size() == 1 && !entries[0].isDir && entries[0].name == name;
    if (connection_->form() == ListingForm::Mlsd || (!entries.empty() && !onlyItself)) return Presence::Listed;
  }
  if (listing == Connection::Listing::Refused && refusalMeansMissing && connection_->form() == ListingForm::Mlsd) {
    entries.clear();
    if (unsafe) unsafe->clear();
    return Presence::Missing;
  }
  const int code = failCode_;
  const std::string reply = failReply_;
  switch (connection_->Probe(absolute)) {
    case Connection::Dir::Exists:
      if (listing == Connection::Listing::Listed) return Presence::Listed;
      // There, but the server would not list it: its refusal is the error.
      failCode_ = code;
      failReply_ = reply;
      return Presence::Failed;
    case Connection::Dir::Missing:
      entries.clear();  // what LIST showed was the file in its place, if anything
      if (unsafe) unsafe->clear();
      return Presence::Missing;
    case Connection::Dir::Failed:
      break;
  }
  return Presence::Failed;
}

bool FtpSession::ListDir(RemoteEntryList& list, std::string_view rawBase, std::string_view rawSub,
                         IncludeDirs includeDirs, Create create, Ask ask) {
  const std::string base = Slashes(rawBase);
  const std::string sub = Slashes(rawSub);
  const std::string dir = base + sub;
  const std::string message = FormatString(kChangeDirError, {dir});
  if (Refused(dir, message) || !Connect()) return false;

  std::vector<RemoteEntry> entries;
  std::vector<std::string> unsafe;
  // Without a question to ask first, a directory that will be made when
  // missing needs no second look: a refused MKD brings the check.
  const bool asks = create == Create::Yes && ask == Ask::Yes && askCreate_;
  const Presence presence = ListExisting(dir, entries, &unsafe, create == Create::Yes && !asks);
  if (presence == Presence::Failed) {
    ReportFailure(message);
    return false;
  }
  if (presence == Presence::Missing) {
    if (create == Create::No) return false;  // a missing directory is an answer, not an error
    if (!CreateListed(base, sub, ask, entries, message)) return false;
  }
  Deliver(list, dir, entries, unsafe, includeDirs);
  return true;
}

bool FtpSession::CreateListed(const std::string& base, const std::string& sub, Ask ask,
                              std::vector<RemoteEntry>& entries, const std::string& message) {
  const std::string dir = base + sub;
  if (!MayCreate(sub, ask) || !Connect()) return false;
  // Mostly only the last level is missing. Otherwise every level is made;
  // levels that exist already are refused and only the final check counts.
  // A directory just made is empty: nothing to list.
  std::vector<Connection::Reply> replies;
  if (!connection_->Run({"MKD " + WithoutSlash(Absolute(dir))}, replies)) {
    ReportFailure(message);
    return false;
  }
  if (!Positive(replies[0].code)) {
    std::vector<std::string> levels;
    for (size_t slash = sub.find('/', 1); slash != std::string::npos; slash = sub.find('/', slash + 1))
      levels.push_back("MKD " + WithoutSlash(Absolute(base + sub.substr(0, slash))));
    if (!levels.empty()) connection_->Run(levels, replies);
    if (ListExisting(dir, entries) != Presence::Listed) {
      ReportFailure(message);
      return false;
    }
  }
  return true;
}

bool FtpSession::CreateMissingDir(RemoteEntryList& list, std::string_view rawBase, std::string_view rawSub,
                                  IncludeDirs includeDirs, Ask ask) {
  const std::string base = Slashes(rawBase);
  const std::string sub = Slashes(rawSub);
  const std::string message = FormatString(kChangeDirError, {base + sub});
  if (Refused(base + sub, message) || !Connect()) return false;
  std::vector<RemoteEntry> entries;
  if (!CreateListed(base, sub, ask, entries, message)) return false;
  Deliver(list, base + sub, entries, {}, includeDirs);
  return true;
}

bool FtpSession::PutFile(const std::filesystem::path& local, std::string_view rawRemote) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = FormatString(kUploadFileError, {local.string(), remote});
  if (Refused(remote, message) || !Connect()) return false;

  std::FILE* file = std::fopen(local.c_str(), "rb");
  const int openError = errno;
  std::error_code ec;
  const std::uintmax_t size = file ? std::filesystem::file_size(local, ec) : 0;
  if (!file || ec) {
    const int error = file ? ec.value() : openError;
    if (file) std::fclose(file);
    lastError_ = error;
    ShowSystemError(error, kUploadFileError, {local.string(), remote});
    return false;
  }
  bool started = false;
  const bool ok = connection_->Upload(
      Absolute(remote), size,
      [file](char* buffer, size_t capacity) -> size_t {
        const size_t n = std::fread(buffer, 1, capacity, file);
        return n == 0 && std::ferror(file) ? CurlConnection::kReadAbort : n;
      },
      started);
  std::fclose(file);
  if (!ok) ReportFailure(message);
  return ok;
}

bool FtpSession::PutBuffer(std::string_view rawRemote, std::string_view data) {
  const std::string remote = Slashes(rawRemote);
  if (Refused(remote, FormatString(kOpenRemoteError, {remote})) || !Connect()) return false;
  size_t offset = 0;
  bool started = false;
  const bool ok = connection_->Upload(
      Absolute(remote), data.size(),
      [&](char* buffer, size_t capacity) {
        const size_t n = std::min(capacity, data.size() - offset);
        std::copy_n(data.data() + offset, n, buffer);
        offset += n;
        return n;
      },
      started);
  if (!ok) ReportFailure(FormatString(started ? kUploadBufferError : kOpenRemoteError, {remote}));
  return ok;
}

bool FtpSession::RemoveFile(std::string_view rawRemote) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = FormatString(kDeleteFileError, {remote});
  if (Refused(remote, message) || !Connect()) return false;
  if (connection_->Command("DELE " + Absolute(remote))) return true;
  ReportFailure(message);
  return false;
}

bool FtpSession::Rename(std::string_view rawFrom, std::string_view rawTo) {
  const std::string from = Slashes(rawFrom);
  const std::string to = Slashes(rawTo);
  const std::string message = FormatString(kRenameError, {from, to});
  if (Refused(from, message) || Refused(to, message) || !Connect()) return false;
  std::vector<Connection::Reply> replies;
  if (!connection_->Run({"RNFR " + Absolute(from), "RNTO " + Absolute(to)}, replies)) {
    ReportFailure(message);
    return false;
  }
  // RNFR answers 350 and waits for RNTO.
  return replies[0].code == 350 && Positive(replies[1].code);
}

bool FtpSession::RemoveEmptyDir(const std::string& dir) {
  return connection_->Command("RMD " + WithoutSlash(Absolute(dir)));
}

bool FtpSession::ExactTime(std::string_view rawRemote, std::int64_t& time) {
  const std::string remote = Slashes(rawRemote);
  lastError_ = 0;
  if (HasControlChar(remote) || !connection_ || !connection_->hasMdtm()) return false;
  std::vector<Connection::Reply> replies;
  if (!connection_->Run({"MDTM " + Absolute(remote)}, replies) || replies[0].code != 213) return false;
  // "213 YYYYMMDDHHMMSS"
  const std::string& text = replies[0].text;
  const std::optional<std::int64_t> parsed = text.size() > 4 ? ParseFtpTime(Trim(text.substr(4))) : std::nullopt;
  if (!parsed) return false;
  time = *parsed;
  return true;
}

bool FtpSession::FileSize(std::string_view rawRemote, std::uint64_t& size) {
  const std::string remote = Slashes(rawRemote);
  lastError_ = 0;
  if (HasControlChar(remote) || !connection_) return false;
  std::vector<Connection::Reply> replies;
  if (!connection_->Run({"SIZE " + Absolute(remote)}, replies) || replies[0].code != 213) return false;
  // "213 <bytes>"
  const std::string_view text = Trim(std::string_view(replies[0].text).substr(3));
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  return error == std::errc() && end == text.data() + text.size();
}

std::string FtpSession::Absolute(const std::string& path) const {
  return AbsoluteRemote(connection_->entryPath(), path);
}

}  // namespace albumsmith
