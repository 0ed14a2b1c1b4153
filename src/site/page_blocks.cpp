#include "site/page_blocks.h"

#include <algorithm>

#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/strings.h"
#include "platform/text.h"
#include "site/site_text.h"
#include "site/style_block.h"
#include "site/template.h"
#include "store/file_ops.h"
#include "store/slide_show_choices.h"

namespace albumsmith {

namespace {

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

const char* Bool(int value) { return value != 0 ? "true" : "false"; }

// The two choice lists both forms of the settings block start with.
std::string SlideChoices() {
  // The same lists the window offers, so a stored index means one thing in both.
  auto list = [](const auto& items, auto text) {
    std::string out;
    for (const auto& item : items) {
      if (!out.empty()) out += "\",\"";
      out += text(item);
    }
    return out;
  };
  return "var OptTime = new Array(\"" + list(kSlideDelays, [](int delay) { return std::to_string(delay); }) + "\");\n" +
         "var OptFilter = new Array(\"" +
         list(kSlideTransitions, [](std::string_view name) { return std::string(name); }) + "\");\n";
}

std::string SlideShowSettings(const ProfileSettings& s) {
  return Fmt("var bBoard=%s;\n", {Bool(s.slideBoard)}) + Fmt("var bRepeat=%s;\n", {Bool(s.slideRepeat)}) +
         Fmt("var bFader=%s;\n", {Bool(s.slideFader)}) + Fmt("var nDelay=%d;\n", {s.slideDelay}) +
         Fmt("var nTrans=%d;\n", {s.slideTrans});
}

std::string SlideLinkTable(const std::string& anchor) {
  return "<table width=\"100%\">\n<tr><td align=\"center\"><div class=\"dtree\">" + anchor + "\n" +
         "</div></td></tr>\n</table>";
}

}  // namespace

int PageContext::depth() const { return static_cast<int>(std::count(folder.begin(), folder.end(), '/')); }

std::string PageContext::pagePrefix() const { return Repeat("../", depth()); }

std::string PageContext::sitePrefix() const { return Repeat("../", depth() + (preview ? 1 : 0)); }

std::string PageContext::supportPrefix() const {
  // Preview pages use the template's files where they lie.
  return preview ? UrlEscape(templateDir) : pagePrefix();
}

std::string ImageDataBlock(const PageContext& page) {
  const std::string site = UrlEscape(page.sitePrefix());
  std::string out = "var pre=\"" + site + "albsite/m/\";\n";
  out += "var preinfo=\"" + site + "albsite/s/\";\n";
  out += "var prefix=\"\";\n";
  out += "var photos=new Array();\n";
  out += "var dates=new Array();\n";
  out += "var comments=new Array();\n";
  out += "var ratios=new Array();\n";
  out += "var path=\"" + UrlEscape(page.folder) + "\";\n";
  out += "var base=\"" + UrlEscape(SettingText(page.settings.remoteDir)) + "\";\n";
  for (size_t i = 0; i < page.images.size(); ++i) {
    const SequenceImage& image = page.images[i];
    out += Fmt("photos[%d]=\"%s\";\n", {i, UrlEscape(image.fileName)});
    out += Fmt("dates[%d]=\"%s\";\n", {i, EscapeHtmlText(image.date)});
    out += Fmt("comments[%d]=\"%s\";\n", {i, EscapeHtmlText(image.comment)});
    out += Fmt("ratios[%d]=\"%d\";\n", {i, image.ratio});
  }
  return out;
}

std::string SlideSettingsBlock(const ProfileSettings& s, bool preview) {
  std::string out = SlideChoices();
  out += Fmt("var thumbSize=%d;\n", {s.maxThumbSize});
  out += Fmt("var thumbPerLine=%d;\n", {s.thumbsPerLine});
  out += SlideShowSettings(s);
  out += preview ? "var backPath='./index.html';\n" : "var backPath='.';\n";
  out += "var bPass=false;\n";
  out += "var sid='';\n";
  out += Fmt("var bPhpTest=%s;\n", {Bool(s.php != 0 && s.accessSecurity != 0)});
  return out;
}

std::string SlideSettingsBlockPhp(const ProfileSettings& s) {
  return SlideChoices() + SlideShowSettings(s) + Fmt("var bPass=%s;\n", {Bool(s.accessSecurity)}) +
         "var bPhpTest = false;";
}

std::string TreeBlock(const PageContext& page) {
  std::string out = "<script type=\"text/javascript\">\n<!--\n";
  out += "var path=\"" + UrlEscape(page.pagePrefix()) + "\";\n";
  out += "var ip=\"" + page.supportPrefix() + "albsite/images/\";\n";
  out += Fmt("var curDir=%d;\n", {page.folderId});
  out += "// -->\n</script>\n";
  out += Fmt("<script type=\"text/javascript\" src=\"%salbsite/js/%s\"></script>",
             {UrlEscape(page.sitePrefix()), "dir.js"});
  return out;
}

std::string HideScript(const std::string& elementId) {
  return "<script type=\"text/javascript\">\n<!--\nhide('" + elementId + "');\n// -->\n</script>";
}

std::string SlideLinkBlock(const PageContext& page) {
  if (page.images.empty()) return HideScript("slide_block");
  return SlideLinkTable("<a class=\"node\" href=\"slide.html?s=1\">Slide Show &nbsp;<img src=\"" +
                        page.supportPrefix() +
                        "albsite/images/movieanim.gif\" title=\"slide show\" alt=\"\" style=\"border:0px\"></a>");
}

std::string SlideLinkBlockPhp() {
  return "<?PHP if (nbImages() > 0) { ?>\n" +
         SlideLinkTable(
             "<a class=\"node\" href=\"?s=1&d=<?PHP echo getCurDir(); ?>\">Slide Show &nbsp;<img "
             "src=\"albsite/images/movieanim.gif\" align=\"center\" border=0 title=\"slide show\"></a>") +
         "<?PHP } else { ?>\n" + HideScript("slide_block") + "<?PHP } ?>\n";
}

std::string ThumbnailTable(const PageContext& page) {
  if (page.images.empty()) return {};
  // Fewer than one image a line cannot make a row; one a line is the nearest table.
  const size_t perLine = static_cast<size_t>(std::max(1, page.settings.thumbsPerLine));
  const int columns = static_cast<int>(perLine);
  const std::string prefix = UrlEscape(page.sitePrefix());
  const std::string folder = UrlEscape(page.folder);

  std::string out = "<div class=\"thb\"><table width=\"100%\">\n";
  int row = 0;
  for (size_t first = 0; first < page.images.size(); first += perLine) {
    const size_t end = std::min(first + perLine, page.images.size());
    ++row;
    out += "<tr>\n" + Fmt(" <th valign=bottom colspan=%d><a name=\"%d\"></a><hr></th>\n", {columns, row}) +
           "</tr>\n<tr align=\"center\" valign=\"bottom\">\n";
    for (size_t i = first; i < end; ++i) {
      const SequenceImage& image = page.images[i];
      out += " <td>" + Fmt("<a href=\"slide.html?i=%d\">", {i}) +
             Fmt("<img src=\"%salbsite/s/%s%s\" title=\"%s\" alt=\"\"></a></td>\n",
                 {prefix, folder, UrlEscape(image.fileName), EscapeHtmlText(image.comment)});
    }
    out += "</tr>\n<tr>\n";
    for (size_t i = first; i < end; ++i) out += " <td align=center>" + EscapeHtmlText(page.images[i].date) + "</td>\n";
    out += "</tr>\n";
  }
  out += Fmt("<tr>\n <th valign=bottom colspan=%d><hr></th>\n</tr>", {columns});
  out += "</table></div>\n";
  return out;
}

std::vector<FolderCard> ReadFolderCards(const std::string& profileDir, const std::string& folder,
                                        const std::vector<std::string>& childNames) {
  std::vector<FolderCard> cards;
  for (const std::string& name : childNames) {
    const std::vector<std::string> photos = FolderPhotoNames(profileDir, folder + name + "/");
    cards.push_back({name, photos.empty() ? std::string() : photos.front(), photos.size()});
  }
  return cards;
}

std::string FolderCardsBlock(const PageContext& page) {
  if (page.subFolders.empty()) return {};
  const std::string prefix = UrlEscape(page.sitePrefix());
  std::string out = "<nav class=\"folder-cards\">\n";
  for (const FolderCard& card : page.subFolders) {
    const std::string child = UrlEscape(card.name) + "/";
    // The server answers a folder's address with its index.html; the
    // preview's pages are plain files.
    out += " <a class=\"folder-card\" href=\"" + child + (page.preview ? "index.html" : "") + "\">";
    if (card.cover.empty()) {
      out += "<span class=\"folder-cover folder-cover-empty\"></span>";
    } else {
      out += "<img class=\"folder-cover\" src=\"" + prefix + "albsite/s/" + UrlEscape(page.folder) + child +
             UrlEscape(card.cover) + "\" alt=\"\">";
    }
    out += "<span class=\"folder-name\">" + EscapeHtmlText(card.name) + "</span>";
    out += "<span class=\"folder-count\">" +
           (card.photos == 0   ? std::string("No photos")
            : card.photos == 1 ? std::string("1 photo")
                               : Fmt("%d photos", {card.photos})) +
           "</span></a>\n";
  }
  out += "</nav>\n";
  return out;
}

std::string FolderContent(const PageContext& page, const FolderSettings& folderSettings) {
  if (folderSettings.htmlMode != 0) return ReadIncludedHtml(FolderHtmlPath(page.profileDir, page.folder));
  const int mode = page.folder.empty() ? page.settings.rootMode : 0;
  const std::string rootFile = SettingText(page.settings.rootFileName);
  switch (mode) {
    case 0:
      if (page.images.empty() && page.subFolders.empty())
        return "<p class=\"empty-folder\">This folder holds no photos yet.</p>\n";
      return FolderCardsBlock(page) + ThumbnailTable(page);
    case 1:
      return rootFile.empty() ? std::string() : ReadIncludedHtml(page.profileDir + rootFile);
    case 2:
      // The closing tags come in this order in every page already published.
      return "<tr><td><iframe width=\"100%\" border=\"0\" src=\"" + EscapeHtmlText(rootFile) +
             "\"></iframe></tr></td>\n";
    default:
      return {};
  }
}

std::string ImageCountText(size_t count) {
  if (count == 0) return "&nbsp;";
  if (count == 1) return "1 Image";
  return Fmt("%d Images", {count});
}

std::string PageTitle(const PageContext& page, const FolderSettings& folderSettings) {
  if (HasCustomTitle(folderSettings)) return folderSettings.titleText;
  if (page.folder.empty()) return page.settings.name;
  std::string title = ReplaceAll(page.folder, "/", " - ");
  while (!title.empty() && (title.back() == ' ' || title.back() == '-')) title.pop_back();
  return title;
}

std::string BackgroundUrl(const PageContext& page) {
  const std::string background = SettingText(page.settings.background);
  if (background.empty()) return {};
  if (page.preview) return UrlEscape(background);
  return page.supportPrefix() + "albsite/bg/" + UrlEscape(FileName(background));
}

std::string CreditLine() {
  const std::string webSite = StringTable::Builtin(TextId::kWebSiteAddress);
  return "<div class=\"dtree\">Created by <a class=\"node\" href=\"" + webSite +
         "\" target=\"_blank\">Albumsmith</a> v" + ProgramVersionText() + "</div>";
}

std::string ImgStyle() { return "class=\"thb\" style=\"display:none\""; }

std::string ImgStylePhp(const ProfileSettings& s) {
  return "class=\"thb\" style=\"display:none;" + BorderStyle(s) + "\"";
}

std::string PhotoBox(const std::string& imgStyle, const std::string& albsitePrefix) {
  return Fmt(
      "<table class=\"thb\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\"><tr><td align=\"center\"><img "
      "name=\"photo\" %s src=\"\" alt=\"\"><img name=\"loading\" src=\"%simages/loading.gif\" "
      "alt=\"\"></td></tr></table>",
      {imgStyle, albsitePrefix});
}

std::string PhotoBoxPhp(const ProfileSettings& s) {
  return Fmt(
      "<table class=\"thb\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\"><tr><td align=\"center\"><img "
      "name=\"photo\" %s src=\"\" alt=\"\"><img name=\"loading\" src=\"albsite/images/loading.gif\" "
      "alt=\"Loading image\" style=\"border:0px;\"></td></tr></table>",
      {ImgStylePhp(s)});
}

}  // namespace albumsmith
