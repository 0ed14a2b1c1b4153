#include "publish/dry_run.h"

#include <system_error>

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "publish/session_texts.h"

namespace albumsmith {

namespace {

// The first line of a question, control characters shown as spaces: a plan
// line stays one line.
std::string OneLine(const std::string& text) {
  std::string line = text.substr(0, text.find_first_of("\r\n"));
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return line;
}

}  // namespace

std::string SyncPlan::Summary() const {
  return Fmt("%i uploads (%s bytes), %i deletions, %i mkdir, %i rmdir, %i questions",
             {uploads, std::to_string(bytes), deletions, madeDirs, removedDirs, questions});
}

bool DryRunTransport::Connect() {
  const bool ok = server_.Connect();
  lastError_ = server_.lastError();
  return ok;
}

bool DryRunTransport::Exists(const std::string& dir) {
  const std::string path = WithSlash(dir);
  if (made_.count(path)) return true;
  RemoteEntryList ignored;
  return server_.ListDir(ignored, path, "", IncludeDirs::No, Create::No, Ask::No);
}

void DryRunTransport::Made(const std::string& dir) {
  const std::string path = WithSlash(dir);
  if (!made_.insert(path).second) return;
  plan_.lines.push_back("mkdir " + path);
  ++plan_.madeDirs;
}

bool DryRunTransport::EnterOrCreateDir(std::string_view rawPath, Report) {
  lastError_ = 0;
  const std::string path = Slashes(rawPath);
  if (!Exists(path)) {
    if ((lastError_ = server_.lastError()) != 0) return false;
    Made(path);
  }
  return true;
}

bool DryRunTransport::MakeDirs(std::string_view rawPath, Report) {
  lastError_ = 0;
  const std::string path = WithSlash(Slashes(rawPath));
  if (Exists(path)) return true;
  if ((lastError_ = server_.lastError()) != 0) return false;
  // Every missing level, from the top.
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string level = path.substr(0, slash + 1);
    if (!made_.count(level) && !Exists(level)) {
      if ((lastError_ = server_.lastError()) != 0) return false;
      Made(level);
    }
  }
  return true;
}

bool DryRunTransport::ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub,
                              IncludeDirs includeDirs, Create create, Ask ask) {
  lastError_ = 0;
  const std::string dir = WithSlash(Slashes(base) + Slashes(sub));
  if (made_.count(dir)) return true;  // made by the plan: empty
  if (server_.ListDir(list, base, sub, includeDirs, Create::No, Ask::No)) return true;
  if ((lastError_ = server_.lastError()) != 0 || create == Create::No) return false;
  if (ask == Ask::Yes) {
    std::string shown = Slashes(sub);
    if (EndsWith(shown, "/")) shown.pop_back();
    const Reply reply =
        ShowMessage({Icon::Question, Buttons::OkCancel, true}, TextId::kCreateRemoteDirQuestion, {shown});
    if (!IsPositive(reply.answer)) return false;
  }
  Made(dir);
  return true;
}

bool DryRunTransport::PutFile(const std::filesystem::path& local, std::string_view remote) {
  lastError_ = 0;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(local, ec);
  plan_.lines.push_back("upload " + Slashes(remote));
  ++plan_.uploads;
  plan_.bytes += ec ? 0 : size;
  return true;
}

bool DryRunTransport::PutBuffer(std::string_view remote, std::string_view data) {
  lastError_ = 0;
  plan_.lines.push_back("upload " + Slashes(remote));
  ++plan_.uploads;
  plan_.bytes += data.size();
  return true;
}

bool DryRunTransport::RemoveFile(std::string_view remote) {
  lastError_ = 0;
  plan_.lines.push_back("delete " + Slashes(remote));
  ++plan_.deletions;
  return true;
}

// The plan names every upload by its final name; nothing travels, so
// nothing is moved.
bool DryRunTransport::Rename(std::string_view, std::string_view) {
  lastError_ = 0;
  return true;
}

bool DryRunTransport::RemoveTree(std::string_view dir) {
  lastError_ = 0;
  plan_.lines.push_back("rmdir " + WithSlash(Slashes(dir)));
  ++plan_.removedDirs;
  return true;
}

bool DryRunTransport::ExactTime(std::string_view remote, std::int64_t& time) {
  const bool ok = server_.ExactTime(remote, time);
  lastError_ = server_.lastError();
  return ok;
}

bool DryRunTransport::FileSize(std::string_view remote, std::uint64_t& size) {
  const bool ok = server_.FileSize(remote, size);
  lastError_ = server_.lastError();
  return ok;
}

PlanningPrompter::PlanningPrompter(SyncPlan& plan) : plan_(plan), previous_(Prompter::Current()) {
  Prompter::SetCurrent(this);
}

PlanningPrompter::~PlanningPrompter() { Prompter::SetCurrent(&previous_); }

Reply PlanningPrompter::Ask(const Message& message) {
  Reply reply;
  switch (message.buttons) {
    case Buttons::Ok:
      return previous_.Ask(message);
    case Buttons::YesNoCancel:
      reply.answer = Answer::Yes;
      break;
    case Buttons::YesNo:
      reply.answer = Answer::No;
      break;
    case Buttons::OkCancel:
      reply.answer = Answer::Ok;
      break;
  }
  std::lock_guard lock(mutex_);
  plan_.lines.push_back("ask: " + OneLine(message.text));
  ++plan_.questions;
  return reply;
}

}  // namespace albumsmith
