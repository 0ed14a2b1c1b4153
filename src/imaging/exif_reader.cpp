#include "imaging/exif_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "platform/atomic_file.h"
#include "platform/strings.h"

namespace albumsmith {
namespace {

// The name that starts each section of an embedded colour profile.
constexpr std::string_view kIccTag{"ICC_PROFILE\0", 12};

// Bytes of a comment section that are looked at, its two length bytes included.
constexpr std::size_t kMaxCommentSection = 1000;

bool IsStartOfFrame(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

// Bytes from an open file or from memory, one at a time or in runs.
class ExifReader::Source {
 public:
  explicit Source(std::FILE* file) : file_(file) {}
  explicit Source(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // The next byte, or -1 at the end.
  int Get() {
    if (file_) return std::fgetc(file_);
    return pos_ < bytes_.size() ? bytes_[pos_++] : -1;
  }
  std::size_t Read(std::uint8_t* to, std::size_t count) {
    if (file_) return std::fread(to, 1, count, file_);
    const std::size_t n = std::min(count, bytes_.size() - pos_);
    if (n > 0) std::memcpy(to, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  // Appends everything up to the end; false on a read error.
  bool ReadRest(std::vector<std::uint8_t>& to) {
    if (!file_) {
      to.insert(to.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(pos_), bytes_.end());
      pos_ = bytes_.size();
      return true;
    }
    std::vector<std::uint8_t> chunk(65536);
    for (;;) {
      const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), file_);
      to.insert(to.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
      if (n < chunk.size()) return !std::ferror(file_);
    }
  }

 private:
  std::FILE* file_ = nullptr;
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

ExifReader::ExifReader() : info_(&ownInfo_) {}

ExifReader::ExifReader(ImageInfo& info) : info_(&info) { info = ImageInfo(); }

bool ExifReader::ReadSections(std::FILE* stream, ImageData imageData) {
  Source source(stream);
  return readFrom(source, imageData);
}

bool ExifReader::ReadSections(std::span<const std::uint8_t> bytes, ImageData imageData) {
  Source source(bytes);
  return readFrom(source, imageData);
}

bool ExifReader::ReadFile(const std::filesystem::path& path, ImageData imageData) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    errorText_ = FormatString(TextId::kCannotOpenImageFile, {path.string()});
    return false;
  }
  const bool ok = ReadSections(f, imageData);
  std::fclose(f);
  return ok;
}

void ExifReader::report(const char* line) {
  diagnostic_ = line;
  if (!diagnostic_.empty() && diagnostic_.back() == '\n') diagnostic_.pop_back();
  if (diagnostics_) std::fputs(line, diagnostics_);
}

bool ExifReader::readFrom(Source& in, ImageData imageData) {
  if (in.Get() != 0xFF || in.Get() != 0xD8) return false;
  for (;;) {
    if (sections_.size() >= static_cast<std::size_t>(kMaxSections)) {
      errorText_ = LoadString(TextId::kJpegTooManySections);
      return false;
    }
    int marker = 0;
    for (int i = 0; i < 7; ++i) {
      marker = in.Get();
      if (marker != 0xFF) break;
      if (i == 6) {
        report("too many padding unsigned chars\n");
        return false;
      }
    }
    const int high = in.Get();
    const int low = in.Get();
    // At the end of the file both reads give -1, which lands here too.
    if (high < 0 || low < 0 || (high << 8 | low) < 2) {
      errorText_ = LoadString(TextId::kJpegInvalidMarker);
      return false;
    }
    const std::size_t length = static_cast<std::size_t>(high << 8 | low);
    JpegSection section;
    section.type = marker;
    try {
      section.data.resize(length);
    } catch (const std::bad_alloc&) {
      errorText_ = LoadString(TextId::kJpegCannotAllocate);
      return false;
    }
    section.data[0] = static_cast<std::uint8_t>(high);
    section.data[1] = static_cast<std::uint8_t>(low);
    if (in.Read(section.data.data() + 2, length - 2) != length - 2) {
      errorText_ = LoadString(TextId::kJpegPrematureEnd);
      return false;
    }

    if (IsStartOfFrame(marker)) {
      auto byte = [&](std::size_t i) { return i < length ? section.data[i] : 0; };
      info_->height = byte(3) << 8 | byte(4);
      info_->width = byte(5) << 8 | byte(6);
      info_->isColor = byte(7) == 3 ? 1 : 0;
      info_->process = marker;
      sections_.push_back(std::move(section));
      continue;
    }
    switch (marker) {
      case kMarkerEoi:
        report("No image in jpeg!\n");
        return false;
      case kMarkerSos: {
        sections_.push_back(std::move(section));
        if (imageData == ImageData::Skip) return true;
        JpegSection rest;
        rest.type = kSectionRestOfFile;
        try {
          if (!in.ReadRest(rest.data)) {
            errorText_ = LoadString(TextId::kJpegCannotReadRest);
            return false;
          }
        } catch (const std::bad_alloc&) {
          errorText_ = LoadString(TextId::kJpegCannotAllocateImage);
          return false;
        }
        sections_.push_back(std::move(rest));
        haveAll_ = true;
        return true;
      }
      case kMarkerApp0:
        // The JFIF header is not kept; writing back adds one when it is needed.
        break;
      case kMarkerApp1:
        if (length >= 6 && std::memcmp(section.data.data() + 2, "Exif", 4) == 0) {
          sections_.push_back(std::move(section));
          const int index = static_cast<int>(sections_.size()) - 1;
          if (!decoder_.Decode(sections_.back().data, index, *info_, errorText_)) exifFailed_ = true;
        }
        break;
      case kMarkerCom: {
        const bool haveComment =
            std::any_of(sections_.begin(), sections_.end(), [](const JpegSection& s) { return s.type == kMarkerCom; });
        if (!haveComment) {
          processComment(section);
          sections_.push_back(std::move(section));
        }
        break;
      }
      default:
        sections_.push_back(std::move(section));
        break;
    }
  }
}

void ExifReader::processComment(const JpegSection& section) {
  const std::vector<std::uint8_t>& d = section.data;
  const std::size_t end = std::min(d.size(), kMaxCommentSection);
  std::string text;
  for (std::size_t i = 2; i < end; ++i) {
    const std::uint8_t c = d[i];
    if (c == '\r' && i + 1 < d.size() && d[i + 1] == '\n') continue;
    text.push_back(c >= 32 || c == '\n' || c == '\t' ? static_cast<char>(c) : '?');
  }
  info_->comments = text;
}

bool ExifReader::ProcessExif(std::span<const std::uint8_t> section) {
  return decoder_.Decode(section, -1, *info_, errorText_);
}

bool ExifReader::WriteSections(std::string& out) const {
  if (!haveAll_ || sections_.empty()) return false;
  out.clear();
  out += "\xFF\xD8";
  const int first = sections_.front().type;
  if (first != kMarkerApp0 && first != kMarkerApp1) {
    // Version 1.1, dots per inch, 300 x 300, no thumbnail.
    static const unsigned char kJfif[18] = {0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00,
                                            0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};
    out.append(reinterpret_cast<const char*>(kJfif), sizeof kJfif);
  }
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    const JpegSection& s = sections_[i];
    if (i + 1 < sections_.size()) {
      out += '\xFF';
      out += static_cast<char>(s.type);
    }
    out.append(reinterpret_cast<const char*>(s.data.data()), s.data.size());
  }
  return true;
}

Status ExifReader::WriteFile(const std::filesystem::path& path) const {
  std::string bytes;
  if (!WriteSections(bytes)) return Status::Failed();
  return WriteFileAtomically(path, bytes);
}

bool ExifReader::SetExifDate(std::time_t time) {
  const SectionRef ref = info_->dateTimeRef;
  if (!ref.valid() || static_cast<std::size_t>(ref.section) >= sections_.size()) return false;
  std::vector<std::uint8_t>& data = sections_[static_cast<std::size_t>(ref.section)].data;
  if (ref.offset > data.size() || data.size() - ref.offset < kExifDateValueSize) return false;
  std::tm local{};
  if (!localtime_r(&time, &local)) return false;
  char text[64];
  // A year outside 0..9999 would not fit the value the camera reserved.
  if (std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local) != kExifDateValueSize - 1) return false;
  std::memcpy(data.data() + ref.offset, text, kExifDateValueSize);
  info_->dateTime = text;
  return true;
}

bool ExifReader::SetOrientationTag(int orientation) {
  // The block's own byte order mark follows the length and "Exif\0\0".
  constexpr std::size_t kOrderMark = 8;
  bool any = false;
  for (const SectionRef& ref : info_->orientationRefs) {
    if (!ref.valid() || static_cast<std::size_t>(ref.section) >= sections_.size()) continue;
    std::vector<std::uint8_t>& data = sections_[static_cast<std::size_t>(ref.section)].data;
    if (data.size() < kOrderMark + 2 || ref.offset > data.size() || data.size() - ref.offset < 2) continue;
    const bool motorola = data[kOrderMark] == 'M';
    const auto high = static_cast<std::uint8_t>(orientation >> 8 & 0xFF);
    const auto low = static_cast<std::uint8_t>(orientation & 0xFF);
    data[ref.offset] = motorola ? high : low;
    data[ref.offset + 1] = motorola ? low : high;
    any = true;
  }
  if (any) info_->orientation = orientation;
  return any;
}

namespace {

// Reads a date text the way a scanf format of "%d", literal characters, " "
// and "%s" would, except that numbers saturate instead of overflowing.
class DateScanner {
 public:
  explicit DateScanner(std::string_view text) : text_(text) {}

  bool Number(int& value) {
    SkipSpace();
    bool negative = false;
    if (pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) negative = text_[pos_++] == '-';
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) return false;
    long long v = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) v = std::min(v * 10 + (text_[pos_++] - '0'), 1000000000LL);
    value = static_cast<int>(negative ? -v : v);
    return true;
  }
  bool Literal(char c) {
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool Word(std::string& word) {
    SkipSpace();
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
    word.assign(text_.substr(start, pos_ - start));
    return pos_ > start;
  }
  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::time_t ExifReader::GetExifDate() const {
  if (info_->dateTime.empty()) return std::time(nullptr);
  // Fields that do not parse keep these.
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  DateScanner s(info_->dateTime);
  (void)(s.Number(year) && s.Literal(':') && s.Number(month) && s.Literal(':') && s.Number(day) && s.Number(hour) &&
         s.Literal(':') && s.Number(minute) && s.Literal(':') && s.Number(second));
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

ExifDate ReadExifDate(const std::filesystem::path& imagePath) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  std::FILE* f = std::fopen(imagePath.c_str(), "rb");
  if (!f) return {};
  // A section error after the Exif block still leaves a usable date.
  reader.ReadSections(f, ImageData::Skip);
  std::fclose(f);

  int year = 0, month = 0, day = 0;
  std::string time;
  DateScanner s(reader.info().dateTime);
  if (!(s.Number(year) && s.Literal(':') && s.Number(month) && s.Literal(':') && s.Number(day) && s.Word(time)))
    return {};
  static const char* const kMonths[13] = {"???", "jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
  if (month < 0 || month > 12) month = 0;
  char date[64];
  std::snprintf(date, sizeof date, "%02d-%s-%04d", day, kMonths[month], year);
  return ExifDate{true, date, time};
}

std::span<const std::uint8_t> ExifReader::Thumbnail() const {
  const SectionRef ref = info_->thumbnailRef;
  if (!ref.valid() || static_cast<std::size_t>(ref.section) >= sections_.size()) return {};
  const std::vector<std::uint8_t>& data = sections_[static_cast<std::size_t>(ref.section)].data;
  const auto size = static_cast<std::size_t>(info_->thumbnailSize);
  if (ref.offset > data.size() || data.size() - ref.offset < size) return {};
  return std::span<const std::uint8_t>(data).subspan(ref.offset, size);
}

void ExifReader::KeepOnlyExifAndComment() {
  std::vector<JpegSection> kept;
  int exifIndex = -1;
  bool haveComment = false;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    JpegSection& s = sections_[i];
    if (s.type == kMarkerApp1 && exifIndex < 0) {
      exifIndex = static_cast<int>(i);
      kept.push_back(std::move(s));
    } else if (s.type == kMarkerCom && !haveComment) {
      haveComment = true;
      kept.push_back(std::move(s));
    } else if (s.type == kMarkerApp2 && s.data.size() >= 2 + kIccTag.size() &&
               std::memcmp(s.data.data() + 2, kIccTag.data(), kIccTag.size()) == 0) {
      kept.push_back(std::move(s));
    }
  }
  // References follow the Exif block to its new place, or go with the rest.
  int newIndex = -1;
  for (std::size_t i = 0; i < kept.size() && exifIndex >= 0; ++i)
    if (kept[i].type == kMarkerApp1) {
      newIndex = static_cast<int>(i);
      break;
    }
  auto follow = [&](SectionRef& ref) {
    if (ref.valid()) {
      if (ref.section == exifIndex)
        ref.section = newIndex;
      else
        ref = SectionRef();
    }
  };
  follow(info_->dateTimeRef);
  follow(info_->thumbnailRef);
  for (SectionRef& ref : info_->orientationRefs) follow(ref);
  std::erase_if(info_->orientationRefs, [](const SectionRef& ref) { return !ref.valid(); });
  sections_ = std::move(kept);
  haveAll_ = false;
}

}  // namespace albumsmith
