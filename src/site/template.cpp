#include "site/template.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "platform/user_dirs.h"
#include "site/site_text.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"

namespace albumsmith {

namespace fs = std::filesystem;

namespace {

constexpr TextId kTemplateMismatch = TextId::kTemplateMismatch;
constexpr TextId kCannotOpenLocalFile = TextId::kCannotOpenLocalFile;

std::optional<std::string> ReadReported(const std::string& path) {
  Result<std::string> text = ReadFileContents(path);
  if (!text) {
    ShowSystemError(text.status().systemError(), kCannotOpenLocalFile, {path});
    return std::nullopt;
  }
  return std::move(text).value();
}

}  // namespace

std::string ProgramDataDirectory() {
  const std::vector<fs::path> dirs = DataDirectories();
  for (const fs::path& dir : dirs) {
    if (DirExists((dir / "albsite").string())) return WithSlash(dir.string());
  }
  return dirs.empty() ? WithSlash(ProgramDirectory().string()) : WithSlash(dirs.front().string());
}

std::vector<std::string> ListTemplates(const std::string& dataDir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dataDir + "templates", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) names.push_back(it->path().filename().string());
  }
  // The file system's own order differs from one disk to the next; the list
  // shows the same order everywhere.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NameLess(a, b); });
  names.insert(names.begin(), std::string(kDefaultTemplate));
  return names;
}

bool IsBuiltInTemplate(const std::string& name) {
  // A profile without the key has no template of its own: it uses the built-in one.
  return name == kDefaultTemplate || SettingText(name).empty();
}

std::string TemplateDirectory(const std::string& dataDir, const std::string& name) {
  if (IsBuiltInTemplate(name)) return WithSlash(dataDir);
  return WithSlash(dataDir) + "templates/" + name + "/";
}

bool IsTemplateCurrent(const std::string& dataDir, const std::string& name) {
  if (IsBuiltInTemplate(name) || EqualsNoCase(name, kDefaultTemplate)) return true;
  const std::optional<std::string> version =
      ReadWholeFile(WithSlash(dataDir) + "templates/" + name + "/" + std::string(kVersionFile));
  if (!version) return false;
  std::string_view text = *version;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text == kTemplateVersion;
}

bool CheckTemplate(const std::string& dataDir, const std::string& name) {
  if (IsTemplateCurrent(dataDir, name)) return true;
  ShowMessage({Icon::Exclamation, Buttons::Ok}, kTemplateMismatch, {name});
  return false;
}

bool ConfirmTemplateForPublishing(const std::string& dataDir, const std::string& name) {
  if (IsTemplateCurrent(dataDir, name)) return true;
  return IsPositive(ShowMessage({Icon::Exclamation, Buttons::OkCancel}, kTemplateMismatch, {name}).answer);
}

TemplatePictures FindTemplatePictures(const std::string& templateDir) {
  return {FileExists(templateDir + std::string(kIndexPicture)), FileExists(templateDir + std::string(kSlidePicture))};
}

std::optional<std::string> TemplatePictureToShow(const std::string& templateDir, bool slideChosen) {
  const TemplatePictures found = FindTemplatePictures(templateDir);
  const std::string index = templateDir + std::string(kIndexPicture);
  const std::string slide = templateDir + std::string(kSlidePicture);
  if (found.index && found.slide) return slideChosen ? slide : index;
  if (found.index) return index;
  if (found.slide) return slide;
  return std::nullopt;
}

std::optional<std::string> ReadSkeleton(const std::string& path) {
  // Read whole: a page cut at a fixed size would end in the middle of a tag.
  std::optional<std::string> text = ReadReported(path);
  if (text) *text = WithoutCarriageReturns(*text);
  return text;
}

std::optional<std::string> ReadTemplateText(const std::string& path) {
  std::optional<std::string> text = ReadReported(path);
  if (text) *text = ReplaceAll(std::move(*text), "\r\n", "\n");
  return text;
}

std::string ProgramVersionText() {
  int major = 0, minor = 0, patch = 0;
  const char* release = StringTable::Builtin(TextId::kRelease);
  const std::vector<std::string> parts = Split(release ? release : "", '.');
  if (parts.size() > 0) major = std::atoi(parts[0].c_str());
  if (parts.size() > 1) minor = std::atoi(parts[1].c_str());
  if (parts.size() > 2) patch = std::atoi(parts[2].c_str());
  return patch != 0 ? Fmt("%d.%d.%d", {major, minor, patch}) : Fmt("%d.%d", {major, minor});
}

}  // namespace albumsmith
