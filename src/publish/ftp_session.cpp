#include "ftp_session.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "remote_listing.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"

namespace albumsmith {

namespace {

constexpr std::string_view kConnectError = "Error connecting host '%s'";
constexpr std::string_view kCreateDirError = "Error creating directory '%s'";
constexpr std::string_view kChangeDirError = "Error change to directory '%s'";
constexpr std::string_view kUploadFileError = "Error uploading file '%s' to '%s'";
constexpr std::string_view kOpenRemoteError = "Error opening remote file '%s'";
constexpr std::string_view kUploadBufferError = "Error uploading buffer to '%s'";
constexpr std::string_view kDeleteFileError = "Cannot delete remote file '%s'";
constexpr std::string_view kDeleteDirError = "Cannot delete remote directory '%s'";
constexpr std::string_view kCreateQuestion = "Create remote directory \"%s\"";
constexpr std::string_view kUnsafeEntries =
    "The remote directory '%s' holds entries whose names cannot be part of a path; they are left as they "
    "are:\r\n%s";
constexpr std::string_view kTooDeep = "It holds directories nested more than %i levels deep";
// Far deeper than any album; a server that shows a directory inside itself
// (through a link, or a name it reads as a path) would otherwise be
// followed until the stack runs out.
constexpr int kMaxRemoveDepth = 256;
constexpr size_t kMaxReplyText = 1024;

void InitLibraryOnce() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  (void)done;
}

std::string Slashes(std::string_view path) {
  std::string p(path);
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

// "a/b" + "c" and "a/b/" + "c" both give "a/b/c".
std::string JoinRemote(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!EndsWith(path, "/")) path += '/';
  return path + std::string(name);
}

// The code of a complete reply ("ddd text" as its last line), 0 without one.
int ReplyCode(const std::vector<std::string>& lines) {
  if (lines.empty()) return 0;
  const std::string& last = lines.back();
  if (last.size() < 3 || !std::all_of(last.begin(), last.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  if (last.size() > 3 && last[3] != ' ') return 0;
  return std::stoi(last.substr(0, 3));
}

std::string ReplyText(const std::vector<std::string>& lines) {
  std::string text = Join(lines, "\r\n");
  if (text.size() > kMaxReplyText) text.resize(kMaxReplyText);
  return text;
}

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

// The libcurl side: one easy handle, run through a multi handle whose cache
// keeps the control connection open between operations for as long as this
// object lives. Failures are recorded in the session's failCode_ and
// failReply_ for the session to report with its own text.
class FtpSession::Connection {
 public:
  struct Reply {
    int code = 0;
    std::string text;
  };
  enum class Dir { Exists, Missing, Failed };
  using Reader = std::function<size_t(char*, size_t)>;

  explicit Connection(FtpSession& session) : session_(session) {
    InitLibraryOnce();
    curl_ = curl_easy_init();
    multi_ = curl_multi_init();
    const ServerAddress address = ParseServerText(session.server_);
    base_ = "ftp://" + address.host + (address.port ? ":" + std::to_string(address.port) : "");
    if (!curl_ || !multi_) return;

    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    // Replies are paired with the commands that caused them through the
    // debug stream, so that a failure shows the reply to the refused command.
    curl_easy_setopt(curl_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl_, CURLOPT_DEBUGFUNCTION, &Connection::OnDebug);
    curl_easy_setopt(curl_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Connection::OnWrite);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, &Connection::OnRead);
    curl_easy_setopt(curl_, CURLOPT_READDATA, this);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &Connection::OnProgress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
    // The sockets are the library's, but kept track of here, so that a stop
    // can cut them (see CutSockets).
    curl_easy_setopt(curl_, CURLOPT_OPENSOCKETFUNCTION, &Connection::OnOpenSocket);
    curl_easy_setopt(curl_, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETFUNCTION, &Connection::OnCloseSocket);
    curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETDATA, this);
    // Absolute paths without CWD: no operation depends on where the last
    // one left the server, and a refused command costs no extra round trip.
    curl_easy_setopt(curl_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl_, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(curl_, CURLOPT_TCP_KEEPALIVE, 1L);

    const FtpTimeouts& t = session.timeouts_;
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(t.connectSeconds));
    curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(t.replySeconds));
    curl_easy_setopt(curl_, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(t.replySeconds) * 1000L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(t.stallSeconds));

    // Without a login name the library logs in as "anonymous".
    if (!session.login_.empty()) {
      curl_easy_setopt(curl_, CURLOPT_USERNAME, session.login_.c_str());
      curl_easy_setopt(curl_, CURLOPT_PASSWORD, session.password_.c_str());
    }
    if (session.passive_) {
      curl_easy_setopt(curl_, CURLOPT_FTP_USE_EPSV, 1L);
    } else {
      curl_easy_setopt(curl_, CURLOPT_FTPPORT, "-");
    }
  }

  // The connection lives in the multi handle's cache; closing that says QUIT.
  ~Connection() {
    if (StopRequested()) CutSockets();
    if (multi_) curl_multi_cleanup(multi_);
    if (curl_) curl_easy_cleanup(curl_);
  }

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Logs in and asks for the features in the same round.
  bool Open() {
    std::vector<Reply> replies;
    if (!Run({"FEAT"}, replies)) return false;
    if (ContainsNoCase(replies[0].text, "MLST") || ContainsNoCase(replies[0].text, "MLSD")) form_ = ListingForm::Mlsd;
    hasMdtm_ = ContainsNoCase(replies[0].text, "MDTM");
    char* entry = nullptr;
    if (curl_easy_getinfo(curl_, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry && *entry == '/')
      entryPath_ = entry;
    return true;
  }

  // Sends commands on the control connection alone, each marked so that a
  // refusal keeps the connection; the caller judges the replies.
  bool Run(const std::vector<std::string>& commands, std::vector<Reply>& replies) {
    curl_slist* quote = nullptr;
    for (const std::string& command : commands) quote = curl_slist_append(quote, ("*" + command).c_str());
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_, CURLOPT_QUOTE, quote);
    const bool ok = Perform(base_ + "/");
    curl_easy_setopt(curl_, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
    curl_slist_free_all(quote);
    if (!ok) return false;

    // A reconnection puts USER, PASS and PWD in front: match in order.
    replies.assign(commands.size(), Reply{});
    size_t next = 0;
    for (size_t i = 0; i < commands.size(); ++i) {
      for (size_t j = next; j < exchanges_.size(); ++j) {
        if (exchanges_[j].command == commands[i]) {
          replies[i] = {ReplyCode(exchanges_[j].lines), ReplyText(exchanges_[j].lines)};
          next = j + 1;
          break;
        }
      }
    }
    return true;
  }

  // One command that the server must accept.
  bool Command(const std::string& command) {
    std::vector<Reply> replies;
    if (!Run({command}, replies)) return false;
    if (Positive(replies[0].code)) return true;
    Fail(CURLE_QUOTE_ERROR, replies[0].text);
    return false;
  }

  // Whether the server can change into the directory. It is sent straight
  // back to the login directory, so it never sits in a directory that the
  // next command may remove.
  Dir Probe(const std::string& path) {
    std::vector<Reply> replies;
    if (!Run({"CWD " + WithoutSlash(path), "CWD " + entryPath_}, replies)) return Dir::Failed;
    if (Positive(replies[0].code)) return Dir::Exists;
    Fail(CURLE_QUOTE_ERROR, replies[0].text);
    return Dir::Missing;
  }

  enum class Listing { Listed, Refused, Failed };

  // Refused: the server answered the listing command itself with an error,
  // which is what a missing directory gets from a server that lists with MLSD.
  Listing List(const std::string& path, std::string& text) {
    const char* verb = form_ == ListingForm::Mlsd ? "MLSD" : "LIST";
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, form_ == ListingForm::Mlsd ? verb : nullptr);
    const bool ok = Perform(Url(path, true));
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, nullptr);
    text = std::move(body_);
    if (ok) return Listing::Listed;
    const Exchange* last = LastExchange();
    const bool refused = last && EqualsNoCase(std::string_view(last->command).substr(0, 4), verb) &&
                         ReplyCode(last->lines) >= 400;
    return refused ? Listing::Refused : Listing::Failed;
  }

  // `started` tells whether the server accepted the file and data began to flow.
  bool Upload(const std::string& path, std::uint64_t size, Reader reader, bool& started) {
    reader_ = std::move(reader);
    readStarted_ = false;
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    const bool ok = Perform(Url(path, false));
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
    reader_ = nullptr;
    started = readStarted_;
    return ok;
  }

  const std::string& entryPath() const { return entryPath_; }
  ListingForm form() const { return form_; }
  bool hasMdtm() const { return hasMdtm_; }

 private:
  struct Exchange {
    std::string command;  // empty for the greeting
    std::vector<std::string> lines;
  };

  void Fail(int code, std::string reply) {
    session_.failCode_ = code;
    session_.failReply_ = std::move(reply);
  }

  bool StopRequested() const { return session_.stop_ && session_.stop_->load(); }

  bool Perform(const std::string& url) {
    if (!curl_ || !multi_) {
      Fail(CURLE_FAILED_INIT, {});
      return false;
    }
    // Once stopped, nothing more is sent, not even a quick command.
    if (StopRequested()) {
      Fail(CURLE_ABORTED_BY_CALLBACK, {});
      return false;
    }
    exchanges_.clear();
    partialLine_.clear();
    body_.clear();
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
    const CURLcode code = Transfer();
    if (code == CURLE_OK) return true;
    Fail(ServerClosed() ? ClosedCode() : code, FailingReply());
    return false;
  }

  // A server that answers 421 closes the connection at once; the library
  // reports that as a time-out, which sends the user looking for a slow
  // network. Before the login it is a refused connection, later a lost one.
  bool ServerClosed() const {
    const Exchange* last = LastExchange();
    return last && ReplyCode(last->lines) == 421;
  }
  CURLcode ClosedCode() const {
    const Exchange* last = LastExchange();
    const std::string& command = last->command;
    const bool loggingIn = command.empty() || StartsWith(command, "USER") || StartsWith(command, "PASS");
    return loggingIn ? CURLE_COULDNT_CONNECT : CURLE_RECV_ERROR;
  }

  // The library's own loop waits up to a second between progress calls and
  // makes none while it waits for a reply; this one looks at the stop flag
  // ten times a second in every phase and drops the transfer when it is set.
  CURLcode Transfer() {
    // The library blocks inside a step in places (waiting for the reply
    // after an upload, for the answer to QUIT), for as long as a busy or
    // throttling server takes. A stop must not wait for that: a watcher cuts
    // the sockets, which ends any such wait at once.
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    std::thread watcher;
    if (session_.stop_) {
      watcher = std::thread([&] {
        std::unique_lock lock(mutex);
        while (!finished) {
          if (StopRequested()) {
            CutSockets();
            return;
          }
          ended.wait_for(lock, std::chrono::milliseconds(20));
        }
      });
    }
    const CURLcode code = TransferSteps();
    {
      std::lock_guard lock(mutex);
      finished = true;
    }
    ended.notify_one();
    if (watcher.joinable()) watcher.join();
    // Whatever error cutting the sockets caused, it was a stop.
    return StopRequested() ? CURLE_ABORTED_BY_CALLBACK : code;
  }

  CURLcode TransferSteps() {
    curl_multi_add_handle(multi_, curl_);
    CURLcode code = CURLE_OK;
    int running = 1;
    while (running) {
      const std::uint64_t before = activity_;
      if (curl_multi_perform(multi_, &running) != CURLM_OK) {
        code = CURLE_FAILED_INIT;
        break;
      }
      if (!running) break;
      if (StopRequested()) {
        code = CURLE_ABORTED_BY_CALLBACK;
        break;
      }
      // A reply read inside the call (the answer to EPSV, say) may leave the
      // next step, connecting for data, to the next call without setting a
      // timer: waiting first would cost the whole poll time, per file.
      if (activity_ != before) continue;
      curl_multi_poll(multi_, nullptr, 0, 100, nullptr);
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
      if (message->msg == CURLMSG_DONE) code = message->data.result;
    }
    curl_multi_remove_handle(multi_, curl_);
    return code;
  }

  // The last exchange of the last perform; a QUIT the library sent while
  // giving up is not what failed.
  const Exchange* LastExchange() const {
    for (auto it = exchanges_.rbegin(); it != exchanges_.rend(); ++it)
      if (!EqualsNoCase(it->command, "QUIT")) return &*it;
    return nullptr;
  }

  // The reply that refused the last command, if the server refused it.
  std::string FailingReply() const {
    const Exchange* last = LastExchange();
    return last && ReplyCode(last->lines) >= 400 ? ReplyText(last->lines) : std::string();
  }

  // ftp://host:port/%2F<segments>: "%2F" makes the path absolute; every
  // segment is escaped, so spaces, "#", "%" and non-ASCII letters pass.
  std::string Url(const std::string& path, bool directory) const {
    std::string url = base_ + "/%2F";
    bool first = true;
    for (const std::string& segment : Split(path, '/')) {
      if (segment.empty()) continue;  // a length of 0 would mean "up to the NUL"
      char* escaped = curl_easy_escape(curl_, segment.data(), static_cast<int>(segment.size()));
      if (!first) url += '/';
      url += escaped ? escaped : "";
      curl_free(escaped);
      first = false;
    }
    if (directory) url += '/';
    return url;
  }

  static int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* self = static_cast<Connection*>(user);
    if (type != CURLINFO_TEXT) ++self->activity_;
    if (type == CURLINFO_HEADER_OUT) {
      std::string command(data, size);
      while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
      self->exchanges_.push_back({std::move(command), {}});
    } else if (type == CURLINFO_HEADER_IN) {
      self->partialLine_.append(data, size);
      size_t end;
      while ((end = self->partialLine_.find('\n')) != std::string::npos) {
        std::string line = self->partialLine_.substr(0, end);
        self->partialLine_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (self->exchanges_.empty()) self->exchanges_.push_back({});
        self->exchanges_.back().lines.push_back(std::move(line));
      }
    }
    return 0;
  }

  static size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    static_cast<Connection*>(user)->body_.append(data, size * count);
    return size * count;
  }

  static size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
    auto* self = static_cast<Connection*>(user);
    self->readStarted_ = true;
    return self->reader_ ? self->reader_(buffer, size * count) : 0;
  }

  // Ends a transfer the library's way (it closes the data connection
  // itself) as soon as the stop flag is seen between two blocks of data.
  static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Connection*>(user)->StopRequested() ? 1 : 0;
  }

  static curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<Connection*>(user);
    const curl_socket_t s = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (s != CURL_SOCKET_BAD) {
      std::lock_guard lock(self->socketsMutex_);
      self->sockets_.insert(s);
    }
    return s;
  }

  static int OnCloseSocket(void* user, curl_socket_t s) {
    auto* self = static_cast<Connection*>(user);
    std::lock_guard lock(self->socketsMutex_);
    self->sockets_.erase(s);
    return ::close(s);
  }

  // Shuts every open socket down: whatever the library waits for on them
  // ends at once with an error, and nothing more (not even QUIT) reaches the
  // server. Closing stays with the library.
  void CutSockets() {
    std::lock_guard lock(socketsMutex_);
    for (const curl_socket_t s : sockets_) ::shutdown(s, SHUT_RDWR);
  }

  FtpSession& session_;
  CURL* curl_ = nullptr;
  CURLM* multi_ = nullptr;
  std::string base_;
  std::string entryPath_ = "/";
  ListingForm form_ = ListingForm::List;
  bool hasMdtm_ = false;
  std::vector<Exchange> exchanges_;
  std::string partialLine_;
  std::string body_;
  Reader reader_;
  bool readStarted_ = false;
  std::uint64_t activity_ = 0;  // lines and data the library sent or received
  std::mutex socketsMutex_;
  std::set<curl_socket_t> sockets_;  // opened by the library and not closed yet
};

FtpSession::FtpSession() = default;

FtpSession::~FtpSession() = default;

void FtpSession::SetProfile(const ProfileSettings& profile) {
  server_ = profile.serverName;
  login_ = profile.login;
  password_ = profile.password;
  remoteDir_ = profile.remoteDir;
  passive_ = profile.passive != 0;
  unsafeShown_.clear();
  Disconnect();
}

bool FtpSession::Connect() {
  if (connection_) return true;
  auto connection = std::make_unique<Connection>(*this);
  if (!connection->Open()) {
    ReportFailure(Fmt(kConnectError, {server_}));
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
  const std::string message = Fmt(kCreateDirError, {path});
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
  if (Refused(path, Fmt(kCreateDirError, {path})) || !Connect()) return false;
  // Mostly the directory is there already.
  if (connection_->Probe(Absolute(path)) == Connection::Dir::Exists) return true;
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    if (!EnterOrCreateDir(path.substr(0, slash + 1), report)) return false;
  }
  return true;
}

// One listing answers most calls. A server that lists with MLSD refuses to
// list a missing directory; one that lists with LIST may list it as empty
// (or, for a file in its place, list the file), so there an empty listing is
// checked with CWD.
FtpSession::Presence FtpSession::ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                                              std::vector<std::string>* unsafe) {
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
  const std::string message = Fmt(kChangeDirError, {dir});
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
    if (ask == Ask::Yes && askCreate_) {
      std::string shown = sub;
      if (EndsWith(shown, "/")) shown.pop_back();
      const Reply reply = ShowMessageText({Icon::Question, Buttons::OkCancel, true}, kCreateQuestion, {shown});
      // A ticked box means "stop asking and create", whichever button was pressed.
      if (reply.dontAskAgain) {
        askCreate_ = false;
      } else if (!IsPositive(reply.answer)) {
        return false;
      }
    }
    if (!Connect()) return false;
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
  }
  // A run lists some directories more than once; once a session is enough.
  if (!unsafe.empty() && unsafeShown_.insert(Absolute(dir)).second)
    ShowMessageText({Icon::Exclamation, Buttons::Ok}, kUnsafeEntries, {Absolute(dir), NamesForMessage(unsafe)});
  for (RemoteEntry& entry : entries) {
    if (entry.isDir && includeDirs == IncludeDirs::No) continue;
    list.Append(std::move(entry));
  }
  return true;
}

bool FtpSession::PutFile(const std::filesystem::path& local, std::string_view rawRemote) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = Fmt(kUploadFileError, {local.string(), remote});
  if (Refused(remote, message) || !Connect()) return false;

  std::FILE* file = std::fopen(local.c_str(), "rb");
  const int openError = errno;
  std::error_code ec;
  const std::uintmax_t size = file ? std::filesystem::file_size(local, ec) : 0;
  if (!file || ec) {
    const int error = file ? ec.value() : openError;
    if (file) std::fclose(file);
    lastError_ = error;
    ShowSystemErrorText(error, kUploadFileError, {local.string(), remote});
    return false;
  }
  bool started = false;
  const bool ok = connection_->Upload(
      Absolute(remote), size,
      [file](char* buffer, size_t capacity) -> size_t {
        const size_t n = std::fread(buffer, 1, capacity, file);
        return n == 0 && std::ferror(file) ? CURL_READFUNC_ABORT : n;
      },
      started);
  std::fclose(file);
  if (!ok) ReportFailure(message);
  return ok;
}

bool FtpSession::PutBuffer(std::string_view rawRemote, std::string_view data) {
  const std::string remote = Slashes(rawRemote);
  if (Refused(remote, Fmt(kOpenRemoteError, {remote})) || !Connect()) return false;
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
  if (!ok) ReportFailure(Fmt(started ? kUploadBufferError : kOpenRemoteError, {remote}));
  return ok;
}

bool FtpSession::RemoveFile(std::string_view rawRemote) {
  const std::string remote = Slashes(rawRemote);
  const std::string message = Fmt(kDeleteFileError, {remote});
  if (Refused(remote, message) || !Connect()) return false;
  if (connection_->Command("DELE " + Absolute(remote))) return true;
  ReportFailure(message);
  return false;
}

bool FtpSession::RemoveTree(std::string_view rawDir) {
  const std::string dir = Slashes(rawDir);
  if (Refused(dir, Fmt(kChangeDirError, {dir})) || !Connect()) return false;
  return RemoveTreeAt(dir, 0);
}

bool FtpSession::RemoveTreeAt(const std::string& dir, int depth) {
  const auto refuse = [&](std::string reason) {
    failCode_ = CURLE_REMOTE_ACCESS_DENIED;
    failReply_ = std::move(reason);
    ReportFailure(Fmt(kDeleteDirError, {dir}));
    return false;
  };
  if (depth > kMaxRemoveDepth) return refuse(Fmt(kTooDeep, {kMaxRemoveDepth}));
  std::vector<RemoteEntry> entries;
  std::vector<std::string> unsafe;
  if (ListExisting(dir, entries, &unsafe) != Presence::Listed) {
    ReportFailure(Fmt(kChangeDirError, {dir}));
    return false;
  }
  // Such an entry cannot be named in a command without reaching somewhere
  // else, so the directory cannot be emptied; nothing in it is touched.
  if (!unsafe.empty()) return refuse(Fmt(kUnsafeEntries, {Absolute(dir), NamesForMessage(unsafe)}));
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
  if (connection_->Command("RMD " + WithoutSlash(Absolute(dir)))) return true;
  ReportFailure(Fmt(kDeleteDirError, {dir}));
  return false;
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

// CR or LF in a path would end the FTP command early and let the rest be read
// as a command of its own; no path with a control character is sent.
// Every operation begins here, so lastError() tells about this one alone: a
// quiet failure (a missing directory) leaves it 0.
bool FtpSession::Refused(const std::string& path, const std::string& message) {
  lastError_ = 0;
  if (!HasControlChar(path)) return false;
  failCode_ = CURLE_URL_MALFORMAT;
  failReply_.clear();
  ReportFailure(message);
  return true;
}

std::string FtpSession::Absolute(const std::string& path) const {
  std::string absolute = StartsWith(path, "/") ? path : JoinRemote(connection_->entryPath(), path);
  absolute.erase(std::unique(absolute.begin(), absolute.end(), [](char a, char b) { return a == '/' && b == '/'; }),
                 absolute.end());
  return absolute;
}

void FtpSession::ReportFailure(const std::string& message) {
  lastError_ = failCode_;
  // A stop the user asked for is not an error to show; the caller ends the run.
  if (failCode_ == CURLE_ABORTED_BY_CALLBACK && stop_ && stop_->load()) return;
  const char* description = curl_easy_strerror(static_cast<CURLcode>(failCode_));
  std::string text = message + "\r\n\r\n";
  if (!description || StartsWith(description, "Unknown error")) {
    text += FormatString(TextId::kUnknownError, {failCode_});
  } else {
    text += Fmt("%i : %s", {failCode_, description});
  }
  if (!failReply_.empty()) text += "\r\n\r\n" + failReply_;
  ShowMessageText({Icon::Exclamation, Buttons::Ok}, "%s", {text});
}

}  // namespace albumsmith
