#pragma once
// The file operations every part of the program uses on a profile's folders.
// Each reports its own failure through the current Prompter (the texts of the
// string table, with the system's error text) and returns it as a Status
// (the text shown and the error number); callers stop at the first failure
// and leave what was done in place.
//
// Paths are UTF-8 strings with "/" separators; a directory may be given with
// or without a trailing "/" unless a function says otherwise.

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace albumsmith {

bool FileExists(const std::string& path);           // any entry of that name
bool DirExists(const std::string& path);            // a directory of that name
std::string FileName(std::string_view path);        // after the last "/"
std::string Extension(std::string_view path);       // after the last "." ("" when none)
std::string StripExtension(std::string_view path);  // before the last "." (whole path when none)

// True when b is missing, a is missing, or a was last written at the same
// time as b or later.
bool IsNewer(const std::string& a, const std::string& b);

// Appends the relative path (ending with "/") of every directory below
// base + relative, each after all of its own subdirectories, then `relative`
// itself. Directories named exactly "albsite" are skipped unless keepAlbsite.
// `base` ends with "/"; `relative` is "" or ends with "/".
void ListDirs(const std::string& base, const std::string& relative, std::vector<std::string>& list,
              bool keepAlbsite = false);
// Appends the full paths of the files (not directories) of one directory, sorted by name.
void ListFiles(const std::string& directory, std::vector<std::string>& list);

Status CreatePath(const std::string& path);
// A directory that cannot be removed once emptied is reported but not a failure.
Status DeleteTree(const std::string& dir);
// `pattern` is a shell wildcard matched without regard to letter case ("*.JPG").
Status DeleteMatchingFiles(const std::string& dir, const std::string& pattern);
Status CopyTree(const std::string& source, const std::string& destination);
// `overwriteAll` lives for this call only: ticking "Don't ask me again" at the
// overwrite question sets it for the rest of the list.
Status CopyFiles(const std::vector<std::string>& files, const std::string& destinationDir, bool overwriteAll = false);
// One file of a copy and the name it gets in the destination directory.
struct CopyItem {
  std::string source;
  std::string name;
};
// CopyFiles with a name per file. `copied`, when given, receives the names
// actually written (a file kept at the overwrite question is not one), so
// that a caller can carry what belongs to each copied file, or undo it.
Status CopyFilesAs(const std::vector<CopyItem>& files, const std::string& destinationDir, bool overwriteAll = false,
                   std::vector<std::string>* copied = nullptr);
Status MoveFiles(const std::vector<std::string>& files, const std::string& destinationDir);
Status DeleteFileReported(const std::string& path);

// What the copy worker tells its window.
class CopyProgress {
 public:
  static constexpr int kEndSuccess = 100;
  static constexpr int kEndFailure = 101;
  virtual ~CopyProgress() = default;
  virtual void SetText(const std::string& firstLine, const std::string& secondLine) = 0;
  virtual void SetPercent(int percent) = 0;
  virtual void End(int code) = 0;  // kEndSuccess or kEndFailure
};

// The copy of one directory tree, directory by directory (each after its
// subdirectories), reporting as it goes; meant to run on a worker thread.
// Stops with failure when `cancel` becomes true (kStopped). Returns the
// failure it showed, whose end code the progress got.
Status CopyTreeWithProgress(const std::string& source, const std::string& destination, CopyProgress& progress,
                            const std::atomic<bool>* cancel = nullptr);

}  // namespace albumsmith
