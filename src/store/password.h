#pragma once
// The reversible form in which every stored password is kept: 64 upper-case
// hexadecimal digits of a 32-byte block (length, then the password, at most
// 31 characters), each byte shifted by a position-dependent key.

#include <optional>
#include <string>
#include <string_view>

namespace albumsmith {

std::string PasswordScramble(std::string_view password);
// Nothing for a value that is not exactly 64 hexadecimal digits.
std::optional<std::string> PasswordUnscramble(std::string_view stored);

}  // namespace albumsmith
