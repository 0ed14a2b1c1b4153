#pragma once
// The publishing window tests' pyftpdlib server (tests/data/publish/ftp_server.py)
// with a folder of its own on 127.0.0.1, started by the test and stopped by
// its process id.

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "local_ports.h"
#include "subprocess.h"

namespace albumsmith::ui_test {

namespace fs = std::filesystem;
namespace test = albumsmith::test;

class FtpServer {
 public:
  // `readLimit` bytes per second slows uploads down; 1 stalls them.
  static std::unique_ptr<FtpServer> Start(QString& error, int readLimit = 0) {
    std::string python;
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      std::string ignored;
      if (test::RunChild({candidate, "-c", "import pyftpdlib"}, {}, std::chrono::seconds(30), ignored) == 0) {
        python = candidate;
        break;
      }
    }
    if (python.empty()) {
      error = QStringLiteral("pyftpdlib is missing: install python3-pyftpdlib (scripts/install-deps.sh)");
      return nullptr;
    }
    auto server = std::unique_ptr<FtpServer>(new FtpServer);
    if (!server->dir_.isValid()) {
      error = QStringLiteral("no scratch folder for the server");
      return nullptr;
    }
    fs::create_directories(server->root());
    const auto [first, last] = test::FreePortRange(20);
    const fs::path log = fs::path(server->dir_.path().toStdString()) / "server.log";
    std::string spawnError;
    server->pid_ = test::Spawn(
        {python, ALBUMSMITH_TEST_DATA "/publish/ftp_server.py", "--port", "0", "--root", server->root().string(),
         "--user", server->login().toStdString(), "--password", server->password().toStdString(), "--passive-ports",
         std::to_string(first) + "-" + std::to_string(last), "--log", log.string(), "--read-limit",
         std::to_string(readLimit)},
        {.output = log}, spawnError);
    if (server->pid_ == 0) {
      error = QString::fromStdString(spawnError);
      return nullptr;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
      if (::waitpid(server->pid_, nullptr, WNOHANG) == server->pid_) {
        server->pid_ = 0;
        break;
      }
      if (server->port_ == 0) server->port_ = test::ReportedPort(ReadAll(log));
      if (server->port_ != 0 && test::Answers(server->port_)) return server;
      QThread::msleep(50);
    }
    const std::string text = ReadAll(log);
    error = QStringLiteral("pyftpdlib did not come up on port %1:\n%2")
                .arg(server->port_)
                .arg(QString::fromStdString(text.substr(text.size() > 2000 ? text.size() - 2000 : 0)));
    return nullptr;
  }

  ~FtpServer() { test::EndChild(pid_, false); }

  // The folder the server shows as "/".
  fs::path root() const { return fs::path(dir_.path().toStdString()) / "root"; }
  QString login() const { return QStringLiteral("albumsmith"); }
  QString password() const { return QStringLiteral("pw-") + dir_.path().section('/', -1); }
  std::string serverText() const { return "127.0.0.1:" + std::to_string(port_); }

  // Empties the server's folder between tests.
  void clear() const {
    for (const auto& entry : fs::directory_iterator(root())) fs::remove_all(entry.path());
  }

 private:
  FtpServer() = default;
  static std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  QTemporaryDir dir_;
  pid_t pid_ = 0;
  int port_ = 0;
};

}  // namespace albumsmith::ui_test
