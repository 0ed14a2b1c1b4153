#include "store/rights_php.h"

#include <crypt.h>

#include <cstring>
#include <memory>

#include "platform/app_settings.h"
#include "store/folder_rights.h"
#include "store/profile_settings.h"
#include "store/profiles.h"
#include "store/users_store.h"

namespace albumsmith {

std::string HashPassword(std::string_view password) {
  if (password.empty()) return "";
  // crypt(3) reads a C string: a password cut at a NUL byte would be checked
  // by its first part only, so such a password gets no usable hash.
  if (password.find('\0') != std::string_view::npos) return "!";
  char salt[CRYPT_GENSALT_OUTPUT_SIZE];
  // No random bytes given: libxcrypt takes them from the system.
  if (!crypt_gensalt_rn("$6$", 0, nullptr, 0, salt, sizeof salt)) return "!";
  auto data = std::make_unique<crypt_data>();
  const std::string key(password);
  const char* hash = crypt_r(key.c_str(), salt, data.get());
  // A failed crypt_r answers NULL or a string starting with "*".
  if (!hash || hash[0] != '$') return "!";
  return hash;
}

std::string PhpSingleQuoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out;
}

std::string PhpDoubleQuoted(std::string_view text) {
  // "$" must not start a variable: a "$6$salt$…" hash would lose "$salt".
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"' || c == '$') out += '\\';
    out += c;
  }
  return out;
}

namespace {

// "\Trips\Bob's\" → "Trips/Bob\'s"; the root → ".".
std::string PhpKey(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  if (key.empty()) return ".";
  std::string path(key);
  for (char& c : path)
    if (c == '\\') c = '/';
  return PhpSingleQuoted(path);
}

}  // namespace

std::string BuildRightsPhp(const ProfileSettings& settings, const UsersStore& users, const FolderRights& rights) {
  if (!settings.accessSecurity || !settings.php) return "";
  std::string text = "<?PHP\n";
  text += "$adm_user=\"" + PhpDoubleQuoted(settings.accessUser) + "\";\n";
  text += "$adm_pass=\"" + PhpDoubleQuoted(HashPassword(settings.accessPassword)) + "\";\n";
  for (const UserRecord& u : users.users()) {
    if (u.deleted || u.id <= 0) continue;
    const std::string name = PhpSingleQuoted(u.name);
    text += "$user['" + name + "'] = \"" + std::to_string(u.id) + "\";\n";
    text += "$grps['" + name + "'] = \"" + PhpDoubleQuoted(JoinMembership(ParseMembership(u.groups))) + "\";\n";
    text += "$pass['" + name + "'] = \"" + PhpDoubleQuoted(HashPassword(u.password)) + "\";\n";
  }
  for (const RightsEntry& e : rights.entries()) {
    if (e.rights.empty()) continue;
    text += "$rights['" + PhpKey(e.key) + "'] = '" + PhpSingleQuoted(e.rights) + "';\n";
  }
  text += "?>\n";
  return text;
}

std::string BuildRightsPhp(const ProfileSettings& settings, const AppSettings& app, const std::string& profilesDir) {
  if (!settings.accessSecurity || !settings.php) return "";
  UsersStore users;
  users.Load(app);
  FolderRights rights;
  rights.Load(ProfileDirectory(profilesDir, settings));
  return BuildRightsPhp(settings, users, rights);
}

}  // namespace albumsmith
