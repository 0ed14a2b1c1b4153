#pragma once
// The image list of the folder shown beside the folder tree: its items, the
// four orderings, the cleaning of stale derived files at each load, and the
// hand-over of the loaded folder to the image worker. The Qt view and the
// command line drive this same object; it knows nothing of widgets.
//
// Every method runs on the thread that owns the list (the GUI thread), except
// the ones marked as the worker's, which are thread-safe.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "album/side_files.h"
#include "store/profile_settings.h"

namespace albumsmith {

class WindowSink;

struct ImageItem {
  int position = 0;         // index of the image in the position order
  std::string comment;      // NoCommentText() when the image has none
  std::string dateKey;      // the raw Exif date text, "" when none
  std::string fileName;     // with its extension
  std::string displayDate;  // the Date column's text
};

// The texts of the list columns: 0 comment, 1 date, 2 file name,
// 3 position ("%02d" of position + 1).
std::string ColumnText(const ImageItem& item, int column);
// The detailed list's column titles and starting widths, by column.
std::string ColumnTitle(int column);
inline constexpr int kColumnWidths[] = {300, 120, 150, 100};

// How `a` sorts against `b` (<0, 0, >0) in an ordering, reversed when
// `descending`. An item without record (nullptr) sorts after every item with
// one, whatever the direction.
int CompareImageItems(const ImageItem* a, const ImageItem* b, int ordering, bool descending = false);

// What the image worker needs for one pass over the folder: a copy, so that
// the list may change under it.
struct ImageWorkerJob {
  std::string profileDir;
  std::string folder;
  ProfileSettings settings;
  std::vector<std::string> fileNames;  // in list order at the end of the load
};

class ImageList {
 public:
  enum ListMode : int { kThumbnails = 0, kDetails = 1 };

  explicit ImageList(WindowSink& sink);
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  // Called at the end of a load when no worker runs, with loading() already
  // set; it starts the worker (on its own thread) on this list. Without one,
  // loads never set loading() (the command line, tests).
  using WorkerStarter = std::function<void(ImageList&)>;
  void SetWorkerStarter(WorkerStarter start) { startWorker_ = std::move(start); }

  // Loads a folder: creates its thumbnail and medium folders, reads its
  // order files, deletes derived files that are stale or lost their image,
  // lists its JPEG files, saves the order files when the position order had
  // to change, posts the image count, and hands the folder to the worker.
  // False when a support folder cannot be created (the list is then empty)
  // or the folder path is not acceptable.
  bool LoadFolder(const std::string& profileDir, const std::string& folder, const ProfileSettings& settings);
  // Empties the list (profile closed); a running worker stops at its
  // next image.
  void Clear();

  bool loaded() const { return loaded_; }
  const std::string& profileDir() const { return profileDir_; }
  const std::string& folder() const { return folder_; }
  const ProfileSettings& settings() const { return settings_; }
  FolderDirs dirs() const { return FolderDirectories(profileDir_, folder_); }
  // The items in display order.
  const std::vector<ImageItem>& items() const { return items_; }
  const std::vector<std::string>& positionList() const { return positionList_; }

  int ordering() const { return ordering_; }  // -1 before the first load
  bool ascending() const { return ascending_; }
  int listMode() const { return listMode_; }
  // Switches display mode and sorts again: thumbnails always show ascending.
  void SetListMode(int mode);

  // Makes `index` the ordering (ascending when it changes) and sorts. False
  // for an index that is no ordering.
  bool SetOrdering(int index);
  // Sorts with the current ordering and direction.
  void Sort();
  // Takes the display order as the position order and writes the order
  // files; shows "Cannot create sort file" on failure.
  bool SaveOrder();
  // A click on a column header: refused with a message while the worker
  // runs; the sorted column flips the direction, another one becomes the
  // ordering (and the selector follows); then the order is saved. Returns
  // whether the list was sorted.
  bool ClickColumn(int column);

  // Replaces the position order (reordering by dragging) and renumbers the
  // items from it; the caller sorts and saves.
  void SetPositionOrder(std::vector<std::string> names);

  // The end of an edit of an item's comment: an empty text means no comment.
  // Writes the image folder's .comment file, then the thumbnail folder's.
  bool EditComment(size_t index, const std::string& text);
  // Reads an item's comment and date again (after the worker wrote them).
  bool RefreshItem(const std::string& fileName);

  // --- the worker's side (thread-safe) ------------------------------------
  // Set while a worker runs; read by command enabling.
  bool loading() const { return loading_.load(); }
  // Set by every load; the worker polls it before each image.
  bool restartRequested() const { return restart_.load(); }
  // Begins a pass: clears the restart request and copies the folder's content.
  ImageWorkerJob BeginWorkerPass();
  // At the end of a pass: when no load came in meanwhile, clears loading()
  // and returns true (the worker ends); else returns false (pass again).
  // Done under one lock with the load's check, so no load goes unnoticed.
  bool FinishWorker();

 private:
  void Fill(const FolderDirs& dirs, const std::vector<std::string>& names);
  int PositionOf(const std::string& name);
  void IndexPositions();
  void CleanThumbnails(const FolderDirs& dirs);
  void CleanMedium(const FolderDirs& dirs) const;
  void ReadItemSideFiles(ImageItem& item) const;
  void Publish(std::vector<std::string> fileNames);
  void FailLoad();

  WindowSink& sink_;
  WorkerStarter startWorker_;

  bool loaded_ = false;
  std::string profileDir_;
  std::string folder_;
  ProfileSettings settings_;
  std::vector<ImageItem> items_;
  std::vector<std::string> positionList_;
  std::unordered_map<std::string, int> positionIndex_;  // name -> index in positionList_
  int ordering_ = -1;
  bool ascending_ = true;
  int listMode_ = kThumbnails;
  bool orderDirty_ = false;

  std::atomic<bool> loading_{false};
  std::atomic<bool> restart_{false};
  mutable std::mutex workerMutex_;
  ImageWorkerJob job_;  // what the next pass works on; under workerMutex_
};

}  // namespace albumsmith
