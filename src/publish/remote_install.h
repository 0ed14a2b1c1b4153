#pragma once
// The support files a published album needs on the server besides its images
// and pages: the albsite skeleton, the scripts and style sheet, the
// interface images and, for a PHP site, the entry page index.php. Checking
// that they are there and current, installing them, and keeping the remote
// background in step with the profile's "Background" setting.
//
// These run inside a synchronisation, on its transport, and fail at once,
// without a message of their own, when the stop flag is set before a step.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "publish/remote_entry.h"
#include "platform/status.h"
#include "publish/remote_transport.h"
#include "store/profile_settings.h"

namespace albumsmith {

class WindowSink;

// What a synchronisation shares with the installation: where things are and
// what the last FTP failure was.
struct RemoteSite {
  RemoteTransport& transport;
  const ProfileSettings& profile;
  std::string profileDir;              // ends with "/"
  std::string remoteDir;               // R: begins and ends with "/"
  std::string templateDir;             // ends with "/"
  std::filesystem::path settingsFile;  // application settings: "IndexCheck" of "Profiles\<name>"
  WindowSink& sink;
  const std::atomic<bool>& stop;
  int clockOffset = 0;                    // local minus server, seconds
  std::optional<int> exactClockOffset{};  // the same to the second, when listings give minutes
  int lastError = 0;                      // the code of the last failed FTP operation, 0 when none

  bool Stopped() const { return stop.load(); }
  // Whether the remote copy `remote` at `remotePath` is older than a local
  // file of that time and size (IsOldListed with this site's offsets).
  bool IsOlder(const std::string& remotePath, std::int64_t localTime, std::uint64_t localSize,
               const RemoteEntry& remote, std::int64_t now);
  // The transport's last failure as a Status, its code kept in lastError.
  // The transport has shown the message already.
  Status TransportFailure() {
    lastError = transport.lastError();
    return Status::Failed();
  }
};

enum class InstallCheck {
  kCurrent,   // present and current
  kOutdated,  // something is missing or different: offer the install
  kFailed,    // an FTP operation failed (shown) or a stop was asked for
};

// Lists the remote root, albsite, albsite/js and albsite/images and compares
// names and sizes (never times) with the template; a PHP site's index.php
// must also be the one the template makes now (by its fingerprint). A
// successful check uploads the style sheet when the remote copy is older or
// of another size.
InstallCheck CheckInstallation(RemoteSite& site);

// Whether the remote root, as listed in `root`, still holds what an install
// put there: albsite and, for a PHP site, index.php as the template and the
// profile (its settings and variables) make it now, by the fingerprint the
// install stored. The installation check starts with this; a run also asks
// it before it trusts an installation verified earlier in the session.
bool RootHoldsInstallation(const RemoteSite& site, const RemoteEntryList& root);

// Creates the skeleton and uploads index.php (PHP, storing its fingerprint),
// album_s.js, dtree.js, albumsmith.css and every template image. A failed
// transfer (already shown by the transport) is kFailed, a stop kStopped.
Status InstallRemoteSoftware(RemoteSite& site);

// Uploads the profile's background to albsite/bg/ when it is missing there or
// older, and removes every other file of that directory. Fails like
// InstallRemoteSoftware.
Status SyncBackground(RemoteSite& site);

// The fingerprint of an index.php text: the 32-bit sum, wrapping, of each
// byte taken as a signed 8-bit number times its position from 0.
std::uint32_t IndexFingerprint(std::string_view text);
// The application settings key that holds a profile's "IndexCheck".
std::string ProfileSettingsKey(const std::string& profileName);
inline constexpr std::string_view kIndexCheckValue = "IndexCheck";

}  // namespace albumsmith
