#pragma once
// Private-profile INI files: "[Section]" lines open sections, "key=value"
// lines hold values. Sections and keys match without regard to letter case,
// values come back trimmed (and without one pair of enclosing quotes), and an
// absent string key reads as the three bytes E9 E8 E0 so that callers can
// tell it from an empty value. Values have no length limit.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace albumsmith {

// What a string read returns for an absent key.
inline constexpr std::string_view kMissingKey = "\xE9\xE8\xE0";

// The parsed text of one INI file, kept line by line so that a write changes
// only the line it concerns.
class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  std::string Serialize() const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Fails (returns false) for a value holding a line break, or a key that
  // would not read back as itself, instead of corrupting the file.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteKey(std::string_view section, std::string_view key);
  bool HasSection(std::string_view section) const;
  bool SectionHasKeys(std::string_view section) const;
  // Every non-blank, non-comment line of the section, trimmed, whether or not
  // it holds "=".
  std::vector<std::string> SectionEntries(std::string_view section) const;
  void DeleteSection(std::string_view section);
  std::vector<std::string> SectionNames() const;

 private:
  struct Line {
    std::string text;
    bool isHeader = false;
    std::string section;  // header: its name; other lines: the section they are in
  };
  static std::optional<std::string> HeaderName(std::string_view line);
  static bool SplitKey(std::string_view line, std::string& key, std::string& value);

  std::vector<Line> lines_;
  bool crlf_ = false;
};

// An INI file on disk. Every read loads the file again, every write replaces it
// atomically, so several objects (and processes) bound to one file agree.
class IniFile {
 public:
  explicit IniFile(std::filesystem::path path, std::optional<unsigned> mode = std::nullopt)
      : path_(std::move(path)), mode_(mode) {}

  const std::filesystem::path& path() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key) const;
  // The Windows rule: absent or empty → def; otherwise a decimal (or 0x hex)
  // number with an optional sign, read up to the first other character.
  int ReadInt(std::string_view section, std::string_view key, int def = -1) const;
  // A value that would break the file's lines (a line break, or a key or
  // section name the format cannot hold) is refused before anything is written.
  Status WriteString(std::string_view section, std::string_view key, std::string_view value);
  Status WriteInt(std::string_view section, std::string_view key, int value);
  bool SectionHasKeys(std::string_view section) const;
  std::vector<std::string> ReadSection(std::string_view section) const;
  Status DeleteSection(std::string_view section);
  Status DeleteKey(std::string_view section, std::string_view key);

  // For writers of many keys at once: load, change, save once.
  IniDocument Load() const;
  Status Save(const IniDocument& doc);

 private:
  std::filesystem::path path_;
  std::optional<unsigned> mode_;
};

// The integer rule of IniFile::ReadInt applied to a text.
int ParseIniInt(std::string_view text, int def);

}  // namespace albumsmith
