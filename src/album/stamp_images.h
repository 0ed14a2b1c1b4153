#pragma once
// The "Tag image(s)" command's work on files: the same text stamp written
// for every selected image of a folder, and their medium images deleted so
// that the next folder load makes them again with it. Thumbnails and the
// images themselves are never touched.

#include <string>
#include <vector>

#include "imaging/stamp_file.h"
#include "store/profile_settings.h"

namespace albumsmith {

// The stamp the dialog starts from: that of the first image named (the
// defaults where it has none).
StampSettings FirstStamp(const std::string& profileDir, const std::string& folder,
                         const std::vector<std::string>& fileNames);

// Measures the stamp's text in its font, then for each image writes its
// stamp file (all ten keys, the same for every image) and deletes its medium
// image (N, or N.php while access security is on). Stops at the first file
// that cannot be written or deleted, after showing why. The text is cut to
// the length a stamp file keeps, so that what is measured is what is drawn.
bool StampImages(const std::string& profileDir, const std::string& folder, const ProfileSettings& settings,
                 const std::vector<std::string>& fileNames, StampSettings stamp);

}  // namespace albumsmith
