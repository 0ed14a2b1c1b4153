#include "cli/cli_sink.h"

#include <unistd.h>

#include <algorithm>

#include "platform/format.h"
#include "platform/text.h"

namespace albumsmith {

namespace {
std::string OneLine(const std::string& s) { return ReplaceAll(ReplaceAll(s, "\r", ""), "\n", " "); }
}  // namespace

CliWindowSink::CliWindowSink(std::FILE* out) : out_(out), tty_(::isatty(::fileno(out)) != 0) {}

void CliWindowSink::Render() {
  // One line: status, clipboard indicator, percentage (with a bar on a terminal).
  std::string line = Trim(state_.statusPane).empty() ? std::string() : std::string(Trim(state_.statusPane));
  if (!Trim(state_.clipboardPane).empty()) line += " |" + state_.clipboardPane;
  line = OneLine(line);
  if (!tty_) {
    // A log or a pipe gets one line per step: a new status text, and the
    // moment the progress is full. Percentages in between would only repeat
    // the same step.
    const bool full = state_.progressVisible && state_.progressPosition >= state_.progressMaximum;
    if (line == lastLine_ && !(full && !lastWasFull_)) return;
    lastLine_ = line;
    lastWasFull_ = full;
    std::fprintf(out_, "%s%s\n", line.c_str(), state_.progressVisible ? state_.progressPane.c_str() : "");
    std::fflush(out_);
    return;
  }
  if (state_.progressVisible) {
    const int width = 20;
    const long long filled = std::clamp<long long>(
        static_cast<long long>(state_.progressPosition) * width / state_.progressMaximum, 0, width);
    line += " [" + std::string(static_cast<size_t>(filled), '#') +
            std::string(static_cast<size_t>(width - filled), '.') + "]" + state_.progressPane;
  }
  if (line == lastLine_) return;
  lastLine_ = line;
  std::fprintf(out_, "\r\033[K%s", line.c_str());
  std::fflush(out_);
}

void CliWindowSink::PostShowFolder(const std::string& folderPath) {
  std::lock_guard lock(mutex_);
  std::fprintf(out_, "%sfolder: %s\n", tty_ ? "\r\033[K" : "", folderPath.c_str());
  lastLine_.clear();
}

void CliWindowSink::PostProgress(int maximum, int position) {
  std::lock_guard lock(mutex_);
  ApplyProgress(state_, maximum, position);
  Render();
}

void CliWindowSink::PostStatus(const std::string& text) {
  std::lock_guard lock(mutex_);
  ApplyStatus(state_, text);
  Render();
}

void CliWindowSink::PostSortSelector(int index) {
  std::lock_guard lock(mutex_);
  ApplySortSelector(state_, index);
}

void CliWindowSink::PostClipboard(bool isCut, int count) {
  std::lock_guard lock(mutex_);
  ApplyClipboard(state_, isCut, count);
  Render();
}

void CliWindowSink::PostNotice(const std::string& text) {
  std::lock_guard lock(mutex_);
  // Off the terminal's status line, which is drawn again by the next message.
  if (tty_) std::fprintf(out_, "\r\033[K");
  lastLine_.clear();
  std::fprintf(stderr, "%s\n", OneLine(text).c_str());
  std::fflush(stderr);
}

void CliWindowSink::PostPaste(std::shared_ptr<ImageClipboard>) {}
void CliWindowSink::PostUndoPaste(std::shared_ptr<ImageClipboard>) {}

CliCopyProgress::CliCopyProgress(std::FILE* out) : out_(out), tty_(::isatty(::fileno(out)) != 0) {}

void CliCopyProgress::Render() {
  const std::string line = Fmt("%3d%% %s %s", {percent_, OneLine(first_), OneLine(second_)});
  if (tty_)
    std::fprintf(out_, "\r\033[K%s", line.c_str());
  else
    std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

void CliCopyProgress::SetText(const std::string& firstLine, const std::string& secondLine) {
  first_ = firstLine;
  second_ = secondLine;
  Render();
}

void CliCopyProgress::SetPercent(int percent) { percent_ = percent; }

void CliCopyProgress::End(int code) {
  if (code == kEndSuccess) percent_ = 100;
  first_ = code == kEndSuccess ? "Copy done" : "Copy failed";
  second_.clear();
  Render();
  if (tty_) std::fprintf(out_, "\n");
}

}  // namespace albumsmith
