#pragma once
// The edits that change which photos a folder holds and in which order:
// import (by dialog, by dropping files and directories), deletion, cut / copy
// / paste between folders with the undo of a paste, and moving one photo in
// the position order. Each edit changes files only; the caller loads the
// folder again, and the load and the image worker bring the derived files in
// step. Messages go through the current Prompter, as every file operation's do.
//
// A profile directory ends with "/"; a folder is "" or ends with "/".

#include <string>
#include <vector>

#include "album/side_files.h"
#include "platform/status.h"
#include "store/file_ops.h"

namespace albumsmith {

class ImageList;

// Where a carried file lives, relative to its folder's directories.
enum class FileGroup {
  kImages,          // the photo, in the image folder
  kImageSideFiles,  // its ".comment" and ".tag" beside it
  kMedium,          // the medium image
  kThumbnails,      // the thumbnail
  kSideFiles,       // ".comment", ".exif" and ".html" in the thumbnail folder
};

struct CarriedFile {
  FileGroup group;
  std::string name;
  std::string image;  // the photo it belongs to
};

// The last Cut or Copy of images. After a paste, a copy of it that names
// what the paste really wrote is kept as the undo record.
struct ImageClipboard {
  enum class Mode { kCopy, kCut };
  Mode mode = Mode::kCopy;
  std::string sourceFolder;
  std::string destinationFolder;           // set when pasted
  std::vector<std::string> imageNames;     // in list order
  std::vector<std::string> sideFileNames;  // thumbnail folder's side files of those images that exist
  // Set by the paste: every file it copied or moved, photos first.
  std::vector<CarriedFile> carried;

  bool isCut() const { return mode == Mode::kCut; }
};

// Records a Cut or Copy of the named photos of a folder.
ImageClipboard MakeClipboard(const std::string& profileDir, const std::string& folder,
                             const std::vector<std::string>& imageNames, ImageClipboard::Mode mode);

struct PasteOutcome {
  ImageClipboard undo;              // what to reverse; undo.imageNames are the photos pasted
  std::vector<std::string> pasted;  // photos copied or moved
  std::vector<std::string> failed;  // photos (or their side files) that could not be
  Status failure;                   // the last failure shown, success when none was
  bool changed() const { return !undo.carried.empty(); }
};

// Copies or moves the record's photos with their medium images, thumbnails
// and side files into its destination folder. A photo that is already there
// is asked about once ("%s already exists. Overwrite ?", with "Don't ask me
// again"); its derived files follow its answer. A cut never replaces a photo.
// A failing photo is named in a message and the others are still done; every
// file is written beside its name and renamed over it, so no photo is ever
// left half written. Pasting into the folder the photos came from does nothing.
PasteOutcome ApplyPaste(const std::string& profileDir, const ImageClipboard& record);

// Reverses a paste from its undo record: a copy's files are deleted from the
// destination, a cut's moved back. Returns the photos that could not be.
std::vector<std::string> UndoPaste(const std::string& profileDir, const ImageClipboard& undo);

// Asks "Delete %d image(s)"; true on OK.
bool ConfirmDeleteImages(int count);
struct DeleteOutcome {
  std::vector<std::string> failed;  // photos that could not be deleted
  Status failure;                   // the last failure shown, success when none was
};
// Deletes the named photos of a folder; a failure shows "Cannot delete file
// %s" and the others are still deleted. Their derived files go at the next
// load.
DeleteOutcome DeleteImages(const std::string& profileDir, const std::string& folder,
                           const std::vector<std::string>& imageNames);

// What was dropped on the window, sorted out.
struct DropSelection {
  std::vector<CopyItem> files;           // JPEG files, with the name each gets
  std::vector<std::string> directories;  // to import as folders
  std::vector<std::string> refused;      // named in a message each
};
// A file is a JPEG by its ".jpg" extension or, failing that, by its first
// two bytes (FF D8); the others are refused with "%s discarded. Only JPEG
// files are accepted". A JPEG without the ".jpg" extension is given it (the
// folder lists only ".jpg" files, so it would otherwise never show).
DropSelection SortDroppedPaths(const std::vector<std::string>& paths);
// Copies the dropped JPEG files into a folder (overwrite question as for
// every copy). False when a copy failed; those before it stay.
bool ImportDroppedFiles(const std::string& profileDir, const std::string& folder, const DropSelection& drop);

// Copies files chosen in the import dialog into a folder: no check of
// their type, as the dialog's filter already chose them.
bool ImportImageFiles(const std::string& profileDir, const std::string& folder, const std::vector<std::string>& files);

// Moving one photo by dragging, in the position order: `dragged` is the
// index of the photo, `target` that of the photo it is dropped on. The photo
// goes just before the target. A drop on itself or on the photo right after
// it changes nothing.
bool DropChangesOrder(int dragged, int target);
// The names after the move; the same names when nothing changes.
std::vector<std::string> MoveBefore(std::vector<std::string> names, int dragged, int target);
// Whether a drag may start: only in the position order, else "Only move
// items in sort-by-position display".
bool CanDragInList(const ImageList& list);
// A drop of the item at display index `dragged` on the one at `target`:
// refused with "Cannot move multiple images" when more than one is selected;
// otherwise the position order changes, the list sorts again and the order
// files are saved. A `target` one past the last item puts the photo at the
// end. True when the order changed.
bool DropInList(ImageList& list, int dragged, int target, int selectedCount);

}  // namespace albumsmith
