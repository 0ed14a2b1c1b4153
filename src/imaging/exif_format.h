#pragma once
// The image-information record as text lines (the command line) or as HTML
// table rows (the Exif page; the image list reads the date and size back from
// those rows), and the Exif page itself.

#include <filesystem>
#include <string>
#include <string_view>

#include "imaging/exif_reader.h"

namespace albumsmith {

enum class InfoForm { Text, Html };

// The rows of the record whose condition holds, in a fixed order. The HTML
// form escapes every text that came from the camera or the user.
std::string FormatInfo(const ImageInfo& info, InfoForm form);

// "Normal", "rotate 90", … for orientation 0..8; "Undefined" otherwise.
const char* OrientationName(int orientation);
// "Baseline", "Progressive", … by start-of-frame marker; "Unknown" otherwise.
const char* JpegProcessName(int marker);

// & < > and " as character references.
std::string HtmlEscape(std::string_view text);

// Writes the Exif page of an image: file name, size and date, then the HTML
// rows. `stylePrefix` leads from the page's folder to the site's root. False
// when the image cannot be opened (no page), when the page cannot be written,
// or when the image is not a JPEG (an empty page is left).
bool WriteExifPage(const std::filesystem::path& imagePath, const std::filesystem::path& pagePath,
                   std::string_view stylePrefix);

}  // namespace albumsmith
