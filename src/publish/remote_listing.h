#pragma once
// Reading directory listings as FTP servers send them: MLSD lines (exact UTC
// facts) and LIST lines in the Unix "ls -l" or the DOS form. Pure functions,
// so every odd line a server may send can be tried without a server.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "remote_entry.h"

namespace albumsmith {

enum class ListingForm { Mlsd, List };

// One MLSD line: facts, one space, the name. "cdir" and "pdir" entries and
// lines without facts give nothing.
std::optional<RemoteEntry> ParseMlsdLine(std::string_view line);

// One LIST line, Unix or DOS form; anything else (a "total" line, a banner)
// gives nothing. Times are taken as UTC. A date without a year gets the most
// recent year that does not put it after `now` (seconds since 1970 UTC).
std::optional<RemoteEntry> ParseListLine(std::string_view line, std::int64_t now);

// A whole listing, lines ending with LF or CR LF. Leaves out ".", "..",
// lines it cannot read and names that could not safely become a remote path
// (IsSafeName). Those unsafe names go to `unsafe`, when given, so that they
// can be shown; the "." and ".." that LIST shows for every directory do not.
std::vector<RemoteEntry> ParseListing(std::string_view text, ListingForm form, std::int64_t now,
                                      std::vector<std::string>* unsafe = nullptr);

// Names as a message lists them: quoted, one a line, a control character
// shown as "?" so that no name can act on a terminal.
std::string NamesForMessage(const std::vector<std::string>& names);

// An MLSD "modify" fact or the time in a reply to MDTM: "YYYYMMDDHHMMSS",
// fractions of a second allowed and ignored.
std::optional<std::int64_t> ParseFtpTime(std::string_view value);

// The same UTC date and time one calendar year later (29 February becomes
// 28 February). The synchronisation corrects listed times with it.
std::int64_t AddOneYear(std::int64_t time);

// UTC calendar date to seconds since 1970, and whether the date exists.
bool ValidDate(int year, int month, int day);
std::int64_t UtcSeconds(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace albumsmith
