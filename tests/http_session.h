#pragma once
// A visitor of a site on 127.0.0.1: GET and form POST over HTTP/1.0 with a
// cookie jar, as a browser keeps its session between requests. Only what the
// site tests need: no redirects are followed, no keep-alive.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace albumsmith::test {

struct HttpAnswer {
  int status = 0;                    // 0: no answer
  std::vector<std::string> headers;  // "Name: value" lines
  std::string body;

  // The first header of that name (case-insensitive), without the name.
  std::string Header(const std::string& name) const {
    for (const std::string& h : headers) {
      if (h.size() <= name.size() || h[name.size()] != ':') continue;
      bool same = true;
      for (size_t i = 0; i < name.size() && same; ++i)
        same = std::tolower(static_cast<unsigned char>(h[i])) == std::tolower(static_cast<unsigned char>(name[i]));
      if (same) return h.substr(h.find_first_not_of(' ', name.size() + 1));
    }
    return {};
  }
};

class HttpSession {
 public:
  explicit HttpSession(int port) : port_(port) {}

  HttpAnswer Get(const std::string& target) { return Send("GET " + target, ""); }
  HttpAnswer Post(const std::string& target, const std::map<std::string, std::string>& form) {
    std::string body;
    for (const auto& [name, value] : form) body += (body.empty() ? "" : "&") + Encode(name) + "=" + Encode(value);
    return Send("POST " + target, body);
  }

  const std::map<std::string, std::string>& cookies() const { return cookies_; }
  void ForgetCookies() { cookies_.clear(); }

 private:
  static std::string Encode(const std::string& text) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
      if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
        out += static_cast<char>(c);
      } else {
        out += '%';
        out += hex[c >> 4];
        out += hex[c & 15];
      }
    }
    return out;
  }

  HttpAnswer Send(const std::string& requestLine, const std::string& form) {
    std::string request = requestLine + " HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(port_) + "\r\n";
    if (!cookies_.empty()) {
      request += "Cookie: ";
      bool first = true;
      for (const auto& [name, value] : cookies_) {
        request += (first ? "" : "; ") + name + "=" + value;
        first = false;
      }
      request += "\r\n";
    }
    if (requestLine.rfind("POST ", 0) == 0) {
      request +=
          "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(form.size()) + "\r\n";
    }
    request += "\r\n" + form;

    HttpAnswer answer;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return answer;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    std::string raw;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
      char buffer[16384];
      for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) raw.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);

    const size_t end = raw.find("\r\n\r\n");
    if (end == std::string::npos) return answer;
    const size_t space = raw.find(' ');
    answer.status = space < end ? std::atoi(raw.c_str() + space + 1) : 0;
    for (size_t at = raw.find("\r\n") + 2; at < end;) {
      const size_t next = raw.find("\r\n", at);
      answer.headers.push_back(raw.substr(at, next - at));
      at = next + 2;
    }
    answer.body = raw.substr(end + 4);
    for (const std::string& h : answer.headers) {
      if (h.rfind("Set-Cookie:", 0) != 0 && h.rfind("set-cookie:", 0) != 0) continue;
      const std::string pair = h.substr(h.find_first_not_of(' ', 11));
      const std::string nameValue = pair.substr(0, pair.find(';'));
      const size_t eq = nameValue.find('=');
      if (eq == std::string::npos) continue;
      const std::string name = nameValue.substr(0, eq);
      const std::string value = nameValue.substr(eq + 1);
      if (value.empty() || value == "deleted" || pair.find("Max-Age=0") != std::string::npos)
        cookies_.erase(name);
      else
        cookies_[name] = value;
    }
    return answer;
  }

  int port_;
  std::map<std::string, std::string> cookies_;
};

}  // namespace albumsmith::test
