#pragma once
// Synchronisation: publishing a profile's album to its server and keeping the
// remote copy in step with the local site, folder by folder.
//
// A run compares the derived-image trees kept on disk (albsite/m/<folder> and
// albsite/s/<folder>) with their remote copies, removes what is gone, creates
// what is new and uploads what changed; around that it checks (and on request
// installs) the support files, brings the background up to date, uploads the
// folder pages (static sites) or tidies the remote root (PHP sites), then the
// folder tree data dir.js, and saves remdir.dat when every folder succeeded.
//
// A run is a plain function on an owned snapshot: the GUI calls it on a
// worker thread, the command line on its main thread. Questions go through
// the current Prompter (blocking only the calling thread), status and
// progress through a WindowSink. Every FTP failure is shown by the transport;
// the run adds one summary message for the phase that failed.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "publish/dry_run.h"
#include "publish/parallel_transfers.h"
#include "publish/remote_entry.h"
#include "publish/remote_transport.h"
#include "site/folder_properties.h"
#include "store/profile_settings.h"

namespace albumsmith {

class FtpSession;
class WindowSink;

// One folder to publish: its path below ImageTree ("" for the top level, else
// "Trips/2004/") and its settings as they were when the command started.
struct SyncFolderItem {
  std::string folder;
  FolderSettings settings;
};

// Everything a run needs, copied when the command starts so that the window
// may go on changing its own state meanwhile.
struct SyncRequest {
  ProfileSettings profile;              // read afresh from Profile.ini
  std::string profilesDir;              // the profiles base directory, ends with "/"
  std::string dataDir;                  // the program's data directory (templates), ends with "/"
  std::filesystem::path settingsFile;   // the application settings (the PHP entry page's fingerprint)
  bool installConfirmed = false;        // the window's flag: the installation was verified after an install
  std::vector<SyncFolderItem> folders;  // in the order they are published
  bool wholeProfile = false;            // every folder: a success clears the whole-sync mark
  // The text of albsite/js/rights.php (BuildRightsPhp), uploaded last when
  // access security is on.
  std::string rightsPhp;
  // Only plan: read the server, change nothing on it (the clock probe,
  // removed again, aside) nor in the profile, and list what a run would do.
  bool dryRun = false;
};

struct SyncOutcome {
  bool succeeded = false;
  // The window's flag after the run: set once an install was verified.
  bool installConfirmed = false;
  // Seconds, local clock minus server clock, as measured at the start from
  // the listing.
  int clockOffset = 0;
  // The same from the server's exact time of the probe, when the listing
  // gave no seconds and the server tells exact times.
  std::optional<int> exactClockOffset;
  // What the run would have done, for a dry run.
  SyncPlan plan;
};

// A listed time that was given without a year and guessed one year too early
// (the server's clock runs ahead of ours, so a fresh file looked like one
// from the future): when the time one calendar year later falls within the
// day after `reference`, that later time is meant. Exact times (MLSD) and
// times listed with their year are taken as they are.
std::int64_t CorrectedRemoteTime(const RemoteEntry& remote, std::int64_t reference);

// Whether a local file must be uploaded over its remote copy: sizes differ,
// or the local file was written after the remote one (its corrected time
// plus the clock offset). Equal times mean up to date. `now` is the current
// time in seconds since 1970.
bool IsOld(std::int64_t localTime, std::uint64_t localSize, const RemoteEntry& remote, int clockOffset,
           std::int64_t now);

// IsOld for a time listed in steps (LIST gives minutes, or only the date of
// an old file). That time, and the offset measured from another listed time,
// place the upload within a step either way; a local time inside that window
// is judged by the server's exact time of the file (`exactTime`, asked only
// then) against `exactOffset`, the clock offset measured the same way. When
// either is missing, the listed time decides as in IsOld.
bool IsOldListed(std::int64_t localTime, std::uint64_t localSize, const RemoteEntry& remote, int clockOffset,
                 std::int64_t now, std::optional<int> exactOffset,
                 const std::function<std::optional<std::int64_t>()>& exactTime);

// The remote directory of a profile as the run uses it: it begins and ends
// with "/", so an empty one is the server's root.
std::string RemoteRoot(std::string remoteDir);

// Keeps a certificate the user trusted in the profile's file (RemoteTransport::SetPinSaver).
std::function<void(const std::string&)> ProfilePinSaver(const std::string& profilesDir, const std::string& name);

// The run. `stop` may be set from another thread at any time: the run ends
// at the next operation (a transfer in progress is interrupted) through the
// same finish as a failure. Always ends with the status "Ready" and the
// progress bar hidden. Everything goes over `transport`.
SyncOutcome RunSync(const SyncRequest& request, RemoteTransport& transport, WindowSink& sink,
                    const std::atomic<bool>& stop);
// The same, with the uploads and deletions of each step spread over up to
// the profile's `connections`, `transport` among them; `extra` makes the
// others (none when null). A dry run uses `transport` alone.
SyncOutcome RunSync(const SyncRequest& request, RemoteTransport& transport, WindowSink& sink,
                    const std::atomic<bool>& stop, const ConnectionMaker& extra);
// More sessions to the server of `main`, of the same protocol, with its
// time-outs and the certificate or host key it was shown (`main` must
// outlive them).
ConnectionMaker SpareSessions(const RemoteTransport& main, const ProfileSettings& profile);
// The same over a session of its own, made for the profile's protocol.
SyncOutcome RunSync(const SyncRequest& request, WindowSink& sink, const std::atomic<bool>& stop);

}  // namespace albumsmith
