#include "album/side_files.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <cstdint>
#include <fstream>
#include <optional>
#include <unordered_set>

#include "platform/strings.h"
#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace {

constexpr std::string_view kSortInf = "sort.inf";
constexpr std::string_view kSortPos = "sort.pos";
constexpr TextId kCannotReadSortFile = TextId::kCannotReadSortFile;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimEnd(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Reads a decimal number the way the C library's scanners do: leading white
// space, an optional sign, then at least one digit. Large values stop at the
// limits of int rather than wrapping.
std::optional<int> ScanInt(std::string_view s, size_t& pos) {
  size_t p = pos;
  while (p < s.size() && IsBlank(s[p])) ++p;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  if (p >= s.size() || !IsDigit(s[p])) return std::nullopt;
  int64_t value = 0;
  for (; p < s.size() && IsDigit(s[p]); ++p) value = std::min<int64_t>(value * 10 + (s[p] - '0'), int64_t{INT_MAX} + 1);
  pos = p;
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(std::min<int64_t>(value, INT_MAX));
}

// The lines of a text file without their line ends; accepts LF and CR LF.
std::optional<std::vector<std::string>> ReadLines(const std::string& path) {
  const std::optional<std::string> data = ReadWholeFile(path);
  if (!data) return std::nullopt;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < data->size()) {
    size_t end = data->find('\n', start);
    if (end == std::string::npos) end = data->size();
    std::string_view line(data->data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

// The names of an order file: every line after the first, without trailing
// white space. A name that could lead out of the folder, or one seen before,
// is dropped: the file may have been edited by hand or by someone else.
std::vector<std::string> NamesOf(const std::vector<std::string>& lines) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::string name(TrimEnd(lines[i]));
    if (IsSafeName(name) && seen.insert(name).second) names.push_back(std::move(name));
  }
  return names;
}

std::string OrderFileText(int ordering, const std::vector<std::string>& names) {
  std::string text = Fmt("%d\n", {ordering});
  for (const std::string& name : names) text += name + "\n";
  return text;
}

// "2003:12:14 12:01:44" parsed as "%d:%d:%d %s" into "14-dec-03 12:01:44".
std::optional<std::string> DisplayDate(std::string_view key) {
  size_t pos = 0;
  int fields[3];
  for (int i = 0; i < 3; ++i) {
    const std::optional<int> n = ScanInt(key, pos);
    if (!n) return std::nullopt;
    fields[i] = *n;
    if (i < 2) {
      if (pos >= key.size() || key[pos] != ':') return std::nullopt;
      ++pos;
    }
  }
  while (pos < key.size() && IsBlank(key[pos])) ++pos;
  size_t end = pos;
  while (end < key.size() && !IsBlank(key[end])) ++end;
  if (end == pos) return std::nullopt;
  std::string_view time = key.substr(pos, end - pos);
  time = time.substr(0, time.find('<'));
  const int year = fields[0];
  const int month = fields[1];
  const int day = fields[2];
  return Fmt("%02d-%s-%02d %s", {day, MonthAbbreviation(month), year % 100, time});
}

// The date text of a "Date/Time" row: after the row's first ':', from the
// first digit on, up to the first '<'.
std::string DateKeyOf(std::string_view line) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  size_t start = colon + 1;
  while (start < line.size() && !IsDigit(line[start])) ++start;
  std::string_view key = line.substr(start);
  return std::string(key.substr(0, key.find('<')));
}

// height * 1000 / width from a "Resolution" row ("640 x 480"); with
// `quarterTurn` set, of the picture turned a quarter, as the derived images are.
std::optional<int> RatioOf(std::string_view line, bool quarterTurn) {
  const size_t x = line.find(" x");
  if (x == std::string_view::npos) return std::nullopt;
  size_t start = x;
  while (start > 0 && IsDigit(line[start - 1])) --start;
  size_t pos = start;
  const std::optional<int> width = ScanInt(line, pos);
  if (!width) return std::nullopt;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos >= line.size() || line[pos] != 'x') return std::nullopt;
  ++pos;
  const std::optional<int> height = ScanInt(line, pos);
  if (!height || *width == 0) return std::nullopt;
  if (quarterTurn && *height == 0) return std::nullopt;
  const int64_t ratio = quarterTurn ? int64_t{*width} * 1000 / *height : int64_t{*height} * 1000 / *width;
  return static_cast<int>(std::clamp<int64_t>(ratio, INT_MIN, INT_MAX));
}

}  // namespace

FolderDirs FolderDirectories(const std::string& profileDir, const std::string& folder) {
  return {profileDir + "ImageTree/" + folder, profileDir + "albsite/s/" + folder, profileDir + "albsite/m/" + folder};
}

bool IsSafeFolder(std::string_view folder) {
  if (folder.empty()) return true;
  if (folder.back() != '/') return false;
  folder.remove_suffix(1);
  for (const std::string& part : Split(folder, '/'))
    if (!IsSafeName(part)) return false;
  return true;
}

bool HasJpgExtension(std::string_view name) {
  return name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), ".jpg");
}

int ReadOrderFiles(const std::string& profileDir, const std::string& folder, std::vector<std::string>& names,
                   bool currentOrder, std::vector<std::string>* currentNames) {
  names.clear();
  if (currentNames) currentNames->clear();
  const std::string dir = FolderDirectories(profileDir, folder).thumbnails;
  const std::optional<std::vector<std::string>> inf = ReadLines(dir + std::string(kSortInf));
  if (!inf || inf->empty()) return -1;
  size_t pos = 0;
  const int ordering = ScanInt((*inf)[0], pos).value_or(0);
  names = NamesOf(*inf);
  if (currentNames) *currentNames = names;
  if (!currentOrder) {
    if (const std::optional<std::vector<std::string>> sortPos = ReadLines(dir + std::string(kSortPos)))
      names = NamesOf(*sortPos);
  }
  return ordering;
}

bool WriteOrderFiles(const std::string& profileDir, const std::string& folder, std::vector<std::string>& names,
                     int ordering) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  std::erase_if(names, [&](const std::string& name) { return !IsSafeName(name) || !FileExists(dirs.images + name); });
  const std::string text = OrderFileText(ordering, names);
  if (!WriteFileIfChanged(dirs.thumbnails + std::string(kSortInf), text)) return false;
  // The position order only changes while it is the ordering shown, so the
  // file keeps the last one made otherwise. It is a convenience copy: the
  // order shown is already written, so a failure here costs nothing more.
  if (ordering == kSortByPosition) (void)WriteFileIfChanged(dirs.thumbnails + std::string(kSortPos), text);
  return true;
}

std::string NoCommentText() { return LoadString(TextId::kNoCommentText); }

bool IsNoComment(std::string_view text) { return text == kNoComment || text == NoCommentText(); }

std::string ReadComment(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return NoCommentText();
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line.empty() ? NoCommentText() : line;
}

Status WriteComment(const std::string& path, const std::string& text) {
  if (IsNoComment(text)) {
    ::unlink(path.c_str());
    return {};
  }
  return WriteFileIfChanged(path, text);
}

std::string ReadImageDate(const std::string& rowsPath, const std::string& fileName, std::string& dateKey, int* ratio) {
  if (ratio) *ratio = 1000;
  const std::optional<std::vector<std::string>> lines = ReadLines(rowsPath);
  if (!lines) return {};
  std::optional<std::string> display;
  // The Resolution row is the one after the date row: rows before it (the
  // file name among them) may hold any text. Without a date row there is
  // no such row, and the proportions stay square.
  size_t next = lines->size();
  for (size_t i = 0; i < lines->size(); ++i) {
    if ((*lines)[i].find("Date/Time") == std::string::npos) continue;
    dateKey = DateKeyOf((*lines)[i]);
    display = DisplayDate(dateKey);
    next = i + 1;
    break;
  }
  if (ratio) {
    // The derived images are upright: a picture whose orientation turns it
    // a quarter is shown with its sides swapped.
    bool quarterTurn = false;
    for (const std::string& line : *lines) {
      if (line.find("Orientation") == std::string::npos) continue;
      for (const char* name : {"transpose", "rotate 90", "transverse", "rotate 270"})
        quarterTurn = quarterTurn || line.find(name) != std::string::npos;
      break;
    }
    for (size_t i = next; i < lines->size(); ++i) {
      if ((*lines)[i].find("Resolution") == std::string::npos) continue;
      if (const std::optional<int> r = RatioOf((*lines)[i], quarterTurn)) *ratio = *r;
      break;
    }
  }
  return display ? *display : StripExtension(fileName);
}

namespace {

std::vector<std::string> OrderedPhotos(const std::string& profileDir, const std::string& folder, bool report) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  // The photos the folder holds now, whatever added or removed them since
  // sort.inf was written. A photo without thumbnail could not be read (or
  // is not made yet): its page would show a broken picture.
  std::vector<std::string> files;
  ListFiles(dirs.images, files);
  std::vector<std::string> photos;
  for (const std::string& path : files) {
    std::string name = FileName(path);
    if (HasJpgExtension(name) && IsSafeName(name) && FileExists(dirs.thumbnails + name))
      photos.push_back(std::move(name));
  }

  const std::string sortInf = dirs.thumbnails + std::string(kSortInf);
  const std::optional<std::vector<std::string>> lines = ReadLines(sortInf);
  if (!lines && report) ShowMessage({Icon::Exclamation}, kCannotReadSortFile, {sortInf});
  // In the folder's order; photos it does not name yet follow in name
  // order, where the next load of the folder puts them too.
  std::vector<std::string> ordered;
  std::unordered_set<std::string> unplaced(photos.begin(), photos.end());
  if (lines) {
    for (std::string& name : NamesOf(*lines))
      if (unplaced.erase(name)) ordered.push_back(std::move(name));
  }
  for (const std::string& name : photos)
    if (unplaced.count(name)) ordered.push_back(name);
  return ordered;
}

}  // namespace

std::vector<std::string> FolderPhotoNames(const std::string& profileDir, const std::string& folder) {
  return OrderedPhotos(profileDir, folder, false);
}

std::vector<SequenceImage> ReadFolderSequence(const std::string& profileDir, const std::string& folder) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  const std::vector<std::string> ordered = OrderedPhotos(profileDir, folder, true);

  std::vector<SequenceImage> sequence;
  for (const std::string& name : ordered) {
    SequenceImage image;
    image.fileName = name;
    std::string key;
    image.date = ReadImageDate(dirs.thumbnails + name + ".html", name, key, &image.ratio);
    image.comment = ReadComment(dirs.thumbnails + name + ".comment");
    if (IsNoComment(image.comment)) image.comment.clear();
    sequence.push_back(std::move(image));
  }
  return sequence;
}

bool CleanTemporaryFile(const std::string& dir, const std::string& name) {
  if (!IsTemporaryName(name)) return false;
  if (IsAbandonedTemporary(name)) ::unlink((dir + name).c_str());
  return true;
}

std::vector<DirEntry> ReadDir(const std::string& dir) {
  std::vector<DirEntry> entries;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code statEc;
    const bool directory = it->symlink_status(statEc).type() == std::filesystem::file_type::directory;
    entries.push_back({it->path().filename().string(), directory});
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return NameLess(a.name, b.name); });
  return entries;
}

}  // namespace albumsmith
