#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace albumsmith::test {

ScriptedPrompter& Environment::prompter() {
  static ScriptedPrompter p;
  return p;
}

void Environment::SetUp() {
  Prompter::SetCurrent(&prompter());
  static TempDir config;
  ::setenv("ALBUMSMITH_CONFIG_DIR", config.path().c_str(), 1);
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "albumsmith-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) std::abort();
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Give back write permission that a test took away, so the cleanup works.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool RunningAsRoot() { return ::geteuid() == 0; }

ScopedUmask::ScopedUmask(unsigned mask) : old_(::umask(static_cast<mode_t>(mask))) {}
ScopedUmask::~ScopedUmask() { ::umask(static_cast<mode_t>(old_)); }

int EndedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return child;
}

}  // namespace albumsmith::test
