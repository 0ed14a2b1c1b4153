#pragma once
// The image viewer: a photo's medium image at its real size, centred in an
// 800 x 600 area, with its number and comment, stepping through the folder
// with "<<" and ">>" (and the Left / Right keys; Escape closes).

#include <QDialog>
#include <string>

#include "album/image_viewer.h"

class QLabel;
class QPushButton;

namespace albumsmith::ui {

class ImageViewerDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kAreaWidth = 800;
  static constexpr int kAreaHeight = 600;

  ImageViewerDialog(const std::string& profileDir, const std::string& folder, const std::string& fileName,
                    QWidget* parent = nullptr);

  const ImageViewerModel& model() const { return model_; }
  QPushButton* previousButton() const { return previous_; }
  QPushButton* nextButton() const { return next_; }
  QLabel* picture() const { return picture_; }
  QLabel* number() const { return number_; }
  QLabel* comment() const { return comment_; }

  void showPrevious();
  void showNext();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showCurrent();

  ImageViewerModel model_;
  QWidget* area_;
  QLabel* picture_;
  QLabel* number_;
  QLabel* comment_;
  QPushButton* previous_;
  QPushButton* next_;
};

}  // namespace albumsmith::ui
