// Feeds arbitrary bytes to the section reader and the Exif decoder, then to
// everything that works on what they found: both text forms, the dates, the
// thumbnail and writing back.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/exif_format.h"
#include "imaging/exif_reader.h"

using namespace albumsmith;

namespace {

// Touches every byte so that the sanitizer checks the whole span.
unsigned Sum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return sum;
}

void UseRecord(ExifReader& reader) {
  FormatInfo(reader.info(), InfoForm::Text);
  FormatInfo(reader.info(), InfoForm::Html);
  reader.GetExifDate();
  volatile unsigned sink = Sum(reader.Thumbnail());
  (void)sink;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  // The bytes as a whole file.
  {
    ExifReader reader;
    reader.setDiagnostics(nullptr);
    reader.ReadSections(bytes, ImageData::Keep);
    UseRecord(reader);
    reader.SetExifDate(1089899130);  // 2004-07-15
    std::string out;
    reader.WriteSections(out);
    reader.KeepOnlyExifAndComment();
    UseRecord(reader);
    reader.WriteSections(out);
  }

  // The bytes as the TIFF part of an Exif section, so that the decoder is
  // reached without a valid file around it. The buffer has exactly the
  // section's size: a read past its end is a sanitizer report.
  if (size + 8 <= 65535) {
    std::vector<std::uint8_t> section(size + 8);
    section[0] = static_cast<std::uint8_t>((size + 8) >> 8);
    section[1] = static_cast<std::uint8_t>(size + 8);
    const char header[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::copy(header, header + 6, section.begin() + 2);
    std::copy(bytes.begin(), bytes.end(), section.begin() + 8);
    ExifReader reader;
    reader.ProcessExif(section);
    UseRecord(reader);
  }
  return 0;
}
