#include "site/php_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "php_peer.h"
#include "site/template.h"
#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::FixtureTemplateDir;
using test::Occurrences;
using test::Prompts;

class PhpIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_.settings.php = 1;
    profile_.settings.remoteDir = "/album/";
    profile_.settings.maxThumbSize = 120;
    profile_.settings.thumbsPerLine = 5;
    profile_.settings.rootMode = 0;
    profile_.settings.accessSecurity = 0;
    profile_.settings.imageBorder = 0;
    Prompts().Clear();
  }

  // Every whole index.php built here must parse.
  PhpIndex Build(const std::string& templateDir = FixtureTemplateDir()) {
    PhpIndex index = BuildPhpIndex(profile_.settings, profile_.profileDir, templateDir);
    if (index.ok) {
      test::TempDir dir;
      test::WriteText(dir.path() / "index.php", index.text);
      EXPECT_EQ(test::PhpLintErrors(dir.path() / "index.php"), "") << index.text;
    }
    return index;
  }
  // The fixture template with `slide` as its slide skeleton.
  PhpIndex BuildWithSlide(const std::string& slide) {
    std::filesystem::copy(FixtureTemplateDir(), templateCopy_.path(), std::filesystem::copy_options::recursive);
    test::WriteText(templateCopy_.path() / "albsite/js/slide_templ.html", slide);
    return Build(templateCopy_.str());
  }

  test::SiteProfile profile_;
  test::TempDir templateCopy_;
};

TEST_F(PhpIndexTest, HeaderLibraryAndBothPageFunctionsInOrder) {
  profile_.WriteProfileFile("Footer.html", "<p>footer</p>");
  profile_.settings.footerFileName = "Footer.html";
  const PhpIndex index = Build();
  ASSERT_TRUE(index.ok);
  const std::string version = ProgramVersionText();
  const std::string header =
      "<?PHP\n"
      "$profile = 'Holiday';\n"
      "$base = '/album/';\n"
      "$version = '" +
      version +
      "';\n"
      "$borderStyle = 'border-width:0';\n"
      "$thumb_size = 120;\n"
      "$thumb_per_line = 5;\n"
      "$root_mode = 0;\n"
      "$bPass = false;\n"
      "$root_url = '';\n"
      "$menu_footer = '<p>footer</p>';\n"
      "function displayPage() { displayIndex(); }\n"
      // A token inside the library is replaced too.
      "$library_version = '" +
      version +
      "';\n"
      "?><?PHP function displayIndex() { ?><html><head><title><?PHP echo getTitle(); ?></title>\n";
  EXPECT_EQ(index.text.substr(0, header.size()), header);
  EXPECT_EQ(Occurrences(index.text, "<?PHP function displaySlide() { ?><html>"), 1);
  // The slide skeleton's CR LF line ends came in as LF.
  EXPECT_EQ(index.text.find('\r'), std::string::npos);
  const std::string end = "</body></html>\n<?PHP } ?><?PHP displayPage(); ?>";
  EXPECT_EQ(index.text.substr(index.text.size() - end.size()), end);
  EXPECT_EQ(index.text.find("__"), std::string::npos);
  for (const char* call : {"getLogin()", "getNbImages()", "getImagesJS()", "getImagesTab()", "getMenuFooter()",
                           "getTree()", "getBackground()", "getCurDir()", "nbImages()"})
    EXPECT_NE(index.text.find(call), std::string::npos) << call;
  EXPECT_TRUE(Prompts().texts().empty());
}

TEST_F(PhpIndexTest, SettingsLinesFollowTheProfile) {
  profile_.settings.accessSecurity = 1;
  profile_.settings.imageBorder = 1;
  profile_.settings.borderWidth = 2;
  profile_.settings.borderColor = 0x00FF00;
  const std::string text = Build().text;
  EXPECT_NE(text.find("$bPass = true;\n"), std::string::npos);
  EXPECT_NE(text.find("$borderStyle = 'border-style:solid;border-width:2;border-color:#00ff00';\n"), std::string::npos);
}

TEST_F(PhpIndexTest, RootUrlByRootMode) {
  profile_.WriteProfileFile("root.html", "<h1>It's home</h1>");
  struct Case {
    int mode;
    const char* file;
    const char* line;  // nullptr: no $root_url line
  } cases[] = {
      {0, "root.html", "$root_url = '';\n"},
      {1, "root.html", "$root_url = '<h1>It\\'s home</h1>';\n"},
      {2, "https://example.org/it's", "$root_url = 'https://example.org/it\\'s';\n"},
      {3, "root.html", nullptr},
  };
  for (const Case& c : cases) {
    profile_.settings.rootMode = c.mode;
    profile_.settings.rootFileName = c.file;
    const std::string text = Build().text;
    EXPECT_NE(text.find("$root_mode = " + std::to_string(c.mode) + ";\n"), std::string::npos);
    if (c.line) {
      EXPECT_EQ(Occurrences(text, "$root_url"), 1) << c.mode;
      EXPECT_NE(text.find(c.line), std::string::npos) << c.mode;
    } else {
      EXPECT_EQ(Occurrences(text, "$root_url"), 0) << c.mode;
    }
  }
}

TEST_F(PhpIndexTest, FooterApostropheIsEscapedAndBackslashKeepsItsMeaning) {
  profile_.WriteProfileFile("Footer.html", "<p>Ann's page</p> C:\\");
  profile_.settings.footerFileName = "Footer.html";
  // PHP reads '\\' as one backslash, so a final one cannot swallow the closing quote.
  EXPECT_NE(Build().text.find("$menu_footer = '<p>Ann\\'s page</p> C:\\\\';\n"), std::string::npos);
}

TEST_F(PhpIndexTest, FooterWithBodyTagIsRejected) {
  profile_.WriteProfileFile("Footer.html", "<BODY><p>x</p>");
  profile_.settings.footerFileName = "Footer.html";
  EXPECT_NE(Build().text.find("$menu_footer = '';\n"), std::string::npos);
  EXPECT_EQ(Prompts().texts(),
            std::vector<std::string>{"Included HTML cannot hold BODY or HTML tags.\n\nInclude rejected."});
}

TEST_F(PhpIndexTest, ProfileVariablesBecomeGetVarCallsWithQuotesEscaped) {
  profile_.WriteProfileIni("[variables]\ngreeting=Say \"hi\" for $5\n");
  profile_.WriteFolderIni("", "[variables]\ngreeting=folder value\n");
  test::TempDir templateCopy;
  std::filesystem::copy(FixtureTemplateDir(), templateCopy.path(), std::filesystem::copy_options::recursive);
  test::WriteText(templateCopy.path() / "albsite/js/slide_templ.html", "<p>__greeting__</p>");
  const std::string text = Build(templateCopy.str()).text;
  EXPECT_NE(text.find("<p><?PHP getVar('greeting',\"Say \\\"hi\\\" for \\$5\"); ?></p>"), std::string::npos) << text;
  // Folder overrides reach the server through var.inf, not here.
  EXPECT_EQ(text.find("folder value"), std::string::npos);
}

// A default may name another variable or a token: what that brings is
// written inside the default's string, so it cannot end the string early.
TEST_F(PhpIndexTest, TokensInsideADefaultStayInsideItsString) {
  profile_.WriteProfileIni("[variables]\nA=x __B__ __ALBSITE__ y\nB=.system('touch m'). \"q\"\n");
  const std::string text = BuildWithSlide("<p>__A__</p>").text;
  EXPECT_NE(text.find("<p><?PHP getVar('A',\"x <?PHP getVar('B',\\\".system('touch m'). \\\\\\\"q\\\\\\\"\\\"); ?> "
                      "albsite/ y\"); ?></p>"),
            std::string::npos)
      << text;
}

// The footer and the root page are fixed strings at the top of index.php;
// their variables and tokens are printed into them once the library is
// defined, and nothing else in them can open PHP.
TEST_F(PhpIndexTest, FooterAndRootPageGetTheirVariablesOnceTheLibraryIsThere) {
  profile_.WriteProfileIni("[variables]\nOWNER=Jo\n");
  profile_.WriteProfileFile("Footer.html", "<p>&copy; __OWNER__, it's <?php x(); ?></p>");
  profile_.WriteProfileFile("root.html", "<h1>__OWNER__ __TITLE__</h1>");
  profile_.settings.footerFileName = "Footer.html";
  profile_.settings.rootFileName = "root.html";
  profile_.settings.rootMode = 1;
  const std::string text = Build().text;
  EXPECT_NE(text.find("$root_url = '<h1>__OWNER__ __TITLE__</h1>';\n"
                      "$menu_footer = '<p>&copy; __OWNER__, it\\'s <?php x(); ?></p>';\n"
                      "function displayPage()"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("$library_version = '" + ProgramVersionText() +
                      "';\n"
                      "\nob_start(); ?><h1><?PHP getVar('OWNER',\"Jo\"); ?> <?PHP echo getTitle(); ?></h1>"
                      "<?PHP $root_url = ob_get_clean();\n"
                      "\nob_start(); ?><p>&copy; <?PHP getVar('OWNER',\"Jo\"); ?>, it's <<?PHP ?>?php x(); ?></p>"
                      "<?PHP $menu_footer = ob_get_clean();\n?>"),
            std::string::npos)
      << text;
}

TEST_F(PhpIndexTest, ProfileNameWithApostropheStaysOneString) {
  profile_.settings.name = "Ann's album";
  EXPECT_NE(Build().text.find("$profile = 'Ann\\'s album';\n"), std::string::npos);
}

TEST_F(PhpIndexTest, MissingTemplateFileFailsKeepingWhatWasAssembled) {
  test::TempDir templateCopy;
  std::filesystem::copy(FixtureTemplateDir(), templateCopy.path(), std::filesystem::copy_options::recursive);
  const std::string slide = templateCopy.str() + "albsite/js/slide_templ.html";
  std::filesystem::remove(slide);
  const PhpIndex index = Build(templateCopy.str());
  EXPECT_FALSE(index.ok);
  EXPECT_NE(index.text.find("<?PHP function displayIndex() { ?>"), std::string::npos);
  EXPECT_EQ(index.text.find("displaySlide"), std::string::npos);
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot open local file " + slide + "\r\n\r\n", 0), 0u);
}

}  // namespace
}  // namespace albumsmith
