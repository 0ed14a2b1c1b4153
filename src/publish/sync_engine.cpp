#include "publish/sync_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "album/side_files.h"
#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "publish/ftp_session.h"
#include "publish/lookahead_transport.h"
#include "publish/parallel_transfers.h"
#include "publish/remote_install.h"
#include "publish/remote_listing.h"
#include "publish/sync_local_files.h"
#include "publish/sync_plan.h"
#include "publish/transport_factory.h"
#include "publish/upload_record.h"
#include "site/guarded_files.h"
#include "site/page_generator.h"
#include "site/template.h"
#include "site/tree_script.h"
#include "site/variables.h"
#include "store/directory_tree.h"
#include "store/file_ops.h"
#include "store/profiles.h"

namespace albumsmith {

namespace {

namespace fs = std::filesystem;

constexpr TextId kCheckingInstallation = TextId::kCheckingInstallation;
constexpr TextId kInstallQuestion = TextId::kInstallQuestion;
constexpr TextId kInstalling = TextId::kInstalling;
constexpr TextId kCannotInstall = TextId::kCannotInstall;
constexpr TextId kSyncingBackground = TextId::kSyncingRemoteBackground;
constexpr TextId kCannotSyncBackground = TextId::kCannotSyncBackground;
constexpr TextId kSyncingDirectory = TextId::kSyncingDirectory;
constexpr TextId kCannotSyncDirectory = TextId::kCannotSyncDirectory;
constexpr TextId kCannotCreateTree = TextId::kCannotCreateRemoteTree;
constexpr TextId kCannotCreateRights = TextId::kCannotCreateRights;
constexpr std::string_view kRightsName = "rights.php";
constexpr TextId kCannotOpenLocalFile = TextId::kCannotOpenLocalFile;
constexpr TextId kCannotCreateFile = TextId::kCannotCreateNamedFile;
constexpr TextId kSyncingFolder = TextId::kSyncingFolder;
constexpr TextId kRemovingDirectory = TextId::kRemovingDirectory;
constexpr TextId kRemovingFile = TextId::kRemovingFile;
constexpr TextId kCreatingDirectory = TextId::kCreatingDirectory;
constexpr TextId kUploadingFile = TextId::kUploadingFile;
constexpr TextId kPreserveQuestion = TextId::kPreserveQuestion;
constexpr TextId kRemoveFileQuestion = TextId::kRemoveFileQuestion;
constexpr TextId kUnpublishable = TextId::kUnpublishable;
constexpr TextId kUploadFileError = TextId::kUploadFileError;
constexpr TextId kShortUpload = TextId::kShortUpload;
// Up to this many uploads to one directory are confirmed with one SIZE each;
// more cost less through one listing (EPSV, TYPE A, MLSD, then TYPE I again).
constexpr size_t kSizeCommandsBeforeListing = 3;

constexpr std::string_view kClockProbe = "datetime.flg";
constexpr std::string_view kSiteDir = "albsite";

void Warn(std::string_view text) { ShowMessageText({Icon::Exclamation, Buttons::Ok}, "%s", {text}); }
void Warn(TextId text) { Warn(LoadString(text)); }

enum class Foreign { kCancel, kPreserved, kRemove };

// "s/Trips/IMG_1.jpg" -> "s/Trips/".
std::string DirOf(const std::string& entry) { return entry.substr(0, entry.rfind('/') + 1); }

std::string ParentFolder(const std::string& folder) {
  if (folder.empty()) return folder;
  const size_t slash = folder.rfind('/', folder.size() - 2);
  return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

class SyncEngine {
 public:
  // `probe` is the server itself; `transport` the same, or a plan over it
  // in a dry run.
  SyncEngine(const SyncRequest& request, RemoteTransport& probe, RemoteTransport& transport, WindowSink& sink,
             const std::atomic<bool>& stop, const ConnectionMaker& extra)
      : request_(request),
        profile_(request_.profile),
        profileDir_(ProfileDirectory(request_.profilesDir, profile_)),
        remoteDir_(RemoteRoot(profile_.remoteDir)),
        probe_(probe),
        lookahead_(transport, !request_.dryRun),
        transport_(lookahead_),
        sink_(sink),
        stop_(stop),
        site_{lookahead_,
              profile_,
              profileDir_,
              remoteDir_,
              TemplateDirectory(request_.dataDir, profile_.templateName),
              request_.settingsFile,
              sink,
              stop} {
    // A dry run records the plan in the order met: one connection.
    if (!request_.dryRun) pool_.emplace(transport_, std::clamp(profile_.connections, 1, 8), extra, stop_);
  }

  SyncOutcome Run() {
    SyncOutcome outcome;
    outcome.installConfirmed = request_.installConfirmed;
    transport_.SetProfile(profile_);
    transport_.SetStopFlag(&stop_);
    // Without remdir.dat the tree starts empty and every folder gets an id
    // as its pages are made.
    tree_.LoadFrom(RemdirPath(profileDir_));
    sent_.Load(UploadRecordPath(profileDir_),
               profile_.protocol + " " + profile_.login + "@" + profile_.serverName + " " + remoteDir_);
    // A server that cannot be reached (or is silent until the time-out) is
    // tried once: every later phase would only try again and wait as long.
    if (transport_.Connect()) {
      // The spare connections log in while the clock is measured. A site
      // published before is most likely all there: they list its
      // directories at once. Otherwise they wait for the root listed for
      // the clock, which tells what is missing.
      bool listingAhead = false;
      spares_ = pool_ && pool_->spareConnections() > 0;
      if (spares_) {
        pool_->Background([this](RemoteTransport& spare) { return lookahead_.ListNextAhead(spare); });
        listingAhead = FileExists(RemdirPath(profileDir_));
        if (listingAhead) ListAhead();
      }
      MeasureClockOffset();
      LearnRoot();
      if (!listingAhead) ListAhead();
      outcome.clockOffset = site_.clockOffset;
      outcome.exactClockOffset = site_.exactClockOffset;
      outcome.succeeded = RunPhases(outcome);
    } else {
      Failed();
    }
    // A failed run may have met a directory of the installation that is
    // gone (an upload refused with 550): the next run checks again.
    if (!outcome.succeeded) outcome.installConfirmed = false;

    // What was sent stays known whether or not the run got to its end.
    // Without the record the next run only compares what it lists.
    if (!request_.dryRun) static_cast<void>(sent_.Save(UploadRecordPath(profileDir_)));

    const std::string ready = LoadString(TextId::kReady);
    sink_.PostProgress(0, -1);
    sink_.PostStatus(ready);
    lookahead_.StopListingAhead();
    if (pool_) pool_->Close();
    transport_.Disconnect();
    transport_.SetStopFlag(nullptr);
    return outcome;
  }

 private:
  std::string Site() const { return remoteDir_ + std::string(kSiteDir) + "/"; }
  bool Stopped() const { return stop_.load(); }
  bool Failed() { return site_.TransportFailure().ok(); }
  void Status(std::string_view text) { sink_.PostStatus(std::string(text)); }
  void Status(TextId text) { sink_.PostStatus(LoadString(text)); }

  bool RunPhases(SyncOutcome& outcome) {
    // An installation verified earlier in the session is trusted only while
    // the root listed for the clock probe still holds it and the entry page
    // is the one installed: a remote emptied by hand, or a changed index.php,
    // is checked (and offered for install) again.
    const bool confirmed = request_.installConfirmed && RootHoldsInstallation(site_, root_);
    if (!confirmed && !CheckAndInstall(outcome)) return false;

    Status(kSyncingBackground);
    if (!SyncBackground(site_)) {
      Warn(kCannotSyncBackground);
      return false;
    }

    Status(kSyncingDirectory);
    for (const SyncFolderItem& item : request_.folders) {
      if (!StageFolderHtml(item)) return false;
      if (!SyncFolder(item)) {
        Warn(kCannotSyncDirectory);
        return false;
      }
    }

    if (!UploadTree()) {
      Warn(kCannotCreateTree);
      return false;
    }
    if (!UploadRights()) {
      Warn(kCannotCreateRights);
      return false;
    }
    return true;
  }

  // The directories the run will list, in the order it lists them, are
  // listed ahead on the spare connections (while they are not busy with a
  // folder's transfers), from the moment the clock was measured:
  // the installation's (checked in most runs), the background's, then each
  // folder's trees, page directory and the page directories above it, and
  // at the end the scripts' for the folder tree.
  void ListAhead() {
    // Always once the spare connections were set to list: they wait for it.
    if (!pool_) return;
    const std::string site = Site();
    std::vector<std::string> dirs = {site, site + "js/", site + "images/", site + "bg/"};
    std::set<std::string> pages;
    for (const SyncFolderItem& item : request_.folders) {
      dirs.push_back(site + "s/" + item.folder);
      dirs.push_back(site + "m/" + item.folder);
      dirs.push_back(remoteDir_ + item.folder);
      pages.insert(item.folder);
      if (profile_.php != 0) continue;
      for (std::string up = item.folder; !up.empty();) {
        up = ParentFolder(up);
        if (!pages.insert(up).second) break;
        dirs.push_back(remoteDir_ + up);
      }
    }
    dirs.push_back(site + "js/");
    lookahead_.ListAhead(dirs);
  }

  // The probe changed the remote root behind the run's back: whatever was
  // listed of it ahead is dropped. Its listing for the probe tells which
  // directories are missing from the start, and, while the run lists ahead,
  // stands for the next listing of the root (the installation check's),
  // with the probe gone again.
  void LearnRoot() {
    lookahead_.Changing({remoteDir_});
    if (!rootListed_) return;
    RemoteEntryList root;
    for (const RemoteEntry& entry : root_)
      if (probe_.KeepsTimes() || entry.name != kClockProbe) root.Append(entry);
    // With nothing listed ahead, the run lists the root again as ever.
    lookahead_.Learn(remoteDir_, root, spares_);
  }

  bool CheckAndInstall(SyncOutcome& outcome) {
    Status(kCheckingInstallation);
    const InstallCheck first = CheckInstallation(site_);
    if (first == InstallCheck::kCurrent) return true;
    // The transport has shown the failure; a stop has nothing to show.
    if (first == InstallCheck::kFailed || Stopped()) return false;
    if (ShowMessage({Icon::Question, Buttons::YesNo}, kInstallQuestion).answer != Answer::Yes) return true;

    Status(kInstalling);
    if (!InstallRemoteSoftware(site_)) {
      Warn(kCannotInstall);
      return false;
    }
    Status(kCheckingInstallation);
    if (CheckInstallation(site_) != InstallCheck::kCurrent) {
      Warn(kCannotInstall);
      return false;
    }
    outcome.installConfirmed = true;
    return true;
  }

  static int ClampedOffset(std::int64_t offset) {
    return static_cast<int>(std::clamp<std::int64_t>(offset, INT_MIN, INT_MAX));
  }

  // The server's clock against ours, from the time the server gives a file
  // we have just written: every later comparison of times adds the offset.
  // A listing in minutes leaves that offset up to a minute out; the server's
  // exact time of the probe, where it tells one, gives it to the second.
  void MeasureClockOffset() {
    site_.clockOffset = 0;
    site_.exactClockOffset.reset();
    if (probe_.KeepsTimes()) {
      // Uploads carry their local times: listed times compare as they are,
      // and the root is listed for the installation check alone.
      root_.Clear();
      rootListed_ = probe_.MakeDirs(remoteDir_, Report::Yes) &&
                    probe_.ListDir(root_, remoteDir_, "", IncludeDirs::Yes, Create::No, Ask::No);
      if (!rootListed_) site_.lastError = probe_.lastError();
      return;
    }
    const std::string probe = ImageTreePath(profileDir_) + std::string(kClockProbe);
    std::ofstream(probe, std::ios::binary | std::ios::trunc).close();
    LocalEntry local;
    const bool haveLocal = ReadLocalFile(probe, local);
    const std::string remote = remoteDir_ + std::string(kClockProbe);

    root_.Clear();
    bool measured = probe_.MakeDirs(remoteDir_, Report::Yes) && probe_.PutFile(probe, remote) &&
                    probe_.ListDir(root_, remoteDir_, "", IncludeDirs::Yes, Create::No, Ask::No);
    if (measured) {
      const int i = root_.Find(kClockProbe);
      if (i >= 0 && haveLocal) {
        const RemoteEntry& listed = root_[static_cast<size_t>(i)];
        site_.clockOffset = ClampedOffset(local.time - CorrectedRemoteTime(listed, local.time));
        std::int64_t exact = 0;
        if (listed.timeStep > 1 && probe_.ExactTime(remote, exact))
          site_.exactClockOffset = ClampedOffset(local.time - exact);
      }
      measured = probe_.RemoveFile(remote);
    }
    if (!measured) site_.lastError = probe_.lastError();
    rootListed_ = measured;  // listed, and the probe gone again
    // The probe goes whatever happened, so that no run leaves it in the album.
    ::unlink(probe.c_str());
  }

  // The folder's own HTML travels beside its thumbnails while it is shown
  // instead of them. The copy carries the time of its source: the folder
  // cleaning of the image list and of the verification removes it, and a
  // copy made again with a new time would be sent again for nothing.
  bool StageFolderHtml(const SyncFolderItem& item) {
    const std::string source = FolderHtmlPath(profileDir_, item.folder);
    const std::string target = FolderDirectories(profileDir_, item.folder).thumbnails + std::string(kFolderHtml);
    if (item.settings.htmlMode != 0 && FileExists(source)) {
      const std::optional<std::string> text = ReadWholeFile(source);
      if (text && ReadWholeFile(target) == text) return true;
      std::error_code ec;
      fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
      if (ec) {
        ShowSystemError(ec.value(), TextId::kCannotCopyTo, {source, target});
        return false;
      }
      LocalEntry made;
      if (ReadLocalFile(source, made)) SetTime(target, made.time);
    } else if (FileExists(target) && ::unlink(target.c_str()) != 0) {
      ShowSystemError(errno, TextId::kCannotDeleteFile, {target});
      return false;
    }
    return true;
  }

  // var.inf carries a folder's title and variables to the PHP library. Like
  // the staged Folder.html it is written only when its text changes and
  // carries the time of what it is made from, Folder.ini (1970 without
  // one, when it is empty), so that writing it again never sends it again.
  void WriteVarInf(const std::string& folder) {
    const std::string path = VarInfPath(profileDir_, folder);
    const std::string text = VarInfText(profileDir_, folder);
    if (ReadWholeFile(path) == text) return;
    // `Status` names this class's status-line helper here.
    if (const albumsmith::Status written = WriteFileAtomically(path, text); !written) {
      ShowSystemError(written.systemError(), kCannotCreateFile, {kVarInf});
      return;
    }
    LocalEntry ini;
    SetTime(path, ReadLocalFile(FolderIniPath(profileDir_, folder), ini) ? ini.time : 0);
  }

  static void SetTime(const std::string& path, std::int64_t seconds) {
    const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  }

  bool SyncFolder(const SyncFolderItem& item) {
    const std::string& folder = item.folder;
    if (profile_.php != 0) WriteVarInf(folder);
    Status(FormatString(kSyncingFolder, {folder}));
    sink_.PostProgress(5, 0);

    RemoteEntryList thumbnails;
    RemoteEntryList medium;
    if (Stopped()) return false;
    if (!transport_.ListDir(thumbnails, Site(), "s/" + folder, IncludeDirs::Yes, Create::Yes, Ask::Yes))
      return Failed();
    if (Stopped()) return false;
    if (!transport_.ListDir(medium, Site(), "m/" + folder, IncludeDirs::Yes, Create::Yes, Ask::No)) return Failed();

    // The folder's page directory is listed with the others, before any
    // upload: the server then switches between listing and sending once.
    std::optional<RemoteEntryList> pages;
    if (profile_.php == 0) {
      if (Stopped() || !ListPageDirectory(folder, pages.emplace())) return Failed();
    }

    FolderPlan work;
    if (!Compare("m/", folder, std::move(medium), work) || !Compare("s/", folder, std::move(thumbnails), work))
      return false;
    if (!work.unpublishable.empty())
      Warn(FormatString(kUnpublishable,
                        {folder, NamesForMessage({work.unpublishable.begin(), work.unpublishable.end()})}));
    if (!Execute(work) || !ConfirmUploads(work)) return false;
    return pages ? StaticPages(folder, *pages) : CleanPhpFolder(folder);
  }

  bool ListPageDirectory(const std::string& folder, RemoteEntryList& list) {
    return transport_.ListDir(list, remoteDir_, folder, IncludeDirs::Yes, Create::Yes, Ask::No);
  }

  // One tree of the folder, planned from its local entries and listing;
  // remote directories that go also leave the folder tree.
  bool Compare(const std::string& tree, const std::string& folder, RemoteEntryList remote, FolderPlan& work) {
    if (Stopped()) return false;
    PlanRules rules;
    rules.guarded = guarded_;
    rules.php = profile_.php != 0;
    rules.renames = renames_;
    rules.clockOffset = site_.clockOffset;
    rules.exactClockOffset = site_.exactClockOffset;
    rules.now = std::time(nullptr);
    const std::string site = Site();
    const std::vector<LocalEntry> local = ReadLocalEntries(profileDir_ + std::string(kSiteDir) + "/" + tree + folder);
    // Where listed times come in minutes, files sent within the minute of
    // their making are judged by their exact time, one question each: on
    // several connections they are all asked first, at once, for the plan
    // to read. The plan is pure, so a first pass with no answers names
    // exactly the files it will ask about.
    std::map<std::string, std::optional<std::int64_t>> exact;
    if (spares_) {
      std::vector<std::string> asked;
      PlanRules recording = rules;
      recording.exactTime = [&](const std::string& remotePath) -> std::optional<std::int64_t> {
        asked.push_back(remotePath);
        return std::nullopt;
      };
      FolderPlan scratch;
      PlanTree(tree, folder, local, remote, recording, scratch);
      std::vector<std::optional<std::int64_t>> answers(asked.size());
      const auto ask = [&](RemoteTransport& t, size_t i) {
        std::int64_t time = 0;
        if (t.ExactTime(site + asked[i], time)) {
          answers[i] = time;
          return true;
        }
        // The server cannot tell: no failure. A spare connection that broke
        // hands the question back.
        return &t == &transport_ || t.lastError() == 0;
      };
      if (!Fan(
              asked.size(), [&](size_t) { return !Stopped(); }, ask))
        return Failed();
      for (size_t i = 0; i < asked.size(); ++i) exact[asked[i]] = answers[i];
    }
    rules.exactTime = [&](const std::string& remotePath) -> std::optional<std::int64_t> {
      if (const auto known = exact.find(remotePath); known != exact.end()) return known->second;
      std::int64_t time = 0;
      if (Stopped() || !transport_.ExactTime(site + remotePath, time)) return std::nullopt;
      return time;
    };
    const size_t gone = work.goneFolders.size();
    PlanTree(tree, folder, local, std::move(remote), rules, work);
    for (size_t i = gone; i < work.goneFolders.size(); ++i) tree_.RemovePath(work.goneFolders[i]);
    return !Stopped();
  }

  bool Execute(const FolderPlan& work) {
    const int total = static_cast<int>(work.size());
    int done = 0;
    const std::string site = Site();
    const std::string local = profileDir_ + std::string(kSiteDir) + "/";
    auto step = [&](TextId format, const std::string& entry) {
      if (Stopped()) return false;
      Status(FormatString(format, {entry}));
      sink_.PostProgress(total, ++done);
      return true;
    };
    for (const std::string& e : work.removeDirs)
      if (!step(kRemovingDirectory, e) || !transport_.RemoveTree(site + e)) return Failed();
    const std::vector<std::string>& gone = work.deleteFiles;
    // The spare connections change these directories: nothing listed of
    // them ahead stands any more.
    std::vector<std::string> changed;
    changed.reserve(gone.size() + work.sentAs.size() + work.indexPages.size());
    for (const std::string& e : gone) changed.push_back(site + DirOf(e));
    for (const std::string& e : work.sentAs) changed.push_back(site + DirOf(e));
    for (const std::string& e : work.indexPages) changed.push_back(site + e);
    lookahead_.Changing(changed);
    if (!Fan(
            gone.size(), [&](size_t i) { return step(kRemovingFile, gone[i]); },
            [&](RemoteTransport& t, size_t i) { return t.RemoveFile(site + gone[i]); }))
      return Failed();
    for (const std::string& e : work.createDirs)
      if (!step(kCreatingDirectory, e) || !transport_.EnterOrCreateDir(site + e, Report::No)) return Failed();
    // The files, then the empty index pages of a protected album.
    const size_t files = work.uploads.size();
    const auto page = [&](size_t i) { return work.indexPages[i - files] + std::string(kDirectoryIndexName); };
    return Fan(
               files + work.indexPages.size(),
               [&](size_t i) { return step(kUploadingFile, i < files ? work.uploads[i] : page(i)); },
               [&](RemoteTransport& t, size_t i) {
                 return i < files ? Upload(t, local + work.uploads[i], work.uploads[i], work.sentAs[i])
                                  : t.PutBuffer(site + page(i), kDirectoryIndexText);
               }) ||
           Failed();
  }

  // Jobs of one step that do not depend on each other: on the run's
  // connections at once, each started (status, progress) once, in order.
  // False when one failed on the run's own connection or a stop came.
  bool Fan(size_t count, const std::function<bool(size_t)>& start,
           const std::function<bool(RemoteTransport&, size_t)>& job) {
    if (pool_) return pool_->Run(count, start, job);
    for (size_t i = 0; i < count; ++i)
      if (!start(i) || !job(transport_, i)) return false;
    return true;
  }

  // A local name and where it is published: a protected album's files get
  // ".php" and the guard's prologue before their bytes.
  std::string RemotePath(const std::string& entry) const { return PublishedPath(entry, guarded_); }
  std::uint64_t PublishedSize(const std::string& entry, std::uint64_t localSize) const {
    return albumsmith::PublishedSize(entry, localSize, guarded_);
  }

  // Sends the local file of `entry` to `remote` (a path below the site).
  // Safe on any of the run's connections: it touches nothing of the run.
  bool Upload(RemoteTransport& t, const std::string& localPath, const std::string& entry,
              const std::string& remote) const {
    if (!guarded_) return t.PutFile(localPath, Site() + remote);
    const Result<std::string> bytes = ReadFileContents(localPath);
    if (!bytes) {
      ShowSystemError(bytes.status().systemError(), kCannotOpenLocalFile, {localPath});
      return false;
    }
    if (!t.PutBuffer(Site() + remote, GuardedContent(DirOf(entry), *bytes))) return false;
    // The guarded copy stands for the local file: it carries its time.
    LocalEntry source;
    return !t.KeepsTimes() || !ReadLocalFile(localPath, source) || t.SetTime(Site() + remote, source.time);
  }

  // Moves a replacement sent under its temporary name over the published
  // copy. A server that refuses renames gets the file under its own name
  // instead (the temporary copy removed), and so does every later one.
  bool MoveIntoPlace(const std::string& sent, const std::string& remote, const std::function<bool()>& putDirectly) {
    if (Stopped()) return false;
    if (transport_.Rename(sent, remote)) return true;
    if (transport_.lastError() != 0) return Failed();
    renames_ = false;
    if (Stopped() || !putDirectly() || !transport_.RemoveFile(sent)) return Failed();
    return true;
  }

  // A page or dir.js made afresh: sent unless the server holds what this
  // profile last sent there (by the record of uploads and the listing of
  // its directory, `listed`).
  bool SendUnlessCurrent(const std::string& remote, const std::string& text, const RemoteEntryList& listed) {
    const int i = listed.Find(FileName(remote));
    if (i >= 0 && sent_.Current(remote, text, listed[static_cast<size_t>(i)])) return true;
    sent_.Forget(remote);
    if (i >= 0 ? !ReplaceBuffer(remote, text) : !(transport_.PutBuffer(remote, text) || Failed())) return false;
    sent_.Sent(remote, text);
    return true;
  }

  // A page, dir.js and the like that replace a published one: sent whole
  // under a temporary name and then moved over it, so that visitors never
  // read it half written.
  bool ReplaceBuffer(const std::string& remote, const std::string& text) {
    if (!renames_) return transport_.PutBuffer(remote, text) || Failed();
    const std::string sent = TemporaryName(remote);
    if (Stopped() || !transport_.PutBuffer(sent, text)) return Failed();
    return MoveIntoPlace(sent, remote, [&] { return transport_.PutBuffer(remote, text); });
  }

  // A server may answer an upload it cut short as if it were whole; the
  // sizes it holds afterwards tell. Each directory's uploads are confirmed
  // by SIZE while that is cheaper than listing the directory again, and by
  // a listing when the server cannot tell sizes that way.
  //
  // Replacements are confirmed under the name they were sent as and only
  // then moved over their published copy: one cut short leaves the old file
  // in place.
  bool ConfirmUploads(const FolderPlan& work) {
    if (request_.dryRun) return true;                       // nothing was sent
    std::map<std::string, std::vector<std::string>> byDir;  // the names sent, by directory
    std::map<std::string, std::string> finalName;           // the name sent -> the entry
    for (size_t i = 0; i < work.uploads.size(); ++i) {
      const std::string& e = work.uploads[i];
      const std::string& sent = work.sentAs[i];
      finalName[sent] = e;
      byDir[e.substr(0, e.rfind('/') + 1)].push_back(sent);
    }
    const std::string site = Site();
    const std::string local = profileDir_ + std::string(kSiteDir) + "/";
    // The directories are asked on the run's connections at once; what
    // they hold is judged afterwards, directory by directory.
    const std::vector<std::pair<std::string, std::vector<std::string>>> dirs(byDir.begin(), byDir.end());
    std::vector<std::map<std::string, std::uint64_t>> helds(dirs.size());  // name sent -> size on the server
    const auto ask = [&](RemoteTransport& t, size_t d) {
      const auto& [dir, entries] = dirs[d];
      std::map<std::string, std::uint64_t>& held = helds[d];
      held.clear();
      bool told = entries.size() <= kSizeCommandsBeforeListing;
      for (size_t i = 0; told && i < entries.size(); ++i) {
        if (Stopped()) return false;
        told = t.FileSize(site + entries[i], held[entries[i]]);
      }
      if (told) return true;
      RemoteEntryList list;
      if (Stopped() || !t.ListDir(list, site, dir, IncludeDirs::No, Create::No, Ask::No)) return false;
      for (const RemoteEntry& r : list) held[dir + r.name] = r.size;
      return true;
    };
    if (!Fan(
            dirs.size(), [&](size_t) { return !Stopped(); }, ask))
      return Failed();
    for (size_t d = 0; d < dirs.size(); ++d) {
      const std::vector<std::string>& entries = dirs[d].second;
      const std::map<std::string, std::uint64_t>& held = helds[d];
      for (const std::string& name : entries) {
        const std::string& e = finalName[name];
        LocalEntry sent;
        if (!ReadLocalFile(local + e, sent)) continue;  // gone since: the next run removes its copy
        const auto it = held.find(name);
        const std::uint64_t size = it == held.end() ? 0 : it->second;
        const std::uint64_t expected = PublishedSize(e, sent.size);
        if (size == expected) continue;
        Warn(FormatString(kUploadFileError, {local + e, site + RemotePath(e)}) + "\r\n\r\n" +
             FormatString(kShortUpload, {size, expected}));
        return false;
      }
    }
    for (const auto& [sent, e] : finalName) {
      const std::string remote = RemotePath(e);
      if (sent == remote) continue;
      const std::string entry = e;  // a lambda may not capture a structured binding before C++20's fix
      if (!MoveIntoPlace(site + sent, site + remote,
                         [&] { return Upload(transport_, local + entry, entry, remote) || Failed(); }))
        return false;
    }
    return true;
  }

  void Preserve(const std::string& path) {
    profile_.preserve.Set(profile_.preserve.str() + "|" + path);
    if (request_.dryRun) return;
    // The file as it stands now, so that settings changed since the run
    // began are not written back over.
    ProfileSettings stored = ReadProfile(request_.profilesDir, profile_.name);
    stored.preserve.Set(stored.preserve.str() + "|" + path);
    WriteProfileReported(request_.profilesDir, stored);
  }

  // A remote entry the album does not account for: kept on the preserve
  // list, or removed after a warning.
  Foreign AskForeign(const std::string& path, bool isDir) {
    const Answer answer = ShowMessage({Icon::Question, Buttons::YesNoCancel}, kPreserveQuestion, {path}).answer;
    if (answer == Answer::Cancel) return Foreign::kCancel;
    if (answer == Answer::Yes) {
      Preserve(path);
      return Foreign::kPreserved;
    }
    const Reply sure = isDir ? ShowMessage({Icon::Exclamation, Buttons::OkCancel}, TextId::kRemoveAllWarning, {path})
                             : ShowMessage({Icon::Exclamation, Buttons::OkCancel}, kRemoveFileQuestion, {path});
    return sure.answer == Answer::Ok ? Foreign::kRemove : Foreign::kCancel;
  }

  bool ReadSkeletons() {
    if (!skeletonsRead_) {
      skeletonsRead_ = true;
      index_ = ReadSkeleton(site_.templateDir + std::string(kIndexSkeleton));
      if (index_) slide_ = ReadSkeleton(site_.templateDir + std::string(kSlideSkeleton));
    }
    return index_ && slide_;
  }

  // A static site's pages: the folder's own, always made again, then those
  // of its ancestors where they have none yet. `list` is the folder's remote
  // directory. An ancestor is looked at once a run, as it has pages after that.
  bool StaticPages(const std::string& folder, const RemoteEntryList& list) {
    bool hasIndex = false;
    if (!CheckPageDirectory(folder, list, hasIndex) || !WritePages(folder, list)) return false;
    pagesSeen_.insert(folder);
    for (std::string up = folder; !up.empty();) {
      up = ParentFolder(up);
      if (!pagesSeen_.insert(up).second) break;
      RemoteEntryList above;
      if (Stopped() || !ListPageDirectory(up, above)) return Failed();
      if (!CheckPageDirectory(up, above, hasIndex)) return false;
      if (!hasIndex && !WritePages(up, above)) return false;
    }
    return true;
  }

  // Directories of a folder's remote directory that are no album folder are
  // asked about; a PHP entry page left at the root goes.
  bool CheckPageDirectory(const std::string& folder, const RemoteEntryList& list, bool& hasIndex) {
    const PagePlan plan = PlanStaticPageDirectory(folder, list, profile_.preserve, [&](const std::string& path) {
      return DirExists(ImageTreePath(profileDir_) + path);
    });
    hasIndex = plan.hasIndex;
    if (!CarryOut(plan)) return false;
    // Every folder the pages reach is in the tree, with its id.
    return folder.empty() || tree_.AddPath(folder);
  }

  // A page directory's plan: removals as they come, each question answered
  // before the next step.
  bool CarryOut(const PagePlan& plan) {
    for (const PageStep& step : plan.steps) {
      if (Stopped()) return false;
      const std::string path = remoteDir_ + step.path;
      if (step.kind == PageStep::Kind::kDelete) {
        if (!transport_.RemoveFile(path)) return Failed();
        continue;
      }
      switch (AskForeign(step.path, step.isDir)) {
        case Foreign::kCancel:
          return false;
        case Foreign::kPreserved:
          break;
        case Foreign::kRemove:
          if (Stopped() || !(step.isDir ? transport_.RemoveTree(path + "/") : transport_.RemoveFile(path)))
            return Failed();
          break;
      }
    }
    return true;
  }

  // `listed` is the folder's remote directory: a page already there is
  // replaced in one step.
  bool WritePages(const std::string& folder, const RemoteEntryList& listed) {
    const CDirectoryTree::Node* node = folder.empty() ? tree_.root() : tree_.AddPath(folder);
    if (!node || !ReadSkeletons()) return false;
    PageContext page;
    page.settings = profile_;
    page.profileDir = profileDir_;
    page.templateDir = site_.templateDir;
    page.folder = folder;
    page.folderId = node->id();
    page.images = ReadFolderSequence(profileDir_, folder);
    std::vector<std::string> children;
    for (const CDirectoryTree::Node& child : node->children()) children.push_back(child.name());
    page.subFolders = ReadFolderCards(profileDir_, folder, children);
    const StaticPageExpander expander(page);
    const std::string dir = remoteDir_ + folder;
    for (const auto& [name, skeleton] : {std::pair{"index.html", &*index_}, std::pair{"slide.html", &*slide_}}) {
      std::string text = *skeleton;
      expander.Expand(text);
      if (Stopped()) return false;
      if (!SendUnlessCurrent(dir + name, text, listed)) return false;
    }
    return true;
  }

  // A PHP site has one page, index.php, at its root: the static pages of an
  // earlier life go quietly, anything else is asked about.
  bool CleanPhpFolder(const std::string& folder) {
    if (Stopped()) return false;
    RemoteEntryList list;
    // Only a missing folder has nothing to clean; a listing that failed
    // (shown by the transport) leaves the folder unknown.
    if (!transport_.ListDir(list, remoteDir_, folder, IncludeDirs::Yes, Create::No, Ask::No))
      return transport_.lastError() == 0 || Failed();
    return CarryOut(PlanPhpPageDirectory(folder, list, profile_.preserve));
  }

  // dir.js for the pages' folder tree, then remdir.dat: the tree the server
  // now has, ids included, for the next run.
  // A protected album's listing names every folder, so it is published
  // guarded like the folders' files (for index.php alone); the form of the
  // other setting goes.
  bool UploadTree() {
    if (Stopped()) return false;
    const std::string text = DirectoryTreeData(profile_.php != 0, profile_.name, tree_.List());
    const std::string name(kTreeScriptName);
    const std::string js = Site() + "js/";
    // A directory of the installation is never made here: a missing one
    // fails the upload below, and the next run checks the installation.
    scripts_.Clear();
    if (!transport_.ListDir(scripts_, Site(), "js/", IncludeDirs::No, Create::No, Ask::No) &&
        transport_.lastError() != 0)
      return Failed();
    if (!(guarded_ ? SendUnlessCurrent(js + GuardedName(name), GuardedContent("js/", text), scripts_)
                   : SendUnlessCurrent(js + name, text, scripts_)))
      return false;
    const std::string other = guarded_ ? name : GuardedName(name);
    if (scripts_.Find(other) >= 0 && (Stopped() || !transport_.RemoveFile(js + other))) return Failed();
    if (request_.dryRun) return true;
    if (!SaveTreeReported(tree_, profileDir_)) return false;
    if (request_.wholeProfile) std::remove(WholeSyncMarkPath(profileDir_).c_str());
    return true;
  }

  // rights.php with access security on; without it, a copy left from when it
  // was on goes, as its password hashes serve nothing any more.
  bool UploadRights() {
    if (Stopped()) return false;
    const std::string path = Site() + "js/" + std::string(kRightsName);
    if (!guarded_) return scripts_.Find(kRightsName) < 0 || transport_.RemoveFile(path) || Failed();
    // No rights text means no one could ever sign in: the run says so
    // rather than publish a protected album nobody can open.
    if (request_.rightsPhp.empty()) return false;
    return transport_.PutBuffer(path, request_.rightsPhp) || Failed();
  }

  SyncRequest request_;
  ProfileSettings& profile_;
  const std::string profileDir_;
  const std::string remoteDir_;
  RemoteTransport& probe_;
  // The run's own connection, which knows what the run learnt of the
  // server's directories and takes the listings made ahead.
  LookaheadTransport lookahead_;
  RemoteTransport& transport_;
  WindowSink& sink_;
  const std::atomic<bool>& stop_;
  RemoteSite site_;
  CDirectoryTree tree_;
  UploadRecord sent_;        // the pages and dir.js this profile last sent
  RemoteEntryList root_;     // the remote root as listed when the clock was measured
  bool rootListed_ = false;  // root_ holds that listing
  RemoteEntryList scripts_;  // albsite/js as listed before dir.js was sent
  const bool guarded_ = IsGuardedSite(profile_);
  std::set<std::string> pagesSeen_;  // folders whose pages this run has made or found
  bool skeletonsRead_ = false;
  bool renames_ = !request_.dryRun;  // the server moves a file over another (off after its first refusal)
  std::optional<std::string> index_;
  std::optional<std::string> slide_;
  std::optional<TransferPool> pool_;  // the run's connections, for the independent transfers of a step
  // The run has spare connections: read once, before their threads start
  // changing the pool's count.
  bool spares_ = false;
};

}  // namespace

std::function<void(const std::string&)> ProfilePinSaver(const std::string& profilesDir, const std::string& name) {
  return [profilesDir, name](const std::string& fingerprint) {
    // The file as it stands now, so that settings changed meanwhile stay.
    ProfileSettings stored = ReadProfile(profilesDir, name);
    stored.fingerprint = fingerprint;
    WriteProfileReported(profilesDir, stored);
  };
}

std::string RemoteRoot(std::string remoteDir) {
  if (remoteDir.empty() || remoteDir.front() != '/') remoteDir.insert(0, "/");
  if (remoteDir.back() != '/') remoteDir += '/';
  return remoteDir;
}

std::int64_t CorrectedRemoteTime(const RemoteEntry& remote, std::int64_t reference) {
  if (!remote.yearInferred) return remote.time;
  const std::int64_t moved = AddOneYear(remote.time);
  return moved > reference && moved < reference + 86400 ? moved : remote.time;
}

bool IsOld(std::int64_t localTime, std::uint64_t localSize, const RemoteEntry& remote, int clockOffset,
           std::int64_t now) {
  if (localSize != remote.size) return true;
  return localTime > CorrectedRemoteTime(remote, now) + clockOffset;
}

bool IsOldListed(std::int64_t localTime, std::uint64_t localSize, const RemoteEntry& remote, int clockOffset,
                 std::int64_t now, std::optional<int> exactOffset,
                 const std::function<std::optional<std::int64_t>()>& exactTime) {
  if (localSize != remote.size || remote.timeStep <= 1 || !exactOffset)
    return IsOld(localTime, localSize, remote, clockOffset, now);
  const std::int64_t listed = CorrectedRemoteTime(remote, now) + clockOffset;
  if (localTime <= listed - remote.timeStep) return false;
  if (localTime >= listed + remote.timeStep) return true;
  const std::optional<std::int64_t> exact = exactTime();
  if (!exact) return IsOld(localTime, localSize, remote, clockOffset, now);
  return localTime > *exact + *exactOffset;
}

SyncOutcome RunSync(const SyncRequest& request, RemoteTransport& transport, WindowSink& sink,
                    const std::atomic<bool>& stop) {
  return RunSync(request, transport, sink, stop, nullptr);
}

SyncOutcome RunSync(const SyncRequest& request, RemoteTransport& transport, WindowSink& sink,
                    const std::atomic<bool>& stop, const ConnectionMaker& extra) {
  if (!request.dryRun) {
    SyncEngine engine(request, transport, transport, sink, stop, extra);
    return engine.Run();
  }
  SyncPlan plan;
  DryRunTransport planned(transport, plan);
  SyncOutcome outcome;
  {
    const PlanningPrompter questions(plan);
    SyncEngine engine(request, transport, planned, sink, stop, nullptr);
    outcome = engine.Run();
  }
  outcome.plan = std::move(plan);
  return outcome;
}

ConnectionMaker SpareSessions(const RemoteTransport& main, const ProfileSettings& profile) {
  return [&main, profile]() -> std::unique_ptr<RemoteTransport> {
    ProfileSettings same = profile;
    // The certificate or host key the run's own connection met and the user
    // trusted, if only for this session: the spare ones ask nobody.
    if (!main.peerFingerprint().empty()) same.fingerprint = main.peerFingerprint();
    std::unique_ptr<RemoteTransport> session = MakeTransport(same);
    if (const auto* ftp = dynamic_cast<const FtpSession*>(&main))
      static_cast<FtpSession&>(*session).SetTimeouts(ftp->timeouts());
    return session;
  };
}

SyncOutcome RunSync(const SyncRequest& request, WindowSink& sink, const std::atomic<bool>& stop) {
  const std::unique_ptr<RemoteTransport> session = MakeTransport(request.profile);
  session->SetPinSaver(ProfilePinSaver(request.profilesDir, request.profile.name));
  return RunSync(request, *session, sink, stop, SpareSessions(*session, request.profile));
}

}  // namespace albumsmith
