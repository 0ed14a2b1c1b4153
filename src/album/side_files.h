#pragma once
// The side files of a folder and of its images: sort.inf and sort.pos (the
// folder's ordering and its two name orders), the ".comment" files, and the
// Exif rows file from which the list reads an image's date and proportions.
// One reader/writer pair per format; the image list, site generation and the
// image viewer all go through these.
//
// A profile directory ends with "/"; a folder is relative to ImageTree, is ""
// for the root and otherwise ends with "/".

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace albumsmith {

// The comment an image shows when it has none, in English.
inline constexpr std::string_view kNoComment = "Enter your comment";
// The same in the current language.
std::string NoCommentText();
// Whether a comment is the "none" text, in English or in the current
// language: saving either one removes the comment.
bool IsNoComment(std::string_view text);

// The orderings of the list; the index is also the list column sorted.
enum Ordering : int {
  kSortByComment = 0,
  kSortByDate = 1,
  kSortByFileName = 2,
  kSortByPosition = 3,
};
inline constexpr int kOrderingCount = 4;

// The three directories of one folder, each ending with "/".
struct FolderDirs {
  std::string images;      // profile + "ImageTree/" + folder
  std::string thumbnails;  // profile + "albsite/s/" + folder
  std::string medium;      // profile + "albsite/m/" + folder
};
FolderDirs FolderDirectories(const std::string& profileDir, const std::string& folder);

// "" or safe names each followed by "/".
bool IsSafeFolder(std::string_view folder);
// Whether the name ends with ".jpg" in any letter case.
bool HasJpgExtension(std::string_view name);

// Reads the thumbnail folder's sort.inf. With `currentOrder` the names are
// those of sort.inf; without it those of sort.pos, or of sort.inf when
// sort.pos cannot be read. Returns -1 when sort.inf cannot be read or is
// empty (`names` then empty), else the number on its first line (0 when it
// has none). Lines lose their trailing white space; unsafe names and repeats
// are left out. `currentNames`, when given, also receives the names of
// sort.inf, so that a caller reading the position order needs no second read.
int ReadOrderFiles(const std::string& profileDir, const std::string& folder, std::vector<std::string>& names,
                   bool currentOrder, std::vector<std::string>* currentNames = nullptr);

// Removes from `names` every name whose image is no longer in the image
// folder, then replaces sort.inf (and sort.pos when the ordering is
// kSortByPosition) with the ordering and the names, one a line, LF only.
// False when sort.inf cannot be written.
bool WriteOrderFiles(const std::string& profileDir, const std::string& folder, std::vector<std::string>& names,
                     int ordering);

// The first line of a .comment file, or NoCommentText() when the file is
// missing or that line is empty.
std::string ReadComment(const std::string& path);
// Writes the text as is, without line end. The "none" text deletes the file
// instead, and counts as success either way.
Status WriteComment(const std::string& path, const std::string& text);

// Reads an image's Exif rows file. Returns the text of the Date column:
// "14-dec-03 12:01:44" for an Exif date, the file name without extension when
// the rows hold no usable date, "" when the file cannot be read. `dateKey`
// receives the raw Exif date text when there is a Date/Time row and is left
// alone otherwise. `ratio`, when given, receives height * 1000 / width from
// the first Resolution row after the Date/Time row, 1000 when there is none
// (or the width is 0).
std::string ReadImageDate(const std::string& rowsPath, const std::string& fileName, std::string& dateKey,
                          int* ratio = nullptr);

// One image of a folder, as site generation shows it.
struct SequenceImage {
  std::string fileName;
  std::string date;     // the Date column's text
  int ratio = 1000;     // height * 1000 / width
  std::string comment;  // "" when the image has none
};

// The images the folder's pages show: every photo of the image folder that
// has its thumbnail, in the order of sort.inf, followed by those sort.inf
// does not name yet in name order. Names sort.inf holds for photos that are
// gone are left out. When sort.inf cannot be read this shows "Cannot read
// sort file" with its path, and the photos come in name order.
std::vector<SequenceImage> ReadFolderSequence(const std::string& profileDir, const std::string& folder);
// The file names of the same photos in the same order, read without a
// message (another folder's page shows them: its own page reports).
std::vector<std::string> FolderPhotoNames(const std::string& profileDir, const std::string& folder);

// For the cleaning of a derived folder: true when `name` is the temporary
// file of a write beside its final name. A write in progress (the image
// worker on another thread, another instance of the program) is left alone;
// one whose writer is gone is removed here.
bool CleanTemporaryFile(const std::string& dir, const std::string& name);

struct DirEntry {
  std::string name;
  bool directory = false;  // a real directory: a link to one is cleaned like a file
};
// The entries of a directory in name order, so that cleaning (and the order
// in which it adds names) is the same on every run.
std::vector<DirEntry> ReadDir(const std::string& dir);

}  // namespace albumsmith
