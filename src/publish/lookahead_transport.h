#pragma once
// The run's own connection, seen through what the run has learnt of the
// server's directories so far. On a link with latency every listing costs
// round trips on the path the run waits on, so:
//
// - a directory known to be missing (a listing of a level above showed it
//   absent, or the run removed it or a level above it) is made without
//   listing it first: the same question, the same MKD;
// - the listings the run will need are made ahead on the spare connections
//   (TransferPool::Background) while the run's own connection goes on, and
//   handed over when the run gets to them.
//
// A listing made ahead stands for the server only as long as the run has
// changed nothing there: every change made through this transport drops the
// listings made ahead of the directories it touches (the directory of a
// file, a directory made or removed and the one holding it, everything below
// a removed one), and the run says which directories the spare connections
// are about to change (Changing). A listing is handed over once; asked
// again, the directory is listed afresh.

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "publish/remote_entry.h"
#include "publish/remote_transport.h"

namespace albumsmith {

// Which directories are known to exist or to be missing, from listings and
// from what the run itself made and removed. Paths are remote directories
// ("/site/s/Trips/"); names compare without regard to letter case, so that a
// name met in any case counts as present.
class RemoteDirKnowledge {
 public:
  // `dir` was listed with its directories: `entries` is all it holds.
  void Listed(const std::string& dir, const RemoteEntryList& entries);
  // `dir` exists (listed without its directories, or made where it may
  // have been already).
  void Exists(const std::string& dir);
  // The run made `dir`, every missing level of it: those levels are empty.
  void Made(const std::string& dir);
  // `dir` is not there (a listing said so, or the run removed it).
  void Missing(const std::string& dir);
  // A file was written at `path`.
  void FileWritten(const std::string& path);
  // Nothing is known any more of `dir` and below (a removal that failed half way).
  void Forget(const std::string& dir);

  bool IsMissing(const std::string& dir) const;
  // The run listed or made `dir`.
  bool IsSeen(const std::string& dir) const { return names_.contains(dir); }

 private:
  void MarkLevelsPresent(const std::string& dir);
  void DropBelow(const std::string& dir);

  std::map<std::string, std::set<std::string>> names_;  // listed directory -> every name in it, lower case
  std::set<std::string> missing_;
};

class LookaheadTransport final : public RemoteTransport {
 public:
  // Disabled, it only passes every call on (a dry run: nothing it plans is made).
  LookaheadTransport(RemoteTransport& inner, bool enabled);
  ~LookaheadTransport() override;
  LookaheadTransport(const LookaheadTransport&) = delete;
  LookaheadTransport& operator=(const LookaheadTransport&) = delete;

  // What the run learnt before going through this transport (the remote
  // root listed for the clock probe). With `handOver`, the listing also
  // stands for the next listing of `dir`, unless the run changes it first.
  void Learn(const std::string& dir, const RemoteEntryList& entries, bool handOver);
  // Directories to list ahead, in the order the run will want them; one
  // named again is listed again once its first listing was handed over.
  void ListAhead(const std::vector<std::string>& dirs);
  // One listing ahead on `spare`, for TransferPool::Background: nullopt when
  // none is left, else whether the connection worked. Before the first
  // ListAhead it waits for one (or for StopListingAhead).
  std::optional<bool> ListNextAhead(RemoteTransport& spare);
  // The spare connections are about to change these directories' files.
  void Changing(const std::vector<std::string>& dirs);
  // Nothing more is listed ahead (the run ends).
  void StopListingAhead();

  void SetProfile(const ProfileSettings& profile) override { inner_.SetProfile(profile); }
  void SetStopFlag(const std::atomic<bool>* stop) override { inner_.SetStopFlag(stop); }
  int lastError() const override { return quietMiss_ ? 0 : inner_.lastError(); }
  bool Connect() override {
    quietMiss_ = false;
    return inner_.Connect();
  }
  void Disconnect() override { inner_.Disconnect(); }
  bool EnterOrCreateDir(std::string_view path, Report report) override;
  bool MakeDirs(std::string_view path, Report report) override;
  bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
               Create create, Ask ask) override;
  bool CreateMissingDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
                        Ask ask) override;
  bool PutFile(const std::filesystem::path& local, std::string_view remote) override;
  bool PutBuffer(std::string_view remote, std::string_view data) override;
  bool RemoveFile(std::string_view remote) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool RemoveTree(std::string_view dir) override;
  bool ExactTime(std::string_view remote, std::int64_t& time) override {
    quietMiss_ = false;
    return inner_.ExactTime(remote, time);
  }
  bool FileSize(std::string_view remote, std::uint64_t& size) override {
    quietMiss_ = false;
    return inner_.FileSize(remote, size);
  }
  bool KeepsTimes() const override { return inner_.KeepsTimes(); }
  bool SetTime(std::string_view remote, std::int64_t time) override {
    quietMiss_ = false;
    return inner_.SetTime(remote, time);
  }
  void SetPinSaver(std::function<void(const std::string&)> save) override { inner_.SetPinSaver(std::move(save)); }
  std::string ProtocolName() const override { return inner_.ProtocolName(); }
  std::string peerFingerprint() const override { return inner_.peerFingerprint(); }

  // How many listings ahead were handed over, for tests and measurements.
  int listingsHandedOver() const;

 private:
  struct Ahead {
    enum class State { kQueued, kRunning, kListed, kMissing };
    State state = State::kQueued;
    RemoteEntryList entries;
  };
  enum class Taken { kNone, kListed, kMissing };

  // The listing made ahead of `dir`, if one is ready or on its way.
  Taken TakeAhead(const std::string& dir, RemoteEntryList& entries);
  // Drops what was listed ahead of `dir` (and, with `below`, of everything under it).
  void Drop(const std::string& dir, bool below = false);
  void DropFileDir(std::string_view path);
  // Drops the queued listings of directories now known to be missing.
  void PruneMissing();

  RemoteTransport& inner_;
  const bool enabled_;
  bool quietMiss_ = false;  // the last call failed on a directory known to be missing, quietly
  RemoteDirKnowledge known_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> order_;      // directories to list ahead, in order
  size_t next_ = 0;                     // the first of order_ not yet taken by a spare connection
  std::map<std::string, Ahead> ahead_;  // queued, running or ready
  std::map<std::string, int> again_;    // how many more times a directory is wanted
  bool ordered_ = false;                // ListAhead was called
  bool stopped_ = false;
  int handedOver_ = 0;
};

}  // namespace albumsmith
