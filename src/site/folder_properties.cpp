#include "site/folder_properties.h"

#include <cerrno>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/ini_file.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "site/site_text.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace {

constexpr std::string_view kSettingsSection = "Settings";
constexpr TextId kCannotWriteHtml = TextId::kCannotWriteHtml;
constexpr TextId kCannotWriteFile = TextId::kCannotWriteNamed;
constexpr TextId kIncludeRejected = TextId::kIncludeRejected;

bool WriteHtmlReported(const std::string& path, const std::string& text) {
  const Status written = WriteFileAtomically(path, text);
  if (written) return true;
  ShowSystemError(written.systemError(), kCannotWriteHtml);
  return false;
}

}  // namespace

std::string FolderIniPath(const std::string& profileDir, const std::string& folder) {
  return profileDir + "ImageTree/" + folder + std::string(kFolderIni);
}

std::string FolderHtmlPath(const std::string& profileDir, const std::string& folder) {
  return profileDir + "ImageTree/" + folder + std::string(kFolderHtml);
}

FolderSettings ReadFolderSettings(const std::string& profileDir, const std::string& folder) {
  const IniDocument doc = IniFile(FolderIniPath(profileDir, folder)).Load();
  FolderSettings s;
  auto number = [&](std::string_view key) {
    const std::optional<std::string> value = doc.Get(kSettingsSection, key);
    return value ? ParseIniInt(*value, 0) : 0;
  };
  s.htmlMode = number("HtmlMode");
  s.titleMode = number("TitleMode");
  s.htmlFile = doc.Get(kSettingsSection, "HtmlFile").value_or("");
  s.titleText = doc.Get(kSettingsSection, "TitleText").value_or("");
  return s;
}

bool HasCustomTitle(const FolderSettings& s) { return s.titleMode == 1; }

FolderDialogState OpenFolderProperties(const std::string& profileDir, const std::string& folder) {
  FolderDialogState state;
  if (!FileExists(FolderIniPath(profileDir, folder))) {
    if (folder.empty()) state.html = ReadWholeFile(profileDir + std::string(kRootPageFile)).value_or("");
    return state;
  }
  state.settings = ReadFolderSettings(profileDir, folder);
  state.html = ReadWholeFile(FolderHtmlPath(profileDir, folder)).value_or("");
  return state;
}

bool SaveFolderProperties(const std::string& profileDir, const std::string& folder, FolderSettings settings,
                          const std::string& html) {
  const std::string text = WithoutCarriageReturns(html);
  bool wroteHtml = false;
  if (!text.empty()) wroteHtml = WriteHtmlReported(FolderHtmlPath(profileDir, folder), text);
  settings.htmlFile = wroteHtml ? std::string(kFolderHtml) : std::string();

  IniFile ini(FolderIniPath(profileDir, folder));
  IniDocument doc = ini.Load();
  // A title holding a line break cannot be stored as one line; it is kept
  // out rather than splitting the file, and the other keys are written all
  // the same.
  const std::pair<std::string_view, std::string> keys[] = {{"HtmlMode", std::to_string(settings.htmlMode)},
                                                           {"HtmlFile", settings.htmlFile},
                                                           {"TitleMode", std::to_string(settings.titleMode)},
                                                           {"TitleText", settings.titleText}};
  bool set = true;
  for (const auto& [key, value] : keys) set = doc.Set(kSettingsSection, key, value) && set;
  const Status saved = ini.Save(doc);
  if (saved && set) return true;
  ShowSystemError(saved ? EINVAL : saved.systemError(), kCannotWriteFile, {ini.path().string()});
  return false;
}

std::string HtmlPreviewText(std::string_view html) {
  std::string text = WithoutCarriageReturns(html);
  if (!EqualsNoCase(std::string_view(text).substr(0, 5), "<html")) text.insert(0, "<html>\n");
  return text;
}

std::string OpenFooter(const std::string& profileDir, const ProfileSettings& profile) {
  const std::string named = SettingText(profile.footerFileName);
  const std::string file = profileDir + (named.empty() ? std::string(kFooterFile) : named);
  return ReadWholeFile(file).value_or(std::string());
}

bool SaveFooter(const std::string& profileDir, const std::string& text, ProfileSettings& profile) {
  if (!WriteHtmlReported(profileDir + std::string(kFooterFile), text)) return false;
  profile.footerFileName = std::string(kFooterFile);
  return true;
}

std::string CheckIncludedHtml(std::string html) {
  if (!HasBodyOrHtmlTag(html)) return html;
  ShowMessage({Icon::Stop, Buttons::Ok}, kIncludeRejected);
  return {};
}

std::string ReadIncludedHtml(const std::string& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  return text ? CheckIncludedHtml(std::move(*text)) : std::string();
}

}  // namespace albumsmith
