// The site command: writes into a local folder the whole site a visitor of
// the profile's album would get, laid out exactly as publishing lays it out
// on the server. Derived files come first, folder by folder, the same way
// the derive command makes them, so that a site exported from a folder of
// fresh photos has every thumbnail and medium image its pages ask for.

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "album/image_worker.h"
#include "cli/cli.h"
#include "cli/cli_sink.h"
#include "site/site_text.h"
#include "site/site_writer.h"
#include "site/template.h"
#include "store/folder_ops.h"
#include "store/profile_settings.h"
#include "store/profiles.h"
#include "store/rights_php.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using Context = CliContext;

// The derived files a page asks for, made as the derive command makes them.
// Returns the number of images, or -1.
int DeriveForSite(const FolderTree& folders, const std::string& folder) {
  // Progress goes to stderr: stdout carries the list of what was written.
  CliWindowSink sink(stderr);
  WorkerOptions worker;
  worker.lowPriority = false;  // the user is waiting for this command
  const std::optional<size_t> count = DeriveFolder(folders.profileDir(), folder, folders.profile(), sink, worker);
  return count ? static_cast<int>(*count) : -1;
}

// Writing the site into the profile's own directory would copy every
// derived file onto itself.
bool SameOrInside(const fs::path& dir, const fs::path& base) {
  std::error_code ec;
  const fs::path a = fs::weakly_canonical(dir, ec);
  const fs::path b = fs::weakly_canonical(base, ec);
  auto ai = a.begin();
  for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
    if (bi->empty()) continue;  // the trailing "/" of a directory
    if (ai == a.end() || *ai != *bi) return false;
  }
  return true;
}

int Site(Context& ctx, const std::vector<std::string>& given) {
  // --preview is a switch; the other options take a value.
  std::vector<std::string> args;
  bool preview = false;
  for (const std::string& a : given) {
    if (a == "--preview") {
      preview = true;
    } else {
      args.push_back(a);
    }
  }
  std::map<std::string, std::string> options;
  std::vector<std::string> positional;
  std::string error;
  if (!ParseOptions(args, 1, {"out"}, options, positional, error)) return Fail(ctx, error);
  if (positional.size() != 1) return kUsageError;
  const auto out = options.find("out");
  if (out == options.end() || out->second.empty()) return Fail(ctx, "site needs --out DIR");

  const auto profile = FindProfile(ctx.profilesDir, positional[0]);
  if (!profile) return Fail(ctx, "no profile named " + positional[0]);
  FolderTree folders;
  folders.Load(ctx.profilesDir, ReadProfile(ctx.profilesDir, *profile));
  folders.ExpandAll();
  const ProfileSettings& settings = folders.profile();
  // The preview's own place inside the profile is allowed: that is where the
  // preview window writes the same pages.
  const bool ownPreview = preview && SameOrInside(PreviewDirectory(folders.profileDir()), out->second) &&
                          SameOrInside(out->second, PreviewDirectory(folders.profileDir()));
  if (!ownPreview &&
      (SameOrInside(folders.profileDir(), out->second) || SameOrInside(out->second, folders.profileDir())))
    return Fail(ctx, "the output directory " + out->second + " overlaps the profile directory " + folders.profileDir());

  const std::string dataDir = ProgramDataDirectory();
  const std::string templateDir = TemplateDirectory(dataDir, settings.templateName);
  // Said before any image is worked on, and before anything is written.
  std::error_code ec;
  if (!fs::is_directory(templateDir + "albsite/js", ec))
    return Fail(ctx, "the template " + SettingText(settings.templateName) + " is not in " + templateDir);
  // A template of another format still makes pages; the warning says they may not work.
  CheckTemplate(dataDir, settings.templateName);

  const std::vector<CDirectoryTree::Entry> list = folders.tree().List();
  std::vector<std::string> work{""};  // the top level holds images too
  for (const CDirectoryTree::Entry& e : list) work.push_back(e.relativePath);
  std::vector<int> counts;
  for (const std::string& folder : work) {
    const int count = DeriveForSite(folders, folder);
    if (count < 0) return Fail(ctx, "");
    counts.push_back(count);
  }

  if (preview) {
    if (!WritePreviewPages(settings, folders.profileDir(), templateDir, list, out->second)) return Fail(ctx, "");
  } else if (!WriteSite(settings, folders.profileDir(), templateDir, list, out->second,
                        BuildRightsPhp(settings, ctx.settings, ctx.profilesDir))) {
    return Fail(ctx, "");
  }

  // Preview pages are static whatever the profile says.
  const bool php = settings.php != 0 && !preview;
  for (size_t i = 0; i < work.size(); ++i) {
    std::printf("folder %s %d image(s)\n", work[i].empty() ? "/" : work[i].c_str(), counts[i]);
  }
  size_t pages = 0;
  if (php) {
    std::printf("page index.php\n");
    pages = 1;
  } else {
    for (const std::string& folder : work) {
      std::printf("page %sindex.html\npage %sslide.html\n", folder.c_str(), folder.c_str());
      pages += 2;
    }
  }
  std::printf("wrote %zu folder(s) and %zu page(s) to %s\n", work.size(), pages, out->second.c_str());
  return 0;
}

const CliRegistrar kSite({"site",
                          "  site PROFILE --out DIR            makes the missing derived files, then writes the\n"
                          "                                    site as publishing lays it out on the server\n"
                          "  site PROFILE --preview --out DIR  the same, but the preview pages of every folder, as\n"
                          "                                    the preview window writes them (static, addressing the\n"
                          "                                    profile's own images and the template where it lies)\n",
                          &Site});

}  // namespace
}  // namespace albumsmith
