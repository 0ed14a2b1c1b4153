#include "publish/sync_plan.h"

#include "platform/text.h"
#include "publish/sync_engine.h"
#include "site/guarded_files.h"
#include "site/variables.h"
#include "store/preserve_list.h"

namespace albumsmith {

namespace {

constexpr std::string_view kSiteDir = "albsite";

// "s/Trips/IMG_1.jpg" -> "s/Trips/" and "IMG_1.jpg".
std::string DirOf(const std::string& entry) { return entry.substr(0, entry.rfind('/') + 1); }
std::string NameOf(const std::string& entry) { return entry.substr(entry.rfind('/') + 1); }

}  // namespace

std::string TemporaryName(const std::string& path) {
  const size_t slash = path.rfind('/') + 1;
  return path.substr(0, slash) + "." + path.substr(slash) + ".part";
}

std::string PublishedName(const std::string& name, bool guarded) { return guarded ? GuardedName(name) : name; }

std::string PublishedPath(const std::string& entry, bool guarded) {
  return DirOf(entry) + PublishedName(NameOf(entry), guarded);
}

std::uint64_t PublishedSize(const std::string& entry, std::uint64_t localSize, bool guarded) {
  return guarded ? localSize + GuardPrologue(DirOf(entry)).size() : localSize;
}

std::vector<std::string> FolderPlan::Lines() const {
  std::vector<std::string> lines;
  for (const std::string& e : removeDirs) lines.push_back("rmdir " + e);
  for (const std::string& e : deleteFiles) lines.push_back("delete " + e);
  for (const std::string& e : createDirs) lines.push_back("mkdir " + e);
  for (size_t i = 0; i < uploads.size(); ++i) {
    const std::string sent = i < sentAs.size() ? sentAs[i] : uploads[i];
    if (sent == uploads[i])
      lines.push_back("upload " + uploads[i]);
    else if (sent.ends_with(".part"))
      lines.push_back("replace " + uploads[i] + " via " + sent);
    else
      lines.push_back("upload " + uploads[i] + " as " + sent);
  }
  for (const std::string& e : indexPages) lines.push_back("index " + e);
  return lines;
}

void PlanTree(const std::string& tree, const std::string& folder, const std::vector<LocalEntry>& local,
              RemoteEntryList remote, const PlanRules& rules, FolderPlan& plan) {
  const bool thumbnails = tree == "s/";
  for (const LocalEntry& file : local) {
    // sort.pos only keeps the last position order on this machine; var.inf
    // is read by the PHP library alone. A remote copy of either goes.
    if (thumbnails && (file.name == "sort.pos" || (file.name == kVarInf && !rules.php))) continue;
    // The transport would read a backslash in such a name as a separator.
    if (!IsSafeName(file.name)) {
      plan.unpublishable.insert(file.name);
      continue;
    }
    const std::string entry = tree + folder + file.name;
    const int i = remote.Find(file.isDir ? file.name : PublishedName(file.name, rules.guarded));
    if (i < 0) {
      if (file.isDir) {
        plan.createDirs.push_back(entry + "/");
      } else {
        plan.uploads.push_back(entry);
        plan.sentAs.push_back(PublishedPath(entry, rules.guarded));
      }
      continue;
    }
    const RemoteEntry& copy = remote[static_cast<size_t>(i)];
    const std::string published = PublishedPath(entry, rules.guarded);
    if (!file.isDir && !copy.isDir &&
        IsOldListed(file.time, PublishedSize(entry, file.size, rules.guarded), copy, rules.clockOffset, rules.now,
                    rules.exactClockOffset, [&]() -> std::optional<std::int64_t> {
                      return rules.exactTime ? rules.exactTime(published) : std::nullopt;
                    })) {
      // Visitors may be reading the published copy: the new one goes
      // beside it and is moved over it once whole.
      plan.uploads.push_back(entry);
      plan.sentAs.push_back(rules.renames ? TemporaryName(published) : published);
    }
    remote.RemoveRange(static_cast<size_t>(i), 1);
  }
  // A protected album's directories each hold an empty index page, so
  // that a server listing directories shows no name of the folder.
  if (rules.guarded) {
    const int i = remote.Find(kDirectoryIndexName);
    if (i < 0)
      plan.indexPages.push_back(tree + folder);
    else if (!remote[static_cast<size_t>(i)].isDir)
      remote.RemoveRange(static_cast<size_t>(i), 1);
  }
  for (const RemoteEntry& gone : remote) {
    if (gone.isDir) {
      plan.removeDirs.push_back(tree + folder + gone.name + "/");
      plan.goneFolders.push_back(folder + gone.name + "/");
    } else {
      plan.deleteFiles.push_back(tree + folder + gone.name);
    }
  }
}

PagePlan PlanStaticPageDirectory(const std::string& folder, const RemoteEntryList& list, const PreserveList& preserve,
                                 const std::function<bool(const std::string& path)>& isAlbumFolder) {
  PagePlan plan;
  const bool root = folder.empty();
  std::vector<PageStep> foreign;
  for (const RemoteEntry& e : list) {
    if (root && e.name == kSiteDir) continue;
    const std::string path = folder + e.name;
    if (preserve.Keeps(path)) continue;
    if (e.isDir) {
      if (!isAlbumFolder(path)) foreign.push_back({PageStep::Kind::kAsk, path, true});
    } else if (root && e.name == "index.php") {
      // Left from when the profile was a PHP site.
      plan.steps.push_back({PageStep::Kind::kDelete, path, false});
    } else if (e.name == kDirectoryIndexName) {
      plan.hasIndex = true;
    }
  }
  plan.steps.insert(plan.steps.end(), foreign.begin(), foreign.end());
  return plan;
}

PagePlan PlanPhpPageDirectory(const std::string& folder, const RemoteEntryList& list, const PreserveList& preserve) {
  PagePlan plan;
  const bool root = folder.empty();
  for (const RemoteEntry& e : list) {
    if (root && e.name == kSiteDir) continue;
    const std::string path = folder + e.name;
    if (preserve.Keeps(path)) continue;
    if (root && !e.isDir) {
      if (e.name == "index.php") continue;
      if (e.name == "index.html" || e.name == "slide.html") {
        plan.steps.push_back({PageStep::Kind::kDelete, path, false});
        continue;
      }
    }
    plan.steps.push_back({PageStep::Kind::kAsk, path, e.isDir});
  }
  return plan;
}

}  // namespace albumsmith
