// The tag command: writes one text stamp for images of a folder, as the
// "Tag image" dialog does, and brings the folder's derived images in step
// the way reloading it in the window does.

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "album/image_worker.h"
#include "album/side_files.h"
#include "album/stamp_images.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/text.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

using Context = CliContext;

constexpr const char* kPositionNames[] = {"ul", "ur", "ll", "lr", "center"};
constexpr const char* kBackgroundNames[] = {"none", "transparent", "opaque"};

std::optional<int> ColourIndex(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || value < 0 || value >= kStampColorCount) return std::nullopt;
  return static_cast<int>(value);
}

template <size_t N>
std::optional<int> NameIndex(const std::string& text, const char* const (&names)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (EqualsNoCase(text, names[i])) return static_cast<int>(i);
  return std::nullopt;
}

// "Face,SIZE[,bold][,italic]": SIZE is the height of the characters in
// pixels, as the stored font record counts it.
bool ParseFontOption(const std::string& text, StampFont& font) {
  std::vector<std::string> parts = Split(text, ',');
  if (parts.size() < 2 || parts.size() > 4) return false;
  const std::string face(Trim(parts[0]));
  const std::string size(Trim(parts[1]));
  char* end = nullptr;
  const long pixels = std::strtol(size.c_str(), &end, 10);
  if (face.empty() || size.empty() || *end || pixels < 1 || pixels > kMaxStampFontPixels) return false;
  int weight = 400, italic = 0;
  for (size_t i = 2; i < parts.size(); ++i) {
    const std::string_view word = Trim(parts[i]);
    if (EqualsNoCase(word, "bold"))
      weight = 700;
    else if (EqualsNoCase(word, "italic"))
      italic = 1;
    else
      return false;
  }
  font.faceName = face;
  font.height = -static_cast<int>(pixels);
  font.weight = weight;
  font.italic = italic;
  return true;
}

int Tag(Context& ctx, const std::vector<std::string>& args) {
  // The two switches take no value; the other options do.
  std::vector<std::string> rest;
  bool external = false, off = false;
  for (const std::string& a : args) {
    if (a == "--external")
      external = true;
    else if (a == "--off")
      off = true;
    else
      rest.push_back(a);
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(rest, 1, {"text", "font", "color", "background", "background-color", "position"}, options,
                    positional, error))
    return Fail(ctx, error);
  if (positional.size() < 3) return kUsageError;

  const std::string& profileName = positional[0];
  if (!ProfileExists(ctx.profilesDir, profileName)) return Fail(ctx, "no profile named " + profileName);
  const std::string folder = RelativeFolder(positional[1]);
  if (!IsSafeFolder(folder)) return Fail(ctx, "not a folder path: " + positional[1]);
  const ProfileSettings settings = ReadProfile(ctx.profilesDir, profileName);
  const std::string profileDir = ProfileDirectory(ctx.profilesDir, settings);
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  if (!DirExists(dirs.images)) return Fail(ctx, "no folder " + positional[1] + " in profile " + profileName);
  const std::vector<std::string> names(positional.begin() + 2, positional.end());
  for (const std::string& name : names)
    if (!IsSafeName(name) || !FileExists(dirs.images + name))
      return Fail(ctx, "no image " + Printable(name) + " in folder " + positional[1]);

  // What the dialog would show: the first image's stamp, changed by the options.
  StampSettings stamp = FirstStamp(profileDir, folder, names);
  for (const auto& [key, value] : options) {
    if (key == "text") {
      if (HasControlChar(value)) return Fail(ctx, "--text takes one line of text");
      stamp.text = value;
    } else if (key == "font") {
      if (!ParseFontOption(value, stamp.font))
        return Fail(ctx, "--font takes \"Face,SIZE[,bold][,italic]\" with SIZE in pixels from 1 to " +
                             std::to_string(kMaxStampFontPixels));
    } else if (key == "color" || key == "background-color") {
      const std::optional<int> index = ColourIndex(value);
      if (!index) return Fail(ctx, "--" + key + " takes a colour number from 0 to 15");
      (key == "color" ? stamp.textColor : stamp.bgColor) = *index;
    } else if (key == "background") {
      const std::optional<int> mode = NameIndex(value, kBackgroundNames);
      if (!mode) return Fail(ctx, "--background takes none, transparent or opaque");
      stamp.background = *mode;
    } else if (key == "position") {
      const std::optional<int> position = NameIndex(value, kPositionNames);
      if (!position) return Fail(ctx, "--position takes ul, ur, ll, lr or center");
      stamp.position = *position;
    }
  }
  if (external) stamp.external = 1;
  stamp.tag = off ? 0 : 1;

  if (!StampImages(profileDir, folder, settings, names, stamp)) return Fail(ctx, "");
  // What the window's reload does next: the medium images come back, with the stamp.
  CliWindowSink sink(stderr);
  WorkerOptions worker;
  worker.lowPriority = false;
  if (!DeriveFolder(profileDir, folder, settings, sink, worker)) return Fail(ctx, "");
  return 0;
}

const CliRegistrar kTag({"tag",
                         "  tag PROFILE REL/PATH [--text T] [--font \"Face,SIZE[,bold][,italic]\"] [--color 0-15]\n"
                         "      [--background none|transparent|opaque] [--background-color 0-15]\n"
                         "      [--position ul|ur|ll|lr|center] [--external] [--off] NAME...\n"
                         "                                    stamp a line of text onto images' medium images\n",
                         &Tag});

}  // namespace
}  // namespace albumsmith
