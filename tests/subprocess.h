#pragma once
// Starting the tests' peers (FTP servers, php, the command-line program) as
// child processes, and waiting for them with a time limit, so that a peer
// that hangs fails its test instead of holding up the whole run. Plain POSIX,
// no test framework, so that every test program can use it.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace albumsmith::test {

struct ChildSetup {
  std::filesystem::path dir = {};     // working folder; empty: the test's own
  std::filesystem::path input = {};   // stdin; empty: /dev/null
  std::filesystem::path output = {};  // stdout (created); empty: /dev/null
  std::filesystem::path errors = {};  // stderr; empty: together with stdout
  bool append = false;                // add to the output files instead of replacing them
  bool ownGroup = false;              // a process group of its own, signalled as a whole
};

// Starts `argv` (argv[0] looked up on PATH). Returns the PID, or 0 with the
// reason in `error`.
inline pid_t Spawn(std::vector<std::string> argv, const ChildSetup& setup, std::string& error) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  const int outFlags = O_WRONLY | O_CREAT | (setup.append ? O_APPEND : O_TRUNC);
  const std::string output = setup.output.empty() ? "/dev/null" : setup.output.string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!setup.dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.dir.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, setup.input.empty() ? "/dev/null" : setup.input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), outFlags, 0600);
  if (setup.errors.empty())
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  else
    posix_spawn_file_actions_addopen(&actions, 2, setup.errors.c_str(), outFlags, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (setup.ownGroup) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned == 0) return pid;
  error = "cannot run " + argv[0] + ": " + std::strerror(spawned);
  return 0;
}

// Ends a child (its whole group when it has one of its own): SIGTERM, and
// SIGKILL when it is still there after three seconds.
inline void EndChild(pid_t pid, bool group) {
  if (pid <= 0) return;
  const pid_t target = group ? -pid : pid;
  ::kill(target, SIGTERM);
  for (int i = 0; i < 60; ++i) {
    if (::waitpid(pid, nullptr, WNOHANG) != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(target, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

constexpr int kKilledBySignal = -1;
constexpr int kTimedOut = -2;

// Waits for the child to end; returns its exit code, kKilledBySignal, or
// kTimedOut after ending a child that took longer than `limit`.
inline int WaitForChild(pid_t pid, std::chrono::seconds limit, bool group = false) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (auto pause = std::chrono::milliseconds(1); ::waitpid(pid, &status, WNOHANG) == 0;
       pause = std::min(pause * 2, std::chrono::milliseconds(50))) {
    if (std::chrono::steady_clock::now() >= deadline) {
      EndChild(pid, group);
      return kTimedOut;
    }
    std::this_thread::sleep_for(pause);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : kKilledBySignal;
}

// Spawn, then WaitForChild. Not started: kKilledBySignal with the reason in `error`.
inline int RunChild(const std::vector<std::string>& argv, const ChildSetup& setup, std::chrono::seconds limit,
                    std::string& error) {
  const pid_t pid = Spawn(argv, setup, error);
  return pid == 0 ? kKilledBySignal : WaitForChild(pid, limit, setup.ownGroup);
}

}  // namespace albumsmith::test
