#include "publish/remote_install.h"

#include <ctime>
#include <vector>

#include "platform/app_settings.h"
#include "platform/format.h"
#include "platform/strings.h"
#include "platform/window_sink.h"
#include "publish/sync_engine.h"
#include "publish/sync_local_files.h"
#include "site/guarded_files.h"
#include "site/php_index.h"
#include "site/site_text.h"
#include "site/template.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace {

constexpr TextId kSyncingBackground = TextId::kSyncingBackground;
constexpr TextId kRemovingBackground = TextId::kRemovingBackground;
constexpr TextId kUploadingBackground = TextId::kUploadingBackground;

// Created in this order by the install; the check looks for the last five in albsite.
constexpr std::string_view kSkeleton[] = {"albsite/",        "albsite/bg/", "albsite/js/",
                                          "albsite/images/", "albsite/m/",  "albsite/s/"};
constexpr std::string_view kSiteDirs[] = {"bg", "js", "images", "m", "s"};

// The template's interface images: the files of albsite/images, not its subdirectories.
std::vector<LocalEntry> TemplateImages(const std::string& templateDir) {
  std::vector<LocalEntry> files;
  for (LocalEntry& e : ReadLocalEntries(templateDir + std::string(kTemplateImages)))
    if (!e.isDir) files.push_back(std::move(e));
  return files;
}

// A listing that failed: an FTP failure when the transport has a code, else
// a directory that is simply not there.
InstallCheck ListingFailed(RemoteSite& site) {
  static_cast<void>(site.TransportFailure());
  return site.lastError != 0 ? InstallCheck::kFailed : InstallCheck::kOutdated;
}

bool Has(const RemoteEntryList& list, std::string_view name) { return list.Find(name) >= 0; }

// Present, and of the local file's size when there is a local file.
bool SameSize(const RemoteEntryList& list, std::string_view name, const std::string& localPath) {
  const int i = list.Find(name);
  if (i < 0) return false;
  LocalEntry local;
  if (!ReadLocalFile(localPath, local)) return true;
  return list[static_cast<size_t>(i)].size == local.size;
}

InstallCheck Check(RemoteSite& site) {
  RemoteTransport& t = site.transport;
  const std::string& r = site.remoteDir;
  const std::string& d = site.templateDir;

  site.lastError = 0;
  if (site.Stopped()) return InstallCheck::kFailed;
  site.sink.PostProgress(5, 1);
  RemoteEntryList root;
  if (!t.ListDir(root, r, "", IncludeDirs::Yes, Create::No, Ask::No)) return ListingFailed(site);
  if (!RootHoldsInstallation(site, root)) return InstallCheck::kOutdated;

  if (site.Stopped()) return InstallCheck::kFailed;
  site.sink.PostProgress(5, 2);
  RemoteEntryList albsite;
  if (!t.ListDir(albsite, r, "albsite/", IncludeDirs::Yes, Create::No, Ask::No)) return ListingFailed(site);
  for (std::string_view dir : kSiteDirs)
    if (!Has(albsite, dir)) return InstallCheck::kOutdated;

  if (site.Stopped()) return InstallCheck::kFailed;
  site.sink.PostProgress(5, 3);
  RemoteEntryList js;
  if (!t.ListDir(js, r, "albsite/js/", IncludeDirs::Yes, Create::No, Ask::No)) return ListingFailed(site);
  if (!SameSize(js, "album_s.js", d + std::string(kPageScript)) ||
      !SameSize(js, "dtree.js", d + std::string(kTreeWidgetScript)) || !Has(js, "albumsmith.css"))
    return InstallCheck::kOutdated;
  // Every guarded file of a protected album runs the guard: without it the
  // album shows nothing, and an old one may lack what the pages call.
  if (IsGuardedSite(site.profile) && !SameSize(js, "guard.php", d + std::string(kGuardScript)))
    return InstallCheck::kOutdated;

  if (site.Stopped()) return InstallCheck::kFailed;
  site.sink.PostProgress(5, 4);
  RemoteEntryList images;
  if (!t.ListDir(images, r, "albsite/images/", IncludeDirs::Yes, Create::No, Ask::No)) return ListingFailed(site);
  for (const LocalEntry& image : TemplateImages(d)) {
    const int i = images.Find(image.name);
    if (i < 0 || images[static_cast<size_t>(i)].size != image.size) return InstallCheck::kOutdated;
  }

  if (site.Stopped()) return InstallCheck::kFailed;
  site.sink.PostProgress(5, 5);
  // A successful check sends the style sheet when the remote copy differs
  // in size or is older, so that a changed one reaches the site without a
  // reinstall.
  const std::string styleSheet = d + std::string(kStyleSheet);
  const int css = js.Find("albumsmith.css");
  LocalEntry local;
  if (ReadLocalFile(styleSheet, local) && !site.IsOlder(r + std::string(kStyleSheet), local.time, local.size,
                                                        js[static_cast<size_t>(css)], std::time(nullptr)))
    return InstallCheck::kCurrent;
  if (!t.PutFile(styleSheet, r + std::string(kStyleSheet))) {
    static_cast<void>(site.TransportFailure());
    return InstallCheck::kFailed;
  }
  return InstallCheck::kCurrent;
}

}  // namespace

bool RemoteSite::IsOlder(const std::string& remotePath, std::int64_t localTime, std::uint64_t localSize,
                         const RemoteEntry& remote, std::int64_t now) {
  return IsOldListed(localTime, localSize, remote, clockOffset, now, exactClockOffset,
                     [&]() -> std::optional<std::int64_t> {
                       std::int64_t time = 0;
                       if (!transport.ExactTime(remotePath, time)) return std::nullopt;
                       return time;
                     });
}

std::uint32_t IndexFingerprint(std::string_view text) {
  std::uint32_t sum = 0;
  for (size_t i = 0; i < text.size(); ++i)
    sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(text[i]))) *
           static_cast<std::uint32_t>(i);
  return sum;
}

std::string ProfileSettingsKey(const std::string& profileName) { return "Profiles\\" + profileName; }

bool RootHoldsInstallation(const RemoteSite& site, const RemoteEntryList& root) {
  if (!Has(root, "albsite")) return false;
  if (site.profile.php == 0) return true;
  if (!Has(root, "index.php")) return false;
  // The entry page carries the profile's settings and variables and the
  // template's library; a change of any since the install makes it out of date.
  const PhpIndex index = BuildPhpIndex(site.profile, site.profileDir, site.templateDir);
  const AppSettings app(site.settingsFile);
  const auto stored =
      static_cast<std::uint32_t>(app.GetInt(ProfileSettingsKey(site.profile.name), kIndexCheckValue, 0));
  return index.ok && IndexFingerprint(index.text) == stored;
}

InstallCheck CheckInstallation(RemoteSite& site) {
  const InstallCheck result = Check(site);
  site.sink.PostProgress(5, -1);
  return result;
}

Status InstallRemoteSoftware(RemoteSite& site) {
  RemoteTransport& t = site.transport;
  const std::string& r = site.remoteDir;
  const std::string& d = site.templateDir;

  if (site.Stopped()) return Status::Stopped();
  if (!t.MakeDirs(r, Report::Yes)) return site.TransportFailure();
  int position = 0;
  for (std::string_view dir : kSkeleton) {
    if (site.Stopped()) return Status::Stopped();
    site.sink.PostProgress(10, ++position);
    // A directory that exists already is fine; one that cannot be made
    // shows up as a failed upload below.
    t.EnterOrCreateDir(r + std::string(dir), Report::Yes);
  }

  if (site.profile.php != 0) {
    if (site.Stopped()) return Status::Stopped();
    const PhpIndex index = BuildPhpIndex(site.profile, site.profileDir, d);
    if (!index.ok) return Status::Failed();
    site.sink.PostProgress(10, 6);
    if (!t.PutBuffer(r + "index.php", index.text)) return site.TransportFailure();
    AppSettings app(site.settingsFile);
    app.SetInt(ProfileSettingsKey(site.profile.name), kIndexCheckValue, static_cast<int>(IndexFingerprint(index.text)));
  }

  position = 7;
  for (std::string_view file : {kPageScript, kTreeWidgetScript, kStyleSheet}) {
    if (site.Stopped()) return Status::Stopped();
    site.sink.PostProgress(10, position++);
    if (!t.PutFile(d + std::string(file), r + std::string(file))) return site.TransportFailure();
  }
  // A PHP site gets the guard whether or not it is protected now, so that
  // turning protection on needs no second install.
  if (site.profile.php != 0) {
    if (site.Stopped()) return Status::Stopped();
    if (!t.PutFile(d + std::string(kGuardScript), r + std::string(kGuardScript))) return site.TransportFailure();
  }

  site.sink.PostProgress(10, 10);
  for (const LocalEntry& image : TemplateImages(d)) {
    if (site.Stopped()) return Status::Stopped();
    if (!t.PutFile(d + std::string(kTemplateImages) + image.name, r + "albsite/images/" + image.name))
      return site.TransportFailure();
  }
  return Status::Ok();
}

Status SyncBackground(RemoteSite& site) {
  RemoteTransport& t = site.transport;
  const std::string dir = site.remoteDir + "albsite/bg/";

  if (site.Stopped()) return Status::Stopped();
  site.sink.PostStatus(LoadString(kSyncingBackground));
  site.sink.PostProgress(5, 0);
  RemoteEntryList remote;
  if (!t.ListDir(remote, site.remoteDir, "albsite/bg/", IncludeDirs::Yes, Create::Yes, Ask::Yes))
    return site.TransportFailure();

  std::vector<std::string> uploads;
  const std::string background = SettingText(site.profile.background);
  const std::string name = FileName(background);
  if (!background.empty()) {
    const int i = remote.Find(name);
    LocalEntry local;
    if (i < 0) {
      uploads.push_back(name);
    } else {
      // A background that cannot be read is sent anyway: the upload then
      // says what is wrong with it.
      if (!ReadLocalFile(background, local) ||
          site.IsOlder(dir + name, local.time, local.size, remote[static_cast<size_t>(i)], std::time(nullptr)))
        uploads.push_back(name);
      remote.RemoveRange(static_cast<size_t>(i), 1);
    }
  }
  std::vector<std::string> deletions;
  for (const RemoteEntry& e : remote)
    if (!e.isDir) deletions.push_back(e.name);

  const int total = static_cast<int>(deletions.size() + uploads.size());
  int done = 0;
  for (const std::string& file : deletions) {
    if (site.Stopped()) return Status::Stopped();
    site.sink.PostStatus(FormatString(kRemovingBackground, {file}));
    site.sink.PostProgress(total, ++done);
    if (!t.RemoveFile(dir + file)) return site.TransportFailure();
  }
  for (const std::string& file : uploads) {
    if (site.Stopped()) return Status::Stopped();
    site.sink.PostStatus(FormatString(kUploadingBackground, {file}));
    site.sink.PostProgress(total, ++done);
    if (!t.PutFile(background, dir + file)) return site.TransportFailure();
  }
  return Status::Ok();
}

}  // namespace albumsmith
