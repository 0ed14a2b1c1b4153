#include "atomic_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace albumsmith {

namespace {

constexpr std::string_view kTemporaryMark = ".~";

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The process id a temporary name carries, 0 when the name is not one.
pid_t TemporaryOwner(std::string_view name) {
  if (name.size() < 2 || name.front() != '.') return 0;
  const size_t mark = name.rfind(kTemporaryMark);
  if (mark == std::string_view::npos || mark < 2) return 0;
  const std::string_view tail = name.substr(mark + kTemporaryMark.size());
  const size_t dash = tail.find('-');
  if (dash == std::string_view::npos || !AllDigits(tail.substr(0, dash)) || !AllDigits(tail.substr(dash + 1))) return 0;
  if (dash > 9) return 0;  // no process id has that many digits
  pid_t pid = 0;
  for (char c : tail.substr(0, dash)) pid = pid * 10 + (c - '0');
  return pid;
}

// Renames without replacing an existing file. File systems that cannot
// refuse to replace are checked first instead.
Status RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return Status::SystemError(errno);
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return Status::SystemError(EEXIST);
  if (::rename(from.c_str(), to.c_str()) != 0) return Status::SystemError(errno);
  return {};
}

}  // namespace

Result<std::string> ReadFileContents(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return Status::SystemError(errno);
  std::string data;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
  // Taken before fclose, which may set errno of its own.
  const bool failed = std::ferror(f) != 0;
  const Status read = Status::FromErrno(failed, errno);
  std::fclose(f);
  if (!read) return read;
  return data;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  Result<std::string> contents = ReadFileContents(path);
  if (!contents) return std::nullopt;
  return std::move(contents).value();
}

bool IsTemporaryName(std::string_view name) { return TemporaryOwner(name) != 0; }

bool IsAbandonedTemporary(std::string_view name) {
  const pid_t owner = TemporaryOwner(name);
  // EPERM means the process runs, under another user.
  return owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH;
}

FileBeside::FileBeside(std::string path, unsigned createMode) : path_(std::move(path)) {
  static std::atomic<unsigned> counter{0};
  const size_t slash = path_.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  const std::string prefix = dir + "." + name + std::string(kTemporaryMark) + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = prefix + std::to_string(counter.fetch_add(1));
    fd_.Reset(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(createMode)));
    if (fd_ || errno != EEXIST) break;
  }
  if (!fd_) {
    status_ = Status::SystemError(errno);
    temp_.clear();
  }
}

FileBeside::~FileBeside() {
  fd_.Reset();
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

Status FileBeside::Fail(int error) {
  fd_.Reset();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  status_ = Status::SystemError(error);
  return status_;
}

Status FileBeside::Write(std::string_view data) {
  if (!fd_) return status_.ok() ? Status::SystemError(EBADF) : status_;
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t w = ::write(fd_.get(), data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    done += static_cast<size_t>(w);
  }
  return {};
}

Status FileBeside::Commit(Flush flush, Replace replace, std::optional<unsigned> mode) {
  if (!fd_) return status_.ok() ? Status::SystemError(EBADF) : status_;
  if (mode && ::fchmod(fd_.get(), static_cast<mode_t>(*mode)) != 0) return Fail(errno);
  if (flush == Flush::kToDisk && ::fsync(fd_.get()) != 0) return Fail(errno);
  if (fd_.Close() != 0) return Fail(errno);
  if (replace == Replace::kYes) {
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) return Fail(errno);
  } else if (const Status renamed = RenameNoReplace(temp_, path_); !renamed) {
    return Fail(renamed.systemError());
  }
  temp_.clear();
  return {};
}

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view data, std::optional<unsigned> mode,
                           Flush flush) {
  // An existing file keeps its permissions exactly; a new one gets what the
  // kernel makes of 0666 and the umask.
  struct stat st;
  if (!mode && ::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  FileBeside file(path.string(), mode ? *mode & 0777 : 0666);
  if (!file.status()) return file.status();
  if (Status written = file.Write(data); !written) return written;
  return file.Commit(flush, Replace::kYes, mode);
}

Status WriteFileIfChanged(const std::filesystem::path& path, std::string_view data) {
  if (const auto current = ReadWholeFile(path); current && *current == data) return {};
  return WriteFileAtomically(path, data);
}

}  // namespace albumsmith
