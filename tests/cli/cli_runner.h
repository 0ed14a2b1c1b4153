#pragma once
// Runs albumsmith-cli as a child process with its own settings and profiles
// folders, stdin on /dev/null (so that no question can be answered on a
// terminal), and stdout and stderr captured to files.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/profiles.h"
#include "test_support.h"

extern char** environ;

namespace albumsmith::test {

struct CliResult {
  int exitCode = -1;  // -1: killed by a signal or not started
  std::string out;
  std::string err;

  // The last non-empty line of stderr: the one-line reason of a failure.
  std::string LastErrorLine() const {
    std::string last;
    for (const std::string& line : Split(err, '\n'))
      if (!Trim(line).empty()) last = line;
    return last;
  }
  std::vector<std::string> OutLines() const {
    std::vector<std::string> lines;
    for (const std::string& line : Split(out, '\n'))
      if (!line.empty()) lines.push_back(line);
    return lines;
  }
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { Environment::prompter().Clear(); }

  // albumsmith-cli --config-dir … --profiles-dir … args…
  CliResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {ALBUMSMITH_CLI, "--config-dir", config_.path().string(), "--profiles-dir",
                                    profilesDir_.path().string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    const std::string outFile = (io_.path() / "stdout").string();
    const std::string errFile = (io_.path() / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CliResult result;
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << argv[0] << ": " << spawned;
      return result;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = ReadText(outFile);
    result.err = ReadText(errFile);
    return result;
  }

  // The profiles base directory, ending with "/".
  std::string profiles() const { return profilesDir_.str(); }
  const std::filesystem::path& profilesPath() const { return profilesDir_.path(); }
  std::filesystem::path settingsFile() const { return config_.path() / "Albumsmith.ini"; }

  // A profile made directly through the store, as the wizard would leave it.
  void MakeProfile(const std::string& name) {
    ProfileSettings s = NewProfileSettings(name);
    s.serverName = "ftp.example.org";
    s.login = "joe";
    s.password = "pw";
    s.remoteDir = "/album/";
    ASSERT_TRUE(CreateProfile(profiles(), s)) << name;
  }

 private:
  TempDir config_;
  TempDir profilesDir_;
  TempDir io_;
};

}  // namespace albumsmith::test
