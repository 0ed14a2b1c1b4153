#include "site/site_text.h"

#include <gtest/gtest.h>

#include <string>

namespace albumsmith {
namespace {

TEST(ReplaceCountingTest, CountsEveryOccurrenceAndDoesNotRescanInsertedText) {
  std::string text = "__A__ and __A__, __A__";
  EXPECT_EQ(ReplaceCounting(text, "__A__", "x__A__"), 3);
  EXPECT_EQ(text, "x__A__ and x__A__, x__A__");

  std::string untouched = "nothing here";
  EXPECT_EQ(ReplaceCounting(untouched, "__A__", "b"), 0);
  EXPECT_EQ(untouched, "nothing here");

  std::string caseMatters = "__path__";
  EXPECT_EQ(ReplaceCounting(caseMatters, "__PATH__", "x"), 0);
}

TEST(UrlEscapeTest, KeepsPlainAddressCharactersAndEscapesTheRest) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"IMG 0001.jpg", "IMG%200001.jpg"},
      {"Bob's/", "Bob%27s/"},
      {"../../Trips/2004/", "../../Trips/2004/"},
      {"a\"b<c>d\\e", "a%22b%3Cc%3Ed%5Ce"},
      // Characters that would change what the address means.
      {"100%.jpg", "100%25.jpg"},
      {"a#b?c&d.jpg", "a%23b%3Fc%26d.jpg"},
      {"caf\xC3\xA9.jpg", "caf%C3%A9.jpg"},
      {"tab\there", "tab%09here"},
      {"~!$()*+,;=@[]^_`{|}-", "~!$()*+,;=@[]^_`{|}-"},
  };
  for (const Case& c : cases) EXPECT_EQ(UrlEscape(c.in), c.out) << c.in;
}

TEST(EscapeHtmlTextTest, CommentCannotLeaveItsStringOrAttribute) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"Plain comment", "Plain comment"},
      {"He said \"hi\"", "He said &quot;hi&quot;"},
      {"</script><script>alert(1)</script>", "&lt;/script&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"first line\nsecond\r\nthird", "first line&#10;second&#13;&#10;third"},
      {"back\\slash", "back&#92;slash"},
      {"Tom & Jerry's", "Tom &amp; Jerry&#39;s"},
      {"line\xE2\x80\xA8separator", "line&#8232;separator"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeHtmlText(c.in), c.out) << c.in;
}

TEST(QuotedStringEscapeTest, EachQuotingKeepsTheTextExact) {
  EXPECT_EQ(EscapeJsSingleQuoted("Bob's \\ folder"), "Bob\\'s \\\\ folder");
  EXPECT_EQ(EscapeJsSingleQuoted("a\nb"), "a\\nb");
  // PHP single quotes: a final backslash must not swallow the closing quote.
  EXPECT_EQ(EscapePhpSingleQuoted("it's C:\\"), "it\\'s C:\\\\");
  EXPECT_EQ(EscapePhpSingleQuoted("line\nbreak"), "line\nbreak");
  EXPECT_EQ(EscapePhpDoubleQuoted("say \"$5\" \\o/"), "say \\\"\\$5\\\" \\\\o/");
}

TEST(PhpHtmlPartEscapeTest, NoOpeningTagSurvivesAndTheTextPrintsAsWritten) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"<p>plain & <b>bold</b> ?></p>", "<p>plain & <b>bold</b> ?></p>"},
      {"<?php system('id'); ?>", "<<?PHP ?>?php system('id'); ?>"},
      {"<?= 1 ?> <<?xml", "<<?PHP ?>?= 1 ?> <<<?PHP ?>?xml"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapePhpHtmlPart(c.in), c.out) << c.in;
}

TEST(CssValueEscapeTest, FontListsStayAndEverythingElseIsEscaped) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"Liberation Sans, sans-serif", "Liberation Sans, sans-serif"},
      {"Noto_Serif.2 \xE6\x98\x8E\xE6\x9C\x9D", "Noto_Serif.2 \xE6\x98\x8E\xE6\x9C\x9D"},
      {"x;}</style><?php", "x\\3b \\7d \\3c \\2f style\\3e \\3c \\3f php"},
      {"\"A\" 'B' \\ /*", "\\22 A\\22  \\27 B\\27  \\5c  \\2f \\2a "},
      {"tab\there", "tab\\9 here"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeCssValue(c.in), c.out) << c.in;
}

// A dialog shows an absent key as an empty field; the field left as shown
// keeps the key absent.
TEST(EditedSettingTest, FieldLeftAsShownKeepsTheValueAsRead) {
  const std::string absent = "\xE9\xE8\xE0";
  struct Case {
    std::string asRead, field, kept;
  } cases[] = {
      {absent, "", absent},
      {absent, "ftp.example.org", "ftp.example.org"},
      {"ftp.example.org", "ftp.example.org", "ftp.example.org"},
      {"ftp.example.org", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EditedSetting(c.asRead, c.field), c.kept) << c.field;
  EXPECT_EQ(SettingText(absent), "");
}

TEST(IncludedHtmlTagTest, FindsBodyAndHtmlTagsInAnyCase) {
  EXPECT_TRUE(HasBodyOrHtmlTag("<p>x</p><body bgcolor=red>"));
  EXPECT_TRUE(HasBodyOrHtmlTag("<HTML>"));
  EXPECT_TRUE(HasBodyOrHtmlTag("<Html lang=en>"));
  EXPECT_FALSE(HasBodyOrHtmlTag("<p>body and html as words</p><tbody>"));
}

}  // namespace
}  // namespace albumsmith
