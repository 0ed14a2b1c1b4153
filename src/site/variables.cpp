#include "site/variables.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <set>

#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "site/folder_properties.h"

namespace albumsmith {

namespace {

constexpr TextId kCannotCreateFile = TextId::kCannotCreateNamedFile;
constexpr TextId kDeleteVariable = TextId::kDeleteVariable;

std::optional<size_t> FindName(const std::vector<Variable>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (EqualsNoCase(list[i].name, name)) return i;
  return std::nullopt;
}

bool ConfirmDelete(const std::string& name) {
  return IsPositive(ShowMessage({Icon::Question, Buttons::OkCancel}, kDeleteVariable, {name}).answer);
}

bool RewriteSection(const std::string& iniPath, const std::vector<Variable>& list) {
  IniFile ini(iniPath);
  IniDocument doc = ini.Load();
  doc.DeleteSection(kVariablesSection);
  bool ok = true;
  for (const Variable& v : list) {
    // An entry without "=" reads as an empty name; there is no key to write it back as.
    if (!v.name.empty()) ok = doc.Set(kVariablesSection, v.name, v.value) && ok;
  }
  const Status saved = ini.Save(doc);
  if (saved && ok) return true;
  ShowSystemError(saved ? EINVAL : saved.systemError(), TextId::kCannotWriteNamed, {iniPath});
  return false;
}

bool CheckVariableName(const std::string& name) {
  if (IsVariableName(name)) return true;
  ShowMessage({Icon::Exclamation, Buttons::Ok}, TextId::kBadVariableName, {name});
  return false;
}

}  // namespace

Variable ParseVariable(const std::string& entry) {
  const size_t equals = entry.find('=');
  if (equals == std::string::npos) return {};
  return {entry.substr(0, equals), entry.substr(equals + 1)};
}

std::vector<Variable> ReadVariables(const std::string& iniPath) {
  std::vector<Variable> list;
  for (const std::string& entry : IniFile(iniPath).ReadSection(kVariablesSection)) list.push_back(ParseVariable(entry));
  return list;
}

std::string VariableToken(const std::string& name) { return "__" + name + "__"; }

bool IsVariableName(std::string_view name) {
  return !name.empty() && name.front() != ' ' && name.back() != ' ' &&
         std::all_of(name.begin(), name.end(), [](char c) { return IsAsciiAlnum(c) || c == '_' || c == ' '; });
}

std::vector<Variable> UsableVariables(std::vector<Variable> variables) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::erase_if(variables, [](const Variable& v) {
    // An entry without "=" reads as an empty name, whose token is "____".
    if (v.name.empty() || IsVariableName(v.name)) return false;
    bool first = false;
    {
      const std::lock_guard lock(mutex);
      first = reported.insert(v.name).second;
    }
    if (first) ShowMessage({Icon::Exclamation, Buttons::Ok}, TextId::kVariableLeftOut, {v.name});
    return true;
  });
  return variables;
}

std::string ProfileIniFile(const std::string& profileDir) { return profileDir + "Profile.ini"; }

std::string VarInfText(const std::string& profileDir, const std::string& folder) {
  std::string text;
  const FolderSettings settings = ReadFolderSettings(profileDir, folder);
  if (HasCustomTitle(settings)) text += "TITLE=" + settings.titleText + "\n";
  for (const std::string& entry : IniFile(FolderIniPath(profileDir, folder)).ReadSection(kVariablesSection))
    text += entry + "\n";
  return text;
}

std::string VarInfPath(const std::string& profileDir, const std::string& folder) {
  return profileDir + "albsite/s/" + folder + std::string(kVarInf);
}

bool WriteVarInf(const std::string& profileDir, const std::string& folder, const std::string& file) {
  const Status written = WriteFileAtomically(file, VarInfText(profileDir, folder));
  if (written) return true;
  ShowSystemError(written.systemError(), kCannotCreateFile, {std::string(kVarInf)});
  return false;
}

VariablesEditor::VariablesEditor(std::string profileDir, std::string folder)
    : profileDir_(std::move(profileDir)), folderName_(std::move(folder)) {
  defaults_ = ReadVariables(ProfileIniFile(profileDir_));
  const IniDocument folderIni = IniFile(FolderIniPath(profileDir_, folderName_)).Load();
  for (const Variable& d : defaults_) {
    if (d.name.empty()) continue;
    const std::optional<std::string> value = folderIni.Get(kVariablesSection, d.name);
    if (value && !value->empty()) folder_.push_back({d.name, *value});
  }
}

VariablesEditor::Added VariablesEditor::AddFolderVariable(const std::string& name) {
  if (!CheckVariableName(name)) return {folder_.empty() ? 0 : folder_.size() - 1, false};
  if (const auto existing = FindName(folder_, name)) return {*existing, false};
  folder_.push_back({name, ""});
  folderChanged_ = true;
  if (!FindName(defaults_, name)) {
    defaults_.push_back({name, ""});
    defaultsChanged_ = true;
  }
  return {folder_.size() - 1, true};
}

VariablesEditor::Added VariablesEditor::AddDefault(const std::string& name) {
  if (!CheckVariableName(name)) return {defaults_.empty() ? 0 : defaults_.size() - 1, false};
  if (const auto existing = FindName(defaults_, name)) return {*existing, false};
  defaults_.push_back({name, ""});
  defaultsChanged_ = true;
  return {defaults_.size() - 1, true};
}

bool VariablesEditor::DeleteFolderVariable(size_t index) {
  if (index >= folder_.size() || !ConfirmDelete(folder_[index].name)) return false;
  folder_.erase(folder_.begin() + static_cast<std::ptrdiff_t>(index));
  folderChanged_ = true;
  return true;
}

bool VariablesEditor::DeleteDefault(size_t index) {
  if (index >= defaults_.size() || !ConfirmDelete(defaults_[index].name)) return false;
  const std::string name = defaults_[index].name;
  defaults_.erase(defaults_.begin() + static_cast<std::ptrdiff_t>(index));
  defaultsChanged_ = true;
  if (const auto override = FindName(folder_, name)) {
    folder_.erase(folder_.begin() + static_cast<std::ptrdiff_t>(*override));
    folderChanged_ = true;
  }
  return true;
}

void VariablesEditor::SetFolderValue(size_t index, const std::string& value) {
  if (index >= folder_.size()) return;
  folder_[index].value = value;
  folderChanged_ = true;
}

void VariablesEditor::SetDefaultValue(size_t index, const std::string& value) {
  if (index >= defaults_.size()) return;
  defaults_[index].value = value;
  defaultsChanged_ = true;
}

bool VariablesEditor::Save() {
  bool ok = true;
  if (folderChanged_) ok = RewriteSection(FolderIniPath(profileDir_, folderName_), folder_) && ok;
  if (defaultsChanged_) ok = RewriteSection(ProfileIniFile(profileDir_), defaults_) && ok;
  if (ok) folderChanged_ = defaultsChanged_ = false;
  return ok;
}

}  // namespace albumsmith
