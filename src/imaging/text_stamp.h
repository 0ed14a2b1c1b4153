#pragma once
// Drawing an image's text stamp onto its medium image: after the picture is
// reduced, the stamp's line goes into a corner, the centre, or a black band
// added above or below the picture.

#include <string>

#include "imaging/image_buffer.h"
#include "imaging/stamp_file.h"

namespace albumsmith {

// Draws `stamp` onto `image`: a greyscale picture becomes red-green-blue, an
// external stamp adds a band of (text height + 10) black rows, and the text
// sits 5 pixels in from the edges it is placed against. Text pixels take the
// text colour; the other pixels of the line's box are kept, averaged with
// the background colour or replaced by it. What falls outside the picture is
// not drawn. False (the image unchanged) when the font cannot be used or
// memory runs out.
bool DrawStamp(ImageBuffer& image, const StampSettings& stamp);
// The same with the stamp read from its file.
bool DrawStamp(ImageBuffer& image, const std::string& stampFile);

}  // namespace albumsmith
