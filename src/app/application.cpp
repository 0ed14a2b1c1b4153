#include "app/application.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/app_settings.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "platform/user_dirs.h"
#include "store/file_ops.h"
#include "store/profiles.h"

namespace albumsmith {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettings = "Settings";
constexpr const char* kEnglish = "English";
constexpr const char* kLanguageExtension = ".lng";
constexpr size_t kMaxLanguageEntries = 10;

std::string CurrentDirectory() {
  std::error_code ec;
  return fs::current_path(ec).string();
}

// Base names of the language modules in dir/Lang, sorted.
std::vector<std::string> ModulesIn(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(dir / "Lang", ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code e2;
    if (!it->is_regular_file(e2)) continue;
    if (EqualsNoCase(it->path().extension().string(), kLanguageExtension)) names.push_back(it->path().stem().string());
  }
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return CompareNoCase(a, b) < 0; });
  return names;
}

}  // namespace

std::string Release::ShortText() const {
  return patch == 0 ? Fmt("%d.%d", {major, minor}) : Fmt("%d.%d.%d", {major, minor, patch});
}

Release ParseRelease(const std::string& text) {
  Release r;
  // sscanf fills what it can; missing parts stay 0.
  std::sscanf(text.c_str(), "%d.%d.%d", &r.major, &r.minor, &r.patch);
  return r;
}

Release ProgramRelease() {
  const char* own = StringTable::Builtin(TextId::kRelease);
  return ParseRelease(own ? own : "");
}

void Languages::Load(const std::string& name, AppSettings& settings) {
  if (EqualsNoCase(name, current_)) return;
  current_ = kEnglish;
  if (EqualsNoCase(name, kEnglish)) {
    StringTable::Instance().SetModule(std::nullopt);
    return;
  }
  StringTable::Instance().SetModule(std::nullopt);
  const std::string file = name + kLanguageExtension;
  std::optional<LanguageModule> module;
  for (const fs::path& dir : SearchDirectories()) {
    module = LanguageModule::Load(dir / "Lang" / file);
    if (module) break;
  }
  if (!module) {
    ShowMessage({Icon::Exclamation, Buttons::Ok}, TextId::kLanguageNotFound, {kEnglish});
    settings.SetString(kSettings, "Language", kEnglish);
    return;
  }
  const std::string moduleRelease = module->Get(TextId::kRelease).value_or("");
  StringTable::Instance().SetModule(std::move(module));
  current_ = name;
  const Release theirs = ParseRelease(moduleRelease);
  const Release ours = ProgramRelease();
  if (theirs.major != ours.major || theirs.minor != ours.minor || theirs.patch != ours.patch)
    ShowMessage({Icon::Exclamation, Buttons::Ok}, TextId::kLanguageOtherRelease, {moduleRelease});
}

std::vector<std::string> Languages::MenuEntries() const {
  std::vector<std::string> entries{kEnglish};
  auto add = [&](const std::string& name) {
    for (const std::string& e : entries)
      if (e == name) return;
    entries.push_back(name);
  };
  for (const fs::path& dir : SearchDirectories())
    for (const std::string& n : ModulesIn(dir)) add(n);
  // The menu has ten command numbers: English and nine modules.
  if (entries.size() > kMaxLanguageEntries) entries.resize(kMaxLanguageEntries);
  return entries;
}

std::vector<fs::path> Languages::SearchDirectories() const {
  std::vector<fs::path> dirs = DataDirectories(programDir_);
  if (auto user = UserDataDirectory()) dirs.push_back(*user);
  dirs.push_back(currentDir_);
  return dirs;
}

void Languages::Choose(const std::string& name, AppSettings& settings) {
  settings.SetString(kSettings, "Language", name);
  Load(name, settings);
  ShowMessage({Icon::Information, Buttons::Ok}, TextId::kLanguageChanged, {name});
}

std::string DefaultProfilesDir() {
  const auto docs = DocumentsFolder();
  return WithSlash(docs ? docs->string() : CurrentDirectory()) + "Albumsmith/";
}

void UpgradeSettings(int storedVersion, AppSettings& settings, const std::optional<std::string>& defaultBase) {
  const int current = ProgramRelease().Number();
  if (storedVersion == -1) {
    settings.SetInt(kSettings, "Version", current);
    return;
  }
  if (storedVersion >= current) return;

  // Older releases kept profiles in the settings store; the profiles base
  // directory is derived from where their caches were.
  std::string base = settings.GetString(kSettings, "ProfilesDir", "");
  if (base.empty()) {
    const std::string marker = "/albumsmith/";
    for (const std::string& name : settings.SubKeys("Profiles")) {
      const std::string section = "Profiles\\" + name;
      const std::string cacheDir = ReplaceAll(settings.GetString(section, "CacheDir", ""), "\\", "/");
      if (auto pos = ToLower(cacheDir).find(marker); pos != std::string::npos && base.empty())
        base = cacheDir.substr(0, pos + marker.size());
      for (auto [from, to] :
           {std::pair{"FooterFileName", "ShortFooterFileName"}, std::pair{"RootFileName", "ShortRootFileName"}}) {
        const std::string value = ReplaceAll(settings.GetString(section, from, ""), "\\", "/");
        if (auto pos = ToLower(value).find(marker); pos != std::string::npos)
          settings.SetString(section, to, value.substr(pos + marker.size()));
      }
    }
    settings.SetString(kSettings, "ProfilesDir", base);
  }

  // Profiles that exist as folders but only have their settings in the store
  // get a Profile.ini.
  if (!base.empty()) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(base, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::error_code e2;
      if (!it->is_directory(e2)) continue;
      const std::string name = it->path().filename().string();
      bool hasIni = false;
      for (auto f = fs::directory_iterator(it->path(), e2); !e2 && f != fs::directory_iterator(); f.increment(e2))
        hasIni = hasIni || EqualsNoCase(f->path().filename().string(), "profile.ini");
      if (hasIni || !settings.KeyExists("Profiles\\" + name)) continue;
      ProfileSettings legacy = ReadLegacyProfile(settings, name);
      // A profile that cannot be written stays in the settings and is offered again next start.
      (void)WriteProfile(WithSlash(base), legacy);
    }
  }

  const std::string defaults = defaultBase ? WithSlash(*defaultBase) : DefaultProfilesDir();
  // Leftovers of older releases: a file that stays was named, and costs only space.
  if (storedVersion < 20003) (void)DeleteMatchingFiles(defaults, "*.JPG.HTML");
  if (storedVersion < 20000) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(defaults, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::error_code e2;
      if (it->is_directory(e2)) (void)DeleteMatchingFiles(it->path().string() + "/albsite/m/", "*.JPG");
    }
  }
  ShowMessage({Icon::Information, Buttons::Ok}, TextId::kMaintenanceDone);
  settings.SetInt(kSettings, "Version", current);
}

std::string InitProfilesDir(AppSettings& settings) {
  std::string dir = settings.GetString(kSettings, "ProfilesDir", "");
  if (dir.empty()) {
    dir = DefaultProfilesDir();
    settings.SetString(kSettings, "ProfilesDir", dir);
  }
  return WithSlash(dir);
}

std::string StartUp(AppSettings& settings, Languages& languages, const std::string& profilesDir) {
  languages.Load(settings.GetString(kSettings, "Language", kEnglish), settings);
  UpgradeSettings(settings.GetInt(kSettings, "Version", -1), settings);
  return profilesDir.empty() ? InitProfilesDir(settings) : WithSlash(profilesDir);
}

int ToggleCheckVersion(AppSettings& settings, int flag) {
  flag = flag ? 0 : 1;
  settings.SetInt(kSettings, "CheckVersion", flag);
  ShowMessage({Icon::Information, Buttons::Ok}, flag ? TextId::kCheckVersionEnabled : TextId::kCheckVersionDisabled);
  return flag;
}

int InitCheckVersion(AppSettings& settings) {
  int flag = settings.GetInt(kSettings, "CheckVersion", 2);
  if (flag != 2) return flag;
  flag = 1;
  if (ShowMessage({Icon::Question, Buttons::YesNo}, TextId::kAskCheckVersion).answer == Answer::Yes) flag = 0;
  return ToggleCheckVersion(settings, flag);
}

WindowRect InitialWindowRect(WindowRect w, int screenWidth, int screenHeight, int scrollBarWidth) {
  w.right = w.left + 950 + scrollBarWidth;
  if (w.bottom > screenHeight) {
    w.top = 0;
    w.bottom = screenHeight;
  }
  if (w.right > screenWidth) {
    w.left = 0;
    w.right = screenWidth;
  }
  return w;
}

bool ConfirmClose(bool synchronizing) {
  if (!synchronizing) return true;
  return ShowMessage({Icon::Question, Buttons::OkCancel}, TextId::kSyncRunning).answer == Answer::Ok;
}

std::string AboutText(const std::string& buildDate) {
  // The compiler writes the month in English ("Dec  5 2004"); it is shown in
  // the current language, capitalised as the compiler has it.
  static constexpr std::string_view kCompilerMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  std::string date = buildDate;
  const size_t at = date.size() >= 3 ? kCompilerMonths.find(std::string_view(date).substr(0, 3)) : std::string::npos;
  if (at != std::string_view::npos && at % 3 == 0) {
    std::string month = MonthAbbreviation(static_cast<int>(at / 3) + 1);
    if (!month.empty() && month[0] >= 'a' && month[0] <= 'z') month[0] = static_cast<char>(month[0] - 'a' + 'A');
    date.replace(0, 3, month);
  }
  return FormatString(TextId::kAboutText, {ProgramRelease().ShortText(), date});
}

void Session::Open(ProfileSettings settings) {
  ApplyProfileRules(settings);
  profile = std::move(settings);
  remoteChecked = false;
}

}  // namespace albumsmith
