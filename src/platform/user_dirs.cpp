#include "user_dirs.h"

#include <cstdlib>
#include <system_error>

#include "atomic_file.h"
#include "text.h"

namespace albumsmith {

namespace {

std::filesystem::path Home() {
  const char* home = std::getenv("HOME");
  return (home && *home) ? std::filesystem::path(home) : std::filesystem::path();
}

bool IsDir(const std::filesystem::path& p) {
  std::error_code ec;
  return !p.empty() && std::filesystem::is_directory(p, ec);
}

// Reads XDG_DOCUMENTS_DIR="$HOME/Documents" from user-dirs.dirs.
std::optional<std::filesystem::path> FromUserDirsFile() {
  std::filesystem::path config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    config = xdg;
  else if (!Home().empty())
    config = Home() / ".config";
  else
    return std::nullopt;
  auto text = ReadWholeFile(config / "user-dirs.dirs");
  if (!text) return std::nullopt;
  for (const std::string& raw : Split(*text, '\n')) {
    std::string_view line = Trim(raw);
    if (!StartsWith(line, "XDG_DOCUMENTS_DIR=")) continue;
    line.remove_prefix(std::string_view("XDG_DOCUMENTS_DIR=").size());
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    std::string value(line);
    if (StartsWith(value, "$HOME")) value = Home().string() + value.substr(5);
    return std::filesystem::path(value);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::filesystem::path> DocumentsFolder() {
  if (const char* env = std::getenv("XDG_DOCUMENTS_DIR"); env && *env && IsDir(env)) return std::filesystem::path(env);
  if (auto fromFile = FromUserDirsFile(); fromFile && IsDir(*fromFile)) return fromFile;
  if (IsDir(Home() / "Documents")) return Home() / "Documents";
  return std::nullopt;
}

std::filesystem::path ProgramDirectory() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return exe.parent_path();
}

std::vector<std::filesystem::path> DataDirectories() { return DataDirectories(ProgramDirectory()); }

std::vector<std::filesystem::path> DataDirectories(const std::filesystem::path& program) {
  std::vector<std::filesystem::path> dirs{program};
  const auto installed = program.parent_path() / "share" / "albumsmith";
  if (IsDir(installed)) dirs.push_back(installed);
  return dirs;
}

std::optional<std::filesystem::path> UserDataDirectory() {
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
    return std::filesystem::path(xdg) / "albumsmith";
  if (Home().empty()) return std::nullopt;
  return Home() / ".local" / "share" / "albumsmith";
}

}  // namespace albumsmith
