// The image worker and the processing of one image: which derived files are
// made, at which sizes, when they are left alone, what a bad image does, and
// the order in which a pass on several threads reports.

#include "album/image_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "imaging/derived_images.h"
#include "imaging/test_pictures.h"
#include "platform/window_sink.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

PictureSize SizeOf(const fs::path& jpeg) {
  const DecodedFile d = Decode(jpeg);
  return {d.picture.width(), d.picture.height()};
}

// What a sink recorded, as one line per message, for comparing sequences.
std::vector<std::string> Lines(const RecordingWindowSink& sink) {
  std::vector<std::string> lines;
  for (const auto& posted : sink.posted()) {
    if (const auto* s = std::get_if<RecordingWindowSink::Status>(&posted)) lines.push_back("status " + s->text);
    if (const auto* p = std::get_if<RecordingWindowSink::Progress>(&posted))
      lines.push_back("progress " + std::to_string(p->maximum) + " " + std::to_string(p->position));
    if (const auto* n = std::get_if<RecordingWindowSink::Notice>(&posted)) lines.push_back("notice " + n->text);
  }
  return lines;
}

// A profile with one folder "Trip/" and its support folders.
class ImageWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Environment::prompter().Clear();
    fs::create_directories(images());
    fs::create_directories(thumbs());
    fs::create_directories(medium());
  }

  fs::path images() const { return dir_.path() / "ImageTree/Trip"; }
  fs::path thumbs() const { return dir_.path() / "albsite/s/Trip"; }
  fs::path medium() const { return dir_.path() / "albsite/m/Trip"; }

  ImageWorkerJob Job(std::vector<std::string> names = {}) const {
    return {dir_.str(), "Trip/", settings_, std::move(names)};
  }
  ProcessedImage Process(const std::string& name) { return ProcessImage(Job(), name); }
  std::vector<std::string> Shown() const { return Environment::prompter().texts(); }

  TempDir dir_;
  ProfileSettings settings_;
};

TEST_F(ImageWorkerTest, MakesMediumImageThumbnailAndExifPageAtTheirSizes) {
  struct Case {
    const char* name;
    PictureSize photo, medium, thumbnail;
  };
  const Case cases[] = {
      {"wide.jpg", {3000, 2000}, {800, 534}, {100, 67}},
      {"tall.jpg", {2000, 3000}, {400, 600}, {67, 100}},
  };
  for (const Case& c : cases) {
    WriteRampJpeg(images() / c.name, c.photo.width, c.photo.height);
    const ProcessedImage done = Process(c.name);
    EXPECT_TRUE(done.complete) << c.name;
    EXPECT_TRUE(done.thumbnailMade) << c.name;
    EXPECT_EQ(SizeOf(medium() / c.name), c.medium) << c.name;
    EXPECT_EQ(SizeOf(thumbs() / c.name), c.thumbnail) << c.name;
    // One level of folder below the thumbnail root, one more to leave albsite/s/.
    EXPECT_NE(ReadText(thumbs() / (std::string(c.name) + ".html")).find("href=\"../../js/albumsmith.css\""),
              std::string::npos);
  }
  EXPECT_TRUE(Shown().empty());
}

TEST_F(ImageWorkerTest, GreyscalePhotoGivesGreyscaleDerivedImages) {
  WriteRampJpeg(images() / "grey.jpg", 400, 300, 1);
  ASSERT_TRUE(Process("grey.jpg").complete);
  EXPECT_EQ(Decode(medium() / "grey.jpg").picture.components(), 1);
  EXPECT_EQ(Decode(thumbs() / "grey.jpg").picture.components(), 1);
}

TEST_F(ImageWorkerTest, UpToDateImageIsNotDecodedAndATouchedOneIsMadeAgain) {
  WriteRampJpeg(images() / "a.jpg", 640, 480);
  SetAge(images() / "a.jpg", -100);
  ASSERT_TRUE(Process("a.jpg").complete);

  uint64_t before = JpegDecodeCount();
  const ProcessedImage again = Process("a.jpg");
  EXPECT_TRUE(again.complete);
  EXPECT_FALSE(again.thumbnailMade);
  EXPECT_EQ(JpegDecodeCount(), before);

  // The photo written after its derived files (edited, or copied over).
  for (const char* derived : {"albsite/m/Trip/a.jpg", "albsite/s/Trip/a.jpg", "albsite/s/Trip/a.jpg.html"})
    SetAge(dir_.path() / derived, -200);
  before = JpegDecodeCount();
  const ProcessedImage touched = Process("a.jpg");
  EXPECT_TRUE(touched.thumbnailMade);
  EXPECT_EQ(JpegDecodeCount() - before, 1u) << "medium image and thumbnail from one decode";
  for (const char* derived : {"albsite/m/Trip/a.jpg", "albsite/s/Trip/a.jpg", "albsite/s/Trip/a.jpg.html"})
    EXPECT_FALSE(IsOlderThanSource((images() / "a.jpg").string(), (dir_.path() / derived).string())) << derived;
}

TEST_F(ImageWorkerTest, OnlyTheMissingDerivedImageIsMade) {
  WriteRampJpeg(images() / "a.jpg", 640, 480);
  SetAge(images() / "a.jpg", -100);
  ASSERT_TRUE(Process("a.jpg").complete);
  const std::string mediumBefore = ReadText(medium() / "a.jpg");
  SetAge(medium() / "a.jpg", -50);  // still newer than the photo
  const fs::file_time_type mediumTime = fs::last_write_time(medium() / "a.jpg");
  fs::remove(thumbs() / "a.jpg");
  EXPECT_TRUE(Process("a.jpg").thumbnailMade);
  EXPECT_EQ(SizeOf(thumbs() / "a.jpg"), (PictureSize{100, 75}));
  EXPECT_EQ(fs::last_write_time(medium() / "a.jpg"), mediumTime) << "the up-to-date medium image is left alone";
  EXPECT_EQ(ReadText(medium() / "a.jpg"), mediumBefore);
}

TEST_F(ImageWorkerTest, AccessSecurityLeavesTheMediumImageAPlainJpeg) {
  settings_.accessSecurity = 1;
  WriteRampJpeg(images() / "a.jpg", 640, 480);
  ASSERT_TRUE(Process("a.jpg").complete);
  EXPECT_TRUE(IsJpegFile((medium() / "a.jpg").string()));
  EXPECT_FALSE(fs::exists(medium() / "a.jpg.php"));
}

// landscape_6.jpg is stored on its side (450 x 600) with Exif orientation 6.
TEST_F(ImageWorkerTest, PhotoStoredOnItsSideGivesUprightDerivedImages) {
  const std::string data = std::string(ALBUMSMITH_TEST_DATA) + "/orientation/";
  fs::copy_file(data + "landscape_6.jpg", images() / "side.jpg");
  fs::copy_file(data + "landscape_1.jpg", images() / "upright.jpg");
  ASSERT_TRUE(Process("side.jpg").complete);
  ASSERT_TRUE(Process("upright.jpg").complete);
  EXPECT_EQ(SizeOf(medium() / "side.jpg"), (PictureSize{800, 600}));
  EXPECT_EQ(SizeOf(thumbs() / "side.jpg"), (PictureSize{100, 75}));
  // The two samples were encoded apart and show different numbers: about 13
  // per sample apart when both are upright, about 65 when one is turned.
  EXPECT_LT(MeanDifference(Decode(medium() / "side.jpg").picture, Decode(medium() / "upright.jpg").picture), 25.0);
}

TEST_F(ImageWorkerTest, MediumImageThatCannotBeWrittenStopsTheImage) {
  WriteRampJpeg(images() / "a.jpg", 64, 48);
  fs::create_directories(medium() / "a.jpg" / "in-the-way");
  EXPECT_FALSE(Process("a.jpg").complete);
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot create JPEG file " + (medium() / "a.jpg").string()});
  EXPECT_FALSE(fs::exists(thumbs() / "a.jpg"));
}

TEST_F(ImageWorkerTest, ExifPageThatCannotBeWrittenStillCompletesTheImage) {
  WriteRampJpeg(images() / "a.jpg", 64, 48);
  fs::create_directories(thumbs() / "a.jpg.html" / "in-the-way");
  // Older than the photo, or made in a later clock tick it would pass for an up-to-date page.
  fs::last_write_time(thumbs() / "a.jpg.html", fs::last_write_time(images() / "a.jpg") - std::chrono::hours(1));
  EXPECT_TRUE(Process("a.jpg").complete);
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot create EXIF file " + (thumbs() / "a.jpg.html").string()});
  EXPECT_TRUE(IsJpegFile((thumbs() / "a.jpg").string()));
}

TEST_F(ImageWorkerTest, CommentFollowsTheImageFolder) {
  WriteRampJpeg(images() / "a.jpg", 64, 48);
  ASSERT_TRUE(Process("a.jpg").complete);
  EXPECT_FALSE(fs::exists(thumbs() / "a.jpg.comment"));
  WriteText(images() / "a.jpg.comment", "At the lake");
  Process("a.jpg");
  EXPECT_EQ(ReadText(thumbs() / "a.jpg.comment"), "At the lake");
  WriteText(images() / "a.jpg.comment", "At the sea");
  Process("a.jpg");
  EXPECT_EQ(ReadText(thumbs() / "a.jpg.comment"), "At the sea");
}

TEST(ExifPageStylePrefix, OneStepUpPerFolderLevel) {
  EXPECT_EQ(ExifPageStylePrefix(""), "");
  EXPECT_EQ(ExifPageStylePrefix("Trip/"), "../");
  EXPECT_EQ(ExifPageStylePrefix("Trips/2004/June/"), "../../../");
}

// --- the worker ----------------------------------------------------------

// A list that hands out one job per pass and asks for a restart at a chosen
// poll, the way a folder load during a pass does.
class ScriptedFeed : public WorkerFeed {
 public:
  std::vector<ImageWorkerJob> jobs;  // one per pass; the last repeats
  int restartAtPoll = -1;            // the poll (counted from 0) that sees the restart
  int finishRefusals = 0;            // loads that come in between a pass and its end

  ImageWorkerJob BeginPass() override {
    restart_ = false;
    return jobs[std::min(passes++, jobs.size() - 1)];
  }
  bool RestartRequested() const override {
    if (polls_++ == restartAtPoll) restart_ = true;
    return restart_;
  }
  bool Finish() override {
    ++finishes;
    return finishRefusals-- <= 0;
  }

  size_t passes = 0;
  int finishes = 0;

 private:
  mutable std::atomic<int> polls_{0};
  mutable std::atomic<bool> restart_{false};
};

TEST_F(ImageWorkerTest, TwoThreadsReportInListOrder) {
  // The first photo is by far the slowest, so the ones after it finish
  // first; their messages and item updates still wait for it.
  WriteRampJpeg(images() / "big.jpg", 2400, 1800);
  const std::vector<std::string> names = {"big.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"};
  for (size_t i = 1; i < names.size(); ++i) WriteRampJpeg(images() / names[i], 64, 48);
  fs::create_directories(thumbs() / "big.jpg" / "in-the-way");
  fs::create_directories(medium() / "d.jpg" / "in-the-way");

  ScriptedFeed feed;
  feed.jobs = {Job(names)};
  RecordingWindowSink sink;
  std::vector<std::string> handed;
  WorkerOptions options;
  options.threads = 2;
  options.lowPriority = false;
  options.onImage = [&](ImageDone&& done) {
    EXPECT_EQ(done.index, handed.size());
    EXPECT_EQ(done.folder, "Trip/");
    handed.push_back(done.fileName);
  };
  RunWorker(feed, sink, options);

  EXPECT_EQ(handed, names);
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Cannot create JPEG file " + (thumbs() / "big.jpg").string(),
                                               "Cannot create JPEG file " + (medium() / "d.jpg").string()}));
  std::vector<std::string> expected;
  for (size_t i = 0; i < names.size(); ++i) {
    expected.push_back("status Processing " + names[i]);
    expected.push_back("progress 5 " + std::to_string(i));
  }
  expected.push_back("status 5 image(s)");
  expected.push_back("progress 10 -1");
  EXPECT_EQ(Lines(sink), expected);
  EXPECT_EQ(feed.finishes, 1);
}

// Nothing is made of a file that is no photo, and the image is skipped; a
// file that cannot be opened has a message at once, the others are named
// once each by the pass, after its count.
TEST_F(ImageWorkerTest, BadImagesAreSkippedAndNamedByThePass) {
  WriteRampJpeg(images() / "good.jpg", 64, 48);
  const std::string good = ReadText(images() / "good.jpg");
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"text.jpg", "not a photo"},
      {"truncated.jpg", good.substr(0, good.size() / 2)},
      {"junk.jpg", std::string("\xFF\xD8", 2) + std::string(500, '\x11')},
      {"empty.jpg", ""},
  };
  std::vector<std::string> names = {"good.jpg"};
  for (const Case& c : cases) {
    WriteText(images() / c.name, c.bytes);
    const ProcessedImage done = Process(c.name);
    EXPECT_FALSE(done.complete) << c.name;
    EXPECT_TRUE(done.unreadable) << c.name;
    EXPECT_FALSE(fs::exists(medium() / c.name)) << c.name;
    EXPECT_FALSE(fs::exists(thumbs() / c.name)) << c.name;
    EXPECT_FALSE(fs::exists(thumbs() / (std::string(c.name) + ".html"))) << c.name;
    names.push_back(c.name);
  }
  EXPECT_TRUE(Shown().empty());

  const ProcessedImage gone = Process("gone.jpg");
  EXPECT_FALSE(gone.complete);
  EXPECT_FALSE(gone.unreadable);
  EXPECT_EQ(Shown(), std::vector<std::string>{"Cannot open file " + (images() / "gone.jpg").string()});

  ScriptedFeed feed;
  feed.jobs = {Job(names)};
  RecordingWindowSink sink;
  WorkerOptions options;
  options.threads = 2;
  options.lowPriority = false;
  RunWorker(feed, sink, options);
  std::vector<std::string> expected = {"status 5 image(s)", "progress 10 -1"};
  for (const Case& c : cases)
    expected.push_back("notice Cannot read image " + (images() / c.name).string() +
                       ": the file is empty, cut short or not a JPEG image");
  const std::vector<std::string> lines = Lines(sink);
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<long>(expected.size()), lines.end()), expected);
  EXPECT_TRUE(IsJpegFile((thumbs() / "good.jpg").string()));
}

// The umask is one value for the whole process: writers on several threads
// must leave it to the kernel, or the files of a pass come out writable by
// everyone.
TEST_F(ImageWorkerTest, ParallelPassUnderUmask022MakesNoGroupOrWorldWritableFile) {
  ScopedUmask mask(022);
  std::vector<std::string> names;
  for (int i = 0; i < 24; ++i) {
    names.push_back("p" + std::to_string(i) + ".jpg");
    WriteRampJpeg(images() / names.back(), 32, 24);
    WriteText(images() / (names.back() + ".comment"), "comment " + std::to_string(i));
  }
  ScriptedFeed feed;
  feed.jobs = {Job(names)};
  RecordingWindowSink sink;
  WorkerOptions options;
  options.threads = 4;
  options.lowPriority = false;
  RunWorker(feed, sink, options);

  int files = 0;
  for (const fs::path& dir : {thumbs(), medium()}) {
    for (const auto& e : fs::directory_iterator(dir)) {
      ++files;
      EXPECT_EQ(e.status().permissions() & (fs::perms::group_write | fs::perms::others_write), fs::perms::none)
          << e.path();
    }
  }
  EXPECT_EQ(files, 24 * 4);  // medium image, thumbnail, Exif page and comment copy of each
}

TEST_F(ImageWorkerTest, NewThumbnailIsHandedOverInMemoryAndUpright) {
  fs::copy_file(std::string(ALBUMSMITH_TEST_DATA) + "/orientation/landscape_6.jpg", images() / "side.jpg");
  ScriptedFeed feed;
  feed.jobs = {Job({"side.jpg"})};
  RecordingWindowSink sink;
  std::vector<PictureSize> sizes;
  WorkerOptions options;
  options.lowPriority = false;
  options.onImage = [&](ImageDone&& done) {
    EXPECT_TRUE(done.result.thumbnailMade);
    EXPECT_EQ(done.result.thumbnailPath, (thumbs() / "side.jpg").string());
    sizes.push_back({done.result.thumbnail.width(), done.result.thumbnail.height()});
  };
  RunWorker(feed, sink, options);
  EXPECT_EQ(sizes, std::vector<PictureSize>{(PictureSize{100, 75})});
}

// A restart stops taking images at once and starts over on the new content;
// on two threads the one already taken is finished first.
TEST_F(ImageWorkerTest, RestartStartsANewPassOnTheNewContent) {
  for (const char* name : {"a1.jpg", "a2.jpg", "a3.jpg", "b1.jpg", "b2.jpg"}) WriteRampJpeg(images() / name, 64, 48);
  for (int threads : {1, 2}) {
    for (const auto& e : fs::directory_iterator(medium())) fs::remove(e.path());
    ScriptedFeed feed;
    feed.jobs = {Job({"a1.jpg", "a2.jpg", "a3.jpg"}), Job({"b1.jpg", "b2.jpg"})};
    feed.restartAtPoll = 1;  // while a1 is being made
    RecordingWindowSink sink;
    WorkerOptions options;
    options.threads = threads;
    options.lowPriority = false;
    RunWorker(feed, sink, options);

    EXPECT_EQ(feed.passes, 2u) << threads;
    EXPECT_EQ(Lines(sink), (std::vector<std::string>{
                               "status Processing a1.jpg", "progress 3 0", "status Processing b1.jpg", "progress 2 0",
                               "status Processing b2.jpg", "progress 2 1", "status 2 image(s)", "progress 10 -1"}))
        << threads;
    EXPECT_TRUE(fs::exists(medium() / "a1.jpg"));
    EXPECT_FALSE(fs::exists(medium() / "a2.jpg"));
    EXPECT_FALSE(fs::exists(medium() / "a3.jpg"));
    EXPECT_TRUE(fs::exists(medium() / "b2.jpg"));
  }
}

TEST_F(ImageWorkerTest, LoadBetweenPassEndAndFinishMeansAnotherPass) {
  WriteRampJpeg(images() / "a.jpg", 64, 48);
  ScriptedFeed feed;
  feed.jobs = {Job({"a.jpg"})};
  feed.finishRefusals = 1;
  RecordingWindowSink sink;
  WorkerOptions options;
  options.lowPriority = false;
  RunWorker(feed, sink, options);
  EXPECT_EQ(feed.passes, 2u);
  EXPECT_EQ(feed.finishes, 2);
}

TEST_F(ImageWorkerTest, ServesTheImageListAndClearsItsLoadingFlag) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteRampJpeg(images() / name, 320, 240);
  RecordingWindowSink listSink, workerSink;
  ImageList list(listSink);
  std::thread worker;
  WorkerOptions options;
  options.threads = 2;
  options.lowPriority = false;
  list.SetWorkerStarter([&](ImageList& l) { worker = std::thread([&] { RunWorker(l, workerSink, options); }); });
  ASSERT_TRUE(list.LoadFolder(dir_.str(), "Trip/", settings_));
  EXPECT_TRUE(list.loading());
  worker.join();
  EXPECT_FALSE(list.loading());
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    EXPECT_EQ(SizeOf(medium() / name), (PictureSize{800, 600})) << name;
    EXPECT_TRUE(fs::exists(thumbs() / (std::string(name) + ".html"))) << name;
  }
  EXPECT_EQ(Lines(workerSink).back(), "progress 10 -1");
}

}  // namespace
}  // namespace albumsmith::test
