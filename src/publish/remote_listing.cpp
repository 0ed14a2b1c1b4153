#include "remote_listing.h"

#include <array>
#include <charconv>

#include "platform/text.h"

namespace albumsmith {

namespace {

constexpr std::int64_t kDay = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

struct Civil {
  std::int64_t year;
  int month;
  int day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

int DaysInMonth(std::int64_t year, int month) {
  static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[static_cast<size_t>(month - 1)];
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Digits only, no sign, no overflow.
template <typename T>
bool ReadNumber(std::string_view s, T& value) {
  if (!AllDigits(s)) return false;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  return error == std::errc() && end == s.data() + s.size();
}

int MonthNumber(std::string_view token) {
  static constexpr std::array<std::string_view, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                            "jul", "aug", "sep", "oct", "nov", "dec"};
  for (size_t i = 0; i < kMonths.size(); ++i) {
    if (EqualsNoCase(token, kMonths[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool ValidTime(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60;
}

// "HH:MM" with one or two hour digits.
bool ReadClock(std::string_view s, int& hour, int& minute) {
  const size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || s.size() - colon != 3) return false;
  return ReadNumber(s.substr(0, colon), hour) && ReadNumber(s.substr(colon + 1), minute) && ValidTime(hour, minute, 0);
}

struct Token {
  std::string_view text;
  size_t end;  // offset just past the token in the line
};

std::vector<Token> Tokens(std::string_view line, size_t maxTokens) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (tokens.size() < maxTokens) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size()) break;
    const size_t start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
    tokens.push_back({line.substr(start, pos - start), pos});
  }
  return tokens;
}

// A year-less date: the latest year whose date is not after `now`. Looking
// back a few years also places 29 February in the last leap year.
std::optional<std::int64_t> RecentDate(int month, int day, int hour, int minute, std::int64_t now) {
  const std::int64_t nowYear = CivilFromDays(now >= 0 ? now / kDay : (now - kDay + 1) / kDay).year;
  for (std::int64_t year = nowYear; year > nowYear - 8; --year) {
    if (!ValidDate(static_cast<int>(year), month, day)) continue;
    const std::int64_t t = UtcSeconds(static_cast<int>(year), month, day, hour, minute);
    if (t <= now) return t;
  }
  return std::nullopt;
}

// drwxr-xr-x   2 owner group   4096 Dec 07 13:37 name
// -rw-r--r--   1 owner group   1234 Mar 04  2019 name
// Some servers leave out the group or the link count, so the date is found
// as "month day time-or-year" after a size.
std::optional<RemoteEntry> ParseUnixLine(std::string_view line, std::int64_t now) {
  const char kind = line[0];
  if (std::string_view("-dlpscb").find(kind) == std::string_view::npos) return std::nullopt;
  const std::vector<Token> tokens = Tokens(line, 9);
  if (tokens.empty() || tokens[0].text.size() < 10) return std::nullopt;

  for (size_t i = 2; i + 2 < tokens.size(); ++i) {
    const int month = MonthNumber(tokens[i].text);
    std::uint64_t size = 0;
    int day = 0;
    if (!month || !ReadNumber(tokens[i - 1].text, size) || !ReadNumber(tokens[i + 1].text, day)) continue;
    if (day < 1 || day > 31) continue;

    const Token& when = tokens[i + 2];
    if (when.end + 1 >= line.size()) continue;  // ls puts exactly one space before the name
    RemoteEntry entry;
    int hour = 0;
    int minute = 0;
    int year = 0;
    if (ReadClock(when.text, hour, minute)) {
      const auto time = RecentDate(month, day, hour, minute, now);
      if (!time) continue;
      entry.time = *time;
      entry.yearInferred = true;
      entry.timeStep = 60;
    } else if (when.text.size() == 4 && ReadNumber(when.text, year) && ValidDate(year, month, day)) {
      entry.time = UtcSeconds(year, month, day);
      entry.timeStep = 86400;
    } else {
      continue;
    }

    std::string_view name = line.substr(when.end + 1);
    if (kind == 'l') {
      const size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (name.empty()) return std::nullopt;
    entry.name = std::string(name);
    entry.size = size;
    entry.isDir = kind == 'd';
    return entry;
  }
  return std::nullopt;
}

// 12-07-23  01:37PM       <DIR>          name
// 12-07-2023  13:37                 1234 name
std::optional<RemoteEntry> ParseDosLine(std::string_view line) {
  const std::vector<Token> tokens = Tokens(line, 3);
  if (tokens.size() < 3) return std::nullopt;

  const std::vector<std::string> date = Split(tokens[0].text, '-');
  int month = 0;
  int day = 0;
  int year = 0;
  if (date.size() != 3 || !ReadNumber(date[0], month) || !ReadNumber(date[1], day) || !ReadNumber(date[2], year))
    return std::nullopt;
  if (date[2].size() == 2) {
    year += year < 70 ? 2000 : 1900;
  } else if (date[2].size() != 4) {
    return std::nullopt;
  }
  if (month < 1 || month > 12 || !ValidDate(year, month, day)) return std::nullopt;

  std::string_view clock = tokens[1].text;
  int pm = -1;  // -1: a 24-hour clock
  if (clock.size() > 2 && (EndsWith(ToLower(clock), "am") || EndsWith(ToLower(clock), "pm"))) {
    pm = EndsWith(ToLower(clock), "pm") ? 1 : 0;
    clock.remove_suffix(2);
  }
  int hour = 0;
  int minute = 0;
  if (!ReadClock(clock, hour, minute)) return std::nullopt;
  if (pm >= 0) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour = hour % 12 + (pm ? 12 : 0);
  }

  RemoteEntry entry;
  if (EqualsNoCase(tokens[2].text, "<DIR>")) {
    entry.isDir = true;
  } else if (!ReadNumber(tokens[2].text, entry.size)) {
    return std::nullopt;
  }
  size_t start = tokens[2].end;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  if (start >= line.size()) return std::nullopt;
  entry.name = std::string(line.substr(start));
  entry.time = UtcSeconds(year, month, day, hour, minute);
  entry.timeStep = 60;
  return entry;
}

}  // namespace

std::optional<std::int64_t> ParseFtpTime(std::string_view value) {
  const size_t dot = value.find('.');
  if (dot != std::string_view::npos) value = value.substr(0, dot);
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (value.size() != 14 || !ReadNumber(value.substr(0, 4), year) || !ReadNumber(value.substr(4, 2), month) ||
      !ReadNumber(value.substr(6, 2), day) || !ReadNumber(value.substr(8, 2), hour) ||
      !ReadNumber(value.substr(10, 2), minute) || !ReadNumber(value.substr(12, 2), second))
    return std::nullopt;
  if (!ValidDate(year, month, day) || !ValidTime(hour, minute, second)) return std::nullopt;
  return UtcSeconds(year, month, day, hour, minute, second == 60 ? 59 : second);
}

bool ValidDate(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, month, day) * kDay + std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
}

std::int64_t AddOneYear(std::int64_t time) {
  std::int64_t days = time / kDay;
  std::int64_t secondOfDay = time % kDay;
  if (secondOfDay < 0) {
    secondOfDay += kDay;
    --days;
  }
  const Civil date = CivilFromDays(days);
  const std::int64_t year = date.year + 1;
  const int day = std::min(date.day, DaysInMonth(year, date.month));
  return DaysFromCivil(year, date.month, day) * kDay + secondOfDay;
}

std::optional<RemoteEntry> ParseMlsdLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  const size_t space = line.find(' ');
  if (space == std::string_view::npos || space == 0) return std::nullopt;
  const std::string_view facts = line.substr(0, space);
  if (facts.find('=') == std::string_view::npos) return std::nullopt;

  RemoteEntry entry;
  entry.name = std::string(line.substr(space + 1));
  if (entry.name.empty()) return std::nullopt;
  for (const std::string& fact : Split(facts, ';')) {
    const size_t equals = fact.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = ToLower(std::string_view(fact).substr(0, equals));
    const std::string_view value = std::string_view(fact).substr(equals + 1);
    if (key == "type") {
      const std::string type = ToLower(value);
      if (type == "cdir" || type == "pdir") return std::nullopt;
      entry.isDir = type == "dir";
    } else if (key == "size" || key == "sizd") {
      ReadNumber(value, entry.size);
    } else if (key == "modify") {
      if (const auto time = ParseFtpTime(value)) entry.time = *time;
    }
  }
  return entry;
}

std::optional<RemoteEntry> ParseListLine(std::string_view line, std::int64_t now) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  if (line.empty()) return std::nullopt;
  if (line[0] >= '0' && line[0] <= '9') return ParseDosLine(line);
  return ParseUnixLine(line, now);
}

std::vector<RemoteEntry> ParseListing(std::string_view text, ListingForm form, std::int64_t now,
                                      std::vector<std::string>* unsafe) {
  std::vector<RemoteEntry> entries;
  for (const std::string& line : Split(text, '\n')) {
    auto entry = form == ListingForm::Mlsd ? ParseMlsdLine(line) : ParseListLine(line, now);
    if (!entry) continue;
    if (IsSafeName(entry->name)) {
      entries.push_back(std::move(*entry));
    } else if (unsafe && !entry->name.empty() &&
               (form == ListingForm::Mlsd || (entry->name != "." && entry->name != ".."))) {
      // MLSD marks the directory itself and its parent by their type; a
      // "." or ".." of another type is no such mark.
      unsafe->push_back(std::move(entry->name));
    }
  }
  return entries;
}

std::string NamesForMessage(const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  lines.reserve(names.size());
  for (const std::string& name : names) lines.push_back("\"" + Printable(name) + "\"");
  return Join(lines, "\r\n");
}

}  // namespace albumsmith
