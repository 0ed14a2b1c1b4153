#include "password.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace albumsmith {

namespace {

constexpr size_t kBlock = 32;
constexpr size_t kMaxLength = kBlock - 1;  // in one block
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
  const size_t length = password.size();
  std::vector<uint8_t> block((length / kBlock + 1) * kBlock, 0);
  block[0] = static_cast<uint8_t>(length & 0xFF);
  for (size_t i = 0; i < length; ++i) block[i + 1] = static_cast<uint8_t>(password[i]);
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(block.size() * 2);
  for (size_t i = 0; i < block.size(); ++i) {
    const auto b = static_cast<uint8_t>(block[i] + Key(static_cast<unsigned>(i)));
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out;
}

std::optional<std::string> PasswordUnscramble(std::string_view stored) {
  if (stored.empty() || stored.size() % (kBlock * 2) != 0) return std::nullopt;
  std::vector<uint8_t> block(stored.size() / 2);
  for (size_t i = 0; i < block.size(); ++i) {
    const int hi = HexDigit(stored[2 * i]);
    const int lo = HexDigit(stored[2 * i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    block[i] = static_cast<uint8_t>((hi << 4 | lo) - Key(static_cast<unsigned>(i)));
  }
  size_t length = std::min<size_t>(block[0], kMaxLength);
  if (block.size() > kBlock) {
    // The length lies in the last block's range; its low byte picks it out.
    const size_t shortest = block.size() - kBlock;
    const size_t offset = static_cast<uint8_t>(block[0] - shortest);
    if (offset >= kBlock) return std::nullopt;
    length = shortest + offset;
  }
  std::string password;
  for (size_t i = 1; i <= length && block[i] != 0; ++i) password += static_cast<char>(block[i]);
  return password;
}

}  // namespace albumsmith
