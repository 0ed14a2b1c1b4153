#include "album/image_edit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "album/image_list.h"
#include "platform/strings.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/unique_fd.h"

namespace albumsmith {

namespace {

constexpr TextId kDeleteImages = TextId::kDeleteImagesQuestion;
constexpr TextId kDiscarded = TextId::kOnlyJpegAccepted;
constexpr TextId kOnlyInPositionOrder = TextId::kOnlyMoveInPositionOrder;
constexpr TextId kCannotMoveMultiple = TextId::kCannotMoveMultiple;

// The side files an image has in the thumbnail folder, and beside it in the
// image folder (its comment and its text stamp, which the user wrote).
constexpr const char* kThumbnailSideSuffixes[] = {".comment", ".exif", ".html"};
constexpr const char* kImageSideSuffixes[] = {".comment", ".tag"};

const std::string& GroupDir(const FolderDirs& dirs, FileGroup group) {
  switch (group) {
    case FileGroup::kImages:
    case FileGroup::kImageSideFiles:
      return dirs.images;
    case FileGroup::kMedium:
      return dirs.medium;
    case FileGroup::kThumbnails:
    case FileGroup::kSideFiles:
      break;
  }
  return dirs.thumbnails;
}

// A derived file is made again from its photo; one standing in the way of a
// carried file, or left from a photo that was replaced, simply goes.
bool IsDerived(FileGroup group) { return group != FileGroup::kImages && group != FileGroup::kImageSideFiles; }

void RemoveQuietly(const std::string& path) { ::unlink(path.c_str()); }

bool StartsLikeJpeg(const std::string& path) {
  const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  unsigned char head[2] = {0, 0};
  const ssize_t got = ::read(fd.get(), head, 2);
  return got == 2 && head[0] == 0xFF && head[1] == 0xD8;
}

// Copies or moves one file of a pasted photo; true when it went.
Status CarryFile(bool cut, const std::string& fromDir, const std::string& toDir, const std::string& name) {
  if (cut) {
    // A move never replaces. The photo was not in the destination (its own
    // move would have been refused), so what stands under this name there
    // belonged to no photo.
    RemoveQuietly(toDir + name);
    return MoveFiles({fromDir + name}, toDir);
  }
  return CopyFilesAs({{fromDir + name, name}}, toDir, true);
}

}  // namespace

ImageClipboard MakeClipboard(const std::string& profileDir, const std::string& folder,
                             const std::vector<std::string>& imageNames, ImageClipboard::Mode mode) {
  ImageClipboard record;
  record.mode = mode;
  record.sourceFolder = folder;
  record.imageNames = imageNames;
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  for (const std::string& name : imageNames) {
    for (const char* suffix : kThumbnailSideSuffixes)
      if (FileExists(dirs.thumbnails + name + suffix)) record.sideFileNames.push_back(name + suffix);
  }
  return record;
}

PasteOutcome ApplyPaste(const std::string& profileDir, const ImageClipboard& record) {
  PasteOutcome out;
  out.undo = record;
  out.undo.imageNames.clear();
  out.undo.sideFileNames.clear();
  out.undo.carried.clear();
  // Into their own folder the photos are already there: a copy would only
  // ask to overwrite each with itself, and its undo would delete them.
  if (record.sourceFolder == record.destinationFolder) return out;
  if (!IsSafeFolder(record.sourceFolder) || !IsSafeFolder(record.destinationFolder)) {
    out.failed = record.imageNames;
    out.failure = Status::Refused();
    return out;
  }
  const FolderDirs from = FolderDirectories(profileDir, record.sourceFolder);
  const FolderDirs to = FolderDirectories(profileDir, record.destinationFolder);
  if (!DirExists(to.images)) {
    out.failure = ShowSystemFailure(ENOENT, TextId::kCannotCopyTo, {from.images, to.images});
    out.failed = record.imageNames;
    return out;
  }
  // The derived folders are made by the destination's load too; a failure
  // here shows its message and the derived files simply do not follow.
  (void)CreatePath(to.thumbnails);
  (void)CreatePath(to.medium);

  const bool cut = record.isCut();
  bool overwriteAll = false;
  for (const std::string& name : record.imageNames) {
    if (!IsSafeName(name)) {
      out.failure = ShowSystemFailure(EINVAL, TextId::kCannotCopyTo, {Printable(from.images + name), to.images});
      out.failed.push_back(name);
      continue;
    }
    // The photo first: its derived files follow only where it went.
    if (cut) {
      if (Status moved = MoveFiles({from.images + name}, to.images); !moved) {
        out.failure = std::move(moved);
        out.failed.push_back(name);
        continue;
      }
    } else {
      if (!overwriteAll && FileExists(to.images + name)) {
        const Reply reply = ShowMessage({Icon::Question, Buttons::OkCancel, true}, TextId::kAlreadyExists, {name});
        if (reply.answer != Answer::Ok) continue;
        if (reply.dontAskAgain) overwriteAll = true;
      }
      if (Status copied = CopyFilesAs({{from.images + name, name}}, to.images, true); !copied) {
        out.failure = std::move(copied);
        out.failed.push_back(name);
        continue;
      }
    }
    out.pasted.push_back(name);
    out.undo.imageNames.push_back(name);
    out.undo.carried.push_back({FileGroup::kImages, name, name});

    // A photo that replaced another must not keep that one's derived files:
    // they are newer than the pasted photo (which keeps its time) and would
    // pass for its own. Both forms of the medium image go for the same reason.
    for (const std::string& stale : {to.medium + name, to.medium + name + ".php"}) RemoveQuietly(stale);
    std::vector<std::pair<FileGroup, std::string>> belonging;
    for (const char* suffix : kImageSideSuffixes) belonging.emplace_back(FileGroup::kImageSideFiles, name + suffix);
    belonging.emplace_back(FileGroup::kMedium, name);
    belonging.emplace_back(FileGroup::kThumbnails, name);
    for (const char* suffix : kThumbnailSideSuffixes) belonging.emplace_back(FileGroup::kSideFiles, name + suffix);

    bool whole = true;
    for (const auto& [group, file] : belonging) {
      const std::string& fromDir = GroupDir(from, group);
      const std::string& toDir = GroupDir(to, group);
      if (!FileExists(fromDir + file)) {
        if (IsDerived(group)) RemoveQuietly(toDir + file);
        continue;
      }
      if (Status carried = CarryFile(cut, fromDir, toDir, file); !carried) {
        out.failure = std::move(carried);
        whole = false;
        continue;
      }
      out.undo.carried.push_back({group, file, name});
      if (group == FileGroup::kSideFiles) out.undo.sideFileNames.push_back(file);
    }
    if (!whole) out.failed.push_back(name);
  }
  return out;
}

std::vector<std::string> UndoPaste(const std::string& profileDir, const ImageClipboard& undo) {
  std::vector<std::string> failed;
  if (!IsSafeFolder(undo.sourceFolder) || !IsSafeFolder(undo.destinationFolder)) return undo.imageNames;
  const FolderDirs source = FolderDirectories(profileDir, undo.sourceFolder);
  const FolderDirs pasted = FolderDirectories(profileDir, undo.destinationFolder);
  std::string skipping;  // a photo that stays where it is keeps its files with it
  for (const CarriedFile& file : undo.carried) {
    if (file.image == skipping) continue;
    const std::string& at = GroupDir(pasted, file.group);
    bool done = false;
    if (undo.isCut()) {
      const std::string& back = GroupDir(source, file.group);
      if (IsDerived(file.group)) RemoveQuietly(back + file.name);
      done = MoveFiles({at + file.name}, back).ok();
    } else {
      done = DeleteFileReported(at + file.name).ok();
    }
    if (done) continue;
    if (failed.empty() || failed.back() != file.image) failed.push_back(file.image);
    if (file.group == FileGroup::kImages) skipping = file.image;
  }
  return failed;
}

bool ConfirmDeleteImages(int count) {
  return ShowMessage({Icon::Question, Buttons::OkCancel}, kDeleteImages, {count}).answer == Answer::Ok;
}

DeleteOutcome DeleteImages(const std::string& profileDir, const std::string& folder,
                           const std::vector<std::string>& imageNames) {
  DeleteOutcome out;
  if (!IsSafeFolder(folder)) {
    out.failed = imageNames;
    out.failure = Status::Refused();
    return out;
  }
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  for (const std::string& name : imageNames) {
    int err = 0;
    if (!IsSafeName(name)) {
      err = EINVAL;
    } else if (::unlink((dirs.images + name).c_str()) != 0) {
      err = errno;
    }
    if (err == 0) continue;
    out.failure = ShowSystemFailure(err, TextId::kCannotDeleteFile, {Printable(name)});
    out.failed.push_back(name);
  }
  return out;
}

DropSelection SortDroppedPaths(const std::vector<std::string>& paths) {
  DropSelection drop;
  for (const std::string& path : paths) {
    const std::string bare = WithoutSlash(path);
    const std::string name = FileName(bare);
    struct stat st;
    const bool exists = ::stat(bare.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
      drop.directories.push_back(bare);
    } else if (exists && S_ISREG(st.st_mode) && HasJpgExtension(name)) {
      drop.files.push_back({bare, name});
    } else if (exists && S_ISREG(st.st_mode) && StartsLikeJpeg(bare)) {
      drop.files.push_back({bare, StripExtension(name) + ".jpg"});
    } else {
      ShowMessage({Icon::Exclamation}, kDiscarded, {Printable(name)});
      drop.refused.push_back(bare);
    }
  }
  return drop;
}

bool ImportDroppedFiles(const std::string& profileDir, const std::string& folder, const DropSelection& drop) {
  if (drop.files.empty()) return true;
  return CopyFilesAs(drop.files, FolderDirectories(profileDir, folder).images).ok();
}

bool ImportImageFiles(const std::string& profileDir, const std::string& folder, const std::vector<std::string>& files) {
  if (files.empty()) return true;
  return CopyFiles(files, FolderDirectories(profileDir, folder).images).ok();
}

bool DropChangesOrder(int dragged, int target) {
  return dragged >= 0 && target >= 0 && target != dragged && target != dragged + 1;
}

std::vector<std::string> MoveBefore(std::vector<std::string> names, int dragged, int target) {
  const int count = static_cast<int>(names.size());
  // A target one past the last image puts the photo at the end.
  if (!DropChangesOrder(dragged, target) || dragged >= count || target > count) return names;
  std::string moved = std::move(names[static_cast<size_t>(dragged)]);
  names.erase(names.begin() + dragged);
  names.insert(names.begin() + (dragged < target ? target - 1 : target), std::move(moved));
  return names;
}

bool CanDragInList(const ImageList& list) {
  if (list.ordering() == kSortByPosition) return true;
  ShowMessage({Icon::Exclamation}, kOnlyInPositionOrder);
  return false;
}

bool DropInList(ImageList& list, int dragged, int target, int selectedCount) {
  const auto& items = list.items();
  const int count = static_cast<int>(items.size());
  if (list.ordering() != kSortByPosition || dragged < 0 || dragged >= count || target < 0 || target > count)
    return false;
  if (selectedCount > 1) {
    ShowMessage({Icon::Exclamation}, kCannotMoveMultiple);
    return false;
  }
  if (!DropChangesOrder(dragged, target)) return false;
  // The list shows the position order; the positions say where each item
  // stands in it whichever way the list runs.
  std::vector<std::string> order = list.positionList();
  const auto indexOf = [&order](const std::string& name) {
    return static_cast<int>(std::find(order.begin(), order.end(), name) - order.begin());
  };
  const int from = indexOf(items[static_cast<size_t>(dragged)].fileName);
  const int onto =
      target == count ? static_cast<int>(order.size()) : indexOf(items[static_cast<size_t>(target)].fileName);
  if (from >= static_cast<int>(order.size()) || onto > static_cast<int>(order.size())) return false;
  list.SetPositionOrder(MoveBefore(std::move(order), from, onto));
  list.Sort();
  list.SaveOrder();
  return true;
}

}  // namespace albumsmith
