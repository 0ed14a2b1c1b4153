#pragma once
// A folder's own page settings, kept in its directory under ImageTree:
// Folder.ini (section "Settings": content mode and custom title; section
// "variables": the folder's variable overrides) and Folder.html (the HTML
// that replaces the thumbnail table). Also the profile's footer file and the
// logic of the "Folder properties" dialog, which the Qt dialog only shows.

#include <string>
#include <string_view>

#include "store/profile_settings.h"

namespace albumsmith {

inline constexpr std::string_view kFolderIni = "Folder.ini";
inline constexpr std::string_view kFolderHtml = "Folder.html";
// The root folder's starting HTML, offered when its dialog opens the first time.
inline constexpr std::string_view kRootPageFile = "RootPage.html";
// What the footer editor writes in the profile directory.
inline constexpr std::string_view kFooterFile = "Footer.html";

// `profileDir` ends with "/"; `folder` is "" for the root or ends with "/".
std::string FolderIniPath(const std::string& profileDir, const std::string& folder);
std::string FolderHtmlPath(const std::string& profileDir, const std::string& folder);

struct FolderSettings {
  int htmlMode = 0;      // 0: thumbnail table ("Story board"); 1: Folder.html ("HTML data")
  std::string htmlFile;  // "Folder.html" when the dialog last wrote HTML; informational
  int titleMode = 0;     // 1: the page title is titleText
  std::string titleText;
};
// A folder without Folder.ini reads as the defaults.
FolderSettings ReadFolderSettings(const std::string& profileDir, const std::string& folder);
// The title a folder's pages use instead of the computed one, when it has one.
bool HasCustomTitle(const FolderSettings& settings);

// What the dialog shows when it opens.
struct FolderDialogState {
  FolderSettings settings;
  std::string html;  // the editor's text
};
// Without Folder.ini the settings are the defaults and, for the root folder,
// the editor shows RootPage.html when there is one; with it, the settings are
// read and the editor shows Folder.html when there is one.
FolderDialogState OpenFolderProperties(const std::string& profileDir, const std::string& folder);
// The HTML editor, "Read file" and "Preview" follow "HTML data"; the title
// field follows "Custom title".
inline bool HtmlEditorEnabled(const FolderSettings& s) { return s.htmlMode != 0; }
inline bool TitleFieldEnabled(const FolderSettings& s) { return s.titleMode != 0; }
// OK: the editor text without carriage returns goes to Folder.html when it is
// not empty ("Cannot write HTML file" with the system's error text when that
// fails, and the settings are written anyway); an empty text leaves an older
// Folder.html alone. Then the four keys of "Settings" are written, HtmlFile
// being "Folder.html" only when the file was just written; a key whose value
// cannot be stored (a title with a line break) is left out and the others
// are written. Returns whether every key was written; otherwise says
// "Cannot write %s" with Folder.ini's path and the system's error text.
bool SaveFolderProperties(const std::string& profileDir, const std::string& folder, FolderSettings settings,
                          const std::string& html);
// The "Preview" button's page: the text without carriage returns, with
// "<html>\n" in front unless it starts with "<html" in any letter case.
std::string HtmlPreviewText(std::string_view html);

// The footer editor's text: the file the profile names (the pages use that
// one), else Footer.html, so that OK never trades a footer for an empty one.
std::string OpenFooter(const std::string& profileDir, const ProfileSettings& profile);
// The footer editor's save: the text goes to <profileDir>Footer.html, which
// the profile then names; "Cannot write HTML file" when it cannot be written.
bool SaveFooter(const std::string& profileDir, const std::string& text, ProfileSettings& profile);

// Included HTML (Folder.html, the root page, the footer in index.php) with a
// BODY or HTML tag is refused with "Included HTML cannot hold BODY or HTML
// tags.\n\nInclude rejected." and becomes empty.
std::string CheckIncludedHtml(std::string html);
// A file's text passed through CheckIncludedHtml; empty when it cannot be read.
std::string ReadIncludedHtml(const std::string& path);

}  // namespace albumsmith
