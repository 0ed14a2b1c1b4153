#include "cli/cli.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"
#include "store/profiles.h"
#include "store/remote_choices.h"

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

bool ParseOptions(const std::vector<std::string>& args, size_t from, const std::vector<std::string_view>& known,
                  std::map<std::string, std::string>& options, std::vector<std::string>& positional,
                  std::string& error) {
  for (size_t i = from; i < args.size(); ++i) {
    if (StartsWith(args[i], "--")) {
      if (std::find(known.begin(), known.end(), std::string_view(args[i]).substr(2)) == known.end()) {
        error = "unknown option " + args[i];
        return false;
      }
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

bool ApplyServerOptions(const std::map<std::string, std::string>& options, ProfileSettings& s, std::string& error) {
  auto option = [&](const char* name, std::string& value) {
    if (const auto it = options.find(name); it != options.end()) value = it->second;
  };
  option("server", s.serverName);
  if (!CheckServerName(s.serverName)) return false;
  if (!ParseFlag(options, "php", s.php, error) || !ParseFlag(options, "passive", s.passive, error)) return false;
  if (const auto it = options.find("protocol"); it != options.end()) {
    if (!IsKnownProtocol(it->second)) {
      error = "--protocol takes ftp, ftps or sftp";
      return false;
    }
    SetProfileProtocol(s, it->second);
  }
  if (const auto it = options.find("key"); it != options.end()) {
    if (!CheckKeyFile(it->second)) return false;
    s.keyFile = it->second;
  }
  if (const auto it = options.find("connections"); it != options.end()) {
    const auto& v = it->second;
    if (v.size() != 1 || v[0] < '1' || v[0] > '8') {
      error = "--connections takes a number from 1 to 8";
      return false;
    }
    s.connections = v[0] - '0';
  }
  option("login", s.login);
  if (!CheckLogin(s.login)) return false;
  option("password", s.password);
  if (!CheckProfilePassword(s)) return false;
  std::string remote = s.remoteDir;
  option("remote-dir", remote);
  const auto checked = CheckWizardRemoteDir(remote);
  if (!checked) return false;
  s.remoteDir = *checked;
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
