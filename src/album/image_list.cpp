#include "album/image_list.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/strings.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace {

namespace fs = std::filesystem;

constexpr TextId kCannotSortWhileLoading = TextId::kCannotSortWhileLoading;
constexpr TextId kCannotAddImage = TextId::kBadImageName;
constexpr TextId kImageCount = TextId::kImageCount;

// A derived file is stale when its image is gone or was written at the same
// time as the file or later: deleting it is how the worker is told to make
// it again.
bool IsStale(const std::string& imageDir, const std::string& imageName, const std::string& file) {
  if (!IsSafeName(imageName)) return true;
  const std::string image = imageDir + imageName;
  return !FileExists(image) || IsNewer(image, file);
}

// Side files are removed quietly: one that cannot go is left, and the load
// goes on.
void RemoveQuietly(const std::string& path) { ::unlink(path.c_str()); }

// Whether sort.inf (its names as read at the load) names exactly the listed
// photos, in whatever order.
bool NamesTheSamePhotos(const std::vector<ImageItem>& items, std::vector<std::string> stored) {
  std::vector<std::string> listed;
  listed.reserve(items.size());
  for (const ImageItem& item : items) listed.push_back(item.fileName);
  std::sort(stored.begin(), stored.end());
  std::sort(listed.begin(), listed.end());
  return stored == listed;
}

int CompareNames(const std::string& a, const std::string& b) {
  if (const int c = CompareNoCase(a, b)) return c;
  return a.compare(b) < 0 ? -1 : a == b ? 0 : 1;
}

}  // namespace

std::string ColumnTitle(int column) {
  static constexpr TextId kTitles[] = {TextId::kImageCommentColumn, TextId::kDateColumn, TextId::kFilenameColumn,
                                       TextId::kPositionLabel};
  return (column >= 0 && column < 4) ? LoadString(kTitles[column]) : std::string();
}

std::string ColumnText(const ImageItem& item, int column) {
  switch (column) {
    case kSortByComment:
      return item.comment;
    case kSortByDate:
      return item.displayDate;
    case kSortByFileName:
      return item.fileName;
    case kSortByPosition:
      return Fmt("%02d", {item.position + 1});
    default:
      return {};
  }
}

int CompareImageItems(const ImageItem* a, const ImageItem* b, int ordering, bool descending) {
  if (!a || !b) return a ? -1 : b ? 1 : 0;
  int c = 0;
  switch (ordering) {
    case kSortByComment:
      c = CompareNoCase(a->comment, b->comment);
      if (c == 0) c = CompareNames(a->fileName, b->fileName);
      break;
    case kSortByDate:
      c = CompareNoCase(a->dateKey, b->dateKey);
      break;
    case kSortByFileName:
      c = CompareNames(a->fileName, b->fileName);
      break;
    case kSortByPosition:
      c = (a->position > b->position) - (a->position < b->position);
      break;
    default:
      break;
  }
  return descending ? -c : c;
}

ImageList::ImageList(WindowSink& sink) : sink_(sink) {}

bool ImageList::LoadFolder(const std::string& profileDir, const std::string& folder, const ProfileSettings& settings) {
  // A running worker drops the old content at its next image.
  restart_ = true;
  if (!IsSafeFolder(folder)) {
    FailLoad();
    return false;
  }
  profileDir_ = profileDir;
  folder_ = folder;
  settings_ = settings;
  const FolderDirs d = dirs();
  // CreatePath shows its own message, with the path and the system's reason.
  if (!CreatePath(d.thumbnails) || !CreatePath(d.medium)) {
    FailLoad();
    return false;
  }

  // A fresh list starts by file name; a folder that has a stored ordering
  // replaces it just below.
  if (ordering_ == -1) SetOrdering(kSortByFileName);
  orderDirty_ = false;
  std::vector<std::string> currentOrder;  // sort.inf's names
  const int stored = ReadOrderFiles(profileDir_, folder_, positionList_, false, &currentOrder);
  const bool isNew = stored == -1;
  if (isNew) {
    orderDirty_ = true;
    positionList_.clear();
  } else if (stored >= 0 && stored < kOrderingCount) {
    SetOrdering(stored);
    sink_.PostSortSelector(stored);
  }
  items_.clear();
  IndexPositions();

  CleanThumbnails(d);
  const size_t before = positionList_.size();
  std::erase_if(positionList_, [&](const std::string& name) { return !FileExists(d.images + name); });
  if (positionList_.size() != before) orderDirty_ = true;
  IndexPositions();
  CleanMedium(d);

  std::vector<std::string> files;
  ListFiles(d.images, files);
  std::vector<std::string> names;
  for (const std::string& path : files) {
    std::string name = FileName(path);
    // What an interrupted import left beside a photo's name goes here.
    if (CleanTemporaryFile(d.images, name)) continue;
    if (HasJpgExtension(name)) names.push_back(std::move(name));
  }
  if (isNew) {
    for (const std::string& name : names)
      if (IsSafeName(name)) PositionOf(name);
  }
  Fill(d, names);
  loaded_ = true;

  // Sorted before saving, so that sort.inf holds the order the list shows.
  Sort();
  // The pages are made from sort.inf: a photo added (an import, a copy made
  // outside the program) or gone since it was written makes it out of date.
  if (!orderDirty_) orderDirty_ = !NamesTheSamePhotos(items_, std::move(currentOrder));
  if (orderDirty_) {
    SaveOrder();
    orderDirty_ = false;
  }
  sink_.PostProgress(10, -1);
  sink_.PostStatus(FormatString(kImageCount, {names.size()}));

  std::vector<std::string> shown;
  shown.reserve(items_.size());
  for (const ImageItem& item : items_) shown.push_back(item.fileName);
  Publish(std::move(shown));
  return true;
}

void ImageList::Clear() {
  items_.clear();
  positionList_.clear();
  positionIndex_.clear();
  loaded_ = false;
  folder_.clear();
  Publish({});
}

void ImageList::FailLoad() {
  items_.clear();
  positionList_.clear();
  positionIndex_.clear();
  loaded_ = false;
  // Keeps the worker off a folder whose support folders are missing.
  std::lock_guard lock(workerMutex_);
  job_ = {};
  restart_ = true;
}

void ImageList::Publish(std::vector<std::string> fileNames) {
  bool start = false;
  {
    std::lock_guard lock(workerMutex_);
    job_ = {profileDir_, folder_, settings_, std::move(fileNames)};
    // Set again here, under the lock: a worker that began a pass while the
    // load was half done must pass again over the complete list.
    restart_ = true;
    if (startWorker_ && loaded_ && !loading_) {
      loading_ = true;
      start = true;
    }
  }
  if (start) startWorker_(*this);
}

ImageWorkerJob ImageList::BeginWorkerPass() {
  std::lock_guard lock(workerMutex_);
  restart_ = false;
  return job_;
}

bool ImageList::FinishWorker() {
  std::lock_guard lock(workerMutex_);
  if (restart_) return false;
  loading_ = false;
  return true;
}

void ImageList::IndexPositions() {
  positionIndex_.clear();
  for (size_t i = 0; i < positionList_.size(); ++i) positionIndex_.emplace(positionList_[i], static_cast<int>(i));
}

int ImageList::PositionOf(const std::string& name) {
  auto [it, added] = positionIndex_.emplace(name, static_cast<int>(positionList_.size()));
  if (added) positionList_.push_back(name);
  return it->second;
}

void ImageList::CleanThumbnails(const FolderDirs& d) {
  for (const DirEntry& e : ReadDir(d.thumbnails)) {
    const std::string path = d.thumbnails + e.name;
    if (e.directory) {
      if (!DirExists(d.images + e.name)) (void)DeleteTree(path);  // a failure was named; the load goes on
      continue;
    }
    if (e.name == "sort.inf" || e.name == "sort.pos" || CleanTemporaryFile(d.thumbnails, e.name)) continue;
    const std::string extension = Extension(e.name);
    if (EqualsNoCase(extension, "exif")) {
      RemoveQuietly(path);
      continue;
    }
    std::string image;
    if (EqualsNoCase(extension, "jpg")) {
      // A thumbnail stands for an image the folder had: it keeps its place
      // in the position order while the image is still there.
      image = e.name;
      if (IsSafeName(image)) PositionOf(image);
    } else {
      image = StripExtension(e.name);
    }
    if (IsStale(d.images, image, path)) RemoveQuietly(path);
  }
}

void ImageList::CleanMedium(const FolderDirs& d) const {
  for (const DirEntry& e : ReadDir(d.medium)) {
    const std::string path = d.medium + e.name;
    if (e.directory) {
      if (!DirExists(d.images + e.name)) (void)DeleteTree(path);  // a failure was named; the load goes on
      continue;
    }
    if (CleanTemporaryFile(d.medium, e.name)) continue;
    // A medium image has its picture's name; anything else (such as the
    // "N.php" an earlier release wrote for protected albums) goes.
    if (IsStale(d.images, e.name, path)) RemoveQuietly(path);
  }
}

void ImageList::ReadItemSideFiles(ImageItem& item) const {
  const std::string base = dirs().thumbnails + item.fileName;
  item.comment = ReadComment(base + ".comment");
  item.displayDate = ReadImageDate(base + ".html", item.fileName, item.dateKey);
}

void ImageList::Fill(const FolderDirs& d, const std::vector<std::string>& names) {
  items_.reserve(names.size());
  for (const std::string& name : names) {
    // A name with a control character cannot be written as a line of the
    // order files (nor safely sent to a server). The photo is the user's
    // original: it is left where it is, never deleted for its name.
    if (!IsSafeName(name)) {
      ShowMessage({Icon::Exclamation}, kCannotAddImage, {Printable(d.images + name)});
      continue;
    }
    ImageItem item;
    item.fileName = name;
    item.position = PositionOf(name);
    ReadItemSideFiles(item);
    items_.push_back(std::move(item));
  }
}

void ImageList::SetListMode(int mode) {
  listMode_ = mode;
  Sort();
}

bool ImageList::SetOrdering(int index) {
  if (index < 0 || index >= kOrderingCount) return false;
  if (index != ordering_) {
    ordering_ = index;
    ascending_ = true;
  }
  Sort();
  return true;
}

void ImageList::Sort() {
  if (ordering_ < 0) return;
  // Only the detailed list shows a direction; thumbnails always run ascending.
  const bool descending = listMode_ != kThumbnails && !ascending_;
  std::stable_sort(items_.begin(), items_.end(), [&](const ImageItem& a, const ImageItem& b) {
    return CompareImageItems(&a, &b, ordering_, descending) < 0;
  });
}

bool ImageList::SaveOrder() {
  if (!loaded_) return false;
  positionList_.clear();
  for (const ImageItem& item : items_) positionList_.push_back(item.fileName);
  const bool written = WriteOrderFiles(profileDir_, folder_, positionList_, ordering_);
  IndexPositions();
  if (!written) ShowMessage({Icon::Exclamation}, TextId::kCannotCreateSortFile, {dirs().thumbnails + "sort.inf"});
  return written;
}

bool ImageList::ClickColumn(int column) {
  if (column < 0 || column >= kOrderingCount) return false;
  if (loading_) {
    ShowMessage({Icon::Exclamation}, kCannotSortWhileLoading);
    return false;
  }
  if (column == ordering_) {
    ascending_ = !ascending_;
  } else {
    sink_.PostSortSelector(column);
  }
  SetOrdering(column);
  SaveOrder();
  return true;
}

void ImageList::SetPositionOrder(std::vector<std::string> names) {
  positionList_ = std::move(names);
  IndexPositions();
  for (ImageItem& item : items_) item.position = PositionOf(item.fileName);
}

bool ImageList::EditComment(size_t index, const std::string& text) {
  if (index >= items_.size()) return false;
  ImageItem& item = items_[index];
  const std::string comment = text.empty() ? NoCommentText() : text;
  const FolderDirs d = dirs();
  // The image folder's file is the one kept; the thumbnail folder's copy is
  // what the list and the site read, and the worker copies it again anyway.
  if (!WriteComment(d.images + item.fileName + ".comment", comment)) return false;
  const bool copied = WriteComment(d.thumbnails + item.fileName + ".comment", comment).ok();
  item.comment = comment;
  return copied;
}

bool ImageList::RefreshItem(const std::string& fileName) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const ImageItem& i) { return i.fileName == fileName; });
  if (it == items_.end()) return false;
  it->dateKey.clear();
  ReadItemSideFiles(*it);
  return true;
}

}  // namespace albumsmith
