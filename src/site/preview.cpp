#include "site/preview.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "platform/messages.h"
#include "platform/unique_fd.h"
#include "site/folder_properties.h"

namespace albumsmith {

namespace {

constexpr TextId kCannotDeleteTemporary = TextId::kCannotDeleteTemporary;
constexpr TextId kCannotCreateTemporary = TextId::kCannotCreateNamedFile;

std::string TemporaryDirectory() {
  std::error_code ec;
  std::string dir = std::filesystem::temp_directory_path(ec).string();
  if (ec || dir.empty()) dir = "/tmp";
  return WithSlash(std::move(dir));
}

}  // namespace

PreviewChoices PreviewChoicesFor(int screenWidth, PreviewMode mode) {
  PreviewChoices choices;
  for (size_t i = 0; i < kPreviewSizes.size(); ++i)
    choices.enabled[i] = i == 0 || screenWidth >= kPreviewSizes[i].width;
  choices.chosen = mode == PreviewMode::Album ? 1 : 0;
  if (!choices.enabled[static_cast<size_t>(choices.chosen)]) choices.chosen = 0;
  return choices;
}

int PreviewChoiceForSize(int width, int height) {
  for (size_t i = 0; i < kPreviewSizes.size(); ++i) {
    if (kPreviewSizes[i].width == width && kPreviewSizes[i].height == height) return static_cast<int>(i);
  }
  return -1;
}

PreviewPlacement CentredPreview(int choice, int screenX, int screenY, int screenWidth, int screenHeight) {
  const PreviewSize size = kPreviewSizes[static_cast<size_t>(choice < 0 || choice >= 4 ? 0 : choice)];
  return {screenX + (screenWidth - size.width) / 2, screenY + (screenHeight - size.height) / 2, size.width,
          size.height};
}

std::optional<std::string> WriteHtmlPreviewFile(std::string_view html) {
  std::string name = TemporaryDirectory() + "albumsmith-preview-XXXXXX.html";
  // The browser takes a file for a page by its extension.
  UniqueFd fd(::mkstemps(name.data(), 5));
  if (!fd) {
    ShowSystemError(errno, kCannotCreateTemporary, {name});
    return std::nullopt;
  }
  auto fail = [&](int err) {
    fd.Reset();
    ::unlink(name.c_str());
    ShowSystemError(err, kCannotCreateTemporary, {name});
    return std::nullopt;
  };
  const std::string text = HtmlPreviewText(html);
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    if (n == 0) return fail(EIO);
    done += static_cast<size_t>(n);
  }
  if (fd.Close() != 0) return fail(errno);
  return name;
}

bool DeleteHtmlPreviewFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
  ShowMessage({Icon::Exclamation, Buttons::Ok}, kCannotDeleteTemporary, {path});
  return false;
}

}  // namespace albumsmith
