#pragma once
// The reversible form in which every stored password is kept: the upper-case
// hexadecimal digits of a block of 32 bytes (length, then the password), each
// byte shifted by a position-dependent key. A password of more than 31
// characters takes as many 32-byte blocks as it needs; then the first byte
// holds the length modulo 256, which the number of blocks makes unambiguous.
// Up to 31 characters the form is the 64 digits that older files hold.

#include <optional>
#include <string>
#include <string_view>

namespace albumsmith {

std::string PasswordScramble(std::string_view password);
// Nothing for a value that is not a whole number of 64 hexadecimal digits.
std::optional<std::string> PasswordUnscramble(std::string_view stored);

}  // namespace albumsmith
