// The folder image list and its side files: sort.inf / sort.pos, .comment
// files, the Exif rows the list reads dates from, the cleaning of derived
// files at each load, the orderings and the hand-over to the image worker.

#include "album/image_list.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "album/side_files.h"
#include "platform/format.h"
#include "platform/strings.h"
#include "platform/window_sink.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The line Exif rows files hold for one key (HTML form).
std::string Row(const std::string& key, const std::string& value) {
  return "<tr><td><span class=\"key\">" + key + "</span ></td><td>:</td><td><span class=\"val\">" + value +
         "</span></td></tr>\n";
}

void SetTime(const fs::path& file, fs::file_time_type time) { fs::last_write_time(file, time); }

std::vector<std::string> Names(const ImageList& list) {
  std::vector<std::string> names;
  for (const ImageItem& item : list.items()) names.push_back(item.fileName);
  return names;
}

// A profile directory with one folder "Trip/" and the list that shows it.
class ImageListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Environment::prompter().Clear();
    fs::create_directories(images());
    settings_.name = "P";
    settings_.subdir = "P/";
  }

  std::string profileDir() const { return dir_.str(); }
  fs::path images(const std::string& folder = "Trip/") const { return dir_.path() / "ImageTree" / folder; }
  fs::path thumbs(const std::string& folder = "Trip/") const { return dir_.path() / "albsite/s" / folder; }
  fs::path medium(const std::string& folder = "Trip/") const { return dir_.path() / "albsite/m" / folder; }

  void AddImages(const std::vector<std::string>& names, const std::string& folder = "Trip/") {
    for (const std::string& name : names) WriteText(images(folder) / name, "\xFF\xD8 jpeg");
  }
  bool Load(const std::string& folder = "Trip/") { return list_.LoadFolder(profileDir(), folder, settings_); }
  std::string SortInf(const std::string& folder = "Trip/") const { return ReadText(thumbs(folder) / "sort.inf"); }

  TempDir dir_;
  ProfileSettings settings_;
  RecordingWindowSink sink_;
  ImageList list_{sink_};
};

// --- order files -----------------------------------------------------------

struct ReadOrderCase {
  const char* label;
  const char* sortInf;  // nullptr: no file
  const char* sortPos;  // nullptr: no file
  bool currentOrder;
  int ordering;
  std::vector<std::string> names;
};

TEST_F(ImageListTest, ReadOrderFiles) {
  const ReadOrderCase cases[] = {
      {"no sort.inf", nullptr, "3\na.jpg\n", false, -1, {}},
      {"empty sort.inf", "", "3\na.jpg\n", false, -1, {}},
      {"current order", "1\nb.jpg\na.jpg\n", "3\na.jpg\nb.jpg\n", true, 1, {"b.jpg", "a.jpg"}},
      {"position order from sort.pos", "1\nb.jpg\na.jpg\n", "3\na.jpg\nb.jpg\n", false, 1, {"a.jpg", "b.jpg"}},
      {"sort.inf when sort.pos is missing", "1\nb.jpg\na.jpg\n", nullptr, false, 1, {"b.jpg", "a.jpg"}},
      {"CR LF, blanks and a sign", "  +3\r\na.jpg  \r\nb.jpg\t\r\n", nullptr, true, 3, {"a.jpg", "b.jpg"}},
      {"no number", "x\na.jpg", nullptr, true, 0, {"a.jpg"}},
      {"hostile lines",
       "2\n../../outside.jpg\n..\n.\nsub/"
       "a.jpg\nbad\x01name.jpg\n\na.jpg\na.jpg\n",
       nullptr,
       true,
       2,
       {"a.jpg"}},
  };
  for (const ReadOrderCase& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(thumbs());
    fs::create_directories(thumbs());
    if (c.sortInf) WriteText(thumbs() / "sort.inf", c.sortInf);
    if (c.sortPos) WriteText(thumbs() / "sort.pos", c.sortPos);
    std::vector<std::string> names = {"left over"};
    EXPECT_EQ(ReadOrderFiles(profileDir(), "Trip/", names, c.currentOrder), c.ordering);
    EXPECT_EQ(names, c.names);
  }
}

TEST_F(ImageListTest, WriteOrderFilesDropsVanishedImagesAndWritesSortPosOnlyByPosition) {
  AddImages({"a.jpg", "c.jpg"});
  fs::create_directories(thumbs());
  std::vector<std::string> names = {"c.jpg", "gone.jpg", "a.jpg"};
  ASSERT_TRUE(WriteOrderFiles(profileDir(), "Trip/", names, kSortByDate));
  EXPECT_EQ(names, (std::vector<std::string>{"c.jpg", "a.jpg"}));
  EXPECT_EQ(SortInf(), "1\nc.jpg\na.jpg\n");
  EXPECT_FALSE(fs::exists(thumbs() / "sort.pos"));

  ASSERT_TRUE(WriteOrderFiles(profileDir(), "Trip/", names, kSortByPosition));
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\nc.jpg\na.jpg\n");

  // The position order survives a later ordering.
  std::vector<std::string> byName = {"a.jpg", "c.jpg"};
  ASSERT_TRUE(WriteOrderFiles(profileDir(), "Trip/", byName, kSortByFileName));
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\nc.jpg\na.jpg\n");

  std::vector<std::string> elsewhere = {"a.jpg"};
  EXPECT_FALSE(WriteOrderFiles(profileDir(), "Missing/", elsewhere, kSortByFileName));
}

// --- comments --------------------------------------------------------------

TEST_F(ImageListTest, ReadComment) {
  const struct {
    const char* label;
    const char* content;  // nullptr: no file
    std::string comment;
  } cases[] = {
      {"no file", nullptr, std::string(kNoComment)},
      {"empty file", "", std::string(kNoComment)},
      {"empty first line", "\nsecond", std::string(kNoComment)},
      {"first line only", "Beach at dawn\r\nsecond", "Beach at dawn"},
      {"no line end", "Sunset", "Sunset"},
  };
  const fs::path file = dir_.path() / "a.jpg.comment";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(file);
    if (c.content) WriteText(file, c.content);
    EXPECT_EQ(ReadComment(file.string()), c.comment);
  }
}

TEST_F(ImageListTest, WriteCommentWritesWithoutLineEndAndTheDefaultTextDeletes) {
  const fs::path file = dir_.path() / "a.jpg.comment";
  ASSERT_TRUE(WriteComment(file.string(), "Old harbour"));
  EXPECT_EQ(ReadText(file), "Old harbour");
  ASSERT_TRUE(WriteComment(file.string(), std::string(kNoComment)));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(WriteComment(file.string(),
                           std::string(kNoComment)));  // nothing left to delete
}

TEST_F(ImageListTest, EmptyCommentEditDeletesBothFiles) {
  AddImages({"a.jpg"});
  ASSERT_TRUE(Load());
  ASSERT_TRUE(list_.EditComment(0, "Old harbour"));
  EXPECT_EQ(ReadText(images() / "a.jpg.comment"), "Old harbour");
  EXPECT_EQ(ReadText(thumbs() / "a.jpg.comment"), "Old harbour");
  EXPECT_EQ(list_.items()[0].comment, "Old harbour");

  ASSERT_TRUE(list_.EditComment(0, ""));
  EXPECT_FALSE(fs::exists(images() / "a.jpg.comment"));
  EXPECT_FALSE(fs::exists(thumbs() / "a.jpg.comment"));
  EXPECT_EQ(ColumnText(list_.items()[0], 0), kNoComment);
}

// --- dates and proportions -------------------------------------------------

TEST_F(ImageListTest, ReadImageDate) {
  const struct {
    const char* label;
    std::string rows;  // "-": no file
    std::string display;
    std::string dateKey;
    int ratio;
  } cases[] = {
      {"date and resolution",
       Row("Camera make", "Canon") + Row("Date/Time", "2003:12:14 12:01:44") + Row("Resolution", "640 x 480"),
       "14-dec-03 12:01:44", "2003:12:14 12:01:44", 750},
      {"text form", "Date/Time    : 2001:06:09 07:05:00\nResolution   : 480 x 640\n", "09-jun-01 07:05:00",
       "2001:06:09 07:05:00", 1333},
      {"month out of range", Row("Date/Time", "2010:13:02 10:00:00"), "02-\?\?\?-10 10:00:00", "2010:13:02 10:00:00",
       1000},
      {"date that does not parse", Row("Date/Time", "2010:05") + Row("Resolution", "100 x 50"), "IMG_0001", "2010:05",
       500},
      {"no date row: the name, and no row to read the proportions from", Row("Resolution", "100 x 300"), "IMG_0001", "",
       1000},
      {"a file name that looks like a Resolution row",
       Row("File name", "Resolution 3 x 4.JPG") + Row("Resolution", "100 x 300"), "IMG_0001", "", 1000},
      {"width 0", Row("Date/Time", "2003:12:14 12:01:44") + Row("Resolution", "0 x 480"), "14-dec-03 12:01:44",
       "2003:12:14 12:01:44", 1000},
      {"turned a quarter: the upright proportions",
       Row("Date/Time", "2003:12:14 12:01:44") + Row("Resolution", "640 x 480") + Row("Orientation", "rotate 90"),
       "14-dec-03 12:01:44", "2003:12:14 12:01:44", 1333},
      {"turned half: proportions as stored",
       Row("Date/Time", "2003:12:14 12:01:44") + Row("Resolution", "640 x 480") + Row("Orientation", "rotate 180"),
       "14-dec-03 12:01:44", "2003:12:14 12:01:44", 750},
      {"no rows file", "-", "", "", 1000},
  };
  const fs::path file = dir_.path() / "IMG_0001.JPG.html";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(file);
    if (c.rows != "-") WriteText(file, c.rows);
    std::string key;
    int ratio = -7;
    EXPECT_EQ(ReadImageDate(file.string(), "IMG_0001.JPG", key, &ratio), c.display);
    EXPECT_EQ(key, c.dateKey);
    EXPECT_EQ(ratio, c.ratio);
  }
}

// The Date column names the month in the language chosen; a module without
// the month names leaves the English ones.
TEST_F(ImageListTest, DateColumnMonthsComeFromTheLanguage) {
  const fs::path lang = fs::path(ALBUMSMITH_TEST_DATA) / ".." / ".." / "resources" / "Lang" / "Français.lng";
  const auto french = LanguageModule::Load(lang);
  ASSERT_TRUE(french) << lang;
  struct ModuleReset {
    ~ModuleReset() { StringTable::Instance().SetModule(std::nullopt); }
  } reset;
  StringTable::Instance().SetModule(french);
  const char* const months[] = {"janv", "févr", "mars", "avr", "mai", "juin",
                                "juil", "août", "sept", "oct", "nov", "déc"};
  const fs::path file = dir_.path() / "IMG_0001.JPG.html";
  std::string key;
  for (int m = 1; m <= 12; ++m) {
    WriteText(file, Row("Date/Time", Fmt("2003:%02d:14 12:01:44", {m})));
    EXPECT_EQ(ReadImageDate(file.string(), "IMG_0001.JPG", key), std::string("14-") + months[m - 1] + "-03 12:01:44")
        << m;
  }
  WriteText(file, Row("Date/Time", "2010:13:02 10:00:00"));
  EXPECT_EQ(ReadImageDate(file.string(), "IMG_0001.JPG", key), "02-\?\?\?-10 10:00:00");

  StringTable::Instance().SetModule(LanguageModule::FromText("164 \"2.2.1\"\n"));
  WriteText(file, Row("Date/Time", "2003:08:14 12:01:44"));
  EXPECT_EQ(ReadImageDate(file.string(), "IMG_0001.JPG", key), "14-aug-03 12:01:44");
}

// An image without a comment shows the language's "none" text; saving that
// text, or the English one a list read before the switch still holds,
// removes the comment rather than storing the placeholder.
TEST_F(ImageListTest, NoCommentTextFollowsTheLanguage) {
  struct ModuleReset {
    ~ModuleReset() { StringTable::Instance().SetModule(std::nullopt); }
  } reset;
  StringTable::Instance().SetModule(LanguageModule::FromText("62162 \"Saisissez votre commentaire\"\n"));
  const fs::path file = thumbs() / "a.jpg.comment";
  fs::create_directories(thumbs());
  EXPECT_EQ(ReadComment(file.string()), "Saisissez votre commentaire");
  for (const std::string& none : {std::string("Saisissez votre commentaire"), std::string(kNoComment)}) {
    WriteText(file, "Harbour");
    EXPECT_TRUE(WriteComment(file.string(), none).ok());
    EXPECT_FALSE(fs::exists(file)) << none;
  }
  AddImages({"a.jpg"});
  WriteText(thumbs() / "a.jpg", "thumbnail");
  WriteText(file, "Saisissez votre commentaire");
  const std::vector<SequenceImage> seq = ReadFolderSequence(profileDir(), "Trip/");
  ASSERT_EQ(seq.size(), 1u);
  EXPECT_EQ(seq[0].comment, "");
}

TEST_F(ImageListTest, ReadFolderSequenceFollowsSortInf) {
  AddImages({"a.jpg", "b.jpg"});
  for (const char* name : {"a.jpg", "b.jpg"}) WriteText(thumbs() / name, "thumbnail");
  WriteText(thumbs() / "sort.inf", "1\nb.jpg\na.jpg\n../../secret.jpg\n");
  WriteText(thumbs() / "b.jpg.html", Row("Date/Time", "2004:02:29 08:00:00") + Row("Resolution", "200 x 100"));
  WriteText(thumbs() / "a.jpg.comment", "Harbour");

  const std::vector<SequenceImage> seq = ReadFolderSequence(profileDir(), "Trip/");

  ASSERT_EQ(seq.size(), 2u);
  EXPECT_EQ(seq[0].fileName, "b.jpg");
  EXPECT_EQ(seq[0].date, "29-feb-04 08:00:00");
  EXPECT_EQ(seq[0].ratio, 500);
  EXPECT_EQ(seq[0].comment, "");  // the default text is not a comment
  EXPECT_EQ(seq[1].fileName, "a.jpg");
  EXPECT_EQ(seq[1].date, "");  // no rows file yet
  EXPECT_EQ(seq[1].comment, "Harbour");
}

// The pages list the photos the folder holds, however it came to hold them,
// and only those a thumbnail could be made of.
TEST_F(ImageListTest, ReadFolderSequenceListsExactlyTheFoldersPhotos) {
  const struct {
    const char* label;
    const char* sortInf;  // nullptr: no file
    std::vector<std::string> names;
  } cases[] = {
      {"in the stored order, new photos after it by name",
       "3\nc.jpg\ngone.jpg\na.jpg\n",
       {"c.jpg", "a.jpg", "B.jpg", "d.jpg"}},
      {"an empty sort.inf", "", {"a.jpg", "B.jpg", "c.jpg", "d.jpg"}},
      {"no sort.inf", nullptr, {"a.jpg", "B.jpg", "c.jpg", "d.jpg"}},
  };
  AddImages({"a.jpg", "B.jpg", "c.jpg", "d.jpg", "unreadable.jpg"});
  WriteText(images() / "notes.txt", "not a photo");
  for (const char* name : {"a.jpg", "B.jpg", "c.jpg", "d.jpg", "gone.jpg", "notes.txt"})
    WriteText(thumbs() / name, "thumbnail");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Environment::prompter().Clear();
    fs::remove(thumbs() / "sort.inf");
    if (c.sortInf) WriteText(thumbs() / "sort.inf", c.sortInf);

    std::vector<std::string> names;
    for (const SequenceImage& image : ReadFolderSequence(profileDir(), "Trip/")) names.push_back(image.fileName);

    EXPECT_EQ(names, c.names);
    const std::vector<std::string> said = Environment::prompter().texts();
    if (c.sortInf)
      EXPECT_TRUE(said.empty());
    else
      EXPECT_EQ(said, std::vector<std::string>{"Cannot read sort file \"" + (thumbs() / "sort.inf").string() + "\""});
  }
}

// --- loading ---------------------------------------------------------------

TEST_F(ImageListTest, FirstLoadOfANewFolderWritesSortInfInNameOrder) {
  AddImages({"b.jpg", "IMG_1.JPG", "a.Jpg", "notes.txt", "photo.jpeg"});
  fs::create_directories(images() / "Sub.jpg");  // a folder, not an image
  WriteText(thumbs() / "a.Jpg.html", Row("Date/Time", "2003:12:14 12:01:44"));
  WriteText(thumbs() / "a.Jpg.comment", "Harbour");
  const auto later = fs::file_time_type::clock::now() + 1h;
  SetTime(thumbs() / "a.Jpg.html", later);
  SetTime(thumbs() / "a.Jpg.comment", later);

  ASSERT_TRUE(Load());

  EXPECT_EQ(list_.ordering(), kSortByFileName);
  EXPECT_EQ(Names(list_), (std::vector<std::string>{"a.Jpg", "b.jpg", "IMG_1.JPG"}));
  EXPECT_EQ(SortInf(), "2\na.Jpg\nb.jpg\nIMG_1.JPG\n");
  EXPECT_FALSE(fs::exists(thumbs() / "sort.pos"));
  EXPECT_TRUE(fs::is_directory(medium()));

  const ImageItem& a = list_.items()[0];
  EXPECT_EQ(ColumnText(a, 0), "Harbour");
  EXPECT_EQ(ColumnText(a, 1), "14-dec-03 12:01:44");
  EXPECT_EQ(a.dateKey, "2003:12:14 12:01:44");
  EXPECT_EQ(ColumnText(a, 3), "01");
  EXPECT_EQ(ColumnText(list_.items()[2], 3), "03");
  EXPECT_EQ(ColumnText(list_.items()[1], 0), kNoComment);
  EXPECT_EQ(ColumnText(list_.items()[1], 1),
            "");  // the worker has not written its rows yet

  // A new folder moves no selector; the count and the hidden bar are posted.
  const std::vector<RecordingWindowSink::Posted> posted = sink_.posted();
  ASSERT_EQ(posted.size(), 2u);
  const auto* progress = std::get_if<RecordingWindowSink::Progress>(&posted[0]);
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->maximum, 10);
  EXPECT_EQ(progress->position, -1);
  const auto* status = std::get_if<RecordingWindowSink::Status>(&posted[1]);
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->text, "3 image(s)");
}

TEST_F(ImageListTest, ANewFolderTakesTheListsCurrentOrdering) {
  AddImages({"b.jpg", "a.jpg"});
  AddImages({"y.jpg", "x.jpg"}, "Other/");
  WriteText(thumbs() / "sort.inf", "1\nb.jpg\na.jpg\n");
  ASSERT_TRUE(Load());
  ASSERT_EQ(list_.ordering(), kSortByDate);

  ASSERT_TRUE(Load("Other/"));
  EXPECT_EQ(SortInf("Other/"),
            "1\nx.jpg\ny.jpg\n");  // equal (empty) dates keep name order
}

TEST_F(ImageListTest, AFreshListKeepsTheFoldersStoredOrderingAndNames) {
  AddImages({"a.jpg", "b.jpg"});
  WriteText(thumbs() / "sort.inf", "3\nb.jpg\na.jpg\n");
  WriteText(thumbs() / "sort.pos", "3\nb.jpg\na.jpg\n");

  ASSERT_TRUE(Load());

  EXPECT_EQ(list_.ordering(), kSortByPosition);
  EXPECT_EQ(Names(list_), (std::vector<std::string>{"b.jpg", "a.jpg"}));
  EXPECT_EQ(SortInf(), "3\nb.jpg\na.jpg\n");
  const std::vector<RecordingWindowSink::Posted> posted = sink_.posted();
  ASSERT_FALSE(posted.empty());
  const auto* selector = std::get_if<RecordingWindowSink::SortSelector>(&posted.front());
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(selector->index, kSortByPosition);
}

TEST_F(ImageListTest, AVanishedImageLeavesTheOrderFilesAndThePositionOrderStays) {
  AddImages({"a.jpg", "b.jpg", "c.jpg"});
  WriteText(thumbs() / "sort.inf", "3\nc.jpg\na.jpg\nb.jpg\n");
  WriteText(thumbs() / "sort.pos", "3\nc.jpg\na.jpg\nb.jpg\n");
  fs::remove(images() / "a.jpg");

  ASSERT_TRUE(Load());

  EXPECT_EQ(Names(list_), (std::vector<std::string>{"c.jpg", "b.jpg"}));
  EXPECT_EQ(SortInf(), "3\nc.jpg\nb.jpg\n");
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\nc.jpg\nb.jpg\n");
}

TEST_F(ImageListTest, ANewImageTakesTheNextPositionAndJoinsTheOrderFilesAtOnce) {
  AddImages({"a.jpg", "b.jpg", "new.jpg"});
  WriteText(thumbs() / "sort.inf", "3\nb.jpg\na.jpg\n");

  ASSERT_TRUE(Load());

  EXPECT_EQ(Names(list_), (std::vector<std::string>{"b.jpg", "a.jpg", "new.jpg"}));
  EXPECT_EQ(ColumnText(list_.items()[2], 3), "03");
  EXPECT_EQ(SortInf(), "3\nb.jpg\na.jpg\nnew.jpg\n");
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\nb.jpg\na.jpg\nnew.jpg\n");
}

// Only a name whose file is gone leaves the position order; another file's
// name (whatever its extension) keeps its place there.
TEST_F(ImageListTest, APositionIsKeptForEveryFileTheFolderStillHolds) {
  AddImages({"x.jpg", "scan.jpeg", "y.JPG"});
  WriteText(thumbs() / "sort.inf", "3\nx.jpg\nscan.jpeg\ny.JPG\n");
  WriteText(thumbs() / "sort.pos", "3\nx.jpg\nscan.jpeg\ny.JPG\n");

  ASSERT_TRUE(Load());

  EXPECT_EQ(Names(list_), (std::vector<std::string>{"x.jpg", "y.JPG"}));
  EXPECT_EQ(ColumnText(list_.items()[0], 3), "01");
  EXPECT_EQ(ColumnText(list_.items()[1], 3), "03");
}

TEST_F(ImageListTest, AHostileSortInfTouchesNothingOutsideTheFolder) {
  AddImages({"a.jpg"});
  WriteText(dir_.path() / "outside.jpg", "keep");
  WriteText(thumbs() / "sort.inf", "3\n../../outside.jpg\n..\na.jpg\n");
  WriteText(thumbs() / "sort.pos", "3\n../../../outside.jpg\n/etc/passwd\na.jpg\n");

  ASSERT_TRUE(Load());
  ASSERT_TRUE(list_.SaveOrder());

  EXPECT_EQ(Names(list_), std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(list_.positionList(), std::vector<std::string>{"a.jpg"});
  EXPECT_EQ(SortInf(), "3\na.jpg\n");
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\na.jpg\n");
  EXPECT_EQ(ReadText(dir_.path() / "outside.jpg"), "keep");
}

TEST_F(ImageListTest, APhotoWhoseNameCannotBeListedIsSkippedAndNeverDeleted) {
  const std::vector<std::string> unlisted = {"back\\slash.jpg", "bad\nname.jpg", "tab\there.jpg", "worse\x01.jpg"};
  AddImages({"a.jpg"});
  AddImages(unlisted);
  auto& prompter = Environment::prompter();
  for (size_t i = 0; i < unlisted.size(); ++i) prompter.Queue(Answer::Ok);  // what --yes answers

  ASSERT_TRUE(Load());

  EXPECT_EQ(Names(list_), std::vector<std::string>{"a.jpg"});
  const std::string folder = images().string();  // ends with "/"
  const std::string reason =
      ".\n\nIts name holds a backslash, a line break, a tab or another control character, which the album cannot "
      "carry. Rename the file to add it.";
  EXPECT_EQ(prompter.texts(), (std::vector<std::string>{"Cannot add image " + folder + "back\\slash.jpg" + reason,
                                                        "Cannot add image " + folder + "bad\\nname.jpg" + reason,
                                                        "Cannot add image " + folder + "tab\\there.jpg" + reason,
                                                        "Cannot add image " + folder + "worse\\x01.jpg" + reason}));
  for (const std::string& name : unlisted) EXPECT_TRUE(fs::exists(images() / name)) << name;
  EXPECT_EQ(SortInf(), "2\na.jpg\n");
  const std::vector<RecordingWindowSink::Posted> posted = sink_.posted();
  const auto* status = std::get_if<RecordingWindowSink::Status>(&posted.back());
  ASSERT_NE(status, nullptr);
  // The names found, as listed from the folder.
  EXPECT_EQ(status->text, std::to_string(1 + unlisted.size()) + " image(s)");
}

TEST_F(ImageListTest, LoadCleansStaleAndOrphanedDerivedFiles) {
  AddImages({"a.jpg", "b.jpg", "c.jpg"});
  fs::create_directories(images() / "Kept");
  const auto t = fs::file_time_type::clock::now() - 1h;
  for (const char* image : {"a.jpg", "b.jpg", "c.jpg"}) SetTime(images() / image, t);
  const std::string running = "~" + std::to_string(::getpid()) + "-1";
  const std::string crashed = "~" + std::to_string(EndedProcessId()) + "-1";

  const struct {
    fs::path file;
    fs::file_time_type time;
    bool kept;
  } files[] = {
      {thumbs() / "a.jpg", t + 10s, true},   // newer than its image
      {thumbs() / "b.jpg", t - 10s, false},  // older: the image changed since
      {thumbs() / "c.jpg", t, false},        // same time counts as stale
      {thumbs() / "a.jpg.html", t + 10s, true},
      {thumbs() / "b.jpg.html", t - 10s, false},
      {thumbs() / "a.jpg.comment", t + 10s, true},
      {thumbs() / "a.jpg.exif", t + 10s, false},  // an older program's file
      {thumbs() / "B.JPG.EXIF", t + 10s, false},
      {thumbs() / "gone.jpg", t + 10s, false},  // its image was deleted
      {thumbs() / "gone.jpg.html", t + 10s, false},
      {thumbs() / "Gone/x.jpg", t + 10s, false},  // a folder that no longer exists
      {thumbs() / "Kept/x.jpg", t + 10s, true},   // left for that folder's own load
      {medium() / "a.jpg", t + 10s, true},
      {medium() / "b.jpg", t - 10s, false},
      {medium() / "c.jpg.php", t + 10s, false},  // the access-security form while it is off
      {medium() / "gone.jpg", t + 10s, false},
      {medium() / "Gone/x.jpg", t + 10s, false},
      // Files the image worker is writing at this moment, and those of a
      // writer that crashed.
      {thumbs() / (".a.jpg." + running), t - 10s, true},
      {thumbs() / (".b.jpg.html." + running), t - 10s, true},
      {thumbs() / (".gone.jpg." + running), t - 10s, true},
      {medium() / (".b.jpg." + running), t - 10s, true},
      {thumbs() / (".c.jpg." + crashed), t - 10s, false},
      {medium() / (".c.jpg." + crashed), t - 10s, false},
      {images() / (".d.jpg." + running), t - 10s, true},  // a photo being imported
      {images() / (".d.jpg." + crashed), t - 10s, false},
  };
  for (const auto& f : files) {
    WriteText(f.file, "x");
    SetTime(f.file, f.time);
  }
  WriteText(thumbs() / "sort.inf", "2\na.jpg\nb.jpg\nc.jpg\n");
  WriteText(thumbs() / "sort.pos", "3\nc.jpg\nb.jpg\na.jpg\n");
  SetTime(thumbs() / "sort.pos", t - 1h);

  ASSERT_TRUE(Load());

  for (const auto& f : files) EXPECT_EQ(fs::exists(f.file), f.kept) << f.file;
  EXPECT_TRUE(fs::exists(thumbs() / "sort.inf"));
  EXPECT_TRUE(fs::exists(thumbs() / "sort.pos"));
  EXPECT_FALSE(fs::exists(thumbs() / "Gone"));
  // The orphaned thumbnail's name goes no further than the cleaning; the
  // position order is only rewritten while it is the ordering shown.
  EXPECT_EQ(SortInf(), "2\na.jpg\nb.jpg\nc.jpg\n");
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\nc.jpg\nb.jpg\na.jpg\n");
}

// A protected album is guarded as it is published: on the disk the medium
// image keeps the picture's name, and the "N.php" of earlier releases goes.
TEST_F(ImageListTest, MediumImagesKeepThePictureNameWhateverTheAccessSetting) {
  AddImages({"a.jpg"});
  const auto t = fs::file_time_type::clock::now() - 1h;
  SetTime(images() / "a.jpg", t);
  for (int security : {0, 1}) {
    SCOPED_TRACE(security);
    for (const char* name : {"a.jpg", "a.jpg.php"}) {
      WriteText(medium() / name, "x");
      SetTime(medium() / name, t + 10s);
    }
    settings_.accessSecurity = security;
    ASSERT_TRUE(Load());
    EXPECT_TRUE(fs::exists(medium() / "a.jpg"));
    EXPECT_FALSE(fs::exists(medium() / "a.jpg.php"));
  }
}

TEST_F(ImageListTest, ASupportFolderThatCannotBeMadeStopsTheLoad) {
  for (const char* blocked : {"albsite/s", "albsite/m"}) {
    SCOPED_TRACE(blocked);
    AddImages({"a.jpg"});
    ASSERT_TRUE(Load());
    ASSERT_FALSE(list_.items().empty());
    fs::remove_all(dir_.path() / "albsite");
    WriteText(dir_.path() / blocked, "a file in the way");
    Environment::prompter().Clear();

    EXPECT_FALSE(Load());

    EXPECT_TRUE(list_.items().empty());
    EXPECT_FALSE(list_.SaveOrder());  // nothing loaded, nothing written
    ASSERT_EQ(Environment::prompter().texts().size(), 1u);
    EXPECT_EQ(Environment::prompter().texts()[0].rfind("Cannot create directory ", 0), 0u);
    fs::remove_all(dir_.path() / "albsite");
  }
}

TEST_F(ImageListTest, ASortFileThatCannotBeWrittenIsReported) {
  AddImages({"a.jpg"});
  ASSERT_TRUE(Load());
  fs::remove_all(thumbs());
  WriteText(thumbs().parent_path(), "a file where the folder was");
  Environment::prompter().Clear();

  EXPECT_FALSE(list_.SaveOrder());

  EXPECT_EQ(Environment::prompter().texts(),
            std::vector<std::string>{"Cannot create sort file " + (thumbs() / "sort.inf").string()});
}

// --- orderings -------------------------------------------------------------

TEST_F(ImageListTest, TheFourOrderings) {
  // Names, comments, dates and positions each in a different order.
  AddImages({"a.jpg", "B.jpg", "c.jpg", "d.jpg"});
  WriteText(thumbs() / "sort.inf", "2\nd.jpg\nc.jpg\na.jpg\nB.jpg\n");
  WriteText(thumbs() / "a.jpg.comment", "zebra");
  WriteText(thumbs() / "B.jpg.comment", "Apple");
  WriteText(thumbs() / "d.jpg.comment", "apple");  // same comment: by file name
  WriteText(thumbs() / "a.jpg.html", Row("Date/Time", "2005:01:01 00:00:00"));
  WriteText(thumbs() / "c.jpg.html", Row("Date/Time", "2001:01:01 00:00:00"));
  WriteText(thumbs() / "d.jpg.html", Row("Camera make", "none"));  // no date: empty key sorts first
  const auto later = fs::file_time_type::clock::now() + 1h;
  for (const auto& e : fs::directory_iterator(thumbs())) SetTime(e.path(), later);
  ASSERT_TRUE(Load());

  const struct {
    int ordering;
    std::vector<std::string> names;
  } cases[] = {
      {kSortByComment, {"B.jpg", "d.jpg", "c.jpg", "a.jpg"}},  // "Enter your comment" sorts at E
      {kSortByDate, {"B.jpg", "d.jpg", "c.jpg", "a.jpg"}},
      {kSortByFileName, {"a.jpg", "B.jpg", "c.jpg", "d.jpg"}},
      {kSortByPosition, {"d.jpg", "c.jpg", "a.jpg", "B.jpg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ordering);
    ASSERT_TRUE(list_.SetOrdering(c.ordering));
    EXPECT_EQ(Names(list_), c.names);
  }
  EXPECT_FALSE(list_.SetOrdering(4));
}

TEST_F(ImageListTest, AnItemWithoutRecordSortsLastInBothDirections) {
  ImageItem item;
  for (bool descending : {false, true}) {
    EXPECT_LT(CompareImageItems(&item, nullptr, kSortByFileName, descending), 0);
    EXPECT_GT(CompareImageItems(nullptr, &item, kSortByFileName, descending), 0);
  }
}

TEST_F(ImageListTest, ClickingTheSortedColumnTwiceReversesOnlyTheDetailedList) {
  AddImages({"a.jpg", "b.jpg", "c.jpg"});
  const std::vector<std::string> ascending = {"a.jpg", "b.jpg", "c.jpg"};
  const std::vector<std::string> descending = {"c.jpg", "b.jpg", "a.jpg"};

  list_.SetListMode(ImageList::kDetails);
  ASSERT_TRUE(Load());
  ASSERT_TRUE(list_.ClickColumn(kSortByFileName));
  EXPECT_FALSE(list_.ascending());
  EXPECT_EQ(Names(list_), descending);
  EXPECT_EQ(SortInf(), "2\nc.jpg\nb.jpg\na.jpg\n");
  ASSERT_TRUE(list_.ClickColumn(kSortByFileName));
  EXPECT_EQ(Names(list_), ascending);

  list_.SetListMode(ImageList::kThumbnails);
  ASSERT_TRUE(list_.ClickColumn(kSortByFileName));
  EXPECT_FALSE(list_.ascending());
  EXPECT_EQ(Names(list_), ascending);
  list_.SetListMode(ImageList::kDetails);
  EXPECT_EQ(Names(list_), descending);
}

TEST_F(ImageListTest, ClickingAnotherColumnMakesItTheOrderingAndSavesIt) {
  AddImages({"a.jpg", "b.jpg"});
  WriteText(thumbs() / "sort.inf", "1\nb.jpg\na.jpg\n");
  WriteText(thumbs() / "sort.pos", "3\nb.jpg\na.jpg\n");
  list_.SetListMode(ImageList::kDetails);
  ASSERT_TRUE(Load());
  ASSERT_TRUE(list_.ClickColumn(kSortByDate));  // same column: now descending
  ASSERT_FALSE(list_.ascending());

  ASSERT_TRUE(list_.ClickColumn(kSortByFileName));

  EXPECT_EQ(list_.ordering(), kSortByFileName);
  EXPECT_TRUE(list_.ascending());
  EXPECT_EQ(SortInf(), "2\na.jpg\nb.jpg\n");
  EXPECT_EQ(ReadText(thumbs() / "sort.pos"), "3\nb.jpg\na.jpg\n");
  const std::vector<RecordingWindowSink::Posted> posted = sink_.posted();
  const auto* selector = std::get_if<RecordingWindowSink::SortSelector>(&posted.back());
  ASSERT_NE(selector, nullptr);
  EXPECT_EQ(selector->index, kSortByFileName);
}

// --- the worker's side -----------------------------------------------------

TEST_F(ImageListTest, OneWorkerAtATimeAndNoLoadGoesUnnoticed) {
  AddImages({"b.jpg", "a.jpg"});
  int started = 0;
  list_.SetWorkerStarter([&](ImageList& list) {
    EXPECT_TRUE(list.loading());
    ++started;
  });

  ASSERT_TRUE(Load());
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(list_.loading());
  ImageWorkerJob job = list_.BeginWorkerPass();
  EXPECT_FALSE(list_.restartRequested());
  EXPECT_EQ(job.profileDir, profileDir());
  EXPECT_EQ(job.folder, "Trip/");
  EXPECT_EQ(job.settings.name, "P");
  EXPECT_EQ(job.fileNames, (std::vector<std::string>{"a.jpg", "b.jpg"}));

  // Sorting is refused while the worker runs.
  EXPECT_FALSE(list_.ClickColumn(kSortByDate));
  EXPECT_EQ(list_.ordering(), kSortByFileName);
  EXPECT_EQ(Environment::prompter().texts(), std::vector<std::string>{"Images loading in progress... Cannot sort"});

  // A load during the pass restarts the running worker instead of starting one.
  AddImages({"c.jpg"});
  ASSERT_TRUE(Load());
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(list_.restartRequested());
  EXPECT_FALSE(list_.FinishWorker());
  job = list_.BeginWorkerPass();
  EXPECT_EQ(job.fileNames.size(), 3u);
  EXPECT_TRUE(list_.FinishWorker());
  EXPECT_FALSE(list_.loading());

  ASSERT_TRUE(Load());
  EXPECT_EQ(started, 2);
}

}  // namespace
}  // namespace albumsmith::test
