// What the SFTP session sends and compares, without a server: the
// arguments of the library's commands, host key fingerprints and pins, and
// which session a profile gets.

#include "publish/sftp_session.h"

#include <gtest/gtest.h>

#include <string>

#include "publish/curl_connection.h"
#include "publish/transport_factory.h"
#include "store/profile_settings.h"
#include "test_support.h"

namespace albumsmith {
namespace {

std::string Base64Decode(std::string_view text) {
  static constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    const size_t value = kAlphabet.find(c);
    if (value == std::string_view::npos) continue;
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

// A path with a space, a quote or a backslash must reach the server as one
// argument, unchanged.
TEST(SftpCommandTest, ArgumentsAreQuotedWithQuotesAndBackslashesEscaped) {
  const struct {
    const char* argument;
    const char* quoted;
  } cases[] = {
      {"/srv/album/a.jpg", "\"/srv/album/a.jpg\""},
      {"/srv/My Album/a b.jpg", "\"/srv/My Album/a b.jpg\""},
      {"/srv/say \"hi\".jpg", "\"/srv/say \\\"hi\\\".jpg\""},
      {"/srv/back\\slash", "\"/srv/back\\\\slash\""},
  };
  for (const auto& c : cases) EXPECT_EQ(SftpQuoted(c.argument), c.quoted) << c.argument;
}

TEST(SftpCommandTest, DatesAreUtcToTheSecond) {
  EXPECT_EQ(SftpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");
  EXPECT_EQ(SftpDate(1577934245), "Thu, 02 Jan 2020 03:04:05 GMT");
  EXPECT_EQ(SftpDate(1709164799), "Wed, 28 Feb 2024 23:59:59 GMT");
  EXPECT_EQ(SftpDate(1709251199), "Thu, 29 Feb 2024 23:59:59 GMT");
}

// The fingerprint is the one ssh-keygen -l shows for the same key, so that
// the user can compare it with what the host's administrator tells.
TEST(HostKeyTest, FingerprintIsSha256InBase64AndPinsMatchWithOrWithoutTheLabel) {
  const std::string blob = Base64Decode("AAAAC3NzaC1lZDI1NTE5AAAAINGg8Itwd0zDEcop9cBGQ39otyPNwjk+U28raY1HUG2s");
  const std::string fingerprint = "BFMs+PlYKte316eGqkSOBl6w5dh0y6t6RRcAJMocy1A";
  EXPECT_EQ(HostKeyFingerprint(blob.data(), blob.size()), fingerprint);

  const struct {
    std::string pin;
    bool matches;
  } cases[] = {
      {fingerprint, true},
      {"SHA256:" + fingerprint, true},
      {" " + fingerprint + "\n", true},
      {"", false},
      {"SHA256:", false},
      {"bfms+plykte316eGqkSOBl6w5dh0y6t6RRcAJMocy1A", false},  // base64 tells cases apart
      {fingerprint.substr(1), false},
      {"MD5:" + fingerprint, false},
  };
  for (const auto& c : cases) EXPECT_EQ(HostKeyPinMatches(c.pin, fingerprint), c.matches) << c.pin;
}

TEST(MakeTransportTest, ProfileProtocolChoosesTheSession) {
  const struct {
    const char* protocol;
    const char* name;
    bool keepsTimes;
  } cases[] = {
      {"", "FTP", false},     {"ftp", "FTP", false},  {"ftps", "FTPS", false},
      {"sftp", "SFTP", true}, {"SFTP", "SFTP", true},
  };
  for (const auto& c : cases) {
    ProfileSettings profile;
    profile.protocol = c.protocol;
    const auto transport = MakeTransport(profile);
    EXPECT_EQ(transport->ProtocolName(), c.name) << c.protocol;
    EXPECT_EQ(transport->KeepsTimes(), c.keepsTimes) << c.protocol;
  }
}

// A protocol nobody knows is refused when connecting, naming the ones there are.
TEST(MakeTransportTest, UnknownProtocolIsRefusedNamingTheKnownOnes) {
  ProfileSettings profile;
  profile.serverName = "127.0.0.1:1";
  profile.protocol = "scp";
  const auto transport = MakeTransport(profile);
  test::Environment::prompter().Clear();
  EXPECT_FALSE(transport->Connect());
  const std::vector<std::string> texts = test::Environment::prompter().texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("Unknown protocol 'scp': use ftp, ftps or sftp"), std::string::npos) << texts[0];
}

}  // namespace
}  // namespace albumsmith
