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

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "curl_session.h"

namespace albumsmith {

// The host key's SHA-256 is kept in base64, as ssh-keygen -l shows it.
class SftpSession final : public CurlSession {
 public:
  SftpSession();
  ~SftpSession() override;

  std::string ProtocolName() const override { return "SFTP"; }

  void SetProfile(const ProfileSettings& profile) override;

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
  bool ExactTime(std::string_view remote, std::int64_t& time) override;
  bool FileSize(std::string_view remote, std::uint64_t& size) override;
  bool KeepsTimes() const override { return true; }
  bool SetTime(std::string_view remote, std::int64_t time) override;

 private:
  std::unique_ptr<CurlConnection> NewConnection() const;
  std::string Absolute(const std::string& path) const override;
  // Takes the connection's last failure as this operation's.
  bool Failed(bool ok);
  Presence ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                        std::vector<std::string>* unsafe) override;
  bool RemoveEmptyDir(const std::string& dir) override;
  bool DirExists(const std::string& absolute, bool& exists);
  bool Upload(const std::string& remote, std::uint64_t size, CurlConnection::Reader reader, bool& started,
              std::optional<std::int64_t> time);

  std::string keyFile_;
  std::string home_ = "/";
  std::unique_ptr<CurlConnection> connection_;  // set while connected
};

// A command argument for the library's SFTP commands: quoted, with '"' and
// '\' escaped, so that spaces and quotes in a path stay part of it.
std::string SftpQuoted(std::string_view argument);
// "mtime" command's date: "Thu, 02 Jan 2020 03:04:05 GMT".
std::string SftpDate(std::int64_t time);

}  // namespace albumsmith
