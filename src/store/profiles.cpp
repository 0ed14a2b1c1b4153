#include "store/profiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/strings.h"
#include "platform/app_settings.h"
#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "store/directory_tree.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace fs = std::filesystem;

namespace {

const MessageStyle kWarning{Icon::Exclamation, Buttons::Ok};

std::string ToForwardSlashes(std::string s) { return ReplaceAll(std::move(s), "\\", "/"); }

}  // namespace

ProfileSettings NewProfileSettings(const std::string& name) {
  ProfileSettings s;
  s.name = name;
  s.subdir = name + "/";
  return s;
}

std::optional<std::string> FindProfile(const std::string& profilesDir, const std::string& name) {
  const std::vector<std::string> names = ListProfiles(profilesDir);
  for (const std::string& n : names)
    if (n == name) return n;
  for (const std::string& n : names)
    if (EqualsNoCase(n, name)) return n;
  return std::nullopt;
}

bool ProfileExists(const std::string& profilesDir, const std::string& name) {
  return FindProfile(profilesDir, name).has_value();
}

std::vector<std::string> ListProfiles(const std::string& profilesDir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(profilesDir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code e2;
    if (it->is_directory(e2) && fs::is_regular_file(it->path() / "Profile.ini", e2))
      names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return NameLess(a, b); });
  return names;
}

void NormalizePaths(ProfileSettings& s) {
  s.subdir = ReplaceAll(s.subdir, "\\", "/");
  if (!EndsWith(s.subdir, "/")) s.subdir += "/";
  s.remoteDir = ToForwardSlashes(s.remoteDir);
  if (!EndsWith(s.remoteDir, "/")) s.remoteDir += "/";
}

std::string ProfileDirectory(const std::string& profilesDir, const ProfileSettings& settings) {
  return profilesDir + settings.subdir;
}

Status CheckNewProfileName(const std::string& profilesDir, const std::string& name) {
  if (name.empty()) return Status::Refused(ShowFailure(kWarning, TextId::kEnterProfileName).message());
  // The name becomes a folder name: refuse what would put it elsewhere.
  if (!IsSafeName(name) || Trim(name).empty()) {
    return Status::Refused(ShowFailure(kWarning, TextId::kBadProfileName, {name}).message());
  }
  if (ProfileExists(profilesDir, name)) return Status::Refused(ShowFailure(kWarning, TextId::kProfileExists).message());
  return {};
}

Status CheckServerName(const std::string& server) {
  if (server.empty()) return Status::Refused(ShowFailure(kWarning, TextId::kEnterServer).message());
  if (server.find_first_of("/\\") != std::string::npos)
    return Status::Refused(ShowFailure(kWarning, TextId::kServerSlash).message());
  return {};
}

Status CheckLogin(const std::string& login) {
  if (!login.empty()) return {};
  return Status::Refused(ShowFailure(kWarning, TextId::kEnterLogin).message());
}

Status CheckPassword(const std::string& password) {
  if (!password.empty()) return {};
  return Status::Refused(ShowFailure(kWarning, TextId::kEnterPassword).message());
}

Result<std::string> CheckWizardRemoteDir(const std::string& dir) {
  if (dir.empty()) return Status::Refused(ShowFailure(kWarning, TextId::kEnterRemoteDirectory).message());
  std::string remote = ToForwardSlashes(dir);
  if (!StartsWith(remote, "/")) return Status::Refused(ShowFailure(kWarning, TextId::kRemoteDirectorySlash).message());
  if (!EndsWith(remote, "/")) remote += "/";
  if (!IsPositive(ShowMessage({Icon::Exclamation, Buttons::OkCancel}, TextId::kRemoveAllWarning, {remote}).answer))
    return Status::Cancelled(FormatString(TextId::kRemoveAllWarning, {remote}));
  return remote;
}

std::string ProposedRemoteDir(const std::string& field, const std::string& profileName) {
  return field.empty() ? "/Prefix-WEB-Dir/" + profileName + "/" : field;
}

bool CheckDialogServerName(const std::string& server) {
  if (server.find_first_of("/\\") == std::string::npos) return true;
  ShowMessage(kWarning, TextId::kBadServerName);
  return false;
}

std::optional<std::string> CheckDialogRemoteDir(const std::string& dir) {
  std::string remote = ToForwardSlashes(dir);
  if (!StartsWith(remote, "/")) {
    ShowMessage(kWarning, TextId::kRemoteDirectorySlash);
    return std::nullopt;
  }
  if (!EndsWith(remote, "/")) remote += "/";
  return remote;
}

bool IsValidPreserveEntry(const std::string& entry) {
  if (entry.empty() || Trim(entry).size() != entry.size()) return false;
  std::string_view rest = entry;
  if (rest.size() >= 2 && rest[1] == ':' && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z')))
    rest.remove_prefix(2);
  return rest.find_first_of(":*?\"<>|") == std::string_view::npos;
}

bool CreateProfile(const std::string& profilesDir, ProfileSettings& settings) {
  NormalizePaths(settings);
  const std::string dir = ProfileDirectory(profilesDir, settings);
  for (const char* sub : {"ImageTree/", "albsite/bg/", "albsite/s/", "albsite/m/"}) {
    if (!CreatePath(dir + sub)) break;
  }
  // The settings are written whatever the folders allowed, so that nothing
  // the user entered is lost.
  if (!CreatePath(dir)) return false;
  return WriteProfileReported(profilesDir, settings);
}

Status RenameProfile(const std::string& profilesDir, AppSettings& app, ProfileSettings& settings,
                     const std::string& newName) {
  if (newName == settings.name) return {};
  if (Status checked = CheckNewProfileName(profilesDir, newName); !checked) return checked;
  const std::string oldName = settings.name;
  std::error_code ec;
  fs::rename(profilesDir + oldName, profilesDir + newName, ec);
  if (ec) return Status::SystemError(ec.value());  // the list entry reverts without a message
  settings.name = newName;
  settings.subdir = newName + "/";
  WriteProfileReported(profilesDir, settings);
  app.DeleteKey("Profiles\\" + oldName);
  return {};
}

bool DeleteProfile(const std::string& profilesDir, AppSettings& app, const std::string& name,
                   const std::function<void(const ProfileSettings&)>& removeRemote) {
  if (name.empty() || name.find_first_of("/\\") != std::string::npos || name == "." || name == "..") return false;
  if (!IsPositive(ShowMessage({Icon::Exclamation, Buttons::OkCancel}, TextId::kDeleteProfileQuestion, {name}).answer))
    return false;
  const ProfileSettings snapshot = ReadProfile(profilesDir, name);
  (void)DeleteTree(profilesDir + name + "/");  // what stays was named; the profile goes all the same
  const std::string key = "Profiles\\" + name;
  if (app.KeyExists(key)) app.DeleteKey(key);
  if (IsPositive(
          ShowMessage({Icon::Exclamation, Buttons::OkCancel}, TextId::kRemoveRemoteQuestion, {name, snapshot.remoteDir})
              .answer)) {
    if (removeRemote) {
      removeRemote(snapshot);
    } else {
      ShowMessage({Icon::Information, Buttons::Ok}, TextId::kRemoteRemovalLater, {snapshot.serverName});
    }
  }
  return true;
}

bool ApplyProfileChanges(const std::string& profilesDir, const ProfileSettings& asRead, ProfileSettings& edited) {
  const std::string mark = WholeSyncMarkPath(ProfileDirectory(profilesDir, edited));
  if (edited.php != asRead.php || edited.accessSecurity != asRead.accessSecurity) {
    if (const Status marked = WriteFileAtomically(mark, ""); !marked) {
      ShowSystemError(marked.systemError(), TextId::kCannotWriteNamed, {mark});
      return false;
    }
  }
  NormalizePaths(edited);
  return WriteProfileReported(profilesDir, edited);
}

ProfileSettings SaveEditedProfile(const std::string& profilesDir, const ProfileSettings& asRead,
                                  ProfileSettings edited) {
  if (edited == asRead) return edited;
  if (ShowMessage({Icon::Exclamation, Buttons::YesNo}, TextId::kSaveProfileQuestion).answer != Answer::Yes)
    return asRead;
  ApplyProfileChanges(profilesDir, asRead, edited);
  return edited;
}

}  // namespace albumsmith
