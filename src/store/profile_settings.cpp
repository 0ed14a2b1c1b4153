#include "store/profile_settings.h"

#include <algorithm>
#include <cerrno>

#include "platform/app_settings.h"

#include "platform/ini_file.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "store/password.h"
#include "store/slide_show_choices.h"

namespace albumsmith {

namespace {
using PS = ProfileSettings;

constexpr int kStyleMax = 99;  // what the style page's spin buttons offer
constexpr int kColorMax = 0xFFFFFF;
constexpr int kLastTransition = static_cast<int>(kSlideTransitions.size()) - 1;
}  // namespace

bool ProfileSettings::operator==(const ProfileSettings& o) const {
  return name == o.name && subdir == o.subdir && serverName == o.serverName && login == o.login &&
         password == o.password && remoteDir == o.remoteDir && accessUser == o.accessUser &&
         accessPassword == o.accessPassword && background == o.background && dateFont == o.dateFont &&
         commentFont == o.commentFont && rootFileName == o.rootFileName && footerFileName == o.footerFileName &&
         templateName == o.templateName && accessSecurity == o.accessSecurity && passive == o.passive && php == o.php &&
         slideBoard == o.slideBoard && slideRepeat == o.slideRepeat && slideFader == o.slideFader &&
         imageBorder == o.imageBorder && imageShadow == o.imageShadow && rootMode == o.rootMode &&
         slideDelay == o.slideDelay && slideTrans == o.slideTrans && dateFontSize == o.dateFontSize &&
         commentFontSize == o.commentFontSize && borderWidth == o.borderWidth && shadowWidth == o.shadowWidth &&
         maxThumbSize == o.maxThumbSize && thumbsPerLine == o.thumbsPerLine && dateColor == o.dateColor &&
         commentColor == o.commentColor && borderColor == o.borderColor && shadowColor == o.shadowColor &&
         preserve == o.preserve && protocol == o.protocol && fingerprint == o.fingerprint && keyFile == o.keyFile &&
         connections == o.connections;
}

const std::vector<ProfileKey>& ProfileKeys() {
  static const std::vector<ProfileKey> keys = {
      {"Main", "ShortRootFilename", &PS::rootFileName, 0},
      {"Main", "ShortFooterFilename", &PS::footerFileName, 0},
      {"Main", "TemplateName", &PS::templateName, 0},
      {"Remote", "ServerName", &PS::serverName, 0},
      {"Remote", "RemoteDir", &PS::remoteDir, 0},
      {"Remote", "Login", &PS::login, 0},
      {"Remote", "Password", &PS::storedPassword, 0},
      {"Remote", "Preserve", &PS::preserve, 0},
      {"Remote", "PHP", &PS::php, 0, 0, 1},
      {"Remote", "Passive", &PS::passive, 1, 0, 1},
      {"Remote", "Protocol", &PS::protocol, 0},
      {"Remote", "Fingerprint", &PS::fingerprint, 0},
      {"Remote", "KeyFile", &PS::keyFile, 0},
      {"Remote", "Connections", &PS::connections, 4, 1, 8},
      {"Settings", "Background", &PS::background, 0},
      {"Settings", "SlideBoard", &PS::slideBoard, 1, 0, 1},
      {"Settings", "SlideRepeat", &PS::slideRepeat, 1, 0, 1},
      {"Settings", "SlideFader", &PS::slideFader, 1, 0, 1},
      {"Settings", "SlideDelay", &PS::slideDelay, 5, kSlideDelays.front(), kSlideDelays.back()},
      {"Settings", "SlideTrans", &PS::slideTrans, 0, 0, kLastTransition},
      {"Settings", "RootMode", &PS::rootMode, 0, 0, 2},
      {"Settings", "ImageShadow", &PS::imageShadow, 0, 0, 1},
      {"Settings", "ImageBorder", &PS::imageBorder, 0, 0, 1},
      {"Settings", "CommentFont", &PS::commentFont, 0},
      {"Settings", "DateFont", &PS::dateFont, 0},
      {"Settings", "DateFontSize", &PS::dateFontSize, 10, 0, kStyleMax},
      {"Settings", "CommentFontSize", &PS::commentFontSize, 20, 0, kStyleMax},
      {"Settings", "BorderWidth", &PS::borderWidth, 0, 0, kStyleMax},
      {"Settings", "ShadowWidth", &PS::shadowWidth, 4, 0, kStyleMax},
      {"Settings", "MaxThumbSize", &PS::maxThumbSize, 100, 1, 400},
      {"Settings", "ThumbsPerLine", &PS::thumbsPerLine, 6, 1, 9},
      {"Settings", "DateColor", &PS::dateColor, 0, 0, kColorMax},
      {"Settings", "CommentColor", &PS::commentColor, 0, 0, kColorMax},
      {"Settings", "BorderColor", &PS::borderColor, 0, 0, kColorMax},
      {"Settings", "ShadowColor", &PS::shadowColor, 0, 0, kColorMax},
      {"Security", "AccessSecurity", &PS::accessSecurity, -1, -1, 1},
      {"Security", "AccessUser", &PS::accessUser, 0},
      {"Security", "AccessPassword", &PS::accessPassword, 0},
  };
  return keys;
}

const ProfileKey* FindProfileKey(std::string_view key) {
  for (const ProfileKey& k : ProfileKeys())
    if (EqualsNoCase(k.key, key)) return &k;
  return nullptr;
}

std::string ProfileKeyText(const ProfileSettings& s, const ProfileKey& key) {
  if (auto str = std::get_if<std::string PS::*>(&key.field)) return s.**str;
  if (auto num = std::get_if<int PS::*>(&key.field)) return std::to_string(s.**num);
  return (s.*std::get<PreserveList PS::*>(key.field)).str();
}

void SetProfileKeyText(ProfileSettings& s, const ProfileKey& key, std::string_view text) {
  if (auto str = std::get_if<std::string PS::*>(&key.field)) {
    s.** str = std::string(text);
    if (*str == &PS::templateName && text.empty()) s.templateName = std::string(kDefaultTemplate);
  } else if (auto num = std::get_if<int PS::*>(&key.field)) {
    s.** num = ParseIniInt(text, key.missingInt);
  } else {
    (s.*std::get<PreserveList PS::*>(key.field)).Set(text);
  }
}

void ApplyProfileRules(ProfileSettings& s) {
  for (const ProfileKey& key : ProfileKeys()) {
    if (auto num = std::get_if<int PS::*>(&key.field)) s.** num = std::clamp(s.**num, key.minInt, key.maxInt);
  }
  if (s.php == 0) s.accessSecurity = 0;
}

std::string ProfileIniPath(const std::string& profilesDir, const ProfileSettings& settings) {
  return profilesDir + settings.subdir + "Profile.ini";
}

ProfileSettings ReadProfile(const std::string& profilesDir, const std::string& name) {
  ProfileSettings s;
  s.name = name;
  s.subdir = name + "/";
  const IniDocument doc = IniFile(ProfileIniPath(profilesDir, s)).Load();
  for (const ProfileKey& key : ProfileKeys()) {
    const auto value = doc.Get(key.section, key.key);
    if (value) {
      SetProfileKeyText(s, key, *value);
    } else if (auto num = std::get_if<int PS::*>(&key.field)) {
      s.** num = key.missingInt;
    } else {
      SetProfileKeyText(s, key, kMissingKey);
    }
  }
  s.password = PasswordUnscramble(s.storedPassword).value_or("");
  ApplyProfileRules(s);
  return s;
}

Status WriteProfile(const std::string& profilesDir, ProfileSettings& settings, const std::string& keepFrom) {
  // A password absent from the file reads as empty; unless one is entered
  // it stays absent like the other keys.
  if (settings.storedPassword != kMissingKey || !settings.password.empty())
    settings.storedPassword = PasswordScramble(settings.password);
  IniFile file(ProfileIniPath(profilesDir, settings), 0600);
  IniDocument doc = keepFrom.empty() ? file.Load() : IniFile(keepFrom).Load();
  for (const ProfileKey& key : ProfileKeys()) {
    const std::string text = ProfileKeyText(settings, key);
    // A key that was absent when read and has not been given a value stays
    // absent: the marker is no text to store.
    if (text == kMissingKey) continue;
    if (!doc.Set(key.section, key.key, text)) return Status::SystemError(EINVAL);
  }
  return file.Save(doc);
}

bool WriteProfileReported(const std::string& profilesDir, ProfileSettings& settings, const std::string& keepFrom) {
  const Status written = WriteProfile(profilesDir, settings, keepFrom);
  if (written) return true;
  ShowSystemError(written.systemError(), TextId::kCannotWriteNamed, {ProfileIniPath(profilesDir, settings)});
  return false;
}

ProfileSettings ReadLegacyProfile(const AppSettings& app, const std::string& name) {
  const std::string section = "Profiles\\" + name;
  auto str = [&](const char* key) { return app.GetString(section, key, ""); };
  auto num = [&](const char* key, int def) { return app.GetInt(section, key, def); };
  ProfileSettings s;
  s.legacyImageDir = str("BaseDir");
  s.rootFileName = str("ShortRootFilename");
  s.footerFileName = str("ShortFooterFilename");
  s.serverName = str("ServerName");
  s.login = str("Login");
  s.storedPassword = str("Password");
  s.remoteDir = str("RemoteDir");
  s.accessUser = str("AccessUser");
  s.accessPassword = str("AccessPassword");
  s.background = str("Background");
  s.templateName = str("TemplateName");
  if (s.templateName.empty()) s.templateName = std::string(kDefaultTemplate);
  s.php = num("PHP", 1);
  s.passive = num("Passive", 1);
  s.accessSecurity = num("AccessSecurity", 0);
  s.slideBoard = num("SlideBoard", 1);
  s.slideRepeat = num("SlideRepeat", 1);
  s.slideFader = num("SlideFader", 1);
  s.slideDelay = num("SlideDelay", 5);
  s.slideTrans = num("SlideTrans", 0);
  s.rootMode = num("RootMode", 0);
  s.imageShadow = num("ImageShadow", 1);
  s.imageBorder = num("ImageBorder", 0);
  s.dateFontSize = num("DateFontSize", 10);
  s.commentFontSize = num("CommentFontSize", 20);
  s.borderWidth = num("BorderWidth", 0);
  s.shadowWidth = num("ShadowWidth", 4);
  s.maxThumbSize = num("MaxThumbSize", 100);
  s.thumbsPerLine = num("ThumbsPerLine", 6);
  s.dateColor = num("DateColor", 0);
  s.commentColor = num("CommentColor", 0);
  s.borderColor = num("BorderColor", 0);
  s.shadowColor = num("ShadowColor", 0);
  s.commentFont = str("CommentFont");
  s.dateFont = str("DateFont");
  s.preserve.Set(str("Preserve"));
  s.name = name;
  s.subdir = name + "/";
  s.password = PasswordUnscramble(s.storedPassword).value_or("");
  ApplyProfileRules(s);
  return s;
}

}  // namespace albumsmith
