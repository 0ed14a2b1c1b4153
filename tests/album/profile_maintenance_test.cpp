// Profile maintenance: the verification run over every folder of a profile,
// copying a profile, and moving the profiles base directory with its undo.

#include "album/profile_maintenance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/test_pictures.h"
#include "platform/app_settings.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "store/profiles.h"
#include "test_support.h"

namespace albumsmith::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCameras = fs::path(ALBUMSMITH_TEST_DATA) / "exif";

void PutPhoto(const fs::path& to, const char* camera = "canon-ixus.jpg") {
  fs::create_directories(to.parent_path());
  fs::copy_file(kCameras / camera, to, fs::copy_options::overwrite_existing);
}

// Every file below `dir`, relative to it, with its content (a link with
// where it points).
std::map<std::string, std::string> FilesBelow(const fs::path& dir) {
  std::map<std::string, std::string> files;
  if (!fs::exists(dir)) return files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    const std::string name = fs::relative(e.path(), dir).string();
    if (e.is_symlink())
      files[name] = "-> " + fs::read_symlink(e.path()).string();
    else if (e.is_regular_file())
      files[name] = ReadText(e.path());
  }
  return files;
}

// The "Processing" or "Copy files" window: what it was told, in order; the
// hook runs whenever the first line names a new folder.
class RecordingProgress : public CopyProgress {
 public:
  void SetText(const std::string& first, const std::string& second) override {
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard lock(mutex_);
      if (first != lastFirst_) {
        firstLines_.push_back(first);
        hook = onFirstLine_;
      }
      lastFirst_ = first;
      seconds_.push_back(second);
    }
    if (hook) hook(first);
  }
  void SetPercent(int percent) override {
    std::lock_guard lock(mutex_);
    percents_.push_back(percent);
  }
  void End(int code) override {
    std::lock_guard lock(mutex_);
    ends_.push_back(code);
  }

  void OnFirstLine(std::function<void(const std::string&)> hook) { onFirstLine_ = std::move(hook); }
  std::vector<std::string> firstLines() const { return firstLines_; }
  std::vector<std::string> seconds() const { return seconds_; }
  std::vector<int> percents() const { return percents_; }
  std::vector<int> ends() const { return ends_; }

 private:
  std::mutex mutex_;
  std::function<void(const std::string&)> onFirstLine_;
  std::string lastFirst_;
  std::vector<std::string> firstLines_, seconds_;
  std::vector<int> percents_, ends_;
};

// A profiles base directory of its own and the copier the windows would run.
class ProfileMaintenanceTest : public ::testing::Test {
 protected:
  void SetUp() override { Environment::prompter().Clear(); }

  // Table rows that change the profiles start from an empty base of their own.
  void FreshBase() { base_ = std::make_unique<TempDir>(); }
  std::string profiles() const { return base_->str(); }
  fs::path profile(const std::string& name) const { return base_->path() / name; }

  ProfileSettings MakeProfile(const std::string& name) {
    ProfileSettings s = NewProfileSettings(name);
    s.serverName = "ftp.example.org";
    s.login = "joe";
    s.password = "pw";
    s.remoteDir = "/album/";
    EXPECT_TRUE(CreateProfile(profiles(), s)) << name;
    return s;
  }

  int Verify(const ProfileSettings& s, RecordingProgress& progress) {
    ProfileVerification run(profiles(), s);
    return run.Run(progress);
  }

  // Copies through CopyTreeWithProgress, as the front ends' windows do,
  // remembering the window titles.
  TreeCopier Copier() {
    return [this](const std::string& title, const std::string& source, const std::string& destination) {
      titles_.push_back(title);
      RecordingProgress progress;
      return CopyTreeWithProgress(source, destination, progress);
    };
  }

  std::vector<std::string> Shown() const { return Environment::prompter().texts(); }

  std::unique_ptr<TempDir> base_ = std::make_unique<TempDir>();
  std::vector<std::string> titles_;
};

// --- verification ------------------------------------------------------------

using VerificationTest = ProfileMaintenanceTest;

TEST_F(VerificationTest, MakesTheDerivedFilesOfEveryFolderSubfoldersFirst) {
  const ProfileSettings s = MakeProfile("Holiday");
  const fs::path p = profile("Holiday");
  PutPhoto(p / "ImageTree/top.jpg");
  PutPhoto(p / "ImageTree/Trip/b.jpg", "nikon-e950.jpg");
  PutPhoto(p / "ImageTree/Trip/a.JPG", "sony-d700.jpg");
  WriteText(p / "ImageTree/Trip/a.JPG.comment", "Beach");
  WriteText(p / "ImageTree/Trip/notes.txt", "not an image");
  PutPhoto(p / "ImageTree/Trip/Day 1/c.jpg");
  // A folder of that name would clash with the site's own folder on the server.
  PutPhoto(p / "ImageTree/albsite/d.jpg");
  fs::remove_all(p / "albsite");

  RecordingProgress progress;
  EXPECT_EQ(Verify(s, progress), CopyProgress::kEndSuccess);

  for (const char* image : {"top.jpg", "Trip/b.jpg", "Trip/a.JPG", "Trip/Day 1/c.jpg"}) {
    SCOPED_TRACE(image);
    EXPECT_TRUE(Decode(p / "albsite/m" / image).ok);
    EXPECT_TRUE(Decode(p / "albsite/s" / image).ok);
    EXPECT_TRUE(fs::exists(p / "albsite/s" / (std::string(image) + ".html")));
  }
  EXPECT_EQ(ReadText(p / "albsite/s/Trip/a.JPG.comment"), "Beach");
  EXPECT_FALSE(fs::exists(p / "albsite/s/Trip/notes.txt"));
  EXPECT_FALSE(fs::exists(p / "albsite/s/albsite"));
  EXPECT_FALSE(fs::exists(p / "albsite/m/albsite"));
  EXPECT_TRUE(fs::is_directory(p / "albsite/bg"));
  // A folder never shown gets the order files of a first showing.
  EXPECT_EQ(ReadText(p / "albsite/s/Trip/sort.inf"), "2\na.JPG\nb.jpg\n");
  EXPECT_EQ(ReadText(p / "albsite/s/sort.inf"), "2\ntop.jpg\n");

  EXPECT_EQ(progress.firstLines(), (std::vector<std::string>{"/Trip/Day 1", "/Trip", "/"}));
  EXPECT_EQ(progress.ends(), std::vector<int>{CopyProgress::kEndSuccess});
  const std::vector<int> percents = progress.percents();
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);
  const std::vector<std::string> steps = progress.seconds();
  EXPECT_NE(std::find(steps.begin(), steps.end(), "Resampling b.jpg ..."), steps.end());
  EXPECT_TRUE(Shown().empty()) << Shown().front();
}

// Each derived file against its image Trip/a.jpg: kept as it is, removed, or
// made again by the worker.
TEST_F(VerificationTest, CleansStaleDerivedFilesAndKeepsSideFiles) {
  enum Outcome { kKept, kRemoved, kRemade };
  const std::string running = "~" + std::to_string(::getpid()) + "-1";
  const std::string crashed = "~" + std::to_string(EndedProcessId()) + "-1";
  struct Case {
    std::string path;  // below the profile folder
    bool jpeg;         // a small valid JPEG, else a line of text
    int age;           // seconds against the image's time: 0 is the same time
    Outcome outcome;
  };
  const Case cases[] = {
      {"albsite/s/Trip/a.jpg", true, 10, kKept},   // newer than its image: up to date
      {"albsite/m/Trip/a.jpg", true, 0, kRemade},  // same time as its image
      {"albsite/s/Trip/a.jpg.html", false, -10, kRemade},
      {"albsite/s/Trip/gone.jpg", true, 10, kRemoved},
      {"albsite/s/Trip/gone.jpg.html", false, 10, kRemoved},
      {"albsite/m/Trip/gone.jpg", true, 10, kRemoved},
      {"albsite/m/Trip/a.jpg.php", true, 10, kRemoved},  // the secured form while security is off
      {"albsite/s/Trip/notes.txt", false, 10, kRemoved},
      {"albsite/s/Trip/old.exif", false, 10, kRemoved},
      {"albsite/s/Trip/Gone/x.jpg", true, 10, kRemoved},  // a folder without its images
      {"albsite/m/Gone/x.jpg", true, 10, kRemoved},
      {"albsite/s/Trip/gone.jpg.comment", false, 10, kKept},
      {"albsite/s/Trip/sort.pos", false, 10, kKept},
      {"albsite/s/Trip/var.inf", false, 10, kKept},
      // Written beside their final names by a worker still at work, or by one that crashed.
      {"albsite/s/Trip/.a.jpg." + running, true, -10, kKept},
      {"albsite/s/Trip/.a.jpg.html." + running, false, -10, kKept},
      {"albsite/m/Trip/.gone.jpg." + running, true, -10, kKept},
      {"albsite/s/Trip/.a.jpg." + crashed, true, -10, kRemoved},
      {"albsite/m/Trip/.a.jpg." + crashed, true, -10, kRemoved},
  };
  const ProfileSettings s = MakeProfile("Holiday");
  const fs::path p = profile("Holiday");
  PutPhoto(p / "ImageTree/Trip/a.jpg");
  SetAge(p / "ImageTree/Trip/a.jpg", -100);
  for (const Case& c : cases) {
    if (c.jpeg)
      WriteRampJpeg(p / c.path, 8, 8);
    else
      WriteText(p / c.path, "left by an earlier run: " + c.path);
    SetAge(p / c.path, -100 + c.age);
  }
  std::map<std::string, std::string> before;
  for (const Case& c : cases) before[c.path] = ReadText(p / c.path);

  RecordingProgress progress;
  EXPECT_EQ(Verify(s, progress), CopyProgress::kEndSuccess);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    switch (c.outcome) {
      case kKept:
        EXPECT_EQ(ReadText(p / c.path), before[c.path]);
        break;
      case kRemoved:
        EXPECT_FALSE(fs::exists(p / c.path));
        break;
      case kRemade:
        ASSERT_TRUE(fs::exists(p / c.path));
        EXPECT_NE(ReadText(p / c.path), before[c.path]);
        break;
    }
  }
  EXPECT_FALSE(fs::exists(p / "albsite/s/Trip/Gone"));
  EXPECT_FALSE(fs::exists(p / "albsite/m/Gone"));
}

// The medium image keeps the picture's name whatever the access setting; the
// "N.php" an earlier release made for protected albums is removed.
TEST_F(VerificationTest, MediumImagesKeepThePictureNameWhateverTheAccessSetting) {
  struct Case {
    int accessSecurity;
    const char* made;
    const char* removed;
  };
  for (const Case& c : {Case{0, "a.jpg", "a.jpg.php"}, Case{1, "a.jpg", "a.jpg.php"}}) {
    SCOPED_TRACE(c.accessSecurity);
    FreshBase();
    ProfileSettings s = MakeProfile("Holiday");
    s.accessSecurity = c.accessSecurity;
    const fs::path m = profile("Holiday") / "albsite/m";
    PutPhoto(profile("Holiday") / "ImageTree/a.jpg");
    SetAge(profile("Holiday") / "ImageTree/a.jpg", -100);
    WriteRampJpeg(m / c.removed, 8, 8);

    RecordingProgress progress;
    EXPECT_EQ(Verify(s, progress), CopyProgress::kEndSuccess);

    EXPECT_TRUE(Decode(m / c.made).ok);
    EXPECT_FALSE(fs::exists(m / c.removed));
  }
}

// Cancel asks; only Yes stops, and the run stops before the next folder's
// images.
TEST_F(VerificationTest, CancelAsksAndAYesStopsTheRun) {
  struct Case {
    Answer answer;
    int end;
    bool laterFoldersDone;
  };
  for (const Case& c :
       {Case{Answer::Yes, CopyProgress::kEndFailure, false}, Case{Answer::No, CopyProgress::kEndSuccess, true}}) {
    SCOPED_TRACE(c.end);
    Environment::prompter().Clear();
    FreshBase();
    const ProfileSettings s = MakeProfile("Holiday");
    const fs::path p = profile("Holiday");
    for (const char* image : {"A/a.jpg", "B/b.jpg", "C/c.jpg", "top.jpg"}) PutPhoto(p / "ImageTree" / image);

    ProfileVerification run(profiles(), s);
    RecordingProgress progress;
    Environment::prompter().Queue(c.answer);
    progress.OnFirstLine([&](const std::string& folder) {
      if (folder == "/B") run.ConfirmAbort();
    });
    EXPECT_EQ(run.Run(progress), c.end);

    EXPECT_EQ(Shown(), std::vector<std::string>{"Abort profile verification"});
    EXPECT_EQ(run.abortRequested(), !c.laterFoldersDone);
    EXPECT_TRUE(fs::exists(p / "albsite/s/A/a.jpg"));
    EXPECT_EQ(fs::exists(p / "albsite/s/B/b.jpg"), c.laterFoldersDone);
    EXPECT_EQ(fs::exists(p / "albsite/s/C/c.jpg"), c.laterFoldersDone);
    EXPECT_EQ(fs::exists(p / "albsite/s/top.jpg"), c.laterFoldersDone);
    EXPECT_EQ(progress.ends(), std::vector<int>{c.end});
  }
}

// A file standing where a folder's thumbnail folder must go: that folder is
// reported and skipped, the others are still done.
TEST_F(VerificationTest, AFolderThatCannotBeMadeIsReportedAndTheRunGoesOn) {
  const ProfileSettings s = MakeProfile("Holiday");
  const fs::path p = profile("Holiday");
  PutPhoto(p / "ImageTree/A/a.jpg");
  PutPhoto(p / "ImageTree/B/b.jpg");
  WriteText(p / "albsite/s/A", "in the way");

  RecordingProgress progress;
  EXPECT_EQ(Verify(s, progress), CopyProgress::kEndSuccess);

  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_TRUE(StartsWith(Shown()[0], "Cannot create directory " + (p / "albsite/s/A").string())) << Shown()[0];
  EXPECT_TRUE(fs::exists(p / "albsite/s/B/b.jpg"));
  EXPECT_FALSE(fs::exists(p / "albsite/m/A/a.jpg"));
}

// --- copying a profile ---------------------------------------------------------

TEST(CopyRemoteDirProposalTest, AppendsCopyToTheLastLevel) {
  const std::pair<const char*, const char*> cases[] = {
      {"/album/", "/album_copy/"},
      {"/album", "/album_copy/"},
      {"/photos/2004//", "/photos/2004_copy/"},
      {"/", "/_copy/"},
  };
  for (const auto& [remote, proposal] : cases) EXPECT_EQ(CopyRemoteDirProposal(remote), proposal) << remote;
}

using CopyProfileTest = ProfileMaintenanceTest;

TEST_F(CopyProfileTest, CopiesTheFilesAndOptionallyTheImages) {
  for (const bool images : {false, true}) {
    SCOPED_TRACE(images);
    FreshBase();
    titles_.clear();
    ProfileSettings original = MakeProfile("Holiday");
    original.rootFileName = "root.html";
    original.footerFileName = "Footer.html";
    original.templateName = "Sunset";
    original.maxThumbSize = 150;
    ASSERT_TRUE(WriteProfile(profiles(), original));
    const fs::path from = profile("Holiday");
    // The profile's variables, which the pages' __NAME__ tokens take.
    ASSERT_TRUE(IniFile(from / "Profile.ini").WriteString("variables", "NAME", "Ann"));
    WriteText(from / "remdir.dat", "1 1 Trip\r\n");
    WriteText(from / "rights.dat", "rights");
    WriteText(from / "Footer.html", "<p>footer</p>");
    PutPhoto(from / "ImageTree/Trip/a.jpg");
    WriteText(from / "ImageTree/Trip/a.jpg.comment", "Beach");
    PutPhoto(from / "albsite/s/Trip/a.jpg");
    // The user's order and comment beside the thumbnail.
    WriteText(from / "albsite/s/Trip/sort.inf", "3\nb.jpg\na.jpg\n");
    WriteText(from / "albsite/s/Trip/sort.pos", "3\nb.jpg\na.jpg\n");
    WriteText(from / "albsite/s/Trip/a.jpg.comment", "Sunset");
    const std::string originalIni = ReadText(from / "Profile.ini");

    ProfileSettings copy = CopiedProfileSettings(ReadProfile(profiles(), "Holiday"), "Holiday 2");
    ASSERT_TRUE(CopyProfile(profiles(), ReadProfile(profiles(), "Holiday"), copy, images, Copier()));

    const fs::path to = profile("Holiday 2");
    for (const char* file : {"remdir.dat", "rights.dat", "Footer.html"})
      EXPECT_EQ(ReadText(to / file), ReadText(from / file)) << file;
    const ProfileSettings written = ReadProfile(profiles(), "Holiday 2");
    EXPECT_EQ(written.name, "Holiday 2");
    EXPECT_EQ(written.remoteDir, "/album_copy/");
    EXPECT_EQ(written.rootFileName, "");
    EXPECT_EQ(written.footerFileName, "");
    EXPECT_EQ(written.serverName, "ftp.example.org");
    EXPECT_EQ(written.password, "pw");
    EXPECT_EQ(written.templateName, "Sunset");
    EXPECT_EQ(written.maxThumbSize, 150);
    EXPECT_EQ(IniFile(to / "Profile.ini").Load().Get("variables", "NAME"), "Ann");
    EXPECT_EQ(ReadText(from / "Profile.ini"), originalIni);

    // Derived images are not copied: they are made again for the copy. The
    // order and comments go with the images.
    std::map<std::string, std::string> userFiles;
    if (images)
      for (const char* file : {"s/Trip/sort.inf", "s/Trip/sort.pos", "s/Trip/a.jpg.comment"})
        userFiles[file] = ReadText(from / "albsite" / file);
    EXPECT_EQ(FilesBelow(to / "albsite"), userFiles);
    for (const char* sub : {"ImageTree", "albsite/bg", "albsite/s", "albsite/m"})
      EXPECT_TRUE(fs::is_directory(to / sub)) << sub;
    if (images) {
      EXPECT_EQ(FilesBelow(to / "ImageTree"), FilesBelow(from / "ImageTree"));
      EXPECT_EQ(titles_, std::vector<std::string>{""});
    } else {
      EXPECT_TRUE(FilesBelow(to / "ImageTree").empty());
      EXPECT_TRUE(titles_.empty());
    }
  }
}

// An image that cannot be read stops the copy; the copy's settings are
// already its own, never the original's remote directory under the new name.
TEST_F(CopyProfileTest, AFailedImageCopyLeavesTheNewSettings) {
  MakeProfile("Holiday");
  const fs::path from = profile("Holiday");
  PutPhoto(from / "ImageTree/Trip/a.jpg");
  fs::create_symlink("/proc/self/mem", from / "ImageTree/Trip/b.jpg");

  ProfileSettings copy = CopiedProfileSettings(ReadProfile(profiles(), "Holiday"), "Holiday 2");
  EXPECT_FALSE(CopyProfile(profiles(), ReadProfile(profiles(), "Holiday"), copy, true, Copier()));

  ASSERT_FALSE(Shown().empty());
  EXPECT_TRUE(StartsWith(Shown().back(), "Cannot copy " + (from / "ImageTree/Trip/b.jpg").string())) << Shown().back();
  EXPECT_EQ(ReadProfile(profiles(), "Holiday 2").remoteDir, "/album_copy/");
}

// --- moving the profiles base directory --------------------------------------

TEST(NormalizeProfilesBaseDirTest, TheProfilesLiveInADirectoryNamedAlbumsmith) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/ann/Photos", "/home/ann/Photos/Albumsmith/"},
      {"/home/ann/Photos/", "/home/ann/Photos/Albumsmith/"},
      {"/home/ann/albumsmith", "/home/ann/albumsmith/"},
      {"/home/ann/ALBUMSMITH/", "/home/ann/ALBUMSMITH/"},
      {"/home/ann/MyAlbumsmith", "/home/ann/MyAlbumsmith/Albumsmith/"},
      {"", ""},
  };
  for (const auto& [entered, dir] : cases) EXPECT_EQ(NormalizeProfilesBaseDir(entered), dir) << entered;
}

// Three profiles A, B, C in the current base, recorded in the settings.
class BaseDirTest : public ProfileMaintenanceTest {
 protected:
  void SetUp() override {
    ProfileMaintenanceTest::SetUp();
    Arrange();
  }

  void Arrange() {
    Environment::prompter().Clear();
    FreshBase();
    titles_.clear();
    for (const char* name : {"A", "B", "C"}) {
      MakeProfile(name);
      PutPhoto(profile(name) / "ImageTree/Trip/a.jpg");
      WriteText(profile(name) / "remdir.dat", std::string("1 1 Trip ") + name + "\r\n");
    }
    settings_.SetString("Settings", "ProfilesDir", profiles());
    Snapshot();
  }
  void Snapshot() {
    for (const char* name : {"A", "B", "C"}) before_[name] = FilesBelow(profile(name));
  }

  std::string StoredDir() const { return settings_.GetString("Settings", "ProfilesDir", ""); }
  void ExpectOldProfilesIntact() const {
    for (const char* name : {"A", "B", "C"}) EXPECT_EQ(FilesBelow(profile(name)), before_.at(name)) << name;
  }

  TempDir config_;
  AppSettings settings_{config_.path() / "Albumsmith.ini"};
  std::map<std::string, std::map<std::string, std::string>> before_;
};

TEST_F(BaseDirTest, YesMovesEveryProfileAndNoOnlyChangesTheSetting) {
  for (const Answer answer : {Answer::Yes, Answer::No}) {
    SCOPED_TRACE(answer == Answer::Yes ? "Yes" : "No");
    Arrange();
    TempDir target;
    const std::string entered = (target.path() / "Photos").string();
    const std::string expected = entered + "/Albumsmith/";
    Environment::prompter().Queue(answer);

    EXPECT_EQ(ChangeProfilesBaseDir(settings_, profiles(), entered, Copier()), expected);

    EXPECT_EQ(Shown(), std::vector<std::string>{"Move existing profiles to " + expected});
    EXPECT_EQ(StoredDir(), expected);
    if (answer == Answer::Yes) {
      EXPECT_EQ(titles_, (std::vector<std::string>{"Copying profile A", "Copying profile B", "Copying profile C"}));
      EXPECT_EQ(ListProfiles(expected), (std::vector<std::string>{"A", "B", "C"}));
      for (const char* name : {"A", "B", "C"}) EXPECT_EQ(FilesBelow(expected + name), before_[name]) << name;
      EXPECT_TRUE(ListProfiles(profiles()).empty());
    } else {
      EXPECT_TRUE(titles_.empty());
      EXPECT_FALSE(fs::exists(expected));
      ExpectOldProfilesIntact();
    }
  }
}

// A failure half-way keeps the old profiles and the old setting, and takes
// back every copy already made, never touching what it did not make.
TEST_F(BaseDirTest, AFailureInTheMiddleUndoesTheCopies) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& newBase)> arrange;
    const char* message;  // how the failure shown begins
    size_t copiesStarted;
  };
  const Case cases[] = {
      {"a file where B's folder must go",
       [](const fs::path& newBase) { WriteText(newBase / "B", "someone else's file"); }, "Cannot create directory ", 1},
      {"a file of B that cannot be read",
       [this](const fs::path&) { fs::create_symlink("/proc/self/mem", profile("B") / "ImageTree/Trip/b.jpg"); },
       "Cannot copy ", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Arrange();
    TempDir target;
    const fs::path newBase = target.path() / "Albumsmith";
    fs::create_directories(newBase);
    c.arrange(newBase);
    const auto left = FilesBelow(newBase);
    Snapshot();

    const Status moved = MoveProfilesBaseDir(settings_, profiles(), newBase.string(), Copier());
    EXPECT_FALSE(moved);

    EXPECT_EQ(titles_.size(), c.copiesStarted);
    ASSERT_FALSE(Shown().empty());
    EXPECT_TRUE(StartsWith(Shown().back(), c.message)) << Shown().back();
    EXPECT_EQ(moved.message(), Shown().back());
    EXPECT_EQ(FilesBelow(newBase), left);
    ExpectOldProfilesIntact();
    EXPECT_EQ(StoredDir(), profiles());
  }
}

// The new base cannot be recorded (a file stands where the settings folder
// must go): the old base stays the one in use, with every profile in it.
TEST_F(BaseDirTest, ASettingThatCannotBeStoredUndoesTheCopies) {
  WriteText(config_.path() / "blocked", "a file");
  AppSettings blocked(config_.path() / "blocked/Albumsmith.ini");
  TempDir target;
  const fs::path newBase = target.path() / "Albumsmith";

  const Status moved = MoveProfilesBaseDir(blocked, profiles(), newBase.string(), Copier());
  EXPECT_FALSE(moved);
  // Nothing was shown for it: the front end words this failure itself.
  EXPECT_TRUE(moved.message().empty());

  EXPECT_EQ(titles_.size(), 3u);
  EXPECT_TRUE(FilesBelow(newBase).empty());
  ExpectOldProfilesIntact();
}

// Moving to the current directory, or into a profile, must not end with the
// profiles deleted.
TEST_F(BaseDirTest, ADirectoryThatOverlapsTheProfilesMovesNothing) {
  struct Case {
    std::string entered;
    bool stored;
  };
  const Case cases[] = {
      {profiles(), true},
      {profiles() + "./", true},
      {(profile("B") / "ImageTree").string(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entered);
    Environment::prompter().Clear();
    settings_.SetString("Settings", "ProfilesDir", "unchanged");

    EXPECT_EQ(MoveProfilesBaseDir(settings_, profiles(), c.entered, Copier()).ok(), c.stored);

    EXPECT_EQ(StoredDir() != "unchanged", c.stored);
    EXPECT_TRUE(titles_.empty());
    ExpectOldProfilesIntact();
  }
}

}  // namespace
}  // namespace albumsmith::test
