#include "site/template.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "site_fixture.h"

namespace albumsmith {
namespace {

using test::FixtureTemplateDir;
using test::Prompts;
using test::WriteText;

constexpr const char* kMismatch = "The template %s does not match the current version";

std::string Mismatch(const std::string& name) {
  std::string text = kMismatch;
  return text.replace(text.find("%s"), 2, name);
}

TEST(TemplateListTest, BuiltInFirstThenTemplateFoldersByName) {
  test::TempDir data;
  for (const char* name : {"zebra", "Alpine", "mid"})
    std::filesystem::create_directories(data.path() / "templates" / name);
  WriteText(data.path() / "templates" / "notes.txt", "a file is no template");
  EXPECT_EQ(ListTemplates(data.str()), (std::vector<std::string>{"Albumsmith Default", "Alpine", "mid", "zebra"}));
  test::TempDir empty;
  EXPECT_EQ(ListTemplates(empty.str()), (std::vector<std::string>{"Albumsmith Default"}));
}

TEST(TemplateDirectoryTest, BuiltInIsTheDataDirectory) {
  EXPECT_EQ(TemplateDirectory("/data/", "Albumsmith Default"), "/data/");
  EXPECT_EQ(TemplateDirectory("/data/", "Blue Sky"), "/data/templates/Blue Sky/");
  // The directory choice compares the name exactly.
  EXPECT_EQ(TemplateDirectory("/data/", "albumsmith default"), "/data/templates/albumsmith default/");
  EXPECT_EQ(TemplateDirectory("/data/", "\xE9\xE8\xE0"), "/data/");  // TemplateName absent from Profile.ini
}

TEST(CheckTemplateTest, VersionFileDecides) {
  const std::string data = FixtureTemplateDir();
  struct Case {
    const char* name;
    bool current;
  } cases[] = {
      {"Albumsmith Default", true},  // needs no version file
      {"ALBUMSMITH DEFAULT", true},
      {"\xE9\xE8\xE0", true},  // TemplateName absent from Profile.ini: the built-in one is used
      {"", true},
      {"Current", true},  // "1.04" followed by CR LF
      {"Old", false},
      {"Missing", false},
  };
  for (const Case& c : cases) {
    Prompts().Clear();
    EXPECT_EQ(CheckTemplate(data, c.name), c.current) << c.name;
    if (c.current) {
      EXPECT_TRUE(Prompts().texts().empty()) << c.name;
    } else {
      ASSERT_EQ(Prompts().shown().size(), 1u) << c.name;
      EXPECT_EQ(Prompts().shown()[0].text, Mismatch(c.name));
      EXPECT_EQ(Prompts().shown()[0].buttons, Buttons::Ok);
    }
  }
}

TEST(CheckTemplateTest, PublishingAsksAndCancelStops) {
  const std::string data = FixtureTemplateDir();
  Prompts().Clear();
  Prompts().Queue(Answer::Cancel);
  EXPECT_FALSE(ConfirmTemplateForPublishing(data, "Old"));
  Prompts().Queue(Answer::Ok);
  EXPECT_TRUE(ConfirmTemplateForPublishing(data, "Old"));
  EXPECT_EQ(Prompts().shown()[0].buttons, Buttons::OkCancel);
  EXPECT_TRUE(ConfirmTemplateForPublishing(data, "Current"));
  EXPECT_EQ(Prompts().shown().size(), 2u);
}

TEST(TemplatePictureTest, OnlyOneOrTheChosenOne) {
  test::TempDir dir;
  EXPECT_FALSE(TemplatePictureToShow(dir.str(), false));
  WriteText(dir.path() / "albsite/slide.jpg", "s");
  EXPECT_EQ(TemplatePictureToShow(dir.str(), false), dir.str() + "albsite/slide.jpg");
  EXPECT_FALSE(FindTemplatePictures(dir.str()).index);
  WriteText(dir.path() / "albsite/index.jpg", "i");
  EXPECT_EQ(TemplatePictureToShow(dir.str(), false), dir.str() + "albsite/index.jpg");
  EXPECT_EQ(TemplatePictureToShow(dir.str(), true), dir.str() + "albsite/slide.jpg");
}

TEST(ReadSkeletonTest, ReadsLongSkeletonsWholeWithoutCarriageReturns) {
  test::TempDir dir;
  std::string page = "<html>\r\n";
  while (page.size() < 40000) page += "<p>__TITLE__ line</p>\r\n";
  page += "</html>\r\n";
  WriteText(dir.path() / "index_templ.html", page);
  const std::optional<std::string> read = ReadSkeleton(dir.str() + "index_templ.html");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->find('\r'), std::string::npos);
  EXPECT_EQ(read->substr(read->size() - 8), "</html>\n");
}

TEST(ReadSkeletonTest, MissingSkeletonIsReportedWithTheSystemError) {
  Prompts().Clear();
  EXPECT_FALSE(ReadSkeleton("/nonexistent/index_templ.html"));
  ASSERT_EQ(Prompts().texts().size(), 1u);
  EXPECT_EQ(Prompts().texts()[0].rfind("Cannot open local file /nonexistent/index_templ.html\r\n\r\n2 : ", 0), 0u)
      << Prompts().texts()[0];
}

}  // namespace
}  // namespace albumsmith
