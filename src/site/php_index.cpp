#include "site/php_index.h"

#include "platform/format.h"
#include "site/folder_properties.h"
#include "site/page_generator.h"
#include "site/site_text.h"
#include "site/style_block.h"
#include "site/template.h"
#include "site/variables.h"

namespace albumsmith {

namespace {

// Included HTML for a single-quoted PHP string.
std::string IncludedHtmlLiteral(const std::string& profileDir, const std::string& fileName) {
  const std::string name = SettingText(fileName);
  if (name.empty()) return {};
  return EscapePhpSingleQuoted(ReadIncludedHtml(profileDir + name));
}

std::string Global(std::string_view name, const std::string& value) {
  return "$" + std::string(name) + " = '" + EscapePhpSingleQuoted(value) + "';\n";
}

}  // namespace

PhpIndex BuildPhpIndex(const ProfileSettings& s, const std::string& profileDir, const std::string& templateDir) {
  PhpIndex index;
  std::string& text = index.text;
  text = "<?PHP\n";
  text += Global("profile", s.name);
  text += Global("base", SettingText(s.remoteDir));
  text += Global("version", ProgramVersionText());
  text += Global("borderStyle", BorderStyle(s));
  text += Fmt("$thumb_size = %d;\n", {s.maxThumbSize});
  text += Fmt("$thumb_per_line = %d;\n", {s.thumbsPerLine});
  text += Fmt("$root_mode = %d;\n", {s.rootMode});
  text += s.accessSecurity != 0 ? "$bPass = true;\n" : "$bPass = false;\n";
  switch (s.rootMode) {
    case 0: text += "$root_url = '';\n"; break;
    case 1: text += "$root_url = '" + IncludedHtmlLiteral(profileDir, s.rootFileName) + "';\n"; break;
    case 2: text += Global("root_url", SettingText(s.rootFileName)); break;  // an address in this mode
    default: break;
  }
  text += "$menu_footer = '" + IncludedHtmlLiteral(profileDir, s.footerFileName) + "';\n";

  const std::optional<std::string> library = ReadTemplateText(templateDir + std::string(kPhpFunctions));
  if (!library) return index;
  text += *library + "?>";
  const std::optional<std::string> indexSkeleton = ReadTemplateText(templateDir + std::string(kIndexSkeleton));
  if (!indexSkeleton) return index;
  text += "<?PHP function displayIndex() { ?>" + *indexSkeleton + "<?PHP } ?>";
  const std::optional<std::string> slideSkeleton = ReadTemplateText(templateDir + std::string(kSlideSkeleton));
  if (!slideSkeleton) return index;
  text += "<?PHP function displaySlide() { ?>" + *slideSkeleton + "<?PHP } ?>";

  // Folder overrides are not known here: the library reads each folder's var.inf.
  for (const Variable& v : ReadVariables(ProfileIniFile(profileDir))) {
    // The name is a PHP string too: a bare word is an undefined constant,
    // which PHP 8 refuses.
    ReplaceCounting(text, VariableToken(v.name),
                    "<?PHP getVar('" + EscapePhpSingleQuoted(v.name) + "',\"" + EscapePhpDoubleQuoted(v.value) +
                        "\"); ?>");
  }
  ReplaceTokens(text, PhpTokenValues(s));
  text += "<?PHP displayPage(); ?>";
  index.ok = true;
  return index;
}

}  // namespace albumsmith
