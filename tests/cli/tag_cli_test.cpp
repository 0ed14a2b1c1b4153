// The "tag" command of albumsmith-cli: the stamp file it writes from its
// options, the medium images it makes again, and the options it refuses.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

class TagCommandTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    MakeProfile("Trip");
    fs::create_directories(images());
    for (const char* name : {"a.jpg", "b.jpg"})
      fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "ui/kodak-dc210.jpg", images() / name);
    const CliResult derived = Run({"derive", "Trip", "Coast"});
    ASSERT_EQ(derived.exitCode, 0) << derived.err;
  }
  fs::path images() const { return profilesPath() / "Trip/ImageTree/Coast"; }
  fs::path medium() const { return profilesPath() / "Trip/albsite/m/Coast"; }
  fs::path thumbs() const { return profilesPath() / "Trip/albsite/s/Coast"; }
};

TEST_F(TagCommandTest, WritesTheStampFromTheOptionsAndRemakesOnlyThoseMediumImages) {
  const auto bMedium = fs::last_write_time(medium() / "b.jpg");
  const auto aThumb = fs::last_write_time(thumbs() / "a.jpg");
  const CliResult r =
      Run({"tag", "Trip", "Coast", "--text", "Kodak, 1998", "--font", "Arial,40,bold,italic", "--color", "11",
           "--background", "transparent", "--background-color", "4", "--position", "ll", "--external", "a.jpg"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string tag = ReadText(images() / "a.jpg.tag");
  EXPECT_TRUE(tag.starts_with("[parameters]")) << tag;
  for (const char* line : {"font=-40,0,0,0,700,1,0,0,0,3,2,1,34,Arial", "text=Kodak, 1998", "txtcolor=11", "bgcolor=4",
                           "position=2", "tag=1", "background=1", "external=1", "boxheight=", "boxwidth="})
    EXPECT_NE(tag.find(line), std::string::npos) << line << "\n" << tag;
  EXPECT_FALSE(fs::exists(images() / "b.jpg.tag"));
  EXPECT_TRUE(fs::exists(medium() / "a.jpg")) << "made again";
  EXPECT_EQ(fs::last_write_time(medium() / "b.jpg"), bMedium);
  EXPECT_EQ(fs::last_write_time(thumbs() / "a.jpg"), aThumb);

  // Options left out keep the first image's stamp; --off keeps it but stops drawing it.
  const CliResult off = Run({"tag", "Trip", "Coast", "--off", "a.jpg", "b.jpg"});
  ASSERT_EQ(off.exitCode, 0) << off.err;
  const std::string b = ReadText(images() / "b.jpg.tag");
  EXPECT_EQ(ReadText(images() / "a.jpg.tag"), b);
  EXPECT_NE(b.find("text=Kodak, 1998"), std::string::npos) << b;
  EXPECT_NE(b.find("tag=0"), std::string::npos) << b;
}

TEST_F(TagCommandTest, RefusesWhatItCannotUse) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    const char* says;
  };
  const Case cases[] = {
      {{"tag", "Trip", "Coast"}, 2, "usage"},
      {{"tag", "Trip", "Coast", "--color", "16", "a.jpg"}, 1, "--color takes a colour number from 0 to 15"},
      {{"tag", "Trip", "Coast", "--background-color", "x", "a.jpg"}, 1, "--background-color takes"},
      {{"tag", "Trip", "Coast", "--position", "top", "a.jpg"}, 1, "--position takes ul, ur, ll, lr or center"},
      {{"tag", "Trip", "Coast", "--background", "grey", "a.jpg"}, 1, "--background takes none, transparent or opaque"},
      {{"tag", "Trip", "Coast", "--font", "Arial", "a.jpg"}, 1, "--font takes"},
      {{"tag", "Trip", "Coast", "--font", "Arial,12,heavy", "a.jpg"}, 1, "--font takes"},
      {{"tag", "Trip", "Coast", "--text", "two\nlines", "a.jpg"}, 1, "--text takes one line"},
      {{"tag", "Trip", "Coast", "missing.jpg"}, 1, "no image missing.jpg in folder Coast"},
      {{"tag", "Trip", "Coast", "../a.jpg"}, 1, "no image ../a.jpg"},
      {{"tag", "Trip", "Inland", "a.jpg"}, 1, "no folder Inland"},
      {{"tag", "Nope", "Coast", "a.jpg"}, 1, "no profile named Nope"},
  };
  for (const Case& c : cases) {
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(fs::exists(images() / "a.jpg.tag"));
}

}  // namespace
}  // namespace albumsmith::test
