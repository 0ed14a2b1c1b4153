#pragma once
// The command line's main window: status lines and a progress line on the
// terminal, driven by the same window-message model as the GUI.

#include <cstdio>
#include <mutex>
#include <string>

#include "app/window_messages.h"
#include "platform/window_sink.h"
#include "store/file_ops.h"

namespace albumsmith {

class CliWindowSink : public WindowSink {
 public:
  explicit CliWindowSink(std::FILE* out);
  void PostShowFolder(const std::string& folderPath) override;
  void PostProgress(int maximum, int position) override;
  void PostStatus(const std::string& text) override;
  void PostSortSelector(int index) override;
  void PostClipboard(bool isCut, int count) override;
  void PostPaste(std::shared_ptr<ImageClipboard> record) override;
  void PostUndoPaste(std::shared_ptr<ImageClipboard> record) override;
  void PostNotice(const std::string& text) override;

 private:
  void Render();
  std::mutex mutex_;
  std::FILE* out_;
  bool tty_;
  StatusBarState state_;
  std::string lastLine_;
  bool lastWasFull_ = false;
};

// The "Copy files" window of the command line: one progress line.
class CliCopyProgress : public CopyProgress {
 public:
  explicit CliCopyProgress(std::FILE* out);
  void SetText(const std::string& firstLine, const std::string& secondLine) override;
  void SetPercent(int percent) override;
  void End(int code) override;

 private:
  void Render();
  std::FILE* out_;
  bool tty_;
  std::string first_, second_;
  int percent_ = 0;
};

}  // namespace albumsmith
