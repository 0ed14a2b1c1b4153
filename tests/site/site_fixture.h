#pragma once
// A scratch profile for site tests: its folders, images with their side
// files, and the small template under tests/data/site/template/.

#include <filesystem>
#include <string>
#include <vector>

#include "album/side_files.h"
#include "site/page_blocks.h"
#include "store/profile_settings.h"
#include "test_support.h"

namespace albumsmith::test {

inline std::string FixtureTemplateDir() { return std::string(ALBUMSMITH_TEST_DATA) + "/site/template/"; }

inline ScriptedPrompter& Prompts() { return Environment::prompter(); }

// The number of times `needle` occurs in `text`.
inline int Occurrences(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
  return n;
}

class SiteProfile {
 public:
  SiteProfile() : profileDir(tmp.str() + "Holiday/") {
    settings.name = "Holiday";
    settings.subdir = "Holiday/";
    settings.php = 0;
    settings.remoteDir = "/album/";
    AddFolder("");
  }

  void AddFolder(const std::string& folder) {
    for (const FolderDirs dirs = FolderDirectories(profileDir, folder);
         const std::string& dir : {dirs.images, dirs.thumbnails, dirs.medium})
      std::filesystem::create_directories(dir);
    // A folder the image list has opened has a sort.inf, even without images.
    const std::string sortInf = FolderDirectories(profileDir, folder).thumbnails + "sort.inf";
    if (!std::filesystem::exists(sortInf)) WriteText(sortInf, "2\n");
  }

  // An image with its thumbnail, medium image, Exif rows and comment, added
  // at the end of the folder's sort.inf.
  void AddImage(const std::string& folder, const std::string& name, const std::string& comment = "",
                const std::string& exifDate = "2001:06:09 07:05:00") {
    AddFolder(folder);
    const FolderDirs dirs = FolderDirectories(profileDir, folder);
    WriteText(dirs.images + name, "jpeg " + name);
    WriteText(dirs.thumbnails + name, "thumbnail " + name);
    WriteText(dirs.medium + name, "medium " + name);
    WriteText(dirs.thumbnails + name + ".html", "Date/Time    : " + exifDate + "\nResolution   : 640 x 480\n");
    if (!comment.empty()) WriteText(dirs.thumbnails + name + ".comment", comment);
    std::string sortInf = ReadText(dirs.thumbnails + "sort.inf");
    if (sortInf.empty()) sortInf = "2\n";
    WriteText(dirs.thumbnails + "sort.inf", sortInf + name + "\n");
  }

  void WriteProfileIni(const std::string& text) { WriteText(profileDir + "Profile.ini", text); }
  void WriteFolderIni(const std::string& folder, const std::string& text) {
    WriteText(profileDir + "ImageTree/" + folder + "Folder.ini", text);
  }
  void WriteProfileFile(const std::string& name, const std::string& text) { WriteText(profileDir + name, text); }

  PageContext Page(const std::string& folder = "", bool preview = false, int id = 0) const {
    PageContext page;
    page.settings = settings;
    page.profileDir = profileDir;
    page.templateDir = FixtureTemplateDir();
    page.folder = folder;
    page.folderId = id;
    page.preview = preview;
    page.images = ReadFolderSequence(profileDir, folder);
    return page;
  }

  TempDir tmp;
  std::string profileDir;
  ProfileSettings settings;
};

// Images for blocks that need no files.
inline std::vector<SequenceImage> Images(int count) {
  std::vector<SequenceImage> images;
  for (int i = 0; i < count; ++i)
    images.push_back({"IMG_" + std::to_string(i) + ".jpg", "09-jun-01 07:05:00", 750, ""});
  return images;
}

}  // namespace albumsmith::test
