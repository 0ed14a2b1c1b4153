// Transfers of one step spread over several connections: each done once,
// started once and in order, whatever the extra connections do.

#include "publish/parallel_transfers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "platform/messages.h"
#include "test_support.h"

namespace albumsmith {
namespace {

// What every connection of a case did, shared between their threads.
struct Ledger {
  std::mutex mutex;
  std::map<std::string, int> stored;  // successful uploads by path
  int failures = 0;                   // uploads that failed on any connection
};

// A connection that stores into the ledger. It refuses to connect, or fails
// every upload after its first `worksFor`, showing the failure as a real
// transport does.
class LedgerTransport final : public RemoteTransport {
 public:
  LedgerTransport(Ledger& ledger, bool refuses, int worksFor)
      : ledger_(ledger), refuses_(refuses), worksFor_(worksFor) {}
  void SetProfile(const ProfileSettings&) override {}
  void SetStopFlag(const std::atomic<bool>*) override {}
  int lastError() const override { return lastError_; }
  bool Connect() override {
    if (!refuses_) return true;
    ShowMessageText({Icon::Exclamation, Buttons::Ok}, "421 Too many connections");
    return false;
  }
  void Disconnect() override {}
  bool EnterOrCreateDir(std::string_view, Report) override { return true; }
  bool MakeDirs(std::string_view, Report) override { return true; }
  bool ListDir(RemoteEntryList&, std::string_view, std::string_view, IncludeDirs, Create, Ask) override { return true; }
  bool PutFile(const std::filesystem::path&, std::string_view remote) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));  // long enough for the others to take part
    std::lock_guard lock(ledger_.mutex);
    if (worksFor_ >= 0 && worksFor_-- == 0) {
      worksFor_ = 0;
      ++ledger_.failures;
      lastError_ = 426;
      ShowMessageText({Icon::Exclamation, Buttons::Ok}, "Error uploading file '%s'", {std::string(remote)});
      return false;
    }
    ++ledger_.stored[std::string(remote)];
    return true;
  }
  bool PutBuffer(std::string_view, std::string_view) override { return true; }
  bool RemoveFile(std::string_view) override { return true; }
  bool Rename(std::string_view, std::string_view) override { return true; }
  bool RemoveTree(std::string_view) override { return true; }
  bool ExactTime(std::string_view, std::int64_t&) override { return false; }
  bool FileSize(std::string_view, std::uint64_t&) override { return false; }

 private:
  Ledger& ledger_;
  bool refuses_;
  int worksFor_;  // uploads that succeed before every later one fails; -1 for all
  int lastError_ = 0;
};

TEST(TransferPoolTest, EveryJobIsDoneOnceWhateverTheExtraConnectionsDo) {
  constexpr size_t kJobs = 40;
  struct Case {
    const char* what;
    int connections;
    bool maker;          // extra connections can be made
    bool extrasRefused;  // the server refuses every extra connection
    int extraWorksFor;   // uploads an extra one does before it breaks; -1 never
    int mainWorksFor;    // the same for the run's own
    bool succeeds;
    size_t shown;  // failures shown to the user
  };
  const Case cases[] = {
      {"one connection", 1, true, false, -1, -1, true, 0},
      {"four connections", 4, true, false, -1, -1, true, 0},
      {"no way to make more", 4, false, false, -1, -1, true, 0},
      {"extra connections refused: quietly without them", 4, true, true, -1, -1, true, 0},
      {"extra connections breaking: their work goes to the others, quietly", 4, true, false, 2, -1, true, 0},
      {"the run's own connection breaking fails the step, shown once", 3, true, false, -1, 5, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::Environment::prompter().Clear();
    Ledger ledger;
    LedgerTransport main(ledger, false, c.mainWorksFor);
    int made = 0;
    ConnectionMaker maker;
    if (c.maker)
      maker = [&]() -> std::unique_ptr<RemoteTransport> {
        ++made;
        return std::make_unique<LedgerTransport>(ledger, c.extrasRefused, c.extraWorksFor);
      };
    std::atomic<bool> stop{false};
    std::vector<size_t> started;
    {
      TransferPool pool(main, c.connections, maker, stop);
      const bool ok = pool.Run(
          kJobs,
          [&](size_t i) {
            started.push_back(i);
            return true;
          },
          [&](RemoteTransport& t, size_t i) { return t.PutFile("", "f" + std::to_string(i)); });
      EXPECT_EQ(ok, c.succeeds);
      // Extra connections that broke or were refused are not tried again.
      if (c.extrasRefused || c.extraWorksFor >= 0) {
        EXPECT_EQ(pool.spareConnections(), 0);
      }
    }
    EXPECT_EQ(made, c.maker ? c.connections - 1 : 0);
    const std::vector<std::string> shown = test::Environment::prompter().texts();
    EXPECT_EQ(shown.size(), c.shown);
    for (const std::string& text : shown) EXPECT_TRUE(text.starts_with("Error uploading file")) << text;
    for (const auto& [path, times] : ledger.stored) EXPECT_EQ(times, 1) << path;
    if (c.succeeds) {
      EXPECT_EQ(ledger.stored.size(), kJobs);
      std::vector<size_t> inOrder(kJobs);
      for (size_t i = 0; i < kJobs; ++i) inOrder[i] = i;
      EXPECT_EQ(started, inOrder);  // each started once, in order, retried or not
    }
    if (c.extraWorksFor >= 0) {
      EXPECT_GT(ledger.failures, 0) << "no extra connection broke";
    }
  }
}

TEST(TransferPoolTest, StopEndsTheStepWithoutStartingMore) {
  Ledger ledger;
  LedgerTransport main(ledger, false, -1);
  std::atomic<bool> stop{false};
  TransferPool pool(
      main, 4, [&] { return std::make_unique<LedgerTransport>(ledger, false, -1); }, stop);
  size_t started = 0;
  const bool ok = pool.Run(
      100,
      [&](size_t) {
        if (++started == 10) stop = true;
        return true;
      },
      [&](RemoteTransport& t, size_t i) { return t.PutFile("", "f" + std::to_string(i)); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(started, 10u);
  EXPECT_LE(ledger.stored.size(), 10u);
}

}  // namespace
}  // namespace albumsmith
