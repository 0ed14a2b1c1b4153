#pragma once
// Whole-file reads and crash-safe replacement of files: settings and state
// files, derived images and pages, and photos copied into the album.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/unique_fd.h"

namespace albumsmith {

// The file's bytes, or nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);
// The same, or the system error that kept the file from being read.
Result<std::string> ReadFileContents(const std::filesystem::path& path);

// Every file the program writes beside its final name gets a temporary name
// of one form, "." + final name + ".~" + process id + "-" + number: hidden,
// with no extension the program lists, and telling which process writes it.
// Folder cleaning leaves such files to their writer.
bool IsTemporaryName(std::string_view name);
// A temporary name whose writing process no longer runs on this machine:
// what a crash left behind, safe to remove.
bool IsAbandonedTemporary(std::string_view name);

enum class Flush { kToDisk, kNo };
enum class Replace { kYes, kNo };

// A new file being written beside `path` under a temporary name; Commit
// renames it to `path`, and a FileBeside that is not committed removes it.
// The file is created with `createMode` less the umask, applied by the
// kernel: the umask is process-wide, so it is never read or changed here.
class FileBeside {
 public:
  explicit FileBeside(std::string path, unsigned createMode = 0666);
  ~FileBeside();
  FileBeside(const FileBeside&) = delete;
  FileBeside& operator=(const FileBeside&) = delete;

  // -1 when the temporary file could not be made (status() says why).
  int fd() const { return fd_.get(); }
  const std::string& temporaryPath() const { return temp_; }
  // Why the temporary file could not be made, or the first write or commit
  // failure; success while all went well.
  const Status& status() const { return status_; }
  // Writes all of `data`.
  Status Write(std::string_view data);
  // Sets the exact `mode` when given, flushes to disk when asked, closes the
  // file and renames it to the final name. With Replace::kNo an existing
  // file of that name stays and the commit fails with EEXIST. On failure the
  // temporary file is gone.
  Status Commit(Flush flush, Replace replace = Replace::kYes, std::optional<unsigned> mode = std::nullopt);

 private:
  // Drops the temporary file and records `error` (an errno) as the failure.
  Status Fail(int error);

  std::string path_;
  std::string temp_;
  UniqueFd fd_;
  Status status_;
};

// Writes `data` to a temporary file in the same folder, flushes it to disk and
// renames it over `path`, so that a crash leaves either the old or the new
// file, never half of one. `mode` is applied to the new file; when it is not
// given, an existing file keeps its permissions and a new one gets 0666 less
// the umask. Files that can be made again (derived pages) may skip the flush
// to disk: a crash then leaves an empty or old file, never half a new one.
// On failure the Status carries the errno (also left in errno).
Status WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                           std::optional<unsigned> mode = std::nullopt, Flush flush = Flush::kToDisk);

// WriteFileAtomically, unless the file already holds exactly `data`: side
// files rewritten with unchanged content keep their time, so publishing does
// not send them again.
Status WriteFileIfChanged(const std::filesystem::path& path, std::string_view data);

}  // namespace albumsmith
