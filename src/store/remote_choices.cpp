#include "store/remote_choices.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

#include "platform/messages.h"
#include "store/profiles.h"

namespace albumsmith {

std::string_view EffectiveProtocol(const ProfileSettings& settings) {
  for (std::string_view known : {kProtocolFtps, kProtocolSftp})
    if (settings.protocol == known) return known;
  return kProtocolFtp;
}

bool IsKnownProtocol(std::string_view protocol) {
  return protocol == kProtocolFtp || protocol == kProtocolFtps || protocol == kProtocolSftp;
}

void SetProfileProtocol(ProfileSettings& settings, std::string_view protocol) {
  if (EffectiveProtocol(settings) == protocol) return;
  settings.protocol = std::string(protocol);
  settings.fingerprint.clear();
}

bool UsesKeyFile(const ProfileSettings& settings) {
  return EffectiveProtocol(settings) == kProtocolSftp && !settings.keyFile.empty();
}

Status CheckKeyFile(const std::string& path) {
  if (path.empty()) return {};
  int error = 0;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      error = EISDIR;
    } else if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
      // Opening is not reading: a file the system lets us open may still refuse its bytes.
      char byte = 0;
      if (std::fread(&byte, 1, 1, file) != 1 && std::ferror(file)) error = errno ? errno : EIO;
      std::fclose(file);
    } else {
      error = errno;
    }
  } else {
    error = errno;
  }
  if (error == 0) return {};
  return ShowSystemFailure(error, TextId::kKeyFileUnreadable, {path});
}

Status CheckProfilePassword(const ProfileSettings& settings) {
  if (UsesKeyFile(settings)) return {};
  return CheckPassword(settings.password);
}

}  // namespace albumsmith
