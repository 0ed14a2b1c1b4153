#include "album/image_worker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "imaging/derived_images.h"
#include "imaging/exif_format.h"
#include "imaging/exif_reader.h"
#include "imaging/stamp_file.h"
#include "imaging/text_stamp.h"
#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/strings.h"
#include "platform/window_sink.h"

namespace albumsmith {

namespace {

constexpr TextId kProcessing = TextId::kProcessingImage;
constexpr TextId kImageCount = TextId::kImageCount;
constexpr TextId kUnreadablePhoto = TextId::kUnreadablePhoto;

// The orientation the camera recorded, so that the derived images come out
// upright. 1 when the file has none or cannot be read (the decode that
// follows reports what is wrong with it).
int OrientationOf(const std::string& imagePath) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  if (!reader.ReadFile(imagePath, ImageData::Skip)) return 1;
  return reader.info().orientation;
}

// Copies the image folder's comment over the thumbnail folder's. A copy that
// already says the same is left alone: the pass runs after every load, and
// rewriting every comment of a large folder each time would cost more than
// the check of all its images.
void CopyComment(const DerivedPaths& paths) {
  const std::optional<std::string> text = ReadWholeFile(paths.comment);
  if (!text) return;
  // The copy is made again on every load, so a failed one is made next time.
  (void)WriteFileIfChanged(paths.commentCopy, *text);
}

class CollectedNotices : public ImagingNotices {
 public:
  void Exclamation(const std::string& text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

void LowerThreadPriority() {
  // On Linux the nice value belongs to the thread, not to the process.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
}

int ThreadCount(const WorkerOptions& options, size_t images) {
  int threads = options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
  threads = std::max(threads, 1);
  return static_cast<int>(std::min<size_t>(static_cast<size_t>(threads), std::max<size_t>(images, 1)));
}

// One pass over a job, shared by its threads. Images are taken up strictly
// in list order (their status and progress posted under the same lock), made
// in parallel, and handed over in list order: a finished image waits in its
// slot until every image before it is done.
class Pass {
 public:
  Pass(WorkerFeed& feed, WindowSink& sink, const WorkerOptions& options, ImageWorkerJob job)
      : feed_(feed), sink_(sink), options_(options), job_(std::move(job)), slots_(job_.fileNames.size()) {}

  // The photos of the pass that could not be read, in list order.
  const std::vector<std::string>& unreadable() const { return unreadable_; }

  // Returns true when the pass went over every image, false when a restart stopped it.
  bool Run() {
    const int threads = ThreadCount(options_, job_.fileNames.size());
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i)
      helpers.emplace_back([this] {
        if (options_.lowPriority) LowerThreadPriority();
        Work();
      });
    Work();
    for (std::thread& t : helpers) t.join();
    return !stopped_;
  }

 private:
  struct Done {
    std::vector<std::string> notices;
    ProcessedImage result;
  };

  std::optional<size_t> Take() {
    std::lock_guard lock(takeMutex_);
    if (stopped_ || next_ >= job_.fileNames.size()) return std::nullopt;
    if (feed_.RestartRequested()) {
      stopped_ = true;
      return std::nullopt;
    }
    const size_t index = next_++;
    sink_.PostStatus(FormatString(kProcessing, {job_.fileNames[index]}));
    sink_.PostProgress(static_cast<int>(job_.fileNames.size()), static_cast<int>(index));
    return index;
  }

  void Work() {
    while (const std::optional<size_t> index = Take()) {
      CollectedNotices notices;
      Done done;
      done.result = ProcessImage(job_, job_.fileNames[*index], notices, static_cast<bool>(options_.onImage));
      done.notices = std::move(notices.texts);
      HandOver(*index, std::move(done));
    }
  }

  void HandOver(size_t index, Done done) {
    std::lock_guard lock(handMutex_);
    slots_[index] = std::move(done);
    while (handed_ < slots_.size() && slots_[handed_]) {
      Done& ready = *slots_[handed_];
      for (const std::string& text : ready.notices) ShowNoticesAtOnce().Exclamation(text);
      if (ready.result.unreadable)
        unreadable_.push_back(FolderDirectories(job_.profileDir, job_.folder).images + job_.fileNames[handed_]);
      if (options_.onImage)
        options_.onImage(ImageDone{handed_, job_.folder, job_.fileNames[handed_], std::move(ready.result)});
      slots_[handed_].reset();
      ++handed_;
    }
  }

  WorkerFeed& feed_;
  WindowSink& sink_;
  const WorkerOptions& options_;
  const ImageWorkerJob job_;

  std::mutex takeMutex_;
  size_t next_ = 0;
  bool stopped_ = false;  // under takeMutex_ while threads run

  std::mutex handMutex_;
  std::vector<std::optional<Done>> slots_;
  size_t handed_ = 0;
  std::vector<std::string> unreadable_;
};

class ImageListFeed : public WorkerFeed {
 public:
  explicit ImageListFeed(ImageList& list) : list_(list) {}
  ImageWorkerJob BeginPass() override { return list_.BeginWorkerPass(); }
  bool RestartRequested() const override { return list_.restartRequested(); }
  bool Finish() override { return list_.FinishWorker(); }

 private:
  ImageList& list_;
};

}  // namespace

DerivedPaths DerivedPathsOf(const std::string& profileDir, const std::string& folder, const std::string& fileName,
                            const ProfileSettings& /*settings*/) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  DerivedPaths p;
  p.image = dirs.images + fileName;
  p.medium = dirs.medium + fileName;
  p.thumbnail = dirs.thumbnails + fileName;
  p.exifPage = dirs.thumbnails + fileName + ".html";
  p.comment = dirs.images + fileName + ".comment";
  p.commentCopy = dirs.thumbnails + fileName + ".comment";
  return p;
}

std::string ExifPageStylePrefix(const std::string& folder) {
  std::string prefix;
  for (char c : folder)
    if (c == '/') prefix += "../";
  return prefix;
}

ProcessedImage ProcessImage(const ImageWorkerJob& job, const std::string& fileName, ImagingNotices& notices,
                            bool keepThumbnail) {
  const DerivedPaths paths = DerivedPathsOf(job.profileDir, job.folder, fileName, job.settings);
  ProcessedImage out;
  out.thumbnailPath = paths.thumbnail;

  // Both checks come before any decoding, so that one decode serves both
  // images when both are due, at the scale the larger one needs.
  const bool mediumDue = !IsUpToDateJpeg(paths.image, paths.medium);
  const bool thumbnailDue = !IsUpToDateJpeg(paths.image, paths.thumbnail);
  DerivedRequest request;
  const std::string stampPath = StampFileOf(paths.image);
  request.maxThumbSize = job.settings.maxThumbSize;
  DecodedPhoto photo;
  bool decoded = false;
  auto decode = [&] {
    request.orientation = OrientationOf(paths.image);
    decoded = photo.Load(paths.image, request, notices);
    // A photo that cannot be opened has had its message; one that opens
    // but does not decode is reported by the pass.
    out.unreadable = !decoded && ::access(paths.image.c_str(), R_OK) == 0;
    return decoded;
  };

  if (mediumDue) {
    request.medium = true;
    request.thumbnail = thumbnailDue;
    const bool stamped = StampWanted(stampPath);
    // An external stamp's band is taken from the box before the picture is
    // reduced, so that picture and band together still fit.
    request.stampBand = stamped ? StampBandOf(stampPath) : 0;
    if (!decode()) return out;
    ImageBuffer medium = photo.Medium(request.stampBand);
    // A stamp that cannot be drawn is reported; the picture still goes out
    // without it rather than not at all.
    if (stamped && !medium.empty() && !DrawStamp(medium, stampPath))
      notices.Exclamation(FormatString(TextId::kTagFileError, {stampPath}));
    if (!SaveJpeg(paths.medium, medium, notices)) {
      notices.Exclamation(FormatString(TextId::kCannotCreateJpegFile, {paths.medium}));
      return out;
    }
  }

  CopyComment(paths);

  if (thumbnailDue) {
    if (!decoded) {
      request.medium = false;
      request.thumbnail = true;
      if (!decode()) return out;
    }
    ImageBuffer thumbnail = photo.Thumbnail(job.settings.maxThumbSize);
    if (!SaveJpeg(paths.thumbnail, thumbnail, notices)) {
      notices.Exclamation(FormatString(TextId::kCannotCreateJpegFile, {paths.thumbnail}));
      return out;
    }
    out.thumbnailMade = true;
    if (keepThumbnail) out.thumbnail = std::move(thumbnail);
  }

  if (IsOlderThanSource(paths.image, paths.exifPage) &&
      !WriteExifPage(paths.image, paths.exifPage, ExifPageStylePrefix(job.folder)))
    notices.Exclamation(FormatString(TextId::kCannotCreateExifFile, {paths.exifPage}));

  out.complete = true;
  return out;
}

void RunWorker(WorkerFeed& feed, WindowSink& sink, const WorkerOptions& options) {
  if (options.lowPriority) LowerThreadPriority();
  for (;;) {
    ImageWorkerJob job = feed.BeginPass();
    const int count = static_cast<int>(job.fileNames.size());
    Pass pass(feed, sink, options, std::move(job));
    if (!pass.Run() || feed.RestartRequested()) continue;
    sink.PostStatus(FormatString(kImageCount, {count}));
    sink.PostProgress(10, -1);
    // After the count, so that the window's status text keeps the last one.
    for (const std::string& path : pass.unreadable()) sink.PostNotice(FormatString(kUnreadablePhoto, {path}));
    if (feed.Finish()) return;
  }
}

void RunWorker(ImageList& list, WindowSink& sink, const WorkerOptions& options) {
  ImageListFeed feed(list);
  RunWorker(feed, sink, options);
}

std::optional<size_t> DeriveFolder(const std::string& profileDir, const std::string& folder,
                                   const ProfileSettings& profile, WindowSink& sink, const WorkerOptions& options) {
  ImageList list(sink);
  if (!list.LoadFolder(profileDir, folder, profile)) return std::nullopt;
  RunWorker(list, sink, options);
  return list.items().size();
}

}  // namespace albumsmith
