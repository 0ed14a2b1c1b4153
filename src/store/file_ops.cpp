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
#include "platform/unique_fd.h"

namespace albumsmith {

namespace {

struct Entry {
  std::string name;
  bool directory = false;  // a real directory; a link to one does not count
};

// The entries of one directory (without "." and ".."), sorted by name so that
// every walk, and so every failure, happens in the same order each run.
// Fails when the directory cannot be opened.
Status ReadEntries(const std::string& dirWithSlash, std::vector<Entry>& entries) {
  DIR* dir = ::opendir(dirWithSlash.c_str());
  if (!dir) return Status::SystemError(errno);
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
  return {};
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
// destination gives EEXIST.
Status CopyFileContent(const std::string& source, const std::string& destination, bool overwrite) {
  const UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in) return Status::SystemError(errno);
  struct stat st;
  if (::fstat(in.get(), &st) != 0) return Status::SystemError(errno);
  if (S_ISDIR(st.st_mode)) return Status::SystemError(EISDIR);
  struct stat existing;
  if (::lstat(destination.c_str(), &existing) == 0) {
    // Asked before anything is copied; the rename below still refuses to
    // replace a file that appears meanwhile.
    if (!overwrite) return Status::SystemError(EEXIST);
    // The source itself already holds the content.
    if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) return {};
  }
  FileBeside out(destination, st.st_mode & 0777);
  if (!out.status()) return out.status();

  static constexpr size_t kBufferSize = size_t{256} * 1024;
  std::vector<char> buffer(kBufferSize);
  for (;;) {
    const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return Status::SystemError(errno);
    }
    if (got == 0) break;
    if (Status written = out.Write(std::string_view(buffer.data(), static_cast<size_t>(got))); !written) return written;
  }
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.fd(), times) != 0) return Status::SystemError(errno);
  // Errors of delayed writes (full disk, network file systems) show up here.
  return out.Commit(Flush::kToDisk, overwrite ? Replace::kYes : Replace::kNo);
}

Status CopyFileList(const std::vector<CopyItem>& files, const std::string& destinationDir, bool overwriteAll,
                    const std::atomic<bool>* cancel, std::vector<std::string>* copied) {
  const std::string dir = WithSlash(destinationDir);
  for (const auto& [source, name] : files) {
    if (cancel && cancel->load()) return Status::Stopped();
    const std::string destination = dir + name;
    bool written = true;
    if (const Status first = CopyFileContent(source, destination, overwriteAll); !first) {
      if (overwriteAll || first.systemError() != EEXIST)
        return ShowSystemFailure(first.systemError(), TextId::kCannotCopyTo, {source, destination});
      Reply reply = ShowMessage({Icon::Question, Buttons::OkCancel, true}, TextId::kAlreadyExists, {name});
      if (reply.answer == Answer::Ok) {
        if (const Status again = CopyFileContent(source, destination, true); !again)
          return ShowSystemFailure(again.systemError(), TextId::kCannotCopyTo, {source, destination});
        if (reply.dontAskAgain) overwriteAll = true;
      } else {
        written = false;
      }
    }
    // A copied or kept file must stay replaceable by later runs: a read-only
    // source would otherwise give a read-only copy.
    struct stat st;
    if (::stat(destination.c_str(), &st) != 0 || ::chmod(destination.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0)
      return ShowSystemFailure(errno, TextId::kCannotSetAttributes, {destination});
    if (written && copied) copied->push_back(name);
  }
  return {};
}

std::vector<CopyItem> SameNames(const std::vector<std::string>& files) {
  std::vector<CopyItem> items;
  items.reserve(files.size());
  for (const std::string& source : files) items.push_back({source, FileName(source)});
  return items;
}

// Moves one file to another file system: copy (keeping the time), then remove
// the source. When the source cannot be removed the copy is taken back so the
// file exists once.
Status MoveAcrossFileSystems(const std::string& source, const std::string& destination) {
  if (Status copied = CopyFileContent(source, destination, false); !copied) return copied;
  if (::unlink(source.c_str()) != 0) {
    const int err = errno;
    ::unlink(destination.c_str());
    return Status::SystemError(err);
  }
  return {};
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
  (void)ReadEntries(base + relative, entries);  // an unreadable directory lists as empty
  for (const Entry& e : entries) {
    if (!e.directory || (!keepAlbsite && e.name == "albsite")) continue;
    ListDirs(base, relative + e.name + "/", list, keepAlbsite);
  }
  list.push_back(relative);
}

void ListFiles(const std::string& directory, std::vector<std::string>& list) {
  const std::string dir = WithSlash(directory);
  std::vector<Entry> entries;
  (void)ReadEntries(dir, entries);  // an unreadable directory lists as empty
  for (const Entry& e : entries) {
    if (!e.directory && IsRegularFile(dir + e.name)) list.push_back(dir + e.name);
  }
}

Status CreatePath(const std::string& path) {
  const std::string target = WithoutSlash(path);
  if (DirExists(target)) return {};
  if (::mkdir(target.c_str(), 0777) == 0) return {};

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
      if (!(err == EEXIST && DirExists(level))) return ShowSystemFailure(err, TextId::kCannotCreateDirectory, {target});
    }
    if (next == std::string::npos) return {};
  }
}

Status DeleteTree(const std::string& dir) {
  // An empty name must not become "/".
  if (dir.empty()) return {};
  const std::string self = WithoutSlash(dir);
  struct stat st;
  if (::lstat(self.c_str(), &st) != 0) return {};
  if (S_ISDIR(st.st_mode)) {
    const std::string prefix = WithSlash(dir);
    std::vector<Entry> entries;
    (void)ReadEntries(prefix, entries);  // an unreadable directory shows at its rmdir below
    for (const Entry& e : entries) {
      const std::string path = prefix + e.name;
      if (e.directory) {
        if (Status deleted = DeleteTree(path); !deleted) return deleted;
      } else if (::unlink(path.c_str()) != 0) {
        return ShowSystemFailure(errno, TextId::kCannotDeleteFile, {path});
      }
    }
    // A directory left behind is reported, yet the walk counts as done: what
    // it held is gone, which is what callers wait for.
    if (::rmdir(self.c_str()) != 0) (void)ShowSystemFailure(errno, TextId::kCannotDeleteDirectory, {self});
  } else {
    // A link given as the directory goes, never what it points to; any other
    // file is not a directory and is left alone.
    if ((S_ISLNK(st.st_mode) ? ::unlink(self.c_str()) : ::rmdir(self.c_str())) != 0)
      (void)ShowSystemFailure(errno, TextId::kCannotDeleteDirectory, {self});
  }
  return {};
}

Status DeleteMatchingFiles(const std::string& dir, const std::string& pattern) {
  if (dir.empty()) return {};
  const std::string prefix = WithSlash(dir);
  std::vector<Entry> entries;
  if (!ReadEntries(prefix, entries)) return {};
  for (const Entry& e : entries) {
    if (!e.directory) continue;
    if (Status deleted = DeleteMatchingFiles(prefix + e.name, pattern); !deleted) return deleted;
  }
  for (const Entry& e : entries) {
    if (e.directory || ::fnmatch(pattern.c_str(), e.name.c_str(), FNM_CASEFOLD) != 0) continue;
    const std::string path = prefix + e.name;
    if (::unlink(path.c_str()) != 0) return ShowSystemFailure(errno, TextId::kCannotDeleteFile, {path});
  }
  return {};
}

Status CopyTree(const std::string& source, const std::string& destination) {
  const std::string from = WithSlash(source);
  const std::string to = WithSlash(destination);
  if (Status created = CreatePath(to); !created) return created;
  std::vector<Entry> entries;
  if (const Status read = ReadEntries(from, entries); !read)
    return ShowSystemFailure(read.systemError(), TextId::kCannotCopyFile, {WithoutSlash(source)});
  for (const Entry& e : entries) {
    const std::string path = from + e.name;
    if (e.directory) {
      if (Status copied = CopyTree(path, to + e.name); !copied) return copied;
    } else if (IsRegularFile(path)) {
      if (const Status copied = CopyFileContent(path, to + e.name, true); !copied)
        return ShowSystemFailure(copied.systemError(), TextId::kCannotCopyFile, {path});
    }
  }
  return {};
}

Status CopyFiles(const std::vector<std::string>& files, const std::string& destinationDir, bool overwriteAll) {
  return CopyFileList(SameNames(files), destinationDir, overwriteAll, nullptr, nullptr);
}

Status CopyFilesAs(const std::vector<CopyItem>& files, const std::string& destinationDir, bool overwriteAll,
                   std::vector<std::string>* copied) {
  return CopyFileList(files, destinationDir, overwriteAll, nullptr, copied);
}

Status MoveFiles(const std::vector<std::string>& files, const std::string& destinationDir) {
  const std::string dir = WithSlash(destinationDir);
  for (const std::string& source : files) {
    const std::string destination = dir + FileName(source);
    // A move never replaces a file already at the destination.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) continue;
    Status moved = Status::SystemError(errno);
    if (moved.systemError() == EINVAL || moved.systemError() == ENOSYS) {
      // The file system cannot refuse to replace; check first instead.
      if (FileExists(destination))
        moved = Status::SystemError(EEXIST);
      else if (::rename(source.c_str(), destination.c_str()) == 0)
        moved = {};
      else
        moved = Status::SystemError(errno);
    }
    if (moved.systemError() == EXDEV) moved = MoveAcrossFileSystems(source, destination);
    if (!moved) return ShowSystemFailure(moved.systemError(), TextId::kCannotMoveItem, {source, destination});
  }
  return {};
}

Status DeleteFileReported(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return {};
  return ShowSystemFailure(errno, TextId::kCannotDeleteItem, {path});
}
Status CopyTreeWithProgress(const std::string& source, const std::string& destination, CopyProgress& progress,
                            const std::atomic<bool>* cancel) {
  const std::string from = WithSlash(source);
  const std::string to = WithSlash(destination);
  auto finish = [&progress](Status outcome) {
    progress.End(outcome ? CopyProgress::kEndSuccess : CopyProgress::kEndFailure);
    return outcome;
  };

  // The tree is copied whole, templates included: a copied profile needs its albsite.
  std::vector<std::string> dirs;
  ListDirs(from, "", dirs, true);
  size_t filesSoFar = 0;
  for (size_t done = 0; done < dirs.size(); ++done) {
    if (cancel && cancel->load()) return finish(Status::Stopped());
    const std::string& relative = dirs[done];
    const std::string firstLine = FormatString(TextId::kCopyingFolder, {WithoutSlash(from + relative)});
    progress.SetText(firstLine, "");
    progress.SetPercent(static_cast<int>(done * 100 / dirs.size()));

    std::vector<std::string> files;
    ListFiles(from + relative, files);
    filesSoFar += files.size();
    progress.SetText(firstLine, FormatString(TextId::kCopyingFiles, {files.size(), filesSoFar}));

    if (Status made = CreatePath(to + relative); !made) return finish(std::move(made));
    if (Status copied = CopyFileList(SameNames(files), to + relative, false, cancel, nullptr); !copied)
      return finish(std::move(copied));
  }
  return finish(Status::Ok());
}

}  // namespace albumsmith
