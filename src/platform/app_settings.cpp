#include "app_settings.h"

#include <cstdlib>
#include <system_error>

#include "text.h"

namespace albumsmith {

// The file holds the visitors' passwords (scrambled, which hides them from a
// glance but not from a reader who knows the scheme): readable by its owner only.
AppSettings::AppSettings(std::filesystem::path file) : ini_(std::move(file), 0600) {}

std::filesystem::path AppSettings::DefaultFile() {
  if (const char* dir = std::getenv("ALBUMSMITH_CONFIG_DIR"); dir && *dir)
    return std::filesystem::path(dir) / "Albumsmith.ini";
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::current_path();
  }
  return base / "kestr" / "Albumsmith.ini";
}

std::string AppSettings::GetString(std::string_view key, std::string_view value, std::string_view def) const {
  auto v = ini_.Load().Get(key, value);
  return v ? *v : std::string(def);
}

int AppSettings::GetInt(std::string_view key, std::string_view value, int def) const {
  auto v = ini_.Load().Get(key, value);
  return v ? ParseIniInt(*v, def) : def;
}

Status AppSettings::EnsureFolder() const {
  std::error_code ec;
  std::filesystem::create_directories(ini_.path().parent_path(), ec);
  return ec ? Status::SystemError(ec.value()) : Status::Ok();
}

bool AppSettings::SetString(std::string_view key, std::string_view value, std::string_view data) {
  return EnsureFolder() && ini_.WriteString(key, value, data).ok();
}

bool AppSettings::SetInt(std::string_view key, std::string_view value, int data) {
  return EnsureFolder() && ini_.WriteInt(key, value, data).ok();
}

Status AppSettings::Save(const IniDocument& doc) {
  if (Status made = EnsureFolder(); !made) return made;
  return ini_.Save(doc);
}

bool AppSettings::KeyExists(std::string_view key) const {
  const std::string prefix = ToLower(key) + "\\";
  for (const std::string& name : ini_.Load().SectionNames()) {
    if (EqualsNoCase(name, key) || StartsWith(ToLower(name), prefix)) return true;
  }
  return false;
}

std::vector<std::string> AppSettings::SubKeys(std::string_view key) const {
  const std::string prefix = ToLower(key) + "\\";
  std::vector<std::string> names;
  for (const std::string& section : ini_.Load().SectionNames()) {
    if (!StartsWith(ToLower(section), prefix)) continue;
    std::string rest = section.substr(prefix.size());
    rest = rest.substr(0, rest.find('\\'));
    if (rest.empty()) continue;
    bool seen = false;
    for (const std::string& n : names) seen = seen || EqualsNoCase(n, rest);
    if (!seen) names.push_back(rest);
  }
  return names;
}

bool AppSettings::DeleteKey(std::string_view key) {
  IniDocument doc = ini_.Load();
  const std::string prefix = ToLower(key) + "\\";
  bool changed = false;
  for (const std::string& section : doc.SectionNames()) {
    if (EqualsNoCase(section, key) || StartsWith(ToLower(section), prefix)) {
      doc.DeleteSection(section);
      changed = true;
    }
  }
  return !changed || ini_.Save(doc).ok();
}

}  // namespace albumsmith
