#include "publish/sync_start.h"

#include <vector>

#include "platform/messages.h"
#include "publish/transport_factory.h"
#include "site/folder_properties.h"
#include "site/template.h"
#include "store/directory_tree.h"
#include "store/file_ops.h"
#include "platform/app_settings.h"
#include "store/profiles.h"
#include "store/rights_php.h"

namespace albumsmith {

namespace {

constexpr TextId kTreeNotUpdated = TextId::kTreeNotUpdated;
constexpr TextId kWholeProfileQuestion = TextId::kWholeProfileQuestion;
constexpr TextId kRootNotRemoved = TextId::kRootNotRemoved;

SyncRequest BaseRequest(const SyncEnvironment& env, const ProfileSettings& profile) {
  SyncRequest request;
  request.profile = profile;
  request.profilesDir = env.profilesDir;
  request.dataDir = env.dataDir;
  request.settingsFile = env.settingsFile;
  request.installConfirmed = env.installConfirmed;
  // The users, groups and folder rights as they are when the command starts.
  request.rightsPhp = BuildRightsPhp(profile, AppSettings(env.settingsFile), env.profilesDir);
  return request;
}

// Removes what lies in root + dir ("" or "a/b/") but the preserved paths and
// the directories that lead to them.
bool RemoveAllBut(RemoteTransport& transport, const std::string& root, const std::string& dir,
                  const PreserveList& preserve) {
  RemoteEntryList list;
  if (!transport.ListDir(list, root, dir, IncludeDirs::Yes, Create::No, Ask::No)) return false;
  for (const RemoteEntry& e : list) {
    const std::string path = dir + e.name;
    if (preserve.Keeps(path)) continue;
    bool removed;
    if (!e.isDir) {
      removed = transport.RemoveFile(root + path);
    } else if (preserve.KeepsBelow(path)) {
      removed = RemoveAllBut(transport, root, path + "/", preserve);
    } else {
      removed = transport.RemoveTree(root + path + "/");
    }
    if (!removed) return false;
  }
  return true;
}

// The folders in publishing order: each after its subfolders, the top level last.
std::vector<std::string> FoldersBottomUp(const std::string& profileDir) {
  std::vector<std::string> folders;
  ListDirs(ImageTreePath(profileDir), "", folders);
  return folders;
}

}  // namespace

FolderSyncStart StartFolderSync(const SyncEnvironment& env, const std::string& profileName, const std::string& folder,
                                SyncRequest& request) {
  const ProfileSettings profile = ReadProfile(env.profilesDir, profileName);
  const std::string profileDir = ProfileDirectory(env.profilesDir, profile);
  if (!FileExists(RemdirPath(profileDir)) || FileExists(WholeSyncMarkPath(profileDir))) {
    const Reply reply = ShowMessage({Icon::Exclamation, Buttons::OkCancel}, kTreeNotUpdated);
    return reply.answer == Answer::Ok ? FolderSyncStart::kWholeProfile : FolderSyncStart::kCancelled;
  }
  if (!ConfirmTemplateForPublishing(env.dataDir, profile.templateName)) return FolderSyncStart::kCancelled;
  request = BaseRequest(env, profile);
  request.folders.push_back({folder, ReadFolderSettings(profileDir, folder)});
  return FolderSyncStart::kRun;
}

bool ConfirmProfileSync(const SyncEnvironment& env, const ProfileSettings& profile, bool confirm) {
  if (!ConfirmTemplateForPublishing(env.dataDir, profile.templateName)) return false;
  return !confirm || ShowMessage({Icon::Question, Buttons::OkCancel}, kWholeProfileQuestion).answer == Answer::Ok;
}

SyncRequest ProfileSyncRequest(const SyncEnvironment& env, const ProfileSettings& profile) {
  SyncRequest request = BaseRequest(env, profile);
  request.wholeProfile = true;
  const std::string profileDir = ProfileDirectory(env.profilesDir, profile);
  for (const std::string& folder : FoldersBottomUp(profileDir))
    request.folders.push_back({folder, ReadFolderSettings(profileDir, folder)});
  return request;
}

bool StartProfileSync(const SyncEnvironment& env, const std::string& profileName, bool confirm,
                      const ProfileVerifier& verify, SyncRequest& request) {
  const ProfileSettings profile = ReadProfile(env.profilesDir, profileName);
  if (!ConfirmProfileSync(env, profile, confirm) || !verify(profile)) return false;
  request = ProfileSyncRequest(env, profile);
  return true;
}

void RemoveRemoteProfileWith(RemoteTransport& transport, const ProfileSettings& profile) {
  // The directory the profile publishes to, as the run names it.
  const std::string root = RemoteRoot(profile.remoteDir);
  if (root.find_first_not_of('/') == std::string::npos) {
    ShowMessage({Icon::Exclamation, Buttons::Ok}, kRootNotRemoved, {profile.name});
    return;
  }
  transport.SetProfile(profile);
  if (profile.preserve.entries().empty()) {
    transport.RemoveTree(root);
  } else {
    RemoveAllBut(transport, root, "", profile.preserve);  // the directory stays, holding what is kept
  }
  transport.Disconnect();
}

void RemoveRemoteProfile(const ProfileSettings& profile) { RemoveRemoteProfileWith(*MakeTransport(profile), profile); }

}  // namespace albumsmith
