#pragma once
// What the synchronisation and the remote installation ask of a server.
// FtpSession (FTP, FTPS) and SftpSession are the real ones, made by
// MakeTransport; tests put a fake in its place to make any call fail. Every operation shows its own failure through the
// current Prompter before it returns false, so a caller only tests the result and stops. Remote paths use "/" (a "\" is
// taken as "/"); paths that do not begin with
// "/" are taken from the login directory.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "remote_entry.h"

namespace albumsmith {

struct ProfileSettings;

enum class Report : bool { No, Yes };
enum class IncludeDirs : bool { No, Yes };
enum class Create : bool { No, Yes };
// Ask::Yes asks before creating a missing directory (until the user ticks
// "Don't ask me again"); Ask::No creates it without asking.
enum class Ask : bool { No, Yes };

class RemoteTransport {
 public:
  virtual ~RemoteTransport() = default;

  // Takes server, login, password, remote directory and passive mode from the
  // profile and drops any connection, so the next operation uses them.
  virtual void SetProfile(const ProfileSettings& profile) = 0;
  // A flag another thread may set to stop the run: a transfer in progress
  // ends at once, quietly, with a failure. Null for none.
  virtual void SetStopFlag(const std::atomic<bool>* stop) = 0;
  // The code of the last failure, 0 when nothing has failed.
  virtual int lastError() const = 0;

  virtual bool Connect() = 0;
  virtual void Disconnect() = 0;

  // True when the directory exists or could be created.
  virtual bool EnterOrCreateDir(std::string_view path, Report report) = 0;
  // Creates every level of the path, the last one with or without a "/".
  virtual bool MakeDirs(std::string_view path, Report report) = 0;
  // Appends the entries of base + sub to `list`, without "." and "..", in
  // the server's order. Entries whose names cannot be part of a path are
  // left out and shown to the user. A missing directory without Create::Yes fails
  // quietly; with it, the levels of `sub` are created, after a question
  // unless Ask::No, and refusing the question fails quietly too.
  virtual bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
                       Create create, Ask ask) = 0;
  // MakeDirs for a path whose levels below `existing` (a leading part of
  // it, ending with "/") the caller knows to be missing: they are made
  // without looking first. By default MakeDirs.
  virtual bool MakeMissingDirs(std::string_view path, std::string_view /*existing*/, Report report) {
    return MakeDirs(path, report);
  }
  // ListDir with Create::Yes for a directory the caller knows to be missing
  // (a listing of a level above showed it absent, or it was removed): the
  // same question and creation, without listing it first. Should it exist
  // after all, its entries are appended as ListDir would. By default it
  // lists first, as ListDir does.
  virtual bool CreateMissingDir(RemoteEntryList& list, std::string_view base, std::string_view sub,
                                IncludeDirs includeDirs, Ask ask) {
    return ListDir(list, base, sub, includeDirs, Create::Yes, ask);
  }
  virtual bool PutFile(const std::filesystem::path& local, std::string_view remote) = 0;
  virtual bool PutBuffer(std::string_view remote, std::string_view data) = 0;
  virtual bool RemoveFile(std::string_view remote) = 0;
  // Moves a file onto another name in the same directory, replacing what is
  // there in one step. False when the server refuses it: quietly, with
  // lastError() 0, so that the caller can do without; a failed exchange is
  // shown as any other failure.
  virtual bool Rename(std::string_view from, std::string_view to) = 0;
  // Removes a directory with everything in it. A directory holding an entry
  // whose name cannot be part of a path is left as it is, and that shown.
  virtual bool RemoveTree(std::string_view dir) = 0;
  // The server's time of a file to the second (MDTM), for when a listing
  // gave only minutes. False, quietly, when the server cannot tell.
  virtual bool ExactTime(std::string_view remote, std::int64_t& time) = 0;
  // The size of a file as the server holds it (SIZE). False, quietly, when
  // the server cannot tell.
  virtual bool FileSize(std::string_view remote, std::uint64_t& size) = 0;

  // Whether PutFile gives the remote copy the local file's modification
  // time and SetTime can set one: listed times are then the local ones, to
  // the second, whatever the server's clock says.
  virtual bool KeepsTimes() const { return false; }
  // Sets a remote file's modification time (seconds since 1970 UTC).
  virtual bool SetTime(std::string_view /*remote*/, std::int64_t /*time*/) { return false; }

  // Keeps a certificate or host key the user chose to trust (its SHA-256)
  // in the profile; without a saver it is trusted for this session only.
  // NOLINTNEXTLINE(performance-unnecessary-value-param): the sessions keep it by moving
  virtual void SetPinSaver(std::function<void(const std::string&)> /*save*/) {}
  // The protocol in use ("FTP", "FTPS", "SFTP") and the SHA-256 of the
  // certificate or host key the last login met, empty before one.
  virtual std::string ProtocolName() const { return {}; }
  virtual std::string peerFingerprint() const { return {}; }
};

}  // namespace albumsmith
