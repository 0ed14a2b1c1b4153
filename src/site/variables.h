#pragma once
// Template variables: a name and a value, written in a skeleton as
// "__name__". Defaults live in section "variables" of the profile's
// Profile.ini, overrides in the same section of a folder's Folder.ini. Also
// var.inf, which carries a folder's title and overrides to a PHP site, and
// the logic of the "Variables" dialog.

#include <optional>
#include <string>
#include <vector>

namespace albumsmith {

inline constexpr std::string_view kVariablesSection = "variables";
inline constexpr std::string_view kVarInf = "var.inf";

struct Variable {
  std::string name;
  std::string value;
  bool operator==(const Variable&) const = default;
};

// One section entry: the name is the text before the first "=" and the value
// the text after it, both as written. An entry without "=" has an empty name
// and value.
Variable ParseVariable(const std::string& entry);
// Every entry of the file's "variables" section, in file order. The section
// is read whole.
std::vector<Variable> ReadVariables(const std::string& iniPath);
// The token a variable stands for: "__" + name + "__".
std::string VariableToken(const std::string& name);
// A name a token can carry and a page can hold without escaping: ASCII
// letters, digits, "_", and spaces between them (the settings file trims the
// ends of a key).
bool IsVariableName(std::string_view name);
// The variables whose names are variable names or empty, in their order. Each other
// name is reported once while the program runs, and is otherwise left out as
// if it were not there: it was written by hand or by an older release.
std::vector<Variable> UsableVariables(std::vector<Variable> variables);

std::string ProfileIniFile(const std::string& profileDir);

// var.inf of a folder: "TITLE=" and the custom title when the folder's
// TitleMode is 1, then every entry of its "variables" section as it stands;
// each line ends with "\n".
std::string VarInfText(const std::string& profileDir, const std::string& folder);
// Where publishing puts it: beside the folder's thumbnails.
std::string VarInfPath(const std::string& profileDir, const std::string& folder);
// Writes VarInfText to `file`; "Cannot create %s file" with "var.inf" and the
// system's error text when that fails.
bool WriteVarInf(const std::string& profileDir, const std::string& folder, const std::string& file);

// The "Variables" dialog of one folder: its two lists and their edits; the
// files change only on Save.
class VariablesEditor {
 public:
  // Loads the defaults; every default whose name has a non-empty value in the
  // folder's section becomes a folder override. Overrides of names that have
  // no default are not shown.
  VariablesEditor(std::string profileDir, std::string folder);

  const std::vector<Variable>& folderVariables() const { return folder_; }
  const std::vector<Variable>& defaults() const { return defaults_; }

  struct Added {
    size_t index;  // the item to select: the new one, or the one that had the name already
    bool added;
  };
  // "Add" under "Folder variables": a name the list has already (any letter
  // case) is only selected; else it is appended with an empty value, and to
  // the defaults too when they lack it. A name that is not a variable name is
  // refused with a message.
  Added AddFolderVariable(const std::string& name);
  // "Add" under "Default values": the same on the defaults alone.
  Added AddDefault(const std::string& name);
  // "Delete": asks "Delete variable \"%s\"" (OK/Cancel); deleting a default
  // also deletes the folder override of that name. Returns whether deleted.
  bool DeleteFolderVariable(size_t index);
  bool DeleteDefault(size_t index);
  // Editing a value in place.
  void SetFolderValue(size_t index, const std::string& value);
  void SetDefaultValue(size_t index, const std::string& value);

  // OK: each changed list replaces its whole section. Returns whether every
  // write succeeded.
  bool Save();

 private:
  std::string profileDir_;
  std::string folderName_;
  std::vector<Variable> folder_;
  std::vector<Variable> defaults_;
  bool folderChanged_ = false;
  bool defaultsChanged_ = false;
};

}  // namespace albumsmith
