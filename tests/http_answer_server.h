#pragma once
// A one-purpose HTTP server for the tests of the version check: it listens
// on 127.0.0.1 on a port of its own choice, keeps every request as it came
// (request line, headers in their order, body) and answers each with a fixed
// status and body. Plain sockets and a thread; stopped by its destructor.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace albumsmith::test {

class HttpAnswerServer {
 public:
  HttpAnswerServer(int status, std::string body) : status_(status), body_(std::move(body)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 8) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~HttpAnswerServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
  }

  int port() const { return port_; }
  std::string url(const std::string& path = "/version.php") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int client = ::accept(fd_, nullptr, nullptr);
      if (client < 0) continue;
      std::string request = ReadRequest(client);
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
      }
      const std::string answer = "HTTP/1.1 " + std::to_string(status_) + " Status\r\nContent-Type: text/plain\r\n" +
                                 "Content-Length: " + std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" +
                                 body_;
      (void)!::write(client, answer.data(), answer.size());
      ::close(client);
    }
  }

  // The head up to the blank line, then as many body bytes as it announces.
  static std::string ReadRequest(int client) {
    std::string data;
    char buffer[4096];
    size_t wanted = std::string::npos;
    for (;;) {
      pollfd p{client, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) break;
      const ssize_t n = ::read(client, buffer, sizeof buffer);
      if (n <= 0) break;
      data.append(buffer, static_cast<size_t>(n));
      const size_t head = data.find("\r\n\r\n");
      if (head != std::string::npos && wanted == std::string::npos) {
        size_t length = 0;
        const size_t at = data.find("Content-Length: ");
        if (at != std::string::npos && at < head) length = std::strtoul(data.c_str() + at + 16, nullptr, 10);
        wanted = head + 4 + length;
      }
      if (wanted != std::string::npos && data.size() >= wanted) break;
    }
    return data;
  }

  int status_;
  std::string body_;
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace albumsmith::test
