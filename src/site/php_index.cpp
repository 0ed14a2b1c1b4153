#include "site/php_index.h"

#include <algorithm>
#include <vector>

#include "platform/format.h"
#include "site/folder_properties.h"
#include "site/page_generator.h"
#include "site/site_text.h"
#include "site/style_block.h"
#include "site/template.h"
#include "site/variables.h"

namespace albumsmith {

namespace {

// index.php while its tokens are replaced: text from the template and the
// user, still to be searched, and PHP the replacements brought. The latter
// is never searched again: a replacement landing inside a PHP string written
// by an earlier one could end that string and turn text into code.
struct Piece {
  std::string text;
  bool generated = false;
};
using Pieces = std::vector<Piece>;

void Replace(Pieces& pieces, std::string_view token, const std::string& code) {
  Pieces out;
  for (Piece& piece : pieces) {
    if (piece.generated) {
      out.push_back(std::move(piece));
      continue;
    }
    size_t start = 0;
    for (size_t at = piece.text.find(token); at != std::string::npos; at = piece.text.find(token, start)) {
      out.push_back({piece.text.substr(start, at - start)});
      out.push_back({code, true});
      start = at + token.size();
    }
    out.push_back({piece.text.substr(start)});
  }
  pieces = std::move(out);
}

// The profile's variables and the tokens, in the order of the static pages.
class PhpExpansion {
 public:
  PhpExpansion(std::vector<Variable> variables, TokenValues tokens)
      : variables_(std::move(variables)), tokens_(std::move(tokens)), calls_(variables_.size()) {
    // A default may hold the tokens of the variables after it and the page's
    // tokens; they are expanded in it as the page expands them, but inside
    // the string what they bring is text.
    for (size_t i = variables_.size(); i-- > 0;) {
      std::string value;
      for (const Piece& piece : Expand(variables_[i].value, i + 1)) value += piece.text;
      calls_[i] = "<?PHP getVar('" + EscapePhpSingleQuoted(variables_[i].name) + "',\"" + EscapePhpDoubleQuoted(value) +
                  "\"); ?>";
    }
  }

  Pieces Expand(std::string text, size_t firstVariable = 0) const {
    Pieces pieces{{std::move(text)}};
    for (size_t i = firstVariable; i < variables_.size(); ++i)
      Replace(pieces, VariableToken(variables_[i].name), calls_[i]);
    for (size_t t = 0; t < kTokens.size(); ++t) Replace(pieces, kTokens[t], tokens_[t]);
    return pieces;
  }

 private:
  std::vector<Variable> variables_;
  TokenValues tokens_;
  std::vector<std::string> calls_;  // what each variable's token becomes
};

std::string ExpandedText(const PhpExpansion& expansion, std::string text) {
  std::string out;
  for (const Piece& piece : expansion.Expand(std::move(text))) out += piece.text;
  return out;
}

std::string IncludedHtml(const std::string& profileDir, const std::string& fileName) {
  const std::string name = SettingText(fileName);
  return name.empty() ? std::string() : ReadIncludedHtml(profileDir + name);
}

std::string Global(std::string_view name, const std::string& value) {
  return "$" + std::string(name) + " = '" + EscapePhpSingleQuoted(value) + "';\n";
}

// The footer or the root page when it holds a variable or a token: a fixed
// string cannot carry the calls, so once the library is defined the page
// prints the expansion and keeps what it printed. The header keeps the text
// as written for a library that reads it earlier.
std::string ExpandedGlobal(std::string_view name, const std::string& text, const PhpExpansion& expansion) {
  const Pieces pieces = expansion.Expand(text);
  if (std::none_of(pieces.begin(), pieces.end(), [](const Piece& p) { return p.generated; })) return {};
  std::string out = "\nob_start(); ?>";
  for (const Piece& piece : pieces) out += piece.generated ? piece.text : EscapePhpHtmlPart(piece.text);
  return out + "<?PHP $" + std::string(name) + " = ob_get_clean();\n";
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
  std::optional<std::string> root;
  switch (s.rootMode) {
    case 0:
      root = "";
      break;
    case 1:
      root = IncludedHtml(profileDir, s.rootFileName);
      break;
    case 2:
      root = SettingText(s.rootFileName);
      break;  // an address in this mode
    default:
      break;
  }
  if (root) text += Global("root_url", *root);
  const std::string footer = IncludedHtml(profileDir, s.footerFileName);
  text += Global("menu_footer", footer);

  // Folder overrides are not known here: the library reads each folder's var.inf.
  const PhpExpansion expansion(UsableVariables(ReadVariables(ProfileIniFile(profileDir))), PhpTokenValues(s));
  const std::optional<std::string> library = ReadTemplateText(templateDir + std::string(kPhpFunctions));
  if (!library) return index;
  text += ExpandedText(expansion, *library);
  if (root) text += ExpandedGlobal("root_url", *root, expansion);
  text += ExpandedGlobal("menu_footer", footer, expansion) + "?>";
  const std::optional<std::string> indexSkeleton = ReadTemplateText(templateDir + std::string(kIndexSkeleton));
  if (!indexSkeleton) return index;
  text += "<?PHP function displayIndex() { ?>" + ExpandedText(expansion, *indexSkeleton) + "<?PHP } ?>";
  const std::optional<std::string> slideSkeleton = ReadTemplateText(templateDir + std::string(kSlideSkeleton));
  if (!slideSkeleton) return index;
  text += "<?PHP function displaySlide() { ?>" + ExpandedText(expansion, *slideSkeleton) + "<?PHP } ?>";
  text += "<?PHP displayPage(); ?>";
  index.ok = true;
  return index;
}

}  // namespace albumsmith
