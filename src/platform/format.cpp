#include "format.h"

#include <cstdio>
#include <vector>

namespace albumsmith {

namespace {

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

long long AsInteger(const FmtArg* arg) {
  if (!arg) return 0;
  if (auto v = std::get_if<long long>(&arg->value())) return *v;
  if (auto v = std::get_if<double>(&arg->value())) return static_cast<long long>(*v);
  return 0;
}

double AsDouble(const FmtArg* arg) {
  if (!arg) return 0;
  if (auto v = std::get_if<double>(&arg->value())) return *v;
  if (auto v = std::get_if<long long>(&arg->value())) return static_cast<double>(*v);
  return 0;
}

std::string AsString(const FmtArg* arg) {
  if (!arg) return {};
  if (auto v = std::get_if<std::string>(&arg->value())) return *v;
  if (auto v = std::get_if<long long>(&arg->value())) return std::to_string(*v);
  return std::to_string(std::get<double>(arg->value()));
}

template <typename T>
void Append(std::string& out, const std::string& spec, T value) {
  char small[128];
  const int n = std::snprintf(small, sizeof small, spec.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::snprintf(big.data(), big.size(), spec.c_str(), value);
  out.append(big.data(), static_cast<size_t>(n));
}

}  // namespace

std::string Fmt(std::string_view format, std::initializer_list<FmtArg> args) {
  std::string out;
  out.reserve(format.size() + 16);
  const FmtArg* next = args.begin();
  auto take = [&]() -> const FmtArg* { return next != args.end() ? next++ : nullptr; };

  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // Collect flags, width and precision; widths and precisions are capped so
    // that a hostile format cannot ask for gigabytes of padding.
    size_t j = i + 1;
    std::string spec = "%";
    while (j < format.size() && IsFlag(format[j])) spec += format[j++];
    std::string width;
    while (j < format.size() && IsDigit(format[j])) width += format[j++];
    if (width.size() > 3) width = "999";
    spec += width;
    if (j < format.size() && format[j] == '.') {
      std::string precision;
      ++j;
      while (j < format.size() && IsDigit(format[j])) precision += format[j++];
      if (precision.size() > 3) precision = "999";
      spec += "." + precision;
    }
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'L' || format[j] == 'z' ||
                                 format[j] == 'j' || format[j] == 't'))
      ++j;
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    const char conv = format[j];
    switch (conv) {
      case 'd':
      case 'i':
        Append(out, spec + "lld", AsInteger(take()));
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        Append(out, spec + "ll" + conv, static_cast<unsigned long long>(AsInteger(take())));
        break;
      case 'c':
        Append(out, spec + "c", static_cast<int>(static_cast<unsigned char>(AsInteger(take()))));
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
        Append(out, spec + conv, AsDouble(take()));
        break;
      case 's': {
        const std::string s = AsString(take());
        Append(out, spec + "s", s.c_str());
        break;
      }
      default:
        // Not a conversion we know: keep the text as written.
        out.append(format.substr(i, j - i + 1));
        break;
    }
    i = j + 1;
  }
  return out;
}

}  // namespace albumsmith
