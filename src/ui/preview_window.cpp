#include "ui/preview_window.h"

#include <unistd.h>

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "site/site_writer.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

void PrepareWebEngine() {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  if (platform.startsWith("offscreen") || platform.startsWith("minimal") || noDisplay) {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--disable-gpu")) qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --disable-gpu").trimmed());
  }
  // Chromium refuses to start its sandbox as root.
  if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

PreviewWindow::PreviewWindow(PreviewMode mode, QWidget* parent, std::optional<QRect> screen)
    : QDialog(parent), mode_(mode) {
  setWindowTitle(QLoad(TextId::kSlideShowPreviewTitle));
  setObjectName(QStringLiteral("PreviewWindow"));
  screen_ = screen ? *screen : (this->screen() ? this->screen()->geometry() : QRect(0, 0, 1024, 768));

  view_ = new QWebEngineView;
  view_->setObjectName(QStringLiteral("PreviewView"));

  auto* widths = new QGroupBox(QLoad(TextId::kScreenWidthLabel));
  auto* group = new QButtonGroup(this);
  auto* widthRow = new QHBoxLayout(widths);
  for (size_t i = 0; i < kPreviewSizes.size(); ++i) {
    sizes_[i] = new QRadioButton(QString::number(kPreviewSizes[i].width));
    sizes_[i]->setObjectName(QStringLiteral("Width%1").arg(kPreviewSizes[i].width));
    group->addButton(sizes_[i], static_cast<int>(i));
    widthRow->addWidget(sizes_[i]);
  }
  // Stands for "none": an exclusive group cannot otherwise show no choice.
  noSize_ = new QRadioButton;
  noSize_->hide();
  group->addButton(noSize_, -2);

  back_ = new QPushButton(QStringLiteral(" << "));
  back_->setObjectName(QStringLiteral("Backward"));
  back_->setToolTip(QLoad(TextId::kBackwardTip));
  forward_ = new QPushButton(QStringLiteral(" >> "));
  forward_->setObjectName(QStringLiteral("Forward"));
  forward_->setToolTip(QLoad(TextId::kForwardTip));
  auto* close = new QPushButton(QLoad(TextId::kCloseButton));
  close->setObjectName(QStringLiteral("Close"));
  for (QPushButton* b : {back_, forward_, close}) b->setAutoDefault(false);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("PreviewStatus"));
  status_->setMinimumWidth(1);

  auto* bar = new QHBoxLayout;
  bar->addWidget(widths);
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addWidget(status_, 1);
  bar->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);

  const PreviewChoices choices = PreviewChoicesFor(screen_.width(), mode_);
  for (size_t i = 0; i < sizes_.size(); ++i) sizes_[i]->setEnabled(choices.enabled[i]);

  connect(group, &QButtonGroup::idClicked, this, [this](int id) {
    if (id >= 0) placeAt(id);
  });
  connect(back_, &QPushButton::clicked, view_, &QWebEngineView::back);
  connect(forward_, &QPushButton::clicked, view_, &QWebEngineView::forward);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(view_, &QWebEngineView::urlChanged, this, &PreviewWindow::updateNavigation);
  connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
    updateNavigation();
    status_->setText(ok ? QLoad(TextId::kDoneStatus)
                        : ToQString(FormatString(TextId::kCannotOpenPage, {ToUtf8(view_->url().toString())})));
  });
  connect(view_, &QWebEngineView::loadStarted, this, [this] {
    status_->setText(ToQString(FormatString(TextId::kOpeningPage, {ToUtf8(view_->url().toString())})));
  });
  connect(view_->page(), &QWebEnginePage::linkHovered, this,
          [this](const QString& url) { status_->setText(url.isEmpty() ? QLoad(TextId::kDoneStatus) : url); });
  updateNavigation();
  placeAt(choices.chosen);
}

PreviewWindow::~PreviewWindow() { cleanUp(); }

int PreviewWindow::chosenSize() const {
  for (size_t i = 0; i < sizes_.size(); ++i) {
    if (sizes_[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

void PreviewWindow::chooseSize(int index) {
  if (index < 0 || index >= static_cast<int>(sizes_.size()) || !sizes_[static_cast<size_t>(index)]->isEnabled()) return;
  placeAt(index);
}

QString PreviewWindow::statusText() const { return status_->text(); }

void PreviewWindow::placeAt(int index) {
  const PreviewPlacement p = CentredPreview(index, screen_.x(), screen_.y(), screen_.width(), screen_.height());
  placing_ = true;
  sizes_[static_cast<size_t>(index)]->setChecked(true);
  resize(p.width, p.height);
  move(p.x, p.y);
  placing_ = false;
}

void PreviewWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (placing_) return;
  const int match = PreviewChoiceForSize(event->size().width(), event->size().height());
  (match >= 0 ? sizes_[static_cast<size_t>(match)] : noSize_)->setChecked(true);
}

void PreviewWindow::updateNavigation() {
  back_->setEnabled(view_->history()->canGoBack());
  forward_->setEnabled(view_->history()->canGoForward());
}

bool PreviewWindow::openAlbum(const ProfileSettings& settings, const std::string& profileDir,
                              const std::string& templateDir, const std::vector<CDirectoryTree::Entry>& folders,
                              const std::string& currentFolder) {
  profileDir_ = profileDir;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::optional<std::string> page = WritePreview(settings, profileDir, templateDir, folders, currentFolder);
  QApplication::restoreOverrideCursor();
  if (!page) return false;
  firstPage_ = *page;
  view_->load(QUrl::fromLocalFile(ToQString(firstPage_)));
  return true;
}

bool PreviewWindow::openHtml(const std::string& html) {
  const std::optional<std::string> file = WriteHtmlPreviewFile(html);
  if (!file) return false;
  firstPage_ = *file;
  view_->load(QUrl::fromLocalFile(ToQString(firstPage_)));
  return true;
}

void PreviewWindow::done(int result) {
  cleanUp();
  QDialog::done(result);
}

void PreviewWindow::cleanUp() {
  if (cleaned_) return;
  cleaned_ = true;
  // The page goes first, so that the browser holds none of the files.
  view_->stop();
  if (mode_ == PreviewMode::Album) {
    if (!profileDir_.empty()) RemovePreview(profileDir_);
  } else if (!firstPage_.empty()) {
    DeleteHtmlPreviewFile(firstPage_);
  }
}

}  // namespace albumsmith::ui
