#pragma once
// "Slide-show preview": the album as a visitor will see it, before anything
// is published, in an embedded browser. Album mode shows the pages written
// into <profile>Preview/ and removes them on closing; HTML mode shows one
// piece of HTML through a temporary file, deleted on closing.

#include <QDialog>
#include <QRect>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "site/preview.h"
#include "store/directory_tree.h"
#include "store/profile_settings.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QWebEngineView;

namespace albumsmith::ui {

// Before the application object exists: the browser shares the window
// system's GL contexts, and draws in software where there is no GPU
// (offscreen, a virtual X server) or no sandbox to be had (running as root).
void PrepareWebEngine();

class PreviewWindow : public QDialog {
  Q_OBJECT
 public:
  // `screen` stands for the screen's area when given (tests); otherwise the
  // window's screen is asked.
  explicit PreviewWindow(PreviewMode mode, QWidget* parent = nullptr, std::optional<QRect> screen = std::nullopt);
  ~PreviewWindow() override;

  // Album mode: writes the pages and opens the current folder's. False when
  // the tree script could not be written (the window then shows nothing).
  bool openAlbum(const ProfileSettings& settings, const std::string& profileDir, const std::string& templateDir,
                 const std::vector<CDirectoryTree::Entry>& folders, const std::string& currentFolder);
  // HTML mode: false when the temporary file could not be written.
  bool openHtml(const std::string& html);

  QWebEngineView* view() const { return view_; }
  // The checked "Screen width" choice (index into kPreviewSizes), or -1.
  int chosenSize() const;
  void chooseSize(int index);
  // The page file shown first (album: the folder's index.html; HTML: the temporary file).
  const std::string& firstPage() const { return firstPage_; }
  QString statusText() const;

  void done(int result) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void placeAt(int index);
  void updateNavigation();
  void cleanUp();

  PreviewMode mode_;
  QRect screen_;
  QWebEngineView* view_;
  std::array<QRadioButton*, kPreviewSizes.size()> sizes_{};
  QRadioButton* noSize_;  // checked when a hand resize matches no choice
  QPushButton* back_;
  QPushButton* forward_;
  QLabel* status_;
  std::string profileDir_;
  std::string firstPage_;
  bool placing_ = false;
  bool cleaned_ = false;
};

}  // namespace albumsmith::ui
