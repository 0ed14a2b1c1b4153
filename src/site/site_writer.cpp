#include "site/site_writer.h"

#include <algorithm>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "album/side_files.h"
#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "site/folder_properties.h"
#include "site/guarded_files.h"
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

constexpr TextId kCannotWritePage = TextId::kCannotWritePage;
constexpr TextId kCannotCreateHtmlDirectory = TextId::kCannotCreateHtmlDirectory;
constexpr TextId kCannotCreateTree = TextId::kCannotCreateTree;
constexpr TextId kCannotCreateFile = TextId::kCannotCreateNamedFile;
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

PageContext MakeContext(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
                        const FolderRef& folder, bool preview) {
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
  const Status written = WriteFileAtomically(path, text);
  if (written) return true;
  ShowSystemError(written.systemError(), kCannotCreateFile, {path});
  return false;
}

// The regular files of a directory, by name.
std::vector<std::string> FilesOf(const std::string& dir) {
  std::vector<std::string> files;
  if (DirExists(dir)) ListFiles(dir, files);
  return files;
}

// Where a folder's files go in the site: `site` is the output's albsite/,
// `dir` the directory below it ("s/Trips/"). A protected album's files are
// written in their guarded form, as publishing uploads them.
struct SiteDir {
  std::string site;
  std::string dir;
  bool guarded;

  bool Copy(const std::string& source, const std::string& name) const {
    if (!guarded) return CopyOne(source, site + dir + name);
    const Result<std::string> bytes = ReadFileContents(source);
    if (!bytes) {
      ShowSystemError(bytes.status().systemError(), TextId::kCannotCopyTo, {source, site + dir + GuardedName(name)});
      return false;
    }
    return WriteOne(site + dir + GuardedName(name), GuardedContent(dir, *bytes));
  }
  bool Write(const std::string& name, const std::string& text) const {
    return guarded ? WriteOne(site + dir + GuardedName(name), GuardedContent(dir, text))
                   : WriteOne(site + dir + name, text);
  }
  // The empty page that keeps a listing server from naming the files.
  bool Close() const {
    return !guarded || WriteOne(site + dir + std::string(kDirectoryIndexName), std::string(kDirectoryIndexText));
  }
};

// One folder's thumbnails and side files, as synchronisation would upload them.
bool CopyThumbnails(const ProfileSettings& settings, const std::string& profileDir, const std::string& folder,
                    const SiteDir& target) {
  const FolderDirs dirs = FolderDirectories(profileDir, folder);
  for (const std::string& file : FilesOf(dirs.thumbnails)) {
    const std::string name = FileName(file);
    // sort.pos stays local; Folder.html and var.inf are made afresh below.
    if (name == "sort.pos" || name == kFolderHtml || name == kVarInf) continue;
    if (!target.Copy(file, name)) return false;
  }
  const std::string html = FolderHtmlPath(profileDir, folder);
  if (ReadFolderSettings(profileDir, folder).htmlMode != 0 && FileExists(html)) {
    if (!target.Copy(html, std::string(kFolderHtml))) return false;
  }
  if (settings.php != 0 && !target.Write(std::string(kVarInf), VarInfText(profileDir, folder))) return false;
  return target.Close();
}

}  // namespace

bool WritePreviewPages(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
                       const std::vector<CDirectoryTree::Entry>& folders, const std::string& pagesDir) {
  const std::string out = WithSlash(pagesDir);
  // Read once: the same skeletons serve every folder, and a missing one is
  // reported once rather than twice per folder.
  const std::string indexSkeleton = ReadSkeleton(templateDir + std::string(kIndexSkeleton)).value_or("");
  const std::string slideSkeleton = ReadSkeleton(templateDir + std::string(kSlideSkeleton)).value_or("");

  bool all = true;
  std::error_code ec;
  for (const FolderRef& folder : AllFolders(folders)) {
    const StaticPageExpander expander(MakeContext(settings, profileDir, templateDir, folder, true));
    const std::string dir = out + folder.path;
    fs::create_directories(dir, ec);
    for (const auto& [name, skeleton] :
         {std::pair{"index.html", &indexSkeleton}, std::pair{"slide.html", &slideSkeleton}}) {
      std::string page = *skeleton;
      expander.Expand(page);
      if (const Status written = WriteFileAtomically(dir + name, page); !written) {
        ShowSystemError(written.systemError(), kCannotWritePage, {out, folder.path, name});
        ShowMessage({Icon::Exclamation, Buttons::Ok}, kCannotCreateHtmlDirectory, {folder.path});
        all = false;
        break;
      }
    }
  }
  return all;
}

std::optional<std::string> WritePreview(const ProfileSettings& settings, const std::string& profileDir,
                                        const std::string& templateDir,
                                        const std::vector<CDirectoryTree::Entry>& folders,
                                        const std::string& currentFolder) {
  const std::string previewDir = profileDir + std::string(kPreviewDir);
  std::error_code ec;
  // Rebuilt from nothing, so a folder deleted since the last preview leaves no page behind.
  fs::remove_all(previewDir, ec);
  WritePreviewPages(settings, profileDir, templateDir, folders, previewDir);

  if (!WritePreviewTreeScript(profileDir, templateDir, settings.name, folders)) {
    ShowMessage({Icon::Exclamation, Buttons::Ok}, kCannotCreateTree);
    return std::nullopt;
  }
  return previewDir + currentFolder + "index.html";
}

std::string PreviewDirectory(const std::string& profileDir) { return profileDir + std::string(kPreviewDir); }

void RemovePreview(const std::string& profileDir) {
  std::error_code ec;
  fs::remove_all(profileDir + std::string(kPreviewDir), ec);
  fs::remove(profileDir + "albsite/js/" + std::string(kTreeScriptName), ec);
}

bool WriteSite(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
               const std::vector<CDirectoryTree::Entry>& folders, const std::string& outDir,
               const std::string& rightsPhp) {
  const bool guarded = IsGuardedSite(settings);
  const std::string out = outDir.empty() || outDir.back() == '/' ? outDir : outDir + "/";
  const std::string site = out + "albsite/";
  for (const char* dir : {"", "bg/", "js/", "images/", "m/", "s/"}) {
    if (!MakeDir(site + dir)) return false;
  }

  for (std::string_view file : {kPageScript, kTreeWidgetScript, kStyleSheet}) {
    if (!CopyOne(templateDir + std::string(file), out + std::string(file))) return false;
  }
  if (settings.php != 0 && !CopyOne(templateDir + std::string(kGuardScript), out + std::string(kGuardScript)))
    return false;
  for (const std::string& image : FilesOf(templateDir + std::string(kTemplateImages))) {
    if (!CopyOne(image, site + "images/" + FileName(image))) return false;
  }
  const std::string background = SettingText(settings.background);
  if (!background.empty() && !CopyOne(background, site + "bg/" + FileName(background))) return false;

  const std::vector<FolderRef> all = AllFolders(folders);
  for (const FolderRef& folder : all) {
    const SiteDir thumbnails{site, "s/" + folder.path, guarded};
    const SiteDir medium{site, "m/" + folder.path, guarded};
    if (!MakeDir(site + thumbnails.dir) || !MakeDir(site + medium.dir)) return false;
    if (!CopyThumbnails(settings, profileDir, folder.path, thumbnails)) return false;
    for (const std::string& file : FilesOf(FolderDirectories(profileDir, folder.path).medium)) {
      if (!medium.Copy(file, FileName(file))) return false;
    }
    if (!medium.Close()) return false;
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

  const SiteDir scripts{site, "js/", guarded};
  if (!scripts.Write(std::string(kTreeScriptName), DirectoryTreeData(settings.php != 0, settings.name, folders)))
    return false;
  return !guarded || rightsPhp.empty() || WriteOne(site + "js/rights.php", rightsPhp);
}

}  // namespace albumsmith
