#pragma once
// The independent transfers of one step of a run (a folder's uploads, its
// deletions) spread over several connections to the same server.
//
// The run's own connection always takes part; the extra ones are opened
// when first needed, each on a thread of its own, and kept for the run. An
// extra connection is a helper only: whatever it shows is kept quiet, a
// server refusing it (too many connections, a login refused) leaves the work
// to the others, and a transfer failing on it goes back to the queue and
// drops that connection. Only a failure on the run's own connection, shown
// as usual, fails the step, so the run fails exactly where a run on one
// connection would.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "publish/remote_transport.h"

namespace albumsmith {

// Makes one more connection to the run's server, profile set, not yet
// connected; null when the protocol has none to spare.
using ConnectionMaker = std::function<std::unique_ptr<RemoteTransport>()>;

class TransferPool {
 public:
  // `connections` counts the run's own: 1 uses it alone.
  TransferPool(RemoteTransport& main, int connections, ConnectionMaker make, const std::atomic<bool>& stop);
  ~TransferPool();
  TransferPool(const TransferPool&) = delete;
  TransferPool& operator=(const TransferPool&) = delete;

  // Runs jobs 0..count-1, started in that order. `start(i)` is called once
  // for each job, before its first attempt and one at a time (status and
  // progress); false from it ends the step. `job(t, i)` does the transfer
  // on connection `t` and tells whether it succeeded. True when every job
  // succeeded; false after a stop or when a job failed on the run's own
  // connection (its failure shown there), once every transfer in progress
  // has ended.
  bool Run(size_t count, const std::function<bool(size_t)>& start,
           const std::function<bool(RemoteTransport&, size_t)>& job);

  // Work for the extra connections between steps, while the run's own
  // connection goes on: each extra connection (opened now) calls `next` on
  // itself until it returns nullopt (nothing left) or false (the connection
  // failed; it is not used again). `next` runs on their threads. A step
  // (Run) first waits for the calls in progress and holds the rest back
  // until it is over.
  using BackgroundWork = std::function<std::optional<bool>(RemoteTransport&)>;
  void Background(BackgroundWork next);

  // Extra connections still usable (opened or not yet tried).
  int spareConnections() const;
  // Closes the extra connections.
  void Close();

 private:
  struct Extra {
    std::unique_ptr<RemoteTransport> transport;
    bool connected = false;
    bool dead = false;  // refused by the server or failed: not used again this run
  };
  class Step;

  void MakeExtras();
  void PauseBackground();
  void ResumeBackground();
  bool Open(Extra& e);

  RemoteTransport& main_;
  ConnectionMaker make_;
  const std::atomic<bool>& stop_;
  int wanted_;  // extra connections still to make
  std::vector<Extra> extras_;
  BackgroundWork background_;
  std::atomic<bool> pause_{false};
  std::vector<std::thread> backgroundThreads_;
};

}  // namespace albumsmith
