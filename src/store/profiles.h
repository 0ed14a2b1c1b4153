#pragma once
// The profile operations of the profiles dialog and the new-profile wizard,
// shared by the GUI and the command line. Checks show their message through
// the current Prompter and return false (or nothing); operations report their
// own failures the same way.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/profile_settings.h"

namespace albumsmith {

class AppSettings;

// The settings of a new profile named `name`.
ProfileSettings NewProfileSettings(const std::string& name);

// The name, as it is spelt on disk, of the profile that `name` stands for:
// an exact match first, else one differing only in letter case.
std::optional<std::string> FindProfile(const std::string& profilesDir, const std::string& name);
// Whether a folder of that name (compared without regard to case) holds a Profile.ini.
bool ProfileExists(const std::string& profilesDir, const std::string& name);
// Names of the folders holding a Profile.ini, sorted without regard to case.
std::vector<std::string> ListProfiles(const std::string& profilesDir);
// The profile folder ends with "/"; the remote directory uses "/" and ends with "/".
void NormalizePaths(ProfileSettings& settings);

// The full path of the profile's folder, ending with "/".
std::string ProfileDirectory(const std::string& profilesDir, const ProfileSettings& settings);

// --- checks of the wizard and the dialog -----------------------------------
// Refuses an empty name (kEnterProfileName), an existing one (kProfileExists) and a name that
// cannot be a folder name ("/", "\", control characters, "." or "..").
// kRefused with the text shown.
Status CheckNewProfileName(const std::string& profilesDir, const std::string& name);
// Wizard: empty (kEnterServer), "/" or "\" inside (kServerSlash).
// Each is kRefused with the text it showed.
Status CheckServerName(const std::string& server);
Status CheckLogin(const std::string& login);        // kEnterLogin
Status CheckPassword(const std::string& password);  // kEnterPassword
// Wizard: empty (kEnterRemoteDirectory); "\" becomes "/"; must begin with "/" (kRemoteDirectorySlash); a
// final "/" is added; then the kRemoveAllWarning warning is asked (OK/Cancel). The
// directory as it is stored; kRefused with the text shown, or kCancelled when the
// warning was answered Cancel.
Result<std::string> CheckWizardRemoteDir(const std::string& dir);
// What the wizard's remote-directory page shows when it comes up: the
// field's text, or for an empty field "/Prefix-WEB-Dir/<profile name>/".
std::string ProposedRemoteDir(const std::string& field, const std::string& profileName);
// Dialog OK: the fixed server-name text; "\" → "/", non-empty and beginning
// with "/" (kRemoteDirectorySlash), final "/" added.
bool CheckDialogServerName(const std::string& server);
std::optional<std::string> CheckDialogRemoteDir(const std::string& dir);
// An entry of the preserve list as edited in place: non-empty, no leading or
// trailing white space, none of : * ? " < > | after a drive prefix.
bool IsValidPreserveEntry(const std::string& entry);

// --- operations --------------------------------------------------------------
// Creates ImageTree/, albsite/bg/, albsite/s/, albsite/m/ in that order (each
// only when the previous succeeded), then writes Profile.ini.
bool CreateProfile(const std::string& profilesDir, ProfileSettings& settings);

// Renames the profile folder. An unchanged name does nothing and succeeds;
// empty (kEnterProfileName) or existing (kProfileExists) names are refused. On success the record
// takes the new name, is written, and the old "Profiles\<old>" key is removed.
// A folder that cannot be renamed shows nothing: the failure carries only the
// system's error.
Status RenameProfile(const std::string& profilesDir, AppSettings& app, ProfileSettings& settings,
                     const std::string& newName);

// Asks kDeleteProfileQuestion; on OK deletes the profile folder and its "Profiles\<name>"
// key, then asks kRemoveRemoteQuestion and, on OK, calls removeRemote with the profile (which
// may be empty while publishing is not available). Returns whether the
// profile was deleted.
bool DeleteProfile(const std::string& profilesDir, AppSettings& app, const std::string& name,
                   const std::function<void(const ProfileSettings&)>& removeRemote);

// Saves `edited` in place of `asRead` without asking: when PHP or access
// security changed, marks the profile so that the next synchronisation takes
// all of it; then normalises and writes. Returns whether the file was written.
bool ApplyProfileChanges(const std::string& profilesDir, const ProfileSettings& asRead, ProfileSettings& edited);

// After OK in the profiles dialog: when `edited` differs from `asRead`, asks
// kSaveProfileQuestion; on Yes applies the changes as above. Returns the record to open (the edited one,
// or the one as read after No).
ProfileSettings SaveEditedProfile(const std::string& profilesDir, const ProfileSettings& asRead,
                                  ProfileSettings edited);

}  // namespace albumsmith
