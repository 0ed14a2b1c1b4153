#include "imaging/exif_reader.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "platform/atomic_file.h"

namespace albumsmith {
namespace {

constexpr int kMaxNesting = 20;
// Bytes of a comment section that are looked at, its two length bytes included.
constexpr std::size_t kMaxCommentSection = 1000;
constexpr std::size_t kMaxUserComment = 199;
// The capture date value, "YYYY:MM:DD HH:MM:SS" and its terminator.
constexpr std::size_t kDateValueSize = 20;
// Where the TIFF header starts inside an Exif section: two length bytes and "Exif\0\0".
constexpr std::size_t kTiffStart = 8;

// Sizes in bytes of the Exif value formats 1..12.
constexpr int kFormatSize[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

enum Format {
  kUByte = 1,
  kAscii,
  kUShort,
  kULong,
  kURational,
  kSByte,
  kUndefined,
  kSShort,
  kSLong,
  kSRational,
  kFloat,
  kDouble
};

enum Tag : std::uint16_t {
  kTagMake = 0x010F,
  kTagModel = 0x0110,
  kTagOrientation = 0x0112,
  kTagXResolution = 0x011A,
  kTagYResolution = 0x011B,
  kTagResolutionUnit = 0x0128,
  kTagThumbnailOffset = 0x0201,
  kTagThumbnailLength = 0x0202,
  kTagExposureTime = 0x829A,
  kTagFNumber = 0x829D,
  kTagExifDirectory = 0x8769,
  kTagExposureProgram = 0x8822,
  kTagIso = 0x8827,
  kTagExifVersion = 0x9000,
  kTagDateTimeOriginal = 0x9003,
  kTagCompressedBits = 0x9102,
  kTagShutterSpeed = 0x9201,
  kTagAperture = 0x9202,
  kTagBrightness = 0x9203,
  kTagExposureBias = 0x9204,
  kTagMaxAperture = 0x9205,
  kTagSubjectDistance = 0x9206,
  kTagMeteringMode = 0x9207,
  kTagFlash = 0x9209,
  kTagFocalLength = 0x920A,
  kTagUserComment = 0x9286,
  kTagExifImageWidth = 0xA002,
  kTagExifImageHeight = 0xA003,
  kTagInteropDirectory = 0xA005,
  kTagFocalPlaneXRes = 0xA20E,
  kTagFocalPlaneYRes = 0xA20F,
  kTagFocalPlaneUnit = 0xA210,
};

bool IsStartOfFrame(int marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Camera values are untrusted: a huge or NaN value saturates instead of
// being an undefined conversion.
int ToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

float ToFloat(double v) {
  if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// Inches per unit of the resolution unit tags; 0 for an unknown unit, which
// leaves the field as it was.
double UnitFactor(int unit) {
  switch (unit) {
    case 1:
    case 2:
      return 1.0;
    case 3:
      return 0.3937008;
    case 4:
      return 0.03937008;
    case 5:
      return 0.00003937008;
    default:
      return 0;
  }
}

// Text of a value: at most `limit` bytes, ending at the first zero byte.
std::string CopyText(std::span<const std::uint8_t> value, std::size_t limit) {
  const std::size_t n = std::min(limit, value.size());
  std::size_t end = 0;
  while (end < n && value[end] != 0) ++end;
  return std::string(reinterpret_cast<const char*>(value.data()), end);
}

std::string UserComment(std::span<const std::uint8_t> value) {
  // Cameras pad the comment field with spaces to its full length.
  std::size_t length = value.size();
  while (length > 0 && value[length - 1] == ' ') --length;
  value = value.first(length);
  auto at = [&](std::size_t i) { return i < value.size() ? value[i] : std::uint8_t{0}; };
  if (value.size() >= 5 && std::memcmp(value.data(), "ASCII", 5) == 0) {
    // An eight-byte character code precedes the text; some cameras shorten
    // its padding, so the text starts at the first byte that is not padding.
    for (std::size_t i = 5; i < 10; ++i) {
      if (at(i) != 0 && at(i) != ' ') return CopyText(value.subspan(i), kMaxUserComment);
    }
    return {};
  }
  return CopyText(value, kMaxUserComment);
}

}  // namespace

// The TIFF part of one Exif block: every offset in it counts from `base`,
// and nothing is read at or beyond `length`.
struct ExifReader::Block {
  const std::uint8_t* base = nullptr;
  std::size_t length = 0;
  bool motorola = false;
  int sectionIndex = -1;
  double thumbnailOffset = 0;
  double thumbnailLength = 0;

  std::uint16_t U16(std::size_t at) const {
    const std::uint8_t* p = base + at;
    return motorola ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
  }
  std::uint32_t U32(std::size_t at) const {
    const std::uint8_t* p = base + at;
    return motorola ? std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3]
                    : std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
  }

  // The first component of a numeric value as a double; 0 for text formats
  // and for a value too short to hold one component.
  double Number(std::size_t at, std::uint64_t byteCount, int format) const {
    if (byteCount < static_cast<std::uint64_t>(kFormatSize[format])) return 0;
    switch (format) {
      case kUByte:
        return base[at];
      case kSByte:
        return static_cast<std::int8_t>(base[at]);
      case kUShort:
        return U16(at);
      case kSShort:
        return static_cast<std::int16_t>(U16(at));
      case kULong:
        return U32(at);
      case kSLong:
        return static_cast<std::int32_t>(U32(at));
      case kURational:
      case kSRational: {
        const auto numerator = static_cast<std::int32_t>(U32(at));
        const auto denominator = static_cast<std::int32_t>(U32(at + 4));
        return denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
      }
      case kFloat:
        return std::bit_cast<float>(U32(at));
      case kDouble: {
        const std::uint64_t high = U32(motorola ? at : at + 4);
        const std::uint64_t low = U32(motorola ? at + 4 : at);
        return std::bit_cast<double>(high << 32 | low);
      }
      default:
        return 0;
    }
  }
};

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
    errorText_ = "Cannot open file " + path.string();
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
      errorText_ = "Too many sections in jpg file";
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
      errorText_ = "invalid marker";
      return false;
    }
    const std::size_t length = static_cast<std::size_t>(high << 8 | low);
    JpegSection section;
    section.type = marker;
    try {
      section.data.resize(length);
    } catch (const std::bad_alloc&) {
      errorText_ = "Could not allocate memory";
      return false;
    }
    section.data[0] = static_cast<std::uint8_t>(high);
    section.data[1] = static_cast<std::uint8_t>(low);
    if (in.Read(section.data.data() + 2, length - 2) != length - 2) {
      errorText_ = "Premature end of file?";
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
            errorText_ = "could not read the rest of the image";
            return false;
          }
        } catch (const std::bad_alloc&) {
          errorText_ = "could not allocate data for entire image";
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
          if (!processExif(sections_.back().data, index)) exifFailed_ = true;
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

bool ExifReader::ProcessExif(std::span<const std::uint8_t> section) { return processExif(section, -1); }

bool ExifReader::processExif(std::span<const std::uint8_t> section, int sectionIndex) {
  info_->flashUsed = 0;
  info_->comments.clear();
  exifImageWidth_ = 0;

  if (section.size() < kTiffStart || std::memcmp(section.data() + 2, "Exif\0\0", 6) != 0) {
    errorText_ = "Incorrect Exif header";
    return false;
  }
  Block block;
  block.base = section.data() + kTiffStart;
  // Everything after the TIFF header's start belongs to the block, and no more.
  block.length = section.size() - kTiffStart;
  block.sectionIndex = sectionIndex;

  if (block.length >= 2 && block.base[0] == 'I' && block.base[1] == 'I') {
    block.motorola = false;
  } else if (block.length >= 2 && block.base[0] == 'M' && block.base[1] == 'M') {
    block.motorola = true;
  } else {
    errorText_ = "Invalid Exif alignment marker.";
    return false;
  }
  motorolaOrder_ = block.motorola;
  if (block.length < 4 || block.U16(2) != 42) {
    errorText_ = "Invalid Exif start (1)";
    return false;
  }
  if (block.length < 8 || block.U32(4) < 8 || block.U32(4) > 16) {
    errorText_ = "Suspicious offset of first IFD value";
    return false;
  }
  nesting_ = 0;
  // The first directory is decoded at offset 8, right after the header,
  // whichever offset from 8 to 16 the header names.
  return processDirectory(block, 8);
}

bool ExifReader::processDirectory(Block& block, std::size_t dirOffset) {
  if (dirOffset > block.length || block.length - dirOffset < 2) {
    errorText_ = "Illegally sized directory";
    return false;
  }
  const std::size_t count = block.U16(dirOffset);
  if (2 + 12 * count > block.length - dirOffset) {
    errorText_ = "Illegally sized directory";
    return false;
  }
  ImageInfo& info = *info_;

  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = dirOffset + 2 + 12 * i;
    const int tag = block.U16(entry);
    const int format = block.U16(entry + 2);
    const std::uint32_t components = block.U32(entry + 4);
    if (format < 1 || format > 12) {
      errorText_ = "Illegal format code in EXIF dir";
      return false;
    }
    const std::uint64_t byteCount = std::uint64_t{components} * static_cast<std::uint64_t>(kFormatSize[format]);
    std::size_t valueAt = entry + 8;
    if (byteCount > 4) {
      const std::uint32_t offset = block.U32(entry + 8);
      if (std::uint64_t{offset} + byteCount > block.length) {
        errorText_ = "Illegal pointer offset value in EXIF.";
        return false;
      }
      valueAt = offset;
    }
    const std::span<const std::uint8_t> value(block.base + valueAt, static_cast<std::size_t>(byteCount));
    const double number = block.Number(valueAt, byteCount, format);

    switch (tag) {
      case kTagMake:
        info.cameraMake = CopyText(value, 31);
        break;
      case kTagModel:
        info.cameraModel = CopyText(value, 39);
        break;
      case kTagDateTimeOriginal:
        info.dateTime = CopyText(value, 19);
        // Rewriting puts 20 bytes at this place; a shorter value has no room.
        info.dateTimeRef = SectionRef();
        if (block.sectionIndex >= 0 && byteCount >= kDateValueSize)
          info.dateTimeRef = SectionRef{block.sectionIndex, kTiffStart + valueAt};
        break;
      case kTagExifVersion:
        info.exifVersion = CopyText(value, 4);
        break;
      case kTagOrientation:
        info.orientation = ToInt(number);
        if (info.orientation < 1 || info.orientation > 8) {
          errorText_ = "Undefined rotation value";
          info.orientation = 0;
        }
        break;
      case kTagFlash:
        info.flashUsed = (ToInt(number) & 7) != 0 ? 1 : 0;
        break;
      case kTagFocalLength:
        info.focalLength = ToFloat(number);
        break;
      case kTagExposureTime:
        info.exposureTime = ToFloat(number);
        break;
      case kTagFNumber:
        info.apertureFNumber = ToFloat(number);
        break;
      case kTagSubjectDistance:
        info.distance = ToFloat(number);
        break;
      case kTagExposureBias:
        info.exposureBias = ToFloat(number);
        break;
      case kTagMeteringMode:
        info.meteringMode = ToInt(number);
        break;
      case kTagExposureProgram:
        info.exposureProgram = ToInt(number);
        break;
      case kTagIso: {
        // Some cameras store the ISO value divided by 200.
        const long long iso = ToInt(number);
        info.isoEquivalent = ToInt(static_cast<double>(iso < 50 ? iso * 200 : iso));
        break;
      }
      case kTagCompressedBits:
        info.compressionLevel = ToInt(number);
        break;
      case kTagFocalPlaneXRes:
        info.focalPlaneXRes = ToFloat(number);
        break;
      case kTagFocalPlaneYRes:
        info.focalPlaneYRes = ToFloat(number);
        break;
      case kTagFocalPlaneUnit:
        if (const double f = UnitFactor(ToInt(number)); f != 0) info.focalPlaneUnit = static_cast<float>(f);
        break;
      case kTagXResolution:
        info.xResolution = ToFloat(number);
        break;
      case kTagYResolution:
        info.yResolution = ToFloat(number);
        break;
      case kTagResolutionUnit:
        if (const double f = UnitFactor(ToInt(number)); f != 0) info.resolutionUnit = static_cast<float>(f);
        break;
      case kTagBrightness:
        info.brightness = ToFloat(number);
        break;
      case kTagShutterSpeed:
        // An APEX value; the exposure time tag, when present, is more exact.
        if (info.exposureTime == 0) info.exposureTime = ToFloat(1.0 / std::exp2(number));
        break;
      case kTagAperture:
      case kTagMaxAperture:
        if (info.apertureFNumber == 0) info.apertureFNumber = ToFloat(std::exp2(number / 2));
        break;
      case kTagUserComment:
        info.comments = UserComment(value);
        break;
      case kTagExifImageWidth:
      case kTagExifImageHeight:
        exifImageWidth_ = std::max(exifImageWidth_, ToInt(number));
        break;
      case kTagThumbnailOffset:
        block.thumbnailOffset = number;
        break;
      case kTagThumbnailLength:
        block.thumbnailLength = number;
        break;
      default:
        break;
    }

    if (tag == kTagExifDirectory || tag == kTagInteropDirectory) {
      // valueAt has at least four readable bytes: the entry's own value
      // field, or a checked value longer than four bytes.
      const std::uint32_t sub = block.U32(valueAt);
      if (sub > block.length) {
        errorText_ = "Illegal subdirectory link";
        return false;
      }
      // The count only grows, so directories that link in a circle end here too.
      if (nesting_ < kMaxNesting) {
        ++nesting_;
        if (!processDirectory(block, sub)) return false;
      }
    }
  }

  // The link to the next directory; a block that ends before it has none.
  // The field holds four bytes, but only its first two are read, in the
  // block's byte order, as the reader always has: a segment is shorter than
  // 64 KiB, so in Intel order they are the whole link, while in Motorola order
  // they are its high half, zero for any link inside the segment. Motorola
  // files therefore show nothing of their second directory (the thumbnail's);
  // reading all four bytes would change what their pages and Exif text show.
  const std::size_t linkAt = dirOffset + 2 + 12 * count;
  const std::uint32_t next = linkAt + 2 <= block.length ? block.U16(linkAt) : 0;
  if (next != 0) {
    if (next > block.length) {
      errorText_ = "Illegal subdirectory link";
      return false;
    }
    if (nesting_ < kMaxNesting) {
      ++nesting_;
      if (!processDirectory(block, next)) return false;
    }
  }

  const double offset = block.thumbnailOffset;
  const double length = block.thumbnailLength;
  if (offset > 0 && length > 0 && offset + length <= static_cast<double>(block.length)) {
    info.thumbnailRef = SectionRef{block.sectionIndex, kTiffStart + static_cast<std::size_t>(offset)};
    info.thumbnailSize = static_cast<int>(length);
  }
  return true;
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

bool ExifReader::WriteFile(const std::filesystem::path& path) const {
  std::string bytes;
  if (!WriteSections(bytes)) return false;
  return WriteFileAtomically(path, bytes);
}

bool ExifReader::SetExifDate(std::time_t time) {
  const SectionRef ref = info_->dateTimeRef;
  if (!ref.valid() || static_cast<std::size_t>(ref.section) >= sections_.size()) return false;
  std::vector<std::uint8_t>& data = sections_[static_cast<std::size_t>(ref.section)].data;
  if (ref.offset > data.size() || data.size() - ref.offset < kDateValueSize) return false;
  std::tm local{};
  if (!localtime_r(&time, &local)) return false;
  char text[64];
  // A year outside 0..9999 would not fit the value the camera reserved.
  if (std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local) != kDateValueSize - 1) return false;
  std::memcpy(data.data() + ref.offset, text, kDateValueSize);
  info_->dateTime = text;
  return true;
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
    }
  }
  // References follow the Exif block to its new place, or go with the rest.
  const int newIndex = exifIndex < 0 ? -1 : (kept.front().type == kMarkerApp1 ? 0 : 1);
  for (SectionRef* ref : {&info_->dateTimeRef, &info_->thumbnailRef}) {
    if (ref->valid()) {
      if (ref->section == exifIndex)
        ref->section = newIndex;
      else
        *ref = SectionRef();
    }
  }
  sections_ = std::move(kept);
  haveAll_ = false;
}

}  // namespace albumsmith
