#include "imaging/exif_decoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/exif_reader.h"
#include "platform/strings.h"

namespace albumsmith {
namespace {

constexpr int kMaxNesting = 20;
constexpr std::size_t kMaxUserComment = 199;
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

// The TIFF part of one Exif block: every offset in it counts from `base`,
// and nothing is read at or beyond `length`.
struct Block {
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

// One directory entry's value, where it lies in the block.
struct TagValue {
  std::size_t at = 0;
  std::span<const std::uint8_t> bytes;
  double number = 0;  // its first component, 0 for text
};

// What the entries of one block fill.
struct Decoding {
  Block& block;
  ImageInfo& info;
  std::string& errorText;
  int& exifImageWidth;
  int nesting = 0;
};

using TagHandler = void (*)(const TagValue&, Decoding&);

template <std::string ImageInfo::*field, std::size_t limit>
void SetText(const TagValue& v, Decoding& d) {
  d.info.*field = CopyText(v.bytes, limit);
}

template <float ImageInfo::*field>
void SetFloat(const TagValue& v, Decoding& d) {
  d.info.*field = ToFloat(v.number);
}

template <int ImageInfo::*field>
void SetInt(const TagValue& v, Decoding& d) {
  d.info.*field = ToInt(v.number);
}

// An unknown unit leaves the field as it was.
template <float ImageInfo::*field>
void SetUnit(const TagValue& v, Decoding& d) {
  if (const double f = UnitFactor(ToInt(v.number)); f != 0) d.info.*field = static_cast<float>(f);
}

void SetCaptureDate(const TagValue& v, Decoding& d) {
  d.info.dateTime = CopyText(v.bytes, 19);
  // Rewriting puts 20 bytes at this place; a shorter value has no room.
  d.info.dateTimeRef = SectionRef();
  if (d.block.sectionIndex >= 0 && v.bytes.size() >= kExifDateValueSize)
    d.info.dateTimeRef = SectionRef{d.block.sectionIndex, kTiffStart + v.at};
}

void SetOrientation(const TagValue& v, Decoding& d) {
  if (d.block.sectionIndex >= 0 && v.bytes.size() == 2)
    d.info.orientationRefs.push_back(SectionRef{d.block.sectionIndex, kTiffStart + v.at});
  d.info.orientation = ToInt(v.number);
  if (d.info.orientation < 1 || d.info.orientation > 8) {
    d.errorText = LoadString(TextId::kExifUndefinedRotation);
    d.info.orientation = 0;
  }
}

void SetFlash(const TagValue& v, Decoding& d) { d.info.flashUsed = (ToInt(v.number) & 7) != 0 ? 1 : 0; }

void SetIso(const TagValue& v, Decoding& d) {
  // Some cameras store the ISO value divided by 200.
  const long long iso = ToInt(v.number);
  d.info.isoEquivalent = ToInt(static_cast<double>(iso < 50 ? iso * 200 : iso));
}

// An APEX value; the exposure time tag, when present, is more exact.
void SetShutterSpeed(const TagValue& v, Decoding& d) {
  if (d.info.exposureTime == 0) d.info.exposureTime = ToFloat(1.0 / std::exp2(v.number));
}

// An APEX value; the f-number tag, when present, is more exact.
void SetAperture(const TagValue& v, Decoding& d) {
  if (d.info.apertureFNumber == 0) d.info.apertureFNumber = ToFloat(std::exp2(v.number / 2));
}

void SetUserComment(const TagValue& v, Decoding& d) { d.info.comments = UserComment(v.bytes); }

void SetExifImageSize(const TagValue& v, Decoding& d) {
  d.exifImageWidth = std::max(d.exifImageWidth, ToInt(v.number));
}

void SetThumbnailOffset(const TagValue& v, Decoding& d) { d.block.thumbnailOffset = v.number; }
void SetThumbnailLength(const TagValue& v, Decoding& d) { d.block.thumbnailLength = v.number; }

struct TagRule {
  std::uint16_t tag;
  TagHandler apply;
};

// The tags read into the record; others are passed over.
constexpr TagRule kTagRules[] = {
    {kTagMake, SetText<&ImageInfo::cameraMake, 31>},
    {kTagModel, SetText<&ImageInfo::cameraModel, 39>},
    {kTagExifVersion, SetText<&ImageInfo::exifVersion, 4>},
    {kTagDateTimeOriginal, SetCaptureDate},
    {kTagOrientation, SetOrientation},
    {kTagFlash, SetFlash},
    {kTagFocalLength, SetFloat<&ImageInfo::focalLength>},
    {kTagExposureTime, SetFloat<&ImageInfo::exposureTime>},
    {kTagFNumber, SetFloat<&ImageInfo::apertureFNumber>},
    {kTagSubjectDistance, SetFloat<&ImageInfo::distance>},
    {kTagExposureBias, SetFloat<&ImageInfo::exposureBias>},
    {kTagMeteringMode, SetInt<&ImageInfo::meteringMode>},
    {kTagExposureProgram, SetInt<&ImageInfo::exposureProgram>},
    {kTagIso, SetIso},
    {kTagCompressedBits, SetInt<&ImageInfo::compressionLevel>},
    {kTagFocalPlaneXRes, SetFloat<&ImageInfo::focalPlaneXRes>},
    {kTagFocalPlaneYRes, SetFloat<&ImageInfo::focalPlaneYRes>},
    {kTagFocalPlaneUnit, SetUnit<&ImageInfo::focalPlaneUnit>},
    {kTagXResolution, SetFloat<&ImageInfo::xResolution>},
    {kTagYResolution, SetFloat<&ImageInfo::yResolution>},
    {kTagResolutionUnit, SetUnit<&ImageInfo::resolutionUnit>},
    {kTagBrightness, SetFloat<&ImageInfo::brightness>},
    {kTagShutterSpeed, SetShutterSpeed},
    {kTagAperture, SetAperture},
    {kTagMaxAperture, SetAperture},
    {kTagUserComment, SetUserComment},
    {kTagExifImageWidth, SetExifImageSize},
    {kTagExifImageHeight, SetExifImageSize},
    {kTagThumbnailOffset, SetThumbnailOffset},
    {kTagThumbnailLength, SetThumbnailLength},
};

bool DecodeDirectory(Decoding& d, std::size_t dirOffset);

// Follows a link to another directory, unless the links already went too deep.
bool FollowLink(Decoding& d, std::uint32_t offset) {
  if (offset > d.block.length) {
    d.errorText = LoadString(TextId::kExifIllegalSubdirectory);
    return false;
  }
  // The count only grows, so directories that link in a circle end here too.
  if (d.nesting < kMaxNesting) {
    ++d.nesting;
    if (!DecodeDirectory(d, offset)) return false;
  }
  return true;
}

bool DecodeDirectory(Decoding& d, std::size_t dirOffset) {
  const Block& block = d.block;
  if (dirOffset > block.length || block.length - dirOffset < 2) {
    d.errorText = LoadString(TextId::kExifIllegalDirectorySize);
    return false;
  }
  const std::size_t count = block.U16(dirOffset);
  if (2 + 12 * count > block.length - dirOffset) {
    d.errorText = LoadString(TextId::kExifIllegalDirectorySize);
    return false;
  }

  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = dirOffset + 2 + 12 * i;
    const int tag = block.U16(entry);
    const int format = block.U16(entry + 2);
    const std::uint32_t components = block.U32(entry + 4);
    if (format < 1 || format > 12) {
      d.errorText = LoadString(TextId::kExifIllegalFormatCode);
      return false;
    }
    const std::uint64_t byteCount = std::uint64_t{components} * static_cast<std::uint64_t>(kFormatSize[format]);
    std::size_t valueAt = entry + 8;
    if (byteCount > 4) {
      const std::uint32_t offset = block.U32(entry + 8);
      if (std::uint64_t{offset} + byteCount > block.length) {
        d.errorText = LoadString(TextId::kExifIllegalOffset);
        return false;
      }
      valueAt = offset;
    }
    const TagValue value{
        valueAt, {block.base + valueAt, static_cast<std::size_t>(byteCount)}, block.Number(valueAt, byteCount, format)};
    const auto rule =
        std::find_if(std::begin(kTagRules), std::end(kTagRules), [tag](const TagRule& r) { return r.tag == tag; });
    if (rule != std::end(kTagRules)) rule->apply(value, d);

    // valueAt has at least four readable bytes: the entry's own value field,
    // or a checked value longer than four bytes.
    if ((tag == kTagExifDirectory || tag == kTagInteropDirectory) && !FollowLink(d, block.U32(valueAt))) return false;
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
  if (next != 0 && !FollowLink(d, next)) return false;

  const double offset = block.thumbnailOffset;
  const double length = block.thumbnailLength;
  if (offset > 0 && length > 0 && offset + length <= static_cast<double>(block.length)) {
    d.info.thumbnailRef = SectionRef{block.sectionIndex, kTiffStart + static_cast<std::size_t>(offset)};
    d.info.thumbnailSize = static_cast<int>(length);
  }
  return true;
}

}  // namespace

bool ExifDecoder::Decode(std::span<const std::uint8_t> section, int sectionIndex, ImageInfo& info,
                         std::string& errorText) {
  info.flashUsed = 0;
  info.comments.clear();
  exifImageWidth_ = 0;

  if (section.size() < kTiffStart || std::memcmp(section.data() + 2, "Exif\0\0", 6) != 0) {
    errorText = LoadString(TextId::kExifIncorrectHeader);
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
    errorText = LoadString(TextId::kExifInvalidAlignment);
    return false;
  }
  motorolaOrder_ = block.motorola;
  if (block.length < 4 || block.U16(2) != 42) {
    errorText = LoadString(TextId::kExifInvalidStart);
    return false;
  }
  if (block.length < 8 || block.U32(4) < 8 || block.U32(4) > 16) {
    errorText = LoadString(TextId::kExifSuspiciousFirstIfd);
    return false;
  }
  Decoding decoding{block, info, errorText, exifImageWidth_};
  // The first directory is decoded at offset 8, right after the header,
  // whichever offset from 8 to 16 the header names.
  return DecodeDirectory(decoding, 8);
}

}  // namespace albumsmith
