#include "site/site_text.h"

#include "platform/ini_file.h"
#include "platform/text.h"

namespace albumsmith {

int ReplaceCounting(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return 0;
  int count = 0;
  std::string result;
  size_t start = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
    if (count == 0) result.reserve(text.size());
    result.append(text, start, at - start);
    result.append(to);
    start = at + from.size();
    ++count;
  }
  if (count == 0) return 0;
  result.append(text, start, std::string::npos);
  text = std::move(result);
  return count;
}

std::string UrlEscape(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr std::string_view kReserved = "'\"\\<>%#?&";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x21 && byte <= 0x7E && kReserved.find(c) == std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::string EscapeHtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "&quot;";
        continue;
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '\'':
        out += "&#39;";
        continue;
      case '\\':
        out += "&#92;";
        continue;
      default:
        break;
    }
    if (byte < 0x20 || byte == 0x7F) {
      out += "&#" + std::to_string(byte) + ";";
    } else if (byte == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      // U+2028 and U+2029 end a JavaScript string in older engines.
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "&#8232;" : "&#8233;";
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

std::string EscapeJsSingleQuoted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      if (c == '\\' || c == '\'') out += '\\';
      out += c;
    }
  }
  return out;
}

std::string EscapePhpSingleQuoted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\' || c == '\'') out += '\\';
    out += c;
  }
  return out;
}

std::string EscapePhpDoubleQuoted(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\\' || c == '"' || c == '$') out += '\\';
    out += c;
  }
  return out;
}

std::string EscapePhpHtmlPart(std::string_view text) {
  std::string out(text);
  ReplaceCounting(out, "<?", "<<?PHP ?>?");
  return out;
}

std::string EscapeCssValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || IsAsciiAlnum(c) || std::string_view(" ,.-_").find(c) != std::string_view::npos) {
      out += c;
    } else {
      // The space ends the escape, so a following hexadecimal digit stays itself.
      out += '\\';
      if (byte >= 0x10) out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
      out += ' ';
    }
  }
  return out;
}

std::string SettingText(const std::string& value) { return value == kMissingKey ? std::string() : value; }

std::string EditedSetting(const std::string& asRead, const std::string& field) {
  return field == SettingText(asRead) ? asRead : field;
}

bool HasBodyOrHtmlTag(std::string_view html) { return ContainsNoCase(html, "<BODY") || ContainsNoCase(html, "<HTML"); }

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text)
    if (c != '\r') out += c;
  return out;
}

}  // namespace albumsmith
