#include "site/style_block.h"

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "site/site_text.h"

namespace albumsmith {

namespace {

std::string FontDeclaration(const std::string& font) {
  const std::string name = SettingText(font);
  return name.empty() ? std::string() : "font-family:" + EscapeCssValue(name) + ";";
}

}  // namespace

bool CheckFontName(const std::string& name) {
  if (name.find_first_of("<>{};\"'") == std::string::npos && !HasControlChar(name)) return true;
  ShowMessage({Icon::Exclamation, Buttons::Ok}, TextId::kBadFontName, {name});
  return false;
}

std::string ColorText(int color) {
  const auto value = static_cast<unsigned>(color);
  return Fmt("#%02x%02x%02x", {value & 0xFFu, (value >> 8) & 0xFFu, (value >> 16) & 0xFFu});
}

int BoxMargin(const ProfileSettings& s) {
  int margin = 2;
  if (s.imageBorder != 0) margin += 2 * s.borderWidth;
  if (s.imageShadow != 0) margin += s.shadowWidth;
  return margin;
}

std::string StyleBlock(const ProfileSettings& s, bool php) {
  // The PHP form differs from the static one by three characters; index.php
  // installed on servers carries it, so both are kept exactly.
  const char* closeRule = php ? "}" : " }";
  std::string out = "<style type=\"text/css\">\n";
  out += Fmt(".comment { color:%s;font-size:%dpx;%s",
             {ColorText(s.commentColor), s.commentFontSize, FontDeclaration(s.commentFont)}) +
         closeRule + "\n";
  out += ".thb { border:0px; }\n";
  out += Fmt(".thb TABLE { border-spacing:0px;padding:0px;text-align:center;color:%s;font-size:%dpx;%s",
             {ColorText(s.dateColor), s.dateFontSize, FontDeclaration(s.dateFont)}) +
         closeRule + "\n";
  if (s.imageBorder != 0) {
    out += Fmt(".thb IMG { border:%dpx solid %s; }\n", {s.borderWidth, ColorText(s.borderColor)});
  } else {
    out += ".thb IMG { border:0px; }\n";
  }
  if (s.imageShadow != 0) {
    out += Fmt(".thb IMG { filter:progid:DXImageTransform.Microsoft.Shadow(color=%s,strength=%d,direction=135); }\n",
               {ColorText(s.shadowColor), s.shadowWidth});
  }
  const int margin = BoxMargin(s);
  out += Fmt(php ? "table.box { width:%dpx;height:%dpx;border:0px };\n"
                 : "table.box { width:%dpx;height:%dpx;border:0px; };\n",
             {800 + margin, 600 + margin});
  out += "</style>";
  return out;
}

std::string BorderStyle(const ProfileSettings& s) {
  if (s.imageBorder == 0) return "border-width:0";
  return Fmt("border-style:solid;border-width:%d;border-color:%s", {s.borderWidth, ColorText(s.borderColor)});
}

}  // namespace albumsmith
