#pragma once
// The messages that workers and panes post to the main window. Posting
// returns at once; the window acts on the messages in the order posted, on its
// own thread. Implementations: the Qt main window, the command line's status
// printer, and a recorder for tests. Lives at the bottom layer because every
// worker (image list, publishing, maintenance) posts through it.

#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace albumsmith {

struct ImageClipboard;  // the record of a cut or copy of images (album layer)

class WindowSink {
 public:
  virtual ~WindowSink() = default;
  virtual void PostShowFolder(const std::string& folderPath) = 0;
  // maximum 0 stands for 1; position -1 hides the progress bar.
  virtual void PostProgress(int maximum, int position) = 0;
  virtual void PostStatus(const std::string& text) = 0;
  virtual void PostSortSelector(int index) = 0;
  virtual void PostClipboard(bool isCut, int count) = 0;
  virtual void PostPaste(std::shared_ptr<ImageClipboard> record) = 0;
  virtual void PostUndoPaste(std::shared_ptr<ImageClipboard> record) = 0;
  // A note about one file that the user must not miss (a photo that cannot
  // be read): the window shows it as its status text, the command line
  // writes it to standard error.
  virtual void PostNotice(const std::string& text) { PostStatus(text); }
};

// Discards everything (for work that runs without a window).
class NullWindowSink : public WindowSink {
 public:
  void PostShowFolder(const std::string&) override {}
  void PostProgress(int, int) override {}
  void PostStatus(const std::string&) override {}
  void PostSortSelector(int) override {}
  void PostClipboard(bool, int) override {}
  void PostPaste(std::shared_ptr<ImageClipboard>) override {}
  void PostUndoPaste(std::shared_ptr<ImageClipboard>) override {}
};

// Keeps every posted message in order (for tests).
class RecordingWindowSink : public WindowSink {
 public:
  struct ShowFolder {
    std::string path;
  };
  struct Progress {
    int maximum;
    int position;
  };
  struct Status {
    std::string text;
  };
  struct SortSelector {
    int index;
  };
  struct Clipboard {
    bool isCut;
    int count;
  };
  struct Paste {
    std::shared_ptr<ImageClipboard> record;
  };
  struct UndoPaste {
    std::shared_ptr<ImageClipboard> record;
  };
  struct Notice {
    std::string text;
  };
  using Posted = std::variant<ShowFolder, Progress, Status, SortSelector, Clipboard, Paste, UndoPaste, Notice>;

  void PostShowFolder(const std::string& p) override { Add(ShowFolder{p}); }
  void PostProgress(int m, int p) override { Add(Progress{m, p}); }
  void PostStatus(const std::string& t) override { Add(Status{t}); }
  void PostSortSelector(int i) override { Add(SortSelector{i}); }
  void PostClipboard(bool c, int n) override { Add(Clipboard{c, n}); }
  void PostPaste(std::shared_ptr<ImageClipboard> r) override { Add(Paste{std::move(r)}); }
  void PostUndoPaste(std::shared_ptr<ImageClipboard> r) override { Add(UndoPaste{std::move(r)}); }
  void PostNotice(const std::string& t) override { Add(Notice{t}); }

  std::vector<Posted> posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
  }

 private:
  void Add(Posted p) {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(p));
  }
  mutable std::mutex mutex_;
  std::vector<Posted> posted_;
};

}  // namespace albumsmith
