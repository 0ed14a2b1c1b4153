#pragma once
// Whole sets of pages: the local preview of a profile, and the site a
// visitor would get, written into a local folder laid out exactly as
// publishing lays it out on the server.
//
// Derived files (thumbnails, medium images, Exif rows, sort.inf) are made
// before these run, by the image worker; what is missing is left out here.
// `folders` is CDirectoryTree::List() of the profile's tree (every folder
// but the root, in pre-order); the root folder is always included.

#include <optional>
#include <string>
#include <vector>

#include "store/directory_tree.h"
#include "store/profile_settings.h"

namespace albumsmith {

// The preview: the static pages of every folder in <profileDir>Preview/<folder>
// (always static, whatever the PHP setting), then the preview tree script.
// A page that cannot be written is reported ("Error writing HTML file
// %s%s%s", then "Cannot create the HTML directory %s") and the next folder
// follows; a missing skeleton is reported once and its pages are written
// empty. Returns the page to open for `currentFolder`, or nothing when the
// tree script could not be written ("Cannot create the directory tree").
std::optional<std::string> WritePreview(const ProfileSettings& settings, const std::string& profileDir,
                                        const std::string& templateDir,
                                        const std::vector<CDirectoryTree::Entry>& folders,
                                        const std::string& currentFolder);
// The preview pages alone (index.html and slide.html of every folder, as
// WritePreview writes them) into pagesDir/<folder>; nothing is removed first.
// Returns whether every page was written.
bool WritePreviewPages(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
                       const std::vector<CDirectoryTree::Entry>& folders, const std::string& pagesDir);
// <profileDir>Preview/, where the preview window's pages live while it is open.
std::string PreviewDirectory(const std::string& profileDir);
// Closing the preview: its pages and the preview tree script go; the copied
// style sheet stays.
void RemovePreview(const std::string& profileDir);

// The published site in `outDir` (created when missing; files already there
// are replaced, others left alone):
//   albsite/{bg,js,images,m,s}/
//   albsite/js/album_s.js, dtree.js, albumsmith.css   from the template
//   albsite/js/dir.js                                 tree script, or the listing (PHP)
//   albsite/images/*                                  the template's images
//   albsite/bg/<name>                                 the chosen background
//   albsite/s/<folder>                                thumbnails and side files (not sort.pos;
//                                                     Folder.html while HtmlMode is on;
//                                                     var.inf, freshly written, for PHP)
//   albsite/m/<folder>                                medium images
//   <folder>index.html, <folder>slide.html            static profiles
//   index.php, albsite/js/guard.php                   PHP profiles
// A protected album (PHP with access security) has its folder files and
// dir.js in the guarded form (guarded_files.h), an empty index.html in every
// thumbnail and medium-image directory, and `rightsPhp` as albsite/js/rights.php.
// Stops at the first failure, reported with the system's error text. Returns
// whether the whole site was written.
bool WriteSite(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
               const std::vector<CDirectoryTree::Entry>& folders, const std::string& outDir,
               const std::string& rightsPhp = {});

}  // namespace albumsmith
