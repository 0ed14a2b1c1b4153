#include "curl_connection.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

static_assert(kCurlUnsupportedProtocol == CURLE_UNSUPPORTED_PROTOCOL);
static_assert(kCurlUrlMalformat == CURLE_URL_MALFORMAT);
static_assert(kCurlRemoteAccessDenied == CURLE_REMOTE_ACCESS_DENIED);
static_assert(kCurlQuoteError == CURLE_QUOTE_ERROR);
static_assert(kCurlAbortedByCallback == CURLE_ABORTED_BY_CALLBACK);
static_assert(kCurlSslConnectError == CURLE_SSL_CONNECT_ERROR);
static_assert(kCurlPeerFailedVerification == CURLE_PEER_FAILED_VERIFICATION);
static_assert(kCurlRemoteFileNotFound == CURLE_REMOTE_FILE_NOT_FOUND);

const size_t CurlConnection::kReadAbort = CURL_READFUNC_ABORT;

namespace {

constexpr size_t kMaxReplyText = 1024;

void InitLibraryOnce() {
  static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
  (void)done;
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

// One easy handle, run through a multi handle whose cache keeps the control
// connection open between operations for as long as this object lives.
class LibCurlConnection final : public CurlConnection {
 public:
  LibCurlConnection(const CurlSettings& settings, const std::atomic<bool>* const& stop) : stop_(stop) {
    InitLibraryOnce();
    curl_ = curl_easy_init();
    multi_ = curl_multi_init();
    base_ = settings.scheme + "://" + settings.host + (settings.port ? ":" + std::to_string(settings.port) : "");
    if (!curl_ || !multi_) return;

    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, settings.scheme.c_str());
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    // Replies are paired with the commands that caused them through the
    // debug stream, so that a failure shows the reply to the refused command.
    curl_easy_setopt(curl_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl_, CURLOPT_DEBUGFUNCTION, &LibCurlConnection::OnDebug);
    curl_easy_setopt(curl_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &LibCurlConnection::OnWrite);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl_, CURLOPT_READFUNCTION, &LibCurlConnection::OnRead);
    curl_easy_setopt(curl_, CURLOPT_READDATA, this);
    curl_easy_setopt(curl_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl_, CURLOPT_XFERINFOFUNCTION, &LibCurlConnection::OnProgress);
    curl_easy_setopt(curl_, CURLOPT_XFERINFODATA, this);
    // The sockets are the library's, but kept track of here, so that a stop
    // can cut them (see CutSockets).
    curl_easy_setopt(curl_, CURLOPT_OPENSOCKETFUNCTION, &LibCurlConnection::OnOpenSocket);
    curl_easy_setopt(curl_, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETFUNCTION, &LibCurlConnection::OnCloseSocket);
    curl_easy_setopt(curl_, CURLOPT_CLOSESOCKETDATA, this);
    // Absolute paths without CWD: no operation depends on where the last
    // one left the server, and a refused command costs no extra round trip.
    curl_easy_setopt(curl_, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
    curl_easy_setopt(curl_, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(curl_, CURLOPT_TCP_KEEPALIVE, 1L);

    const TransferTimeouts& t = settings.timeouts;
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(t.connectSeconds));
    curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(t.replySeconds));
    curl_easy_setopt(curl_, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(t.replySeconds) * 1000L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(t.stallSeconds));

    if (!settings.login.empty()) {
      curl_easy_setopt(curl_, CURLOPT_USERNAME, settings.login.c_str());
      curl_easy_setopt(curl_, CURLOPT_PASSWORD, settings.password.c_str());
    }
    if (settings.tls) {
      host_ = settings.host;
      pin_ = settings.pinnedFingerprint;
      curl_easy_setopt(curl_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
      curl_easy_setopt(curl_, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
      // The certificate is judged here, during the handshake and so before
      // the password is sent: by the system's authorities for this host, or
      // by the pin. The library's own check would refuse a pinned
      // certificate that no authority signed.
      curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYPEER, 0L);
      curl_easy_setopt(curl_, CURLOPT_SSL_VERIFYHOST, 0L);
      curl_easy_setopt(curl_, CURLOPT_SSL_CTX_FUNCTION, &LibCurlConnection::OnSslContext);
      curl_easy_setopt(curl_, CURLOPT_SSL_CTX_DATA, this);
      // The data connections resume the control connection's session, as
      // servers that insist on it require.
      curl_easy_setopt(curl_, CURLOPT_SSL_SESSIONID_CACHE, 1L);
    }
    if (settings.scheme == "sftp") {
      sftp_ = true;
      pin_ = settings.pinnedFingerprint;
      // The library's own words for a refused command, which SFTP has no
      // reply line for.
      curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer_);
      // The host key is judged here, before any way of logging in is tried.
      curl_easy_setopt(curl_, CURLOPT_SSH_HOSTKEYFUNCTION, &LibCurlConnection::OnHostKey);
      curl_easy_setopt(curl_, CURLOPT_SSH_HOSTKEYDATA, this);
      if (!settings.keyFile.empty()) {
        curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES, static_cast<long>(CURLSSH_AUTH_PUBLICKEY));
        curl_easy_setopt(curl_, CURLOPT_SSH_PRIVATE_KEYFILE, settings.keyFile.c_str());
        // Empty: the public half is worked out from the private key, not
        // looked for in the user's home.
        curl_easy_setopt(curl_, CURLOPT_SSH_PUBLIC_KEYFILE, "");
        curl_easy_setopt(curl_, CURLOPT_KEYPASSWD, settings.password.c_str());
        // The password is the key's passphrase, never sent to the server.
        curl_easy_setopt(curl_, CURLOPT_PASSWORD, "");
      } else {
        curl_easy_setopt(curl_, CURLOPT_SSH_AUTH_TYPES,
                         static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
      }
      // Files readable by the web server, directories it can enter.
      curl_easy_setopt(curl_, CURLOPT_NEW_FILE_PERMS, 0644L);
      curl_easy_setopt(curl_, CURLOPT_NEW_DIRECTORY_PERMS, 0755L);
    }
    if (settings.passive) {
      curl_easy_setopt(curl_, CURLOPT_FTP_USE_EPSV, 1L);
    } else {
      curl_easy_setopt(curl_, CURLOPT_FTPPORT, "-");
    }
  }

  ~LibCurlConnection() override {
    if (StopRequested()) CutSockets();
    if (multi_) curl_multi_cleanup(multi_);
    if (curl_) curl_easy_cleanup(curl_);
  }

  LibCurlConnection(const LibCurlConnection&) = delete;
  LibCurlConnection& operator=(const LibCurlConnection&) = delete;

  bool Run(const std::vector<std::string>& commands, std::vector<Reply>& replies) override {
    // "*": a refusal is an answer to read, not a failure of the whole list.
    std::vector<std::string> tolerant;
    tolerant.reserve(commands.size());
    for (const std::string& command : commands) tolerant.push_back("*" + command);
    if (!Quote(tolerant)) return false;

    // A reconnection puts USER, PASS and PWD in front: match in order.
    replies.assign(commands.size(), Reply{});
    size_t next = 0;
    for (size_t i = 0; i < commands.size(); ++i) {
      for (size_t j = next; j < exchanges_.size(); ++j) {
        if (exchanges_[j].command == commands[i]) {
          replies[i] = {exchanges_[j].code(), ReplyText(exchanges_[j].lines)};
          next = j + 1;
          break;
        }
      }
    }
    return true;
  }

  bool Fetch(const std::string& path, bool directory, const char* verb, std::string& body) override {
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, verb);
    const bool ok = Perform(Url(path, directory));
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, nullptr);
    body = std::move(body_);
    return ok;
  }

  bool Upload(const std::string& path, std::uint64_t size, Reader reader, bool& started,
              const std::vector<std::string>& after) override {
    reader_ = std::move(reader);
    readStarted_ = false;
    curl_slist* post = nullptr;
    for (const std::string& command : after) post = curl_slist_append(post, command.c_str());
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, post);
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    const bool ok = Perform(Url(path, false));
    curl_easy_setopt(curl_, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(curl_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
    curl_easy_setopt(curl_, CURLOPT_POSTQUOTE, nullptr);
    curl_slist_free_all(post);
    reader_ = nullptr;
    started = readStarted_;
    return ok;
  }

  bool Quote(const std::vector<std::string>& commands) override {
    curl_slist* quote = nullptr;
    for (const std::string& command : commands) quote = curl_slist_append(quote, command.c_str());
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_, CURLOPT_QUOTE, quote);
    const bool ok = Perform(base_ + "/");
    curl_easy_setopt(curl_, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
    curl_slist_free_all(quote);
    return ok;
  }

  bool Stat(const std::string& path, std::int64_t& time, std::uint64_t& size) override {
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_, CURLOPT_FILETIME, 1L);
    bool ok = Perform(Url(path, false));
    curl_easy_setopt(curl_, CURLOPT_FILETIME, 0L);
    curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
    if (!ok) return false;
    curl_off_t filetime = -1;
    curl_off_t length = -1;
    curl_easy_getinfo(curl_, CURLINFO_FILETIME_T, &filetime);
    curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (filetime < 0) {
      Fail(CURLE_REMOTE_FILE_NOT_FOUND, {});
      return false;
    }
    time = filetime;
    // The library tells no length for an empty file: it has nothing to fetch.
    size = length < 0 ? 0 : static_cast<std::uint64_t>(length);
    return true;
  }

  std::string EntryPath() const override {
    char* entry = nullptr;
    if (!curl_ || curl_easy_getinfo(curl_, CURLINFO_FTP_ENTRY_PATH, &entry) != CURLE_OK || !entry) return {};
    return entry;
  }

  const Exchange* LastExchange() const override {
    for (auto it = exchanges_.rbegin(); it != exchanges_.rend(); ++it)
      if (!EqualsNoCase(it->command, "QUIT")) return &*it;
    return nullptr;
  }

  const Failure& failure() const override { return failure_; }
  std::string PeerFingerprint() const override { return peerFingerprint_; }
  PeerVerdict peerVerdict() const override { return verdict_; }

 private:
  // Every host key is judged against the pin alone: there is no authority
  // for SSH keys, so an unknown one is the user's to accept.
  static int OnHostKey(void* user, int, const char* key, size_t length) {
    auto* self = static_cast<LibCurlConnection*>(user);
    self->peerFingerprint_ = HostKeyFingerprint(key, length);
    if (self->pin_.empty()) {
      self->verdict_ = PeerVerdict::kUnknown;
    } else {
      const bool same = HostKeyPinMatches(self->pin_, self->peerFingerprint_);
      self->verdict_ = same ? PeerVerdict::kPinned : PeerVerdict::kChanged;
    }
    return self->verdict_ == PeerVerdict::kPinned ? CURLKHMATCH_OK : CURLKHMATCH_MISMATCH;
  }

  static int VerdictIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
  }

  static CURLcode OnSslContext(CURL*, void* context, void* user) {
    auto* ctx = static_cast<SSL_CTX*>(context);
    SSL_CTX_set_default_verify_paths(ctx);  // the system's authorities
    SSL_CTX_set_ex_data(ctx, VerdictIndex(), user);
    static_cast<LibCurlConnection*>(user)->chainVouched_ = true;
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, &LibCurlConnection::OnVerify);
    return CURLE_OK;
  }

  // Called for every certificate of the chain, the server's own last
  // (depth 0): the chain is accepted or refused there as a whole.
  static int OnVerify(int chainOk, X509_STORE_CTX* store) {
    auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* self =
        ssl ? static_cast<LibCurlConnection*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), VerdictIndex())) : nullptr;
    if (!self) return 0;
    if (X509_STORE_CTX_get_error_depth(store) > 0) {
      if (!chainOk) self->chainVouched_ = false;
      return 1;  // judged with the server's certificate
    }
    X509* cert = X509_STORE_CTX_get_current_cert(store);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!cert || X509_digest(cert, EVP_sha256(), digest, &length) != 1) return 0;
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string fingerprint;
    for (unsigned int i = 0; i < length; ++i) {
      if (i) fingerprint += ':';
      fingerprint += kHex[digest[i] >> 4];
      fingerprint += kHex[digest[i] & 15];
    }
    self->peerFingerprint_ = fingerprint;
    const bool vouched = chainOk && self->chainVouched_ &&
                         X509_check_host(cert, self->host_.data(), self->host_.size(), 0, nullptr) == 1;
    if (!self->pin_.empty()) {
      // A pinned certificate is the only one taken, vouched for or not: a
      // change is for the user to see.
      self->verdict_ = EqualsNoCase(self->pin_, fingerprint) ? PeerVerdict::kPinned : PeerVerdict::kChanged;
    } else {
      self->verdict_ = vouched ? PeerVerdict::kVouched : PeerVerdict::kUnknown;
    }
    return self->verdict_ == PeerVerdict::kVouched || self->verdict_ == PeerVerdict::kPinned ? 1 : 0;
  }

  void Fail(int code, std::string reply) { failure_ = {code, std::move(reply)}; }

  bool StopRequested() const { return stop_ && stop_->load(); }

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
    errorBuffer_[0] = '\0';
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
    return last && last->code() == 421;
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
    if (stop_) {
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

  // The reply that refused the last command, if the server refused it.
  std::string FailingReply() const {
    if (sftp_) return errorBuffer_;
    const Exchange* last = LastExchange();
    return last && last->code() >= 400 ? ReplyText(last->lines) : std::string();
  }

  // scheme://host:port/%2F<segments>: "%2F" makes the path absolute; every
  // segment is escaped, so spaces, "#", "%" and non-ASCII letters pass.
  // An SFTP URL's path is the server's path as it stands.
  std::string Url(const std::string& path, bool directory) const {
    std::string url = base_ + (sftp_ ? "/" : "/%2F");
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
    auto* self = static_cast<LibCurlConnection*>(user);
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
    static_cast<LibCurlConnection*>(user)->body_.append(data, size * count);
    return size * count;
  }

  static size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
    auto* self = static_cast<LibCurlConnection*>(user);
    self->readStarted_ = true;
    return self->reader_ ? self->reader_(buffer, size * count) : 0;
  }

  // Ends a transfer the library's way (it closes the data connection
  // itself) as soon as the stop flag is seen between two blocks of data.
  static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<LibCurlConnection*>(user)->StopRequested() ? 1 : 0;
  }

  static curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<LibCurlConnection*>(user);
    const curl_socket_t s = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (s != CURL_SOCKET_BAD) {
      std::lock_guard lock(self->socketsMutex_);
      self->sockets_.insert(s);
    }
    return s;
  }

  static int OnCloseSocket(void* user, curl_socket_t s) {
    auto* self = static_cast<LibCurlConnection*>(user);
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

  const std::atomic<bool>* const& stop_;
  CURL* curl_ = nullptr;
  CURLM* multi_ = nullptr;
  std::string base_;
  Failure failure_;
  std::vector<Exchange> exchanges_;
  std::string partialLine_;
  std::string body_;
  Reader reader_;
  bool readStarted_ = false;
  std::uint64_t activity_ = 0;  // lines and data the library sent or received
  std::mutex socketsMutex_;
  std::set<curl_socket_t> sockets_;  // opened by the library and not closed yet
  std::string host_;                 // the name the certificate must carry
  std::string pin_;                  // the pinned fingerprint
  std::string peerFingerprint_;      // of the last handshake
  PeerVerdict verdict_ = PeerVerdict::kNone;
  bool chainVouched_ = true;  // no certificate above the server's was refused
  bool sftp_ = false;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
};

}  // namespace

int CurlConnection::Exchange::code() const { return ReplyCode(lines); }

std::unique_ptr<CurlConnection> CurlConnection::Create(const CurlSettings& settings,
                                                       const std::atomic<bool>* const& stop) {
  return std::make_unique<LibCurlConnection>(settings, stop);
}

std::string HostKeyFingerprint(const void* key, size_t length) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLength = 0;
  if (EVP_Digest(key, length, digest, &digestLength, EVP_sha256(), nullptr) != 1) return {};
  std::string text(4 * ((digestLength + 2) / 3) + 1, '\0');
  const int written =
      EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), digest, static_cast<int>(digestLength));
  text.resize(written < 0 ? 0 : static_cast<size_t>(written));
  while (!text.empty() && text.back() == '=') text.pop_back();
  return text;
}

bool HostKeyPinMatches(std::string_view pin, std::string_view fingerprint) {
  pin = Trim(pin);
  if (StartsWith(pin, "SHA256:")) pin.remove_prefix(7);
  // base64 tells letters of either case apart.
  return !pin.empty() && pin == fingerprint;
}

const char* CurlErrorDescription(int code) {
  const char* description = curl_easy_strerror(static_cast<CURLcode>(code));
  return !description || StartsWith(description, "Unknown error") ? nullptr : description;
}

}  // namespace albumsmith
