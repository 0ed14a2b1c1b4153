// What the run knows of the server's directories, and the listings made
// ahead on spare connections: a directory is taken as missing only when
// something the run saw says so, and a listing made ahead is handed over
// only while nothing the run did since could have changed what it shows.

#include "publish/lookahead_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_transport.h"

namespace albumsmith {
namespace {

RemoteEntryList Entries(const std::vector<std::pair<std::string, bool>>& names) {
  RemoteEntryList list;
  for (const auto& [name, isDir] : names) list.Append({name, 0, 0, isDir, false});
  return list;
}

std::vector<std::string> Names(const RemoteEntryList& list) {
  std::vector<std::string> names;
  for (const RemoteEntry& e : list) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(RemoteDirKnowledgeTest, MissingOnlyWhereAListingOrTheRunsOwnChangesSaySo) {
  RemoteDirKnowledge known;
  known.Listed("/a/", Entries({{"x", true}, {"f", false}}));
  const struct {
    const char* dir;
    bool missing;
  } afterListing[] = {
      {"/a/", false},  {"/a/x/", false},   {"/a/X/", false},  // a name in another case may be the same
      {"/a/y/", true}, {"/a/y/z/", true},  {"/a/f/", false},  // a file of that name: not missing
      {"/b/", false},  {"/a/x/q/", false},                    // nothing known there
  };
  for (const auto& c : afterListing) EXPECT_EQ(known.IsMissing(c.dir), c.missing) << c.dir;

  // Made by the run: there, and empty but for what it made below.
  known.Made("/a/y/z/");
  EXPECT_FALSE(known.IsMissing("/a/y/"));
  EXPECT_FALSE(known.IsMissing("/a/y/z/"));
  EXPECT_TRUE(known.IsMissing("/a/y/q/"));
  EXPECT_TRUE(known.IsMissing("/a/y/z/w/"));
  known.FileWritten("/a/y/z/w");
  EXPECT_FALSE(known.IsMissing("/a/y/z/w/"));

  // Removed, with everything below it.
  known.Missing("/a/y/");
  EXPECT_TRUE(known.IsMissing("/a/y/"));
  EXPECT_TRUE(known.IsMissing("/a/y/z/"));

  // A newer listing of a level above wins over what was known below a name it no longer shows.
  // x was there with what it holds unknown: k made in it is there, nothing more is known.
  known.Made("/a/x/k/");
  EXPECT_FALSE(known.IsMissing("/a/x/k/"));
  EXPECT_FALSE(known.IsMissing("/a/x/k/m/"));
  known.Listed("/a/", Entries({{"y", true}}));
  EXPECT_TRUE(known.IsMissing("/a/x/k/"));
  EXPECT_FALSE(known.IsMissing("/a/y/"));
  EXPECT_FALSE(known.IsMissing("/a/y/z/"));  // y is there again: what it holds is unknown

  // A removal that failed half way leaves nothing known below it.
  known.Forget("/a/");
  EXPECT_FALSE(known.IsMissing("/a/q/"));
}

class LookaheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = test::FakeTransport();
    server_.dirs = {"/", "/site", "/site/s", "/site/s/Trips", "/site/s/Trips/2004"};
    server_.files["/site/s/a.jpg"] = {"aa", 1};
    server_.files["/site/s/Trips/2004/c.jpg"] = {"cc", 1};
  }
  // Calls of the server's that were listings of `dir`.
  int Listings(const std::string& dir) const {
    return static_cast<int>(std::count(server_.calls.begin(), server_.calls.end(), "ListDir " + dir));
  }
  std::vector<std::string> List(LookaheadTransport& t, const std::string& sub, Create create = Create::No) {
    RemoteEntryList list;
    EXPECT_TRUE(t.ListDir(list, "/site/", sub, IncludeDirs::Yes, create, Ask::No)) << sub;
    return Names(list);
  }

  test::FakeTransport server_;
};

TEST_F(LookaheadTest, ListingMadeAheadIsHandedOverOnce) {
  LookaheadTransport t(server_, true);
  t.ListAhead({"/site/s/"});
  ASSERT_EQ(t.ListNextAhead(server_), std::optional<bool>(true));
  EXPECT_EQ(t.ListNextAhead(server_), std::nullopt);
  const int before = Listings("/site/s/");
  EXPECT_EQ(List(t, "s/"), (std::vector<std::string>{"Trips", "a.jpg"}));
  EXPECT_EQ(Listings("/site/s/"), before);
  EXPECT_EQ(t.listingsHandedOver(), 1);
  // Asked again, the directory is listed afresh.
  EXPECT_EQ(List(t, "s/"), (std::vector<std::string>{"Trips", "a.jpg"}));
  EXPECT_EQ(Listings("/site/s/"), before + 1);
}

// Whatever the run changes after a listing was made ahead, the listing it
// gets shows; a listing made ahead of a directory that was then changed is
// never handed over.
TEST_F(LookaheadTest, ChangeAfterTheListingAheadIsSeen) {
  const struct {
    const char* what;
    std::function<void(LookaheadTransport&, test::FakeTransport&)> change;
    const char* dir;
    std::vector<std::string> expected;
  } cases[] = {
      {"a file sent through the run's connection",
       [](LookaheadTransport& t, test::FakeTransport&) { EXPECT_TRUE(t.PutBuffer("/site/s/b.jpg", "b")); },
       "s/",
       {"Trips", "a.jpg", "b.jpg"}},
      {"a file removed",
       [](LookaheadTransport& t, test::FakeTransport&) { EXPECT_TRUE(t.RemoveFile("/site/s/a.jpg")); },
       "s/",
       {"Trips"}},
      {"a sub-folder's directory removed (the stale listing of its parent)",
       [](LookaheadTransport& t, test::FakeTransport&) { EXPECT_TRUE(t.RemoveTree("/site/s/Trips/2004/")); },
       "s/Trips/",
       {}},
      {"a directory made in it",
       [](LookaheadTransport& t, test::FakeTransport&) {
         EXPECT_TRUE(t.EnterOrCreateDir("/site/s/New/", Report::Yes));
       },
       "s/",
       {"New", "Trips", "a.jpg"}},
      {"files the spare connections are about to send",
       [](LookaheadTransport& t, test::FakeTransport& server) {
         t.Changing({"/site/s/"});
         server.files["/site/s/z.jpg"] = {"z", 1};  // sent on another connection
       },
       "s/",
       {"Trips", "a.jpg", "z.jpg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    server_.calls.clear();
    LookaheadTransport t(server_, true);
    t.ListAhead({"/site/s/", "/site/s/Trips/", "/site/s/Trips/2004/"});
    while (t.ListNextAhead(server_)) {
    }
    c.change(t, server_);
    EXPECT_EQ(List(t, c.dir), c.expected);
  }
}

// A removed directory's own listing made ahead goes with it: made again,
// it is empty.
TEST_F(LookaheadTest, RemovedDirectoryIsNotListedFromBeforeItsRemoval) {
  LookaheadTransport t(server_, true);
  t.ListAhead({"/site/s/Trips/2004/"});
  ASSERT_TRUE(t.ListNextAhead(server_).value_or(false));
  ASSERT_TRUE(t.RemoveTree("/site/s/Trips/2004/"));
  RemoteEntryList list;
  EXPECT_FALSE(t.ListDir(list, "/site/", "s/Trips/2004/", IncludeDirs::Yes, Create::No, Ask::No));
  EXPECT_EQ(t.lastError(), 0);
  EXPECT_EQ(List(t, "s/Trips/2004/", Create::Yes), std::vector<std::string>{});
  EXPECT_TRUE(server_.dirs.contains("/site/s/Trips/2004"));
}

// A directory found missing ahead answers a listing that does not create
// it at once and quietly; one that creates it goes to the server.
TEST_F(LookaheadTest, MissingDirectoryListedAhead) {
  LookaheadTransport t(server_, true);
  t.ListAhead({"/site/m/", "/site/m/Trips/"});
  ASSERT_TRUE(t.ListNextAhead(server_).value_or(false));
  const size_t calls = server_.calls.size();
  RemoteEntryList list;
  EXPECT_FALSE(t.ListDir(list, "/site/", "m/", IncludeDirs::Yes, Create::No, Ask::No));
  EXPECT_EQ(t.lastError(), 0);
  EXPECT_EQ(server_.calls.size(), calls);
  EXPECT_EQ(List(t, "m/Trips/", Create::Yes), std::vector<std::string>{});
  EXPECT_TRUE(server_.dirs.contains("/site/m/Trips"));
  // Below a missing one, nothing was queued to be listed.
  EXPECT_EQ(t.ListNextAhead(server_), std::nullopt);
}

// Disabled (a dry run), it only passes calls on.
TEST_F(LookaheadTest, DisabledPassesEveryListingOn) {
  LookaheadTransport t(server_, false);
  t.Learn("/site/", Entries({}), true);
  t.ListAhead({"/site/s/"});
  EXPECT_EQ(t.ListNextAhead(server_), std::nullopt);
  EXPECT_EQ(List(t, "s/"), (std::vector<std::string>{"Trips", "a.jpg"}));
  EXPECT_EQ(Listings("/site/s/"), 1);
}

}  // namespace
}  // namespace albumsmith
