#include "password.h"

#include <array>
#include <cstdint>

namespace albumsmith {

namespace {

constexpr size_t kBlock = 32;
constexpr size_t kMaxLength = 31;
constexpr unsigned kA = 0x5B;
constexpr unsigned kB = 0xC6;

uint8_t Key(unsigned i) { return static_cast<uint8_t>(((i ^ kA) * (i ^ kB)) & 0xFF); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string PasswordScramble(std::string_view password) {
  std::array<uint8_t, kBlock> block{};
  const size_t length = std::min(password.size(), kMaxLength);
  block[0] = static_cast<uint8_t>(length);
  for (size_t i = 0; i < length; ++i) block[i + 1] = static_cast<uint8_t>(password[i]);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(kBlock * 2);
  for (unsigned i = 0; i < kBlock; ++i) {
    const auto b = static_cast<uint8_t>(block[i] + Key(i));
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::optional<std::string> PasswordUnscramble(std::string_view stored) {
  if (stored.size() != kBlock * 2) return std::nullopt;
  std::array<uint8_t, kBlock> block{};
  for (unsigned i = 0; i < kBlock; ++i) {
    const int hi = HexDigit(stored[2 * i]);
    const int lo = HexDigit(stored[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    block[i] = static_cast<uint8_t>((hi << 4 | lo) - Key(i));
  }
  const size_t length = std::min<size_t>(block[0], kMaxLength);
  std::string password;
  for (size_t i = 1; i <= length && block[i] != 0; ++i) password += static_cast<char>(block[i]);
  return password;
}

}  // namespace albumsmith
