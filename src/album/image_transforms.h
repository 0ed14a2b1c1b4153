#pragma once
// The Transform and Date commands over the images chosen in a folder: each
// photo is rewritten in turn (status text and progress as it goes), a photo
// that fails is named in a message and the others are still done. The
// caller reloads the folder afterwards, so that the image worker makes the
// derived files of the rewritten photos again; it stops the worker first, so
// that no derived file made from a photo's old content lands after the
// reload and passes for up to date.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace albumsmith {

class WindowSink;

struct ImageEditOutcome {
  std::vector<std::string> changed;  // file names, in the order given
  std::vector<std::string> failed;
  bool allDone() const { return failed.empty(); }
};

// Turns or mirrors each image (the Transform menu's code 1..5) with
// TransformFile: "Rotating %s" with the photo's path as status text,
// "Cannot rotate file %s" with its name when it fails. `imagesDir` ends
// with "/". Any other code does nothing and fails every image.
ImageEditOutcome TransformImages(const std::string& imagesDir, const std::vector<std::string>& names, int code,
                                 WindowSink& sink);

// Moves each image's Exif capture date by `offsetSeconds` ("Updating %s").
ImageEditOutcome ShiftDates(const std::string& imagesDir, const std::vector<std::string>& names,
                            std::int64_t offsetSeconds, WindowSink& sink);

// Sets each image's Exif capture date to `time` ("Updating %s").
ImageEditOutcome SetDates(const std::string& imagesDir, const std::vector<std::string>& names, std::time_t time,
                          WindowSink& sink);

}  // namespace albumsmith
