#pragma once
// The generated blocks of a folder's static pages: what the tokens
// "__IMAGES__", "__PROPERTIES__", "__TREE__", "__SLIDE__", "__IMAGETAB__"
// and the smaller ones stand for, plus the PHP forms the program writes into
// index.php. Each block is computed from one PageContext.
//
// Three prefixes lead out of a page of a folder at depth d (the number of
// "/" in its path):
// - page prefix: "../" d times, to the directory of the root page;
// - site prefix: to the directory that holds albsite/ (thumbnails, medium
//   images, dir.js): the page prefix, and one "../" more for preview pages,
//   which live in <profile>/Preview/<folder>;
// - support prefix: to the template's own files: the page prefix, or for
//   preview pages the template directory itself (URL-escaped).

#include <string>
#include <vector>

#include "album/side_files.h"
#include "site/folder_properties.h"
#include "store/profile_settings.h"

namespace albumsmith {

// A sub-folder as its parent's page shows it: a card with its name, the
// thumbnail of its first photo and its number of photos.
struct FolderCard {
  std::string name;   // the folder's own name
  std::string cover;  // file name of its first photo in its order; "" without photos
  size_t photos = 0;
};

// The cards of the sub-folders `childNames` (in the tree's order) of `folder`.
std::vector<FolderCard> ReadFolderCards(const std::string& profileDir, const std::string& folder,
                                        const std::vector<std::string>& childNames);

struct PageContext {
  ProfileSettings settings;
  std::string profileDir;   // ends with "/"
  std::string templateDir;  // ends with "/"
  std::string folder;       // "" for the root, else "Trips/2004/"
  int folderId = 0;         // the folder's node number in the folder tree (curDir)
  bool preview = false;     // pages for the local preview rather than for the server
  std::vector<SequenceImage> images;
  std::vector<FolderCard> subFolders;  // in the tree's order

  int depth() const;
  std::string pagePrefix() const;
  std::string sitePrefix() const;
  std::string supportPrefix() const;
};

// "__IMAGES__": the page script's variables pre, preinfo, prefix, path, base
// and the arrays photos, dates, comments, ratios. No script tags.
std::string ImageDataBlock(const PageContext& page);

// "__PROPERTIES__": the slide show settings, static form (thumbSize,
// thumbPerLine, bBoard, bRepeat, bFader, nDelay, nTrans, backPath, bPass,
// sid, bPhpTest after the two choice lists OptTime and OptFilter).
std::string SlideSettingsBlock(const ProfileSettings& settings, bool preview);
// The PHP form (no thumbSize, thumbPerLine, backPath, sid; bPass from the
// access setting).
std::string SlideSettingsBlockPhp(const ProfileSettings& settings);

// "__TREE__": path, ip and curDir for the tree script, then the script
// element that loads albsite/js/dir.js.
std::string TreeBlock(const PageContext& page);

// "__SLIDE__": the link to the slide show, or a script hiding 'slide_block'
// for a folder without images.
std::string SlideLinkBlock(const PageContext& page);
std::string SlideLinkBlockPhp();

// "__IMAGETAB__": the folder's HTML when its HtmlMode is on; else for the
// root folder by RootMode (0 thumbnail table, 1 root page file, 2 frame of
// the address in ShortRootFilename, other values nothing); else the table.
// Where the table stands, the sub-folders' cards come first, and a folder
// with neither photos nor sub-folders says so.
std::string FolderContent(const PageContext& page, const FolderSettings& folderSettings);
// The thumbnail table: rows of ThumbsPerLine images (at least 1), each row
// after a separator carrying the anchor of its number from 1.
std::string ThumbnailTable(const PageContext& page);
// The sub-folders' cards, each a link to the folder's page; "" without any.
std::string FolderCardsBlock(const PageContext& page);

// "__IMAGEINFO__": "&nbsp;", "1 Image" or "<n> Images".
std::string ImageCountText(size_t count);

// "__TITLE__": the custom title when TitleMode is 1; the profile name for the
// root; else the folder path with "/" turned into " - ", trailing spaces and
// hyphens removed.
std::string PageTitle(const PageContext& page, const FolderSettings& folderSettings);

// "__BACKGROUND__": empty without a background; published pages:
// support prefix + "albsite/bg/" + the file's name; preview pages: the file's
// full path.
std::string BackgroundUrl(const PageContext& page);

// "__LINK__": the credit line with the program's version.
std::string CreditLine();

// "__IMGSTYLE__" and "__IMAGE__" (the photo box holding the medium image and
// the loading picture).
std::string ImgStyle();
std::string ImgStylePhp(const ProfileSettings& settings);
std::string PhotoBox(const std::string& imgStyle, const std::string& albsitePrefix);
std::string PhotoBoxPhp(const ProfileSettings& settings);

// The script that calls the page script's hide() for an element id.
std::string HideScript(const std::string& elementId);

}  // namespace albumsmith
