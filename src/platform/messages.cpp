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
  (void)ShowSystemFailure(errorCode, stringId, args);
}

void ShowSystemErrorText(int errorCode, std::string_view format, std::initializer_list<FmtArg> args) {
  (void)ShowSystemFailureText(errorCode, format, args);
}

Status ShowFailure(MessageStyle style, TextId stringId, std::initializer_list<FmtArg> args) {
  std::string text = FormatString(stringId, args);
  Show(style, text);
  return Status::Failed(std::move(text));
}

Status ShowFailureText(MessageStyle style, std::string_view format, std::initializer_list<FmtArg> args) {
  std::string text = Fmt(format, args);
  Show(style, text);
  return Status::Failed(std::move(text));
}

Status ShowSystemFailure(int errorCode, TextId stringId, std::initializer_list<FmtArg> args) {
  std::string text = FormatString(stringId, args) + "\r\n\r\n" + SystemErrorText(errorCode);
  Show({Icon::Exclamation, Buttons::Ok}, text);
  return Status::SystemError(errorCode, std::move(text));
}

Status ShowSystemFailureText(int errorCode, std::string_view format, std::initializer_list<FmtArg> args) {
  std::string text = Fmt(format, args) + "\r\n\r\n" + SystemErrorText(errorCode);
  Show({Icon::Exclamation, Buttons::Ok}, text);
  return Status::SystemError(errorCode, std::move(text));
}

}  // namespace albumsmith
