#include "ini_file.h"

#include <cerrno>
#include <climits>

#include "atomic_file.h"
#include "text.h"

namespace albumsmith {

std::optional<std::string> IniDocument::HeaderName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const size_t close = t.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return std::string(Trim(t.substr(1, close - 1)));
}

bool IniDocument::SplitKey(std::string_view line, std::string& key, std::string& value) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return false;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return false;
  key = std::string(Trim(t.substr(0, eq)));
  std::string_view v = Trim(t.substr(eq + 1));
  if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\''))) {
    v = v.substr(1, v.size() - 2);
  }
  value = std::string(v);
  return true;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  doc.crlf_ = text.find("\r\n") != std::string_view::npos;
  std::string current;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = text.size();
    std::string_view raw = text.substr(start, end - start);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line{std::string(raw), false, current};
    if (auto name = HeaderName(raw)) {
      line.isHeader = true;
      line.section = *name;
      current = *name;
    }
    doc.lines_.push_back(std::move(line));
    start = end + 1;
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  const char* eol = crlf_ ? "\r\n" : "\n";
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += eol;
  }
  return out;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  std::string k, v;
  bool inSection = false;
  for (const Line& line : lines_) {
    if (line.isHeader) {
      inSection = EqualsNoCase(line.section, section);
      continue;
    }
    if (inSection && SplitKey(line.text, k, v) && EqualsNoCase(k, key)) return v;
  }
  return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view trimmedKey = Trim(key);
  if (trimmedKey.empty() || trimmedKey != key || key.find('=') != std::string_view::npos || key.front() == '[' ||
      key.front() == ';' || HasControlChar(key) || value.find_first_of("\r\n") != std::string_view::npos ||
      HasControlChar(section) || section.find(']') != std::string_view::npos) {
    return false;
  }
  std::string k, v;
  std::optional<size_t> lastInSection;  // index after which a new key goes
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& line = lines_[i];
    if (line.isHeader) {
      if (inSection) break;  // only the first matching section takes writes
      inSection = EqualsNoCase(line.section, section);
      if (inSection) lastInSection = i;
      continue;
    }
    if (!inSection) continue;
    if (SplitKey(line.text, k, v)) {
      if (EqualsNoCase(k, key)) {
        line.text = k + "=" + std::string(value);
        return true;
      }
      lastInSection = i;
    } else if (!Trim(line.text).empty()) {
      lastInSection = i;
    }
  }
  if (lastInSection) {
    const std::string name = lines_[*lastInSection].section;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*lastInSection) + 1,
                  Line{std::string(key) + "=" + std::string(value), false, name});
    return true;
  }
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{"", false, lines_.back().section});
  lines_.push_back(Line{"[" + std::string(section) + "]", true, std::string(section)});
  lines_.push_back(Line{std::string(key) + "=" + std::string(value), false, std::string(section)});
  return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  std::string k, v;
  bool removed = false;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size();) {
    const Line& line = lines_[i];
    if (line.isHeader) inSection = EqualsNoCase(line.section, section);
    if (!line.isHeader && inSection && SplitKey(line.text, k, v) && EqualsNoCase(k, key)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      removed = true;
      continue;
    }
    ++i;
  }
  return removed;
}

bool IniDocument::HasSection(std::string_view section) const {
  for (const Line& line : lines_)
    if (line.isHeader && EqualsNoCase(line.section, section)) return true;
  return false;
}

std::vector<std::string> IniDocument::SectionEntries(std::string_view section) const {
  std::vector<std::string> entries;
  bool inSection = false;
  for (const Line& line : lines_) {
    if (line.isHeader) {
      inSection = EqualsNoCase(line.section, section);
      continue;
    }
    if (!inSection) continue;
    const std::string_view t = Trim(line.text);
    if (t.empty() || t.front() == ';') continue;
    entries.emplace_back(t);
  }
  return entries;
}

bool IniDocument::SectionHasKeys(std::string_view section) const { return !SectionEntries(section).empty(); }

void IniDocument::DeleteSection(std::string_view section) {
  std::vector<Line> kept;
  kept.reserve(lines_.size());
  bool dropping = false;
  for (Line& line : lines_) {
    if (line.isHeader) dropping = EqualsNoCase(line.section, section);
    if (!dropping) kept.push_back(std::move(line));
  }
  lines_ = std::move(kept);
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_)
    if (line.isHeader) names.push_back(line.section);
  return names;
}

int ParseIniInt(std::string_view text, int def) {
  std::string_view t = Trim(text);
  if (t.empty()) return def;
  bool negative = false;
  if (t.front() == '+' || t.front() == '-') {
    negative = t.front() == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  long long value = 0;
  for (char c : t) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      break;
    value = value * base + digit;
    // Overflow wraps like a 32-bit register does.
    value &= 0xFFFFFFFFLL;
  }
  auto result = static_cast<int>(static_cast<unsigned int>(value));
  return negative ? static_cast<int>(0u - static_cast<unsigned int>(result)) : result;
}

IniDocument IniFile::Load() const {
  const auto text = ReadWholeFile(path_);
  return IniDocument::Parse(text ? *text : std::string());
}

Status IniFile::Save(const IniDocument& doc) { return WriteFileAtomically(path_, doc.Serialize(), mode_); }

std::string IniFile::ReadString(std::string_view section, std::string_view key) const {
  auto value = Load().Get(section, key);
  return value ? *value : std::string(kMissingKey);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, int def) const {
  auto value = Load().Get(section, key);
  return value ? ParseIniInt(*value, def) : def;
}

Status IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  IniDocument doc = Load();
  if (!doc.Set(section, key, value)) return Status::SystemError(EINVAL);
  return Save(doc);
}

Status IniFile::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::SectionHasKeys(std::string_view section) const { return Load().SectionHasKeys(section); }

std::vector<std::string> IniFile::ReadSection(std::string_view section) const { return Load().SectionEntries(section); }

Status IniFile::DeleteSection(std::string_view section) {
  IniDocument doc = Load();
  if (!doc.HasSection(section)) return {};
  doc.DeleteSection(section);
  return Save(doc);
}

Status IniFile::DeleteKey(std::string_view section, std::string_view key) {
  IniDocument doc = Load();
  if (!doc.DeleteKey(section, key)) return {};
  return Save(doc);
}

}  // namespace albumsmith
