#include "album/stamp_images.h"

#include <cerrno>

#include "album/image_worker.h"
#include "album/side_files.h"
#include "imaging/font_renderer.h"
#include "platform/messages.h"
#include "store/file_ops.h"

namespace albumsmith {

StampSettings FirstStamp(const std::string& profileDir, const std::string& folder,
                         const std::vector<std::string>& fileNames) {
  if (fileNames.empty()) return {};
  StampSettings stamp = ReadStamp(StampFileOf(FolderDirectories(profileDir, folder).images + fileNames.front()));
  if (!stamp.fontReadable) {
    stamp.font = StampFont();
    stamp.fontReadable = true;
  }
  return stamp;
}

bool StampImages(const std::string& profileDir, const std::string& folder, const ProfileSettings& settings,
                 const std::vector<std::string>& fileNames, StampSettings stamp) {
  // One line: a line break could not be stored, and would not be drawn.
  for (char& c : stamp.text)
    if (c == '\r' || c == '\n') c = ' ';
  stamp.text = CutText(stamp.text, kStampTextLimit);
  // A font no face can be found for is still stored as chosen; drawing it
  // reports the stamp file, image by image.
  TextExtent extent;
  if (!MeasureText(stamp.font, stamp.text, extent)) extent = {};
  for (const std::string& name : fileNames) {
    const DerivedPaths paths = DerivedPathsOf(profileDir, folder, name, settings);
    const std::string stampPath = StampFileOf(paths.image);
    if (const Status written = WriteStamp(stampPath, stamp, extent.width, extent.height); !written) {
      ShowSystemError(written.systemError(), TextId::kTagFileError, {stampPath});
      return false;
    }
    if (FileExists(paths.medium) && !DeleteFileReported(paths.medium)) return false;
  }
  return true;
}

}  // namespace albumsmith
