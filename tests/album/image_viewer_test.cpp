// The image viewer's stepping, numbering, comment and medium image names.

#include "album/image_viewer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "album/side_files.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

TEST(ImageViewerModel, StepsThroughTheFolderInItsShownOrder) {
  Environment::prompter().Clear();
  TempDir dir;
  const fs::path thumbs = dir.path() / "albsite/s/Trip";
  fs::create_directories(thumbs);
  WriteText(thumbs / "sort.inf", "1\nc.jpg\na.jpg\nb.jpg\n");
  WriteText(thumbs / "a.jpg.comment", "Harbour at dusk\nsecond line");
  const struct {
    const char* start;
    int index;
    const char* medium;
  } cases[] = {
      {"c.jpg", 0, "c.jpg"},
      {"A.JPG", 1, "a.jpg"},     // names compare without regard to case
      {"gone.jpg", 2, "b.jpg"},  // not named: the last one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    const ImageViewerModel viewer(dir.str(), "Trip/", c.start);
    EXPECT_EQ(viewer.index(), c.index);
    EXPECT_EQ(viewer.mediumPath(), dir.str() + "albsite/m/Trip/" + c.medium);
  }

  ImageViewerModel viewer(dir.str(), "Trip/", "c.jpg");
  EXPECT_EQ(viewer.caption(), " Image 01");
  EXPECT_FALSE(viewer.canPrevious());
  EXPECT_TRUE(viewer.canNext());
  EXPECT_FALSE(viewer.Previous());
  EXPECT_EQ(viewer.comment(), "");
  ASSERT_TRUE(viewer.Next());
  EXPECT_EQ(viewer.caption(), " Image 02");
  EXPECT_EQ(viewer.comment(), "Harbour at dusk");
  ASSERT_TRUE(viewer.Next());
  EXPECT_TRUE(viewer.canPrevious());
  EXPECT_FALSE(viewer.canNext());
  EXPECT_FALSE(viewer.Next());
  EXPECT_EQ(viewer.fileName(), "b.jpg");
  // No medium image yet: nothing to show, and no message.
  ImageBuffer picture;
  EXPECT_FALSE(viewer.LoadPicture(picture));
  EXPECT_TRUE(Environment::prompter().texts().empty());
}

}  // namespace
}  // namespace albumsmith::test
