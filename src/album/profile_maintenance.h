#pragma once
// The three maintenance operations on profiles: verifying a profile (its
// derived images brought in step with its images before a whole-profile
// synchronisation), copying a profile, and moving the profiles base
// directory. The profiles dialog, the settings dialog, the processing window
// and the command line all call these; the windows stay with the front ends.
//
// Directories end with "/"; a folder is relative to ImageTree, "" for the
// root and otherwise ending with "/".

#include <atomic>
#include <functional>
#include <string>

#include "store/file_ops.h"
#include "store/profile_settings.h"

namespace albumsmith {

class AppSettings;
class WindowSink;

// One directory tree copied behind the "Copy files" window: the front end
// shows its window titled `title` (its own title when empty), runs
// CopyTreeWithProgress on a worker thread and returns how the copy went; a
// copy the user cancelled counts as failed.
using TreeCopier =
    std::function<Status(const std::string& title, const std::string& source, const std::string& destination)>;

// --- verification ------------------------------------------------------------

// The "Processing" run over every folder of a profile: stale derived files
// are deleted and missing ones made by the image worker's own code, folder
// by folder, each after its subfolders, the ImageTree root last; folders
// named "albsite" are left out. Progress goes to a CopyProgress-shaped window:
// the folder on the first line, the step on the second, the percentage of the
// whole profile on the bar, then the end (kEndSuccess when every folder was
// done, kEndFailure when aborted). Messages do not stop the run.
class ProfileVerification {
 public:
  ProfileVerification(std::string profilesDir, ProfileSettings settings);
  ProfileVerification(const ProfileVerification&) = delete;
  ProfileVerification& operator=(const ProfileVerification&) = delete;

  // The worker thread's body. Returns the end code it reported. Notices
  // about photos that cannot be read go to `notices` when given.
  int Run(CopyProgress& progress, WindowSink* notices = nullptr);

  // The window's Cancel, on any thread: asks kAbortVerification "Abort profile
  // verification" (Yes/No); Yes sets the abort flag, and the run stops before
  // its next image. Returns whether the flag is now set.
  bool ConfirmAbort();
  // Sets the flag without asking (the window closed by other means).
  void Abort() { abort_ = true; }
  bool abortRequested() const { return abort_.load(); }

 private:
  void VerifyFolder(const std::string& folder, size_t index, size_t count, CopyProgress& progress, WindowSink* notices);

  std::string profilesDir_;
  ProfileSettings settings_;
  std::atomic<bool> abort_{false};
};

// --- copying a profile ---------------------------------------------------------
// The dialog checks the new name with CheckNewProfileName; the wizard's
// server, login and remote-directory pages then work on the record
// CopiedProfileSettings returns, with their usual checks.

// The old remote directory without its final "/" characters, then "_copy/":
// "/album/" gives "/album_copy/". The root "/" gives "/_copy/", so that the
// proposal still begins with "/".
std::string CopyRemoteDirProposal(const std::string& remoteDir);

// The original's settings under `newName`, with its own folder, the remote
// directory proposal, and no root or footer file.
ProfileSettings CopiedProfileSettings(const ProfileSettings& original, const std::string& newName);

// After the wizard's finish: creates the new profile's folder with the
// folders every profile has, copies the files lying directly in the old
// profile's folder, writes the new Profile.ini (the original's variables
// kept), then, with `copyImages`, copies the old ImageTree/ through `copier`
// and each folder's image order and comments. Returns false at the first
// failure (each step reports its own); what was done stays.
bool CopyProfile(const std::string& profilesDir, const ProfileSettings& original, ProfileSettings& copy,
                 bool copyImages, const TreeCopier& copier);

// --- moving the profiles base directory --------------------------------------

// The settings dialog's value: a final "/" is added, then "Albumsmith/" unless
// the last directory is already named so (in any letter case). Empty stays
// empty (nothing chosen).
std::string NormalizeProfilesBaseDir(std::string dir);

// Writes "Settings"/"ProfilesDir". Fails without a message of its own.
Status StoreProfilesBaseDir(AppSettings& settings, const std::string& dir);

// Copies every profile of `oldDir` to `newDir` (each through `copier`, titled
// kCopyingProfile "Copying profile %s"); when all succeeded, stores `newDir` as the
// base and only then deletes the old profile folders. When a copy or the
// store fails, the copies made so far are deleted again and `oldDir` stays
// the base. A profile whose destination already exists is a failure (nothing
// there is touched). When both name the same directory there is nothing to
// move: the directory is stored and the call succeeds. A failure carries the
// message shown for it, none when the store failed (nothing is shown then).
Status MoveProfilesBaseDir(AppSettings& settings, const std::string& oldDir, const std::string& newDir,
                           const TreeCopier& copier);

// The settings dialog's OK: normalises `entered`, asks kMoveProfilesTo "Move existing
// profiles to %s" (Yes/No); on Yes moves the profiles. Unless the move
// failed (so also on No) the new directory is stored as the base. Returns the
// base directory in force afterwards; the caller reloads the open profile
// from it when it changed.
std::string ChangeProfilesBaseDir(AppSettings& settings, const std::string& currentDir, const std::string& entered,
                                  const TreeCopier& copier);

}  // namespace albumsmith
