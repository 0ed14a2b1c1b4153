#include "publish/sync_start.h"

#include <vector>

#include "album/image_list.h"
#include "platform/messages.h"
#include "publish/ftp_session.h"
#include "site/folder_properties.h"
#include "site/template.h"
#include "store/directory_tree.h"
#include "store/file_ops.h"
#include "store/profiles.h"

namespace albumsmith {

namespace {

constexpr std::string_view kTreeNotUpdated =
    "The remote directory tree is not updated.\nA whole profile synchonization will be proceeded.";
constexpr std::string_view kWholeProfileQuestion = "Synchronizing the whole profile may take a while. Go on anyway ?";

SyncRequest BaseRequest(const SyncEnvironment& env, const ProfileSettings& profile) {
  SyncRequest request;
  request.profile = profile;
  request.profilesDir = env.profilesDir;
  request.dataDir = env.dataDir;
  request.settingsFile = env.settingsFile;
  request.installConfirmed = env.installConfirmed;
  return request;
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
    const Reply reply = ShowMessageText({Icon::Exclamation, Buttons::OkCancel}, kTreeNotUpdated);
    return reply.answer == Answer::Ok ? FolderSyncStart::kWholeProfile : FolderSyncStart::kCancelled;
  }
  if (!ConfirmTemplateForPublishing(env.dataDir, profile.templateName)) return FolderSyncStart::kCancelled;
  request = BaseRequest(env, profile);
  request.folders.push_back({folder, ReadFolderSettings(profileDir, folder)});
  return FolderSyncStart::kRun;
}

bool ConfirmProfileSync(const SyncEnvironment& env, const ProfileSettings& profile, bool confirm) {
  if (!ConfirmTemplateForPublishing(env.dataDir, profile.templateName)) return false;
  return !confirm ||
         ShowMessageText({Icon::Question, Buttons::OkCancel}, kWholeProfileQuestion).answer == Answer::Ok;
}

bool VerifyFolder(const ProfileSettings& profile, const std::string& profileDir, const std::string& folder,
                  WindowSink& sink, const WorkerOptions& options) {
  ImageList list(sink);
  if (!list.LoadFolder(profileDir, folder, profile)) return false;
  RunWorker(list, sink, options);
  return true;
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
  transport.SetProfile(profile);
  transport.RemoveTree(profile.remoteDir);
  transport.Disconnect();
}

void RemoveRemoteProfile(const ProfileSettings& profile) {
  FtpSession session;
  RemoveRemoteProfileWith(session, profile);
}

}  // namespace albumsmith
