#include "site/site_writer.h"

#include <algorithm>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "album/side_files.h"
#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "site/folder_properties.h"
#include "site/page_generator.h"
#include "site/php_index.h"
#include "site/site_text.h"
#include "site/template.h"
#include "site/tree_script.h"
#include "site/variables.h"
#include "store/file_ops.h"

namespace albumsmith {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCannotWritePage = "Error writing HTML file %s%s%s";
constexpr std::string_view kCannotCreateHtmlDirectory = "Cannot create the HTML directory %s";
constexpr std::string_view kCannotCreateTree = "Cannot create the directory tree";
constexpr std::string_view kCannotCreateFile = "Cannot create %s file";
constexpr std::string_view kPreviewDir = "Preview/";

struct FolderRef {
  int id;
  std::string path;
  std::vector<std::string> children;  // the names of its sub-folders, in the tree's order
};

// The root first, then the tree's folders in their order.
std::vector<FolderRef> AllFolders(const std::vector<CDirectoryTree::Entry>& folders) {
  std::vector<FolderRef> all{{0, "", {}}};
  for (const CDirectoryTree::Entry& f : folders) all.push_back({f.id, f.relativePath, {}});
  // The listing is in pre-order: a folder's parent is the last one seen one
  // level up.
  std::vector<size_t> open{0};
  for (size_t i = 1; i < all.size(); ++i) {
    const size_t depth = static_cast<size_t>(folders[i - 1].depth);
    open.resize(std::min(open.size(), depth));
    if (open.empty()) open.push_back(0);
    all[open.back()].children.push_back(folders[i - 1].name);
    open.push_back(i);
  }
  return all;
}

PageContext MakeContext(const ProfileSettings& settings, const std::string& profileDir,
                        const std::string& templateDir, const FolderRef& folder, bool preview) {
  PageContext page;
  page.settings = settings;
  page.profileDir = profileDir;
  page.templateDir = templateDir;
  page.folder = folder.path;
  page.folderId = folder.id;
  page.preview = preview;
  page.images = ReadFolderSequence(profileDir, folder.path);
  page.subFolders = ReadFolderCards(profileDir, folder.path, folder.children);
  return page;
}

bool MakeDir(const std::string& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!ec || DirExists(dir)) return true;
  ShowSystemError(ec.value(), TextId::kCannotCreateDirectory, {dir});
  return false;
}

bool CopyOne(const std::string& source, const std::string& destination) {
  std::error_code ec;
  if (fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec)) return true;
  ShowSystemError(ec ? ec.value() : EIO, TextId::kCannotCopyTo, {source, destination});
  return false;
}

bool WriteOne(const std::string& path, const std::string& text) {
  if (WriteFileAtomically(path, text)) return true;
  ShowSystemErrorText(errno, kCannotCreateFile, {path});
  return false;
}

// The regular files of a directory, by name.
std::vector<std::string> FilesOf(const std::string& dir) {
  std::vector<std::string> files;
  if (DirExists(dir)) ListFiles(dir, files);
  return files;
}

// One folder's thumbnails and side files, as synchronisation would upload them.
bool CopyThumbnails(const ProfileSettings& settings, const std::string& profileDir, const std::string& folder,
                    const std::string& target) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  for (const std::string& file : FilesOf(dirs.thumbnails)) {
    const std::string name = FileName(file);
    // sort.pos stays local; Folder.html and var.inf are made afresh below.
    if (name == "sort.pos" || name == kFolderHtml || name == kVarInf) continue;
    if (!CopyOne(file, target + name)) return false;
  }
  const std::string html = FolderHtmlPath(profileDir, folder);
  if (ReadFolderSettings(profileDir, folder).htmlMode != 0 && FileExists(html)) {
    if (!CopyOne(html, target + std::string(kFolderHtml))) return false;
  }
  if (settings.php != 0 && !WriteVarInf(profileDir, folder, target + std::string(kVarInf))) return false;
  return true;
}

}  // namespace

std::optional<std::string> WritePreview(const ProfileSettings& settings, const std::string& profileDir,
                                        const std::string& templateDir,
                                        const std::vector<CDirectoryTree::Entry>& folders,
                                        const std::string& currentFolder) {
  const std::string previewDir = profileDir + std::string(kPreviewDir);
  std::error_code ec;
  // Rebuilt from nothing, so a folder deleted since the last preview leaves no page behind.
  fs::remove_all(previewDir, ec);

  // Read once: the same skeletons serve every folder, and a missing one is
  // reported once rather than twice per folder.
  const std::string indexSkeleton = ReadSkeleton(templateDir + std::string(kIndexSkeleton)).value_or("");
  const std::string slideSkeleton = ReadSkeleton(templateDir + std::string(kSlideSkeleton)).value_or("");

  for (const FolderRef& folder : AllFolders(folders)) {
    const StaticPageExpander expander(MakeContext(settings, profileDir, templateDir, folder, true));
    const std::string dir = previewDir + folder.path;
    fs::create_directories(dir, ec);
    for (const auto& [name, skeleton] : {std::pair{"index.html", &indexSkeleton}, std::pair{"slide.html", &slideSkeleton}}) {
      std::string page = *skeleton;
      expander.Expand(page);
      if (!WriteFileAtomically(dir + name, page)) {
        ShowSystemErrorText(errno, kCannotWritePage, {previewDir, folder.path, name});
        ShowMessageText({Icon::Exclamation, Buttons::Ok}, kCannotCreateHtmlDirectory, {folder.path});
        break;
      }
    }
  }

  if (!WritePreviewTreeScript(profileDir, templateDir, settings.name, folders)) {
    ShowMessageText({Icon::Exclamation, Buttons::Ok}, kCannotCreateTree);
    return std::nullopt;
  }
  return previewDir + currentFolder + "index.html";
}

void RemovePreview(const std::string& profileDir) {
  std::error_code ec;
  fs::remove_all(profileDir + std::string(kPreviewDir), ec);
  fs::remove(profileDir + "albsite/js/" + std::string(kTreeScriptName), ec);
}

bool WriteSite(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
               const std::vector<CDirectoryTree::Entry>& folders, const std::string& outDir) {
  const std::string out = outDir.empty() || outDir.back() == '/' ? outDir : outDir + "/";
  const std::string site = out + "albsite/";
  for (const char* dir : {"", "bg/", "js/", "images/", "m/", "s/"}) {
    if (!MakeDir(site + dir)) return false;
  }

  for (std::string_view file : {kPageScript, kTreeWidgetScript, kStyleSheet}) {
    if (!CopyOne(templateDir + std::string(file), out + std::string(file))) return false;
  }
  for (const std::string& image : FilesOf(templateDir + std::string(kTemplateImages))) {
    if (!CopyOne(image, site + "images/" + FileName(image))) return false;
  }
  const std::string background = SettingText(settings.background);
  if (!background.empty() && !CopyOne(background, site + "bg/" + FileName(background))) return false;

  const std::vector<FolderRef> all = AllFolders(folders);
  for (const FolderRef& folder : all) {
    const std::string thumbnails = site + "s/" + folder.path;
    const std::string medium = site + "m/" + folder.path;
    if (!MakeDir(thumbnails) || !MakeDir(medium)) return false;
    if (!CopyThumbnails(settings, profileDir, folder.path, thumbnails)) return false;
    for (const std::string& file : FilesOf(FolderDirectories(profileDir, folder.path).medium)) {
      if (!CopyOne(file, medium + FileName(file))) return false;
    }
  }

  if (settings.php != 0) {
    const PhpIndex index = BuildPhpIndex(settings, profileDir, templateDir);
    if (!index.ok || !WriteOne(out + "index.php", index.text)) return false;
  } else {
    const std::optional<std::string> indexSkeleton = ReadSkeleton(templateDir + std::string(kIndexSkeleton));
    if (!indexSkeleton) return false;
    const std::optional<std::string> slideSkeleton = ReadSkeleton(templateDir + std::string(kSlideSkeleton));
    if (!slideSkeleton) return false;
    for (const FolderRef& folder : all) {
      const StaticPageExpander expander(MakeContext(settings, profileDir, templateDir, folder, false));
      std::string index = *indexSkeleton;
      std::string slide = *slideSkeleton;
      expander.Expand(index);
      expander.Expand(slide);
      if (!MakeDir(out + folder.path) || !WriteOne(out + folder.path + "index.html", index) ||
          !WriteOne(out + folder.path + "slide.html", slide))
        return false;
    }
  }

  return WriteOne(site + "js/" + std::string(kTreeScriptName),
                  DirectoryTreeData(settings.php != 0, settings.name, folders));
}

}  // namespace albumsmith
