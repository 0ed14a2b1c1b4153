// The publishing commands: sync (a whole profile, or one folder) and check
// (the "Check profile" steps). Status lines go to stdout as the window's
// status bar would show them; messages and questions go to stderr through
// the prompter, so that --yes / --no answer them and, without a terminal,
// a question is refused and printed.

#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "album/image_worker.h"
#include "album/profile_maintenance.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/app_settings.h"
#include "publish/transport_factory.h"
#include "publish/profile_check.h"
#include "publish/sync_engine.h"
#include "publish/sync_preview.h"
#include "publish/sync_start.h"
#include "site/template.h"
#include "store/folder_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

using Context = CliContext;

// Ctrl+C asks the run to stop, as the "Stop synchronization" command does:
// the run ends at its next operation and still finishes properly.
std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) { gStop.store(true); }

void CatchInterrupt() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

// The verification's "Processing" window as status lines.
class SinkProgress : public CopyProgress {
 public:
  explicit SinkProgress(WindowSink& sink) : sink_(sink) {}
  void SetText(const std::string& firstLine, const std::string& secondLine) override {
    sink_.PostStatus(secondLine.empty() ? firstLine : firstLine + " " + secondLine);
  }
  void SetPercent(int percent) override { sink_.PostProgress(100, percent); }
  void End(int) override { sink_.PostProgress(100, -1); }
  bool ended() const { return ended_.load(); }
  void MarkEnded() { ended_ = true; }

 private:
  WindowSink& sink_;
  std::atomic<bool> ended_{false};
};

int Sync(Context& ctx, const std::vector<std::string>& rawArgs) {
  std::vector<std::string> args;
  bool dryRun = false;
  for (const std::string& a : rawArgs) {
    if (a == "--dry-run") {
      dryRun = true;
    } else {
      args.push_back(a);
    }
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 1, {"folder"}, options, positional, error)) return Fail(ctx, error);
  if (positional.size() != 1) return kUsageError;

  const auto name = FindProfile(ctx.profilesDir, positional[0]);
  if (!name) return Fail(ctx, "no profile named " + positional[0]);
  // Opened as the window opens a profile, so that folders made or removed
  // outside the program are in remdir.dat, as they would be in the window.
  FolderTree folders;
  folders.Load(ctx.profilesDir, ReadProfile(ctx.profilesDir, *name));
  folders.ExpandAll();

  SyncEnvironment env{ctx.profilesDir, ProgramDataDirectory(), ctx.settings.file(), false};
  // A plan keeps standard output to itself: one line per action, then the sum.
  CliWindowSink sink(dryRun ? stderr : stdout);
  WorkerOptions worker;
  worker.lowPriority = false;  // the user waits for this command and nothing else
  CatchInterrupt();

  SyncRequest request;
  bool wholeProfile = options.count("folder") == 0;
  if (!wholeProfile) {
    const std::string folder = RelativeFolder(options["folder"]);
    if (!folders.tree().FindPath(folder)) return Fail(ctx, "no folder " + options["folder"] + " in profile " + *name);
    switch (StartFolderSync(env, *name, folder, request)) {
      case FolderSyncStart::kCancelled:
        return Fail(ctx, "synchronization not started (question answered Cancel)");
      case FolderSyncStart::kWholeProfile:
        wholeProfile = true;
        break;
      case FolderSyncStart::kRun:
        // The window always shows a folder with its derived images made;
        // here they are made first, as showing the folder would.
        DeriveFolder(folders.profileDir(), folder, request.profile, sink, worker);
        break;
    }
  }
  // The command was asked for in so many words: the window's "may take a
  // while" question has nothing to add here.
  const ProfileVerifier verify = [&](const ProfileSettings& profile) {
    ProfileVerification verification(ctx.profilesDir, profile);
    SinkProgress progress(sink);
    std::thread watch([&] {
      // Ctrl+C aborts the verification the way its window's Cancel does.
      while (!progress.ended() && !gStop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (gStop.load()) verification.Abort();
    });
    const int end = verification.Run(progress, &sink);
    progress.MarkEnded();
    watch.join();
    return end == CopyProgress::kEndSuccess;
  };
  if (wholeProfile && !StartProfileSync(env, *name, /*confirm=*/false, verify, request))
    return Fail(ctx, gStop.load() ? "synchronization stopped" : "synchronization not started");

  const SyncOutcome outcome = dryRun ? PlanSync(request, sink, gStop) : RunSync(request, sink, gStop);
  if (dryRun) {
    for (const std::string& line : PlanListing(outcome.plan)) std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  if (!outcome.succeeded) return Fail(ctx, gStop.load() ? "synchronization stopped" : "");
  return 0;
}

int Check(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return kUsageError;
  const auto name = FindProfile(ctx.profilesDir, args[1]);
  if (!name) return Fail(ctx, "no profile named " + args[1]);
  CheckLine current = CheckLine::kConnection;
  const ProfileSettings profile = ReadProfile(ctx.profilesDir, *name);
  const std::unique_ptr<RemoteTransport> transport = MakeTransport(profile);
  RemoteTransport& session = *transport;
  session.SetPinSaver(ProfilePinSaver(ctx.profilesDir, *name));
  const bool ok = RunProfileCheck(session, profile, [&](CheckLine line, CheckEvent event) {
    current = line;
    // Under its own warning a line is not "ok", though the check goes on.
    const char* mark = event == CheckEvent::kWarned ? "[warning]" : "[ok]";
    if (event != CheckEvent::kShown) std::printf("%s %s\n", mark, std::string(CheckLineText(line)).c_str());
    std::fflush(stdout);
  });
  // Which protocol was tried and, over TLS, which certificate answered; over
  // SSH, which host key.
  std::string protocol = "Protocol: " + session.ProtocolName();
  if (!session.peerFingerprint().empty())
    protocol += (session.ProtocolName() == "SFTP" ? ", host key SHA-256 " : ", certificate SHA-256 ") +
                session.peerFingerprint();
  std::printf("%s\n", protocol.c_str());
  if (ok) return 0;
  std::printf("[failed] %s\n", std::string(CheckLineText(current)).c_str());
  std::fflush(stdout);
  return Fail(ctx, "");
}

const CliRegistrar kSync({"sync",
                          "  sync PROFILE [--folder REL/PATH] [--dry-run]\n"
                          "                                    publish the whole profile, or one folder, to its\n"
                          "                                    server; Ctrl+C stops the run. --dry-run only\n"
                          "                                    lists what it would upload, delete, create, remove\n"
                          "                                    and ask, and changes nothing\n",
                          &Sync});
const CliRegistrar kCheck({"check",
                           "  check PROFILE                     try the profile's server: login, base directory,\n"
                           "                                    creating and deleting a file\n",
                           &Check});

}  // namespace
}  // namespace albumsmith
