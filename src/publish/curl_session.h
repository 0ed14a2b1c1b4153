#pragma once
// What the sessions over the library's connection (FTP, FTPS, SFTP) share:
// the profile's login, the trust in the server's certificate or host key,
// the failure of the operation under way and its report, the refusal of
// paths that carry control characters, and the removal of a directory tree.
// Each protocol supplies its commands: connecting, listing, removing a file
// and an empty directory. One worker thread uses a session at a time.

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "curl_connection.h"
#include "remote_entry.h"
#include "remote_transport.h"

namespace albumsmith {

struct ProfileSettings;

class CurlSession : public RemoteTransport {
 public:
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  void SetTimeouts(const TransferTimeouts& timeouts) { timeouts_ = timeouts; }
  const TransferTimeouts& timeouts() const { return timeouts_; }
  void SetPinSaver(std::function<void(const std::string&)> save) override { savePin_ = std::move(save); }
  // After a login, the server certificate's or host key's SHA-256.
  std::string peerFingerprint() const override { return peerFingerprint_; }
  void SetStopFlag(const std::atomic<bool>* stop) override { stop_ = stop; }
  int lastError() const override { return lastError_; }

  // Empties the directory, its subdirectories first, and removes it. A
  // listing with a name that cannot be part of a path, or a tree deeper than
  // kMaxRemoveDepth, is refused with nothing in it touched.
  bool RemoveTree(std::string_view dir) override;

 protected:
  CurlSession() = default;
  ~CurlSession() override = default;

  enum class Presence { Listed, Missing, Failed };

  // The login and trust that every protocol takes from the profile; the
  // connection, if any, is closed.
  void TakeProfile(const ProfileSettings& profile);
  // Whether `path` carries a control character: then the failure is
  // reported as `message` and nothing is sent. Every operation begins here,
  // so lastError() tells about this one alone: a quiet failure (a missing
  // directory) leaves it 0.
  bool Refused(const std::string& path, const std::string& message);
  // Records a failure of the operation under way, reported later.
  void SetFailure(int code, std::string reply) {
    failCode_ = code;
    failReply_ = std::move(reply);
  }
  // Shows the failure recorded last under `message`; lastError() gives its code.
  void ReportFailure(const std::string& message);
  bool Stopping() const { return stop_ && stop_->load(); }
  // Whether the missing directory `sub` may be made: asked once per run
  // unless the user ticked "don't ask again". False on Cancel.
  bool MayCreate(const std::string& sub, Ask ask);
  // Hands a directory's listing to the caller: its unsafe names shown once
  // a session (a run lists some directories more than once), then the
  // entries, directories only when asked for.
  void Deliver(RemoteEntryList& list, const std::string& dir, std::vector<RemoteEntry>& entries,
               const std::vector<std::string>& unsafe, IncludeDirs includeDirs);

  // The path as the server is sent it, from the login directory.
  virtual std::string Absolute(const std::string& path) const = 0;
  // The directory's entries; `unsafe` receives the listed names that cannot
  // be part of a path. Shows nothing.
  virtual Presence ListExisting(const std::string& dir, std::vector<RemoteEntry>& entries,
                                std::vector<std::string>* unsafe) = 0;
  // Removes the empty directory; on failure records why and shows nothing.
  virtual bool RemoveEmptyDir(const std::string& dir) = 0;

  std::string server_;
  std::string login_;
  std::string password_;
  std::string pin_;              // the trusted certificate's or host key's SHA-256, empty for none
  std::string peerFingerprint_;  // of the last login
  std::function<void(const std::string&)> savePin_;
  bool askCreate_ = true;
  int lastError_ = 0;
  int failCode_ = 0;       // the last failure, reported by ReportFailure
  std::string failReply_;  // the server's reply that refused, if any
  TransferTimeouts timeouts_;
  std::set<std::string> unsafeShown_;  // directories whose unsafe names were shown
  const std::atomic<bool>* stop_ = nullptr;

 private:
  bool RemoveTreeAt(const std::string& dir, int depth);
};

}  // namespace albumsmith
