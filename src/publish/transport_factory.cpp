#include "transport_factory.h"

#include "ftp_session.h"
#include "platform/text.h"
#include "sftp_session.h"
#include "store/profile_settings.h"

namespace albumsmith {

std::unique_ptr<RemoteTransport> MakeTransport(const ProfileSettings& profile) {
  std::unique_ptr<RemoteTransport> transport;
  if (EqualsNoCase(profile.protocol, "sftp")) {
    transport = std::make_unique<SftpSession>();
  } else {
    transport = std::make_unique<FtpSession>();
  }
  transport->SetProfile(profile);
  return transport;
}

}  // namespace albumsmith
