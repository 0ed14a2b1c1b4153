// A protected album as a visitor meets it: users, groups and folder rights
// set with the command line, the site written by the "site" command (rights.php
// included), served by `php -S` and by Apache httpd with mod_php, asked for
// every file of every folder without a session and with the sessions of a
// group member, a user and the administrator.

#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "http_session.h"
#include "local_ports.h"
#include "php_peer.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kPhotos = fs::path(ALBUMSMITH_TEST_DATA) / "browser";
constexpr std::string_view kJpegStart = "\xFF\xD8\xFF";
constexpr std::string_view kSecretComment = "VaultSecretComment";
constexpr std::string_view kHaltMark = "__halt_compiler();";

// The top folder is open; Vault is closed (with Vault/Inner under it),
// Family belongs to the group "family" of carol (Family/Kids inherits it),
// Bobs to bob alone, Meadow inherits the top folder's right.
const std::vector<std::string> kFolders = {"Meadow", "Vault", "Vault/Inner", "Family", "Family/Kids", "Bobs"};

enum class Visitor { kNobody, kCarol, kBob, kAdmin };

// Which folders each visitor may see, the top folder aside (open to all).
bool MaySee(Visitor v, const std::string& folder) {
  if (v == Visitor::kAdmin || folder == "Meadow") return true;
  if (folder.rfind("Family", 0) == 0) return v == Visitor::kCarol;
  if (folder == "Bobs") return v == Visitor::kBob;
  return false;  // Vault and what is below it
}

// Apache httpd with Debian's mod_php, on 127.0.0.1 with a configuration of
// its own (directory listings on, as many hosts have them). `ok()` is false
// with the reason in `why()` when it cannot be started here.
class ApacheServer {
 public:
  // `root` lies in the test's own folder `top`, which the children may then read.
  ApacheServer(const fs::path& top, const fs::path& root, const fs::path& work) {
    const std::string modules = "/usr/lib/apache2/modules/";
    std::string php;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(modules, ec))
      if (e.path().filename().string().rfind("libphp", 0) == 0) php = e.path().string();
    if (!fs::exists("/usr/sbin/apache2") || php.empty()) {
      why_ = "apache2 or libapache2-mod-php is not installed";
      return;
    }
    fs::create_directories(work / "sessions");
    // The children run as www-data: they read the site and keep sessions here.
    ::chmod(work.c_str(), 0755);
    ::chmod((work / "sessions").c_str(), 01777);
    for (fs::path p = root; p != top.parent_path() && p != p.parent_path(); p = p.parent_path())
      ::chmod(p.c_str(), 0755);
    for (const auto& e : fs::recursive_directory_iterator(root))
      ::chmod(e.path().c_str(), e.is_directory() ? 0755 : 0644);
    // httpd cannot bind port 0 and report it: it gets a free port, and
    // another one when it ends at once because something took that port first.
    for (int attempt = 0; attempt < 5; ++attempt) {
      port_ = FreePort();
      const std::string conf = (work / "httpd.conf").string();
      WriteText(conf, "ServerRoot \"" + work.string() +
                          "\"\n"
                          "DefaultRuntimeDir \"" +
                          work.string() +
                          "\"\n"
                          "PidFile \"" +
                          (work / "httpd.pid").string() +
                          "\"\n"
                          "ErrorLog \"" +
                          (work / "error.log").string() +
                          "\"\n"
                          "Listen 127.0.0.1:" +
                          std::to_string(port_) +
                          "\n"
                          "ServerName 127.0.0.1\n"
                          "LoadModule mpm_prefork_module " +
                          modules +
                          "mod_mpm_prefork.so\n"
                          "LoadModule authz_core_module " +
                          modules +
                          "mod_authz_core.so\n"
                          "LoadModule dir_module " +
                          modules +
                          "mod_dir.so\n"
                          "LoadModule mime_module " +
                          modules +
                          "mod_mime.so\n"
                          "LoadModule autoindex_module " +
                          modules +
                          "mod_autoindex.so\n"
                          "LoadModule php_module " +
                          php +
                          "\n"
                          "User www-data\nGroup www-data\n"
                          "StartServers 2\nMinSpareServers 1\nMaxSpareServers 4\n"
                          "TypesConfig /etc/mime.types\n"
                          "DocumentRoot \"" +
                          root.string() +
                          "\"\n"
                          "<Directory \"" +
                          root.string() +
                          "\">\n"
                          "  Options Indexes\n  AllowOverride None\n  Require all granted\n</Directory>\n"
                          "DirectoryIndex index.html index.php\n"
                          "<FilesMatch \"\\.php$\">\n  SetHandler application/x-httpd-php\n</FilesMatch>\n"
                          "php_admin_value session.save_path \"" +
                          (work / "sessions").string() +
                          "\"\n"
                          "php_admin_flag display_errors on\n");
      std::string error;
      // A group of its own: on its way out httpd signals its whole process group.
      pid_ = Spawn({"/usr/sbin/apache2", "-f", conf, "-DFOREGROUND"},
                   {.dir = work, .output = work / "apache.out", .ownGroup = true}, error);
      if (pid_ == 0) {
        why_ = error;
        return;
      }
      for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
          pid_ = 0;
          break;
        }
        if (HttpSession(port_).Get("/").status != 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (pid_ != 0) break;  // running but not answering: another port would not help
    }
    why_ = "apache2 did not answer: " + ReadText(work / "apache.out") + ReadText(work / "error.log");
    EndChild(pid_, true);
    pid_ = 0;
  }
  ~ApacheServer() { EndChild(pid_, true); }
  ApacheServer(const ApacheServer&) = delete;
  ApacheServer& operator=(const ApacheServer&) = delete;

  bool ok() const { return pid_ != 0; }
  const std::string& why() const { return why_; }
  int port() const { return port_; }

 private:
  int port_ = 0;
  pid_t pid_ = 0;
  std::string why_;
};

class GuardedSiteTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    MakeProfile("Holiday");
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"profile", "set", "Holiday", "PHP=1", "AccessSecurity=1", "AccessUser=admin",
                                   "AccessPassword=admin-pw"},
          {"group", "add", "friends"},
          {"group", "add", "family"},
          {"user", "add", "bob", "--password", "bob-pw"},
          {"user", "add", "carol", "--password", "carol-pw", "--groups", "friends,family"}}) {
      const CliResult result = Run(command);
      ASSERT_EQ(result.exitCode, 0) << command[0] << " " << command[1] << ": " << result.err;
    }
    fs::copy_file(kPhotos / "canon-ixus.jpg", Images() / "canon-ixus.jpg");
    for (const std::string& folder : kFolders) {
      fs::create_directories(Images() / folder);
      fs::copy_file(kPhotos / "sony-d700.jpg", Images() / folder / "sony-d700.jpg");
    }
    WriteText(Images() / "Vault" / "sony-d700.jpg.comment", std::string(kSecretComment));
    for (const std::vector<std::string>& rights : {std::vector<std::string>{"/", "--all"},
                                                   {"Vault", "--closed"},
                                                   {"Family", "--groups", "family"},
                                                   {"Bobs", "--users", "bob"}}) {
      std::vector<std::string> command = {"rights", "Holiday"};
      command.insert(command.end(), rights.begin(), rights.end());
      const CliResult result = Run(command);
      ASSERT_EQ(result.exitCode, 0) << rights[0] << ": " << result.err;
    }
    const CliResult site = Run({"site", "Holiday", "--out", Out().string()});
    ASSERT_EQ(site.exitCode, 0) << site.err;
  }

  fs::path Images() const { return profilesPath() / "Holiday" / "ImageTree"; }
  fs::path Out() const { return out_.path() / "site"; }

  // Folder path -> id, from the guarded listing.
  std::map<std::string, std::string> FolderIds() const {
    const std::string listing = ReadText(Out() / "albsite/js/dir.js.php");
    std::map<std::string, std::string> ids;
    for (const std::string& line : Split(listing.substr(listing.find(kHaltMark) + kHaltMark.size()), '\n')) {
      const std::vector<std::string> fields = Split(line, '\t');
      if (fields.size() == 4) ids[fields[3]] = fields[0];
    }
    return ids;
  }

  // The addresses of the published files of one folder (not of its subfolders).
  std::vector<std::string> FilesOf(const std::string& folder) const {
    std::vector<std::string> urls;
    for (const char* tree : {"s/", "m/"}) {
      for (const auto& e : fs::directory_iterator(Out() / "albsite" / tree / folder))
        if (e.is_regular_file() && e.path().filename() != "index.html")
          urls.push_back("/albsite/" + std::string(tree) + folder + "/" + e.path().filename().string());
    }
    return urls;
  }

  static void SignIn(HttpSession& http, const std::string& user, const std::string& password, int expectedStatus) {
    const HttpAnswer form = http.Get("/index.php");
    std::smatch token;
    ASSERT_TRUE(std::regex_search(form.body, token, std::regex("name=\"token\" value=\"([0-9a-f]+)\"")));
    const std::string before = http.cookies().count("albumsmith") ? http.cookies().at("albumsmith") : "";
    ASSERT_FALSE(before.empty()) << "the form comes with a session";
    const HttpAnswer answer =
        http.Post("/index.php?d=0", {{"user", user}, {"password", password}, {"token", token[1]}});
    ASSERT_EQ(answer.status, expectedStatus) << answer.body;
    if (expectedStatus == 303) {
      const std::string cookie = answer.Header("Set-Cookie");
      EXPECT_NE(cookie.find("HttpOnly"), std::string::npos) << cookie;
      EXPECT_NE(cookie.find("SameSite=Lax"), std::string::npos) << cookie;
      EXPECT_NE(http.cookies().at("albumsmith"), before) << "a new session id at sign-in";
    }
  }

  // Everything `v` may and may not get, folder by folder: the tree, the
  // folder's page and slide show, and every published file.
  void ExpectView(HttpSession& http, Visitor v) {
    const std::map<std::string, std::string> ids = FolderIds();
    const std::string top = http.Get("/index.php").body;
    for (const std::string& folder : kFolders) {
      SCOPED_TRACE(folder);
      const bool visible = MaySee(v, folder);
      const std::string name = folder.substr(folder.rfind('/') + 1);
      EXPECT_EQ(top.find('"' + name + '"') != std::string::npos, visible) << "the tree";
      for (const std::string& page : {"/index.php?d=" + ids.at(folder), "/index.php?s=1&d=" + ids.at(folder)}) {
        const HttpAnswer answer = http.Get(page);
        EXPECT_EQ(answer.status, visible ? 200 : 403) << page;
        if (!visible) ExpectNothingOf(folder, answer.body, page);
      }
      for (const std::string& url : FilesOf(folder)) {
        const HttpAnswer answer = http.Get(url);
        if (!visible) {
          EXPECT_EQ(answer.status, 403) << url;
          ExpectNothingOf(folder, answer.body, url);
          continue;
        }
        EXPECT_EQ(answer.status, 200) << url;
        const std::string local = ReadText(Out().string() + url);
        EXPECT_EQ(answer.body, local.substr(local.find(kHaltMark) + kHaltMark.size())) << url;
        if (url.find(".jpg.php") == url.size() - 8) {
          EXPECT_EQ(answer.Header("Content-Type"), "image/jpeg") << url;
        }
      }
    }
  }

  static void ExpectNothingOf(const std::string& folder, const std::string& body, const std::string& url) {
    EXPECT_EQ(body.find(kJpegStart), std::string::npos) << url;
    EXPECT_EQ(body.find(kSecretComment), std::string::npos) << url;
    EXPECT_EQ(body.find(folder.substr(folder.rfind('/') + 1)), std::string::npos) << url;
  }

  void ExpectTheWholeStory(int port) {
    {
      SCOPED_TRACE("nobody");
      HttpSession nobody(port);
      ExpectView(nobody, Visitor::kNobody);
      // Under their plain names the files do not exist, and the listing is for index.php alone.
      for (const std::string& url :
           {std::string("/albsite/m/Vault/sony-d700.jpg"), std::string("/albsite/js/dir.js.php"),
            std::string("/albsite/js/dir.js"), std::string("/albsite/s/Vault/sort.inf")}) {
        const HttpAnswer answer = nobody.Get(url);
        EXPECT_NE(answer.status, 200) << url;
        // A "not found" page may repeat the address it was asked for; nothing else.
        EXPECT_EQ(answer.body.find(kJpegStart), std::string::npos) << url;
        EXPECT_EQ(answer.body.find(kSecretComment), std::string::npos) << url;
        EXPECT_EQ(answer.body.find("Family"), std::string::npos) << url;
      }
    }
    {
      SCOPED_TRACE("wrong password");
      HttpSession guess(port);
      SignIn(guess, "carol", "not-her-password", 200);
      const HttpAnswer again = guess.Get("/index.php");
      EXPECT_EQ(again.body.find("Signed in"), std::string::npos);
      ExpectView(guess, Visitor::kNobody);
      SignIn(guess, "nobody-of-that-name", "x", 200);
      const std::string page = guess.Post("/index.php", {{"user", "carol"}, {"password", "carol-pw"}}).body;
      EXPECT_NE(page.find("Please try again"), std::string::npos) << "no token, no sign-in";
      ExpectView(guess, Visitor::kNobody);
    }
    for (const auto& [visitor, user, password] :
         {std::tuple{Visitor::kCarol, "carol", "carol-pw"}, std::tuple{Visitor::kBob, "bob", "bob-pw"},
          std::tuple{Visitor::kAdmin, "admin", "admin-pw"}}) {
      SCOPED_TRACE(user);
      HttpSession http(port);
      SignIn(http, user, password, 303);
      EXPECT_NE(http.Get("/index.php").body.find(std::string("Signed in as ") + user), std::string::npos);
      ExpectView(http, visitor);
      // Signing out ends it.
      EXPECT_EQ(http.Get("/index.php?logout=1").status, 303);
      ExpectView(http, Visitor::kNobody);
    }
  }

  TempDir out_;
};

TEST_F(GuardedSiteTest, PhpBuiltInServerGivesEachVisitorOnlyTheirFolders) {
  const PhpServer server(Out());
  ExpectTheWholeStory(server.port());
  const std::string log = server.log();
  EXPECT_EQ(log.find("Warning"), std::string::npos) << log;
  EXPECT_EQ(log.find("Fatal"), std::string::npos) << log;
}

TEST_F(GuardedSiteTest, ApacheWithModPhpGivesEachVisitorOnlyTheirFolders) {
  TempDir work;
  const ApacheServer server(out_.path(), Out(), work.path());
  if (!server.ok()) GTEST_SKIP() << "Apache httpd cannot run here: " << server.why();
  ExpectTheWholeStory(server.port());
  // A server that lists directories meets an empty page in each.
  HttpSession http(server.port());
  for (const char* dir : {"/albsite/s/", "/albsite/m/", "/albsite/s/Vault/", "/albsite/m/Vault/Inner/"}) {
    const HttpAnswer answer = http.Get(dir);
    EXPECT_EQ(answer.status, 200) << dir;
    ExpectNothingOf("Vault", answer.body, dir);
    EXPECT_EQ(answer.body.find(".php"), std::string::npos) << dir;
  }
  EXPECT_EQ(ReadText(work.path() / "error.log").find("PHP "), std::string::npos) << ReadText(work.path() / "error.log");
}

// The guarded files parse as PHP, and what follows the prologue is the local
// file byte for byte.
TEST_F(GuardedSiteTest, GuardedFilesCarryTheLocalBytesBehindAPrologue) {
  const fs::path profile = profilesPath() / "Holiday";
  for (const auto& [published, local] :
       {std::pair{"albsite/m/Vault/sony-d700.jpg.php", "albsite/m/Vault/sony-d700.jpg"},
        std::pair{"albsite/s/canon-ixus.jpg.php", "albsite/s/canon-ixus.jpg"},
        std::pair{"albsite/s/Family/Kids/sort.inf.php", "albsite/s/Family/Kids/sort.inf"}}) {
    SCOPED_TRACE(published);
    const std::string text = ReadText(Out() / published);
    ASSERT_EQ(text.rfind("<?php require dirname(__DIR__, ", 0), 0u);
    EXPECT_EQ(text.substr(text.find(kHaltMark) + kHaltMark.size()), ReadText(profile / local));
    EXPECT_EQ(PhpLintErrors(Out() / published), "");
  }
  EXPECT_FALSE(fs::exists(Out() / "albsite/m/Vault/sony-d700.jpg"));
  EXPECT_FALSE(fs::exists(profile / "albsite/m/Vault/sony-d700.jpg.php")) << "the local medium image stays plain";
}

}  // namespace
}  // namespace albumsmith::test
