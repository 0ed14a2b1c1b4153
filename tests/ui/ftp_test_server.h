#pragma once
// A pyftpdlib server (tests/data/publish/ftp_server.py) with a folder of its
// own on 127.0.0.1, started by the test and stopped by its process id.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <signal.h>

#include <filesystem>
#include <memory>
#include <string>

#include "local_ports.h"

class TestFtpServer {
 public:
  static std::unique_ptr<TestFtpServer> Start(QString& error) {
    QString python;
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      if (QProcess::execute(QString::fromLatin1(candidate), {"-c", "import pyftpdlib"}) == 0) {
        python = QString::fromLatin1(candidate);
        break;
      }
    }
    if (python.isEmpty()) {
      error = QStringLiteral("pyftpdlib is missing: install python3-pyftpdlib (scripts/install-deps.sh)");
      return nullptr;
    }
    auto server = std::unique_ptr<TestFtpServer>(new TestFtpServer);
    if (!server->dir_.isValid()) {
      error = QStringLiteral("no scratch folder for the server");
      return nullptr;
    }
    std::filesystem::create_directories(server->root());
    const auto [first, last] = albumsmith::test::FreePortRange(20);
    const QString log = server->dir_.filePath(QStringLiteral("server.log"));
    server->process_.setProcessChannelMode(QProcess::MergedChannels);
    server->process_.setStandardOutputFile(log);
    server->process_.start(
        python, {QString::fromUtf8(ALBUMSMITH_TEST_DATA "/publish/ftp_server.py"), "--port", "0", "--root",
                 QString::fromStdString(server->root().string()), "--user", server->login(), "--password",
                 server->password(), "--passive-ports", QStringLiteral("%1-%2").arg(first).arg(last), "--log", log});
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 10000) {
      if (server->process_.state() == QProcess::NotRunning) break;
      if (QFile text(log); server->port_ == 0 && text.open(QIODevice::ReadOnly))
        server->port_ = albumsmith::test::ReportedPort(text.readAll().toStdString());
      if (server->port_ != 0 && albumsmith::test::Answers(server->port_)) return server;
      QThread::msleep(50);
    }
    QFile text(log);
    text.open(QIODevice::ReadOnly);
    error = QStringLiteral("pyftpdlib did not come up on port %1:\n%2")
                .arg(server->port_)
                .arg(QString::fromUtf8(text.readAll().right(2000)));
    return nullptr;
  }

  ~TestFtpServer() {
    if (process_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    if (!process_.waitForFinished(3000)) {
      ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
      process_.waitForFinished(3000);
    }
  }

  // The folder the server shows as "/".
  std::filesystem::path root() const { return std::filesystem::path(dir_.path().toStdString()) / "root"; }
  QString login() const { return QStringLiteral("albumsmith"); }
  QString password() const { return QStringLiteral("pw-") + dir_.path().section('/', -1); }
  std::string serverText() const { return "127.0.0.1:" + std::to_string(port_); }

  // Empties the server's folder between tests.
  void clear() const {
    for (const auto& entry : std::filesystem::directory_iterator(root())) std::filesystem::remove_all(entry.path());
  }

 private:
  TestFtpServer() = default;
  QTemporaryDir dir_;
  QProcess process_;
  int port_ = 0;
};
