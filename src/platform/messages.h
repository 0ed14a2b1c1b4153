#pragma once
// The shared message helpers: a text from the string table (or a fixed
// format), formatted printf-style and shown through the current Prompter with
// the title "Albumsmith". System errors append "\r\n\r\n" and "%i : %s" with
// the error number and its description.

#include <initializer_list>
#include <string>
#include <string_view>

#include "format.h"
#include "prompter.h"
#include "status.h"
#include "text_id.h"

namespace albumsmith {

struct MessageStyle {
  Icon icon = Icon::None;
  Buttons buttons = Buttons::Ok;
  bool offerDontAsk = false;
  bool yesToAll = false;
  bool skipAll = false;
};

Reply ShowMessage(MessageStyle style, TextId stringId, std::initializer_list<FmtArg> args = {});
Reply ShowMessageText(MessageStyle style, std::string_view format, std::initializer_list<FmtArg> args = {});

// "%i : %s" with the error number and the system's description, or
// "%i : Unknown error" when the system has none.
std::string SystemErrorText(int errorCode);

// Shown with the exclamation icon and an OK button.
void ShowSystemError(int errorCode, TextId stringId, std::initializer_list<FmtArg> args = {});
void ShowSystemErrorText(int errorCode, std::string_view format, std::initializer_list<FmtArg> args = {});

// The same messages, returning the failure they report: the text as shown,
// and for the system ones the error number.
Status ShowFailure(MessageStyle style, TextId stringId, std::initializer_list<FmtArg> args = {});
Status ShowFailureText(MessageStyle style, std::string_view format, std::initializer_list<FmtArg> args = {});
Status ShowSystemFailure(int errorCode, TextId stringId, std::initializer_list<FmtArg> args = {});
Status ShowSystemFailureText(int errorCode, std::string_view format, std::initializer_list<FmtArg> args = {});

}  // namespace albumsmith
