#include "site/guarded_files.h"

#include <algorithm>

namespace albumsmith {

bool IsGuardedSite(const ProfileSettings& settings) { return settings.php != 0 && settings.accessSecurity != 0; }

std::string GuardedName(std::string_view name) { return std::string(name) + ".php"; }

bool IsGuardedName(std::string_view name) { return name.size() > 4 && name.substr(name.size() - 4) == ".php"; }

std::string GuardPrologue(std::string_view dir) {
  // The file's directory is N levels below albsite/, one for each "/".
  const auto levels = std::count(dir.begin(), dir.end(), '/');
  // The path to the guard is made from __DIR__ at request time, so that the
  // same bytes work wherever the album lies on the server.
  return "<?php require dirname(__DIR__, " + std::to_string(levels) +
         ") . '/js/guard.php'; albGuardServe(__FILE__, __COMPILER_HALT_OFFSET__); __halt_compiler();";
}

std::string GuardedContent(std::string_view dir, std::string_view content) {
  return GuardPrologue(dir) + std::string(content);
}

}  // namespace albumsmith
