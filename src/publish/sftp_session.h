#pragma once
// The connection to a profile's SFTP server (SSH file transfer). One SSH
// connection is opened on the first operation and kept until Disconnect,
// SetProfile or destruction; every path is sent absolute, relative ones
// taken from the login (home) directory. The server's host key is checked
// against the SHA-256 pinned in the profile before any way of logging in is
// tried: an unknown key is asked about, a changed one refused. Failures are
// shown as FtpSession shows them. One worker thread uses a session at a time.
//
// Listings of SFTP servers give times in minutes and in the server's own
// time zone, so every file listed is asked for its exact time as well; an
// upload is given the local file's modification time, which makes the
// times a synchronisation compares exact and the server's clock irrelevant.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "curl_connection.h"
#include "remote_transport.h"

namespace albumsmith {

class SftpSession final : public RemoteTransport {
 public:
  SftpSession();
  ~SftpSession() override;
  SftpSession(const SftpSession&) = delete;
  SftpSession& operator=(const SftpSession&) = delete;

  void SetTimeouts(const TransferTimeouts& timeouts) { timeouts_ = timeouts; }
  // The host key's SHA-256 is kept in base64, as ssh-keygen -l shows it.
  void SetPinSaver(std::function<void(const std::string&)> save) override { savePin_ = std::move(save); }
  std::string ProtocolName() const override { return "SFTP"; }
  std::string peerFingerprint() const override { return peerFingerprint_; }

  void SetProfile(const ProfileSettings& profile) override;
  void SetStopFlag(const std::atomic<bool>* stop) override { stop_ = stop; }
  int lastError() const override { return lastError_; }

  bool Connect() override;
  void Disconnect() override;
  bool EnterOrCreateDir(std::string_view path, Report report) override;
  bool MakeDirs(std::string_view path, Report report) override;
  bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
               Create create, Ask ask) override;
  bool PutFile(const std::filesystem::path& local, std::string_view remote) override;
  bool PutBuffer(std::string_view remote, std::string_view data) override;
  bool RemoveFile(std::string_view remote) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool RemoveTree(std::string_view dir) override;
  bool ExactTime(std::string_view remote, std::int64_t& time) override;
  bool FileSize(std::string_view remote, std::uint64_t& size) override;
  bool KeepsTimes() const override { return true; }
  bool SetTime(std::string_view remote, std::int64_t time) override;

 private:
  enum class Presence { Listed, Missing, Failed };

  std::unique_ptr<CurlConnection> NewConnection() const;
  bool Refused(const std::string& path, const std::string& message);
  std::string Absolute(const std::string& path) const;
  // Takes the connection's last failure as this operation's.
  bool Failed(bool ok);
  Presence ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                        std::vector<std::string>* unsafe = nullptr);
  bool DirExists(const std::string& absolute, bool& exists);
  bool Upload(const std::string& remote, std::uint64_t size, CurlConnection::Reader reader, bool& started,
              std::optional<std::int64_t> time);
  bool RemoveTreeAt(const std::string& dir, int depth);
  void ReportFailure(const std::string& message);

  std::string server_;
  std::string login_;
  std::string password_;
  std::string keyFile_;
  std::string pin_;              // the trusted host key's SHA-256, empty for none
  std::string peerFingerprint_;  // of the last connection
  std::function<void(const std::string&)> savePin_;
  bool askCreate_ = true;
  int lastError_ = 0;
  int failCode_ = 0;
  std::string failReply_;
  TransferTimeouts timeouts_;
  std::set<std::string> unsafeShown_;
  const std::atomic<bool>* stop_ = nullptr;
  std::string home_ = "/";
  std::unique_ptr<CurlConnection> connection_;  // set while connected
};

// A command argument for the library's SFTP commands: quoted, with '"' and
// '\' escaped, so that spaces and quotes in a path stay part of it.
std::string SftpQuoted(std::string_view argument);
// "mtime" command's date: "Thu, 02 Jan 2020 03:04:05 GMT".
std::string SftpDate(std::int64_t time);

}  // namespace albumsmith
