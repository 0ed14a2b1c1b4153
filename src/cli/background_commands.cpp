// The background command: the "Background" page of the site settings without
// a window. Each form is one visit of the page followed by OK, so a removed
// file goes at once and an import stays.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli.h"
#include "site/backgrounds.h"
#include "site/site_text.h"
#include "site/template.h"
#include "store/profile_settings.h"
#include "store/profiles.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;
using Context = CliContext;

void PrintChoices(const BackgroundPage& page) {
  const auto& choices = page.choices();
  for (size_t i = 0; i < choices.size(); ++i) {
    const bool chosen = static_cast<int>(i) == page.selectedIndex();
    std::printf("%s %s\t%s\n", chosen ? "*" : " ", choices[i].name.c_str(), choices[i].path.c_str());
  }
}

bool Save(Context& ctx, ProfileSettings& profile, const std::string& background) {
  profile.background = background;
  return WriteProfileReported(ctx.profilesDir, profile);
}

int Background(Context& ctx, const std::vector<std::string>& args) {
  if (args.size() < 2) return kUsageError;
  const auto name = FindProfile(ctx.profilesDir, args[1]);
  if (!name) return Fail(ctx, "no profile named " + args[1]);
  ProfileSettings profile = ReadProfile(ctx.profilesDir, *name);
  const std::string profileDir = ProfileDirectory(ctx.profilesDir, profile);
  const std::string templateDir = TemplateDirectory(ProgramDataDirectory(), profile.templateName);
  const std::string current = SettingText(profile.background);
  BackgroundPage page(profileDir, templateDir, current);

  const std::string action = args.size() > 2 ? args[2] : "list";
  const size_t operands = args.size() > 3 ? args.size() - 3 : 0;

  if (action == "list" && operands == 0) {
    PrintChoices(page);
    return 0;
  }
  if (action == "none" && operands == 0) {
    if (!Save(ctx, profile, "")) return Fail(ctx, "");
    std::printf("background None\n");
    return 0;
  }
  if (action == "set" && operands == 1) {
    const std::string& wanted = args[3];
    std::error_code ec;
    // A name from the list first, then a file anywhere (publishing copies it).
    if (!page.ChooseByName(wanted)) {
      if (!fs::is_regular_file(wanted, ec)) return Fail(ctx, "no background named " + wanted);
      const std::string path = fs::absolute(wanted, ec).lexically_normal().string();
      if (!Save(ctx, profile, path)) return Fail(ctx, "");
      std::printf("background %s\n", path.c_str());
      return 0;
    }
    if (!Save(ctx, profile, page.Apply())) return Fail(ctx, "");
    std::printf("background %s\n", page.selectedPath().empty() ? "None" : page.selectedPath().c_str());
    return 0;
  }
  if (action == "import" && operands >= 1) {
    std::vector<std::string> files;
    std::error_code ec;
    for (size_t i = 3; i < args.size(); ++i) {
      if (!fs::is_regular_file(args[i], ec)) return Fail(ctx, "no file " + args[i]);
      files.push_back(args[i]);
    }
    const int copied = page.Import(files);
    for (const std::string& file : page.imported()) std::printf("imported %s\n", file.c_str());
    page.Apply();
    if (copied != static_cast<int>(files.size()))
      return Fail(ctx, std::to_string(files.size() - static_cast<size_t>(copied)) + " file(s) not imported");
    return 0;
  }
  if (action == "remove" && operands == 1) {
    if (!page.ChooseByName(args[3])) return Fail(ctx, "no background named " + args[3]);
    if (!page.CanRemove())
      return Fail(ctx, "only the profile's own backgrounds can be removed, not " + page.selectedPath());
    const std::string removed = page.selectedPath();
    std::error_code ec;
    const bool wasChosen = !current.empty() && fs::equivalent(current, removed, ec);
    page.Remove();
    page.Apply();
    std::printf("removed %s\n", removed.c_str());
    // The chosen background gone, the pages get none rather than a dangling address.
    if (wasChosen) {
      if (!Save(ctx, profile, "")) return Fail(ctx, "");
      std::printf("background None\n");
    }
    return 0;
  }
  return kUsageError;
}

const CliRegistrar kBackground(
    {"background",
     "  background PROFILE [list | set FILE | import FILE... | remove NAME | none]\n"
     "                                    lists the backgrounds (the chosen one marked *), chooses one\n"
     "                                    by name or file, copies files into the profile, deletes one\n"
     "                                    of the profile's own, or chooses none\n",
     &Background});

}  // namespace
}  // namespace albumsmith
