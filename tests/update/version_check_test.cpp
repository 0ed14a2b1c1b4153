// The version check against a local HTTP server: the request exactly as it
// leaves, the answers that announce a newer release and those that do not,
// and the failures that must stay silent.

#include "update/version_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "http_answer_server.h"
#include "local_ports.h"
#include "test_support.h"

namespace albumsmith {
namespace {

using test::HttpAnswerServer;

constexpr Release kRunning{2, 2, 1};

std::vector<std::string> Texts(const std::vector<Release>& releases) {
  std::vector<std::string> texts;
  for (const Release& r : releases)
    texts.push_back(std::to_string(r.major) + "." + std::to_string(r.minor) + "." + std::to_string(r.patch));
  return texts;
}

TEST(VersionCheck, SendsThePostOfTheRunningReleaseWithTheThreeHeadersInOrder) {
  HttpAnswerServer server(200, "albumsmith = 2.2.2\n");
  ASSERT_NE(server.port(), 0);
  const auto endpoint = SplitHttpUrl(server.url());
  ASSERT_TRUE(endpoint);
  EXPECT_EQ(Texts(CheckForNewerReleases(*endpoint, kRunning)), std::vector<std::string>{"2.2.2"});

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  EXPECT_EQ(requests[0],
            "POST /version.php HTTP/1.1\r\n"
            "Host: " +
                host +
                "\r\n"
                "User-Agent: Albumsmith\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\n"
                "Accept: text/*\r\n"
                "Content-Length: 13\r\n"
                "\r\n"
                "version=2.2.1");
}

TEST(VersionCheck, AnnouncesOnlyHigherReleasesNamedByTheExactKey) {
  struct Case {
    const char* answer;
    std::vector<std::string> newer;
  } cases[] = {
      {"albumsmith = 2.2.2", {"2.2.2"}},
      {"albumsmith=2.2.1\n", {}},                              // the same release
      {"albumsmith = 2.1.9\n", {}},                            // an older one
      {"Albumsmith = 9.0.0\n", {}},                            // the key is case-sensitive
      {"news = 1\r\nalbumsmith   =   3.0   \r\n", {"3.0.0"}},  // CR LF, spaces, missing part
      {"albumsmith = 2.2.10\n", {"2.2.10"}},                   // compared as numbers, not text
      {"albumsmiths = 9.9.9\nalbumsmith\n", {}},               // another key; no "="
      {"albumsmith = 2.3.0\nalbumsmith = 2.2.5\n", {"2.3.0", "2.2.5"}},
  };
  for (const Case& c : cases) {
    HttpAnswerServer server(200, c.answer);
    EXPECT_EQ(Texts(CheckForNewerReleases(*SplitHttpUrl(server.url()), kRunning)), c.newer) << c.answer;
  }
}

TEST(VersionCheck, PacksReleasesIntoOneNumber) {
  EXPECT_EQ(PackRelease({2, 2, 1}), 2 * 65536 + 2 * 256 + 1);
  EXPECT_GT(PackRelease({3, 0, 0}), PackRelease({2, 255, 255}));
}

TEST(VersionCheck, FailuresFindNothing) {
  // A status other than 200, even with an announcing body.
  HttpAnswerServer notFound(404, "albumsmith = 9.9.9\n");
  EXPECT_TRUE(CheckForNewerReleases(*SplitHttpUrl(notFound.url()), kRunning).empty());
  HttpAnswerServer failing(500, "albumsmith = 9.9.9\n");
  EXPECT_TRUE(CheckForNewerReleases(*SplitHttpUrl(failing.url()), kRunning).empty());

  // Nobody listening: refused at once.
  const int closed = test::FreePort();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(
      CheckForNewerReleases(*SplitHttpUrl("http://127.0.0.1:" + std::to_string(closed) + "/version.php"), kRunning)
          .empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(VersionCheck, SplitsOnlyWellFormedHttpAddresses) {
  const auto e = SplitHttpUrl("http://updates.example.org:8080/a/version.php");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "updates.example.org");
  EXPECT_EQ(e->port, 8080);
  EXPECT_EQ(e->object, "/a/version.php");
  EXPECT_EQ(SplitHttpUrl("https://example.org")->port, 443);
  EXPECT_EQ(SplitHttpUrl("https://example.org")->object, "/");
  for (const char* bad : {"", "example.org/version.php", "ftp://example.org/", "http://", "http://:80/",
                          "http://host:0/", "http://host:99999/", "http://host:8x/", "http://user@host/",
                          "http://ho st/", "http://host/a b", "http://host/a\r\nX: y"})
    EXPECT_FALSE(SplitHttpUrl(bad)) << bad;
}

TEST(VersionCheck, StartsAtMostOneCheckPerRun) {
  HttpAnswerServer server(200, "albumsmith = 2.2.2\n");
  std::atomic<int> announced{0};
  CCheckVers check;
  for (int i = 0; i < 2; ++i)
    check.StartVersionCheck(server.url(), kRunning, [&](const Release&, const Release&) { ++announced; });
  check.Wait();
  check.StartVersionCheck(server.url(), kRunning, [&](const Release&, const Release&) { ++announced; });
  check.Wait();
  EXPECT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(announced.load(), 1);
}

}  // namespace
}  // namespace albumsmith
