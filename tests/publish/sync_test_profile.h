#pragma once
// A small profile to publish: nested folders with real photos, a comment, a
// position order (so sort.pos exists), a folder showing its own HTML, and
// every derived file made. The derived files are made once per test program
// and each test gets a copy with the same file times.
//
//   ImageTree/a.jpg
//   ImageTree/Family/e.jpg
//   ImageTree/Trips/b.jpg            Folder.html shown instead of thumbnails
//   ImageTree/Trips/2004/c.jpg d.jpg c.jpg.comment, position order d, c

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "album/image_worker.h"
#include "album/profile_maintenance.h"
#include "album/side_files.h"
#include "platform/window_sink.h"
#include "publish/sync_start.h"
#include "site/folder_properties.h"
#include "site/site_writer.h"
#include "site/template.h"
#include "store/directory_tree.h"
#include "store/file_ops.h"
#include "store/profiles.h"
#include "test_support.h"

namespace albumsmith::test {

namespace fs = std::filesystem;

inline const std::string kProfileName = "Holiday";

// The photos, smallest of the camera files, by where they go.
inline const std::vector<std::pair<std::string, std::string>> kPhotos = {
    {"a.jpg", "fujifilm-finepix40i.jpg"},       {"Family/e.jpg", "sony-powershota5.jpg"},
    {"Trips/b.jpg", "olympus-d320l.jpg"},       {"Trips/2004/c.jpg", "sanyo-vpcg250.jpg"},
    {"Trips/2004/d.jpg", "sony-cybershot.jpg"},
};

inline std::string TemplateDataDir() { return std::string(ALBUMSMITH_TEST_DATA) + "/site/template/"; }

// Sets a file's last-write time to `seconds` since 1970.
inline void SetFileTime(const fs::path& file, std::int64_t seconds) {
  const timespec times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
  ::utimensat(AT_FDCWD, file.c_str(), times, 0);
}

inline std::int64_t FileTime(const fs::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtim.tv_sec) : -1;
}

// Every file below `root` (relative path, "/" separated) with its size and
// time: what "no local file was touched" compares.
inline std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> FileStates(const fs::path& root) {
  std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> states;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) states[fs::relative(e.path(), root).string()] = {e.file_size(), FileTime(e.path())};
  }
  return states;
}

// Relative paths of every file and directory below `root` (directories end
// with "/"), with the content of each file.
inline std::map<std::string, std::string> TreeContent(const fs::path& root) {
  std::map<std::string, std::string> content;
  if (!fs::exists(root)) return content;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_directory())
      content[rel + "/"] = "";
    else
      content[rel] = ReadText(e.path());
  }
  return content;
}

inline void CopyKeepingTimes(const fs::path& from, const fs::path& to) {
  fs::copy(from, to, fs::copy_options::recursive);
  for (const auto& e : fs::recursive_directory_iterator(from))
    if (e.is_regular_file()) SetFileTime(to / fs::relative(e.path(), from), FileTime(e.path()));
}

class NullCopyProgress : public CopyProgress {
 public:
  void SetText(const std::string&, const std::string&) override {}
  void SetPercent(int) override {}
  void End(int) override {}
};

// The verification as the window runs it before a whole-profile run.
inline bool VerifyWholeProfile(const std::string& profilesDir, const ProfileSettings& profile) {
  ProfileVerification verification(profilesDir, profile);
  NullCopyProgress progress;
  return verification.Run(progress) == CopyProgress::kEndSuccess;
}

// One profile of the test, in its own profiles folder.
class SyncTestProfile {
 public:
  SyncTestProfile() {
    CopyKeepingTimes(Prepared().path() / kProfileName, base_.path() / kProfileName);
    settings_ = ReadProfile(profilesDir(), kProfileName);
  }

  std::string profilesDir() const { return base_.str(); }
  std::string profileDir() const { return base_.str() + kProfileName + "/"; }
  fs::path imageTree() const { return fs::path(profileDir()) / "ImageTree"; }
  fs::path settingsFile() const { return base_.path() / "Albumsmith.ini"; }
  ProfileSettings& settings() { return settings_; }

  // Writes the settings (server, PHP…) the test chose.
  void Save() { ASSERT_TRUE(WriteProfile(profilesDir(), settings_)); }

  SyncEnvironment Environment(bool installConfirmed = false) const {
    return {profilesDir(), TemplateDataDir(), settingsFile(), installConfirmed};
  }

  // What "Synchronize profile" hands to the worker: verification first.
  SyncRequest ProfileRequest(bool installConfirmed = false) const {
    SyncRequest request;
    const bool started = StartProfileSync(
        Environment(installConfirmed), kProfileName, /*confirm=*/false,
        [&](const ProfileSettings& p) { return VerifyWholeProfile(profilesDir(), p); }, request);
    EXPECT_TRUE(started);
    return request;
  }

  // What "Synchronize folder" hands to the worker for a folder already shown.
  SyncRequest FolderRequest(const std::string& folder) const {
    NullWindowSink sink;
    EXPECT_TRUE(DeriveFolder(profileDir(), folder, ReadProfile(profilesDir(), kProfileName), sink));
    SyncRequest request;
    EXPECT_EQ(StartFolderSync(Environment(), kProfileName, folder, request), FolderSyncStart::kRun);
    return request;
  }

  // The site as publishing must leave it on the server, written locally
  // from the tree synchronisation saved.
  // `rightsPhp` is the access rights file of a protected album.
  std::map<std::string, std::string> ExpectedSite(const std::string& rightsPhp = {}) const {
    CDirectoryTree tree;
    tree.LoadFrom(RemdirPath(profileDir()));
    TempDir out;
    const ProfileSettings s = ReadProfile(profilesDir(), kProfileName);
    EXPECT_TRUE(WriteSite(s, profileDir(), TemplateDirectory(TemplateDataDir(), s.templateName), tree.List(), out.str(),
                          rightsPhp));
    return TreeContent(out.path());
  }

 private:
  // The profile with its derived files, made once for the test program.
  static TempDir& Prepared() {
    static TempDir* dir = [] {
      auto* made = new TempDir;
      MakeProfile(made->str());
      return made;
    }();
    return *dir;
  }

  static void MakeProfile(const std::string& profilesDir) {
    ProfileSettings s = NewProfileSettings(kProfileName);
    s.serverName = "127.0.0.1";
    s.login = "albumsmith";
    s.password = "unused";
    s.remoteDir = "/album/";
    s.php = 0;
    ASSERT_TRUE(CreateProfile(profilesDir, s));
    const std::string profileDir = ProfileDirectory(profilesDir, s);
    const fs::path images = fs::path(profileDir) / "ImageTree";
    for (const auto& [to, from] : kPhotos) {
      fs::create_directories((images / to).parent_path());
      fs::copy_file(fs::path(ALBUMSMITH_TEST_DATA) / "exif" / from, images / to);
    }
    WriteText(images / "Trips/2004/c.jpg.comment", "Harbour at dawn");
    FolderSettings html;
    html.htmlMode = 1;
    ASSERT_TRUE(SaveFolderProperties(profileDir, "Trips/", html, "<p>Our trips</p>"));

    CDirectoryTree tree;
    LoadTree(tree, profileDir);
    ExpandAll(tree, profileDir);
    ASSERT_TRUE(VerifyWholeProfile(profilesDir, s));
    std::vector<std::string> order = {"d.jpg", "c.jpg"};
    ASSERT_TRUE(WriteOrderFiles(profileDir, "Trips/2004/", order, kSortByPosition));
    ASSERT_TRUE(fs::exists(fs::path(profileDir) / "albsite/s/Trips/2004/sort.pos"));

    // Photos taken a while ago and their derived files made soon after, so
    // that a server listing minutes only still tells every later upload
    // from them.
    const std::int64_t now = std::time(nullptr);
    for (const auto& e : fs::recursive_directory_iterator(profileDir)) {
      if (!e.is_regular_file()) continue;
      const bool photo = fs::relative(e.path(), images).string().find("..") != 0;
      SetFileTime(e.path(), photo ? now - 3 * 3600 : now - 5 * 1800);
    }
  }

  TempDir base_;
  ProfileSettings settings_;
};

}  // namespace albumsmith::test
