// Publishing on several connections with listings made ahead, against real
// FTP servers: the server's own log shows that no directory is listed before
// it exists, the remote result is the one a single connection leaves, a
// listing made ahead never hides what the run changed since, and a stop
// still ends everything at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ftp_test_servers.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "publish/ftp_session.h"
#include "publish/sync_engine.h"
#include "store/directory_tree.h"
#include "sync_test_profile.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

enum class Kind { Pyftpdlib, Vsftpd };
void PrintTo(Kind kind, std::ostream* os) { *os << (kind == Kind::Pyftpdlib ? "pyftpdlib" : "vsftpd"); }

constexpr std::string_view kRemoteDir = "/album/";

class StatusSink : public RecordingWindowSink {
 public:
  std::function<void(const std::string&)> onStatus;
  void PostStatus(const std::string& text) override {
    if (onStatus) onStatus(text);
    RecordingWindowSink::PostStatus(text);
  }
};

// The commands the server logged since byte `from`, in the order it logged
// them: pyftpdlib as "<- CMD arg", vsftpd as "FTP command: Client "…", "CMD arg"".
std::vector<std::string> LoggedCommands(const fs::path& log, size_t from) {
  const std::string text = test::ReadText(log);
  std::vector<std::string> commands;
  for (const std::string& line : Split(text.substr(std::min(from, text.size())), '\n')) {
    std::string command;
    if (const size_t at = line.find("<- "); at != std::string::npos) {
      command = line.substr(at + 3);
    } else if (const size_t at = line.find("FTP command: Client \""); at != std::string::npos) {
      const size_t open = line.find(", \"", at);
      if (open == std::string::npos) continue;
      command = line.substr(open + 3);
      if (!command.empty() && command.back() == '"') command.pop_back();
    } else {
      continue;
    }
    while (!command.empty() && (command.back() == '\r' || command.back() == ' ')) command.pop_back();
    commands.push_back(command);
  }
  return commands;
}

std::string WithoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

class LookaheadServerTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override { Prompts().Clear(); }

  bool StartServer() {
    std::string error;
    server_ = GetParam() == Kind::Pyftpdlib ? test::StartPyftpdlib(error) : test::StartVsftpd(error);
    if (!server_) {
      ADD_FAILURE() << error;
      return false;
    }
    ProfileSettings& s = profile_.settings();
    s.serverName = server_->serverText();
    s.login = server_->login_;
    s.password = server_->password_;
    s.remoteDir = std::string(kRemoteDir);
    s.protocol = "";
    profile_.Save();
    return true;
  }

  SyncOutcome RunOn(int connections, SyncRequest request, StatusSink& sink, const std::atomic<bool>& stop) {
    request.profile.connections = connections;
    FtpSession session;
    session.SetTimeouts({5, 5, 5});
    return RunSync(request, session, sink, stop, SpareSessions(session, request.profile));
  }
  SyncOutcome RunOn(int connections, const SyncRequest& request) {
    StatusSink sink;
    std::atomic<bool> stop{false};
    return RunOn(connections, request, sink, stop);
  }

  fs::path Local(const std::string& relative = "") const { return server_->root() / kRemoteDir.substr(1) / relative; }
  size_t LogSize() const { return test::ReadText(server_->log()).size(); }

  std::vector<std::string> Warnings() const {
    std::vector<std::string> texts;
    for (const Message& m : Prompts().shown())
      if (m.buttons == Buttons::Ok) texts.push_back(m.text);
    return texts;
  }

  test::SyncTestProfile profile_;
  std::unique_ptr<test::FtpTestServer> server_;
};

// On an empty server every directory of the album is new: each is made
// (MKD) before anything lists it, on one connection and on four, and both
// leave the same site; a run with nothing changed then sends only the clock probe.
TEST_P(LookaheadServerTest, FirstSyncListsNoDirectoryBeforeItIsMade) {
  if (!StartServer()) return;
  std::map<std::string, std::string> first;
  for (const int connections : {1, 4}) {
    SCOPED_TRACE(connections);
    // Never published: neither the server nor the profile knows the site.
    fs::remove_all(Local());
    fs::remove(RemdirPath(profile_.profileDir()));
    Prompts().Clear();
    const size_t mark = LogSize();
    ASSERT_TRUE(RunOn(connections, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
    EXPECT_TRUE(Warnings().empty()) << Warnings()[0];

    // The remote directory itself is made by the clock probe, which looks first.
    std::set<std::string> made = {WithoutSlash(std::string(kRemoteDir))};
    int listings = 0;
    for (const std::string& command : LoggedCommands(server_->log(), mark)) {
      const size_t space = command.find(' ');
      if (space == std::string::npos) continue;
      const std::string verb = command.substr(0, space);
      const std::string path = WithoutSlash(command.substr(space + 1));
      if (!StartsWith(path, std::string(kRemoteDir))) continue;
      if (verb == "MKD") made.insert(path);
      if (verb == "MLSD" || verb == "LIST" || verb == "NLST") {
        ++listings;
        EXPECT_TRUE(made.contains(path)) << command << " before the directory was made";
      }
    }
    EXPECT_GT(listings, 0);
    const auto site = test::TreeContent(Local());
    EXPECT_EQ(site, profile_.ExpectedSite());
    if (first.empty()) {
      first = site;
    } else {
      EXPECT_EQ(site, first);
    }
  }

  const size_t mark = LogSize();
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  int stored = 0;
  for (const std::string& command : LoggedCommands(server_->log(), mark))
    if (StartsWith(command, "STOR ")) {
      ++stored;
      EXPECT_EQ(command, "STOR " + std::string(kRemoteDir) + "datetime.flg");
    }
  EXPECT_EQ(stored, 1);
  EXPECT_EQ(test::TreeContent(Local()), first);
}

// A folder removed locally: the run removes its directories while the
// listings of its parent's directories (and its own) may already have been
// made ahead. Nothing of it survives, and the next run finds nothing to do.
TEST_P(LookaheadServerTest, RemovedSubFolderLeavesNoStaleListingBehind) {
  if (!StartServer()) return;
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  ASSERT_TRUE(fs::exists(Local("albsite/s/Trips/2004/c.jpg")));

  fs::remove_all(profile_.imageTree() / "Trips" / "2004");
  Prompts().Clear();
  // Its page directory is no album folder any more: not preserved, removed.
  Prompts().Queue(Answer::No);
  Prompts().Queue(Answer::Ok);
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(Prompts().texts().at(0).rfind("Preserve \"Trips/2004\"", 0), 0u) << Prompts().texts()[0];
  for (const char* gone : {"albsite/m/Trips/2004", "albsite/s/Trips/2004", "Trips/2004"})
    EXPECT_FALSE(fs::exists(Local(gone))) << gone;
  const auto site = test::TreeContent(Local());
  EXPECT_EQ(site, profile_.ExpectedSite());

  Prompts().Clear();
  const size_t mark = LogSize();
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_TRUE(Prompts().texts().empty()) << Prompts().texts()[0];
  for (const std::string& command : LoggedCommands(server_->log(), mark)) {
    EXPECT_FALSE(StartsWith(command, "STOR ") && command.find("datetime.flg") == std::string::npos) << command;
    EXPECT_FALSE(StartsWith(command, "DELE ") && command.find("datetime.flg") == std::string::npos) << command;
    EXPECT_FALSE(StartsWith(command, "RMD ")) << command;
  }
  EXPECT_EQ(test::TreeContent(Local()), site);
}

// A stop while the spare connections are listing ahead (the first folder
// has just begun) ends the run, its spare connections included, at once.
TEST_P(LookaheadServerTest, StopWhileListingAheadEndsTheRunWithinASecond) {
  if (!StartServer()) return;
  ASSERT_TRUE(RunOn(4, profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  StatusSink sink;
  std::atomic<bool> stop{false};
  Clock::time_point stoppedAt{};
  sink.onStatus = [&](const std::string& text) {
    if (stop || !StartsWith(text, "Synchronizing folder ")) return;
    stoppedAt = Clock::now();
    stop = true;
  };
  Prompts().Clear();
  const SyncOutcome outcome = RunOn(4, profile_.ProfileRequest(), sink, stop);
  const Clock::time_point endedAt = Clock::now();
  ASSERT_TRUE(stop);
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_LT(endedAt - stoppedAt, std::chrono::seconds(1));
  EXPECT_EQ(Warnings(), std::vector<std::string>{"Cannot synchronize the remote directory"});
  EXPECT_EQ(sink.posted().empty() ? std::string() : std::get<RecordingWindowSink::Status>(sink.posted().back()).text,
            "Ready");
}

INSTANTIATE_TEST_SUITE_P(Servers, LookaheadServerTest, ::testing::Values(Kind::Pyftpdlib, Kind::Vsftpd),
                         [](const auto& info) { return info.param == Kind::Pyftpdlib ? "pyftpdlib" : "vsftpd"; });

}  // namespace
}  // namespace albumsmith
