#pragma once
// The application-wide settings store: one INI file per user standing in for
// the registry key of the application. A registry sub-key is a section whose
// name is the key path ("Settings", "Profiles\Holiday", "Users\12").

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ini_file.h"

namespace albumsmith {

class AppSettings {
 public:
  explicit AppSettings(std::filesystem::path file);

  // $ALBUMSMITH_CONFIG_DIR/Albumsmith.ini when the variable is set, else
  // $XDG_CONFIG_HOME/kestr/Albumsmith.ini (default ~/.config/kestr/…).
  static std::filesystem::path DefaultFile();

  const std::filesystem::path& file() const { return ini_.path(); }

  std::string GetString(std::string_view key, std::string_view value, std::string_view def) const;
  int GetInt(std::string_view key, std::string_view value, int def) const;
  bool SetString(std::string_view key, std::string_view value, std::string_view data);
  bool SetInt(std::string_view key, std::string_view value, int data);

  bool KeyExists(std::string_view key) const;
  // Names of the direct sub-keys of `key`, in file order, each once.
  std::vector<std::string> SubKeys(std::string_view key) const;
  // Deletes the key with every sub-key below it. Deleting an absent key succeeds.
  bool DeleteKey(std::string_view key);

  // For writers of many values at once: load, change, and replace the file
  // once, so that a crash leaves all of the changes or none.
  IniDocument Load() const { return ini_.Load(); }
  Status Save(const IniDocument& doc);

 private:
  Status EnsureFolder() const;
  IniFile ini_;
};

}  // namespace albumsmith
