#pragma once
// Small text helpers shared by every layer: case-insensitive comparison the
// way file names and settings keys are compared, trimming, splitting.

#include <string>
#include <string_view>
#include <vector>

namespace albumsmith {

// Lower-cases ASCII letters; bytes of multi-byte UTF-8 sequences are kept,
// so names differing only in ASCII letter case compare equal.
std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 like strcmp, ignoring ASCII letter case.
int CompareNoCase(std::string_view a, std::string_view b);
// The order in which the program lists file and folder names: without regard
// to ASCII letter case, ties broken by the bytes so the order is total.
bool NameLess(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);

std::string_view Trim(std::string_view s);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
std::vector<std::string> Split(std::string_view s, char separator);
std::string Join(const std::vector<std::string>& parts, std::string_view separator);
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);

// A directory path with a "/" at its end (added when missing, "" gives "/"),
// and without the "/"s at its end ("/" itself stays "/"), as messages,
// system calls and FTP commands name a directory.
std::string WithSlash(std::string path);
std::string WithoutSlash(std::string path);

// True when the text holds a byte below 0x20 or DEL.
bool HasControlChar(std::string_view s);
// The text as a message can show it: a line break inside a name would split
// the message, so control characters are written as escapes ("\\n", "\\t",
// "\\r", "\\xHH").
std::string Printable(std::string_view s);
// An ASCII letter or digit, whatever the locale.
bool IsAsciiAlnum(char c);

// Whether a name from a user, a file system or a server may become one level
// of a local or remote path: not empty, not "." or "..", without "/" or "\\"
// (some servers take either as a separator) and without control characters
// (CR and LF would end an FTP command early).
bool IsSafeName(std::string_view name);

}  // namespace albumsmith
