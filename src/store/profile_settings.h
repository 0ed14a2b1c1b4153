#pragma once
// One profile's settings and their file, Profile.ini.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/status.h"
#include "store/preserve_list.h"

namespace albumsmith {

class AppSettings;

inline constexpr std::string_view kDefaultTemplate = "Albumsmith Default";

// A value type: copied whole by dialogs, workers and the open profile.
struct ProfileSettings {
  std::string name;
  std::string legacyImageDir;  // only from the older registry form; never written
  std::string subdir;          // name + "/": the profile folder relative to the profiles base directory
  std::string serverName;
  std::string login;
  std::string password;        // in clear; exists only in memory
  std::string storedPassword;  // the scrambled form, as in the file
  std::string remoteDir;       // "/" separators, begins and ends with "/"
  std::string accessUser;
  std::string accessPassword;
  std::string background;
  std::string dateFont;
  std::string commentFont;
  std::string rootFileName;
  std::string footerFileName;
  std::string templateName{kDefaultTemplate};
  int accessSecurity = 0;
  int passive = 1;
  std::string protocol;     // "ftp" (also when empty), "ftps" (explicit TLS on control and data) or "sftp"
  std::string fingerprint;  // the certificate's (FTPS) or host key's (SFTP) SHA-256 the user trusted; empty for none
  std::string keyFile;      // SFTP: a private key file to log in with (the password is then its passphrase)
  int connections = 4;      // simultaneous connections for a folder's uploads and deletions, 1..8
  int php = 1;
  int slideBoard = 1;
  int slideRepeat = 1;
  int slideFader = 1;
  int imageBorder = 0;
  int imageShadow = 1;
  int rootMode = 0;
  int slideDelay = 5;
  int slideTrans = 0;
  int dateFontSize = 10;
  int commentFontSize = 20;
  int borderWidth = 0;
  int shadowWidth = 4;
  int maxThumbSize = 100;
  int thumbsPerLine = 6;
  int dateColor = 0;
  int commentColor = 0;
  int borderColor = 0;
  int shadowColor = 0;
  PreserveList preserve;

  // Field by field: the clear password rather than its stored form, the
  // preserve list entry by entry; the legacy image directory takes no part.
  bool operator==(const ProfileSettings& other) const;
};

// One key of Profile.ini, in file order, with the value read when it is absent.
struct ProfileKey {
  const char* section;
  const char* key;
  std::variant<std::string ProfileSettings::*, int ProfileSettings::*, PreserveList ProfileSettings::*> field;
  int missingInt;  // for integer keys
  // The values an integer key may take; whatever else a file holds is
  // brought to the nearer end when read.
  int minInt = 0;
  int maxInt = 0;
};
const std::vector<ProfileKey>& ProfileKeys();
// Case-insensitive lookup by key name.
const ProfileKey* FindProfileKey(std::string_view key);
// The key's value as written to the file.
std::string ProfileKeyText(const ProfileSettings& settings, const ProfileKey& key);
// Sets a key from its file text the way reading the file would.
void SetProfileKeyText(ProfileSettings& settings, const ProfileKey& key, std::string_view text);

// What every reader of the settings may rely on, applied by both readers
// below and by whoever opens an edited record: each integer key within its
// range, and access security off while PHP is off (the protection lives in
// the PHP pages, so a static site cannot have it).
void ApplyProfileRules(ProfileSettings& settings);

// `profilesDir` is the profiles base directory, ending with "/".
std::string ProfileIniPath(const std::string& profilesDir, const ProfileSettings& settings);

// Reads name/Profile.ini; a missing file or key reads the key's missing value.
ProfileSettings ReadProfile(const std::string& profilesDir, const std::string& name);
// Scrambles the password into the stored form and writes every key in file
// order, except a string key still holding the missing-key marker (absent
// when read, never set), which stays as the file has it; the file is
// readable by its owner only. What else the file holds (the profile's
// variables) stays; with `keepFrom` it is taken from that file instead, as a
// copied profile takes the original's.
Status WriteProfile(const std::string& profilesDir, ProfileSettings& settings, const std::string& keepFrom = {});
// WriteProfile that tells the user when the file cannot be written.
bool WriteProfileReported(const std::string& profilesDir, ProfileSettings& settings, const std::string& keepFrom = {});
// The older form kept in the application settings under "Profiles\<name>".
ProfileSettings ReadLegacyProfile(const AppSettings& app, const std::string& name);

}  // namespace albumsmith
