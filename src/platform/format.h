#pragma once
// printf-style formatting of texts whose format comes from the string table or
// a language module at run time. The format is data, not code: a conversion
// that does not match its argument, or has no argument, prints a harmless
// value instead of reading random memory.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace albumsmith {

class FmtArg {
 public:
  FmtArg(int v) : value_(static_cast<long long>(v)) {}
  FmtArg(long v) : value_(static_cast<long long>(v)) {}
  FmtArg(long long v) : value_(v) {}
  FmtArg(unsigned v) : value_(static_cast<long long>(v)) {}
  FmtArg(unsigned long v) : value_(static_cast<long long>(v)) {}
  FmtArg(unsigned long long v) : value_(static_cast<long long>(v)) {}
  FmtArg(double v) : value_(v) {}
  FmtArg(const char* v) : value_(std::string(v ? v : "")) {}
  FmtArg(std::string_view v) : value_(std::string(v)) {}
  FmtArg(const std::string& v) : value_(v) {}

  const std::variant<long long, double, std::string>& value() const { return value_; }

 private:
  std::variant<long long, double, std::string> value_;
};

// Supports %% and %[flags][width][.precision][length]conversion with the
// conversions d i u x X o c s f e g; length modifiers are accepted and ignored.
std::string Fmt(std::string_view format, std::initializer_list<FmtArg> args = {});

}  // namespace albumsmith
