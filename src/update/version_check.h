#pragma once
// Asking the product's web server whether a newer release exists. The
// request is one HTTP POST of the running release; the answer is key=value
// lines, the line "albumsmith = X.Y.Z" naming the newest release. Every
// failure is silent: a check that cannot be made simply finds nothing.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"

namespace albumsmith {

class AppSettings;

// major × 65536 + minor × 256 + patch: the form releases are compared in.
int PackRelease(const Release& release);

// The endpoint split into its parts; nullopt when `url` is not an http:// or
// https:// address with a host (and, when given, a port from 1 to 65535).
struct HttpEndpoint {
  std::string scheme;
  std::string host;
  int port = 0;        // the scheme's own when the address gives none
  std::string object;  // the path, "/" at least
};
std::optional<HttpEndpoint> SplitHttpUrl(const std::string& url);

// The releases announced by the lines whose key is exactly "albumsmith", in
// the order they come.
std::vector<Release> AnnouncedReleases(const std::string& answer);

// "Settings"/"VersionCheckUrl", default: the product's web site + "version.php".
std::string VersionCheckUrl(const AppSettings& settings);
// The page a new release is downloaded from: the product's web site.
std::string DownloadPageUrl();

struct VersionCheckOptions {
  int connectTimeoutMs = 3000;
  int totalTimeoutMs = 10000;
};

// One check, made on the calling thread: the POST of the running release,
// then the announced releases higher than it. Empty after any failure (no
// connection, a status other than 200, a time-out, `stop` set).
std::vector<Release> CheckForNewerReleases(const HttpEndpoint& endpoint, const Release& running,
                                           const VersionCheckOptions& options = {},
                                           const std::atomic<bool>* stop = nullptr);

// The check thread: started at most once per run, whatever the number of
// StartVersionCheck calls. `onNewer` is called on the check's thread once
// per announced release higher than the running one; the front end moves it
// to its own thread. The destructor stops a check still running and waits
// for it (a fraction of a second: the transfer polls the stop flag).
class CCheckVers {
 public:
  using Announce = std::function<void(const Release& running, const Release& announced)>;
  CCheckVers() = default;
  ~CCheckVers();
  CCheckVers(const CCheckVers&) = delete;
  CCheckVers& operator=(const CCheckVers&) = delete;

  // Starts the check unless one has started in this run. A malformed URL
  // starts nothing (and says nothing: the check is silent).
  void StartVersionCheck(const std::string& url, const Release& running, Announce onNewer,
                         VersionCheckOptions options = {});
  bool started() const { return started_; }
  // Waits for a started check to end (tests, and the command line).
  void Wait();

 private:
  bool started_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace albumsmith
