#pragma once
// Static page expansion: a skeleton's tokens and variables replaced by the
// values of one folder. Order matters and is fixed: the folder's variable
// overrides, then the profile's defaults (so an override wins), then the
// eighteen tokens in kTokens order. Each step replaces every occurrence in
// the text as it stands, so text brought in by an earlier step (a variable
// holding "__PATH__") is expanded by the later ones.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "site/page_blocks.h"
#include "site/variables.h"

namespace albumsmith {

inline constexpr std::array<std::string_view, 18> kTokens = {
    "__TITLE__",   "__LOGIN__",  "__STYLE__", "__SCRIPT__",     "__PROPERTIES__", "__IMAGEINFO__",
    "__VERSION__", "__IMAGES__", "__PATH__",  "__ALBSITE__",    "__IMAGETAB__",   "__MENUFOOTER__",
    "__TREE__",    "__LINK__",   "__SLIDE__", "__BACKGROUND__", "__IMGSTYLE__",   "__IMAGE__"};

// The values of kTokens, in the same order.
using TokenValues = std::array<std::string, kTokens.size()>;

// The static values for one folder. Reads the folder's Folder.ini and
// Folder.html, the root page and footer files; a rejected include shows its
// message here.
TokenValues StaticTokenValues(const PageContext& page);
// The PHP values: calls into the template's PHP library.
TokenValues PhpTokenValues(const ProfileSettings& settings);

// Each returns the number of replacements made.
int ReplaceVariables(std::string& text, const std::vector<Variable>& variables);
int ReplaceTokens(std::string& text, const TokenValues& values);

// Expands any number of skeletons for one folder with one set of values, so
// that the folder's files are read (and a rejected include reported) once.
class StaticPageExpander {
 public:
  explicit StaticPageExpander(const PageContext& page);
  // Expands the page text in place; returns the total number of replacements.
  int Expand(std::string& page) const;
  const TokenValues& values() const { return values_; }

 private:
  TokenValues values_;
  std::vector<Variable> folderVariables_;
  std::vector<Variable> profileVariables_;
};

// One page: the values computed and the text expanded in place.
int ExpandStaticPage(std::string& page, const PageContext& context);

}  // namespace albumsmith
