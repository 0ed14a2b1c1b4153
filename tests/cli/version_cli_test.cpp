// `albumsmith-cli version --check [URL]` against a local HTTP server.

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "http_answer_server.h"
#include "local_ports.h"

namespace albumsmith::test {
namespace {

class VersionCliTest : public CliTest {};

TEST_F(VersionCliTest, PrintsTheReleaseAndANewerOneWhenAnnounced) {
  HttpAnswerServer newer(200, "albumsmith = 9.1.2\n");
  CliResult r = Run({"version", "--check", newer.url()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.OutLines(), (std::vector<std::string>{"Albumsmith 2.2.1", "newer release: 9.1.2"}));

  HttpAnswerServer same(200, "albumsmith = 2.2.1\n");
  r = Run({"version", "--check", same.url()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.OutLines(), std::vector<std::string>{"Albumsmith 2.2.1"});
}

TEST_F(VersionCliTest, NoAnswerIsNoErrorButAMalformedAddressIs) {
  CliResult r = Run({"version", "--check", "http://127.0.0.1:" + std::to_string(FreePort()) + "/version.php"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.OutLines(), std::vector<std::string>{"Albumsmith 2.2.1"});

  HttpAnswerServer notFound(404, "albumsmith = 9.1.2\n");
  r = Run({"version", "--check", notFound.url()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.OutLines(), std::vector<std::string>{"Albumsmith 2.2.1"});

  r = Run({"version", "--check", "not an address"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.LastErrorLine(), "albumsmith-cli: not an address : URL error");
}

TEST_F(VersionCliTest, TheEndpointIsASetting) {
  HttpAnswerServer newer(200, "albumsmith = 3.0.0\n");
  WriteText(settingsFile(), "[Settings]\nVersionCheckUrl=" + newer.url() + "\n");
  const CliResult r = Run({"version", "--check"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.OutLines(), (std::vector<std::string>{"Albumsmith 2.2.1", "newer release: 3.0.0"}));
  EXPECT_EQ(newer.requests().size(), 1u);
}

}  // namespace
}  // namespace albumsmith::test
