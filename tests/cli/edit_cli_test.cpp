// The image edits of albumsmith-cli: delete, copy / move between folders,
// and moving a photo in the position order.

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class EditCommandsTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    MakeProfile("Trip");
    for (const char* folder : {"Coast", "Hills"}) fs::create_directories(images(folder));
  }
  fs::path images(const std::string& folder) const { return profilesPath() / "Trip/ImageTree" / folder; }
  fs::path thumbs(const std::string& folder) const { return profilesPath() / "Trip/albsite/s" / folder; }
  void AddPhotos(const std::string& folder, const Lines& names) {
    for (const std::string& name : names) WriteText(images(folder) / name, "\xFF\xD8 " + name);
  }
  // The file names `list` prints, in its order.
  Lines Listed(const std::string& folder) {
    const CliResult r = Run({"list", "Trip", folder});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Lines names;
    for (const std::string& line : r.OutLines()) names.push_back(Split(line, '\t').at(1));
    return names;
  }
};

TEST_F(EditCommandsTest, DeleteAsksThenDeletesEveryPhotoItCanAndSaysWhichFailed) {
  AddPhotos("Coast", {"a.jpg", "b.jpg", "c.jpg"});
  const CliResult refused = Run({"image", "delete", "Trip", "Coast", "a.jpg"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("Delete 1 image(s)"), std::string::npos) << refused.err;
  EXPECT_TRUE(fs::exists(images("Coast") / "a.jpg"));

  const CliResult r = Run({"--yes", "image", "delete", "Trip", "Coast", "a.jpg", "missing.jpg", "c.jpg"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.OutLines(), (Lines{"deleted a.jpg", "deleted c.jpg"}));
  EXPECT_EQ(r.LastErrorLine().rfind("albumsmith-cli: Cannot delete file missing.jpg", 0), 0u) << r.err;
  EXPECT_EQ(Listed("Coast"), Lines{"b.jpg"});
}

TEST_F(EditCommandsTest, CopyAndMoveArePastesWithTheirQuestions) {
  AddPhotos("Coast", {"a.jpg", "b.jpg"});
  const CliResult copy = Run({"image", "copy", "Trip", "Coast", "Hills", "a.jpg", "b.jpg"});
  ASSERT_EQ(copy.exitCode, 0) << copy.err;
  EXPECT_EQ(copy.OutLines(), (Lines{"copied a.jpg", "copied b.jpg"}));
  EXPECT_EQ(Listed("Hills"), (Lines{"a.jpg", "b.jpg"}));

  // Again: each photo is asked about; without a terminal the answer is Cancel.
  const CliResult again = Run({"image", "copy", "Trip", "Coast", "Hills", "a.jpg", "b.jpg"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_TRUE(again.OutLines().empty());
  EXPECT_NE(again.err.find("a.jpg already exists. Overwrite ?"), std::string::npos);
  EXPECT_NE(again.err.find("b.jpg already exists. Overwrite ?"), std::string::npos);

  // A move never replaces: b.jpg stays in Coast, c.jpg goes.
  AddPhotos("Coast", {"c.jpg"});
  const CliResult move = Run({"image", "move", "Trip", "Coast", "Hills", "b.jpg", "c.jpg"});
  EXPECT_EQ(move.exitCode, 1);
  EXPECT_EQ(move.OutLines(), Lines{"moved c.jpg"});
  EXPECT_EQ(move.LastErrorLine().rfind("albumsmith-cli: Cannot move ", 0), 0u) << move.err;
  EXPECT_EQ(Listed("Coast"), (Lines{"a.jpg", "b.jpg"}));
  EXPECT_EQ(Listed("Hills"), (Lines{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(EditCommandsTest, OrderMovesAPhotoInThePositionOrder) {
  AddPhotos("Coast", {"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"});
  const CliResult byName = Run({"image", "order", "Trip", "Coast", "p1.jpg", "--before", "p4.jpg"});
  EXPECT_EQ(byName.exitCode, 1);
  EXPECT_EQ(byName.LastErrorLine(), "albumsmith-cli: Only move items in sort-by-position display");

  ASSERT_EQ(Run({"list", "Trip", "Coast", "--order", "position"}).exitCode, 0);
  const CliResult r = Run({"image", "order", "Trip", "Coast", "p1.jpg", "--before", "p4.jpg"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.OutLines(), Lines{"04\tp1.jpg"});
  EXPECT_EQ(Listed("Coast"), (Lines{"p0.jpg", "p2.jpg", "p3.jpg", "p1.jpg", "p4.jpg", "p5.jpg"}));
  EXPECT_EQ(ReadText(thumbs("Coast") / "sort.pos"), "3\np0.jpg\np2.jpg\np3.jpg\np1.jpg\np4.jpg\np5.jpg\n");

  // Already just before it: nothing changes, nothing printed.
  const CliResult same = Run({"image", "order", "Trip", "Coast", "p1.jpg", "--before", "p4.jpg"});
  EXPECT_EQ(same.exitCode, 0);
  EXPECT_TRUE(same.OutLines().empty());

  const CliResult last = Run({"image", "order", "Trip", "Coast", "p0.jpg", "--last"});
  EXPECT_EQ(last.OutLines(), Lines{"06\tp0.jpg"});
  EXPECT_EQ(Run({"image", "order", "Trip", "Coast", "nope.jpg", "--last"}).LastErrorLine(),
            "albumsmith-cli: no image nope.jpg in Coast");
  EXPECT_EQ(Run({"image", "order", "Trip", "Coast", "p0.jpg"}).exitCode, 2);
}

}  // namespace
}  // namespace albumsmith::test
