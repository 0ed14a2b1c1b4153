#pragma once
// The GUI's WindowSink: every post becomes a queued call on the GUI thread,
// whichever thread posts, so messages arrive in the order posted and only the
// GUI thread touches the window. The main frame connects to the signals.

#include <QObject>
#include <QString>
#include <memory>

#include "platform/window_sink.h"

namespace albumsmith::ui {

class QtWindowSink : public QObject, public WindowSink {
  Q_OBJECT
 public:
  // Lives on the thread that creates it: the GUI thread.
  explicit QtWindowSink(QObject* parent = nullptr);

  void PostShowFolder(const std::string& folderPath) override;
  void PostProgress(int maximum, int position) override;
  void PostStatus(const std::string& text) override;
  void PostSortSelector(int index) override;
  void PostClipboard(bool isCut, int count) override;
  void PostPaste(std::shared_ptr<ImageClipboard> record) override;
  void PostUndoPaste(std::shared_ptr<ImageClipboard> record) override;

 signals:
  void showFolder(const QString& folderPath);
  void progress(int maximum, int position);
  void status(const QString& text);
  void sortSelector(int index);
  void clipboard(bool isCut, int count);
  void paste(std::shared_ptr<albumsmith::ImageClipboard> record);
  void undoPaste(std::shared_ptr<albumsmith::ImageClipboard> record);

 private:
  template <typename F>
  void Queue(F&& f) {
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
  }
};

}  // namespace albumsmith::ui
