#pragma once
// The image worker: after every folder load it makes the derived files of
// each image of the list (medium image, thumbnail, Exif page, comment copy)
// that are missing or older than their image, reporting progress to the
// main window. Images are made on several threads at once; what the user and
// the list see (status texts, progress, messages, item updates) still comes
// in the order of the list.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "album/image_list.h"
#include "imaging/image_buffer.h"
#include "imaging/jpeg_codec.h"

namespace albumsmith {

class WindowSink;

// The files of one image, from the folder's directories. The medium image
// keeps the picture's name whatever the access setting: a protected album
// is guarded when it is published, not on the disk.
struct DerivedPaths {
  std::string image;
  std::string medium;
  std::string thumbnail;
  std::string exifPage;
  std::string comment;      // in the image folder
  std::string commentCopy;  // in the thumbnail folder
};
DerivedPaths DerivedPathsOf(const std::string& profileDir, const std::string& folder, const std::string& fileName,
                            const ProfileSettings& settings);

// "../" for every level of the folder, so that an Exif page in the
// thumbnail folder reaches the site's style sheet.
std::string ExifPageStylePrefix(const std::string& folder);

// What processing one image leaves for its list item.
struct ProcessedImage {
  bool complete = false;       // every step ran (the image was not skipped)
  bool unreadable = false;     // the photo opened but is empty, cut short or no JPEG
  bool thumbnailMade = false;  // a new thumbnail was written in this call
  std::string thumbnailPath;
  ImageBuffer thumbnail;  // the new thumbnail, when made and asked for
};

// Makes the derived files of one image of `job`'s folder, each only when it
// is missing, not a valid JPEG (images) or not strictly newer than the image:
// medium image, comment copy, thumbnail, Exif page. The photo is decoded at
// most once, and not at all when the medium image and the thumbnail are up
// to date. Messages go to `notices`.
ProcessedImage ProcessImage(const ImageWorkerJob& job, const std::string& fileName,
                            ImagingNotices& notices = ShowNoticesAtOnce(), bool keepThumbnail = false);

// One image done, handed over in list order from a worker thread: the list's
// owner refreshes the item (date, comment, picture) on its own thread.
struct ImageDone {
  size_t index = 0;
  std::string folder;  // the folder of the pass, to tell a stale update from a current one
  std::string fileName;
  ProcessedImage result;
};

struct WorkerOptions {
  // Threads making images; 0 takes one per core of the machine.
  int threads = 0;
  // Runs every thread at the lowest priority, so that the desktop stays
  // responsive while a folder of photos is worked on.
  bool lowPriority = true;
  // Called for every image in list order; may be empty. With it, a new
  // thumbnail is handed over in memory instead of being read back.
  std::function<void(ImageDone&&)> onImage;
};

// What the worker needs from the list it serves. ImageList is one; the
// derive command and the benchmark use others.
class WorkerFeed {
 public:
  virtual ~WorkerFeed() = default;
  // Clears the restart request and returns the folder's content.
  virtual ImageWorkerJob BeginPass() = 0;
  virtual bool RestartRequested() const = 0;
  // True when the worker may end (no restart came in); clears the loading flag.
  virtual bool Finish() = 0;
};

// The worker thread's body: passes over the list until one completes without
// a restart. Each pass posts "Processing %s" and the progress for every image
// as it is taken up, in list order, and stops taking images as soon as a
// restart is asked for; a completed pass posts "%d image(s)", hides the
// progress bar, then posts a notice for each photo that could not be read.
void RunWorker(WorkerFeed& feed, WindowSink& sink, const WorkerOptions& options = {});
void RunWorker(ImageList& list, WindowSink& sink, const WorkerOptions& options = {});

// What showing a folder in the window does to its derived images, for the
// callers without a window: the folder is loaded as the image list loads it
// (stale derived files go) and the worker makes what is missing, on this
// thread. Returns the number of images in the folder, or nothing when the
// folder cannot be loaded.
std::optional<size_t> DeriveFolder(const std::string& profileDir, const std::string& folder,
                                   const ProfileSettings& profile, WindowSink& sink, const WorkerOptions& options = {});

}  // namespace albumsmith
