#include "messages.h"

#include <cstring>

#include "strings.h"
#include "text.h"

namespace albumsmith {

namespace {

Reply Show(MessageStyle style, std::string text) {
  Message m;
  m.icon = style.icon;
  m.buttons = style.buttons;
  m.text = std::move(text);
  m.offerDontAsk = style.offerDontAsk;
  m.yesToAll = style.yesToAll;
  m.skipAll = style.skipAll;
  return Prompter::Current().Ask(m);
}

}  // namespace

Reply ShowMessage(MessageStyle style, TextId stringId, std::initializer_list<FmtArg> args) {
  return Show(style, FormatString(stringId, args));
}

Reply ShowMessageText(MessageStyle style, std::string_view format, std::initializer_list<FmtArg> args) {
  return Show(style, Fmt(format, args));
}

std::string SystemErrorText(int errorCode) {
  char buffer[256];
  // The GNU strerror_r returns the text (possibly a static one).
  const char* description = strerror_r(errorCode, buffer, sizeof buffer);
  if (!description || !*description || StartsWith(description, "Unknown error"))
    return FormatString(TextId::kUnknownError, {errorCode});
  return Fmt("%i : %s", {errorCode, description});
}

void ShowSystemError(int errorCode, TextId stringId, std::initializer_list<FmtArg> args) {
  Show({Icon::Exclamation, Buttons::Ok}, FormatString(stringId, args) + "\r\n\r\n" + SystemErrorText(errorCode));
}

void ShowSystemErrorText(int errorCode, std::string_view format, std::initializer_list<FmtArg> args) {
  Show({Icon::Exclamation, Buttons::Ok}, Fmt(format, args) + "\r\n\r\n" + SystemErrorText(errorCode));
}

}  // namespace albumsmith
