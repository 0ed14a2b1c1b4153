#pragma once
// Start-up and configuration: release numbers, languages, the one-time
// upgrade of older settings, the profiles base directory, the first-run
// question and the window's first size. Everything here is called by the Qt
// front end and by the command line alike.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/profile_settings.h"

namespace albumsmith {

class AppSettings;

struct Release {
  int major = 0;
  int minor = 0;
  int patch = 0;
  int Number() const { return major * 10000 + minor * 100 + patch; }
  // "%d.%d.%d", or "%d.%d" when the patch number is 0 (the About box form).
  std::string ShortText() const;
};
// "%d.%d.%d"; missing parts read as 0.
Release ParseRelease(const std::string& text);
// The program's own release (kRelease of the built-in table).
Release ProgramRelease();

// The language in force and the module behind it.
class Languages {
 public:
  Languages(std::filesystem::path programDir, std::filesystem::path currentDir)
      : programDir_(std::move(programDir)), currentDir_(std::move(currentDir)) {}

  const std::string& current() const { return current_; }
  // Selects English (the built-in texts) or the first Lang/<name>.lng of
  // SearchDirectories(). A module of another release is kept with a warning
  // (kLanguageOtherRelease); a missing one falls back to English with a message and stores
  // "English" in the settings.
  void Load(const std::string& name, AppSettings& settings);
  // "English", then the modules of each of SearchDirectories() in turn whose
  // names are not listed yet.
  std::vector<std::string> MenuEntries() const;
  // The folders whose "Lang" folder holds modules, in the order they are
  // searched: the program directory, the installed data directory
  // (<prefix>/share/albumsmith), the user's data directory, the current
  // directory.
  std::vector<std::filesystem::path> SearchDirectories() const;
  // The Language menu's choice: store, load, confirm (kLanguageChanged).
  void Choose(const std::string& name, AppSettings& settings);

 private:
  std::filesystem::path programDir_;
  std::filesystem::path currentDir_;
  std::string current_ = "English";
};

// The documents folder (or, without one, the current directory) + "/Albumsmith/".
std::string DefaultProfilesDir();

// The one-time upgrade of settings and profiles left by an older release.
// `profilesBaseOverride`, when given, stands for the default base of the
// deletion steps (tests).
void UpgradeSettings(int storedVersion, AppSettings& settings,
                     const std::optional<std::string>& defaultBase = std::nullopt);

// "Settings"/"ProfilesDir", set to DefaultProfilesDir() and stored when empty.
std::string InitProfilesDir(AppSettings& settings);

// The start-up every front end goes through, in this order: the language
// chosen in the settings, so that what follows speaks it; the one-time
// upgrade of settings left by an older release; then the profiles base
// directory: `profilesDir` when given (a final "/" added, nothing stored),
// else InitProfilesDir. Returns the profiles base directory.
std::string StartUp(AppSettings& settings, Languages& languages, const std::string& profilesDir = {});

// "Settings"/"CheckVersion": on the first run asks kAskCheckVersion and stores the
// answer (Yes → 1, No → 0) through the toggle. Returns the flag.
int InitCheckVersion(AppSettings& settings);
// Flips the flag, stores it and says "Check for new versions %s".
int ToggleCheckVersion(AppSettings& settings, int flag);

struct WindowRect {
  int left, top, right, bottom;
};
// Keeps the top-left corner, makes the window 950 + scroll bar wide, and pulls
// it back onto the screen edge by edge.
WindowRect InitialWindowRect(WindowRect window, int screenWidth, int screenHeight, int scrollBarWidth);

// The close request while a synchronisation runs asks kSyncRunning; true: close.
bool ConfirmClose(bool synchronizing);

// kAboutText with the release and the build date ("Dec  5 2004" form).
std::string AboutText(const std::string& buildDate);

// The profile that a front end has open and the flags the commands look at.
struct Session {
  std::string profilesDir;  // ends with "/"
  std::optional<ProfileSettings> profile;
  bool remoteChecked = false;
  // Opening: copy the record with the settings rules applied (PHP off forces
  // access security off).
  void Open(ProfileSettings settings);
};

}  // namespace albumsmith
