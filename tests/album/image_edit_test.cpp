// Import, deletion, cut / copy / paste with its undo, and moving a photo in
// the position order.

#include "album/image_edit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "album/image_list.h"
#include "platform/window_sink.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class ImageEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Environment::prompter().Clear();
    for (const char* folder : {"A/", "B/"}) fs::create_directories(images(folder));
    settings_.name = "P";
    settings_.subdir = "P/";
  }

  std::string profileDir() const { return dir_.str(); }
  fs::path images(const std::string& folder) const { return dir_.path() / "ImageTree" / folder; }
  fs::path thumbs(const std::string& folder) const { return dir_.path() / "albsite/s" / folder; }
  fs::path medium(const std::string& folder) const { return dir_.path() / "albsite/m" / folder; }

  // A photo with everything that belongs to it: its comment and stamp, its
  // medium image, thumbnail, Exif rows and comment copy.
  void AddPhoto(const std::string& folder, const std::string& name, const std::string& mediumSuffix = "") {
    fs::create_directories(thumbs(folder));
    fs::create_directories(medium(folder));
    WriteText(images(folder) / name, "\xFF\xD8 photo " + name);
    WriteText(images(folder) / (name + ".comment"), "comment " + name);
    WriteText(images(folder) / (name + ".tag"), "[Tag]\n");
    WriteText(medium(folder) / (name + mediumSuffix), "medium " + name);
    WriteText(thumbs(folder) / name, "thumb " + name);
    WriteText(thumbs(folder) / (name + ".html"), "rows " + name);
    WriteText(thumbs(folder) / (name + ".comment"), "comment " + name);
  }
  // Every file of a photo that exists in a folder, as "group/name".
  Names FilesOf(const std::string& folder, const std::string& name, const std::string& mediumSuffix = "") const {
    Names found;
    const std::pair<fs::path, std::string> candidates[] = {
        {images(folder) / name, "image"},
        {images(folder) / (name + ".comment"), "image comment"},
        {images(folder) / (name + ".tag"), "tag"},
        {medium(folder) / (name + mediumSuffix), "medium"},
        {thumbs(folder) / name, "thumbnail"},
        {thumbs(folder) / (name + ".html"), "rows"},
        {thumbs(folder) / (name + ".comment"), "comment copy"},
    };
    for (const auto& [path, label] : candidates)
      if (fs::exists(path)) found.push_back(label);
    return found;
  }
  ImageClipboard Record(ImageClipboard::Mode mode, const Names& names, const std::string& from = "A/",
                        const std::string& to = "B/") const {
    ImageClipboard record = MakeClipboard(profileDir(), from, names, mode);
    record.destinationFolder = to;
    return record;
  }
  Names Shown() const { return Environment::prompter().texts(); }

  TempDir dir_;
  ProfileSettings settings_;
};

const Names kAllFiles = {"image", "image comment", "tag", "medium", "thumbnail", "rows", "comment copy"};

// --- reordering --------------------------------------------------------------

TEST(MoveBefore, PlacesThePhotoJustBeforeTheOneItIsDroppedOn) {
  const Names six = {"0", "1", "2", "3", "4", "5"};
  const struct {
    int dragged, target;
    bool changes;
    Names order;
  } cases[] = {
      {1, 4, true, {"0", "2", "3", "1", "4", "5"}},
      {4, 1, true, {"0", "4", "1", "2", "3", "5"}},
      {0, 5, true, {"1", "2", "3", "4", "0", "5"}},
      {5, 0, true, {"5", "0", "1", "2", "3", "4"}},
      {1, 2, false, six},  // onto the next one: it is already just before it
      {1, 1, false, six},
      {1, -1, false, six},
      {2, 6, true, {"0", "1", "3", "4", "5", "2"}},  // one past the last: to the end
      {5, 6, false, six},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dragged << " onto " << c.target);
    EXPECT_EQ(DropChangesOrder(c.dragged, c.target), c.changes);
    EXPECT_EQ(MoveBefore(six, c.dragged, c.target), c.order);
  }
}

TEST_F(ImageEditTest, DropInListRenumbersAndSavesThePositionOrder) {
  RecordingWindowSink sink;
  ImageList list(sink);
  const Names six = {"p0.jpg", "p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"};
  for (const std::string& name : six) WriteText(images("A/") / name, "\xFF\xD8");
  ASSERT_TRUE(list.LoadFolder(profileDir(), "A/", settings_));

  // Not in the position order: no drag at all.
  EXPECT_FALSE(CanDragInList(list));
  EXPECT_EQ(Shown(), Names{"Only move items in sort-by-position display"});
  ASSERT_TRUE(list.SetOrdering(kSortByPosition));
  list.SaveOrder();
  EXPECT_TRUE(CanDragInList(list));

  EXPECT_FALSE(DropInList(list, 1, 4, 2));
  EXPECT_EQ(Shown().back(), "Cannot move multiple images");
  EXPECT_FALSE(DropInList(list, 1, 2, 1));  // onto the next image
  EXPECT_EQ(ReadText(thumbs("A/") / "sort.pos"), "3\np0.jpg\np1.jpg\np2.jpg\np3.jpg\np4.jpg\np5.jpg\n");

  ASSERT_TRUE(DropInList(list, 1, 4, 1));
  Names names, numbers;
  for (const ImageItem& item : list.items()) {
    names.push_back(item.fileName);
    numbers.push_back(ColumnText(item, kSortByPosition));
  }
  EXPECT_EQ(names, (Names{"p0.jpg", "p2.jpg", "p3.jpg", "p1.jpg", "p4.jpg", "p5.jpg"}));
  EXPECT_EQ(numbers, (Names{"01", "02", "03", "04", "05", "06"}));
  EXPECT_EQ(ReadText(thumbs("A/") / "sort.pos"), "3\np0.jpg\np2.jpg\np3.jpg\np1.jpg\np4.jpg\np5.jpg\n");
  EXPECT_EQ(ReadText(thumbs("A/") / "sort.inf"), "3\np0.jpg\np2.jpg\np3.jpg\np1.jpg\np4.jpg\np5.jpg\n");
}

// --- paste and undo ------------------------------------------------------------

TEST_F(ImageEditTest, PastingTheSameCopyTwiceAsksForEachPhotoUnlessToldNotTo) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) AddPhoto("A/", name);
  const ImageClipboard record = Record(ImageClipboard::Mode::kCopy, {"a.jpg", "b.jpg", "c.jpg"});
  EXPECT_EQ(record.sideFileNames,
            (Names{"a.jpg.comment", "a.jpg.html", "b.jpg.comment", "b.jpg.html", "c.jpg.comment", "c.jpg.html"}));

  PasteOutcome first = ApplyPaste(profileDir(), record);
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(first.pasted, (Names{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(FilesOf("B/", "b.jpg"), kAllFiles);
  EXPECT_EQ(FilesOf("A/", "b.jpg"), kAllFiles);

  // Once per photo (not per derived file); a photo kept stays as it was.
  WriteText(images("B/") / "b.jpg", "edited in B");
  Environment::prompter().Queue(Answer::Ok);
  Environment::prompter().Queue(Answer::Cancel);
  Environment::prompter().Queue(Answer::Ok);
  PasteOutcome second = ApplyPaste(profileDir(), record);
  EXPECT_EQ(Shown(), (Names{"a.jpg already exists. Overwrite ?", "b.jpg already exists. Overwrite ?",
                            "c.jpg already exists. Overwrite ?"}));
  EXPECT_EQ(second.pasted, (Names{"a.jpg", "c.jpg"}));
  EXPECT_EQ(ReadText(images("B/") / "b.jpg"), "edited in B");

  // "Don't ask me again" at the first question overwrites the rest.
  Environment::prompter().Clear();
  Environment::prompter().Queue(Answer::Ok, true);
  PasteOutcome third = ApplyPaste(profileDir(), record);
  EXPECT_EQ(Shown(), Names{"a.jpg already exists. Overwrite ?"});
  EXPECT_EQ(third.pasted, (Names{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(ReadText(images("B/") / "b.jpg"), "\xFF\xD8 photo b.jpg");
}

TEST_F(ImageEditTest, UndoOfACutPutsEveryGroupBack) {
  for (const char* name : {"a.jpg", "b.jpg"}) AddPhoto("A/", name);
  const PasteOutcome out = ApplyPaste(profileDir(), Record(ImageClipboard::Mode::kCut, {"a.jpg", "b.jpg"}));
  ASSERT_TRUE(out.failed.empty());
  for (const char* name : {"a.jpg", "b.jpg"}) {
    EXPECT_EQ(FilesOf("B/", name), kAllFiles);
    EXPECT_TRUE(FilesOf("A/", name).empty());
  }
  EXPECT_TRUE(UndoPaste(profileDir(), out.undo).empty());
  for (const char* name : {"a.jpg", "b.jpg"}) {
    EXPECT_EQ(FilesOf("A/", name), kAllFiles);
    EXPECT_TRUE(FilesOf("B/", name).empty());
    EXPECT_EQ(ReadText(images("A/") / name), std::string("\xFF\xD8 photo ") + name);
  }
  EXPECT_TRUE(Shown().empty());
}

TEST_F(ImageEditTest, UndoOfACopyRemovesOnlyWhatThePasteWrote) {
  for (const char* name : {"a.jpg", "b.jpg"}) AddPhoto("A/", name);
  WriteText(images("B/") / "b.jpg", "B's own photo");
  Environment::prompter().Queue(Answer::Cancel);
  const PasteOutcome out = ApplyPaste(profileDir(), Record(ImageClipboard::Mode::kCopy, {"a.jpg", "b.jpg"}));
  EXPECT_EQ(out.undo.imageNames, Names{"a.jpg"});
  EXPECT_TRUE(UndoPaste(profileDir(), out.undo).empty());
  EXPECT_TRUE(FilesOf("B/", "a.jpg").empty());
  EXPECT_EQ(ReadText(images("B/") / "b.jpg"), "B's own photo");
  EXPECT_EQ(FilesOf("A/", "a.jpg"), kAllFiles);
}

TEST_F(ImageEditTest, PasteIntoItsOwnFolderChangesNothing) {
  AddPhoto("A/", "a.jpg");
  for (auto mode : {ImageClipboard::Mode::kCopy, ImageClipboard::Mode::kCut}) {
    const PasteOutcome out = ApplyPaste(profileDir(), Record(mode, {"a.jpg"}, "A/", "A/"));
    EXPECT_FALSE(out.changed());
    EXPECT_TRUE(UndoPaste(profileDir(), out.undo).empty());
    EXPECT_EQ(FilesOf("A/", "a.jpg"), kAllFiles);
  }
  EXPECT_TRUE(Shown().empty());
}

TEST_F(ImageEditTest, AMediumImageLeftUnderAnEarlierNameGoes) {
  AddPhoto("A/", "a.jpg");
  // A guarded-era "N.php" medium image left in the destination by an earlier
  // release: it would pass for the pasted photo's own.
  fs::create_directories(medium("B/"));
  WriteText(medium("B/") / "a.jpg.php", "old medium");
  for (auto mode : {ImageClipboard::Mode::kCopy, ImageClipboard::Mode::kCut}) {
    SCOPED_TRACE(mode == ImageClipboard::Mode::kCut ? "cut" : "copy");
    fs::remove(images("B/") / "a.jpg");
    const PasteOutcome out = ApplyPaste(profileDir(), Record(mode, {"a.jpg"}));
    EXPECT_TRUE(out.failed.empty());
    EXPECT_EQ(ReadText(medium("B/") / "a.jpg"), "medium a.jpg");
    EXPECT_FALSE(fs::exists(medium("B/") / "a.jpg.php"));
  }
  EXPECT_TRUE(Shown().empty());
}

// A photo that cannot be written stops only itself: the others are pasted,
// no photo is left half written on either side, and the message names it.
TEST_F(ImageEditTest, AFailureInTheMiddleOfAPasteLeavesEveryPhotoWhole) {
  for (auto mode : {ImageClipboard::Mode::kCopy, ImageClipboard::Mode::kCut}) {
    SCOPED_TRACE(mode == ImageClipboard::Mode::kCut ? "cut" : "copy");
    Environment::prompter().Clear();
    fs::remove_all(dir_.path() / "ImageTree");
    fs::remove_all(dir_.path() / "albsite");
    fs::create_directories(images("B/"));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) AddPhoto("A/", name);
    // Something the photo cannot replace stands under its name.
    fs::create_directories(images("B/") / "b.jpg" / "inside");
    Environment::prompter().Queue(Answer::Ok);
    const PasteOutcome out = ApplyPaste(profileDir(), Record(mode, {"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(out.failed, Names{"b.jpg"});
    EXPECT_EQ(out.pasted, (Names{"a.jpg", "c.jpg"}));
    ASSERT_FALSE(Shown().empty());
    EXPECT_NE(Shown().back().find("b.jpg"), std::string::npos) << Shown().back();
    EXPECT_EQ(out.failure.message(), Shown().back());
    EXPECT_EQ(ReadText(images("A/") / "b.jpg"), "\xFF\xD8 photo b.jpg");
    EXPECT_EQ(FilesOf("A/", "b.jpg"), kAllFiles);
    for (const char* name : {"a.jpg", "c.jpg"})
      EXPECT_EQ(ReadText(images("B/") / name), std::string("\xFF\xD8 photo ") + name);
    for (const auto& e : fs::directory_iterator(images("B/")))
      EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
  }
}

TEST_F(ImageEditTest, APasteIntoAReadOnlyFolderNamesTheFileAndLosesNothing) {
  if (RunningAsRoot()) GTEST_SKIP() << "permissions do not stop root; the test above covers the failure";
  AddPhoto("A/", "a.jpg");
  fs::permissions(images("B/"), fs::perms::owner_write, fs::perm_options::remove);
  for (auto mode : {ImageClipboard::Mode::kCopy, ImageClipboard::Mode::kCut}) {
    const PasteOutcome out = ApplyPaste(profileDir(), Record(mode, {"a.jpg"}));
    EXPECT_EQ(out.failed, Names{"a.jpg"});
    EXPECT_NE(Shown().back().find("a.jpg"), std::string::npos);
    EXPECT_EQ(FilesOf("A/", "a.jpg"), kAllFiles);
  }
  fs::permissions(images("B/"), fs::perms::owner_write, fs::perm_options::add);
}

// --- delete and import ------------------------------------------------------------

TEST_F(ImageEditTest, DeleteGoesOnPastAPhotoThatCannotBeDeleted) {
  Environment::prompter().Queue(Answer::Cancel);
  EXPECT_FALSE(ConfirmDeleteImages(3));
  EXPECT_EQ(Shown(), Names{"Delete 3 image(s)"});
  Environment::prompter().Clear();

  for (const char* name : {"a.jpg", "c.jpg"}) AddPhoto("A/", name);
  fs::create_directories(images("A/") / "b.jpg");  // a directory: unlink refuses it
  const DeleteOutcome out = DeleteImages(profileDir(), "A/", {"a.jpg", "b.jpg", "c.jpg", "../B/x.jpg"});
  EXPECT_EQ(out.failed, (Names{"b.jpg", "../B/x.jpg"}));
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[0].rfind("Cannot delete file b.jpg", 0), 0u) << Shown()[0];
  // The front ends say why from the outcome: the last message shown.
  EXPECT_EQ(out.failure.message(), Shown()[1]);
  EXPECT_FALSE(fs::exists(images("A/") / "a.jpg"));
  EXPECT_FALSE(fs::exists(images("A/") / "c.jpg"));
  // The user's comment and stamp stay; the derived files go at the load.
  EXPECT_TRUE(fs::exists(images("A/") / "a.jpg.comment"));
}

TEST_F(ImageEditTest, DroppedFilesAreJpegByExtensionOrByTheirFirstBytes) {
  TempDir outside;
  WriteText(outside.path() / "photo.jpeg", "\xFF\xD8\xFF\xE0 jpeg");
  WriteText(outside.path() / "IMG_1.JPG", "any content");
  WriteText(outside.path() / "notes.txt", "hello");
  WriteText(outside.path() / "fake.png", "\x89PNG");
  fs::create_directories(outside.path() / "Holiday");
  const DropSelection drop =
      SortDroppedPaths({outside.str() + "photo.jpeg", outside.str() + "IMG_1.JPG", outside.str() + "notes.txt",
                        outside.str() + "fake.png", outside.str() + "Holiday/"});
  EXPECT_EQ(Shown(), (Names{"notes.txt discarded. Only JPEG files are accepted",
                            "fake.png discarded. Only JPEG files are accepted"}));
  EXPECT_EQ(drop.directories, Names{outside.str() + "Holiday"});
  ASSERT_TRUE(ImportDroppedFiles(profileDir(), "B/", drop));

  // The folder lists ".jpg" files only: a JPEG under another name takes that extension.
  RecordingWindowSink sink;
  ImageList list(sink);
  ASSERT_TRUE(list.LoadFolder(profileDir(), "B/", settings_));
  Names listed;
  for (const ImageItem& item : list.items()) listed.push_back(item.fileName);
  EXPECT_EQ(listed, (Names{"IMG_1.JPG", "photo.jpg"}));
  EXPECT_EQ(ReadText(images("B/") / "photo.jpg"), "\xFF\xD8\xFF\xE0 jpeg");
}

}  // namespace
}  // namespace albumsmith::test
