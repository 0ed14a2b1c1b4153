#pragma once
// A server in memory behind the RemoteTransport interface, so that the
// synchronisation's failure paths can be tested without a network: the call
// numbered `failOnCall` fails the way FtpSession fails (a message through
// the Prompter, lastError set, false returned), and `onCall` lets a test act
// at a given call, for example set the stop flag.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/text.h"
#include "publish/remote_transport.h"
#include "store/profile_settings.h"
#include "test_support.h"

namespace albumsmith::test {

class FakeTransport final : public RemoteTransport {
 public:
  struct File {
    std::string content;
    std::int64_t time = 0;
  };

  // Absolute paths without a trailing "/"; the root is "/".
  std::set<std::string> dirs{"/"};
  std::map<std::string, File> files;
  // "Operation path" for every call, in order.
  std::vector<std::string> calls;
  std::int64_t clock = 1'700'000'000;  // the time uploads get
  int failOnCall = 0;                  // 1 for the first call; 0 never fails
  std::string failOn;                  // "Operation path" of a call to fail each time it comes
  // Listed times come in steps of this many seconds (60: a LIST without
  // seconds); ExactTime tells the stored time.
  int listStep = 1;
  // FileSize answers, as a server that knows SIZE does.
  bool tellsSizes = true;
  // Rename is allowed; false refuses every one, as some servers do.
  bool renames = true;
  // Uploads to these paths keep only their first half, reported as whole.
  std::set<std::string> cutShort;
  std::function<void(int call)> onCall;
  ProfileSettings profile;

  void SetProfile(const ProfileSettings& settings) override { profile = settings; }
  void SetStopFlag(const std::atomic<bool>* stop) override { stop_ = stop; }
  int lastError() const override { return lastError_; }

  bool Connect() override { return Call("Connect", ""); }
  void Disconnect() override { calls.push_back("Disconnect"); }

  bool EnterOrCreateDir(std::string_view path, Report report) override {
    if (!Call("EnterOrCreateDir", path)) return false;
    const std::string p = Normal(path);
    if (dirs.count(p)) return true;
    if (dirs.count(Parent(p)) && !files.count(p)) {
      dirs.insert(p);
      return true;
    }
    return report == Report::Yes ? Fail("Error creating directory '%s'", path) : false;
  }

  bool MakeDirs(std::string_view path, Report report) override {
    if (!Call("MakeDirs", path)) return false;
    if (!CreateLevels(Normal(path))) return report == Report::Yes ? Fail("Error creating directory '%s'", path) : false;
    return true;
  }

  bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
               Create create, Ask ask) override {
    const std::string dir = std::string(base) + std::string(sub);
    if (!Call("ListDir", dir)) return false;
    const std::string p = Normal(dir);
    if (!dirs.count(p)) {
      if (create == Create::No) return false;
      if (ask == Ask::Yes && askCreate_) {
        std::string shown(sub);
        if (EndsWith(shown, "/")) shown.pop_back();
        const Reply reply =
            ShowMessageText({Icon::Question, Buttons::OkCancel, true}, "Create remote directory \"%s\"", {shown});
        if (reply.dontAskAgain) {
          askCreate_ = false;
        } else if (!IsPositive(reply.answer)) {
          return false;
        }
      }
      if (!CreateLevels(p)) return Fail("Error change to directory '%s'", dir);
    }
    for (const std::string& d : dirs) {
      if (d != p && Parent(d) == p && includeDirs == IncludeDirs::Yes) list.Append({Name(d), clock, 0, true, false});
    }
    for (const auto& [path, file] : files) {
      if (Parent(path) == p) {
        RemoteEntry entry{Name(path), file.time - file.time % listStep, file.content.size(), false, false};
        entry.timeStep = listStep;
        list.Append(std::move(entry));
      }
    }
    return true;
  }

  bool PutFile(const std::filesystem::path& local, std::string_view remote) override {
    if (!Call("PutFile", remote)) return false;
    if (!std::filesystem::is_regular_file(local) || !dirs.count(Parent(Normal(remote))))
      return Fail("Error uploading file '%s' to '%s'", local.string(), remote);
    std::string content = ReadText(local);
    if (cutShort.count(Normal(remote))) content.resize(content.size() / 2);
    files[Normal(remote)] = {std::move(content), clock};
    return true;
  }

  bool PutBuffer(std::string_view remote, std::string_view data) override {
    if (!Call("PutBuffer", remote)) return false;
    if (!dirs.count(Parent(Normal(remote)))) return Fail("Error opening remote file '%s'", remote);
    files[Normal(remote)] = {std::string(data), clock};
    return true;
  }

  bool RemoveFile(std::string_view remote) override {
    if (!Call("RemoveFile", remote)) return false;
    if (!files.erase(Normal(remote))) return Fail("Cannot delete remote file '%s'", remote);
    return true;
  }

  bool Rename(std::string_view from, std::string_view to) override {
    if (!Call("Rename", std::string(from) + " " + std::string(to))) return false;
    const auto file = files.find(Normal(from));
    if (!renames || file == files.end()) return false;  // refused, quietly
    File moved = std::move(file->second);
    files.erase(file);
    files[Normal(to)] = std::move(moved);
    return true;
  }

  bool RemoveTree(std::string_view dir) override {
    if (!Call("RemoveTree", dir)) return false;
    const std::string p = Normal(dir);
    if (p == "/" || !dirs.count(p)) return Fail("Error change to directory '%s'", dir);
    const auto below = [&](const std::string& path) { return path == p || StartsWith(path, p + "/"); };
    std::erase_if(dirs, below);
    std::erase_if(files, [&](const auto& entry) { return below(entry.first); });
    return true;
  }

  bool ExactTime(std::string_view remote, std::int64_t& time) override {
    if (!Call("ExactTime", remote)) return false;
    const auto file = files.find(Normal(remote));
    if (file == files.end()) return false;
    time = file->second.time;
    return true;
  }

  bool FileSize(std::string_view remote, std::uint64_t& size) override {
    if (!Call("FileSize", remote) || !tellsSizes) return false;
    const auto file = files.find(Normal(remote));
    if (file == files.end()) return false;
    size = file->second.content.size();
    return true;
  }

  static std::string Normal(std::string_view path) {
    std::string p = "/" + std::string(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    p.erase(std::unique(p.begin(), p.end(), [](char a, char b) { return a == '/' && b == '/'; }), p.end());
    if (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
  }

 private:
  static std::string Parent(const std::string& p) {
    const size_t slash = p.rfind('/');
    return slash == 0 ? "/" : p.substr(0, slash);
  }
  static std::string Name(const std::string& p) { return p.substr(p.rfind('/') + 1); }

  bool CreateLevels(const std::string& p) {
    for (size_t slash = p.find('/', 1);; slash = p.find('/', slash + 1)) {
      const std::string level = p.substr(0, slash);
      if (files.count(level)) return false;
      dirs.insert(level);
      if (slash == std::string::npos) return true;
    }
  }

  bool Call(const char* operation, std::string_view path) {
    const int number = static_cast<int>(calls.size()) + 1;
    calls.push_back(std::string(operation) + (path.empty() ? "" : " " + std::string(path)));
    lastError_ = 0;  // each operation tells about itself alone, as the session's do
    if (onCall) onCall(number);
    if (stop_ && stop_->load()) {
      lastError_ = 42;  // stopped on request: quiet, like the session
      return false;
    }
    if (number == failOnCall || calls.back() == failOn) return Fail("%s failed", calls.back());
    return true;
  }

  bool Fail(std::string_view format, FmtArg a, FmtArg b = "") {
    lastError_ = 1;
    ShowMessageText({Icon::Exclamation, Buttons::Ok}, format, {a, b});
    return false;
  }

  const std::atomic<bool>* stop_ = nullptr;
  bool askCreate_ = true;
  int lastError_ = 0;
};

}  // namespace albumsmith::test
