#pragma once
// What the image viewer shows and how it steps: the folder's photos in the
// order the list shows them (sort.inf), the medium image of the current one,
// its number and the first line of its comment. The window only paints.

#include <string>
#include <vector>

#include "imaging/image_buffer.h"

namespace albumsmith {

class ImageViewerModel {
 public:
  // Starts on `fileName` (the selected photo), or on the last photo when the
  // folder's order does not name it.
  ImageViewerModel(const std::string& profileDir, const std::string& folder, const std::string& fileName);

  int index() const { return index_; }
  int count() const { return static_cast<int>(names_.size()); }
  bool canPrevious() const { return index_ > 0; }
  bool canNext() const { return index_ + 1 < count(); }
  // Steps one photo; false (and no change) at either end.
  bool Previous();
  bool Next();

  std::string fileName() const;
  // The medium image (its local name: a protected album guards it only on the server).
  std::string mediumPath() const;
  // " Image %02d" of index + 1.
  std::string caption() const;
  // The first line of the thumbnail folder's comment file; "" when none.
  std::string comment() const;
  // Decodes the medium image at full size; false (image empty) when it
  // cannot be read, without a message: the viewer then shows nothing.
  bool LoadPicture(ImageBuffer& image) const;

 private:
  std::string mediumDir_;
  std::string thumbnailDir_;
  std::vector<std::string> names_;
  int index_ = -1;
};

}  // namespace albumsmith
