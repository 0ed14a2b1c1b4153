// The synchronisation's decisions and failure paths, on a server in memory
// that fails (or is stopped) at any chosen call.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "fake_transport.h"
#include "platform/atomic_file.h"
#include "platform/text.h"
#include "platform/window_sink.h"
#include "publish/remote_listing.h"
#include "publish/sync_engine.h"
#include "publish/sync_local_files.h"
#include "site/tree_script.h"
#include "sync_test_profile.h"

namespace albumsmith {
namespace {

namespace fs = std::filesystem;

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

constexpr std::string_view kCannotInstall = "Cannot install the remote software";
constexpr std::string_view kCannotBackground = "Cannot synchronize the remote background";
constexpr std::string_view kCannotDirectory = "Cannot synchronize the remote directory";
constexpr std::string_view kCannotTree = "Cannot create the remote directory tree";

// Messages that only inform (an OK button), and questions.
std::vector<std::string> Warnings() {
  std::vector<std::string> texts;
  for (const Message& m : Prompts().shown())
    if (m.buttons == Buttons::Ok) texts.push_back(m.text);
  return texts;
}
std::vector<std::string> Questions() {
  std::vector<std::string> texts;
  for (const Message& m : Prompts().shown())
    if (m.buttons != Buttons::Ok) texts.push_back(m.text);
  return texts;
}

bool EndedReady(const RecordingWindowSink& sink) {
  const auto all = sink.posted();
  if (all.size() < 2) return false;
  const auto* progress = std::get_if<RecordingWindowSink::Progress>(&all[all.size() - 2]);
  const auto* status = std::get_if<RecordingWindowSink::Status>(&all.back());
  return progress && progress->position == -1 && status && status->text == "Ready";
}

// The image worker writes beside the final name and renames over it; a run
// meeting the half-written file must not publish it under its temporary name.
TEST(LocalEntriesTest, FilesBeingWrittenBesideTheirNameAreLeftOut) {
  test::TempDir dir;
  test::WriteText(dir.path() / "a.jpg", "done");
  FileBeside writing((dir.path() / "b.jpg").string());
  ASSERT_GE(writing.fd(), 0);

  std::vector<std::string> names;
  for (const LocalEntry& e : ReadLocalEntries(dir.path().string())) names.push_back(e.name);

  EXPECT_EQ(names, std::vector<std::string>{"a.jpg"});
}

TEST(IsOldTest, SizeAlwaysTimeAfterOffsetAndYearGuessCorrected) {
  const std::int64_t now = UtcSeconds(2024, 6, 15, 12, 0, 0);
  auto remote = [](std::int64_t time, std::uint64_t size, bool yearInferred = false) {
    return RemoteEntry{"a.jpg", time, size, false, yearInferred};
  };
  // Listed without a year 3 hours "ahead" of us, so guessed one year early.
  const std::int64_t guessed = UtcSeconds(2023, 6, 15, 15, 0, 0);
  const struct {
    const char* what;
    std::int64_t local;
    std::uint64_t localSize;
    RemoteEntry remote;
    int offset;
    bool old;
  } cases[] = {
      {"same size, same time", now - 100, 10, remote(now - 100, 10), 0, false},
      {"same size, local earlier", now - 200, 10, remote(now - 100, 10), 0, false},
      {"same size, local later", now - 99, 10, remote(now - 100, 10), 0, true},
      {"size differs, local earlier", now - 200, 11, remote(now - 100, 10), 0, true},
      {"server clock an hour ahead", now - 1000, 10, remote(now - 1000 + 3600, 10), -3600, false},
      {"changed since, server ahead", now - 500, 10, remote(now - 1000 + 3600, 10), -3600, true},
      {"server clock behind", now - 1000, 10, remote(now - 1000 - 60, 10), 60, false},
      {"year guessed early", now - 10, 10, remote(guessed, 10, true), 0, false},
      {"exact time a year back", now - 10, 10, remote(guessed, 10, false), 0, true},
      {"guessed year more than a day out", now - 10, 10, remote(UtcSeconds(2023, 6, 17, 12, 0, 0), 10, true), 0, true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsOld(c.local, c.localSize, c.remote, c.offset, now), c.old) << c.what;
}

// A LIST time in minutes, and an offset measured from another such time,
// place the upload within a minute either way; only inside that window is
// the server asked for its exact time.
TEST(IsOldListedTest, TheServersExactTimeSettlesOnlyTheWindowAroundTheListedMinute) {
  const std::int64_t now = UtcSeconds(2024, 6, 15, 12, 0, 0);
  const std::int64_t minute = UtcSeconds(2024, 6, 15, 10, 0, 0);  // listed; the upload was at 10:00:10
  const std::int64_t upload = minute + 10;
  auto listed = [&](std::int32_t step, std::uint64_t size = 10) {
    RemoteEntry entry{"a.jpg", minute, size, false, false};
    entry.timeStep = step;
    return entry;
  };
  const std::optional<std::int64_t> none;
  const struct {
    const char* what;
    std::int64_t local;
    RemoteEntry remote;
    int offset;  // from the listed probe: 50 s more than the true offset of 0
    std::optional<int> exactOffset;
    std::optional<std::int64_t> exact;  // what the server tells
    bool old;
    bool asked;
  } cases[] = {
      {"a minute before the window", minute - 11, listed(60), 50, 0, upload, false, false},
      {"a minute after the window", minute + 110, listed(60), 50, 0, upload, true, false},
      {"inside, written before the upload", minute + 5, listed(60), 50, 0, upload, false, true},
      // By the listed minute alone this change would be missed.
      {"inside, written after the upload", minute + 30, listed(60), 50, 0, upload, true, true},
      {"inside, the server cannot tell: the listed time decides", minute + 30, listed(60), 50, 0, none, false, true},
      {"no exact offset: the listed time decides", minute + 30, listed(60), 50, std::nullopt, upload, false, false},
      {"exact listing: never asked", minute + 30, listed(1), 50, 0, upload, false, false},
      {"another size: old without asking", minute - 3600, listed(60, 11), 50, 0, upload, true, false},
      {"a date without time: the window is a day", minute + 3600, listed(86400), 50, 0, upload, true, true},
  };
  for (const auto& c : cases) {
    int asked = 0;
    const bool old = IsOldListed(c.local, 10, c.remote, c.offset, now, c.exactOffset, [&] {
      ++asked;
      return c.exact;
    });
    EXPECT_EQ(old, c.old) << c.what;
    EXPECT_EQ(asked, c.asked ? 1 : 0) << c.what;
  }
}

// A profile synchronised against a server in memory.
class FakeSyncTest : public ::testing::Test {
 protected:
  void SetUp() override { Prompts().Clear(); }

  SyncOutcome Run(const SyncRequest& request) {
    sink_ = std::make_unique<RecordingWindowSink>();
    const SyncOutcome outcome = RunSync(request, fake_, *sink_, stop_);
    EXPECT_TRUE(EndedReady(*sink_));
    return outcome;
  }
  // A first, complete run, then a clean slate for the messages.
  void Publish() {
    ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
    fake_.calls.clear();
    Prompts().Clear();
  }
  std::string Remdir() const { return test::ReadText(RemdirPath(profile_.profileDir())); }
  bool Has(const std::string& path) const { return fake_.dirs.count(path) || fake_.files.count(path); }

  test::SyncTestProfile profile_;
  test::FakeTransport fake_;
  std::atomic<bool> stop_{false};
  std::unique_ptr<RecordingWindowSink> sink_;
};

// The first publication of the profile, failing at one call: every phase
// ends the run with its own summary after the server's message, or goes on
// where a failure does not matter, and remdir.dat is only written by a run
// that succeeded.
TEST_F(FakeSyncTest, FailureAtAnyCallEndsWithThePhasesMessage) {
  const struct {
    int call;
    const char* operation;
    bool succeeds;
    std::string_view summary;  // after the server's message; empty for none
  } cases[] = {
      // The clock probe: the run goes on without an offset, unless the
      // server cannot even be reached.
      {1, "Connect", false, ""},
      {2, "MakeDirs /album/", true, ""},
      {3, "PutFile /album/datetime.flg", true, ""},
      {5, "RemoveFile /album/datetime.flg", true, ""},
      {6, "ListDir /album/", false, ""},  // the installation check
      {7, "MakeDirs /album/", false, kCannotInstall},
      {9, "EnterOrCreateDir /album/albsite/bg/", false, kCannotInstall},
      {15, "PutFile /album/albsite/js/dtree.js", false, kCannotInstall},
      {21, "ListDir /album/albsite/js/", false, kCannotInstall},  // the check after the install
      {23, "ListDir /album/albsite/bg/", false, kCannotBackground},
      {25, "ListDir /album/albsite/m/Family/", false, kCannotDirectory},
      {26, "ListDir /album/Family/", false, kCannotDirectory},
      {29, "PutFile /album/albsite/s/Family/e.jpg.html", false, kCannotDirectory},
      {36, "PutBuffer /album/Family/slide.html", false, kCannotDirectory},
      {37, "ListDir /album/", false, kCannotDirectory},                       // the pages of the ancestors
      {53, "ListDir /album/albsite/s/Trips/2004/", false, kCannotDirectory},  // the uploads' sizes
      {63, "PutFile /album/albsite/s/Trips/Folder.html", false, kCannotDirectory},
      // The root's pages, made as an ancestor's, are not sent again for the
      // root itself; dir.js is sent unless its directory holds the one sent last.
      {80, "ListDir /album/albsite/js/", false, kCannotTree},
      {81, "PutBuffer /album/albsite/js/dir.js", false, kCannotTree},
  };
  const SyncRequest request = profile_.ProfileRequest();
  const std::string remdirFile = RemdirPath(profile_.profileDir());
  const std::int64_t before = std::time(nullptr) - 3600;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    Prompts().Clear();
    test::SetFileTime(remdirFile, before);
    fake_ = test::FakeTransport();
    fake_.failOnCall = c.call;
    const SyncOutcome outcome = Run(request);

    ASSERT_GE(fake_.calls.size(), static_cast<size_t>(c.call));
    EXPECT_EQ(fake_.calls[c.call - 1], c.operation);
    EXPECT_EQ(outcome.succeeded, c.succeeds);
    const std::vector<std::string> warnings = Warnings();
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(warnings.front(), std::string(c.operation) + " failed");
    if (!c.summary.empty()) {
      EXPECT_EQ(warnings.back(), c.summary);
    } else if (!c.succeeds) {
      EXPECT_EQ(warnings.size(), 1u) << warnings.back();
    }
    EXPECT_EQ(test::FileTime(remdirFile) != before, c.succeeds);
  }
}

// A protected album's rights go up last; a failed upload of them ends the
// run with their own message, after the folder tree was saved.
TEST_F(FakeSyncTest, ProtectedAlbumSendsItsRightsLastAndAFailureSaysSo) {
  profile_.settings().php = 1;
  profile_.settings().accessSecurity = 1;
  profile_.Save();
  SyncRequest request = profile_.ProfileRequest();
  request.rightsPhp = "<?PHP\n$adm_user=\"admin\";\n?>\n";
  ASSERT_TRUE(Run(request).succeeded) << Join(Warnings(), "\n");
  ASSERT_GE(fake_.calls.size(), 2u);
  EXPECT_EQ(fake_.calls[fake_.calls.size() - 2], "PutBuffer /album/albsite/js/rights.php")
      << "the last before Disconnect";
  EXPECT_EQ(fake_.files.at("/album/albsite/js/rights.php").content, request.rightsPhp);

  Prompts().Clear();
  fake_.failOn = "PutBuffer /album/albsite/js/rights.php";
  EXPECT_FALSE(Run(request).succeeded);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"PutBuffer /album/albsite/js/rights.php failed",
                                                  "Cannot create the remote access rights"}));
}

// A stop shows nothing of the server's; the phase it interrupted gives the
// one message, and the next call is never made.
TEST_F(FakeSyncTest, StopAtAnyCallEndsQuietlyWithThePhasesMessage) {
  const struct {
    int call;
    std::vector<std::string> warnings;
  } cases[] = {
      {6, {}},
      {14, {std::string(kCannotInstall)}},
      {23, {std::string(kCannotBackground)}},
      {27, {std::string(kCannotDirectory)}},
      {48, {std::string(kCannotDirectory)}},
      {52, {std::string(kCannotDirectory)}},
  };
  const SyncRequest request = profile_.ProfileRequest();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    Prompts().Clear();
    fake_ = test::FakeTransport();
    stop_ = false;
    fake_.onCall = [&](int call) {
      if (call == c.call) stop_ = true;
    };
    EXPECT_FALSE(Run(request).succeeded);
    EXPECT_EQ(Warnings(), c.warnings);
    EXPECT_EQ(fake_.calls.size(), static_cast<size_t>(c.call) + 1) << fake_.calls.back();  // + Disconnect
  }
}

TEST_F(FakeSyncTest, SortPosNeverAndVarInfOnlyForPhpSites) {
  Publish();
  for (const char* extra : {"/album/albsite/s/Trips/2004/sort.pos", "/album/albsite/s/Trips/2004/var.inf"})
    fake_.files[extra] = {"left", 0};
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_FALSE(Has("/album/albsite/s/Trips/2004/sort.pos"));
  EXPECT_FALSE(Has("/album/albsite/s/Trips/2004/var.inf"));

  profile_.settings().php = 1;
  profile_.Save();
  FolderSettings titled;
  titled.titleMode = 1;
  titled.titleText = "Harbour";
  ASSERT_TRUE(SaveFolderProperties(profile_.profileDir(), "Trips/2004/", titled, ""));
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_EQ(fake_.files["/album/albsite/s/Trips/2004/var.inf"].content, "TITLE=Harbour\n");
  EXPECT_FALSE(Has("/album/albsite/s/Trips/2004/sort.pos"));
  EXPECT_TRUE(Warnings().empty()) << Warnings()[0];
}

// A server that lists minutes: files untouched since their upload are not
// sent again, and a change made after the upload but inside its minute,
// which the listed minute cannot show, is found through the exact time.
TEST_F(FakeSyncTest, MinuteListingsAreSettledByTheServersExactTime) {
  fake_.listStep = 60;
  const std::int64_t minute = 1'700'000'000 / 60 * 60;
  fake_.clock = minute;
  Publish();
  const std::int64_t now = std::time(nullptr);
  const fs::path site = fs::path(profile_.profileDir()) / "albsite";
  for (const auto& e : fs::recursive_directory_iterator(site))
    if (e.is_regular_file()) test::SetFileTime(e.path(), now - 100);
  // The same size, 20 s after its upload by our clock (the server's clock
  // reads 50 s into the minute when the next run begins).
  const fs::path changed = site / "s/Family/e.jpg";
  std::string bytes = test::ReadText(changed);
  bytes.back() ^= 1;
  test::WriteText(changed, bytes);
  fake_.clock = minute + 50;
  test::SetFileTime(changed, now - 30);

  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  std::vector<std::string> sent;
  std::vector<std::string> asked;
  for (const std::string& call : fake_.calls) {
    if (StartsWith(call, "PutFile ")) sent.push_back(call.substr(8));
    if (StartsWith(call, "ExactTime ")) asked.push_back(call.substr(10));
  }
  EXPECT_EQ(sent, (std::vector<std::string>{"/album/datetime.flg", "/album/albsite/s/Family/.e.jpg.part"}));
  EXPECT_EQ(asked, (std::vector<std::string>{"/album/datetime.flg", "/album/albsite/s/Family/e.jpg"}));
  EXPECT_EQ(fake_.files["/album/albsite/s/Family/e.jpg"].content, bytes);
}

// A directory at the top of a static site that is no album folder.
TEST_F(FakeSyncTest, ForeignDirectoryAnswers) {
  const struct {
    const char* what;
    std::vector<Answer> answers;
    std::string preserved;  // already on the list before the run
    bool succeeds;
    bool kept;
    std::vector<std::string> preserveAfter;
  } cases[] = {
      {"Yes preserves", {Answer::Yes}, "", true, true, {"stats"}},
      {"No, then OK removes", {Answer::No, Answer::Ok}, "", true, false, {}},
      {"No, then Cancel fails", {Answer::No, Answer::Cancel}, "", false, true, {}},
      {"Cancel fails", {Answer::Cancel}, "", false, true, {}},
      {"preserved in another case: not asked", {}, "Stats/", true, true, {"Stats"}},
  };
  Publish();
  const std::string remdir = Remdir();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Prompts().Clear();
    profile_.settings().preserve.Set(c.preserved);
    profile_.Save();
    fake_.dirs.insert("/album/stats");
    fake_.files["/album/stats/today.txt"] = {"12 visits", 0};
    for (Answer a : c.answers) Prompts().Queue(a);

    EXPECT_EQ(Run(profile_.ProfileRequest()).succeeded, c.succeeds);
    EXPECT_EQ(Questions().size(), c.answers.size());
    EXPECT_EQ(Has("/album/stats/today.txt"), c.kept);
    EXPECT_EQ(ReadProfile(profile_.profilesDir(), test::kProfileName).preserve.entries(), c.preserveAfter);
    if (!c.succeeds) {
      EXPECT_EQ(Warnings(), std::vector<std::string>{std::string(kCannotDirectory)});
      EXPECT_EQ(Remdir(), remdir);
    }
  }
}

// The top of a PHP site: index.php and albsite stay, the pages of a static
// past go without a word, anything else is asked about.
TEST_F(FakeSyncTest, PhpRootAsksOnlyAboutWhatIsNotTheSites) {
  profile_.settings().php = 1;
  profile_.Save();
  Publish();
  fake_.files["/album/index.html"] = {"old", 0};
  fake_.files["/album/slide.html"] = {"old", 0};
  fake_.files["/album/notes.txt"] = {"mine", 0};
  fake_.dirs.insert("/album/Trips");

  // In the server's order: directories first.
  Prompts().Queue(Answer::No);   // Trips, the page folder of a static past, is not kept
  Prompts().Queue(Answer::Ok);   // and goes with everything in it
  Prompts().Queue(Answer::Yes);  // notes.txt is
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  ASSERT_EQ(Prompts().texts().size(), 3u);
  EXPECT_TRUE(StartsWith(Prompts().texts()[0], "Preserve \"Trips\"")) << Prompts().texts()[0];
  EXPECT_TRUE(StartsWith(Prompts().texts()[1], "WARNING !!")) << Prompts().texts()[1];
  EXPECT_TRUE(StartsWith(Prompts().texts()[2], "Preserve \"notes.txt\"")) << Prompts().texts()[2];
  EXPECT_FALSE(Has("/album/index.html"));
  EXPECT_FALSE(Has("/album/slide.html"));
  EXPECT_FALSE(Has("/album/Trips"));
  EXPECT_TRUE(Has("/album/notes.txt"));
  EXPECT_TRUE(Has("/album/index.php"));

  // A file not preserved is asked about once more before it goes.
  Prompts().Clear();
  profile_.settings() = ReadProfile(profile_.profilesDir(), test::kProfileName);
  profile_.settings().preserve.Set("");
  profile_.Save();
  Prompts().Queue(Answer::No);
  Prompts().Queue(Answer::Cancel);
  EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_EQ(Prompts().texts().at(1), "Remove remote file \"notes.txt\"");
  EXPECT_TRUE(Has("/album/notes.txt"));
}

// A PHP folder's clean-up: a folder missing remotely has nothing to clean;
// one whose listing failed is unknown and fails the run before remdir.dat.
TEST_F(FakeSyncTest, PhpCleanUpFailsOnAFailedListingOnly) {
  profile_.settings().php = 1;
  profile_.Save();
  Publish();
  ASSERT_FALSE(Has("/album/Family"));  // a PHP site has no page folders
  const std::string remdir = Remdir();
  test::SetFileTime(RemdirPath(profile_.profileDir()), std::time(nullptr) - 3600);
  const std::int64_t saved = test::FileTime(RemdirPath(profile_.profileDir()));

  fake_.failOn = "ListDir /album/Family/";
  EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"ListDir /album/Family/ failed", std::string(kCannotDirectory)}));
  EXPECT_EQ(test::FileTime(RemdirPath(profile_.profileDir())), saved);
  EXPECT_EQ(Remdir(), remdir);
}

// Uploads are confirmed by the sizes the server then holds: by SIZE for a
// few files in a directory, by one listing for more or where SIZE is not
// told. A run with nothing to send asks for neither.
TEST_F(FakeSyncTest, UploadsAreConfirmedBySizeOrListingAndANoOpRunAsksNothing) {
  Publish();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  for (const std::string& call : fake_.calls) EXPECT_FALSE(StartsWith(call, "FileSize")) << call;
  const std::vector<std::string> noOp = fake_.calls;

  const std::string medium = "/album/albsite/m/Family/e.jpg";
  const std::string temporary = "/album/albsite/m/Family/.e.jpg.part";
  const fs::path local = fs::path(profile_.profileDir()) / "albsite/m/Family/e.jpg";
  const struct {
    const char* what;
    bool tellsSizes;
    const char* confirmedBy;
  } cases[] = {
      {"SIZE", true, "FileSize /album/albsite/m/Family/.e.jpg.part"},
      {"no SIZE: the listing", false, "ListDir /album/albsite/m/Family/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Prompts().Clear();
    fake_.calls.clear();
    fake_.tellsSizes = c.tellsSizes;
    // The replacement travels under a temporary name; cut short there, it
    // never takes the published copy's place.
    fake_.cutShort = {temporary};
    const std::string published = fake_.files[medium].content;
    test::SetFileTime(local, std::time(nullptr) + 10);  // changed since its upload
    EXPECT_FALSE(Run(profile_.ProfileRequest()).succeeded);
    EXPECT_EQ(fake_.files[medium].content, published);
    const std::uintmax_t size = fs::file_size(local);
    EXPECT_EQ(Warnings(), (std::vector<std::string>{"Error uploading file '" + local.string() + "' to '" + medium +
                                                        "'\r\n\r\nThe server holds " + std::to_string(size / 2) +
                                                        " of its " + std::to_string(size) + " bytes",
                                                    std::string(kCannotDirectory)}));
    const auto sent = std::find(fake_.calls.begin(), fake_.calls.end(), "PutFile " + temporary);
    ASSERT_NE(sent, fake_.calls.end());
    EXPECT_NE(std::find(sent, fake_.calls.end(), c.confirmedBy), fake_.calls.end());
  }

  // Sent whole again, it is confirmed and the run goes on as before.
  test::SetFileTime(local, std::time(nullptr) - 60);
  fake_.cutShort.clear();
  fake_.tellsSizes = true;
  Prompts().Clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  EXPECT_EQ(fake_.files[medium].content, test::ReadText(local));
  EXPECT_EQ(fake_.files.count(temporary), 0u);  // the cut copy went with the comparison
  fake_.calls.clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_EQ(fake_.calls, noOp);
}

// A server that refuses to move a file over another gets replacements under
// their own names from then on; no temporary copy stays behind.
TEST_F(FakeSyncTest, ServerRefusingRenamesGetsReplacementsDirectly) {
  Publish();
  fake_.renames = false;
  const fs::path site = fs::path(profile_.profileDir()) / "albsite";
  for (const char* changed : {"m/Family/e.jpg", "s/Family/e.jpg"}) {
    std::string bytes = test::ReadText(site / changed);
    bytes.back() ^= 1;
    test::WriteText(site / changed, bytes);
    test::SetFileTime(site / changed, std::time(nullptr) + 10);
  }
  fake_.calls.clear();
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n");
  for (const char* changed : {"m/Family/e.jpg", "s/Family/e.jpg"})
    EXPECT_EQ(fake_.files["/album/albsite/" + std::string(changed)].content, test::ReadText(site / changed));
  for (const auto& [path, file] : fake_.files) EXPECT_FALSE(EndsWith(path, ".part")) << path;
  // The two images were sent before the first refusal; after it, nothing
  // (the folder's pages, dir.js) goes under a temporary name.
  const auto first = std::find_if(fake_.calls.begin(), fake_.calls.end(),
                                  [](const std::string& c) { return StartsWith(c, "Rename"); });
  ASSERT_NE(first, fake_.calls.end());
  for (auto it = first + 1; it != fake_.calls.end(); ++it) {
    if (StartsWith(*it, "Put")) {
      EXPECT_FALSE(EndsWith(*it, ".part")) << *it;
    }
  }
  EXPECT_EQ(std::count_if(first, fake_.calls.end(), [](const std::string& c) { return StartsWith(c, "Rename"); }), 2);
}

// A dry run lists what a run would do, in its order, and changes nothing on
// the server but the clock probe, removed again, nor in the profile.
TEST_F(FakeSyncTest, DryRunListsThePlanAndChangesNothing) {
  Publish();
  const fs::path changed = fs::path(profile_.profileDir()) / "albsite/s/Family/e.jpg";
  test::SetFileTime(changed, std::time(nullptr) + 10);
  fake_.files["/album/albsite/m/Family/stale.jpg"] = {"x", fake_.clock};  // no local copy
  fake_.dirs.insert("/album/Family/extra");                               // no album folder
  fake_.dirs.erase("/album/albsite/m/Trips/2004");                        // gone from the server
  std::erase_if(fake_.files, [](const auto& f) { return StartsWith(f.first, "/album/albsite/m/Trips/2004/"); });
  const auto files = fake_.files;
  const auto dirs = fake_.dirs;
  const std::string remdir = Remdir();
  const std::string settings = test::ReadText(fs::path(profile_.profileDir()) / "Profile.ini");

  SyncRequest request = profile_.ProfileRequest();
  request.dryRun = true;
  const SyncOutcome outcome = Run(request);
  ASSERT_TRUE(outcome.succeeded) << Join(Warnings(), "\n");
  // The pages and dir.js come out as they were sent last: not listed.
  EXPECT_EQ(outcome.plan.lines, (std::vector<std::string>{
                                    "delete /album/albsite/m/Family/stale.jpg",
                                    "upload /album/albsite/s/Family/e.jpg",
                                    "ask: Preserve \"Family/extra\"",
                                    "mkdir /album/albsite/m/Trips/2004/",
                                    "upload /album/albsite/m/Trips/2004/c.jpg",
                                    "upload /album/albsite/m/Trips/2004/d.jpg",
                                }));
  const std::uintmax_t images = fs::file_size(changed) +
                                fs::file_size(fs::path(profile_.profileDir()) / "albsite/m/Trips/2004/c.jpg") +
                                fs::file_size(fs::path(profile_.profileDir()) / "albsite/m/Trips/2004/d.jpg");
  EXPECT_EQ(outcome.plan.Summary(),
            "3 uploads (" + std::to_string(images) + " bytes), 1 deletions, 1 mkdir, 0 rmdir, 1 questions");

  EXPECT_EQ(fake_.dirs, dirs);
  EXPECT_EQ(fake_.files.size(), files.size());
  for (const auto& [path, file] : files) EXPECT_EQ(fake_.files[path].content, file.content) << path;
  for (const std::string& call : fake_.calls) {
    if (StartsWith(call, "Put") || StartsWith(call, "Remove") || StartsWith(call, "Rename") ||
        StartsWith(call, "MakeDirs") || StartsWith(call, "EnterOrCreateDir")) {
      EXPECT_TRUE(call.find("datetime.flg") != std::string::npos || call == "MakeDirs /album/") << call;
    }
  }
  EXPECT_EQ(Remdir(), remdir);
  EXPECT_EQ(test::ReadText(fs::path(profile_.profileDir()) / "Profile.ini"), settings);  // nothing preserved
  EXPECT_TRUE(Prompts().shown().empty());  // the questions are in the plan, not asked
}

// A page is sent again when its text changed, when the server's copy is no
// longer the one sent, and when the record of uploads is lost; otherwise a
// run sends only the clock probe.
TEST_F(FakeSyncTest, PagesTravelOnlyWhenTheyDifferFromWhatWasSent) {
  Publish();
  const auto sentPages = [&] {
    std::vector<std::string> sent;
    for (const std::string& call : fake_.calls)
      if (StartsWith(call, "Put")) sent.push_back(call.substr(call.find(' ') + 1));
    std::sort(sent.begin(), sent.end());
    fake_.calls.clear();
    return sent;
  };
  const auto run = [&] { ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded) << Join(Warnings(), "\n"); };
  run();
  EXPECT_EQ(sentPages(), std::vector<std::string>{"/album/datetime.flg"});

  // Replaced behind our back with text of the same size, a minute later.
  test::FakeTransport::File& page = fake_.files["/album/Family/index.html"];
  std::reverse(page.content.begin(), page.content.end());
  page.time += 60;
  run();
  EXPECT_EQ(sentPages(), (std::vector<std::string>{"/album/Family/.index.html.part", "/album/datetime.flg"}));

  // A setting that shows in every page changes them all.
  profile_.settings().thumbsPerLine = 3;
  profile_.Save();
  run();
  const std::vector<std::string> all = sentPages();
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& p) { return EndsWith(p, "index.html.part"); }),
            4);

  // Without the record everything made afresh travels once more.
  fs::remove(fs::path(profile_.profileDir()) / "remsent.dat");
  run();
  const std::vector<std::string> again = sentPages();
  EXPECT_EQ(std::count_if(again.begin(), again.end(), [](const std::string& p) { return EndsWith(p, ".html.part"); }),
            8);
  EXPECT_EQ(std::count(again.begin(), again.end(), "/album/albsite/js/.dir.js.part"), 1);
}

TEST_F(FakeSyncTest, FolderCommandWithoutTreeFileTurnsIntoTheWholeProfile) {
  fs::remove(RemdirPath(profile_.profileDir()));
  for (Answer answer : {Answer::Ok, Answer::Cancel}) {
    Prompts().Clear();
    Prompts().Queue(answer);
    SyncRequest request;
    EXPECT_EQ(StartFolderSync(profile_.Environment(), test::kProfileName, "Trips/", request),
              answer == Answer::Ok ? FolderSyncStart::kWholeProfile : FolderSyncStart::kCancelled);
    EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"The remote directory tree is not updated.\nA whole "
                                                          "profile synchonization will be proceeded."});
    EXPECT_TRUE(request.folders.empty());
  }
}

// After PHP or access security changed, a folder command must publish the
// whole profile until one whole run succeeds; the folders' order and ids in
// remdir.dat are what that run publishes.
TEST_F(FakeSyncTest, WholeSyncMarkTurnsFolderCommandsIntoTheWholeProfileUntilOneSucceeds) {
  const std::string mark = WholeSyncMarkPath(profile_.profileDir());
  test::WriteText(mark, "");
  Prompts().Clear();
  Prompts().Queue(Answer::Ok);
  SyncRequest request;
  EXPECT_EQ(StartFolderSync(profile_.Environment(), test::kProfileName, "Trips/", request),
            FolderSyncStart::kWholeProfile);
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"The remote directory tree is not updated.\nA whole "
                                                        "profile synchonization will be proceeded."});
  const std::string tree = test::ReadText(RemdirPath(profile_.profileDir()));

  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  EXPECT_FALSE(fs::exists(mark));
  EXPECT_EQ(test::ReadText(RemdirPath(profile_.profileDir())), tree);
  Prompts().Clear();
  EXPECT_EQ(StartFolderSync(profile_.Environment(), test::kProfileName, "Trips/", request), FolderSyncStart::kRun);
  EXPECT_TRUE(Prompts().texts().empty());

  // A folder run leaves the mark in place.
  test::WriteText(mark, "");
  ASSERT_TRUE(Run(request).succeeded);
  EXPECT_TRUE(fs::exists(mark));
}

// Without remdir.dat a run starts from an empty tree: every folder gets an
// id as its pages are made, and the file is written at the end.
TEST_F(FakeSyncTest, RunWithoutTreeFileGivesEveryFolderAnId) {
  fs::remove(RemdirPath(profile_.profileDir()));
  ASSERT_TRUE(Run(profile_.ProfileRequest()).succeeded);
  CDirectoryTree tree;
  ASSERT_TRUE(tree.LoadFrom(RemdirPath(profile_.profileDir())));
  std::vector<std::string> paths;
  for (const auto& e : tree.List()) paths.push_back(e.relativePath);
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"Family/", "Trips/", "Trips/2004/"}));
  EXPECT_EQ(fake_.files["/album/albsite/js/dir.js"].content, DirectoryTreeData(false, test::kProfileName, tree.List()));
}

}  // namespace
}  // namespace albumsmith
