#pragma once
// index.php, the single page of a PHP site: the profile's settings as PHP
// globals, the template's PHP library, both skeletons wrapped into the
// functions displayIndex() and displaySlide(), with the profile's variables
// and the tokens turned into calls into the library.

#include <string>

#include "store/profile_settings.h"

namespace albumsmith {

struct PhpIndex {
  bool ok = false;   // false when a template file could not be read (reported)
  std::string text;  // on failure, what was assembled up to that point
};

// `profileDir` and `templateDir` end with "/".
PhpIndex BuildPhpIndex(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir);

}  // namespace albumsmith
