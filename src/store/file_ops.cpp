#include "file_ops.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

namespace {



struct Entry {
  std::string name;
  bool directory = false;  // a real directory; a link to one does not count
};

// The entries of one directory (without "." and ".."), sorted by name so that
// every walk, and so every failure, happens in the same order each run.
// Returns 0 or the errno of opening the directory.
int ReadEntries(const std::string& dirWithSlash, std::vector<Entry>& entries) {
  DIR* dir = ::opendir(dirWithSlash.c_str());
  if (!dir) return errno;
  while (const dirent* d = ::readdir(dir)) {
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    Entry e{d->d_name};
    if (d->d_type == DT_UNKNOWN) {
      struct stat st;
      e.directory = ::lstat((dirWithSlash + e.name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    } else {
      e.directory = d->d_type == DT_DIR;
    }
    entries.push_back(std::move(e));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); });
  return 0;
}

// A regular file, reached through a link if need be. Links to directories,
// pipes and devices are not copied: reading a pipe would block the copy.
bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Copies one file's content, keeping its modification time so that the
// freshness checks between photos and their derived files still hold for the
// copy. The copy is written beside the destination and renamed over it, so
// an interrupted copy never leaves half a photo under its name (where it
// would pass for a complete one). Without `overwrite` an existing
// destination gives EEXIST. Returns 0 or an errno.
int CopyFileContent(const std::string& source, const std::string& destination, bool overwrite) {
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat st;
  if (::fstat(in, &st) != 0) {
    int err = errno;
    ::close(in);
    return err;
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(in);
    return EISDIR;
  }
  struct stat existing;
  if (::lstat(destination.c_str(), &existing) == 0) {
    // Asked before anything is copied; the rename below still refuses to
    // replace a file that appears meanwhile.
    if (!overwrite) {
      ::close(in);
      return EEXIST;
    }
    // The source itself already holds the content.
    if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
      ::close(in);
      return 0;
    }
  }
  FileBeside out(destination, st.st_mode & 0777);
  if (out.fd() < 0) {
    int err = errno;
    ::close(in);
    return err;
  }

  int err = 0;
  static constexpr size_t kBufferSize = size_t{256} * 1024;
  std::vector<char> buffer(kBufferSize);
  for (;;) {
    ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (got == 0) break;
    if (!out.Write(std::string_view(buffer.data(), static_cast<size_t>(got)))) {
      err = errno;
      break;
    }
  }
  ::close(in);
  if (err) return err;
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.fd(), times) != 0) return errno;
  // Errors of delayed writes (full disk, network file systems) show up here.
  if (!out.Commit(Flush::kToDisk, overwrite ? Replace::kYes : Replace::kNo)) return errno;
  return 0;
}

bool CopyFileList(const std::vector<CopyItem>& files, const std::string& destinationDir, bool overwriteAll,
                  const std::atomic<bool>* cancel, std::vector<std::string>* copied) {
  const std::string dir = WithSlash(destinationDir);
  for (const auto& [source, name] : files) {
    if (cancel && cancel->load()) return false;
    const std::string destination = dir + name;
    bool written = true;
    if (overwriteAll) {
      if (int err = CopyFileContent(source, destination, true)) {
        ShowSystemError(err, TextId::kCannotCopyTo, {source, destination});
        return false;
      }
    } else if (int err = CopyFileContent(source, destination, false)) {
      if (err != EEXIST) {
        ShowSystemError(err, TextId::kCannotCopyTo, {source, destination});
        return false;
      }
      Reply reply = ShowMessage({Icon::Question, Buttons::OkCancel, true}, TextId::kAlreadyExists, {name});
      if (reply.answer == Answer::Ok) {
        if (int again = CopyFileContent(source, destination, true)) {
          ShowSystemError(again, TextId::kCannotCopyTo, {source, destination});
          return false;
        }
        if (reply.dontAskAgain) overwriteAll = true;
      } else {
        written = false;
      }
    }
    // A copied or kept file must stay replaceable by later runs: a read-only
    // source would otherwise give a read-only copy.
    struct stat st;
    if (::stat(destination.c_str(), &st) != 0 || ::chmod(destination.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) {
      int err = errno;
      ShowSystemError(err, TextId::kCannotSetAttributes, {destination});
      return false;
    }
    if (written && copied) copied->push_back(name);
  }
  return true;
}

std::vector<CopyItem> SameNames(const std::vector<std::string>& files) {
  std::vector<CopyItem> items;
  items.reserve(files.size());
  for (const std::string& source : files) items.push_back({source, FileName(source)});
  return items;
}

// Moves one file to another file system: copy (keeping the time), then remove
// the source. When the source cannot be removed the copy is taken back so the
// file exists once. Returns 0 or an errno.
int MoveAcrossFileSystems(const std::string& source, const std::string& destination) {
  if (int err = CopyFileContent(source, destination, false)) return err;
  if (::unlink(source.c_str()) != 0) {
    int err = errno;
    ::unlink(destination.c_str());
    return err;
  }
  return 0;
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool DirExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FileName(std::string_view path) {
  size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// A dot in a directory name is not an extension: "2023.05/IMG_1" has none.
std::string Extension(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(path.substr(dot + 1));
}

std::string StripExtension(std::string_view path) {
  size_t dot = path.rfind('.');
  size_t slash = path.rfind('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::string(path);
  return std::string(path.substr(0, dot));
}

bool IsNewer(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (::stat(b.c_str(), &sb) != 0 || ::stat(a.c_str(), &sa) != 0) return true;
  if (sa.st_mtim.tv_sec != sb.st_mtim.tv_sec) return sa.st_mtim.tv_sec > sb.st_mtim.tv_sec;
  return sa.st_mtim.tv_nsec >= sb.st_mtim.tv_nsec;
}

void ListDirs(const std::string& base, const std::string& relative, std::vector<std::string>& list, bool keepAlbsite) {
  std::vector<Entry> entries;
  ReadEntries(base + relative, entries);
  for (const Entry& e : entries) {
    if (!e.directory || (!keepAlbsite && e.name == "albsite")) continue;
    ListDirs(base, relative + e.name + "/", list, keepAlbsite);
  }
  list.push_back(relative);
}

void ListFiles(const std::string& directory, std::vector<std::string>& list) {
  const std::string dir = WithSlash(directory);
  std::vector<Entry> entries;
  ReadEntries(dir, entries);
  for (const Entry& e : entries) {
    if (!e.directory && IsRegularFile(dir + e.name)) list.push_back(dir + e.name);
  }
}

bool CreatePath(const std::string& path) {
  const std::string target = WithoutSlash(path);
  if (DirExists(target)) return true;
  if (::mkdir(target.c_str(), 0777) == 0) return true;

  // Find the nearest entry that exists, then create every level below it. The
  // walk stops at any existing entry, not only a directory, so a file standing
  // in the way is reported as such ("Not a directory").
  size_t start = 0;  // where the first missing level's name begins
  for (size_t end = target.size(); end > 0;) {
    size_t slash = target.rfind('/', end - 1);
    if (slash == std::string::npos) break;  // relative path: start from the current directory
    if (slash == 0 || FileExists(target.substr(0, slash))) {
      start = slash + 1;
      break;
    }
    end = slash;
  }
  for (size_t next = start;; ++next) {
    next = target.find('/', next);
    const std::string level = target.substr(0, next);
    if (::mkdir(level.c_str(), 0777) != 0) {
      int err = errno;
      // Someone else may have made it in the meantime.
      if (!(err == EEXIST && DirExists(level))) {
        ShowSystemError(err, TextId::kCannotCreateDirectory, {target});
        return false;
      }
    }
    if (next == std::string::npos) return true;
  }
}

bool DeleteTree(const std::string& dir) {
  // An empty name must not become "/".
  if (dir.empty()) return true;
  const std::string self = WithoutSlash(dir);
  struct stat st;
  if (::lstat(self.c_str(), &st) != 0) return true;
  if (S_ISDIR(st.st_mode)) {
    const std::string prefix = WithSlash(dir);
    std::vector<Entry> entries;
    ReadEntries(prefix, entries);
    for (const Entry& e : entries) {
      const std::string path = prefix + e.name;
      if (e.directory) {
        if (!DeleteTree(path)) return false;
      } else if (::unlink(path.c_str()) != 0) {
        int err = errno;
        ShowSystemError(err, TextId::kCannotDeleteFile, {path});
        return false;
      }
    }
    if (::rmdir(self.c_str()) != 0) {
      int err = errno;
      ShowSystemError(err, TextId::kCannotDeleteDirectory, {self});
    }
  } else {
    // A link given as the directory goes, never what it points to; any other
    // file is not a directory and is left alone.
    if ((S_ISLNK(st.st_mode) ? ::unlink(self.c_str()) : ::rmdir(self.c_str())) != 0) {
      int err = errno;
      ShowSystemError(err, TextId::kCannotDeleteDirectory, {self});
    }
  }
  return true;
}

bool DeleteMatchingFiles(const std::string& dir, const std::string& pattern) {
  if (dir.empty()) return true;
  const std::string prefix = WithSlash(dir);
  std::vector<Entry> entries;
  if (ReadEntries(prefix, entries) != 0) return true;
  for (const Entry& e : entries) {
    if (e.directory && !DeleteMatchingFiles(prefix + e.name, pattern)) return false;
  }
  for (const Entry& e : entries) {
    if (e.directory || ::fnmatch(pattern.c_str(), e.name.c_str(), FNM_CASEFOLD) != 0) continue;
    const std::string path = prefix + e.name;
    if (::unlink(path.c_str()) != 0) {
      int err = errno;
      ShowSystemError(err, TextId::kCannotDeleteFile, {path});
      return false;
    }
  }
  return true;
}

bool CopyTree(const std::string& source, const std::string& destination) {
  const std::string from = WithSlash(source);
  const std::string to = WithSlash(destination);
  if (!CreatePath(to)) return false;
  std::vector<Entry> entries;
  if (int err = ReadEntries(from, entries)) {
    ShowSystemError(err, TextId::kCannotCopyFile, {WithoutSlash(source)});
    return false;
  }
  for (const Entry& e : entries) {
    const std::string path = from + e.name;
    if (e.directory) {
      if (!CopyTree(path, to + e.name)) return false;
    } else if (IsRegularFile(path)) {
      if (int err = CopyFileContent(path, to + e.name, true)) {
        ShowSystemError(err, TextId::kCannotCopyFile, {path});
        return false;
      }
    }
  }
  return true;
}

bool CopyFiles(const std::vector<std::string>& files, const std::string& destinationDir, bool overwriteAll) {
  return CopyFileList(SameNames(files), destinationDir, overwriteAll, nullptr, nullptr);
}

bool CopyFilesAs(const std::vector<CopyItem>& files, const std::string& destinationDir, bool overwriteAll,
                 std::vector<std::string>* copied) {
  return CopyFileList(files, destinationDir, overwriteAll, nullptr, copied);
}

bool MoveFiles(const std::vector<std::string>& files, const std::string& destinationDir) {
  const std::string dir = WithSlash(destinationDir);
  for (const std::string& source : files) {
    const std::string destination = dir + FileName(source);
    // A move never replaces a file already at the destination.
    int err = 0;
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) != 0) {
      err = errno;
      if (err == EINVAL || err == ENOSYS) {
        // The file system cannot refuse to replace; check first instead.
        if (FileExists(destination)) {
          err = EEXIST;
        } else {
          err = ::rename(source.c_str(), destination.c_str()) == 0 ? 0 : errno;
        }
      }
      if (err == EXDEV) err = MoveAcrossFileSystems(source, destination);
    }
    if (err) {
      ShowSystemError(err, TextId::kCannotMoveItem, {source, destination});
      return false;
    }
  }
  return true;
}

bool DeleteFileReported(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  int err = errno;
  ShowSystemError(err, TextId::kCannotDeleteItem, {path});
  return false;
}

int CopyTreeWithProgress(const std::string& source, const std::string& destination, CopyProgress& progress,
                         const std::atomic<bool>* cancel) {
  const std::string from = WithSlash(source);
  const std::string to = WithSlash(destination);
  auto finish = [&progress](int code) {
    progress.End(code);
    return code;
  };

  // The tree is copied whole, templates included: a copied profile needs its albsite.
  std::vector<std::string> dirs;
  ListDirs(from, "", dirs, true);
  size_t filesSoFar = 0;
  for (size_t done = 0; done < dirs.size(); ++done) {
    if (cancel && cancel->load()) return finish(CopyProgress::kEndFailure);
    const std::string& relative = dirs[done];
    const std::string firstLine = FormatString(TextId::kCopyingFolder, {WithoutSlash(from + relative)});
    progress.SetText(firstLine, "");
    progress.SetPercent(static_cast<int>(done * 100 / dirs.size()));

    std::vector<std::string> files;
    ListFiles(from + relative, files);
    filesSoFar += files.size();
    progress.SetText(firstLine, FormatString(TextId::kCopyingFiles, {files.size(), filesSoFar}));

    if (!CreatePath(to + relative) || !CopyFileList(SameNames(files), to + relative, false, cancel, nullptr))
      return finish(CopyProgress::kEndFailure);
  }
  return finish(CopyProgress::kEndSuccess);
}

}  // namespace albumsmith
