#pragma once
// Ports on 127.0.0.1 for the servers the tests start: free ones to listen
// on, and whether a server already answers. Plain sockets, no test
// framework, so that every test program can use them.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>

namespace albumsmith::test {

// Whether a TCP port on 127.0.0.1 can be bound right now (0: any port).
// Returns the port bound, or 0.
inline int BindablePort(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  socklen_t length = sizeof address;
  int bound = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    bound = ntohs(address.sin_port);
  ::close(fd);
  return bound;
}

inline int FreePort() { return BindablePort(0); }

// `count` consecutive free ports, for a server's passive data connections;
// {0, 0} when none were found.
inline std::pair<int, int> FreePortRange(int count) {
  std::mt19937 random(std::random_device{}());
  for (int attempt = 0; attempt < 200; ++attempt) {
    const int first = 20000 + static_cast<int>(random() % 40000);
    bool free = true;
    for (int port = first; free && port < first + count; ++port) free = BindablePort(port) == port;
    if (free) return {first, first + count - 1};
  }
  return {0, 0};
}

// The port a test server bound to port 0 reports in its output (the line
// "listening on port N" of tests/data/publish/ftp_server.py), or 0 while it
// has not. Asking the server beats picking a free port first: another
// process may take that port before the server binds it.
inline int ReportedPort(const std::string& output) {
  static constexpr char kLine[] = "listening on port ";
  const size_t at = output.find(kLine);
  return at == std::string::npos ? 0 : std::atoi(output.c_str() + at + sizeof kLine - 1);
}

// Whether something accepts connections on the port of 127.0.0.1.
inline bool Answers(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

}  // namespace albumsmith::test
