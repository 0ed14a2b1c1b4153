#pragma once
// The libcurl side of a remote session, kept apart from what the commands
// mean so that a session over another protocol of the library can reuse it.
// A connection sends commands on the control connection and pairs them with
// their replies, fetches and uploads, ends any of that at once when the stop
// flag is set, and records why an operation failed: the library's code and
// the server's reply that refused. How a failure is worded is the session's.
// The library's headers stay in curl_connection.cpp.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

// Limits that keep a silent or stalled server from hanging a run.
struct TransferTimeouts {
  int connectSeconds = 30;  // TCP connection, greeting and login
  int replySeconds = 60;    // each reply on the control connection
  int stallSeconds = 60;    // a transfer that moves no byte for this long fails
};

struct CurlSettings {
  std::string scheme;  // of every URL, and the only protocol the library may use
  std::string host;
  int port = 0;       // 0 leaves the choice to the library: the scheme's port
  std::string login;  // empty: the library logs in as "anonymous"
  std::string password;
  bool passive = true;
  TransferTimeouts timeouts;
  // Explicit TLS (AUTH TLS) on the control connection and every data
  // connection. The server's certificate must be vouched for by the system's
  // authorities for `host`, or be the one pinned here by its SHA-256.
  bool tls = false;
  std::string pinnedFingerprint;  // "AB:CD:…", empty for none
  // SFTP: a private key file to log in with (the password is then its
  // passphrase), empty for a password login. The server's host key must be
  // the one pinned in `pinnedFingerprint` (its SHA-256 in base64, as
  // ssh-keygen -l shows it); any other is refused before the login.
  std::string keyFile;
};

// The SHA-256 of an SSH host key blob as ssh-keygen -l shows it, without
// its "SHA256:" label: base64 without padding.
std::string HostKeyFingerprint(const void* key, size_t length);
// Whether a pinned host key fingerprint names `fingerprint`; the pin may
// carry the "SHA256:" label.
bool HostKeyPinMatches(std::string_view pin, std::string_view fingerprint);

// What the handshake made of the server's certificate.
enum class PeerVerdict {
  kNone,     // no TLS handshake yet
  kVouched,  // the system's authorities vouch for it, for this host
  kPinned,   // the certificate pinned in the profile
  kUnknown,  // neither: the connection was refused before the login
  kChanged,  // another certificate than the pinned one: refused before the login
};
inline constexpr int kCurlSslConnectError = 35;

// The library's codes that a session sets or tests itself. They are the
// library's own numbers, so a session's lastError() shows the same either way.
inline constexpr int kCurlUnsupportedProtocol = 1;
inline constexpr int kCurlUrlMalformat = 3;
inline constexpr int kCurlRemoteAccessDenied = 9;
inline constexpr int kCurlQuoteError = 21;
inline constexpr int kCurlAbortedByCallback = 42;
inline constexpr int kCurlPeerFailedVerification = 60;
inline constexpr int kCurlRemoteFileNotFound = 78;

// The library's text for a code; null when it has none of its own.
const char* CurlErrorDescription(int code);

class CurlConnection {
 public:
  struct Reply {
    int code = 0;  // 0 when no complete reply came
    std::string text;
  };
  // A command on the control connection and the lines of its reply.
  struct Exchange {
    std::string command;  // empty for the greeting
    std::vector<std::string> lines;
    int code() const;  // of the complete reply, 0 without one
  };
  struct Failure {
    int code = 0;       // the library's
    std::string reply;  // the server's reply that refused, if it refused
  };
  // Fills up to `capacity` bytes of an upload and returns how many: 0 ends
  // the upload, kReadAbort fails it.
  using Reader = std::function<size_t(char* buffer, size_t capacity)>;
  static const size_t kReadAbort;

  // `stop` is the session's flag pointer itself, read at every use, since
  // the session may be given another flag while connected.
  static std::unique_ptr<CurlConnection> Create(const CurlSettings& settings, const std::atomic<bool>* const& stop);
  // The connection lives in the library's cache until then; closing it says
  // QUIT, unless the stop flag is set.
  virtual ~CurlConnection() = default;

  // Sends the commands on the control connection alone (connecting and
  // logging in first if needed), each marked so that a refusal keeps the
  // connection. The replies come in the order of the commands; judging them
  // is the caller's. False only when the exchange itself failed.
  virtual bool Run(const std::vector<std::string>& commands, std::vector<Reply>& replies) = 0;
  // Transfers the absolute path (a directory when `directory`) into `body`,
  // with `verb` in place of the library's own command when not null.
  virtual bool Fetch(const std::string& path, bool directory, const char* verb, std::string& body) = 0;
  // `started` tells whether the server accepted the file and data began to flow.
  // `after` are SFTP commands sent once the file is whole (see Quote).
  virtual bool Upload(const std::string& path, std::uint64_t size, Reader reader, bool& started,
                      const std::vector<std::string>& after = {}) = 0;
  // SFTP: sends the library's commands ("mkdir PATH", "rm PATH", "rename
  // FROM TO", "mtime DATE PATH" ...) in order; each must succeed, unless it
  // begins with "*". The first refusal ends it with kCurlQuoteError and the
  // library's text of it as the failure's reply.
  virtual bool Quote(const std::vector<std::string>& commands) = 0;
  // SFTP: the time (seconds since 1970 UTC) and size of a file. A missing
  // file fails with kCurlRemoteFileNotFound.
  virtual bool Stat(const std::string& path, std::int64_t& time, std::uint64_t& size) = 0;

  // The directory the login left the server in, empty when it did not say.
  virtual std::string EntryPath() const = 0;
  // The last exchange of the last operation; a QUIT the library sent while
  // giving up is not what failed. Null when there was none.
  virtual const Exchange* LastExchange() const = 0;
  // Why the last operation that returned false failed.
  virtual const Failure& failure() const = 0;
  // The server certificate's SHA-256 as "AB:CD:…" (empty before a TLS
  // handshake), or the SSH host key's (HostKeyFingerprint), and what was
  // made of it.
  virtual std::string PeerFingerprint() const = 0;
  virtual PeerVerdict peerVerdict() const = 0;
};

}  // namespace albumsmith
