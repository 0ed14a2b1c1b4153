#pragma once
// The outcome of an operation that can fail: a code saying what kind of
// failure it was, the message text (what the product showed, or would show),
// and the system's error number when the failure came from a system call.
// Callers switch on the code; the message is never parsed.

#include <cassert>
#include <cerrno>
#include <optional>
#include <string>
#include <utility>

namespace albumsmith {

enum class StatusCode {
  kOk,
  kFailed,     // the operation failed; message() says why (already shown when a function says so)
  kCancelled,  // the user answered Cancel or No at a question; nothing changed after it
  kRefused,    // an input was refused by a check before anything was done
  kStopped,    // a stop was asked for (Ctrl-C, the Stop button)
};

class [[nodiscard]] Status {
 public:
  Status() = default;  // success

  static Status Ok() { return {}; }
  static Status Failed(std::string message = {}) { return Status(StatusCode::kFailed, std::move(message), 0); }
  static Status Cancelled(std::string message = {}) { return Status(StatusCode::kCancelled, std::move(message), 0); }
  static Status Refused(std::string message = {}) { return Status(StatusCode::kRefused, std::move(message), 0); }
  static Status Stopped() { return Status(StatusCode::kStopped, {}, 0); }
  // A failed system call; `error` is its errno (EIO when the caller has none).
  static Status SystemError(int error, std::string message = {}) {
    return Status(StatusCode::kFailed, std::move(message), error != 0 ? error : EIO);
  }
  // Status::SystemError(errno) when `failed`, success otherwise.
  static Status FromErrno(bool failed, int error) { return failed ? SystemError(error) : Ok(); }

  bool ok() const { return code_ == StatusCode::kOk; }
  explicit operator bool() const { return ok(); }
  StatusCode code() const { return code_; }
  bool cancelled() const { return code_ == StatusCode::kCancelled; }

  // The text describing the failure; empty on success and when the failure
  // carries none of its own (then systemText() may say more).
  const std::string& message() const { return message_; }
  // errno of the failed system call, 0 when there was none.
  int systemError() const { return errno_; }
  // The system's description of systemError() (strerror), "" when there is none.
  std::string systemText() const;

  // The same failure with the message set, for a caller that words it.
  Status WithMessage(std::string message) && {
    message_ = std::move(message);
    return std::move(*this);
  }

 private:
  Status(StatusCode code, std::string message, int error) : code_(code), errno_(error), message_(std::move(message)) {}

  StatusCode code_ = StatusCode::kOk;
  int errno_ = 0;
  std::string message_;
};

// A value, or the Status saying why there is none.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}           // NOLINT(google-explicit-constructor): returned as is
  Result(Status failure) : status_(std::move(failure)) {  // NOLINT(google-explicit-constructor)
    assert(!status_.ok() && "a Result without a value needs a failure");
    if (status_.ok()) status_ = Status::Failed();
  }

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Status& status() const { return status_; }
  StatusCode code() const { return status_.code(); }

  T& value() & {
    assert(ok());
    return *value_;
  }
  const T& value() const& {
    assert(ok());
    return *value_;
  }
  T&& value() && {
    assert(ok());
    return std::move(*value_);
  }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace albumsmith
