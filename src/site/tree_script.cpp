#include "site/tree_script.h"

#include <cerrno>
#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "site/site_text.h"
#include "site/template.h"

namespace albumsmith {

namespace {

constexpr TextId kCannotWriteTreeScript = TextId::kCannotWriteTreeScript;

// The parent of each folder from the depths of the pre-order listing.
std::vector<int> ParentIds(const std::vector<CDirectoryTree::Entry>& folders) {
  std::vector<int> parents;
  std::vector<int> openAtDepth{0};  // [d] = the id of the last folder seen at depth d; 0 is the root
  for (const CDirectoryTree::Entry& f : folders) {
    const size_t depth = static_cast<size_t>(std::max(1, f.depth));
    const size_t parentDepth = std::min(depth - 1, openAtDepth.size() - 1);
    parents.push_back(openAtDepth[parentDepth]);
    openAtDepth.resize(parentDepth + 1);
    openAtDepth.push_back(f.id);
  }
  return parents;
}

std::string Script(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders, bool preview) {
  const std::vector<int> parents = ParentIds(folders);
  const std::string root = EscapeJsSingleQuoted(profileName);
  std::string out = "d = new dTree('d');\n";
  out += preview ? Fmt("d.add(0,-1,0,'%s',path+'index.html');\n", {root}) : Fmt("d.add(0,-1,0,'%s',path);\n", {root});
  for (size_t i = 0; i < folders.size(); ++i) {
    const CDirectoryTree::Entry& f = folders[i];
    const std::string link = UrlEscape(f.relativePath) + (preview ? "index.html" : "");
    out += Fmt("d.add(%d, %d, (curDir==%d), '%s', path+'%s');\n",
               {f.id, parents[i], f.id, EscapeJsSingleQuoted(f.name), link});
  }
  out += "document.write(d);\n";
  out += "d.openTo(curDir, true);\n";
  return out;
}

}  // namespace

std::string PreviewTreeScript(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders) {
  return Script(profileName, folders, true);
}

std::string PublishedTreeScript(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders) {
  return Script(profileName, folders, false);
}

std::string PhpTreeListing(const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders) {
  const std::vector<int> parents = ParentIds(folders);
  std::string out = Fmt("0\t-1\t%s\t.\n", {profileName});
  for (size_t i = 0; i < folders.size(); ++i) {
    std::string path = folders[i].relativePath;
    if (!path.empty() && path.back() == '/') path.pop_back();
    out += Fmt("%d\t%d\t%s\t%s\n", {folders[i].id, parents[i], folders[i].name, path});
  }
  return out;
}

std::string DirectoryTreeData(bool php, const std::string& profileName,
                              const std::vector<CDirectoryTree::Entry>& folders) {
  return php ? PhpTreeListing(profileName, folders) : PublishedTreeScript(profileName, folders);
}

bool WritePreviewTreeScript(const std::string& profileDir, const std::string& templateDir,
                            const std::string& profileName, const std::vector<CDirectoryTree::Entry>& folders) {
  namespace fs = std::filesystem;
  // A profile's albsite/ starts without js/: only the preview and publishing need it.
  const std::string dir = profileDir + "albsite/js";
  std::error_code ec;
  fs::create_directories(dir, ec);
  const Status written =
      WriteFileAtomically(dir + "/" + std::string(kTreeScriptName), PreviewTreeScript(profileName, folders));
  if (!written) {
    ShowSystemError(written.systemError(), kCannotWriteTreeScript, {dir, std::string(kTreeScriptName)});
    return false;
  }
  fs::copy_file(templateDir + std::string(kStyleSheet), dir + "/albumsmith.css", fs::copy_options::overwrite_existing,
                ec);
  return true;
}

}  // namespace albumsmith
