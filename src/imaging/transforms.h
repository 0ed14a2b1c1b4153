#pragma once
// Changes to the photo files themselves: lossless turns and mirrors, and the
// Exif capture date set or shifted. Each file is rebuilt in memory and
// written beside the photo under a temporary name, then renamed over it, so
// a failure at any point leaves the photo as it was.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/jpeg_codec.h"

namespace albumsmith {

// The Transform menu's codes.
enum class TransformCode : int {
  kRotate90 = 1,
  kRotate180 = 2,
  kRotate270 = 3,
  kFlipLeftRight = 4,
  kFlipUpDown = 5,
};
// The operation of a code; nothing for a code that is none of the five.
std::optional<LosslessOp> OpOfCode(int code);

// The operation that shows a picture stored with Exif orientation
// `orientation` upright (1 and values outside 1..8 need none).
LosslessOp OpOfOrientation(int orientation);
// `second` done after `first`, as one operation.
LosslessOp ComposeOps(LosslessOp first, LosslessOp second);

// Turns or mirrors one JPEG file in place without decoding it to pixels.
// The user turns the picture as the program shows it, upright by its Exif
// orientation: the stored picture gets the orientation's operation followed
// by the requested one, and the tag is reset to 1 (normal). The file keeps
// its first Exif block (embedded thumbnail included), its first comment and
// its colour profile. "Cannot open file %s" when the photo cannot be read,
// "Cannot create file %s" with the system's reason when the new file cannot
// be written; false without a message when the data cannot be transformed.
bool TransformFile(int code, const std::string& path, ImagingNotices& notices = ShowNoticesAtOnce());

// Writes `newTime` (local time) over the Exif capture date of the photo at
// `path`, in place inside the Exif block. `name` is how messages call the
// photo: "Cannot read date information from %s", "Cannot update file %s -
// No date information", "Cannot update file %s" (with the system's reason).
bool RewriteDate(const std::string& path, const std::string& name, std::time_t newTime,
                 ImagingNotices& notices = ShowNoticesAtOnce());

// `local` moved by `offsetSeconds` on the clock face. A camera's date has no
// time zone, so a shift across a change to or from summer time still moves
// the time it shows by exactly the offset.
std::time_t ShiftClockTime(std::time_t local, std::int64_t offsetSeconds);

// The capture date of a photo as a local time, or nothing when the file
// cannot be opened or is not a JPEG. A photo without a date gives the
// current time.
std::optional<std::time_t> ExifDateOf(const std::string& path);

// The fields of the "Add/remove time offset" dialog checked as its OK button
// checks them: each holds decimal digits only (empty counts as 0), else
// "Only digits are allowed"; minutes and seconds below 60, else "Minutes or
// seconds format error". Hours have no upper limit.
struct TimeOffset {
  bool ok = false;
  std::string message;       // the refusal, when not ok
  std::int64_t seconds = 0;  // negative for Remove
};
TimeOffset CheckTimeOffset(std::string_view hours, std::string_view minutes, std::string_view seconds, bool remove);
// The same from one text "[+|-]H:MM:SS" (the command line's form).
TimeOffset ParseTimeOffset(std::string_view text);

// "YYYY:MM:DD HH:MM:SS" as a local time; nothing when it does not read as a
// real date and time.
std::optional<std::time_t> ParseExifDateTime(std::string_view text);

}  // namespace albumsmith
