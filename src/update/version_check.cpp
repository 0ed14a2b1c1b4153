#include "update/version_check.h"

#include <curl/curl.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/app_settings.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

namespace {

// The answer is a few short lines; anything longer is not ours.
constexpr size_t kMaxAnswer = size_t{64} * 1024;

struct Transfer {
  std::string answer;
  const std::atomic<bool>* stop = nullptr;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  if (transfer->answer.size() + bytes > kMaxAnswer) return 0;  // ends the transfer
  transfer->answer.append(data, bytes);
  return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* transfer = static_cast<const Transfer*>(user);
  return transfer->stop && transfer->stop->load() ? 1 : 0;
}

std::string TrimRight(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

std::string TrimLeft(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  return std::string(s);
}

bool ValidHost(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')) return false;
  return true;
}

}  // namespace

int PackRelease(const Release& r) { return r.major * 65536 + r.minor * 256 + r.patch; }

std::optional<HttpEndpoint> SplitHttpUrl(const std::string& url) {
  HttpEndpoint e;
  std::string_view rest = url;
  if (rest.starts_with("http://")) {
    e.scheme = "http";
    e.port = 80;
  } else if (rest.starts_with("https://")) {
    e.scheme = "https";
    e.port = 443;
  } else {
    return std::nullopt;
  }
  rest.remove_prefix(e.scheme.size() + 3);
  const size_t slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  e.object = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
  for (char c : e.object)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) return std::nullopt;
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  if (const size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    int value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
      return std::nullopt;
    e.port = value;
    authority = authority.substr(0, colon);
  }
  if (!ValidHost(authority)) return std::nullopt;
  e.host = std::string(authority);
  return e;
}

std::vector<Release> AnnouncedReleases(const std::string& answer) {
  std::vector<Release> releases;
  size_t start = 0;
  while (start < answer.size()) {
    size_t end = answer.find('\n', start);
    if (end == std::string::npos) end = answer.size();
    const std::string line = TrimRight(answer.substr(start, end - start));
    start = end + 1;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (TrimRight(line.substr(0, equals)) != "albumsmith") continue;
    releases.push_back(ParseRelease(TrimLeft(line.substr(equals + 1))));
  }
  return releases;
}

std::string VersionCheckUrl(const AppSettings& settings) {
  return settings.GetString("Settings", "VersionCheckUrl", DownloadPageUrl() + "version.php");
}

std::string DownloadPageUrl() { return StringTable::Builtin(TextId::kWebSiteAddress); }

std::vector<Release> CheckForNewerReleases(const HttpEndpoint& endpoint, const Release& running,
                                           const VersionCheckOptions& options, const std::atomic<bool>* stop) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!initialised) return {};
  CURL* curl = curl_easy_init();
  if (!curl) return {};

  const std::string url =
      endpoint.scheme + "://" + endpoint.host + ":" + std::to_string(endpoint.port) + endpoint.object;
  char body[64];
  std::snprintf(body, sizeof body, "version=%d.%d.%d", running.major, running.minor, running.patch);
  Transfer transfer;
  transfer.stop = stop;

  // The three headers in this order, and nothing of the library's own that
  // would come between them.
  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "User-Agent: Albumsmith");
  headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "Accept: text/*");
  headers = curl_slist_append(headers, "Expect:");

  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(std::strlen(body)));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options.totalTimeoutMs));
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

  const CURLcode code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  if (code != CURLE_OK || status != 200) return {};

  std::vector<Release> newer;
  for (const Release& announced : AnnouncedReleases(transfer.answer))
    if (PackRelease(announced) > PackRelease(running)) newer.push_back(announced);
  return newer;
}

CCheckVers::~CCheckVers() {
  stop_ = true;
  Wait();
}

void CCheckVers::StartVersionCheck(const std::string& url, const Release& running, Announce onNewer,
                                   VersionCheckOptions options) {
  if (started_) return;
  started_ = true;
  const auto endpoint = SplitHttpUrl(url);
  if (!endpoint) {
    ShowMessage({Icon::Exclamation}, TextId::kUrlError, {url});
    return;
  }
  thread_ = std::thread([this, endpoint = *endpoint, running, onNewer = std::move(onNewer), options] {
    for (const Release& announced : CheckForNewerReleases(endpoint, running, options, &stop_))
      if (!stop_ && onNewer) onNewer(running, announced);
  });
}

void CCheckVers::Wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace albumsmith
