#pragma once
// The one place that chooses the session for a profile's protocol.

#include <memory>

#include "remote_transport.h"

namespace albumsmith {

struct ProfileSettings;

// An SftpSession for "sftp", an FtpSession otherwise (FTP, or FTPS for
// "ftps"; it refuses an unknown protocol when it connects). The session is
// given the profile.
std::unique_ptr<RemoteTransport> MakeTransport(const ProfileSettings& profile);

}  // namespace albumsmith
