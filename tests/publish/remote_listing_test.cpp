#include "publish/remote_listing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace albumsmith {

// Found by the test framework next to RemoteEntry.
static void PrintTo(const RemoteEntry& e, std::ostream* os) {
  *os << "{\"" << e.name << "\", time " << e.time << ", size " << e.size << (e.isDir ? ", dir" : "")
      << (e.yearInferred ? ", year inferred" : "") << (e.timeStep != 1 ? ", step " + std::to_string(e.timeStep) : "")
      << "}";
}

namespace {

// 2025-06-15 12:00:00 UTC: year-less dates are placed relative to it.
const std::int64_t kNow = UtcSeconds(2025, 6, 15, 12, 0);

struct LineCase {
  const char* line;
  std::optional<RemoteEntry> expected;  // nullopt: the line gives no entry
};

RemoteEntry File(const char* name, std::uint64_t size, std::int64_t time, bool yearInferred = false) {
  return {name, time, size, false, yearInferred};
}

RemoteEntry Dir(const char* name, std::uint64_t size, std::int64_t time, bool yearInferred = false) {
  return {name, time, size, true, yearInferred};
}

// LIST gives times in minutes, or only the date with the year.
constexpr std::int32_t kMinute = 60;
constexpr std::int32_t kDay = 86400;
RemoteEntry Step(RemoteEntry entry, std::int32_t step) {
  entry.timeStep = step;
  return entry;
}

TEST(ParseMlsdLineTest, FactsThenOneSpaceThenTheName) {
  const LineCase cases[] = {
      {"type=file;size=1234;modify=20240102030405;perm=adfrw; photo 1.jpg",
       File("photo 1.jpg", 1234, UtcSeconds(2024, 1, 2, 3, 4, 5))},
      // Fact names and values in any case; fractions of a second dropped.
      {"Type=DIR;Modify=20231231235959.123;UNIX.mode=0755; albsite",
       Dir("albsite", 0, UtcSeconds(2023, 12, 31, 23, 59, 59))},
      {"type=dir;sizd=4096;modify=20240229120000; leap", Dir("leap", 4096, UtcSeconds(2024, 2, 29, 12, 0, 0))},
      // Everything after the first space is the name, spaces and ";" included.
      {"type=file;size=5;modify=20240101000000;  two;parts = name.txt",
       File(" two;parts = name.txt", 5, UtcSeconds(2024, 1, 1))},
      {"type=file;size=7;modify=20240101000000; name.txt\r", File("name.txt", 7, UtcSeconds(2024, 1, 1))},
      // A link is removed like a file; an unreadable time reads as 0.
      {"type=OS.unix=slink:/srv/x;size=3; link", File("link", 3, 0)},
      {"type=file;size=1;modify=2024010100; short time.txt", File("short time.txt", 1, 0)},
      {"type=file;size=1;modify=20241301000000; month 13.txt", File("month 13.txt", 1, 0)},
      {"type=cdir;modify=20240101000000; .", std::nullopt},
      {"type=pdir;modify=20240101000000; ..", std::nullopt},
      {"no facts here", std::nullopt},
      {"type=file;size=3;modify=20240101000000;", std::nullopt},
      {"type=file;size=3; ", std::nullopt},
      {"", std::nullopt},
  };
  for (const LineCase& c : cases) EXPECT_EQ(ParseMlsdLine(c.line), c.expected) << c.line;
}

TEST(ParseListLineTest, UnixFormWithAndWithoutYear) {
  const LineCase cases[] = {
      {"-rw-r--r--    1 owner    group        1234 Dec 07  2019 old.jpg",
       Step(File("old.jpg", 1234, UtcSeconds(2019, 12, 7)), kDay)},
      {"drwxr-xr-x    2 owner    group        4096 Jun 14 13:37 albsite",
       Step(Dir("albsite", 4096, UtcSeconds(2025, 6, 14, 13, 37), true), kMinute)},
      // Half a year back crosses into the previous year.
      {"-rw-r--r--    1 owner    group          10 Dec 07 13:37 winter.jpg",
       Step(File("winter.jpg", 10, UtcSeconds(2024, 12, 7, 13, 37), true), kMinute)},
      // Half an hour ahead of now: a server whose clock runs fast. The year
      // goes one back; correcting that is the synchronisation's business.
      {"-rw-r--r--    1 owner    group          10 Jun 15 12:30 ahead.jpg",
       Step(File("ahead.jpg", 10, UtcSeconds(2024, 6, 15, 12, 30), true), kMinute)},
      {"-rw-r--r--    1 owner    group          10 Jun 15 12:00 now.jpg",
       Step(File("now.jpg", 10, UtcSeconds(2025, 6, 15, 12, 0), true), kMinute)},
      // 2025 has no 29 February: the last year that has one.
      {"-rw-r--r--    1 owner    group           3 Feb 29 10:00 leap.txt",
       Step(File("leap.txt", 3, UtcSeconds(2024, 2, 29, 10, 0), true), kMinute)},
      // Without group, with a one-digit day.
      {"-rw-r--r--    1 owner            5 Jan  2 08:05 nogroup.txt",
       Step(File("nogroup.txt", 5, UtcSeconds(2025, 1, 2, 8, 5), true), kMinute)},
      // An owner called like a month is not taken for the date.
      {"-rw-r--r--    1 Dec      staff          12 Jun 14 13:37 owner.jpg",
       Step(File("owner.jpg", 12, UtcSeconds(2025, 6, 14, 13, 37), true), kMinute)},
      // The name starts after exactly one space and is kept as it is.
      {"-rw-r--r--    1 ftp      ftp             3 Mar 04 10:00  two  spaces .jpg",
       Step(File(" two  spaces .jpg", 3, UtcSeconds(2025, 3, 4, 10, 0), true), kMinute)},
      {"-rw-r--r--    1 ftp      ftp             3 Mar 04 10:00 été #1 100%.jpg\r",
       Step(File("été #1 100%.jpg", 3, UtcSeconds(2025, 3, 4, 10, 0), true), kMinute)},
      {"lrwxrwxrwx    1 owner    group           7 Jun 01 10:00 current -> 2024/06",
       Step(File("current", 7, UtcSeconds(2025, 6, 1, 10, 0), true), kMinute)},
      {"total 12", std::nullopt},
      {"drwxr-xr-x    2 owner    group        4096 Jun 14 13:37", std::nullopt},
      {"-rw-r--r--    1 owner    group         abc Jun 14 13:37 size.txt", std::nullopt},
      {"-rw-r--r--    1 owner    group          12 Foo 14 13:37 month.txt", std::nullopt},
      {"-rw-r--r--    1 owner    group          12 Jun 31 13:37 day.txt", std::nullopt},
      {"-rw-r--r--    1 owner    group          12 Jun 14 25:00 hour.txt", std::nullopt},
      {"-rw-r--r--    1 owner    group          12 Jun 14 20x4 year.txt", std::nullopt},
      {"-rw 1 owner group 12 Jun 14 13:37 perms.txt", std::nullopt},
      {"Welcome to the server", std::nullopt},
  };
  for (const LineCase& c : cases) EXPECT_EQ(ParseListLine(c.line, kNow), c.expected) << c.line;
}

TEST(ParseListLineTest, DosForm) {
  const LineCase cases[] = {
      {"12-07-23  01:37PM       <DIR>          albsite",
       Step(Dir("albsite", 0, UtcSeconds(2023, 12, 7, 13, 37)), kMinute)},
      {"01-02-24  12:05AM                 1234 photo 1.jpg",
       Step(File("photo 1.jpg", 1234, UtcSeconds(2024, 1, 2, 0, 5)), kMinute)},
      {"01-02-24  12:05PM                    0 noon.txt",
       Step(File("noon.txt", 0, UtcSeconds(2024, 1, 2, 12, 5)), kMinute)},
      {"06-15-2025  23:59                    7 clock24.txt",
       Step(File("clock24.txt", 7, UtcSeconds(2025, 6, 15, 23, 59)), kMinute)},
      {"12-07-69  12:00PM                    5 y2069.txt",
       Step(File("y2069.txt", 5, UtcSeconds(2069, 12, 7, 12, 0)), kMinute)},
      {"12-07-70  12:00PM                    5 y1970.txt",
       Step(File("y1970.txt", 5, UtcSeconds(1970, 12, 7, 12, 0)), kMinute)},
      {"13-01-24  01:00PM                    5 month.txt", std::nullopt},
      {"02-30-24  01:00PM                    5 day.txt", std::nullopt},
      {"12-07-23  13:00PM                    5 hour.txt", std::nullopt},
      {"12-07-23  01:00PM                  5k5 size.txt", std::nullopt},
      {"12-07-23  01:00PM       <DIR>", std::nullopt},
      {"2024-01-02 10:00 5 iso.txt", std::nullopt},
  };
  for (const LineCase& c : cases) EXPECT_EQ(ParseListLine(c.line, kNow), c.expected) << c.line;
}

TEST(ParseListingTest, KeepsTheServersOrderAndLeavesOutWhatCannotBeAPath) {
  const std::string list =
      "total 3\r\n"
      "drwxr-xr-x    4 o g 4096 Jun 14 13:37 .\r\n"
      "drwxr-xr-x    9 o g 4096 Jun 14 13:37 ..\r\n"
      "-rw-r--r--    1 o g    2 Jun 14 13:37 b.jpg\r\n"
      "-rw-r--r--    1 o g    2 Jun 14 13:37 a/b.jpg\r\n"
      "drwxr-xr-x    2 o g 4096 Jun 14 13:37 A folder\r\n"
      "-rw-r--r--    1 o g    2 Jun 14 13:37 bell\x07.jpg\r\n"
      "drwxr-xr-x    2 o g 4096 Jun 14 13:37 ..\\..\\other-site\r\n"
      "\r\n";
  std::vector<std::string> names;
  std::vector<std::string> unsafe;
  for (const RemoteEntry& e : ParseListing(list, ListingForm::List, kNow, &unsafe)) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"b.jpg", "A folder"}));
  // Left out to be shown, all but the "." and ".." every LIST may hold.
  EXPECT_EQ(unsafe, (std::vector<std::string>{"a/b.jpg", "bell\x07.jpg", "..\\..\\other-site"}));

  // A CR inside a name, as a hostile server could send it, would end an FTP
  // command early if the name were sent back.
  const std::string mlsd =
      "type=cdir;modify=20240101000000; /albsite\n"
      "type=file;size=1;modify=20240101000000; z.jpg\n"
      "type=file;size=1;modify=20240101000000; x\rDELE y\n"
      "type=file;size=1;modify=20240101000000; ..\n"
      "type=dir;modify=20240101000000; m\n";
  names.clear();
  unsafe.clear();
  for (const RemoteEntry& e : ParseListing(mlsd, ListingForm::Mlsd, kNow, &unsafe)) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"z.jpg", "m"}));
  // MLSD marks the real "." and ".." by their type; a file named ".." is no such mark.
  EXPECT_EQ(unsafe, (std::vector<std::string>{"x\rDELE y", ".."}));
  EXPECT_EQ(NamesForMessage(unsafe), "\"x\\rDELE y\"\r\n\"..\"");
}

TEST(AddOneYearTest, SameDateAndTimeOneCalendarYearLater) {
  const struct {
    std::int64_t from;
    std::int64_t to;
  } cases[] = {
      {UtcSeconds(2024, 6, 15, 12, 30), UtcSeconds(2025, 6, 15, 12, 30)},
      {UtcSeconds(2023, 3, 1, 0, 0), UtcSeconds(2024, 3, 1, 0, 0)},  // across a leap day: 366 days
      {UtcSeconds(2024, 2, 29, 10, 0), UtcSeconds(2025, 2, 28, 10, 0)},
      {UtcSeconds(2023, 12, 31, 23, 59, 59), UtcSeconds(2024, 12, 31, 23, 59, 59)},
      {UtcSeconds(1969, 12, 31, 23, 0), UtcSeconds(1970, 12, 31, 23, 0)},
  };
  for (const auto& c : cases) EXPECT_EQ(AddOneYear(c.from), c.to) << c.from;
}

TEST(RemoteEntryListTest, FindIgnoresLetterCaseAndRemovedEntriesAreGone) {
  RemoteEntryList list;
  for (const char* name : {"a.jpg", "IMG_1.JPG", "b.jpg", "c.jpg"}) list.Append(File(name, 1, 0));
  EXPECT_EQ(list.Find("img_1.jpg"), 1);
  EXPECT_EQ(list.Find("IMG_1.jpeg"), -1);
  list.RemoveRange(1, 2);
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(list.Find("IMG_1.JPG"), -1);
  EXPECT_EQ(list.Find("c.jpg"), 1);
  list.RemoveRange(1, 10);  // a range past the end stops at the end
  EXPECT_EQ(list.size(), 1u);
}

}  // namespace
}  // namespace albumsmith
