#pragma once
// What publishing one folder must do, decided from what is known without
// touching anything: the folder's local entries, its remote listing and the
// profile's rules. No transport, no file system; the one thing the decision
// may need from the server, a file's exact time when its listed time falls
// too close to the local one, comes through a callback.
//
// The synchronisation lists, plans, then carries the plan out; the plan
// stays the same whoever carries it out (one connection, several, or the
// dry run's recorder).

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "publish/remote_entry.h"
#include "publish/sync_local_files.h"

namespace albumsmith {

class PreserveList;

// Where a file that replaces a published one is sent first: beside it, under
// a hidden name that no page refers to ("s/.IMG_1.jpg.part"). A copy left by
// an interrupted run has no local counterpart and goes with the next run's
// comparison.
std::string TemporaryName(const std::string& path);

// The rules a folder's comparison follows.
struct PlanRules {
  bool guarded = false;  // access security: files published as NAME.php with the guard before their bytes
  bool php = false;      // a PHP site: var.inf travels with the thumbnails
  bool renames = true;   // replacements travel under their temporary name
  int clockOffset = 0;   // seconds, local clock minus server clock
  std::optional<int> exactClockOffset;  // the same to the second, where the server tells exact times
  std::int64_t now = 0;                 // the current time, seconds since 1970
  // The server's exact time of a remote path below the site ("m/a/x.jpg"),
  // asked only when the listed time cannot decide; nothing when it cannot tell.
  std::function<std::optional<std::int64_t>(const std::string& remotePath)> exactTime;
};

// One folder's image trees ("m/" and "s/"), each entry relative to the site
// ("m/Trips/IMG_1.jpg"); carried out list by list, in the order below.
struct FolderPlan {
  std::vector<std::string> removeDirs;   // with everything in them, "m/Trips/Old/"
  std::vector<std::string> deleteFiles;  // remote names
  std::vector<std::string> createDirs;   // "m/Trips/New/"
  std::vector<std::string> uploads;      // local names
  // Directories ("s/Trips/") of a protected album still without their empty index page.
  std::vector<std::string> indexPages;
  // The remote name each upload travels under: its published name, or for a
  // replacement of a published copy its temporary name while renames work.
  std::vector<std::string> sentAs;
  // Folders ("Trips/Old/") whose remote directories go, and so leave the folder tree.
  std::vector<std::string> goneFolders;
  // Local names that cannot be part of a remote path; not published.
  std::set<std::string> unpublishable;

  size_t size() const {
    return removeDirs.size() + deleteFiles.size() + createDirs.size() + uploads.size() + indexPages.size();
  }
  // The plan as lines, in the order carried out: "rmdir P", "delete P",
  // "mkdir P", "upload P", "replace P via T", "index P".
  std::vector<std::string> Lines() const;
};

// A local name and where it is published, relative to the site.
std::string PublishedName(const std::string& name, bool guarded);
std::string PublishedPath(const std::string& entry, bool guarded);
// The size the server holds of a file published from `localSize` bytes.
std::uint64_t PublishedSize(const std::string& entry, std::uint64_t localSize, bool guarded);

// Adds to `plan` the comparison of one tree ("m/" or "s/") of `folder`
// ("" or "Trips/"): local entries missing remotely are created or uploaded,
// older remote files replaced, remote entries without a local one removed.
// `local` in the order it is carried out (ReadLocalEntries gives byte order).
void PlanTree(const std::string& tree, const std::string& folder, const std::vector<LocalEntry>& local,
              RemoteEntryList remote, const PlanRules& rules, FolderPlan& plan);

// The plan of a folder's page directory (the remote directory holding its
// index.html, or the remote root of a PHP site): what goes without a
// question, and what is asked about, in the order met.
struct PageStep {
  enum class Kind { kDelete, kAsk };
  Kind kind = Kind::kAsk;
  std::string path;  // below the remote root: "Trips/index.php", or the entry asked about
  bool isDir = false;
  bool operator==(const PageStep&) const = default;
};

struct PagePlan {
  std::vector<PageStep> steps;
  bool hasIndex = false;  // the directory holds its index.html
};

// A static site's page directory: directories that are no album folder are
// asked about (after the rest); a PHP entry page left at the root goes.
// `isAlbumFolder` tells whether a path below the image tree ("Trips/") is a folder.
PagePlan PlanStaticPageDirectory(const std::string& folder, const RemoteEntryList& list, const PreserveList& preserve,
                                 const std::function<bool(const std::string& path)>& isAlbumFolder);

// A PHP site has one page, index.php, at its root: the static pages of an
// earlier life go quietly, anything else is asked about, in the listing's order.
PagePlan PlanPhpPageDirectory(const std::string& folder, const RemoteEntryList& list, const PreserveList& preserve);

}  // namespace albumsmith
