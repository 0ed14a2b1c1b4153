#pragma once
// albsite/js/dir.js, the album's folders for the navigation tree of every
// page. Static sites get a script for the template's tree widget (dtree.js);
// PHP sites get a tab-separated listing that the template's PHP library
// reads. Pages say which folder they show through curDir and where the
// root page is through path (the tree block of the pages).
//
// The folders are those of CDirectoryTree::List(): every folder but the
// root, depth-first in pre-order, with ids, depths, names and relative paths.

#include <string>
#include <vector>

#include "store/directory_tree.h"

namespace albumsmith {

inline constexpr std::string_view kTreeScriptName = "dir.js";

// For the preview pages: links end in "index.html" (local files have no
// directory index).
std::string PreviewTreeScript(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders);
// For a static site on the server: links end at the folder.
std::string PublishedTreeScript(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders);
// For a PHP site: "id\tparent\tname\tpath\n" lines, the root first as
// "0\t-1\t<profile>\t.\n"; names and paths unescaped, paths without a final "/".
std::string PhpTreeListing(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders);
// What publishing uploads: the listing for PHP profiles, else the published script.
std::string DirectoryTreeData(bool php, const std::string& profileName,
                              const std::vector<CDirectoryTree::Entry>& folders);

// Writes the preview script to <profileDir>albsite/js/dir.js, then copies the
// template's style sheet beside it (a failed copy is not reported). When the
// script cannot be written, "Error writing directory file %s/%s" is shown
// with the system's error text and false returned.
bool WritePreviewTreeScript(const std::string& profileDir, const std::string& templateDir,
                            const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders);

}  // namespace albumsmith
