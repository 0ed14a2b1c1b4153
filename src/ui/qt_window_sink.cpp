#include "ui/qt_window_sink.h"

#include "ui/qt_text.h"

namespace albumsmith::ui {

QtWindowSink::QtWindowSink(QObject* parent) : QObject(parent) {}

// The worker may rewrite its text right after posting: take a copy now.
void QtWindowSink::PostShowFolder(const std::string& folderPath) {
  Queue([this, path = ToQString(folderPath)] { emit showFolder(path); });
}

void QtWindowSink::PostProgress(int maximum, int position) {
  Queue([this, maximum, position] { emit progress(maximum, position); });
}

void QtWindowSink::PostStatus(const std::string& text) {
  Queue([this, t = ToQString(text)] { emit status(t); });
}

void QtWindowSink::PostSortSelector(int index) {
  Queue([this, index] { emit sortSelector(index); });
}

void QtWindowSink::PostClipboard(bool isCut, int count) {
  Queue([this, isCut, count] { emit clipboard(isCut, count); });
}

void QtWindowSink::PostPaste(std::shared_ptr<ImageClipboard> record) {
  Queue([this, r = std::move(record)] { emit paste(r); });
}

void QtWindowSink::PostUndoPaste(std::shared_ptr<ImageClipboard> record) {
  Queue([this, r = std::move(record)] { emit undoPaste(r); });
}

}  // namespace albumsmith::ui
