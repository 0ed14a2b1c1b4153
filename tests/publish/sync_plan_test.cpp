// What publishing a folder decides from its local entries and its listing,
// before anything is sent.

#include "publish/sync_plan.h"

#include <gtest/gtest.h>

#include <map>

#include "site/guarded_files.h"
#include "store/preserve_list.h"

namespace albumsmith {
namespace {

constexpr std::int64_t kNow = 1'700'000'000;
constexpr std::int64_t kThen = kNow - 3600;

LocalEntry File(const std::string& name, std::int64_t time, std::uint64_t size) { return {name, false, time, size}; }
LocalEntry Dir(const std::string& name) { return {name, true, kThen, 0}; }
RemoteEntry Remote(const std::string& name, std::int64_t time, std::uint64_t size) {
  return RemoteEntry{name, time, size, false, false, 1};
}
RemoteEntry RemoteDir(const std::string& name) { return RemoteEntry{name, kThen, 0, true, false, 1}; }
RemoteEntry Listed(const std::string& name, std::int64_t time, std::uint64_t size) {  // LIST: minutes only
  return RemoteEntry{name, time - time % 60, size, false, false, 60};
}

// The size a guarded copy of a 10-byte file of "m/Trips/" has on the server.
const std::uint64_t kGuardedSize = 10 + GuardPrologue("m/Trips/").size();

TEST(SyncPlanTest, TreeComparisonDecidesEachEntry) {
  struct Case {
    const char* what;
    std::string tree = "m/";
    std::vector<LocalEntry> local;
    std::vector<RemoteEntry> remote;
    std::vector<std::string> lines;
    bool guarded = false;
    bool php = false;
    bool renames = true;
    int clockOffset = 0;
    std::optional<int> exactOffset = {};
    std::map<std::string, std::int64_t> exact = {};  // what the server tells when asked, by remote path
    std::vector<std::string> asked = {};             // the exact times asked for
    std::vector<std::string> unpublishable = {};
    std::vector<std::string> gone = {};
  };
  const Case cases[] = {
      {"new file", "m/", {File("a.jpg", kThen, 10)}, {}, {"upload m/Trips/a.jpg"}},
      {"newer local replaces via a temporary name",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("a.jpg", kThen - 5, 10)},
       {"replace m/Trips/a.jpg via m/Trips/.a.jpg.part"}},
      {"newer local sent under its own name once renames are refused",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("a.jpg", kThen - 5, 10)},
       {"upload m/Trips/a.jpg"},
       false,
       false,
       false},
      {"same time and size", "m/", {File("a.jpg", kThen, 10)}, {Remote("a.jpg", kThen, 10)}, {}},
      {"size differs though the remote copy is newer",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("a.jpg", kNow, 11)},
       {"replace m/Trips/a.jpg via m/Trips/.a.jpg.part"}},
      {"clock offset covers the difference",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("a.jpg", kThen - 100, 10)},
       {},
       false,
       false,
       true,
       100},
      {"names match without regard to case", "m/", {File("a.jpg", kThen, 10)}, {Remote("A.JPG", kThen, 10)}, {}},
      {"remote only: file deleted, directory removed with its folder",
       "m/",
       {},
       {Remote("old.jpg", kThen, 3), RemoteDir("Gone")},
       {"rmdir m/Trips/Gone/", "delete m/Trips/old.jpg"},
       false,
       false,
       true,
       0,
       {},
       {},
       {},
       {},
       {"Trips/Gone/"}},
      {"local directory made where missing, kept where present",
       "m/",
       {Dir("New"), Dir("Old")},
       {RemoteDir("Old")},
       {"mkdir m/Trips/New/"}},
      {"leftover temporary copy goes",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote(".a.jpg.part", kThen, 4), Remote("a.jpg", kThen, 10)},
       {"delete m/Trips/.a.jpg.part"}},
      {"guarded: published as .php, the plain copy goes, the index page is made",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("a.jpg", kThen, 10), Remote("a.jpg.php", kThen, kGuardedSize)},
       {"delete m/Trips/a.jpg", "index m/Trips/"},
       true},
      {"guarded: a new file travels under its guarded name",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("index.html", kThen, 0)},
       {"upload m/Trips/a.jpg as m/Trips/a.jpg.php"},
       true},
      {"guarded: the prologue counts in the size",
       "m/",
       {File("a.jpg", kThen, 10)},
       {Remote("a.jpg.php", kThen, 10), Remote("index.html", kThen, 0)},
       {"replace m/Trips/a.jpg via m/Trips/.a.jpg.php.part"},
       true},
      {"thumbnails: sort.pos and a static site's var.inf stay here",
       "s/",
       {File("sort.pos", kThen, 5), File("var.inf", kThen, 5)},
       {Remote("sort.pos", kThen, 5)},
       {"delete s/Trips/sort.pos"}},
      {"thumbnails: a PHP site's var.inf travels",
       "s/",
       {File("var.inf", kThen, 5)},
       {},
       {"upload s/Trips/var.inf"},
       false,
       true},
      {"a name that cannot be part of a path is not published",
       "m/",
       {File("a\\b.jpg", kThen, 10)},
       {},
       {},
       false,
       false,
       true,
       0,
       {},
       {},
       {},
       {"a\\b.jpg"}},
      {"listed in minutes, within the minute: the exact time decides (older)",
       "m/",
       {File("a.jpg", kThen + 30, 10)},
       {Listed("a.jpg", kThen + 30, 10)},
       {},
       false,
       false,
       true,
       0,
       0,
       {{"m/Trips/a.jpg", kThen + 40}},
       {"m/Trips/a.jpg"}},
      {"listed in minutes, within the minute: the exact time decides (newer)",
       "m/",
       {File("a.jpg", kThen + 30, 10)},
       {Listed("a.jpg", kThen + 30, 10)},
       {"replace m/Trips/a.jpg via m/Trips/.a.jpg.part"},
       false,
       false,
       true,
       0,
       0,
       {{"m/Trips/a.jpg", kThen + 20}},
       {"m/Trips/a.jpg"}},
      {"listed in minutes, a minute apart: no exact time asked",
       "m/",
       {File("a.jpg", kThen + 200, 10)},
       {Listed("a.jpg", kThen, 10)},
       {"replace m/Trips/a.jpg via m/Trips/.a.jpg.part"},
       false,
       false,
       true,
       0,
       0,
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoteEntryList remote;
    for (const RemoteEntry& e : c.remote) remote.Append(e);
    std::vector<std::string> asked;
    PlanRules rules;
    rules.guarded = c.guarded;
    rules.php = c.php;
    rules.renames = c.renames;
    rules.clockOffset = c.clockOffset;
    rules.exactClockOffset = c.exactOffset;
    rules.now = kNow;
    rules.exactTime = [&](const std::string& path) -> std::optional<std::int64_t> {
      asked.push_back(path);
      const auto it = c.exact.find(path);
      return it == c.exact.end() ? std::nullopt : std::optional(it->second);
    };
    FolderPlan plan;
    PlanTree(c.tree, "Trips/", c.local, remote, rules, plan);
    EXPECT_EQ(plan.Lines(), c.lines);
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(std::vector<std::string>(plan.unpublishable.begin(), plan.unpublishable.end()), c.unpublishable);
    EXPECT_EQ(plan.goneFolders, c.gone);
    EXPECT_EQ(plan.uploads.size(), plan.sentAs.size());
  }
}

TEST(SyncPlanTest, BothTreesOfAFolderMakeOnePlanInOrder) {
  PlanRules rules;
  rules.now = kNow;
  FolderPlan plan;
  RemoteEntryList medium;
  medium.Append(Remote("old.jpg", kThen, 1));
  PlanTree("m/", "", {File("b.jpg", kThen, 2)}, medium, rules, plan);
  RemoteEntryList thumbnails;
  thumbnails.Append(RemoteDir("Gone"));
  PlanTree("s/", "", {File("b.jpg", kThen, 2), Dir("New")}, thumbnails, rules, plan);
  const std::vector<std::string> expected = {"rmdir s/Gone/", "delete m/old.jpg", "mkdir s/New/", "upload m/b.jpg",
                                             "upload s/b.jpg"};
  EXPECT_EQ(plan.Lines(), expected);
  EXPECT_EQ(plan.size(), 5u);
}

TEST(SyncPlanTest, PageDirectoriesDeleteQuietlyAndAskAboutTheForeign) {
  using K = PageStep::Kind;
  const PreserveList preserve("Keep|Trips/notes.txt");
  const auto albumFolder = [](const std::string& path) { return path == "Trips" || path == "Trips/Day"; };
  struct Case {
    const char* what;
    bool php;
    std::string folder;
    std::vector<RemoteEntry> listed;
    std::vector<PageStep> steps;
    bool hasIndex = false;
  };
  const Case cases[] = {
      {"static root: the PHP entry page goes before any question",
       false,
       "",
       {RemoteDir("albsite"), RemoteDir("Stray"), RemoteDir("Keep"), RemoteDir("Trips"), Remote("index.php", kThen, 1),
        Remote("index.html", kThen, 1), Remote("notes.txt", kThen, 1)},
       {{K::kDelete, "index.php", false}, {K::kAsk, "Stray", true}},
       true},
      {"static folder: its index.php and files stay, preserved names too",
       false,
       "Trips/",
       {RemoteDir("Day"), RemoteDir("Other"), Remote("index.php", kThen, 1), Remote("notes.txt", kThen, 1)},
       {{K::kAsk, "Trips/Other", true}}},
      {"PHP root: the static pages go, index.php stays, the rest is asked about in order",
       true,
       "",
       {Remote("index.html", kThen, 1), Remote("index.php", kThen, 1), RemoteDir("albsite"), RemoteDir("Keep"),
        Remote("readme", kThen, 1), Remote("slide.html", kThen, 1), RemoteDir("Trips")},
       {{K::kDelete, "index.html", false},
        {K::kAsk, "readme", false},
        {K::kDelete, "slide.html", false},
        {K::kAsk, "Trips", true}}},
      {"PHP folder: even its pages are asked about",
       true,
       "Trips/",
       {Remote("index.html", kThen, 1), Remote("notes.txt", kThen, 1)},
       {{K::kAsk, "Trips/index.html", false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RemoteEntryList list;
    for (const RemoteEntry& e : c.listed) list.Append(e);
    const PagePlan plan = c.php ? PlanPhpPageDirectory(c.folder, list, preserve)
                                : PlanStaticPageDirectory(c.folder, list, preserve, albumFolder);
    EXPECT_EQ(plan.steps, c.steps);
    EXPECT_EQ(plan.hasIndex, c.hasIndex);
  }
}

}  // namespace
}  // namespace albumsmith
