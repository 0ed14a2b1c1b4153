#include "publish/parallel_transfers.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/prompter.h"

namespace albumsmith {

namespace {

// What an extra connection would show: nothing, and no to every question
// (a certificate not yet trusted is not trusted on its behalf).
class SilentPrompter final : public Prompter {
 public:
  Reply Ask(const Message& message) override { return {NegativeAnswer(message.buttons), false}; }
};

}  // namespace

// The jobs of one Run and who is doing what.
class TransferPool::Step {
 public:
  Step(size_t count, const std::function<bool(size_t)>& start, const std::atomic<bool>& stop)
      : start_(start), stop_(stop), started_(count, false) {
    for (size_t i = 0; i < count; ++i) queue_.push_back(i);
  }

  // The next job to attempt. The run's own connection waits while a job may
  // still come back from an extra one; an extra connection leaves once the
  // queue is empty.
  std::optional<size_t> Take(bool waitForReturns) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (failed_ || stop_.load()) return std::nullopt;
      if (!queue_.empty()) {
        const size_t i = queue_.front();
        queue_.pop_front();
        if (!started_[i]) {
          started_[i] = true;
          if (!start_(i)) {
            failed_ = true;
            changed_.notify_all();
            return std::nullopt;
          }
        }
        ++inFlight_;
        return i;
      }
      if (!waitForReturns || inFlight_ == 0) return std::nullopt;
      changed_.wait(lock);
    }
  }

  // A job ended. One that failed on an extra connection is tried again
  // next, by whoever is free; on the run's own connection (or after a
  // stop) a failure ends the step.
  void Finish(size_t i, bool ok, bool onMain) {
    std::lock_guard lock(mutex_);
    --inFlight_;
    if (!ok) {
      if (onMain || stop_.load())
        failed_ = true;
      else
        queue_.push_front(i);
    }
    changed_.notify_all();
  }

  bool succeeded() {
    std::lock_guard lock(mutex_);
    return !failed_ && !stop_.load() && queue_.empty() && inFlight_ == 0;
  }

 private:
  const std::function<bool(size_t)>& start_;
  const std::atomic<bool>& stop_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<size_t> queue_;
  std::vector<bool> started_;
  size_t inFlight_ = 0;
  bool failed_ = false;
};

TransferPool::TransferPool(RemoteTransport& main, int connections, ConnectionMaker make, const std::atomic<bool>& stop)
    : main_(main), make_(std::move(make)), stop_(stop), wanted_(make_ ? std::max(connections, 1) - 1 : 0) {}

TransferPool::~TransferPool() { Close(); }

int TransferPool::spareConnections() const {
  return wanted_ +
         static_cast<int>(std::count_if(extras_.begin(), extras_.end(), [](const Extra& e) { return !e.dead; }));
}

void TransferPool::Close() {
  PauseBackground();
  background_ = nullptr;
  for (Extra& e : extras_) {
    if (e.transport) {
      e.transport->Disconnect();
      e.transport->SetStopFlag(nullptr);
    }
  }
  extras_.clear();
}

bool TransferPool::Run(size_t count, const std::function<bool(size_t)>& start,
                       const std::function<bool(RemoteTransport&, size_t)>& job) {
  Step step(count, start, stop_);
  // Extra connections help only where there is more than one job; a step
  // of one leaves them to their background work.
  std::vector<Extra*> helpers;
  const bool shared = count > 1;
  if (shared) {
    PauseBackground();
    MakeExtras();
    for (Extra& e : extras_)
      if (!e.dead && helpers.size() + 1 < count) helpers.push_back(&e);
  }

  std::vector<std::thread> threads;
  threads.reserve(helpers.size());
  for (Extra* e : helpers) {
    threads.emplace_back([&step, &job, e, this] {
      SilentPrompter quiet;
      const ThreadPrompterScope scope(quiet);
      if (!Open(*e)) return;
      while (const std::optional<size_t> i = step.Take(false)) {
        const bool ok = job(*e->transport, *i);
        if (!ok && !stop_.load()) e->dead = true;
        step.Finish(*i, ok, false);
        if (e->dead) {
          e->transport->Disconnect();
          return;
        }
      }
    });
  }
  while (const std::optional<size_t> i = step.Take(true)) step.Finish(*i, job(main_, *i), true);
  for (std::thread& t : threads) t.join();
  if (shared) ResumeBackground();
  return step.succeeded();
}

void TransferPool::MakeExtras() {
  for (; wanted_ > 0; --wanted_) {
    std::unique_ptr<RemoteTransport> made = make_();
    if (!made) {
      wanted_ = 0;
      break;
    }
    made->SetStopFlag(&stop_);
    extras_.push_back({std::move(made)});
  }
}

void TransferPool::Background(BackgroundWork next) {
  PauseBackground();
  background_ = std::move(next);
  ResumeBackground();
}

void TransferPool::PauseBackground() {
  pause_ = true;
  for (std::thread& t : backgroundThreads_) t.join();
  backgroundThreads_.clear();
  pause_ = false;
}

// Logs the extra connection in unless it is already. Refused (a server
// allowing fewer connections) or unreachable: the others do the work.
bool TransferPool::Open(Extra& e) {
  if (e.connected) return true;
  if (stop_.load() || !e.transport->Connect()) {
    e.dead = true;
    e.transport->Disconnect();
    return false;
  }
  e.connected = true;
  return true;
}

void TransferPool::ResumeBackground() {
  if (!background_ || stop_.load()) return;
  MakeExtras();
  for (Extra& extra : extras_) {
    if (extra.dead) continue;
    Extra* e = &extra;
    backgroundThreads_.emplace_back([e, this] {
      SilentPrompter quiet;
      const ThreadPrompterScope scope(quiet);
      if (pause_.load()) return;
      if (!Open(*e)) return;
      while (!pause_.load() && !stop_.load()) {
        const std::optional<bool> done = background_(*e->transport);
        if (!done) return;
        if (!*done) {
          if (!stop_.load()) {
            e->dead = true;
            e->transport->Disconnect();
          }
          return;
        }
      }
    });
  }
}

}  // namespace albumsmith
