// What the FTP session makes of the server field, without a server.

#include "publish/ftp_session.h"

#include <gtest/gtest.h>

namespace albumsmith {
namespace {

TEST(ParseServerTextTest, PortAfterTheLastColon) {
  const struct {
    const char* text;
    const char* host;
    int port;
  } cases[] = {
      {"ftp.example.org", "ftp.example.org", 21},
      {"ftp.example.org:2121", "ftp.example.org", 2121},
      {"ftp.example.org:", "ftp.example.org", 0},  // 0: the library's own FTP port
      {"ftp.example.org:abc", "ftp.example.org", 0},
      {"ftp.example.org:21x", "ftp.example.org", 21},  // leading digits only
      {"a:b:2121", "a:b", 2121},
      {"host:99999999999", "host", 65536},  // stays out of range; the library refuses it
  };
  for (const auto& c : cases) {
    const ServerAddress address = ParseServerText(c.text);
    EXPECT_EQ(address.host, c.host) << c.text;
    EXPECT_EQ(address.port, c.port) << c.text;
  }
}

}  // namespace
}  // namespace albumsmith
