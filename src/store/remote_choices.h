#pragma once
// The choices of how a profile reaches its server: the protocol, the SFTP
// key file and the password that goes with them. Shared by the profile
// dialogs and the command line, so that both keep the same rules.

#include <string>
#include <string_view>

#include "platform/status.h"
#include "store/profile_settings.h"

namespace albumsmith {

// The protocol keys as Profile.ini stores them.
inline constexpr std::string_view kProtocolFtp = "ftp";
inline constexpr std::string_view kProtocolFtps = "ftps";
inline constexpr std::string_view kProtocolSftp = "sftp";

// The profile's protocol as one of the keys above: an empty or unknown
// stored value is plain FTP.
std::string_view EffectiveProtocol(const ProfileSettings& settings);
bool IsKnownProtocol(std::string_view protocol);

// Chooses the protocol. A pinned fingerprint belongs to the protocol it was
// trusted for (a TLS certificate is not an SSH host key), so it goes when
// the protocol changes; choosing the protocol the profile already uses
// changes nothing, not even an empty stored value standing for "ftp".
void SetProfileProtocol(ProfileSettings& settings, std::string_view protocol);

// Whether the profile logs in with a private key: SFTP with a key file. The
// password is then the key's passphrase.
bool UsesKeyFile(const ProfileSettings& settings);

// A key file must be there and readable when the profile uses one; an empty
// name stands for none. Shows why not, with the system's reason.
Status CheckKeyFile(const std::string& path);

// The password the profile needs: a key may be without a passphrase, a
// password login may not be without a password (kEnterPassword).
Status CheckProfilePassword(const ProfileSettings& settings);

}  // namespace albumsmith
