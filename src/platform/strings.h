#pragma once
// The numbered string table. Every text a user sees is looked up by number:
// first in the loaded language module (Lang/<Name>.lng), then in the built-in
// English table. Thread-safe: workers look texts up while the GUI may switch
// the language.

#include <filesystem>
#include <map>
#include <optional>
#include <shared_mutex>
#include <string>

#include "format.h"
#include "text_id.h"

namespace albumsmith {

// A language module: numbered texts read from a catalogue file. One entry a
// line: the number, white space, then the text as a double-quoted literal with
// C escapes (\n \r \t \" \\). Blank lines and lines starting with "#" are
// comments; a malformed line is skipped.
class LanguageModule {
 public:
  static std::optional<LanguageModule> Load(const std::filesystem::path& file);
  static LanguageModule FromText(std::string_view text);

  std::optional<std::string> Get(TextId id) const;
  size_t size() const { return texts_.size(); }

 private:
  std::map<int, std::string> texts_;
};

class StringTable {
 public:
  static StringTable& Instance();

  // The module's text when a module is loaded and has the number, else the
  // built-in text, else an empty string.
  std::string Get(TextId id) const;
  void SetModule(std::optional<LanguageModule> module);
  bool HasModule() const;

  static const char* Builtin(TextId id);

 private:
  mutable std::shared_mutex mutex_;
  std::optional<LanguageModule> module_;
};

inline std::string LoadString(TextId id) { return StringTable::Instance().Get(id); }

// Looks a text up and formats it printf-style with the arguments.
inline std::string FormatString(TextId id, std::initializer_list<FmtArg> args = {}) {
  return Fmt(LoadString(id), args);
}

// The short name of a month (1 January .. 12 December) in the current
// language, as dates are shown ("jan" in English); "???" for a number
// outside the calendar, as a damaged date may hold.
std::string MonthAbbreviation(int month);

}  // namespace albumsmith
