#include "strings.h"

#include <algorithm>
#include <iterator>
#include <mutex>

#include "atomic_file.h"
#include "text.h"

namespace albumsmith {

namespace {

struct BuiltinEntry {
  TextId id;
  const char* text;
};

constexpr BuiltinEntry kBuiltin[] = {
#define ALBUMSMITH_TEXT(name, number, text) {TextId::name, text},
#include "string_table_data.inc"
#undef ALBUMSMITH_TEXT
};

constexpr bool SortedById() {
  for (size_t i = 1; i < std::size(kBuiltin); ++i)
    if (kBuiltin[i - 1].id >= kBuiltin[i].id) return false;
  return true;
}
static_assert(SortedById(), "the built-in string table must be sorted by number, each number once");

// Parses a double-quoted literal with C escapes; nothing when malformed.
std::optional<std::string> ParseQuoted(std::string_view s) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return std::nullopt;
  s = s.substr(1, s.size() - 2);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i == s.size()) return std::nullopt;
    switch (s[i]) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += s[i];
        break;
    }
  }
  return out;
}

}  // namespace

LanguageModule LanguageModule::FromText(std::string_view text) {
  LanguageModule module;
  for (const std::string& rawLine : Split(text, '\n')) {
    const std::string_view line = Trim(rawLine);
    if (line.empty() || line.front() == '#') continue;
    size_t digits = 0;
    while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
    if (digits == 0 || digits > 6) continue;
    const int id = std::stoi(std::string(line.substr(0, digits)));
    if (auto value = ParseQuoted(Trim(line.substr(digits)))) module.texts_[id] = *value;
  }
  return module;
}

std::optional<LanguageModule> LanguageModule::Load(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) return std::nullopt;
  auto text = ReadWholeFile(file);
  if (!text) return std::nullopt;
  return FromText(*text);
}

std::optional<std::string> LanguageModule::Get(TextId id) const {
  auto it = texts_.find(static_cast<int>(id));
  if (it == texts_.end()) return std::nullopt;
  return it->second;
}

StringTable& StringTable::Instance() {
  static StringTable table;
  return table;
}

const char* StringTable::Builtin(TextId id) {
  auto it = std::lower_bound(std::begin(kBuiltin), std::end(kBuiltin), id,
                             [](const BuiltinEntry& e, TextId value) { return e.id < value; });
  return (it != std::end(kBuiltin) && it->id == id) ? it->text : nullptr;
}

std::string StringTable::Get(TextId id) const {
  {
    std::shared_lock lock(mutex_);
    if (module_) {
      if (auto text = module_->Get(id)) return *text;
    }
  }
  const char* builtin = Builtin(id);
  return builtin ? builtin : "";
}

void StringTable::SetModule(std::optional<LanguageModule> module) {
  std::unique_lock lock(mutex_);
  module_ = std::move(module);
}

bool StringTable::HasModule() const {
  std::shared_lock lock(mutex_);
  return module_.has_value();
}

std::string MonthAbbreviation(int month) {
  static constexpr TextId kMonths[] = {TextId::kMonthJan, TextId::kMonthFeb, TextId::kMonthMar, TextId::kMonthApr,
                                       TextId::kMonthMay, TextId::kMonthJun, TextId::kMonthJul, TextId::kMonthAug,
                                       TextId::kMonthSep, TextId::kMonthOct, TextId::kMonthNov, TextId::kMonthDec};
  if (month < 1 || month > 12) return "???";
  return LoadString(kMonths[month - 1]);
}

}  // namespace albumsmith
