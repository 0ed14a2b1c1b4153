// "image rotate" and "image date": the Transform and Date menus on chosen
// images of a folder. One line per image changed on stdout; the messages
// about the others on stderr, and exit code 1 when any failed.

#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "album/image_list.h"
#include "album/image_transforms.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "imaging/exif_reader.h"
#include "imaging/transforms.h"
#include "store/file_ops.h"

namespace albumsmith {
namespace {

struct TransformWord {
  const char* word;
  TransformCode code;
};
constexpr TransformWord kTransformWords[] = {
    {"90", TransformCode::kRotate90},       {"180", TransformCode::kRotate180},
    {"270", TransformCode::kRotate270},     {"flip-h", TransformCode::kFlipLeftRight},
    {"flip-v", TransformCode::kFlipUpDown},
};

std::string ExifDateText(const std::string& path) {
  ExifReader reader;
  reader.setDiagnostics(nullptr);
  return reader.ReadFile(path, ImageData::Skip) ? reader.info().dateTime : std::string();
}

// The end of every command: the folder loaded again, which deletes the
// derived files the rewritten photos made stale; then the exit code.
int Finish(CliContext& ctx, const FolderRef& ref, const ImageEditOutcome& outcome) {
  CliWindowSink sink(stderr);
  ImageList list(sink);
  list.SetListMode(ImageList::kDetails);
  const bool reloaded = list.LoadFolder(ref.profileDir, ref.folder, ref.settings);
  if (!outcome.allDone()) return Fail(ctx, "");
  return reloaded ? 0 : Fail(ctx, "");
}

}  // namespace

int RunImageRotate(CliContext& ctx, const std::vector<std::string>& args) {
  // image rotate PROFILE REL/PATH HOW NAME...
  if (args.size() < 6) return kUsageError;
  std::optional<TransformCode> code;
  for (const TransformWord& w : kTransformWords)
    if (args[4] == w.word) code = w.code;
  if (!code) return Fail(ctx, "the transform is one of 90, 180, 270, flip-h, flip-v, not " + args[4]);
  FolderRef ref;
  std::string error;
  if (!OpenFolder(ctx, args[2], args[3], ref, error)) return Fail(ctx, error);
  const std::string imagesDir = FolderDirectories(ref.profileDir, ref.folder).images;
  CliWindowSink sink(stderr);
  const std::vector<std::string> names(args.begin() + 5, args.end());
  const ImageEditOutcome outcome = TransformImages(imagesDir, names, static_cast<int>(*code), sink);
  for (const std::string& name : outcome.changed) std::printf("rotated %s\n", name.c_str());
  std::fflush(stdout);
  return Finish(ctx, ref, outcome);
}

int RunImageDate(CliContext& ctx, const std::vector<std::string>& args) {
  // image date PROFILE REL/PATH --set DATE | --shift OFFSET NAME...
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 2, {"set", "shift"}, options, positional, error)) return Fail(ctx, error);
  if (positional.size() < 3 || options.size() != 1) return kUsageError;
  FolderRef ref;
  if (!OpenFolder(ctx, positional[0], positional[1], ref, error)) return Fail(ctx, error);
  const std::string imagesDir = FolderDirectories(ref.profileDir, ref.folder).images;
  const std::vector<std::string> names(positional.begin() + 2, positional.end());
  CliWindowSink sink(stderr);
  ImageEditOutcome outcome;
  if (const auto set = options.find("set"); set != options.end()) {
    const std::optional<std::time_t> time = ParseExifDateTime(set->second);
    if (!time) return Fail(ctx, "--set takes a date and time \"YYYY:MM:DD HH:MM:SS\", not \"" + set->second + "\"");
    outcome = SetDates(imagesDir, names, *time, sink);
  } else {
    const TimeOffset offset = ParseTimeOffset(options.at("shift"));
    if (!offset.ok) return Fail(ctx, offset.message);
    outcome = ShiftDates(imagesDir, names, offset.seconds, sink);
  }
  for (const std::string& name : outcome.changed)
    std::printf("dated %s %s\n", name.c_str(), ExifDateText(imagesDir + name).c_str());
  std::fflush(stdout);
  return Finish(ctx, ref, outcome);
}

}  // namespace albumsmith
