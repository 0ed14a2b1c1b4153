#include "album/image_viewer.h"

#include "album/side_files.h"
#include "imaging/jpeg_codec.h"
#include "platform/format.h"
#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

namespace {

// A medium image not made yet is no news to the user: the area stays empty.
class QuietNotices : public ImagingNotices {
 public:
  void Exclamation(const std::string&) override {}
};

}  // namespace

ImageViewerModel::ImageViewerModel(const std::string& profileDir, const std::string& folder,
                                   const std::string& fileName) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  mediumDir_ = dirs.medium;
  thumbnailDir_ = dirs.thumbnails;
  ReadOrderFiles(profileDir, folder, names_, true);
  // The names compare without regard to case.
  index_ = count() - 1;
  for (int i = 0; i < count(); ++i) {
    if (EqualsNoCase(names_[static_cast<size_t>(i)], fileName)) {
      index_ = i;
      break;
    }
  }
}

bool ImageViewerModel::Previous() {
  if (!canPrevious()) return false;
  --index_;
  return true;
}

bool ImageViewerModel::Next() {
  if (!canNext()) return false;
  ++index_;
  return true;
}

std::string ImageViewerModel::fileName() const {
  return index_ >= 0 && index_ < count() ? names_[static_cast<size_t>(index_)] : std::string();
}

std::string ImageViewerModel::mediumPath() const {
  const std::string name = fileName();
  return name.empty() ? std::string() : mediumDir_ + name;
}

std::string ImageViewerModel::caption() const { return FormatString(TextId::kImageCaption, {index_ + 1}); }

std::string ImageViewerModel::comment() const {
  const std::string name = fileName();
  if (name.empty()) return {};
  const std::string text = ReadComment(thumbnailDir_ + name + ".comment");
  return IsNoComment(text) ? std::string() : text;
}

bool ImageViewerModel::LoadPicture(ImageBuffer& image) const {
  const std::string path = mediumPath();
  if (path.empty()) return false;
  QuietNotices quiet;
  if (LoadJpeg(path, image, false, quiet)) return true;
  image.Reset();
  return false;
}

}  // namespace albumsmith
