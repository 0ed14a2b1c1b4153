#include "imaging/transforms.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>
#include <utility>
#include <vector>

#include "imaging/exif_reader.h"
#include "platform/strings.h"
#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/messages.h"

namespace albumsmith {
namespace {

constexpr TextId kCannotOpenFile = TextId::kCannotOpenImageFile;
constexpr TextId kCannotCreateFile = TextId::kCannotCreateImageFile;
constexpr TextId kCannotReadDate = TextId::kCannotReadDate;
constexpr TextId kNoDateInformation = TextId::kNoDateInformation;
constexpr TextId kDateOutOfRange = TextId::kDateOutOfRange;
constexpr TextId kCannotUpdateFile = TextId::kCannotUpdateFile;
constexpr TextId kOnlyDigits = TextId::kOnlyDigits;
constexpr TextId kMinutesOrSeconds = TextId::kMinutesOrSecondsError;
constexpr TextId kOffsetForm = TextId::kOffsetForm;

// Each operation as the matrix it applies to a point's coordinates, taken
// from the picture's centre with y growing downwards: {a, b, c, d} maps
// (x, y) to (a·x + b·y, c·x + d·y). Indexed by LosslessOp.
using Matrix = std::array<int, 4>;
constexpr std::array<Matrix, 8> kMatrices = {{
    {1, 0, 0, 1},    // none
    {-1, 0, 0, 1},   // horizontal mirror
    {1, 0, 0, -1},   // vertical mirror
    {0, 1, 1, 0},    // transpose
    {0, -1, -1, 0},  // transverse
    {0, -1, 1, 0},   // 90° clockwise: top left goes to top right
    {-1, 0, 0, -1},  // 180°
    {0, 1, -1, 0},   // 270° clockwise
}};

LosslessOp OpOfMatrix(const Matrix& m) {
  for (std::size_t i = 0; i < kMatrices.size(); ++i)
    if (kMatrices[i] == m) return static_cast<LosslessOp>(i);
  return LosslessOp::kNone;  // unreachable: the eight form a closed group
}

const Matrix& MatrixOf(LosslessOp op) { return kMatrices[static_cast<std::size_t>(op)]; }

LosslessOp Inverse(LosslessOp op) {
  // The matrices are orthogonal: the inverse is the transpose.
  const Matrix& m = MatrixOf(op);
  return OpOfMatrix({m[0], m[2], m[1], m[3]});
}

std::string WithSystemError(std::string text, int error) {
  return std::move(text) + "\r\n\r\n" + SystemErrorText(error);
}

bool AllDigits(std::string_view text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// Digits as a number, held below a bound far beyond any real offset, so that
// a field of fifty nines cannot overflow.
std::int64_t DigitsValue(std::string_view text) {
  constexpr std::int64_t kCap = 1'000'000'000'000;
  std::int64_t v = 0;
  for (char c : text) v = std::min<std::int64_t>(v * 10 + (c - '0'), kCap);
  return v;
}

}  // namespace

std::optional<LosslessOp> OpOfCode(int code) {
  switch (static_cast<TransformCode>(code)) {
    case TransformCode::kRotate90:
      return LosslessOp::kRotate90;
    case TransformCode::kRotate180:
      return LosslessOp::kRotate180;
    case TransformCode::kRotate270:
      return LosslessOp::kRotate270;
    case TransformCode::kFlipLeftRight:
      return LosslessOp::kFlipHorizontal;
    case TransformCode::kFlipUpDown:
      return LosslessOp::kFlipVertical;
  }
  return std::nullopt;
}

LosslessOp OpOfOrientation(int orientation) {
  switch (orientation) {
    case 2:
      return LosslessOp::kFlipHorizontal;
    case 3:
      return LosslessOp::kRotate180;
    case 4:
      return LosslessOp::kFlipVertical;
    case 5:
      return LosslessOp::kTranspose;
    case 6:
      return LosslessOp::kRotate90;
    case 7:
      return LosslessOp::kTransverse;
    case 8:
      return LosslessOp::kRotate270;
    default:
      return LosslessOp::kNone;
  }
}

LosslessOp ComposeOps(LosslessOp first, LosslessOp second) {
  const Matrix& a = MatrixOf(second);
  const Matrix& b = MatrixOf(first);
  return OpOfMatrix(
      {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2], a[2] * b[1] + a[3] * b[3]});
}

bool TransformFile(int code, const std::string& path, ImagingNotices& notices) {
  const std::optional<LosslessOp> requested = OpOfCode(code);
  if (!requested) return false;
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    notices.Exclamation(FormatString(kCannotOpenFile, {path}));
    return false;
  }
  const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  if (!reader.ReadSections(data, ImageData::Skip)) return false;

  // The derived images show the picture upright by its orientation tag, and
  // that is the picture the user turns. Keeping a sideways tag on turned
  // pixels would turn the picture twice, so the tag's own turn goes into the
  // pixels with the requested one and the tag becomes 1. A tag that cannot be
  // rewritten in place (not a two-byte value, or in an Exif block that is not
  // kept) stays, and the pixels get the requested turn as seen through it.
  reader.KeepOnlyExifAndComment();
  const int orientation = reader.info().orientation;
  LosslessOp op = *requested;
  bool resetTag = false;
  if (orientation > 1) {
    const LosslessOp upright = OpOfOrientation(orientation);
    if (!reader.info().orientationRefs.empty()) {
      op = ComposeOps(upright, *requested);
      resetTag = true;
    } else {
      op = ComposeOps(ComposeOps(upright, *requested), Inverse(upright));
    }
  }

  std::vector<std::uint8_t> transformed;
  std::string error;
  if (!TransformJpegData(data, op, transformed, error)) return false;

  if (resetTag && !reader.SetOrientationTag(1)) return false;
  if (!reader.ReadSections(transformed, ImageData::Keep)) return false;
  std::string out;
  if (!reader.WriteSections(out)) return false;
  if (const Status written = WriteFileAtomically(path, out); !written) {
    notices.Exclamation(WithSystemError(FormatString(kCannotCreateFile, {path}), written.systemError()));
    return false;
  }
  return true;
}

bool RewriteDate(const std::string& path, const std::string& name, std::time_t newTime, ImagingNotices& notices) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  if (!bytes || !reader.ReadSections(
                    std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()),
                    ImageData::Keep)) {
    notices.Exclamation(FormatString(kCannotReadDate, {name}));
    return false;
  }
  if (!reader.info().dateTimeRef.valid()) {
    notices.Exclamation(FormatString(kNoDateInformation, {name}));
    return false;
  }
  // The value has room for a four-digit year only.
  if (!reader.SetExifDate(newTime)) {
    notices.Exclamation(FormatString(kDateOutOfRange, {name}));
    return false;
  }
  std::string out;
  if (!reader.WriteSections(out)) {
    notices.Exclamation(FormatString(kCannotReadDate, {name}));
    return false;
  }
  if (const Status written = WriteFileAtomically(path, out); !written) {
    notices.Exclamation(WithSystemError(FormatString(kCannotUpdateFile, {name}), written.systemError()));
    return false;
  }
  return true;
}

std::time_t ShiftClockTime(std::time_t local, std::int64_t offsetSeconds) {
  // Far beyond year 9999 either way; the date rewrite refuses such a date.
  constexpr std::int64_t kFar = std::int64_t{1} << 40;
  std::tm face{};
  if (!localtime_r(&local, &face)) return local;
  face.tm_isdst = 0;
  const std::time_t moved =
      static_cast<std::time_t>(std::int64_t{timegm(&face)} + std::clamp(offsetSeconds, -kFar, kFar));
  std::tm shifted{};
  if (!gmtime_r(&moved, &shifted)) return local;
  shifted.tm_isdst = -1;
  return std::mktime(&shifted);
}

std::optional<std::time_t> ExifDateOf(const std::string& path) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  if (!reader.ReadFile(path, ImageData::Skip)) return std::nullopt;
  return reader.GetExifDate();
}

TimeOffset CheckTimeOffset(std::string_view hours, std::string_view minutes, std::string_view seconds, bool remove) {
  TimeOffset result;
  if (!AllDigits(hours) || !AllDigits(minutes) || !AllDigits(seconds)) {
    result.message = LoadString(kOnlyDigits);
    return result;
  }
  const std::int64_t h = DigitsValue(hours), m = DigitsValue(minutes), s = DigitsValue(seconds);
  if (m >= 60 || s >= 60) {
    result.message = LoadString(kMinutesOrSeconds);
    return result;
  }
  result.ok = true;
  result.seconds = (h * 3600 + m * 60 + s) * (remove ? -1 : 1);
  return result;
}

TimeOffset ParseTimeOffset(std::string_view text) {
  bool remove = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    remove = text.front() == '-';
    text.remove_prefix(1);
  }
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
  if (second == std::string_view::npos || text.find(':', second + 1) != std::string_view::npos) {
    TimeOffset refused;
    refused.message = LoadString(kOffsetForm);
    return refused;
  }
  return CheckTimeOffset(text.substr(0, first), text.substr(first + 1, second - first - 1), text.substr(second + 1),
                         remove);
}

std::optional<std::time_t> ParseExifDateTime(std::string_view text) {
  // Exactly "YYYY:MM:DD HH:MM:SS".
  static constexpr std::string_view kForm = "dddd:dd:dd dd:dd:dd";
  if (text.size() != kForm.size()) return std::nullopt;
  for (std::size_t i = 0; i < kForm.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return std::nullopt;
  }
  auto field = [&](std::size_t at, std::size_t length) {
    return static_cast<int>(DigitsValue(text.substr(at, length)));
  };
  std::tm t{};
  t.tm_year = field(0, 4) - 1900;
  t.tm_mon = field(5, 2) - 1;
  t.tm_mday = field(8, 2);
  t.tm_hour = field(11, 2);
  t.tm_min = field(14, 2);
  t.tm_sec = field(17, 2);
  t.tm_isdst = -1;
  const std::tm wanted = t;
  const std::time_t time = std::mktime(&t);
  // mktime moves 31 April to 1 May; a date that moved was not a real one.
  if (time == static_cast<std::time_t>(-1) || t.tm_year != wanted.tm_year || t.tm_mon != wanted.tm_mon ||
      t.tm_mday != wanted.tm_mday || t.tm_min != wanted.tm_min || t.tm_sec != wanted.tm_sec)
    return std::nullopt;
  return time;
}

}  // namespace albumsmith
