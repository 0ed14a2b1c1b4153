#pragma once
// Real FTP servers for the publishing tests, started by the tests themselves
// on 127.0.0.1 with free ports and stopped by their process id. A server
// that cannot start gives its reason, and the test fails with it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "local_ports.h"
#include "subprocess.h"
#include "store/profile_settings.h"
#include "test_support.h"

namespace albumsmith::test {

inline std::string RandomWord(size_t length) {
  static constexpr char kLetters[] = "abcdefghijkmnpqrstuvwxyz23456789";
  std::mt19937 random(std::random_device{}());
  std::string word;
  for (size_t i = 0; i < length; ++i) word += kLetters[random() % (sizeof kLetters - 1)];
  return word;
}

// Runs a shell command, feeding it `input`; returns its exit status and
// puts what it printed in `output`.
inline int RunCommand(const std::string& command, const std::string& input, std::string& output) {
  TempDir io;
  WriteText(io.path() / "input", input);
  ChildSetup setup{.input = io.path() / "input", .output = io.path() / "output"};
  const int status = RunChild({"/bin/sh", "-c", command}, setup, std::chrono::seconds(60), output);
  if (status != kKilledBySignal) output = ReadText(setup.output);
  return status;
}

// A server process with its own folder, log and (for vsftpd) system user.
class FtpTestServer {
 public:
  FtpTestServer(std::string name, std::string loginMarker)
      : name_(std::move(name)), loginMarker_(std::move(loginMarker)) {
    root_ = dir_.path() / "root";
    log_ = dir_.path() / "server.log";
    std::filesystem::create_directories(root_);
  }

  ~FtpTestServer() {
    Stop();
    if (!createdUser_.empty()) {
      std::string output;
      RunCommand("userdel " + createdUser_, "", output);
    }
  }

  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  const std::string& name() const { return name_; }
  int port() const { return port_; }
  bool running() const { return pid_ > 0; }
  std::string serverText() const { return "127.0.0.1:" + std::to_string(port_); }
  // The folder the server shows as "/".
  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& folder() const { return dir_.path(); }
  const std::filesystem::path& log() const { return log_; }

  ProfileSettings Profile() const {
    ProfileSettings profile;
    profile.name = "Holiday";
    profile.serverName = serverText();
    profile.login = login_;
    profile.password = password_;
    profile.remoteDir = "/";
    profile.passive = 1;
    return profile;
  }

  // Successful logins so far, counted in the server's log.
  int Logins() const {
    const std::string text = ReadText(log_);
    int count = 0;
    for (size_t pos = text.find(loginMarker_); pos != std::string::npos; pos = text.find(loginMarker_, pos + 1))
      ++count;
    return count;
  }

  std::string LogTail() const {
    const std::string text = ReadText(log_);
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
  }

  // Starts argv[0] in its own process group, output to the log, and waits
  // until the port answers; with port 0, until the server reports the port
  // it bound. On failure returns why. Python takes seconds to import the
  // server on a machine busy compiling, hence the generous wait.
  std::string Start(const std::vector<std::string>& argv) {
    std::string error;
    pid_ = Spawn(argv, {.output = log_, .append = true, .ownGroup = true}, error);
    if (pid_ == 0) {
      pid_ = -1;
      return error;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return name_ + " ended at start:\n" + LogTail();
      }
      if (port_ == 0) port_ = ReportedPort(ReadText(log_));
      if (port_ != 0 && test::Answers(port_)) return {};
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return name_ + " does not answer on port " + std::to_string(port_) + ":\n" + LogTail();
  }

  // Ends at once every process the server started and that left its
  // group: sshd serves each connection in a session of its own.
  void KillSessions() const {
    if (pid_ <= 0) return;
    std::vector<std::pair<pid_t, pid_t>> parents;  // pid, parent
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
      const std::string name = e.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string stat = ReadText(e.path() / "stat");
      const size_t close = stat.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream fields(stat.substr(close + 2));
      std::string state;
      pid_t parent = 0;
      fields >> state >> parent;
      parents.emplace_back(std::stoi(name), parent);
    }
    std::vector<pid_t> ours{pid_};
    for (size_t i = 0; i < ours.size(); ++i)
      for (const auto& [pid, parent] : parents)
        if (parent == ours[i]) ours.push_back(pid);
    for (size_t i = 1; i < ours.size(); ++i) ::kill(ours[i], SIGKILL);
  }

  // The group: vsftpd serves each connection in a child process.
  void Stop() {
    EndChild(pid_, true);
    pid_ = -1;
  }

  std::string login_;
  std::string password_;
  std::string createdUser_;  // a system user made for this server, removed with it
  std::string fingerprint_;  // of the TLS certificate, "AB:CD:…", when it has one
  int port_ = 0;

 private:
  TempDir dir_;
  std::string name_;
  std::string loginMarker_;
  std::filesystem::path root_;
  std::filesystem::path log_;
  pid_t pid_ = -1;
};

// The Debian interpreter carries the python3-pyftpdlib package; a Python of
// one's own earlier on PATH usually does not.
inline std::string PythonWithPyftpdlib() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    std::string output;
    if (RunCommand(std::string(python) + " -c 'import pyftpdlib'", "", output) == 0) return python;
  }
  return {};
}

// pyftpdlib, listing with MLSD. `readLimit` bytes per second slows uploads
// down; 1 stalls them. Uploads to paths holding `cutUploads` (when not
// empty) keep only their first half, though the server answers them as whole.
// Uploads to paths holding `dropUploads` lose their data connection after
// their first block and are answered 426.
inline std::unique_ptr<FtpTestServer> StartPyftpdlib(std::string& error, int readLimit = 0,
                                                     const std::string& cutUploads = "",
                                                     const std::string& dropUploads = "") {
  const std::string python = PythonWithPyftpdlib();
  if (python.empty()) {
    error = "pyftpdlib is missing: install python3-pyftpdlib (scripts/install-deps.sh)";
    return nullptr;
  }
  auto server = std::make_unique<FtpTestServer>("pyftpdlib", "logged in.");
  server->login_ = "albumsmith";
  server->password_ = RandomWord(12);
  const auto [first, last] = FreePortRange(20);
  error = server->Start({python,
                         std::string(ALBUMSMITH_TEST_DATA) + "/publish/ftp_server.py",
                         "--port",
                         std::to_string(server->port_),
                         "--root",
                         server->root().string(),
                         "--user",
                         server->login_,
                         "--password",
                         server->password_,
                         "--passive-ports",
                         std::to_string(first) + "-" + std::to_string(last),
                         "--log",
                         server->log().string(),
                         "--read-limit",
                         std::to_string(readLimit),
                         "--cut-uploads",
                         cutUploads,
                         "--drop-uploads",
                         dropUploads});
  return error.empty() ? std::move(server) : nullptr;
}

// vsftpd, listing with LIST only. It logs in system users through PAM, so a
// user of our own is made for it (the tests run as root) and removed after.
// With `tls`, logins and data must go over TLS (explicit, AUTH TLS), with a
// self-signed certificate made for the test; its SHA-256 is in fingerprint_.
inline std::unique_ptr<FtpTestServer> StartVsftpd(std::string& error, bool tls = false) {
  const char* program = "/usr/sbin/vsftpd";
  if (::access(program, X_OK) != 0) {
    error = "vsftpd is missing: install vsftpd (scripts/install-deps.sh)";
    return nullptr;
  }
  if (::geteuid() != 0) {
    error = "vsftpd needs a system user with a password; the test creates one and must run as root";
    return nullptr;
  }
  auto server = std::make_unique<FtpTestServer>("vsftpd", "OK LOGIN");
  server->login_ = "asftp" + std::to_string(::getpid());
  server->password_ = RandomWord(12);
  std::string output;
  if (!::getpwnam(server->login_.c_str())) {
    // A shell listed in /etc/shells, or PAM refuses the login; the home is
    // not used (local_root takes its place).
    if (RunCommand("useradd --no-create-home --home-dir /tmp --shell /bin/bash " + server->login_, "", output) != 0) {
      error = "useradd failed: " + output;
      return nullptr;
    }
    server->createdUser_ = server->login_;
  }
  if (RunCommand("chpasswd", server->login_ + ":" + server->password_ + "\n", output) != 0) {
    error = "chpasswd failed: " + output;
    return nullptr;
  }
  const passwd* user = ::getpwnam(server->login_.c_str());
  if (!user || ::chown(server->root().c_str(), user->pw_uid, user->pw_gid) != 0 ||
      ::chmod(server->folder().c_str(), 0755) != 0) {
    error = "cannot give the server folder to " + server->login_;
    return nullptr;
  }
  // vsftpd insists on an empty folder owned by root that nobody can write.
  const std::filesystem::path empty = server->folder() / "empty";
  std::filesystem::create_directories(empty);
  ::chmod(empty.c_str(), 0555);

  std::string tlsConfig;
  if (tls) {
    const std::string cert = (server->folder() / "cert.pem").string();
    const std::string key = (server->folder() / "key.pem").string();
    if (RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout " + key + " -out " +
                       cert + " 2>&1 && openssl x509 -in " + cert + " -noout -fingerprint -sha256",
                   "", output) != 0) {
      error = "openssl failed: " + output;
      return nullptr;
    }
    const size_t equals = output.rfind('=');
    server->fingerprint_ = equals == std::string::npos ? "" : output.substr(equals + 1);
    while (!server->fingerprint_.empty() && std::isspace(static_cast<unsigned char>(server->fingerprint_.back())))
      server->fingerprint_.pop_back();
    tlsConfig = "ssl_enable=YES\nrsa_cert_file=" + cert + "\nrsa_private_key_file=" + key +
                "\nforce_local_logins_ssl=YES\nforce_local_data_ssl=YES\nallow_anon_ssl=NO\nrequire_ssl_reuse=NO\n";
  }
  // vsftpd cannot bind port 0 and report it: it gets a free port, and
  // another one when something took that port before vsftpd bound it.
  for (int attempt = 0; attempt < 5; ++attempt) {
    server->port_ = FreePort();
    const auto [first, last] = FreePortRange(20);
    const std::filesystem::path config = server->folder() / "vsftpd.conf";
    // Names beginning with "." are listed too, as some hosts do: those are the
    // names ("..\\x") that could lead out of a directory.
    std::ofstream(config) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << server->port_
                          << "\nbackground=NO\nanonymous_enable=NO\nlocal_enable=YES\nwrite_enable=YES\n"
                             "local_umask=022\nlocal_root="
                          << server->root().string()
                          << "\nchroot_local_user=YES\nallow_writeable_chroot=YES\n"
                             "pasv_enable=YES\npasv_min_port="
                          << first << "\npasv_max_port=" << last
                          << "\nconnect_from_port_20=NO\nseccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
                             "pam_service_name=vsftpd\nsecure_chroot_dir="
                          << empty.string()
                          << "\nuse_localtime=NO\nforce_dot_files=YES\ndelay_failed_login=0\nxferlog_enable=YES\n"
                             "xferlog_std_format=NO\n"
                             "log_ftp_protocol=YES\nvsftpd_log_file="
                          << server->log().string() << "\n"
                          << tlsConfig;
    ::chmod(config.c_str(), 0600);
    error = server->Start({program, config.string()});
    if (error.empty() || server->running()) break;
  }
  return error.empty() ? std::move(server) : nullptr;
}

// OpenSSH's sshd serving SFTP, with a host key made for the test (its
// SHA-256 in fingerprint_, base64 as ssh-keygen -l shows it) and a system
// user of our own that logs in with a password or with the key made in
// clientKey() (the tests run as root). The folder the server shows as "/" is
// the machine's own: root() is reached by its absolute path. Each SFTP
// operation is logged ("open \"PATH\" flags WRITE…", "remove name …") to the
// server's log by the sftp-server of each session.
class SshTestServer : public FtpTestServer {
 public:
  SshTestServer() : FtpTestServer("sshd", "Accepted ") {}
  std::filesystem::path config() const { return folder() / "sshd_config"; }
  std::filesystem::path clientKey() const { return folder() / "client_key"; }
  std::string Start() { return FtpTestServer::Start({"/usr/sbin/sshd", "-D", "-e", "-f", config().string()}); }
};

// Runs `command`; on failure puts `what` and its output in `error`.
inline bool RunStep(const std::string& command, const std::string& input, const std::string& what, std::string& error) {
  std::string output;
  if (RunCommand(command, input, output) == 0) return true;
  error = what + " failed: " + output;
  return false;
}

inline std::unique_ptr<SshTestServer> StartSshd(std::string& error) {
  const char* program = "/usr/sbin/sshd";
  if (::access(program, X_OK) != 0) {
    error = "sshd is missing: install openssh-server (scripts/install-deps.sh)";
    return nullptr;
  }
  if (::geteuid() != 0) {
    error = "sshd needs a system user with a password; the test creates one and must run as root";
    return nullptr;
  }
  auto server = std::make_unique<SshTestServer>();
  const std::string dir = server->folder().string();
  server->login_ = "assh" + std::to_string(::getpid());
  server->password_ = RandomWord(12);
  if (!::getpwnam(server->login_.c_str())) {
    if (!RunStep("useradd --no-create-home --home-dir " + dir + " --shell /bin/sh " + server->login_, "", "useradd",
                 error))
      return nullptr;
    server->createdUser_ = server->login_;
  }
  if (!RunStep("chpasswd", server->login_ + ":" + server->password_ + "\n", "chpasswd", error)) return nullptr;
  const passwd* user = ::getpwnam(server->login_.c_str());
  // The log is written by sshd and by each session's sftp-server, which
  // runs as the user.
  std::ofstream(server->log()).close();
  if (!user || ::chown(server->root().c_str(), user->pw_uid, user->pw_gid) != 0 ||
      ::chown(server->log().c_str(), user->pw_uid, user->pw_gid) != 0 || ::chmod(server->folder().c_str(), 0755) != 0) {
    error = "cannot give the server folder to " + server->login_;
    return nullptr;
  }
  std::string output;
  if (!RunStep("ssh-keygen -q -t ed25519 -N '' -f " + dir + "/host_key && ssh-keygen -q -t ed25519 -N '' -f " +
                   server->clientKey().string() + " && cp " + server->clientKey().string() + ".pub " + dir +
                   "/authorized_keys && chmod 644 " + server->clientKey().string() + " " + dir + "/authorized_keys",
               "", "ssh-keygen", error))
    return nullptr;
  RunCommand("ssh-keygen -l -E sha256 -f " + dir + "/host_key.pub", "", output);
  const size_t label = output.find("SHA256:");
  if (label == std::string::npos) {
    error = "no host key fingerprint: " + output;
    return nullptr;
  }
  server->fingerprint_ = output.substr(label + 7, output.find(' ', label) - label - 7);
  // Privilege separation wants its empty directory.
  std::filesystem::create_directories("/run/sshd");
  for (int attempt = 0; attempt < 5; ++attempt) {
    server->port_ = FreePort();
    std::ofstream(server->config())
        << "ListenAddress 127.0.0.1\nPort " << server->port_ << "\nHostKey " << dir << "/host_key\nPidFile " << dir
        << "/sshd.pid\nUsePAM no\nPasswordAuthentication yes\nKbdInteractiveAuthentication no\n"
           "PubkeyAuthentication yes\nAuthorizedKeysFile "
        << dir << "/authorized_keys\nStrictModes no\nAllowUsers " << server->login_
        << "\nMaxStartups 50\nLogLevel INFO\nSubsystem sftp /usr/lib/openssh/sftp-server -e -l INFO 2>>"
        << server->log().string() << "\n";
    error = server->Start();
    if (error.empty() || server->running()) break;
  }
  return error.empty() ? std::move(server) : nullptr;
}

// Listens on a free port. Without a greeting it never answers: the kernel
// completes the TCP handshake, so a client connects and then waits for a
// greeting forever. With one, it sends that line to each connection and
// closes it at once, as a server that turns clients away does.
class SilentServer {
 public:
  explicit SilentServer(std::string greeting = {}) : greeting_(std::move(greeting)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 8) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
      port_ = ntohs(address.sin_port);
    if (port_ && !greeting_.empty()) greeter_ = std::thread([this] { Greet(); });
  }
  ~SilentServer() {
    ::shutdown(fd_, SHUT_RDWR);  // ends a waiting accept
    if (greeter_.joinable()) greeter_.join();
    ::close(fd_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  int port() const { return port_; }
  // Connections greeted so far.
  int connections() const { return connections_.load(); }

 private:
  void Greet() {
    for (;;) {
      const int client = ::accept(fd_, nullptr, nullptr);
      if (client < 0) return;
      ++connections_;  // before the greeting, which may end the client's wait
      const std::string line = greeting_ + "\r\n";
      if (::send(client, line.data(), line.size(), MSG_NOSIGNAL) < 0) ADD_FAILURE() << "greeting not sent";
      ::close(client);
    }
  }

  int fd_ = -1;
  int port_ = 0;
  std::string greeting_;
  std::atomic<int> connections_{0};
  std::thread greeter_;
};

}  // namespace albumsmith::test
