#pragma once
// PHP as the tests' peer: `php -l` on a generated file, and `php -S` serving
// a generated site on 127.0.0.1, stopped by its PID, with a plain HTTP GET
// to ask it for pages. A missing php is a failure that names the package.

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "local_ports.h"
#include "subprocess.h"
#include "test_support.h"

namespace albumsmith::test {

// What `php -l` says about the file when it finds an error; "" when the file parses.
inline std::string PhpLintErrors(const std::filesystem::path& file) {
  TempDir io;
  const std::filesystem::path output = io.path() / "lint";
  std::string error;
  const int status =
      RunChild({"php", "-l", file.string()}, {.dir = io.path(), .output = output}, std::chrono::seconds(60), error);
  if (!error.empty()) return error + " (Debian package php-cli)";
  if (status == 0) return "";
  const std::string said = ReadText(output);
  return said.empty() ? "php -l failed" : said;
}

struct HttpReply {
  int status = 0;  // 0: no answer
  std::string body;
};

// One GET over HTTP/1.0 to 127.0.0.1; the reply is read to its end.
inline HttpReply HttpGet(int port, const std::string& target) {
  HttpReply reply;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return reply;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  std::string raw;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
      char buffer[8192];
      for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  // "HTTP/1.1 200 OK\r\n…\r\n\r\nbody"
  const size_t space = raw.find(' ');
  if (space == std::string::npos) return reply;
  reply.status = std::atoi(raw.c_str() + space + 1);
  const size_t bodyStart = raw.find("\r\n\r\n");
  if (bodyStart != std::string::npos) reply.body = raw.substr(bodyStart + 4);
  return reply;
}

// `php -S` serving `root` (also its working folder) on a free port of
// 127.0.0.1 while the object lives.
class PhpServer {
 public:
  // `php -S` cannot bind port 0, so it gets a free port, and another one
  // when it ends at once because something took that port first.
  explicit PhpServer(const std::filesystem::path& root) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      port_ = FreePort();
      std::string error;
      pid_ = Spawn({"php", "-d", "display_errors=1", "-d", "error_reporting=-1", "-S",
                    "127.0.0.1:" + std::to_string(port_), "-t", root.string()},
                   {.dir = root, .output = log_.path() / "php.log"}, error);
      if (pid_ == 0) {
        ADD_FAILURE() << error << " (Debian package php-cli)";
        return;
      }
      for (int i = 0; i < 100 && !Answers(port_); ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
          pid_ = 0;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (pid_ != 0) break;
    }
    if (pid_ == 0 || !Answers(port_)) ADD_FAILURE() << "php -S did not answer: " << log();
  }
  ~PhpServer() { EndChild(pid_, false); }
  PhpServer(const PhpServer&) = delete;
  PhpServer& operator=(const PhpServer&) = delete;

  HttpReply Get(const std::string& target) const { return HttpGet(port_, target); }
  int port() const { return port_; }
  std::string log() const { return ReadText(log_.path() / "php.log"); }

 private:
  TempDir log_;
  int port_ = 0;
  pid_t pid_ = 0;
};

}  // namespace albumsmith::test
