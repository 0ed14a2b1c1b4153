#include "site/page_generator.h"

#include "platform/atomic_file.h"
#include "site/site_text.h"
#include "site/style_block.h"
#include "site/template.h"

namespace albumsmith {

namespace {

enum Token : size_t {
  kTitle,
  kLogin,
  kStyle,
  kScript,
  kProperties,
  kImageInfo,
  kVersion,
  kImages,
  kPath,
  kAlbsite,
  kImageTab,
  kMenuFooter,
  kTree,
  kLink,
  kSlide,
  kBackground,
  kImgStyle,
  kImage,
};

std::string PhpEcho(std::string_view function) { return "<?PHP echo " + std::string(function) + "(); ?>"; }

}  // namespace

TokenValues StaticTokenValues(const PageContext& page) {
  const FolderSettings folder = ReadFolderSettings(page.profileDir, page.folder);
  const std::string support = page.supportPrefix();
  const std::string footerFile = SettingText(page.settings.footerFileName);

  TokenValues v;
  v[kTitle] = EscapeHtmlText(PageTitle(page, folder));
  v[kLogin] = HideScript("login");
  v[kStyle] = StyleBlock(page.settings, false);
  v[kScript] = support + std::string(kPageScript);
  v[kProperties] = SlideSettingsBlock(page.settings, page.preview);
  v[kImageInfo] = ImageCountText(page.images.size());
  v[kVersion] = ProgramVersionText();
  v[kImages] = ImageDataBlock(page);
  v[kPath] = page.folder;
  v[kAlbsite] = support + "albsite/";
  v[kImageTab] = FolderContent(page, folder);
  v[kMenuFooter] = footerFile.empty() ? std::string() : ReadWholeFile(page.profileDir + footerFile).value_or("");
  v[kTree] = TreeBlock(page);
  v[kLink] = CreditLine();
  v[kSlide] = SlideLinkBlock(page);
  v[kBackground] = BackgroundUrl(page);
  v[kImgStyle] = ImgStyle();
  v[kImage] = PhotoBox(v[kImgStyle], v[kAlbsite]);
  return v;
}

TokenValues PhpTokenValues(const ProfileSettings& settings) {
  TokenValues v;
  v[kTitle] = PhpEcho("getTitle");
  v[kLogin] = PhpEcho("getLogin");
  v[kStyle] = StyleBlock(settings, true);
  v[kScript] = std::string(kPageScript);
  v[kProperties] = SlideSettingsBlockPhp(settings);
  v[kImageInfo] = PhpEcho("getNbImages");
  v[kVersion] = ProgramVersionText();
  v[kImages] = PhpEcho("getImagesJS");
  v[kPath] = "";
  v[kAlbsite] = "albsite/";
  v[kImageTab] = PhpEcho("getImagesTab");
  v[kMenuFooter] = PhpEcho("getMenuFooter");
  v[kTree] = PhpEcho("getTree");
  v[kLink] = CreditLine();
  v[kSlide] = SlideLinkBlockPhp();
  v[kBackground] = PhpEcho("getBackground");
  v[kImgStyle] = ImgStylePhp(settings);
  v[kImage] = PhotoBoxPhp(settings);
  return v;
}

int ReplaceVariables(std::string& text, const std::vector<Variable>& variables) {
  int count = 0;
  for (const Variable& v : variables) count += ReplaceCounting(text, VariableToken(v.name), v.value);
  return count;
}

int ReplaceTokens(std::string& text, const TokenValues& values) {
  int count = 0;
  for (size_t i = 0; i < kTokens.size(); ++i) count += ReplaceCounting(text, kTokens[i], values[i]);
  return count;
}

StaticPageExpander::StaticPageExpander(const PageContext& page)
    : values_(StaticTokenValues(page)),
      folderVariables_(UsableVariables(ReadVariables(FolderIniPath(page.profileDir, page.folder)))),
      profileVariables_(UsableVariables(ReadVariables(ProfileIniFile(page.profileDir)))) {}

int StaticPageExpander::Expand(std::string& page) const {
  int count = ReplaceVariables(page, folderVariables_);
  count += ReplaceVariables(page, profileVariables_);
  count += ReplaceTokens(page, values_);
  return count;
}

int ExpandStaticPage(std::string& page, const PageContext& context) { return StaticPageExpander(context).Expand(page); }

}  // namespace albumsmith
