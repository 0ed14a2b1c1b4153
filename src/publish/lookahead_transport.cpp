#include "publish/lookahead_transport.h"

#include <algorithm>
#include <utility>

#include "platform/prompter.h"

namespace albumsmith {

namespace {

// "/a/b" or "\a\b\" -> "/a/b/".
std::string DirPath(std::string_view path) {
  std::string dir(path);
  std::replace(dir.begin(), dir.end(), '\\', '/');
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// "/a/b/" -> "/a/"; nothing above "/" (or a first relative level).
std::string ParentDir(const std::string& dir) {
  if (dir.size() < 2) return {};
  const size_t slash = dir.rfind('/', dir.size() - 2);
  return slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
}

// "/a/b/" -> "b".
std::string LastName(const std::string& dir) {
  const std::string parent = ParentDir(dir);
  return dir.substr(parent.size(), dir.size() - parent.size() - 1);
}

// "/a/b/" -> "/", "/a/", "/a/b/".
std::vector<std::string> Levels(const std::string& dir) {
  std::vector<std::string> levels;
  for (std::string d = dir; !d.empty(); d = ParentDir(d)) levels.push_back(d);
  std::reverse(levels.begin(), levels.end());
  return levels;
}

std::string Lower(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

bool StrictlyBelow(const std::string& path, const std::string& dir) {
  return path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0;
}

// What a spare connection shows while listing ahead: nothing, and no to
// every question; a listing that had something to show is left for the
// run's own connection to make, so that the user sees it there.
class RecordingPrompter final : public Prompter {
 public:
  Reply Ask(const Message& message) override {
    asked = true;
    return {NegativeAnswer(message.buttons), false};
  }
  bool asked = false;
};

}  // namespace

void RemoteDirKnowledge::MarkLevelsPresent(const std::string& dir) {
  for (const std::string& level : Levels(dir)) {
    missing_.erase(level);
    const auto parent = names_.find(ParentDir(level));
    if (parent != names_.end()) parent->second.insert(Lower(LastName(level)));
  }
}

void RemoteDirKnowledge::DropBelow(const std::string& dir) {
  std::erase_if(names_, [&](const auto& known) { return StrictlyBelow(known.first, dir); });
  std::erase_if(missing_, [&](const std::string& known) { return StrictlyBelow(known, dir); });
}

void RemoteDirKnowledge::Listed(const std::string& dir, const RemoteEntryList& entries) {
  MarkLevelsPresent(dir);
  std::set<std::string>& names = names_[dir];
  names.clear();
  for (const RemoteEntry& entry : entries) names.insert(Lower(entry.name));
  // What was known below a name the listing no longer shows is out of date;
  // below a name it shows, it still holds.
  const auto gone = [&](const std::string& path) {
    if (!StrictlyBelow(path, dir)) return false;
    const size_t end = path.find('/', dir.size());
    return !names.contains(Lower(path.substr(dir.size(), end - dir.size())));
  };
  std::erase_if(names_, [&](const auto& known) { return gone(known.first); });
  std::erase_if(missing_, gone);
  // A name it shows is there now, whatever was known of it.
  std::erase_if(missing_, [&](const std::string& known) { return ParentDir(known) == dir; });
}

void RemoteDirKnowledge::Exists(const std::string& dir) { MarkLevelsPresent(dir); }

void RemoteDirKnowledge::Made(const std::string& dir) {
  bool below = false;  // a level above was missing, so this one was too
  for (const std::string& level : Levels(dir)) {
    const bool wasMissing = below || IsMissing(level);
    missing_.erase(level);
    const auto parent = names_.find(ParentDir(level));
    if (parent != names_.end()) parent->second.insert(Lower(LastName(level)));
    if (wasMissing) {
      DropBelow(level);
      names_[level].clear();
      below = true;
    }
  }
}

void RemoteDirKnowledge::Missing(const std::string& dir) {
  DropBelow(dir);
  names_.erase(dir);
  missing_.insert(dir);
  const auto parent = names_.find(ParentDir(dir));
  if (parent != names_.end()) parent->second.erase(Lower(LastName(dir)));
}

void RemoteDirKnowledge::FileWritten(const std::string& path) {
  const std::string dir = path.substr(0, path.rfind('/') + 1);
  if (dir.empty()) return;
  MarkLevelsPresent(dir);
  const auto it = names_.find(dir);
  if (it != names_.end()) it->second.insert(Lower(path.substr(dir.size())));
}

void RemoteDirKnowledge::Forget(const std::string& dir) {
  DropBelow(dir);
  names_.erase(dir);
  missing_.erase(dir);
}

bool RemoteDirKnowledge::IsMissing(const std::string& dir) const {
  if (missing_.contains(dir)) return true;
  // The nearest level above that is known decides.
  for (std::string level = dir, parent = ParentDir(dir); !parent.empty(); level = parent, parent = ParentDir(parent)) {
    if (missing_.contains(parent)) return true;
    const auto listed = names_.find(parent);
    if (listed != names_.end()) return !listed->second.contains(Lower(LastName(level)));
  }
  return false;
}

LookaheadTransport::LookaheadTransport(RemoteTransport& inner, bool enabled) : inner_(inner), enabled_(enabled) {}

LookaheadTransport::~LookaheadTransport() = default;

void LookaheadTransport::Learn(const std::string& dir, const RemoteEntryList& entries, bool handOver) {
  if (!enabled_) return;
  known_.Listed(DirPath(dir), entries);
  PruneMissing();
  if (!handOver) return;
  std::lock_guard lock(mutex_);
  const std::string path = DirPath(dir);
  Ahead& ready = ahead_[path];
  if (ready.state == Ahead::State::kRunning) return;  // a listing on its way is as good
  // Wanted later as well: listed again once this one is handed over.
  if (std::find(order_.begin(), order_.end(), path) != order_.end()) ++again_[path];
  ready.state = Ahead::State::kListed;
  ready.entries = entries;
}

void LookaheadTransport::ListAhead(const std::vector<std::string>& dirs) {
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  ordered_ = true;
  changed_.notify_all();
  for (const std::string& raw : dirs) {
    const std::string dir = DirPath(raw);
    // One known to be missing is made without a listing.
    if (known_.IsMissing(dir)) continue;
    if (ahead_.try_emplace(dir).second) {
      order_.push_back(dir);
    } else {
      ++again_[dir];
    }
  }
}

std::optional<bool> LookaheadTransport::ListNextAhead(RemoteTransport& spare) {
  if (!enabled_) return std::nullopt;
  std::string dir;
  {
    std::unique_lock lock(mutex_);
    // A spare connection may be ready before the run knows what to list.
    changed_.wait(lock, [&] { return ordered_ || stopped_; });
    while (dir.empty() && !stopped_ && next_ < order_.size()) {
      const auto it = ahead_.find(order_[next_++]);
      if (it != ahead_.end() && it->second.state == Ahead::State::kQueued) {
        it->second.state = Ahead::State::kRunning;
        dir = it->first;
      }
    }
  }
  if (dir.empty()) return std::nullopt;
  RecordingPrompter shown;
  RemoteEntryList entries;
  bool listed = false;
  bool missing = false;
  {
    const ThreadPrompterScope scope(shown);
    listed = spare.ListDir(entries, dir, "", IncludeDirs::Yes, Create::No, Ask::No);
    missing = !listed && spare.lastError() == 0;
  }
  std::lock_guard lock(mutex_);
  const auto it = ahead_.find(dir);
  // Dropped meanwhile: the run changed the directory, the listing may not show it.
  if (it != ahead_.end() && it->second.state == Ahead::State::kRunning) {
    if ((listed || missing) && !shown.asked) {
      it->second.state = listed ? Ahead::State::kListed : Ahead::State::kMissing;
      it->second.entries = std::move(entries);
    } else {
      ahead_.erase(it);
    }
  }
  changed_.notify_all();
  return listed || missing;
}

LookaheadTransport::Taken LookaheadTransport::TakeAhead(const std::string& dir, RemoteEntryList& entries) {
  std::unique_lock lock(mutex_);
  auto it = ahead_.find(dir);
  // On its way: waiting costs less than listing again from the start.
  while (it != ahead_.end() && it->second.state == Ahead::State::kRunning && !stopped_) {
    changed_.wait(lock);
    it = ahead_.find(dir);
  }
  if (it == ahead_.end()) return Taken::kNone;
  const Ahead::State state = it->second.state;
  if (state == Ahead::State::kListed) entries = std::move(it->second.entries);
  if (state != Ahead::State::kRunning) {  // a running one is dropped when it ends
    ahead_.erase(it);
    // Wanted again later: listed again, next.
    const auto again = again_.find(dir);
    if (again != again_.end() && !stopped_) {
      if (--again->second == 0) again_.erase(again);
      ahead_.try_emplace(dir);
      order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(next_), dir);
    }
  }
  if (state != Ahead::State::kListed && state != Ahead::State::kMissing) return Taken::kNone;
  ++handedOver_;
  return state == Ahead::State::kListed ? Taken::kListed : Taken::kMissing;
}

void LookaheadTransport::Drop(const std::string& dir, bool below) {
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  if (below) {
    std::erase_if(ahead_, [&](const auto& entry) { return entry.first.compare(0, dir.size(), dir) == 0; });
  } else {
    ahead_.erase(dir);
  }
  changed_.notify_all();
}

void LookaheadTransport::DropFileDir(std::string_view path) {
  std::string text(path);
  std::replace(text.begin(), text.end(), '\\', '/');
  Drop(text.substr(0, text.rfind('/') + 1));
}

void LookaheadTransport::PruneMissing() {
  if (!enabled_) return;
  std::lock_guard lock(mutex_);
  std::erase_if(ahead_, [&](const auto& entry) {
    return entry.second.state == Ahead::State::kQueued && known_.IsMissing(entry.first);
  });
}

void LookaheadTransport::Changing(const std::vector<std::string>& dirs) {
  for (const std::string& dir : dirs) Drop(DirPath(dir));
}

void LookaheadTransport::StopListingAhead() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  std::erase_if(ahead_, [](const auto& entry) { return entry.second.state != Ahead::State::kRunning; });
  changed_.notify_all();
}

int LookaheadTransport::listingsHandedOver() const {
  std::lock_guard lock(mutex_);
  return handedOver_;
}

bool LookaheadTransport::ListDir(RemoteEntryList& list, std::string_view base, std::string_view sub,
                                 IncludeDirs includeDirs, Create create, Ask ask) {
  quietMiss_ = false;
  if (!enabled_) return inner_.ListDir(list, base, sub, includeDirs, create, ask);
  const std::string dir = DirPath(std::string(base) + std::string(sub));
  RemoteEntryList ahead;
  switch (TakeAhead(dir, ahead)) {
    case Taken::kListed:
      known_.Listed(dir, ahead);
      for (const RemoteEntry& entry : ahead)
        if (!entry.isDir || includeDirs == IncludeDirs::Yes) list.Append(entry);
      return true;
    case Taken::kMissing:
      known_.Missing(dir);
      PruneMissing();
      if (create == Create::No) {
        // The answer a listing of a missing directory gives: false, quietly.
        quietMiss_ = true;
        return false;
      }
      break;
    case Taken::kNone:
      break;
  }
  // Only a directory that is to be made is taken as missing without asking
  // the server: made, it is there either way.
  if (create == Create::Yes && known_.IsMissing(dir)) return CreateMissingDir(list, base, sub, includeDirs, ask);

  const size_t before = list.size();
  const bool ok = inner_.ListDir(list, base, sub, includeDirs, create, ask);
  if (ok) {
    if (includeDirs == IncludeDirs::Yes) {
      RemoteEntryList got;
      for (size_t i = before; i < list.size(); ++i) got.Append(list[i]);
      known_.Listed(dir, got);
    } else {
      known_.Exists(dir);
    }
    // An empty directory may have just been made, with levels above it.
    if (create == Create::Yes && list.size() == before) {
      for (std::string level = dir; StrictlyBelow(level, DirPath(base)) || level == DirPath(base);
           level = ParentDir(level))
        Drop(ParentDir(level));
      Drop(dir);
    }
  } else if (create == Create::No && inner_.lastError() == 0) {
    known_.Missing(dir);
  }
  PruneMissing();
  return ok;
}

bool LookaheadTransport::CreateMissingDir(RemoteEntryList& list, std::string_view base, std::string_view sub,
                                          IncludeDirs includeDirs, Ask ask) {
  quietMiss_ = false;
  const std::string dir = DirPath(std::string(base) + std::string(sub));
  const size_t before = list.size();
  const bool ok = inner_.CreateMissingDir(list, base, sub, includeDirs, ask);
  if (!enabled_) return ok;
  if (ok && list.size() == before) {
    known_.Made(dir);
  } else if (ok) {
    known_.Exists(dir);  // there after all
  }
  PruneMissing();
  for (std::string level = dir; StrictlyBelow(level, DirPath(base)) || level == DirPath(base); level = ParentDir(level))
    Drop(ParentDir(level));
  Drop(dir);
  return ok;
}

bool LookaheadTransport::EnterOrCreateDir(std::string_view path, Report report) {
  quietMiss_ = false;
  const bool ok = inner_.EnterOrCreateDir(path, report);
  if (!enabled_) return ok;
  const std::string dir = DirPath(path);
  if (ok) known_.Made(dir);
  Drop(dir);
  Drop(ParentDir(dir));
  PruneMissing();
  return ok;
}

bool LookaheadTransport::MakeDirs(std::string_view path, Report report) {
  quietMiss_ = false;
  if (!enabled_) return inner_.MakeDirs(path, report);
  const std::string dir = DirPath(path);
  // Below the deepest level the run has seen, levels known to be missing
  // are made without looking first; nothing is made when the run has seen
  // the directory itself.
  std::string existing;
  bool restMissing = true;
  for (const std::string& level : Levels(dir)) {
    if (known_.IsSeen(level)) {
      existing = level;
      restMissing = true;
    } else if (!known_.IsMissing(level)) {
      restMissing = false;
    }
  }
  const bool ok =
      !existing.empty() && restMissing ? inner_.MakeMissingDirs(path, existing, report) : inner_.MakeDirs(path, report);
  if (ok) known_.Made(dir);
  for (const std::string& level : Levels(dir)) Drop(level);
  PruneMissing();
  return ok;
}

bool LookaheadTransport::PutFile(const std::filesystem::path& local, std::string_view remote) {
  quietMiss_ = false;
  const bool ok = inner_.PutFile(local, remote);
  if (enabled_) {
    known_.FileWritten(std::string(remote));  // a failed upload may have left part of it
    DropFileDir(remote);
  }
  return ok;
}

bool LookaheadTransport::PutBuffer(std::string_view remote, std::string_view data) {
  quietMiss_ = false;
  const bool ok = inner_.PutBuffer(remote, data);
  if (enabled_) {
    known_.FileWritten(std::string(remote));
    DropFileDir(remote);
  }
  return ok;
}

bool LookaheadTransport::RemoveFile(std::string_view remote) {
  quietMiss_ = false;
  const bool ok = inner_.RemoveFile(remote);
  DropFileDir(remote);
  return ok;
}

bool LookaheadTransport::Rename(std::string_view from, std::string_view to) {
  quietMiss_ = false;
  const bool ok = inner_.Rename(from, to);
  if (enabled_) {
    known_.FileWritten(std::string(to));
    DropFileDir(from);
    DropFileDir(to);
  }
  return ok;
}

bool LookaheadTransport::RemoveTree(std::string_view path) {
  quietMiss_ = false;
  const bool ok = inner_.RemoveTree(path);
  if (!enabled_) return ok;
  const std::string dir = DirPath(path);
  if (ok) {
    known_.Missing(dir);
  } else {
    known_.Forget(dir);
  }
  Drop(dir, true);
  Drop(ParentDir(dir));
  PruneMissing();
  return ok;
}

}  // namespace albumsmith
