#pragma once
// The escapes every generated page, script and PHP file goes through, and the
// counting replacement the token expansion is built on. Text written into a
// page comes from users (comments, file and folder names, settings); each
// context it lands in has one escape here, so that no name or comment can
// break a page or smuggle markup or script into it.

#include <string>
#include <string_view>

namespace albumsmith {

// Replaces every occurrence of `from` (case-sensitive, left to right, never
// looking into text it has just inserted) and returns how many there were.
int ReplaceCounting(std::string& text, std::string_view from, std::string_view to);

// Address escape for file names, folder paths and prefixes: printable ASCII
// stays, "/" included, except the characters that would end a quoted string
// or attribute, start markup, or change what the address means (' " \ < > %
// # ? &); those and every other byte (space, control characters, bytes of
// UTF-8 sequences) become "%" and two upper-case hexadecimal digits.
std::string UrlEscape(std::string_view text);

// Text that goes both into a double-quoted JavaScript string inside a script
// element and into a double-quoted HTML attribute (comments, dates): the
// result holds no quote, backslash, "<", ">", raw "&" or line break, only
// character references. The page script shows such a string as HTML, so a
// comment reads the same in the thumbnail's title and on the slide page.
std::string EscapeHtmlText(std::string_view text);

// Contents of a single-quoted JavaScript string in a script file.
std::string EscapeJsSingleQuoted(std::string_view text);

// Contents of a single-quoted PHP string: "\" and "'" get a backslash, so the
// string means exactly the text.
std::string EscapePhpSingleQuoted(std::string_view text);
// Contents of a double-quoted PHP string: "\", "\"" and "$" get a backslash.
std::string EscapePhpDoubleQuoted(std::string_view text);
// Text for the HTML part of a PHP file, where "<?" would open code: each
// "<?" is cut in two by an empty PHP block, so it prints as written and
// never starts a tag.
std::string EscapePhpHtmlPart(std::string_view text);

// A value in a style rule (a font name): ASCII letters, digits, space, ",",
// ".", "-", "_" and non-ASCII bytes stay; every other byte becomes a CSS
// escape ("\3c "), so nothing can end the rule, the element or the page's
// HTML part.
std::string EscapeCssValue(std::string_view text);

// A string setting as generation uses it: an absent key (the INI missing-key
// marker) counts as empty.
std::string SettingText(const std::string& value);
// A string setting after a dialog that showed SettingText(asRead) in `field`:
// the value as read while the field still shows it, so that an absent key
// stays absent; otherwise the field's text.
std::string EditedSetting(const std::string& asRead, const std::string& field);

// Whether included HTML holds a BODY or HTML tag (any letter case).
bool HasBodyOrHtmlTag(std::string_view html);

// Every carriage return removed.
std::string WithoutCarriageReturns(std::string_view text);

}  // namespace albumsmith
