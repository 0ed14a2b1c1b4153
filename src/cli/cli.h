#pragma once
// The command line's shared pieces: the context every command gets, the
// failure line, option parsing, and the table of command groups that each
// commands file adds itself to.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/prompter.h"
#include "platform/status.h"
#include "store/profile_settings.h"

namespace albumsmith {

class AppSettings;

// The terminal prompter that also remembers the last text it showed, the
// reason of a failure that a message explained.
class CliPrompter : public TerminalPrompter {
 public:
  using TerminalPrompter::TerminalPrompter;
  Reply Ask(const Message& message) override;
  const std::string& lastText() const { return lastText_; }

 private:
  std::string lastText_;
};

struct CliContext {
  AppSettings& settings;
  std::string profilesDir;  // ends with "/"
  CliPrompter& prompter;
};

inline constexpr int kUsageError = 2;
// One line on standard error saying why the command failed: the given
// reason, else the last message the command showed. Returns 1.
int Fail(CliContext& ctx, const std::string& reason);
// The same for a failure the core returned: its text as one line, else
// `otherwise`.
int Fail(const Status& failure, const std::string& otherwise = "failed");
// A message text as one line: without carriage returns, line breaks as spaces.
std::string OneLine(std::string_view text);

// Options of the form --name VALUE among the positional arguments, from
// `from` on; a name not in `known` is refused ("unknown option --name").
bool ParseOptions(const std::vector<std::string>& args, size_t from, const std::vector<std::string_view>& known,
                  std::map<std::string, std::string>& options, std::vector<std::string>& positional,
                  std::string& error);
// A 0/1 option into `value`; untouched when absent.
bool ParseFlag(const std::map<std::string, std::string>& options, const char* name, int& value, std::string& error);

// The options of the profile wizard's server pages ("profile create",
// "profile copy"), and setting those given, each checked as its page checks
// it (a check shows its own message): the first failure, kCancelled when the
// remote directory's warning was answered Cancel; an option of the wrong
// form is refused with a text of its own, not shown. Settings no option
// names stay as they are.
inline const std::vector<std::string_view> kServerOptions = {"server",  "login",    "password", "remote-dir", "php",
                                                             "passive", "protocol", "key",      "connections"};
Status ApplyServerOptions(const std::map<std::string, std::string>& options, ProfileSettings& s);

// A folder path as typed ("Trips/2004", "/Trips/2004/", "/" or ".") as the
// folder tree names it: "" for the top level, else "Trips/2004/".
std::string RelativeFolder(std::string_view path);

// A command group ("profile", "folder", …). `run` gets every argument, the
// group's name first, and returns kUsageError when they do not fit.
struct CliCommand {
  const char* name;
  const char* usage;
  int (*run)(CliContext& ctx, const std::vector<std::string>& args);
};

std::vector<CliCommand>& CliCommands();

// A profile's folder as the command line names it: "Trips/2023" (or "/" for
// the top of the tree).
struct FolderRef {
  ProfileSettings settings;
  std::string profileDir;
  std::string folder;  // "" or ending with "/"
};
// Opens it, or says in `error` why not (no such profile, not a folder path,
// no such folder).
bool OpenFolder(CliContext& ctx, const std::string& profile, const std::string& path, FolderRef& ref,
                std::string& error);

// "image rotate" and "image date", kept with the Transform and Date commands.
int RunImageRotate(CliContext& ctx, const std::vector<std::string>& args);
int RunImageDate(CliContext& ctx, const std::vector<std::string>& args);
// "image delete", "image copy|move" and "image order", kept with the editing commands.
int RunImageDelete(CliContext& ctx, const std::vector<std::string>& args);
int RunImagePaste(CliContext& ctx, const std::vector<std::string>& args);
int RunImageOrder(CliContext& ctx, const std::vector<std::string>& args);

// "profile copy", kept with the other maintenance commands.
int RunProfileCopy(CliContext& ctx, const std::vector<std::string>& args);
struct CliRegistrar {
  explicit CliRegistrar(CliCommand command) { CliCommands().push_back(command); }
};

}  // namespace albumsmith
