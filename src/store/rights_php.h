#pragma once
// rights.php: what the PHP pages of a protected album read to decide, on the
// server, who may see which folder: the site administrator, every visitor
// with their id, groups and password hash, and the rights of each folder.

#include <string>
#include <string_view>

namespace albumsmith {

class AppSettings;
class FolderRights;
class UsersStore;
struct ProfileSettings;

// A SHA-512-crypt hash ("$6$" + random salt) of the whole password, which
// PHP's password_verify() and crypt() check. An empty password gives an
// empty hash, which matches no typed password; so does "!" when the system
// cannot make a hash.
std::string HashPassword(std::string_view password);

// The text of rights.php; "" when the profile's access security is off.
// Users not yet saved (no id) and records marked deleted are left out.
std::string BuildRightsPhp(const ProfileSettings& settings, const UsersStore& users, const FolderRights& rights);
// The same from what is stored: users and groups from the application
// settings, rights.dat from the profile's folder (`profilesDir` ends with "/").
std::string BuildRightsPhp(const ProfileSettings& settings, const AppSettings& app, const std::string& profilesDir);

// PHP string literals holding any text as itself.
std::string PhpSingleQuoted(std::string_view text);  // inside '…'
std::string PhpDoubleQuoted(std::string_view text);  // inside "…"

}  // namespace albumsmith
