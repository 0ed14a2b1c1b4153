// The image commands: import files into a folder, list a folder's images.

#include <cstdio>
#include <string>
#include <vector>

#include "album/image_list.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "platform/format.h"
#include "platform/text.h"
#include "store/file_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {

bool OpenFolder(CliContext& ctx, const std::string& profile, const std::string& path, FolderRef& ref,
                std::string& error) {
  if (!ProfileExists(ctx.profilesDir, profile)) {
    error = "no profile named " + profile;
    return false;
  }
  ref.folder = RelativeFolder(path);
  if (!IsSafeFolder(ref.folder)) {
    error = "not a folder path: " + path;
    return false;
  }
  ref.settings = ReadProfile(ctx.profilesDir, profile);
  ref.profileDir = ProfileDirectory(ctx.profilesDir, ref.settings);
  if (!DirExists(FolderDirectories(ref.profileDir, ref.folder).images)) {
    error = "no folder " + path + " in profile " + profile;
    return false;
  }
  return true;
}

namespace {

using Context = CliContext;

constexpr const char* kOrderingNames[kOrderingCount] = {"comment", "date", "filename", "position"};

int Import(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 4) return kUsageError;
  FolderRef ref;
  std::string error;
  if (!OpenFolder(ctx, args[1], args[2], ref, error)) return Fail(ctx, error);
  const std::vector<std::string> files(args.begin() + 3, args.end());
  const Status copied = CopyFiles(files, FolderDirectories(ref.profileDir, ref.folder).images);
  // The files copied before a failure stay, and the folder shows them.
  CliWindowSink sink(stdout);
  ImageList list(sink);
  list.SetListMode(ImageList::kDetails);
  if (!list.LoadFolder(ref.profileDir, ref.folder, ref.settings)) return Fail(ctx, "");
  return copied ? 0 : Fail(copied);
}

int List(Context& ctx, const std::vector<std::string>& args) {
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 1, {"order"}, options, positional, error)) return Fail(ctx, error);
  if (positional.size() != 2) return kUsageError;
  int ordering = -1;
  for (const auto& [key, value] : options) {
    for (int i = 0; i < kOrderingCount; ++i)
      if (EqualsNoCase(value, kOrderingNames[i])) ordering = i;
    if (ordering < 0) return Fail(ctx, "--order takes comment, date, filename or position");
  }
  FolderRef ref;
  if (!OpenFolder(ctx, positional[0], positional[1], ref, error)) return Fail(ctx, error);

  // Status lines go to stderr: stdout carries only the list.
  CliWindowSink sink(stderr);
  ImageList list(sink);
  list.SetListMode(ImageList::kDetails);
  if (!list.LoadFolder(ref.profileDir, ref.folder, ref.settings)) return Fail(ctx, "");
  if (ordering >= 0) {
    // What choosing an entry of the ordering selector does.
    list.SetOrdering(ordering);
    if (!list.SaveOrder()) return Fail(ctx, "");
  }
  for (const ImageItem& item : list.items()) {
    std::printf("%s\t%s\t%s\t%s\n", ColumnText(item, kSortByPosition).c_str(), item.fileName.c_str(),
                item.displayDate.c_str(), item.comment.c_str());
  }
  return 0;
}

// "image SUBCOMMAND …": the commands on chosen images of a folder.
int Image(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 2) return kUsageError;
  if (args[1] == "rotate") return RunImageRotate(ctx, args);
  if (args[1] == "date") return RunImageDate(ctx, args);
  if (args[1] == "delete") return RunImageDelete(ctx, args);
  if (args[1] == "copy" || args[1] == "move") return RunImagePaste(ctx, args);
  if (args[1] == "order") return RunImageOrder(ctx, args);
  return kUsageError;
}

const CliRegistrar kImage(
    {"image",
     "  image rotate PROFILE REL/PATH 90|180|270|flip-h|flip-v NAME...\n"
     "                                    turn or mirror images losslessly\n"
     "  image date PROFILE REL/PATH --set \"YYYY:MM:DD HH:MM:SS\" | --shift [+|-]H:MM:SS NAME...\n"
     "                                    set or shift the Exif dates of images\n"
     "  image delete PROFILE REL/PATH NAME...\n"
     "                                    delete photos of a folder\n"
     "  image copy|move PROFILE FROM/PATH TO/PATH NAME...\n"
     "                                    paste photos copied / cut from one folder into another\n"
     "  image order PROFILE REL/PATH NAME --before OTHER | --last\n"
     "                                    move a photo in the position order\n",
     &Image});
const CliRegistrar kImport({"import",
                            "  import PROFILE REL/PATH FILE...   copy JPEG "
                            "files into a folder and load it\n",
                            &Import});
const CliRegistrar kList({"list",
                          "  list PROFILE REL/PATH [--order comment|date|filename|position]\n"
                          "                                    load a folder and print its images\n",
                          &List});

}  // namespace
}  // namespace albumsmith
