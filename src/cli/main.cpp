// albumsmith-cli: the program's operations without windows.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application.h"
#include "cli/cli.h"
#include "platform/app_settings.h"
#include "platform/prompter.h"
#include "platform/user_dirs.h"
#include "store/file_ops.h"

namespace albumsmith {
namespace {

void PrintUsage(std::FILE* out) {
  std::fputs("usage: albumsmith-cli [--config-dir DIR] [--profiles-dir DIR] [--yes|--no] COMMAND ...\n\nCommands:\n",
             out);
  std::vector<CliCommand> commands = CliCommands();
  std::sort(commands.begin(), commands.end(),
            [](const CliCommand& a, const CliCommand& b) { return std::string(a.name) < b.name; });
  for (const CliCommand& c : commands) std::fputs(c.usage, out);
  std::fputs(
      "\nOptions:\n"
      "  --config-dir DIR     keep the application settings in DIR/Albumsmith.ini\n"
      "  --profiles-dir DIR   use DIR as the profiles base directory\n"
      "  --yes                answer OK/Yes to every question (and tick \"Don't ask me again\")\n"
      "  --no                 answer Cancel/No to every question\n",
      out);
}

int Run(CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) {
    for (const CliCommand& c : CliCommands()) {
      if (args[0] != c.name) continue;
      const int rc = c.run(ctx, args);
      if (rc == kUsageError) PrintUsage(stderr);
      return rc;
    }
  }
  PrintUsage(stderr);
  return kUsageError;
}

}  // namespace
}  // namespace albumsmith

int main(int argc, char** argv) {
  using namespace albumsmith;
  std::vector<std::string> args;
  std::string profilesDir;
  auto assume = TerminalPrompter::Assume::kNothing;
  // The global options are taken wherever they stand, so that
  // "profile delete X --yes" works as well as "--yes profile delete X".
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--config-dir" && i + 1 < argc) {
      ::setenv("ALBUMSMITH_CONFIG_DIR", argv[++i], 1);
    } else if (a == "--profiles-dir" && i + 1 < argc) {
      profilesDir = argv[++i];
    } else if (a == "--yes") {
      assume = TerminalPrompter::Assume::kYes;
    } else if (a == "--no") {
      assume = TerminalPrompter::Assume::kNo;
    } else if ((a == "--help" || a == "-h") && args.empty()) {
      PrintUsage(stdout);
      return 0;
    } else {
      args.push_back(a);
    }
  }
  const bool interactive = ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
  CliPrompter prompter(assume, stdin, stderr, interactive);
  Prompter::SetCurrent(&prompter);

  AppSettings settings(AppSettings::DefaultFile());
  std::error_code ec;
  Languages languages(ProgramDirectory(), std::filesystem::current_path(ec));
  profilesDir = StartUp(settings, languages, profilesDir);
  // A base that cannot be made was named; each command then says what it could not do.
  (void)CreatePath(profilesDir);
  CliContext ctx{settings, profilesDir, prompter};
  return Run(ctx, args);
}
