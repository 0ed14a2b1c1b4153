#pragma once
// A synchronisation that only says what it would do. The run goes through
// its phases as usual on a transport that reads from the server (listings,
// exact times, sizes) but turns every change into a line of the plan, and
// under a prompter that turns every question into a line too, answered the
// way that changes nothing or lets the plan go on.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/prompter.h"
#include "publish/remote_transport.h"

namespace albumsmith {

struct SyncPlan {
  // "upload PATH", "delete PATH", "mkdir PATH", "rmdir PATH" (with
  // everything in it), "ask: QUESTION", in the order the run would meet them.
  std::vector<std::string> lines;
  int uploads = 0;
  int deletions = 0;
  int madeDirs = 0;
  int removedDirs = 0;
  int questions = 0;
  std::uint64_t bytes = 0;  // of the uploads

  // "N uploads (B bytes), N deletions, N mkdir, N rmdir, N questions"
  std::string Summary() const;
};

class DryRunTransport final : public RemoteTransport {
 public:
  DryRunTransport(RemoteTransport& server, SyncPlan& plan) : server_(server), plan_(plan) {}

  void SetProfile(const ProfileSettings& profile) override { server_.SetProfile(profile); }
  void SetStopFlag(const std::atomic<bool>* stop) override { server_.SetStopFlag(stop); }
  int lastError() const override { return lastError_; }
  bool Connect() override;
  void Disconnect() override { server_.Disconnect(); }
  bool KeepsTimes() const override { return server_.KeepsTimes(); }
  // Part of an upload, which the plan has shown already.
  bool SetTime(std::string_view, std::int64_t) override { return true; }

  bool EnterOrCreateDir(std::string_view path, Report report) override;
  bool MakeDirs(std::string_view path, Report report) override;
  bool ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub, IncludeDirs includeDirs,
               Create create, Ask ask) override;
  bool PutFile(const std::filesystem::path& local, std::string_view remote) override;
  bool PutBuffer(std::string_view remote, std::string_view data) override;
  bool RemoveFile(std::string_view remote) override;
  bool Rename(std::string_view from, std::string_view to) override;
  bool RemoveTree(std::string_view dir) override;
  bool ExactTime(std::string_view remote, std::int64_t& time) override;
  bool FileSize(std::string_view remote, std::uint64_t& size) override;

 private:
  // Whether the directory is on the server or made by the plan already.
  bool Exists(const std::string& dir);
  void Made(const std::string& dir);

  RemoteTransport& server_;
  SyncPlan& plan_;
  std::set<std::string> made_;  // directories the plan creates, with a trailing "/"
  int lastError_ = 0;
};

// While it lives, questions become "ask:" lines of the plan and are answered
// without asking: Yes to "Yes / No / Cancel" (keep what is there), No to
// "Yes / No" (install nothing), OK to "OK / Cancel" (go on planning). Mere
// messages still reach the prompter that was current.
class PlanningPrompter final : public Prompter {
 public:
  explicit PlanningPrompter(SyncPlan& plan);
  ~PlanningPrompter() override;
  PlanningPrompter(const PlanningPrompter&) = delete;
  PlanningPrompter& operator=(const PlanningPrompter&) = delete;
  Reply Ask(const Message& message) override;

 private:
  SyncPlan& plan_;
  Prompter& previous_;
  std::mutex mutex_;
};

}  // namespace albumsmith
