#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace albumsmith {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string data;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return std::nullopt;
  return data;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view data,
                         std::optional<unsigned> mode, Flush flush) {
  mode_t finalMode;
  struct stat st;
  if (mode) {
    finalMode = static_cast<mode_t>(*mode);
  } else if (::stat(path.c_str(), &st) == 0) {
    finalMode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    finalMode = 0666 & ~mask;
  }

  std::string tmpl = path.string() + ".XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return false;
  auto fail = [&] {
    const int saved = errno;
    ::close(fd);
    ::unlink(tmpl.c_str());
    errno = saved;
    return false;
  };
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return fail();
    }
    done += static_cast<size_t>(w);
  }
  if (::fchmod(fd, finalMode) != 0) return fail();
  if (flush == Flush::kToDisk && ::fsync(fd) != 0) return fail();
  if (::close(fd) != 0) {
    const int saved = errno;
    ::unlink(tmpl.c_str());
    errno = saved;
    return false;
  }
  if (std::rename(tmpl.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(tmpl.c_str());
    errno = saved;
    return false;
  }
  return true;
}

bool WriteFileIfChanged(const std::filesystem::path& path, std::string_view data) {
  if (const auto current = ReadWholeFile(path); current && *current == data) return true;
  return WriteFileAtomically(path, data);
}

}  // namespace albumsmith
