#include "cli/cli.h"

#include <cstdio>

#include "platform/text.h"

namespace albumsmith {

Reply CliPrompter::Ask(const Message& message) {
  lastText_ = ReplaceAll(ReplaceAll(message.text, "\r", ""), "\n", " ");
  return TerminalPrompter::Ask(message);
}

int Fail(CliContext& ctx, const std::string& reason) {
  const std::string& why = reason.empty() ? ctx.prompter.lastText() : reason;
  std::fprintf(stderr, "albumsmith-cli: %s\n", why.empty() ? "failed" : why.c_str());
  return 1;
}

bool ParseOptions(const std::vector<std::string>& args, size_t from, std::map<std::string, std::string>& options,
                  std::vector<std::string>& positional, std::string& error) {
  for (size_t i = from; i < args.size(); ++i) {
    if (StartsWith(args[i], "--")) {
      if (i + 1 >= args.size()) {
        error = "option " + args[i] + " needs a value";
        return false;
      }
      options[args[i].substr(2)] = args[i + 1];
      ++i;
    } else {
      positional.push_back(args[i]);
    }
  }
  return true;
}

bool ParseFlag(const std::map<std::string, std::string>& options, const char* name, int& value, std::string& error) {
  auto it = options.find(name);
  if (it == options.end()) return true;
  if (it->second != "0" && it->second != "1") {
    error = std::string("--") + name + " takes 0 or 1";
    return false;
  }
  value = it->second == "1";
  return true;
}

std::string RelativeFolder(std::string_view path) {
  while (!path.empty() && path.front() == '/') path.remove_prefix(1);
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  return path.empty() || path == "." ? std::string() : std::string(path) + "/";
}

std::vector<CliCommand>& CliCommands() {
  static std::vector<CliCommand> commands;
  return commands;
}

}  // namespace albumsmith
