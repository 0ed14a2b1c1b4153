#pragma once
// The connection to a profile's FTP server. One control connection is opened
// on the first operation and kept until Disconnect, SetProfile or
// destruction; every path is sent absolute, so no operation depends on the
// server's current directory. Every failure is shown to the user here, as
// the operation's text, then "%i : %s" with the library's code and text, then
// the server's reply to the command it refused, if it refused one.
// One worker thread uses a session at a time.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "curl_session.h"

namespace albumsmith {

// They apply from the next connection on.
using FtpTimeouts = TransferTimeouts;

// The profile's server text: a host, optionally followed by ":" and a port.
// The part after the last ":" is read as a decimal number (its leading
// digits; none gives 0) and the host is what comes before it. Port 0 leaves
// the choice to the library, which takes the FTP port.
struct ServerAddress {
  std::string host;
  int port = 21;
};
ServerAddress ParseServerText(std::string_view server);

// The certificate's SHA-256 is kept as "AB:CD:…"; peerFingerprint() gives
// it after a TLS login.
class FtpSession final : public CurlSession {
 public:
  FtpSession();
  ~FtpSession() override;

  std::string ProtocolName() const override { return tls_ ? "FTPS" : "FTP"; }
  // The profile's remote directory, for callers; paths are not prefixed with it.
  const std::string& remoteDir() const { return remoteDir_; }

  void SetProfile(const ProfileSettings& profile) override;

  bool Connect() override;
  void Disconnect() override;
  bool EnterOrCreateDir(std::string_view path, Report report) override;
  bool MakeDirs(std::string_view path, Report report) override;
  bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
               Create create, Ask ask) override;
  bool MakeMissingDirs(std::string_view path, std::string_view existing, Report report) override;
  bool CreateMissingDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
                        Ask ask) override;
  bool PutFile(const std::filesystem::path& local, std::string_view remote) override;
  bool PutBuffer(std::string_view remote, std::string_view data) override;
  bool RemoveFile(std::string_view remote) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool ExactTime(std::string_view remote, std::int64_t& time) override;
  bool FileSize(std::string_view remote, std::uint64_t& size) override;

 private:
  class Connection;

  std::string Absolute(const std::string& path) const override;
  Presence ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                        std::vector<std::string>* unsafe) override {
    return ListExisting(dir, entries, unsafe, false);
  }
  // `unsafe`, when given, receives the listed names that cannot be part of a path.
  // `refusalMeansMissing`: a refused MLSD is taken as a missing directory
  // without asking the server again, for a caller that creates it next and
  // checks only when that fails.
  Presence ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                        std::vector<std::string>* unsafe = nullptr, bool refusalMeansMissing = false);
  bool RemoveEmptyDir(const std::string& dir) override;
  // The part of ListDir after the directory was found missing: the
  // question, then the levels made; `entries` holds what a directory that
  // turned out to be there lists.
  bool CreateListed(const std::string& base, const std::string& sub, Ask ask, std::vector<RemoteEntry>& entries,
                    const std::string& message);

  std::string remoteDir_;
  bool passive_ = true;
  bool tls_ = false;
  std::string protocol_;
  std::unique_ptr<Connection> connection_;  // set while connected
};

}  // namespace albumsmith
