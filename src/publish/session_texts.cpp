#include "session_texts.h"

#include <algorithm>

#include "curl_connection.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/strings.h"
#include "platform/text.h"

namespace albumsmith {

std::string Slashes(std::string_view path) {
  std::string p(path);
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

std::string JoinRemote(std::string_view dir, std::string_view name) {
  std::string path(dir);
  if (!EndsWith(path, "/")) path += '/';
  return path + std::string(name);
}

std::string AbsoluteRemote(std::string_view base, std::string_view path) {
  std::string absolute = StartsWith(path, "/") ? std::string(path) : JoinRemote(base, path);
  absolute.erase(std::unique(absolute.begin(), absolute.end(), [](char a, char b) { return a == '/' && b == '/'; }),
                 absolute.end());
  return absolute;
}

void ShowSessionFailure(const std::string& message, int code, const std::string& reply, bool stopped) {
  if (code == kCurlAbortedByCallback && stopped) return;
  const char* description = CurlErrorDescription(code);
  std::string text = message + "\r\n\r\n";
  if (!description) {
    text += FormatString(TextId::kUnknownError, {code});
  } else {
    text += Fmt("%i : %s", {code, description});
  }
  if (!reply.empty()) text += "\r\n\r\n" + reply;
  ShowMessageText({Icon::Exclamation, Buttons::Ok}, "%s", {text});
}

}  // namespace albumsmith
