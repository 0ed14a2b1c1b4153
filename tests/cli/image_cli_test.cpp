// The "import" and "list" commands of albumsmith-cli, run as a separate process.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

std::string DateRow(const std::string& date) {
  return "<tr><td><span class=\"key\">Date/Time</span "
         "></td><td>:</td><td><span class=\"val\">" +
         date + "</span></td></tr>\n";
}

class ImageCommandsTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    MakeProfile("Trip");
    fs::create_directories(images());
  }
  fs::path images() const { return profilesPath() / "Trip/ImageTree/Coast"; }
  fs::path thumbs() const { return profilesPath() / "Trip/albsite/s/Coast"; }
  std::string Source(const std::string& name, const std::string& content) {
    WriteText(sources_.path() / name, content);
    return (sources_.path() / name).string();
  }

  TempDir sources_;
};

TEST_F(ImageCommandsTest, ImportCopiesTheFilesAndLoadsTheFolder) {
  const CliResult r = Run({"import", "Trip", "Coast", Source("b.jpg", "B"), Source("A.JPG", "A")});

  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadText(images() / "A.JPG"), "A");
  EXPECT_EQ(ReadText(images() / "b.jpg"), "B");
  EXPECT_NE(r.out.find("2 image(s)"), std::string::npos) << r.out;
  EXPECT_EQ(ReadText(thumbs() / "sort.inf"), "2\nA.JPG\nb.jpg\n");
  EXPECT_TRUE(fs::is_directory(profilesPath() / "Trip/albsite/m/Coast"));
}

TEST_F(ImageCommandsTest, ImportOverwritesAnExistingImageOnlyWhenTheAnswerIsYes) {
  WriteText(images() / "a.jpg", "old");
  const std::string source = Source("a.jpg", "new");

  const CliResult refused = Run({"import", "Trip", "Coast", source});
  EXPECT_EQ(refused.exitCode, 0) << refused.err;
  EXPECT_NE(refused.err.find("a.jpg already exists. Overwrite ?"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadText(images() / "a.jpg"), "old");

  const CliResult accepted = Run({"--yes", "import", "Trip", "Coast", source});
  EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
  EXPECT_EQ(ReadText(images() / "a.jpg"), "new");
}

TEST_F(ImageCommandsTest, ListPrintsTheImagesAndOrderChangesTheStoredOrdering) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteText(images() / name, "x");
  WriteText(thumbs() / "a.jpg.html", DateRow("2005:03:01 10:00:00"));
  WriteText(thumbs() / "c.jpg.html", DateRow("2001:07:20 09:30:00"));
  WriteText(thumbs() / "c.jpg.comment", "Lighthouse");
  const auto later = fs::file_time_type::clock::now() + std::chrono::hours(1);
  for (const auto& e : fs::directory_iterator(thumbs())) fs::last_write_time(e.path(), later);

  const CliResult byName = Run({"list", "Trip", "Coast"});
  ASSERT_EQ(byName.exitCode, 0) << byName.err;
  EXPECT_EQ(byName.out,
            "01\ta.jpg\t01-mar-05 10:00:00\tEnter your comment\n"
            "02\tb.jpg\t\tEnter your comment\n"
            "03\tc.jpg\t20-jul-01 09:30:00\tLighthouse\n");

  const CliResult byDate = Run({"list", "Trip", "Coast", "--order", "date"});
  ASSERT_EQ(byDate.exitCode, 0) << byDate.err;
  const std::vector<std::string> dateOrder = {"02\tb.jpg\t\tEnter your comment",
                                              "03\tc.jpg\t20-jul-01 09:30:00\tLighthouse",
                                              "01\ta.jpg\t01-mar-05 10:00:00\tEnter your comment"};
  EXPECT_EQ(byDate.OutLines(), dateOrder);
  EXPECT_EQ(ReadText(thumbs() / "sort.inf"), "1\nb.jpg\nc.jpg\na.jpg\n");

  // The ordering is the folder's: the next run shows it again. With no
  // sort.pos yet, the stored order also numbers the positions.
  const CliResult again = Run({"list", "Trip", "Coast"});
  EXPECT_EQ(again.OutLines(),
            (std::vector<std::string>{"01\tb.jpg\t\tEnter your comment", "02\tc.jpg\t20-jul-01 09:30:00\tLighthouse",
                                      "03\ta.jpg\t01-mar-05 10:00:00\tEnter your comment"}));
}

TEST_F(ImageCommandsTest, BadArgumentsAreRefused) {
  const struct {
    const char* label;
    std::vector<std::string> args;
    std::string reason;  // "" for a usage error
  } cases[] = {
      {"unknown profile", {"list", "Nope", "Coast"}, "no profile named Nope"},
      {"path leaving the tree", {"list", "Trip", "../.."}, "not a folder path: ../.."},
      {"missing folder", {"list", "Trip", "Inland"}, "no folder Inland in profile Trip"},
      {"unknown ordering",
       {"list", "Trip", "Coast", "--order", "size"},
       "--order takes comment, date, filename or position"},
      {"import without files", {"import", "Trip", "Coast"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const CliResult r = Run(c.args);
    EXPECT_NE(r.exitCode, 0);
    if (!c.reason.empty()) {
      EXPECT_EQ(r.LastErrorLine(), "albumsmith-cli: " + c.reason);
    }
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  EXPECT_FALSE(fs::exists(profilesPath() / "Trip/albsite/s/Inland"));
}

}  // namespace
}  // namespace albumsmith::test
