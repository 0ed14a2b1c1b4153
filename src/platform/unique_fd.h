#pragma once
// A file descriptor that closes itself: every path out of a function that
// opened one closes it exactly once, without a close() per return.

#include <unistd.h>

#include <utility>

namespace albumsmith {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  explicit operator bool() const { return valid(); }

  // Gives the descriptor up without closing it.
  int Release() { return std::exchange(fd_, -1); }
  // Closes the current descriptor (its close() result is not wanted) and holds `fd`.
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports close()'s result: a write that the kernel defers
  // (NFS, quotas) can fail only here. 0, or -1 with errno set.
  int Close() {
    const int fd = Release();
    return fd >= 0 ? ::close(fd) : 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace albumsmith
