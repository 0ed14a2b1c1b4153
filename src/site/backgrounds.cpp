#include "site/backgrounds.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "imaging/jpeg_codec.h"
#include "imaging/resample.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "site/template.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace fs = std::filesystem;

namespace {

// The page reports neither failed decodes nor anything else: a picture that
// cannot be shown is drawn plain.
class QuietNotices : public ImagingNotices {
 public:
  void Exclamation(const std::string&) override {}
};

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool Contains(const std::vector<std::string>& list, const std::string& path) {
  return std::find(list.begin(), list.end(), path) != list.end();
}

}  // namespace

std::vector<std::string> BackgroundFiles(const std::string& dir) {
  std::vector<std::string> all;
  if (DirExists(dir)) ListFiles(dir, all);
  std::vector<std::string> jpegs;
  for (std::string& file : all) {
    if (EqualsNoCase(Extension(file), "jpg")) jpegs.push_back(std::move(file));
  }
  return jpegs;
}

std::string ProfileBackgroundDir(const std::string& profileDir) { return WithSlash(profileDir) + "albsite/bg/"; }

std::string TemplateBackgroundDir(const std::string& templateDir) {
  return WithSlash(templateDir) + std::string(kTemplateBackgrounds);
}

std::vector<BackgroundChoice> BackgroundChoices(const std::string& profileDir, const std::string& templateDir,
                                                const std::string& background, int& selected,
                                                const std::vector<std::string>& hidden) {
  std::vector<BackgroundChoice> list{{LoadString(TextId::kNoBackgroundName), ""}};
  for (const std::string& dir : {ProfileBackgroundDir(profileDir), TemplateBackgroundDir(templateDir)}) {
    for (const std::string& file : BackgroundFiles(dir)) {
      if (!Contains(hidden, file)) list.push_back({StripExtension(FileName(file)), file});
    }
  }
  selected = 0;
  if (background.empty()) return list;
  const std::string wanted = FileName(background);
  for (size_t i = 1; i < list.size(); ++i) {
    if (EqualsNoCase(FileName(list[i].path), wanted)) {
      selected = static_cast<int>(i);
      return list;
    }
  }
  // Chosen from somewhere else: kept, so that OK does not lose it.
  list.push_back({StripExtension(wanted), background});
  selected = static_cast<int>(list.size()) - 1;
  return list;
}

BackgroundPage::BackgroundPage(std::string profileDir, std::string templateDir, const std::string& background)
    : profileDir_(std::move(profileDir)), templateDir_(std::move(templateDir)) {
  Fill(background);
}

void BackgroundPage::Fill(const std::string& background) {
  choices_ = BackgroundChoices(profileDir_, templateDir_, background, selected_, removed_);
  selectedPath_ = choices_[static_cast<size_t>(selected_)].path;
}

void BackgroundPage::Choose(int index) {
  if (index < 0 || index >= static_cast<int>(choices_.size())) return;
  selected_ = index;
  selectedPath_ = choices_[static_cast<size_t>(index)].path;
}

bool BackgroundPage::ChooseByName(const std::string& name) {
  for (size_t i = 0; i < choices_.size(); ++i) {
    const BackgroundChoice& c = choices_[i];
    // "None" names the plain page in every language, so that scripts keep working.
    const bool none = c.path.empty() && EqualsNoCase(name, "None");
    if (none || EqualsNoCase(c.name, name) || (!c.path.empty() && EqualsNoCase(FileName(c.path), name))) {
      Choose(static_cast<int>(i));
      return true;
    }
  }
  return false;
}

bool BackgroundPage::CanRemove() const {
  if (selectedPath_.empty()) return false;
  if (StartsWithNoCase(selectedPath_, TemplateBackgroundDir(templateDir_))) return false;
  const std::string own = ProfileBackgroundDir(profileDir_);
  return StartsWithNoCase(selectedPath_, own) && selectedPath_.find('/', own.size()) == std::string::npos;
}

bool BackgroundPage::Remove() {
  if (!CanRemove()) return false;
  removed_.push_back(selectedPath_);
  const int index = selected_;
  choices_.erase(choices_.begin() + index);
  Choose(std::min(index, static_cast<int>(choices_.size()) - 1));
  return true;
}

int BackgroundPage::Import(const std::vector<std::string>& files) {
  const std::string dir = ProfileBackgroundDir(profileDir_);
  std::error_code ec;
  fs::create_directories(dir, ec);
  int copied = 0;
  for (const std::string& file : files) {
    const std::string target = dir + FileName(file);
    std::error_code same;
    if (fs::equivalent(file, target, same)) continue;  // already one of the profile's
    // A file that was there before is the user's: Cancel must not delete it
    // even when the import replaced it.
    const bool existed = FileExists(target);
    if (!CopyFiles({file}, dir)) continue;
    if (!FileExists(target)) continue;  // the overwrite question was answered No
    ++copied;
    if (!existed && !Contains(imported_, target)) imported_.push_back(target);
    // Imported again after a Remove: it stays.
    removed_.erase(std::remove(removed_.begin(), removed_.end(), target), removed_.end());
  }
  Fill(selectedPath_);
  return copied;
}

std::string BackgroundPage::Apply() {
  std::error_code ec;
  for (const std::string& file : removed_) fs::remove(file, ec);
  removed_.clear();
  imported_.clear();
  return selectedPath_;
}

void BackgroundPage::Discard() {
  std::error_code ec;
  for (const std::string& file : imported_) fs::remove(file, ec);
  imported_.clear();
  removed_.clear();
}

ImageBuffer TileBackground(const ImageBuffer& tile, int width, int height) {
  ImageBuffer area;
  if (tile.empty() || width <= 0 || height <= 0 || !area.Allocate(width, height, 3)) return area;
  for (int y = 0; y < height; ++y) {
    const int sy = y % tile.height();
    uint8_t* out = area.row(y);
    for (int x = 0; x < width; ++x) {
      const uint8_t* in = tile.pixel(x % tile.width(), sy);
      uint8_t* pixel = out + 3 * static_cast<std::ptrdiff_t>(x);
      if (tile.components() == 3) {
        std::memcpy(pixel, in, 3);
      } else {
        pixel[0] = pixel[1] = pixel[2] = in[0];
      }
    }
  }
  return area;
}

ImageBuffer BackgroundPreview(const std::string& path) {
  if (path.empty() || !IsJpegFile(path)) return {};
  QuietNotices quiet;
  ImageBuffer decoded;
  int32_t fileWidth = 0;
  int32_t fileHeight = 0;
  const auto need = [](int32_t w, int32_t h) {
    return DecodeNeed{std::max(1, w / kBackgroundPreviewDivisor), std::max(1, h / kBackgroundPreviewDivisor)};
  };
  if (!LoadJpegScaled(path, decoded, need, fileWidth, fileHeight, quiet)) return {};
  const PictureSize size{std::max(1, fileWidth / kBackgroundPreviewDivisor),
                         std::max(1, fileHeight / kBackgroundPreviewDivisor)};
  ImageBuffer tile;
  if (decoded.width() == size.width && decoded.height() == size.height) {
    tile = std::move(decoded);
  } else if (!ResampleTo(decoded, tile, size, FitSide::Width)) {
    return {};
  }
  return TileBackground(tile, kBackgroundPreviewWidth, kBackgroundPreviewHeight);
}

}  // namespace albumsmith
