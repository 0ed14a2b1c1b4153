#include "fake_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace albumsmith {
namespace {

ScriptedPrompter& Prompts() { return test::Environment::prompter(); }

// What a caller of the transport sees from the fake is what it would see
// from the session: directories, sizes, refusals with one message each.
TEST(FakeTransportTest, BehavesLikeAServer) {
  Prompts().Clear();
  test::FakeTransport remote;
  ASSERT_TRUE(remote.MakeDirs("/R/albsite/s/", Report::Yes));
  ASSERT_TRUE(remote.PutBuffer("\\R\\albsite\\s\\a.jpg", "abc"));
  RemoteEntryList list;
  ASSERT_TRUE(remote.ListDir(list, "/R/", "albsite/", IncludeDirs::Yes, Create::No, Ask::Yes));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0].isDir);

  list.Clear();
  ASSERT_TRUE(remote.ListDir(list, "/R/albsite/", "s/", IncludeDirs::Yes, Create::No, Ask::Yes));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].name, "a.jpg");
  EXPECT_EQ(list[0].size, 3u);

  EXPECT_FALSE(remote.ListDir(list, "/R/albsite/", "m/", IncludeDirs::Yes, Create::No, Ask::Yes));
  EXPECT_TRUE(Prompts().texts().empty());
  Prompts().Queue(Answer::Cancel);
  EXPECT_FALSE(remote.ListDir(list, "/R/albsite/", "m/", IncludeDirs::Yes, Create::Yes, Ask::Yes));
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"Create remote directory \"m\""});

  EXPECT_TRUE(remote.RemoveTree("/R/albsite/"));
  EXPECT_TRUE(remote.files.empty());
  EXPECT_FALSE(remote.RemoveFile("/R/albsite/s/a.jpg"));
  EXPECT_EQ(Prompts().texts().back(), "Cannot delete remote file '/R/albsite/s/a.jpg'");
}

TEST(FakeTransportTest, FailsTheNthCallOnlyAndAStopEndsEveryCallQuietly) {
  Prompts().Clear();
  test::FakeTransport remote;
  remote.failOnCall = 2;
  EXPECT_TRUE(remote.MakeDirs("/R/", Report::Yes));
  EXPECT_FALSE(remote.PutBuffer("/R/a.txt", "a"));
  EXPECT_EQ(remote.lastError(), 1);
  EXPECT_EQ(Prompts().texts(), std::vector<std::string>{"PutBuffer /R/a.txt failed"});
  EXPECT_TRUE(remote.PutBuffer("/R/b.txt", "b"));
  EXPECT_EQ(remote.calls, (std::vector<std::string>{"MakeDirs /R/", "PutBuffer /R/a.txt", "PutBuffer /R/b.txt"}));

  std::atomic<bool> stop{false};
  remote.SetStopFlag(&stop);
  remote.onCall = [&](int call) { stop = call >= 5; };
  EXPECT_TRUE(remote.RemoveFile("/R/b.txt"));
  EXPECT_FALSE(remote.PutBuffer("/R/c.txt", "c"));
  EXPECT_EQ(remote.lastError(), 42);
  EXPECT_EQ(Prompts().texts().size(), 1u);
  EXPECT_FALSE(remote.files.count("/R/c.txt"));
}

}  // namespace
}  // namespace albumsmith
