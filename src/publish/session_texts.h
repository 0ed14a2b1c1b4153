#pragma once
// What the remote sessions (FtpSession, SftpSession) share: the texts of
// their failures and questions, how a failure is shown, and remote path
// helpers.

#include <string>
#include <string_view>

namespace albumsmith {

inline constexpr std::string_view kConnectError = "Error connecting host '%s'";
inline constexpr std::string_view kCreateDirError = "Error creating directory '%s'";
inline constexpr std::string_view kChangeDirError = "Error change to directory '%s'";
inline constexpr std::string_view kUploadFileError = "Error uploading file '%s' to '%s'";
inline constexpr std::string_view kOpenRemoteError = "Error opening remote file '%s'";
inline constexpr std::string_view kUploadBufferError = "Error uploading buffer to '%s'";
inline constexpr std::string_view kDeleteFileError = "Cannot delete remote file '%s'";
inline constexpr std::string_view kRenameError = "Cannot rename remote file '%s' to '%s'";
inline constexpr std::string_view kDeleteDirError = "Cannot delete remote directory '%s'";
inline constexpr std::string_view kCreateQuestion = "Create remote directory \"%s\"";
inline constexpr std::string_view kUnsafeEntries =
    "The remote directory '%s' holds entries whose names cannot be part of a path; they are left as they "
    "are:\r\n%s";
inline constexpr std::string_view kTooDeep = "It holds directories nested more than %i levels deep";
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
