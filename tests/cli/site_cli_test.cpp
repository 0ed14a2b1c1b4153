// The "site" command of albumsmith-cli: the whole site a visitor would get,
// written into a local folder, with the derived files made first.

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "php_peer.h"
#include "platform/ini_file.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

// The command-line tests get no data folder of their own; the photos sit
// beside this folder.
const fs::path kPhotos = fs::path(ALBUMSMITH_TEST_DATA) / "browser";

class SiteCliTest : public CliTest {
 protected:
  // "Holiday" with two photos at the top, none in Trips and one in
  // Trips/2004, and no derived file anywhere.
  void MakeAlbum(const std::string& php) {
    MakeProfile("Holiday");
    ASSERT_EQ(Run({"profile", "set", "Holiday", "PHP=" + php}).exitCode, 0);
    fs::create_directories(Images() / "Trips" / "2004");
    for (const char* photo : {"canon-ixus.jpg", "sony-d700.jpg"}) fs::copy_file(kPhotos / photo, Images() / photo);
    fs::copy_file(kPhotos / "portrait_6.jpg", Images() / "Trips" / "2004" / "portrait_6.jpg");
  }
  fs::path Images() const { return profilesPath() / "Holiday" / "ImageTree"; }
  fs::path ProfileIni() const { return profilesPath() / "Holiday" / "Profile.ini"; }

  // Exports the PHP site, checks that every PHP file of it parses and serves
  // it: the page and the slide show of every folder answer 200. Returns the
  // pages by the folder's path in the listing ("." for the top), the slide
  // shows with " slide" after it.
  std::map<std::string, std::string> ServePhpSite() {
    lastSite_ = Run({"site", "Holiday", "--out", Out().string()});
    EXPECT_EQ(lastSite_.exitCode, 0) << lastSite_.err;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Out())) {
      if (entry.path().extension() == ".php") {
        EXPECT_EQ(PhpLintErrors(entry.path()), "") << entry.path();
      }
    }
    std::map<std::string, std::string> pages;
    const PhpServer server(Out());
    for (const std::string& line : Split(ReadText(Out() / "albsite/js/dir.js"), '\n')) {
      const std::vector<std::string> fields = Split(line, '\t');
      if (fields.size() != 4) continue;
      for (const auto& [target, key] : {std::pair{"/index.php?d=" + fields[0], fields[3]},
                                        std::pair{"/index.php?s=1&d=" + fields[0], fields[3] + " slide"}}) {
        const HttpReply reply = server.Get(target);
        EXPECT_EQ(reply.status, 200) << target << "\n" << reply.body << server.log();
        EXPECT_EQ(reply.body.find("rror</b>:"), std::string::npos) << target << "\n" << reply.body;
        pages[key] = reply.body;
      }
    }
    return pages;
  }
  fs::path Out() const { return out_.path() / "site"; }

  // Every token and variable of the template replaced: nothing of the form __NAME__ is left.
  static void ExpectExpanded(const fs::path& page) {
    const std::string text = ReadText(page);
    std::smatch left;
    EXPECT_FALSE(std::regex_search(text, left, std::regex("__[A-Za-z]+__"))) << page << ": " << left.str();
  }

 protected:
  CliResult lastSite_;  // of the last ServePhpSite

  TempDir out_;
};

TEST_F(SiteCliTest, StaticSiteWithTheDerivedFilesMadeFirst) {
  MakeAlbum("0");

  const CliResult r = Run({"site", "holiday", "--out", Out().string()});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "folder / 2 image(s)\nfolder Trips/ 0 image(s)\nfolder Trips/2004/ 1 image(s)\n"
            "page index.html\npage slide.html\npage Trips/index.html\npage Trips/slide.html\n"
            "page Trips/2004/index.html\npage Trips/2004/slide.html\n"
            "wrote 3 folder(s) and 6 page(s) to " +
                Out().string() + "\n");
  for (const char* file :
       {"albsite/js/album_s.js", "albsite/js/dtree.js", "albsite/js/albumsmith.css", "albsite/js/dir.js",
        "albsite/images/loading.gif", "albsite/images/movieanim.gif",
        // made by this command: the profile had no derived file
        "albsite/s/canon-ixus.jpg", "albsite/s/canon-ixus.jpg.html", "albsite/m/canon-ixus.jpg", "albsite/s/sort.inf",
        "albsite/s/Trips/2004/portrait_6.jpg", "albsite/m/Trips/2004/portrait_6.jpg"}) {
    EXPECT_TRUE(fs::is_regular_file(Out() / file)) << file;
  }
  EXPECT_TRUE(fs::is_regular_file(profilesPath() / "Holiday" / "albsite" / "s" / "canon-ixus.jpg"));
  EXPECT_FALSE(fs::exists(Out() / "index.php"));
  EXPECT_EQ(ReadText(Out() / "albsite/js/dir.js").rfind("d = new dTree('d');\n", 0), 0u);

  for (const char* folder : {"", "Trips/", "Trips/2004/"}) {
    for (const char* page : {"index.html", "slide.html"}) ExpectExpanded(Out() / folder / page);
  }
  const std::string deep = ReadText(Out() / "Trips/2004/index.html");
  EXPECT_NE(deep.find("src=\"../../albsite/js/dir.js\""), std::string::npos);
  EXPECT_NE(deep.find("photos[0]=\"portrait_6.jpg\";"), std::string::npos);
  // Both blocks set "path": the tree's value is read while dir.js runs, the
  // folder's afterwards, so the tree must come first.
  const size_t tree = deep.find("var curDir=");
  const size_t images = deep.find("var path=\"Trips/2004/\";");
  ASSERT_NE(tree, std::string::npos);
  ASSERT_NE(images, std::string::npos);
  EXPECT_LT(tree, images);
}

TEST_F(SiteCliTest, PhpSiteIsOnePageWithTheListingAndTheFolderFiles) {
  MakeAlbum("1");

  const CliResult r = Run({"site", "Holiday", "--out", Out().string()});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::vector<std::string> lines = r.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "wrote 3 folder(s) and 1 page(s) to " + Out().string());
  EXPECT_FALSE(fs::exists(Out() / "index.html"));
  const std::string index = ReadText(Out() / "index.php");
  EXPECT_EQ(index.rfind("<?PHP\n$profile = 'Holiday';\n", 0), 0u) << index.substr(0, 60);
  for (const char* part : {"function displayIndex()", "function displaySlide()", "function getTree()",
                           "function getVar(", "<?PHP displayPage(); ?>"})
    EXPECT_NE(index.find(part), std::string::npos) << part;
  ExpectExpanded(Out() / "index.php");
  EXPECT_EQ(ReadText(Out() / "albsite/js/dir.js"), "0\t-1\tHoliday\t.\n1\t0\tTrips\tTrips\n2\t1\t2004\tTrips/2004\n");
  for (const char* folder : {"", "Trips/", "Trips/2004/"})
    EXPECT_TRUE(fs::is_regular_file(Out() / "albsite/s" / folder / "var.inf")) << folder;
}

// The pages show the photos the folder holds, whichever way they came in,
// and only those that can be shown: a file that is no readable JPEG is
// named once on stderr and left off.
TEST_F(SiteCliTest, PagesListEveryImportedPhotoAndNoUnreadableOne) {
  MakeAlbum("0");
  const std::string whole = ReadText(kPhotos / "kodak-dc210.jpg");
  const fs::path junk = out_.path() / "junk";
  fs::create_directories(junk);
  WriteText(junk / "empty.jpg", "");
  WriteText(junk / "cut.jpg", whole.substr(0, whole.size() / 2));
  WriteText(junk / "notes.jpg", "a shopping list");
  ASSERT_EQ(Run({"import", "Holiday", "/", (kPhotos / "nikon-e950.jpg").string()}).exitCode, 0);
  ASSERT_EQ(Run({"import", "Holiday", "/", (kPhotos / "kodak-dc210.jpg").string()}).exitCode, 0);
  ASSERT_EQ(Run({"import", "Holiday", "/", (junk / "cut.jpg").string(), (junk / "empty.jpg").string(),
                 (junk / "notes.jpg").string()})
                .exitCode,
            0);

  const CliResult r = Run({"site", "Holiday", "--out", Out().string()});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> reported;
  for (const std::string& line : Split(r.err, '\n'))
    if (line.find("Cannot read image") != std::string::npos) reported.push_back(line);
  const std::string why = ": the file is empty, cut short or not a JPEG image";
  EXPECT_EQ(reported, (std::vector<std::string>{"Cannot read image " + (Images() / "cut.jpg").string() + why,
                                                "Cannot read image " + (Images() / "empty.jpg").string() + why,
                                                "Cannot read image " + (Images() / "notes.jpg").string() + why}));
  const std::string index = ReadText(Out() / "index.html");
  std::vector<std::string> shown;
  const std::regex photo("photos\\[\\d+\\]=\"([^\"]*)\";");
  for (auto it = std::sregex_iterator(index.begin(), index.end(), photo); it != std::sregex_iterator(); ++it)
    shown.push_back((*it)[1].str());
  EXPECT_EQ(shown, (std::vector<std::string>{"canon-ixus.jpg", "kodak-dc210.jpg", "nikon-e950.jpg", "sony-d700.jpg"}));
}

// Whatever the owner types, the published PHP site prints it and never runs
// it: a variable's name and value, a font name (those two as a hand-edited
// Profile.ini may hold them), a folder's title and name, the footer and the
// root page. Each payload would touch a file of its own in the site's folder.
TEST_F(SiteCliTest, PhpSiteRunsNoTextAsCode) {
  const std::string value = "Jo\".system(\"touch value-marker\").\" ?><?php touch('value-marker'); ?> $x {$y} \\";
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> variables;
    std::string footer;                // the tokens the footer holds
    std::string font;                  // of the comments
    std::string rootShows;             // what the top folder's page then holds
    std::vector<std::string> leftOut;  // names reported as not variable names
  };
  const Case cases[] = {
      {"a variable's name",
       {{".system(\"touch name-marker\").", "v"}},
       "__.system(\"touch name-marker\").__",
       "",
       "__.system(\"touch name-marker\").__",
       {".system(\"touch name-marker\")."}},
      {"names that end the string or the code",
       {{"x?><?php touch('name-marker'); ?>", "v"}, {"a'b", "v"}, {"back\\slash", "v"}},
       "__x?><?php touch('name-marker'); ?>__ __a'b__ __back\\slash__",
       "",
       "__x?><?php touch('name-marker'); ?>__ __a'b__ __back\\slash__",
       {"x?><?php touch('name-marker'); ?>", "a'b", "back\\slash"}},
      {"a variable's value", {{"VAL", value}}, "<p>__VAL__</p>", "", "<p>" + value + "</p>", {}},
      {"a font name", {}, "", "x;}</style><?php touch('font-marker'); ?>", "font-family:x\\3b \\7d \\3c ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(profilesPath() / "Holiday");
    fs::remove_all(Out());
    MakeAlbum("1");
    const std::string folder = "it's \"q\" <?php touch('folder-marker'); ?>";
    fs::create_directories(Images() / folder);
    fs::copy_file(kPhotos / "canon-ixus.jpg", Images() / folder / "canon-ixus.jpg");
    WriteText(Images() / "Trips" / "Folder.ini",
              "[Settings]\nTitleMode=1\nTitleText=<?php touch('title-marker'); ?> '\" \\\n[variables]\nVAL=" + value +
                  " in Trips\n");
    const std::string footer = "<p>'\"\\ <?php touch('footer-marker'); ?> <?= 1 ?></p>\n" + c.footer + "\n";
    WriteText(profilesPath() / "Holiday" / "Footer.html", footer);
    WriteText(profilesPath() / "Holiday" / "Root.html", "<h1><?php touch('root-marker'); ?> '\\</h1>");
    ASSERT_EQ(Run({"profile", "set", "Holiday", "ShortFooterFilename=Footer.html", "ShortRootFilename=Root.html",
                   "RootMode=1"})
                  .exitCode,
              0);
    IniFile ini(ProfileIni());
    for (const auto& [name, text] : c.variables) ASSERT_TRUE(ini.WriteString("variables", name, text));
    ASSERT_TRUE(ini.WriteString("Settings", "CommentFont", c.font));

    const std::map<std::string, std::string> pages = ServePhpSite();

    for (const char* marker : {"name-marker", "value-marker", "footer-marker", "root-marker", "title-marker",
                               "folder-marker", "font-marker"})
      EXPECT_FALSE(fs::exists(Out() / marker)) << marker;
    ASSERT_EQ(pages.size(), 8u);
    const std::string& root = pages.at(".");
    EXPECT_NE(root.find("<?php touch('footer-marker'); ?> <?= 1 ?>"), std::string::npos) << root;
    EXPECT_NE(root.find("<h1><?php touch('root-marker'); ?> '\\</h1>"), std::string::npos) << root;
    EXPECT_NE(root.find(c.rootShows), std::string::npos) << root;
    if (!c.variables.empty() && c.leftOut.empty()) {
      EXPECT_NE(pages.at("Trips").find(value + " in Trips"), std::string::npos) << pages.at("Trips");
    }
    // Said once, though the name is met in every page.
    for (const std::string& name : c.leftOut) {
      const std::string said = "The variable \"" + name + "\" is left out";
      const size_t first = lastSite_.err.find(said);
      EXPECT_NE(first, std::string::npos) << lastSite_.err;
      EXPECT_EQ(lastSite_.err.find(said, first + 1), std::string::npos) << lastSite_.err;
    }
  }
}

// The footer and the root page show a variable as the folder pages do: the
// folder's own value where it has one, else the profile's.
TEST_F(SiteCliTest, PhpFooterAndRootPageShowTheVariables) {
  MakeAlbum("1");
  ASSERT_TRUE(IniFile(ProfileIni()).WriteString("variables", "OWNER", "Jo"));
  WriteText(Images() / "Trips" / "Folder.ini", "[variables]\nOWNER=Ann\n");
  WriteText(profilesPath() / "Holiday" / "Footer.html", "<p>&copy; __OWNER__, __VERSION__</p>");
  WriteText(profilesPath() / "Holiday" / "Root.html", "<h1>Photos by __OWNER__</h1>");
  ASSERT_EQ(
      Run({"profile", "set", "Holiday", "ShortFooterFilename=Footer.html", "ShortRootFilename=Root.html", "RootMode=1"})
          .exitCode,
      0);

  const std::map<std::string, std::string> pages = ServePhpSite();

  ASSERT_EQ(pages.size(), 6u);
  EXPECT_NE(pages.at(".").find("<h1>Photos by Jo</h1>"), std::string::npos) << pages.at(".");
  for (const auto& [page, owner] :
       std::map<std::string, std::string>{{".", "Jo"}, {"Trips", "Ann"}, {"Trips/2004", "Jo"}}) {
    EXPECT_NE(pages.at(page).find("<p>&copy; " + owner + ", "), std::string::npos) << page << pages.at(page);
    EXPECT_EQ(pages.at(page).find("__"), std::string::npos) << page;
  }
}

TEST_F(SiteCliTest, FailuresGiveOneLineAndWriteNothing) {
  MakeAlbum("0");
  MakeProfile("Other");
  ASSERT_EQ(Run({"profile", "set", "Other", "TemplateName=Gone"}).exitCode, 0);
  const std::string profileDir = (profilesPath() / "Holiday").string();
  const fs::path file = Out().parent_path() / "a-file";
  WriteText(file, "x");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string reason;  // found in the last line of stderr
  };
  const Case cases[] = {
      {{"site"}, 2, ""},
      {{"site", "Holiday", "Other", "--out", Out().string()}, 2, ""},
      {{"site", "Nobody", "--out", Out().string()}, 1, "no profile named Nobody"},
      {{"site", "Holiday"}, 1, "site needs --out DIR"},
      {{"site", "Holiday", "--out", Out().string(), "--php", "1"}, 1, "unknown option --php"},
      {{"site", "Holiday", "--out", profileDir}, 1, "overlaps the profile directory"},
      {{"site", "Holiday", "--out", profileDir + "/albsite/"}, 1, "overlaps the profile directory"},
      {{"site", "Holiday", "--out", file.string()}, 1, file.string()},
      {{"site", "Other", "--out", Out().string()}, 1, "the template Gone is not in "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Join(c.args, " "));
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.LastErrorLine().find(c.reason), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(Out()));
  EXPECT_FALSE(fs::exists(profilesPath() / "Holiday" / "albsite" / "index.html"));
}

}  // namespace
}  // namespace albumsmith::test
