#pragma once
// Starting a synchronisation: what the "Synchronize folder" and
// "Synchronize profile" commands do on the window's thread before the run
// (their questions, the template check, the verification of the derived
// images), building the SyncRequest the run owns; and the removal of a
// deleted profile's remote files.
//
// The window keeps its own state (synchronisation running, stop requested,
// the wait cursor, the image list's loading); these functions only decide
// and build.

#include <filesystem>
#include <functional>
#include <string>

#include "publish/remote_transport.h"
#include "publish/sync_engine.h"
#include "store/profile_settings.h"

namespace albumsmith {

class WindowSink;

// What the window knows that a run needs.
struct SyncEnvironment {
  std::string profilesDir;             // ends with "/"
  std::string dataDir;                 // ProgramDataDirectory()
  std::filesystem::path settingsFile;  // the application settings file
  bool installConfirmed = false;       // the window's flag
};

enum class FolderSyncStart {
  kCancelled,     // a question was answered Cancel: nothing to run
  kWholeProfile,  // the profile was never published: run StartProfileSync without its confirmation
  kRun,           // `request` holds the run
};

// "Synchronize folder": without remdir.dat the remote tree is unknown, and
// with the whole-sync mark the other folders' pages are stale, so the
// whole profile must go first (asked, OK/Cancel); then the template check.
// The request holds the profile read afresh and the one folder ("" for the
// top level, else "Trips/2004/").
FolderSyncStart StartFolderSync(const SyncEnvironment& env, const std::string& profileName, const std::string& folder,
                                SyncRequest& request);

// "Synchronize profile", before the verification: the template check, then
// with `confirm` the question "Synchronizing the whole profile may take a
// while. Go on anyway ?". False: nothing to run.
bool ConfirmProfileSync(const SyncEnvironment& env, const ProfileSettings& profile, bool confirm);

// After the verification: every folder in that same order, each with its
// settings, so that the top level is published last.
SyncRequest ProfileSyncRequest(const SyncEnvironment& env, const ProfileSettings& profile);

// The whole command for front ends without a dialog of their own (the
// command line): profile read by name, ConfirmProfileSync, then `verify`
// (the profile verification: ProfileVerification in the window's
// "Processing" dialog; false when it was aborted), then ProfileSyncRequest.
// False when a question was refused or the verification aborted.
using ProfileVerifier = std::function<bool(const ProfileSettings& profile)>;
bool StartProfileSync(const SyncEnvironment& env, const std::string& profileName, bool confirm,
                      const ProfileVerifier& verify, SyncRequest& request);

// When a profile is deleted and the user asked for its remote files to go:
// the profile's remote directory is removed with everything in it but what
// its preserve list keeps (the directory then stays, holding that). A
// remote directory that is the server's root is refused with a message: it
// holds more than the album. Failures are shown by the transport only. This
// is the callback DeleteProfile takes.
void RemoveRemoteProfile(const ProfileSettings& profile);
void RemoveRemoteProfileWith(RemoteTransport& transport, const ProfileSettings& profile);

}  // namespace albumsmith
