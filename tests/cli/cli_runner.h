#pragma once
// Runs albumsmith-cli as a child process with its own settings and profiles
// folders, stdin on /dev/null (so that no question can be answered on a
// terminal), and stdout and stderr captured to files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "store/profiles.h"
#include "subprocess.h"
#include "test_support.h"

namespace albumsmith::test {

struct CliResult {
  int exitCode = -1;  // kKilledBySignal (also: not started) or kTimedOut when negative
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
    const std::filesystem::path outFile = io_.path() / "stdout";
    const std::filesystem::path errFile = io_.path() / "stderr";
    std::string error;
    CliResult result;
    // A hanging run fails its test with what it printed so far.
    result.exitCode = RunChild(all, {.output = outFile, .errors = errFile}, std::chrono::seconds(300), error);
    if (!error.empty()) ADD_FAILURE() << error;
    if (result.exitCode == kTimedOut) ADD_FAILURE() << "albumsmith-cli did not end within 300 s";
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
