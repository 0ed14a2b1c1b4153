#pragma once
// Shared test helpers: a scratch folder per test, a scripted prompter
// installed for the whole run, and small file helpers.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/prompter.h"

namespace albumsmith::test {

// Installs one ScriptedPrompter for the run and isolates the settings file.
class Environment : public ::testing::Environment {
 public:
  void SetUp() override;
  static ScriptedPrompter& prompter();
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // The folder as a string ending with "/".
  std::string str() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

void WriteText(const std::filesystem::path& file, const std::string& text);
std::string ReadText(const std::filesystem::path& file);
// Whether the process can ignore permissions (root): tests that need a
// permission failure then use other means.
bool RunningAsRoot();
// The id of a process that has ended, as a crashed writer leaves in the
// names of its temporary files.
int EndedProcessId();

// Sets the process umask for one test and puts the old one back.
class ScopedUmask {
 public:
  explicit ScopedUmask(unsigned mask);
  ~ScopedUmask();

 private:
  unsigned old_;
};

}  // namespace albumsmith::test
