#pragma once
// Backgrounds: the JPEG pictures a profile's pages can be tiled with. The
// template brings some (<template>albsite/bg/), the user imports others into
// the profile (<profile>albsite/bg/); the profile's Background key holds the
// full path of the chosen one, or nothing.
//
// BackgroundPage is the state of the "Background" page of the site settings:
// the choices, the selection, the files imported and those marked for
// removal since the page opened. Nothing is deleted before OK (Apply), and
// Discard takes back the imports, so that Cancel leaves the disk as it was.

#include <string>
#include <vector>

#include "imaging/image_buffer.h"

namespace albumsmith {

// The size of the tiling preview, and how much a picture is reduced for it.
inline constexpr int kBackgroundPreviewWidth = 320;
inline constexpr int kBackgroundPreviewHeight = 240;
inline constexpr int kBackgroundPreviewDivisor = 5;

// The "*.JPG" files (any letter case) of a directory, as full paths in name order.
std::vector<std::string> BackgroundFiles(const std::string& dir);
std::string ProfileBackgroundDir(const std::string& profileDir);    // <profile>albsite/bg/
std::string TemplateBackgroundDir(const std::string& templateDir);  // <template>albsite/bg/

struct BackgroundChoice {
  std::string name;  // "None", or the file name without its extension
  std::string path;  // empty for "None"
};

// The list as the page fills it: "None", the profile's backgrounds, the
// template's; then, when `background` names a file found in neither, an
// entry for it. `selected` receives the entry matching the file name of
// `background` (the first, without regard to case), 0 for none.
// `hidden` are paths left out (files marked for removal).
std::vector<BackgroundChoice> BackgroundChoices(const std::string& profileDir, const std::string& templateDir,
                                                const std::string& background, int& selected,
                                                const std::vector<std::string>& hidden = {});

class BackgroundPage {
 public:
  BackgroundPage(std::string profileDir, std::string templateDir, const std::string& background);

  const std::vector<BackgroundChoice>& choices() const { return choices_; }
  int selectedIndex() const { return selected_; }
  // The chosen file's full path; empty for "None".
  const std::string& selectedPath() const { return selectedPath_; }

  void Choose(int index);
  // Selects the entry whose file name equals `name`, with or without its
  // extension, without regard to case. False when there is none.
  bool ChooseByName(const std::string& name);

  // Only a profile background can go: the template's belong to every profile
  // using it, and a file elsewhere on the disk is the user's own.
  bool CanRemove() const;
  // Marks the chosen file for removal and selects the entry that takes its place.
  bool Remove();
  // Copies the files into the profile's albsite/bg/ (the overwrite question
  // of the file copy included), fills the list again and keeps the selection.
  // Returns how many are in place (copied, or kept at the overwrite question).
  int Import(const std::vector<std::string>& files);

  // OK: deletes the files marked for removal and returns the new value of Background.
  std::string Apply();
  // Cancel: deletes the files imported since the page opened.
  void Discard();

  const std::vector<std::string>& imported() const { return imported_; }
  const std::vector<std::string>& markedForRemoval() const { return removed_; }

 private:
  void Fill(const std::string& background);

  std::string profileDir_;
  std::string templateDir_;
  std::vector<BackgroundChoice> choices_;
  int selected_ = 0;
  std::string selectedPath_;
  std::vector<std::string> imported_;
  std::vector<std::string> removed_;
};

// The preview area: the picture reduced to one fifth of its width and height,
// drawn from the top left corner again and again across 320 x 240 pixels, the
// last copies clipped. A path that is empty or not a decodable JPEG gives an
// empty buffer (the area is drawn plain). Always 3 components.
ImageBuffer BackgroundPreview(const std::string& path);
// The tiling itself, for a tile already reduced.
ImageBuffer TileBackground(const ImageBuffer& tile, int width, int height);

}  // namespace albumsmith
