#include "cli/cli.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"
#include "store/profiles.h"
#include "store/remote_choices.h"

namespace albumsmith {

std::string OneLine(std::string_view text) { return ReplaceAll(ReplaceAll(std::string(text), "\r", ""), "\n", " "); }

Reply CliPrompter::Ask(const Message& message) {
  lastText_ = OneLine(message.text);
  return TerminalPrompter::Ask(message);
}

int Fail(CliContext& ctx, const std::string& reason) {
  const std::string& why = reason.empty() ? ctx.prompter.lastText() : reason;
  std::fprintf(stderr, "albumsmith-cli: %s\n", why.empty() ? "failed" : why.c_str());
  return 1;
}

int Fail(const Status& failure, const std::string& otherwise) {
  const std::string why = failure.message().empty() ? otherwise : OneLine(failure.message());
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

Status ApplyServerOptions(const std::map<std::string, std::string>& options, ProfileSettings& s) {
  auto option = [&](const char* name, std::string& value) {
    if (const auto it = options.find(name); it != options.end()) value = it->second;
  };
  std::string error;
  option("server", s.serverName);
  if (Status checked = CheckServerName(s.serverName); !checked) return checked;
  if (!ParseFlag(options, "php", s.php, error) || !ParseFlag(options, "passive", s.passive, error))
    return Status::Refused(error);
  if (const auto it = options.find("protocol"); it != options.end()) {
    if (!IsKnownProtocol(it->second)) return Status::Refused("--protocol takes ftp, ftps or sftp");
    SetProfileProtocol(s, it->second);
  }
  if (const auto it = options.find("key"); it != options.end()) {
    if (Status checked = CheckKeyFile(it->second); !checked) return checked;
    s.keyFile = it->second;
  }
  if (const auto it = options.find("connections"); it != options.end()) {
    const auto& v = it->second;
    if (v.size() != 1 || v[0] < '1' || v[0] > '8') return Status::Refused("--connections takes a number from 1 to 8");
    s.connections = v[0] - '0';
  }
  option("login", s.login);
  if (Status checked = CheckLogin(s.login); !checked) return checked;
  option("password", s.password);
  if (Status checked = CheckProfilePassword(s); !checked) return checked;
  std::string remote = s.remoteDir;
  option("remote-dir", remote);
  Result<std::string> directory = CheckWizardRemoteDir(remote);
  if (!directory) return directory.status();
  s.remoteDir = std::move(directory).value();
  return {};
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
