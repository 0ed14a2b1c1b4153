#include "album/profile_maintenance.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "album/image_worker.h"
#include "album/side_files.h"
#include "imaging/derived_images.h"
#include "platform/app_settings.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "store/profiles.h"

namespace albumsmith {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kBaseDirName = "Albumsmith";

// --- verification ------------------------------------------------------------

// A derived file goes when it stands for no JPEG image, when its image is
// gone, or when the image was written at the same time or later: the worker
// then makes it again.
bool IsStale(const std::string& imageDir, const std::string& imageName, const std::string& file) {
  if (!IsSafeName(imageName) || !HasJpgExtension(imageName)) return true;
  const std::string image = imageDir + imageName;
  return !FileExists(image) || IsNewer(image, file);
}

// The run deletes quietly: a file that cannot go is made again or
// overwritten by the worker, and the run goes on.
void RemoveQuietly(const std::string& path) { ::unlink(path.c_str()); }

// Subdirectories without a folder of the same name go with everything in them.
bool CleanSubdirectory(const FolderDirs& d, const std::string& derivedDir, const DirEntry& e) {
  if (!e.directory) return false;
  if (!DirExists(d.images + e.name)) (void)DeleteTree(derivedDir + e.name);  // a failure was named; cleaning goes on
  return true;
}

// The thumbnail folder keeps the folder's order files, the site's var.inf
// and the comment copies; thumbnails and Exif pages ("N.html") follow their image.
void CleanThumbnailFolder(const FolderDirs& d) {
  for (const DirEntry& e : ReadDir(d.thumbnails)) {
    if (CleanSubdirectory(d, d.thumbnails, e)) continue;
    if (e.name == "sort.inf" || e.name == "sort.pos" || e.name == "var.inf") continue;
    if (CleanTemporaryFile(d.thumbnails, e.name)) continue;
    const std::string extension = Extension(e.name);
    if (EqualsNoCase(extension, "comment")) continue;
    const std::string image = EqualsNoCase(extension, "html") ? StripExtension(e.name) : e.name;
    const std::string path = d.thumbnails + e.name;
    if (IsStale(d.images, image, path)) RemoveQuietly(path);
  }
}

// A medium image has its picture's name whatever the access setting (a
// protected album is guarded as it is published); anything else, such as
// the "N.php" an earlier release wrote for protected albums, goes.
void CleanMediumFolder(const FolderDirs& d) {
  for (const DirEntry& e : ReadDir(d.medium)) {
    if (CleanSubdirectory(d, d.medium, e) || CleanTemporaryFile(d.medium, e.name)) continue;
    const std::string path = d.medium + e.name;
    if (IsStale(d.images, e.name, path)) RemoveQuietly(path);
  }
}

// The first line of the processing window: the folder as the tree shows it.
std::string FolderLine(const std::string& folder) { return "/" + WithoutSlash(folder); }

// One folder's images handed to the image worker. An abort stops the pass
// before its next image; the pass that follows then gets nothing, which ends
// the worker.
class FolderFeed : public WorkerFeed {
 public:
  FolderFeed(ImageWorkerJob job, const std::atomic<bool>& abort) : job_(std::move(job)), abort_(abort) {}
  ImageWorkerJob BeginPass() override {
    if (!abort_) return job_;
    drained_ = true;
    return {job_.profileDir, job_.folder, job_.settings, {}};
  }
  bool RestartRequested() const override { return abort_ && !drained_; }
  bool Finish() override { return true; }

 private:
  const ImageWorkerJob job_;
  const std::atomic<bool>& abort_;
  std::atomic<bool> drained_{false};
};

// Turns what the worker posts into the processing window's second line and
// bar. The worker posts an image's progress as it takes the image up, one
// image at a time, so the step named is the one about to run.
class FolderProgressSink : public WindowSink {
 public:
  FolderProgressSink(CopyProgress& progress, const ImageWorkerJob& job, size_t index, size_t count, WindowSink* notices)
      : progress_(progress),
        job_(job),
        line_(FolderLine(job.folder)),
        index_(index),
        count_(count),
        notices_(notices) {}

  void PostProgress(int maximum, int position) override {
    if (position < 0 || static_cast<size_t>(position) >= job_.fileNames.size()) return;
    const long long images = std::max(maximum, 1);
    progress_.SetPercent(static_cast<int>((static_cast<long long>(index_) * 100 + position * 100LL / images) /
                                          static_cast<long long>(count_)));
    progress_.SetText(line_, StepText(job_.fileNames[static_cast<size_t>(position)]));
  }
  void PostShowFolder(const std::string&) override {}
  void PostStatus(const std::string&) override {}
  void PostSortSelector(int) override {}
  void PostClipboard(bool, int) override {}
  void PostPaste(std::shared_ptr<ImageClipboard>) override {}
  void PostUndoPaste(std::shared_ptr<ImageClipboard>) override {}
  void PostNotice(const std::string& text) override {
    if (notices_) notices_->PostNotice(text);
  }

 private:
  // Asked with the same up-to-date rules the worker applies right after.
  std::string StepText(const std::string& name) const {
    const DerivedPaths paths = DerivedPathsOf(job_.profileDir, job_.folder, name, job_.settings);
    if (!IsUpToDateJpeg(paths.image, paths.medium) || !IsUpToDateJpeg(paths.image, paths.thumbnail))
      return FormatString(TextId::kResampling, {name});
    if (IsOlderThanSource(paths.image, paths.exifPage)) return FormatString(TextId::kExtractingExif, {name});
    return {};
  }

  CopyProgress& progress_;
  const ImageWorkerJob& job_;
  const std::string line_;
  const size_t index_;
  const size_t count_;
  WindowSink* const notices_;
};

// --- moving the base directory -------------------------------------------------

// The directory a path names once links and "." / ".." are resolved, with a
// final "/", so that two spellings of one directory compare equal and a
// prefix test tells whether one lies inside the other.
std::string Resolved(const std::string& dir) {
  std::error_code ec;
  fs::path p = fs::weakly_canonical(fs::absolute(dir, ec), ec);
  if (ec) p = fs::path(dir).lexically_normal();
  return WithSlash(p.string());
}

bool IsWithin(const std::string& inner, const std::string& outer) { return StartsWith(inner, outer); }

// A profile copied into a folder that is itself being moved (or the other
// way round) would be deleted with the old copies, or copy into itself.
bool MoveOverlaps(const std::string& from, const std::string& to, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (IsWithin(to, from + name + "/") || IsWithin(from, to + name + "/")) return true;
  }
  return false;
}

void DeleteCopies(const std::vector<std::string>& copies) {
  for (auto it = copies.rbegin(); it != copies.rend(); ++it) (void)DeleteTree(*it);  // each failure was named
}

}  // namespace

// --- verification ------------------------------------------------------------

ProfileVerification::ProfileVerification(std::string profilesDir, ProfileSettings settings)
    : profilesDir_(std::move(profilesDir)), settings_(std::move(settings)) {}

bool ProfileVerification::ConfirmAbort() {
  if (IsPositive(ShowMessage({Icon::Question, Buttons::YesNo}, TextId::kAbortVerification).answer)) abort_ = true;
  return abort_;
}

int ProfileVerification::Run(CopyProgress& progress, WindowSink* notices) {
  const std::string profileDir = ProfileDirectory(profilesDir_, settings_);
  (void)CreatePath(profileDir + "albsite/bg/");  // a failure was named; the folders are verified all the same
  std::vector<std::string> folders;
  ListDirs(profileDir + "ImageTree/", "", folders);
  // A name the site cannot carry (a control character in it) cannot be
  // published either; its folder is left as it is.
  std::erase_if(folders, [](const std::string& folder) { return !IsSafeFolder(folder); });
  for (size_t i = 0; i < folders.size() && !abort_; ++i) VerifyFolder(folders[i], i, folders.size(), progress, notices);
  const int end = abort_ ? CopyProgress::kEndFailure : CopyProgress::kEndSuccess;
  if (end == CopyProgress::kEndSuccess) progress.SetPercent(100);
  progress.End(end);
  return end;
}

void ProfileVerification::VerifyFolder(const std::string& folder, size_t index, size_t count, CopyProgress& progress,
                                       WindowSink* notices) {
  const std::string profileDir = ProfileDirectory(profilesDir_, settings_);
  const FolderDirs d = FolderDirectories(profileDir, folder);
  progress.SetPercent(static_cast<int>(index * 100 / count));
  progress.SetText(FolderLine(folder), "");
  if (!CreatePath(d.thumbnails) || !CreatePath(d.medium)) return;

  std::vector<std::string> files;
  ListFiles(d.images, files);
  ImageWorkerJob job{profileDir, folder, settings_, {}};
  for (const std::string& path : files) {
    std::string name = FileName(path);
    if (HasJpgExtension(name) && IsSafeName(name)) job.fileNames.push_back(std::move(name));
  }

  CleanThumbnailFolder(d);
  CleanMediumFolder(d);

  FolderFeed feed(job, abort_);
  FolderProgressSink sink(progress, job, index, count, notices);
  WorkerOptions options;
  // The user waits in front of the processing window for this run, so it
  // takes the machine at normal priority, unlike the background worker.
  options.lowPriority = false;
  RunWorker(feed, sink, options);
  if (abort_) return;

  progress.SetText(FolderLine(folder), "");
  // A folder that was never shown gets the order files of a first showing:
  // ordered by file name, its images in name order.
  if (!FileExists(d.thumbnails + "sort.inf")) {
    std::vector<std::string> names = job.fileNames;
    if (!WriteOrderFiles(profileDir, folder, names, kSortByFileName))
      ShowMessage({Icon::Exclamation}, TextId::kCannotCreateSortFile, {d.thumbnails + "sort.inf"});
  }
}

// --- copying a profile ---------------------------------------------------------

namespace {

// Of the thumbnail folders' files, those the user made rather than the
// program: each folder's image order and the images' comments. The
// thumbnails themselves are made again for the copy.
bool CopyUserSideFiles(const std::string& fromProfile, const std::string& toProfile) {
  const std::string from = fromProfile + "albsite/s/";
  const std::string to = toProfile + "albsite/s/";
  std::vector<std::string> folders;
  ListDirs(from, "", folders);
  for (const std::string& folder : folders) {
    std::vector<std::string> files;
    ListFiles(from + folder, files);
    std::erase_if(files, [](const std::string& path) {
      const std::string name = FileName(path);
      return name != "sort.inf" && name != "sort.pos" && !EqualsNoCase(Extension(name), "comment");
    });
    if (files.empty()) continue;
    if (!CreatePath(to + folder) || !CopyFiles(files, to + folder)) return false;
  }
  return true;
}

}  // namespace

std::string CopyRemoteDirProposal(const std::string& remoteDir) {
  std::string dir = remoteDir;
  while (!dir.empty() && dir.back() == '/') dir.pop_back();
  if (dir.empty()) dir = "/";
  return dir + "_copy/";
}

ProfileSettings CopiedProfileSettings(const ProfileSettings& original, const std::string& newName) {
  ProfileSettings copy = original;
  copy.name = newName;
  copy.subdir = newName + "/";
  copy.remoteDir = CopyRemoteDirProposal(original.remoteDir);
  copy.rootFileName.clear();
  copy.footerFileName.clear();
  return copy;
}

bool CopyProfile(const std::string& profilesDir, const ProfileSettings& original, ProfileSettings& copy,
                 bool copyImages, const TreeCopier& copier) {
  NormalizePaths(copy);
  const std::string from = ProfileDirectory(profilesDir, original);
  const std::string to = ProfileDirectory(profilesDir, copy);
  if (!CreatePath(to)) return false;
  for (const char* sub : {"ImageTree/", "albsite/bg/", "albsite/s/", "albsite/m/"})
    if (!CreatePath(to + sub)) return false;

  std::vector<std::string> files;
  ListFiles(from, files);
  // The new Profile.ini is written just below, before the images: a copy
  // that fails half-way must not leave the original's settings (its remote
  // directory above all) under the new name.
  std::erase_if(files, [](const std::string& path) { return FileName(path) == "Profile.ini"; });
  if (!CopyFiles(files, to)) return false;
  if (!WriteProfileReported(profilesDir, copy, ProfileIniPath(profilesDir, original))) return false;

  const std::string images = from + "ImageTree/";
  if (!copyImages || !DirExists(images)) return true;
  return copier(std::string(), images, to + "ImageTree/").ok() && CopyUserSideFiles(from, to);
}

// --- moving the profiles base directory --------------------------------------

std::string NormalizeProfilesBaseDir(std::string dir) {
  if (dir.empty()) return dir;
  dir = WithSlash(std::move(dir));
  const std::string last = FileName(WithoutSlash(dir));
  if (!EqualsNoCase(last, kBaseDirName)) dir += std::string(kBaseDirName) + "/";
  return dir;
}

Status StoreProfilesBaseDir(AppSettings& settings, const std::string& dir) {
  return settings.SetString("Settings", "ProfilesDir", WithSlash(dir)) ? Status::Ok() : Status::Failed();
}

Status MoveProfilesBaseDir(AppSettings& settings, const std::string& oldDir, const std::string& newDir,
                           const TreeCopier& copier) {
  const std::string from = WithSlash(oldDir);
  const std::string to = WithSlash(newDir);
  const std::string resolvedFrom = Resolved(from);
  const std::string resolvedTo = Resolved(to);
  // Copying each profile onto itself and then deleting "the old one" would
  // delete every profile.
  if (resolvedFrom == resolvedTo) return StoreProfilesBaseDir(settings, to);

  const std::vector<std::string> names = ListProfiles(from);
  if (MoveOverlaps(resolvedFrom, resolvedTo, names))
    return ShowSystemFailure(EINVAL, TextId::kCannotCreateDirectory, {WithoutSlash(to)});
  std::vector<std::string> copies;
  for (const std::string& name : names) {
    const std::string destination = to + name + "/";
    // Only what this move made may be deleted again: an entry already there
    // belongs to someone else.
    if (FileExists(WithoutSlash(destination))) {
      Status exists = ShowSystemFailure(EEXIST, TextId::kCannotCreateDirectory, {WithoutSlash(destination)});
      DeleteCopies(copies);
      return exists;
    }
    copies.push_back(destination);
    if (Status copied = copier(FormatString(TextId::kCopyingProfile, {name}), from + name + "/", destination);
        !copied) {
      DeleteCopies(copies);
      return copied;
    }
  }
  // Stored before anything old goes: a base that cannot be recorded would
  // leave the next start looking at an emptied directory.
  if (Status stored = StoreProfilesBaseDir(settings, to); !stored) {
    DeleteCopies(copies);
    return stored;
  }
  for (const std::string& name : names) (void)DeleteTree(from + name + "/");  // the new base holds them all
  return Status::Ok();
}

std::string ChangeProfilesBaseDir(AppSettings& settings, const std::string& currentDir, const std::string& entered,
                                  const TreeCopier& copier) {
  const std::string dir = NormalizeProfilesBaseDir(entered);
  if (dir.empty()) return currentDir;
  if (IsPositive(ShowMessage({Icon::Question, Buttons::YesNo}, TextId::kMoveProfilesTo, {dir}).answer))
    return MoveProfilesBaseDir(settings, currentDir, dir, copier).ok() ? dir : currentDir;
  return StoreProfilesBaseDir(settings, dir).ok() ? dir : currentDir;
}

}  // namespace albumsmith
