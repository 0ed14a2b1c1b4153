// The maintenance commands: verify a profile's derived images, set or move
// the profiles base directory, and "profile copy" (called from the profile
// command group).

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "album/profile_maintenance.h"
#include "app/application.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/app_settings.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {

namespace {

using Context = CliContext;

// The "Copy files" window of the command line: the title on its own line,
// then the copy's progress lines.
Status CopyWithProgressLine(const std::string& title, const std::string& source, const std::string& destination) {
  if (!title.empty()) {
    std::printf("%s\n", title.c_str());
    std::fflush(stdout);
  }
  CliCopyProgress progress(stdout);
  return CopyTreeWithProgress(source, destination, progress);
}

// --- verify --------------------------------------------------------------------

// The "Processing" window as one progress line. Without a terminal every
// change is a line of its own, so a step that says nothing new is not printed.
class VerifyProgressLine : public CopyProgress {
 public:
  explicit VerifyProgressLine(std::FILE* out) : line_(out), out_(out), tty_(::isatty(::fileno(out)) != 0) {}
  void SetText(const std::string& firstLine, const std::string& secondLine) override {
    if (firstLine == first_ && secondLine == second_) return;
    first_ = firstLine;
    second_ = secondLine;
    line_.SetText(firstLine, secondLine);
  }
  void SetPercent(int percent) override { line_.SetPercent(percent); }
  void End(int code) override {
    line_.SetText(code == kEndSuccess ? "Verification done" : "Verification aborted", "");
    if (tty_) std::fputc('\n', out_);
    std::fflush(out_);
  }

 private:
  CliCopyProgress line_;
  std::FILE* out_;
  bool tty_;
  std::string first_, second_;
};

// Remembers the last message the run showed (not its questions), so that
// the exit code and the failure line tell a script that something could not
// be made, even when a refused question came after it.
class FailureNotingPrompter : public Prompter {
 public:
  explicit FailureNotingPrompter(Prompter& inner) : inner_(inner) {}
  Reply Ask(const Message& message) override {
    if (message.buttons == Buttons::Ok) {
      std::lock_guard lock(mutex_);
      last_ = ReplaceAll(ReplaceAll(message.text, "\r", ""), "\n", " ");
    }
    return inner_.Ask(message);
  }
  std::string last() const {
    std::lock_guard lock(mutex_);
    return last_;
  }

 private:
  Prompter& inner_;
  mutable std::mutex mutex_;
  std::string last_;
};

volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) { gInterrupted = 1; }

void SetInterruptHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
}

int Verify(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return kUsageError;
  const auto name = FindProfile(ctx.profilesDir, args[1]);
  if (!name) return Fail(ctx, "no profile named " + args[1]);
  // The snapshot the window's open profile would give: PHP off means no
  // access security, whatever the file says.
  Session session;
  session.Open(ReadProfile(ctx.profilesDir, *name));
  ProfileVerification run(ctx.profilesDir, *session.profile);

  FailureNotingPrompter noting(ctx.prompter);
  Prompter::SetCurrent(&noting);
  VerifyProgressLine line(stdout);
  CliWindowSink notices(stdout);
  std::atomic<bool> done{false};
  int end = CopyProgress::kEndFailure;
  // Ctrl-C is the window's Cancel: it asks, and only a Yes stops the run.
  gInterrupted = 0;
  SetInterruptHandler(&OnInterrupt);
  std::thread worker([&] {
    end = run.Run(line, &notices);
    done = true;
  });
  while (!done) {
    if (gInterrupted) {
      gInterrupted = 0;
      // A second Ctrl-C while the question waits ends the program at once.
      SetInterruptHandler(SIG_DFL);
      run.ConfirmAbort();
      SetInterruptHandler(&OnInterrupt);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  worker.join();
  SetInterruptHandler(SIG_DFL);
  Prompter::SetCurrent(&ctx.prompter);

  if (end != CopyProgress::kEndSuccess) return Fail(ctx, "profile verification aborted");
  const std::string failure = noting.last();
  return failure.empty() ? 0 : Fail(ctx, failure);
}

// --- basedir -------------------------------------------------------------------

int BaseDir(Context& ctx, const std::vector<std::string>& args) {
  bool move = false;
  std::vector<std::string> positional;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--move") {
      move = true;
    } else if (StartsWith(args[i], "--")) {
      return Fail(ctx, "unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.empty() && !move) {
    std::printf("%s\n", ctx.profilesDir.c_str());
    return 0;
  }
  if (positional.size() != 1 || positional[0].empty()) return kUsageError;
  // The setting is read from wherever the program starts next.
  std::error_code ec;
  const std::string typed = std::filesystem::absolute(positional[0], ec).string();
  const std::string dir = NormalizeProfilesBaseDir(ec ? positional[0] : typed);

  const Status done = move ? MoveProfilesBaseDir(ctx.settings, ctx.profilesDir, dir, CopyWithProgressLine)
                           : StoreProfilesBaseDir(ctx.settings, dir);
  // A failure that showed nothing is the settings file refusing the write.
  if (!done) return Fail(done, "cannot write " + ctx.settings.file().string());
  std::printf("profiles base directory: %s\n", dir.c_str());
  return 0;
}

const CliRegistrar kVerify({"verify",
                            "  verify PROFILE                    bring the derived images of every folder in step\n"
                            "                                    (Ctrl-C asks whether to abort)\n",
                            &Verify});

const CliRegistrar kBaseDir({"basedir",
                             "  basedir [DIR [--move]]            show the profiles base directory, or make it\n"
                             "                                    DIR/Albumsmith/; --move copies the profiles there\n"
                             "                                    first and deletes the old ones when all are copied\n",
                             &BaseDir});

}  // namespace

// "profile copy OLD NEW": the "Copy profile" dialog, then the wizard's pages
// from the server page on, each value defaulting to the old profile's (the
// remote directory to the "_copy/" proposal) and checked as the page checks it.
int RunProfileCopy(CliContext& ctx, const std::vector<std::string>& args) {
  bool images = false;
  std::vector<std::string> rest;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--images")
      images = true;
    else
      rest.push_back(args[i]);
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(rest, 0, kServerOptions, options, positional, error)) return Fail(ctx, error);
  if (positional.size() != 2) return Fail(ctx, "profile copy needs OLD and NEW");

  const auto oldName = FindProfile(ctx.profilesDir, positional[0]);
  if (!oldName) return Fail(ctx, "no profile named " + positional[0]);
  const std::string& newName = positional[1];
  if (const Status checked = CheckNewProfileName(ctx.profilesDir, newName); !checked) return Fail(checked);
  const ProfileSettings original = ReadProfile(ctx.profilesDir, *oldName);
  ProfileSettings copy = CopiedProfileSettings(original, newName);

  if (const Status applied = ApplyServerOptions(options, copy); !applied)
    return applied.cancelled() ? Fail(ctx, "profile not copied (warning answered Cancel)") : Fail(applied);

  if (!CopyProfile(ctx.profilesDir, original, copy, images, CopyWithProgressLine)) return Fail(ctx, "");
  std::printf("copied profile %s to %s in %s\n", oldName->c_str(), newName.c_str(),
              ProfileDirectory(ctx.profilesDir, copy).c_str());
  return 0;
}

}  // namespace albumsmith
