#pragma once
// What the remote sessions (FtpSession, SftpSession) share: the texts of
// their failures and questions, how a failure is shown, and remote path
// helpers.

#include <string>
#include <string_view>

#include "platform/text_id.h"

namespace albumsmith {

inline constexpr TextId kConnectError = TextId::kConnectError;
inline constexpr TextId kCreateDirError = TextId::kCreateDirError;
inline constexpr TextId kChangeDirError = TextId::kChangeDirError;
inline constexpr TextId kUploadFileError = TextId::kUploadFileError;
inline constexpr TextId kOpenRemoteError = TextId::kOpenRemoteError;
inline constexpr TextId kUploadBufferError = TextId::kUploadBufferError;
inline constexpr TextId kDeleteFileError = TextId::kDeleteFileError;
inline constexpr TextId kRenameError = TextId::kRenameError;
inline constexpr TextId kDeleteDirError = TextId::kDeleteDirError;
inline constexpr TextId kCreateQuestion = TextId::kCreateRemoteDirQuestion;
inline constexpr TextId kUnsafeEntries = TextId::kUnsafeEntries;
inline constexpr TextId kTooDeep = TextId::kTooDeep;
// Far deeper than any album; a server that shows a directory inside itself
// (through a link, or a name it reads as a path) would otherwise be
// followed until the stack runs out.
inline constexpr int kMaxRemoveDepth = 256;

// A "\" in a remote path is taken as "/".
std::string Slashes(std::string_view path);
// "a/b" + "c" and "a/b/" + "c" both give "a/b/c".
std::string JoinRemote(std::string_view dir, std::string_view name);
// `base` + `path`, unless `path` begins with "/"; "//" made "/".
std::string AbsoluteRemote(std::string_view base, std::string_view path);

// Shows `message`, then "%i : %s" with the library's code and text, then the
// server's reply, if any. A stop the user asked for (kCurlAbortedByCallback
// while `stopped`) is not shown: the caller ends the run.
void ShowSessionFailure(const std::string& message, int code, const std::string& reply, bool stopped);

}  // namespace albumsmith
