#pragma once
// A JPEG file at the level of its marker sections, and its Exif block (APP1)
// decoded into an image-information record. The reader takes a file or a
// buffer in memory, writes a file back from the sections it holds and
// rewrites the capture date inside the held Exif block. No pixel data is
// decoded here.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "imaging/exif_decoder.h"
#include "platform/status.h"

namespace albumsmith {

// Marker codes the reader acts on.
inline constexpr int kMarkerEoi = 0xD9;
inline constexpr int kMarkerSos = 0xDA;
inline constexpr int kMarkerApp0 = 0xE0;
inline constexpr int kMarkerApp1 = 0xE1;
inline constexpr int kMarkerApp2 = 0xE2;
inline constexpr int kMarkerCom = 0xFE;
// The pseudo-section holding everything after the scan header; no real marker
// has this value.
inline constexpr int kSectionRestOfFile = 291;
// More kept sections than this before the scan header and the file is refused.
inline constexpr int kMaxSections = 20;

struct JpegSection {
  int type = 0;                    // marker code, or kSectionRestOfFile
  std::vector<std::uint8_t> data;  // starts with the section's two length bytes
};

// A place inside one of the reader's held sections. Offsets rather than
// pointers, so the reference survives the section list growing.
struct SectionRef {
  int section = -1;        // index into ExifReader::sections(); -1 when unset
  std::size_t offset = 0;  // from the first length byte of that section
  bool valid() const { return section >= 0; }
};

// What the section reader and the Exif decoder learn about one image.
struct ImageInfo {
  std::string exifVersion;  // tag 0x9000, at most 4 characters
  std::string cameraMake;   // at most 31 characters
  std::string cameraModel;  // at most 39 characters
  std::string dateTime;     // capture date "year:month:day hour:minute:second", at most 19
  int height = 0;
  int width = 0;
  int orientation = 0;  // 0 when absent or invalid, else 1..8
  int isColor = 0;      // 1 when the frame has three components
  int process = 0;      // marker code of the start-of-frame section
  int flashUsed = 0;
  float focalLength = 0;   // mm
  float exposureTime = 0;  // seconds
  float apertureFNumber = 0;
  float distance = 0;  // metres
  float ccdWidth = 0;  // mm; no tag fills it
  float exposureBias = 0;
  int whitebalance = 0;  // no tag fills it
  int meteringMode = 0;
  int exposureProgram = 0;
  int isoEquivalent = 0;
  int compressionLevel = 0;
  float focalPlaneXRes = 0;
  float focalPlaneYRes = 0;
  float focalPlaneUnit = 0;  // as a factor (see the unit table in the reader)
  float xResolution = 0;
  float yResolution = 0;
  float resolutionUnit = 0;  // as a factor
  float brightness = 0;
  std::string comments;     // first comment section, or the Exif user comment
  SectionRef dateTimeRef;   // the capture date's value, for rewriting it in place
  SectionRef thumbnailRef;  // the embedded thumbnail
  // Every two-byte orientation value of the block (the picture's directory,
  // and the thumbnail's when it has one), for resetting them in place.
  std::vector<SectionRef> orientationRefs;
  int thumbnailSize = 0;
};

enum class ImageData { Skip, Keep };

class ExifReader {
 public:
  // A reader with its own record.
  ExifReader();
  // A reader that fills the caller's record (cleared here).
  explicit ExifReader(ImageInfo& info);
  ExifReader(const ExifReader&) = delete;
  ExifReader& operator=(const ExifReader&) = delete;

  // Reads sections up to the scan header. With ImageData::Keep everything
  // after it is kept as a last section of type kSectionRestOfFile and
  // haveAll() becomes true. False when the data is not a JPEG (no error
  // text), when a section is malformed (errorText()), or when the file ends
  // or has no image before the scan header (a diagnostic line). A broken Exif
  // block does not stop the reading: see exifFailed().
  // New sections are added after the ones already held.
  bool ReadSections(std::FILE* stream, ImageData imageData);
  bool ReadSections(std::span<const std::uint8_t> bytes, ImageData imageData);
  // Opens and reads a file; "Cannot open file <path>" when it cannot be opened.
  bool ReadFile(const std::filesystem::path& path, ImageData imageData);

  // Decodes an Exif APP1 section (its data, starting with the two length
  // bytes) into the record. References into a section given here rather
  // than held by the reader stay unset.
  bool ProcessExif(std::span<const std::uint8_t> section);

  // The file rebuilt from the held sections: SOI, a 300 dpi JFIF header when
  // the first section is neither APP0 nor APP1, the sections, the image data.
  // False when the image data was not read.
  bool WriteSections(std::string& out) const;
  // The same, written beside `path` and renamed over it, so that the image
  // is never half rewritten.
  Status WriteFile(const std::filesystem::path& path) const;

  // Writes `time` (local time) over the capture date inside the held Exif
  // block, keeping every offset and length. False when there is no date
  // value to rewrite.
  bool SetExifDate(std::time_t time);
  // Writes `orientation` over every orientation value inside the held Exif
  // block. False when the block has no two-byte orientation value.
  bool SetOrientationTag(int orientation);
  // The capture date as a local time, or the current time when there is none.
  std::time_t GetExifDate() const;

  // The embedded thumbnail's bytes inside the held Exif block, or empty.
  std::span<const std::uint8_t> Thumbnail() const;

  // Drops every held section but the first Exif block, the first comment
  // and the colour profile (APP2 "ICC_PROFILE" sections, which set how the
  // picture's colours read), before the sections of a rewritten image are
  // read after them.
  void KeepOnlyExifAndComment();

  // Where the two diagnostic lines go (none with nullptr); stderr by default.
  void setDiagnostics(std::FILE* out) { diagnostics_ = out; }

  const ImageInfo& info() const { return *info_; }
  ImageInfo& info() { return *info_; }
  const std::string& errorText() const { return errorText_; }
  // The last diagnostic line (without its line feed), for callers that
  // report it themselves.
  const std::string& diagnostic() const { return diagnostic_; }
  const std::vector<JpegSection>& sections() const { return sections_; }
  int exifImageWidth() const { return decoder_.exifImageWidth(); }
  bool motorolaOrder() const { return decoder_.motorolaOrder(); }
  bool haveAll() const { return haveAll_; }
  // True when an Exif block was found and its decoding stopped at an error.
  bool exifFailed() const { return exifFailed_; }

 private:
  class Source;
  bool readFrom(Source& in, ImageData imageData);
  void processComment(const JpegSection& section);
  void report(const char* line);

  ImageInfo ownInfo_;
  ImageInfo* info_;
  std::string errorText_;
  std::string diagnostic_;
  std::FILE* diagnostics_ = stderr;
  ExifDecoder decoder_;
  std::vector<JpegSection> sections_;
  bool haveAll_ = false;
  bool exifFailed_ = false;
};

struct ExifDate {
  bool ok = false;
  std::string date;  // "15-jun-2004"
  std::string time;  // "13:45:30", as the camera wrote it
};
// The capture date of an image file, for page texts. Not ok when the file
// cannot be opened or holds no date that parses.
ExifDate ReadExifDate(const std::filesystem::path& imagePath);

}  // namespace albumsmith
