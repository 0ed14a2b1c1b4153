#include "ui/image_viewer_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/qt_text.h"

namespace albumsmith::ui {

ImageViewerDialog::ImageViewerDialog(const std::string& profileDir, const std::string& folder,
                                     const std::string& fileName, QWidget* parent)
    : QDialog(parent), model_(profileDir, folder, fileName) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setObjectName(QStringLiteral("ImageViewer"));

  area_ = new QWidget;
  area_->setFixedSize(kAreaWidth, kAreaHeight);
  picture_ = new QLabel(area_);
  picture_->setObjectName(QStringLiteral("Picture"));

  number_ = new QLabel;
  number_->setObjectName(QStringLiteral("ImageNumber"));
  number_->setMinimumWidth(90);
  comment_ = new QLabel;
  comment_->setObjectName(QStringLiteral("ImageComment"));
  comment_->setTextFormat(Qt::PlainText);
  previous_ = new QPushButton(QStringLiteral("<<"));
  next_ = new QPushButton(QStringLiteral(">>"));
  auto* close = new QPushButton(QLoad(TextId::kCloseButton));
  for (QPushButton* b : {previous_, next_, close}) b->setAutoDefault(false);
  close->setDefault(true);
  connect(previous_, &QPushButton::clicked, this, &ImageViewerDialog::showPrevious);
  connect(next_, &QPushButton::clicked, this, &ImageViewerDialog::showNext);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(number_);
  bottom->addWidget(comment_, 1);
  bottom->addWidget(previous_);
  bottom->addWidget(next_);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(area_);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  showCurrent();
  adjustSize();
  if (const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
  }
  QApplication::restoreOverrideCursor();
}

void ImageViewerDialog::showCurrent() {
  setWindowTitle(ToQString(model_.fileName()));
  number_->setText(ToQString(model_.caption()));
  comment_->setText(ToQString(model_.comment()));
  previous_->setEnabled(model_.canPrevious());
  next_->setEnabled(model_.canNext());

  ImageBuffer buffer;
  QPixmap pixmap;
  if (model_.LoadPicture(buffer) && (buffer.components() == 1 || buffer.components() == 3)) {
    const QImage::Format format = buffer.components() == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
    pixmap = QPixmap::fromImage(
        QImage(buffer.data(), buffer.width(), buffer.height(), static_cast<qsizetype>(buffer.rowBytes()), format));
  }
  picture_->setPixmap(pixmap);
  picture_->resize(pixmap.size());
  // Centred across the area, from its top.
  picture_->move((kAreaWidth - pixmap.width()) / 2, 0);
  picture_->setVisible(!pixmap.isNull());
}

void ImageViewerDialog::showPrevious() {
  if (model_.Previous()) showCurrent();
}

void ImageViewerDialog::showNext() {
  if (model_.Next()) showCurrent();
}

void ImageViewerDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
      showPrevious();
      return;
    case Qt::Key_Right:
      showNext();
      return;
    default:
      QDialog::keyPressEvent(event);  // Escape closes
  }
}

}  // namespace albumsmith::ui
