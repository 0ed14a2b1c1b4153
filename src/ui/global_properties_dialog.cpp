#include "ui/global_properties_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/atomic_file.h"
#include "site/folder_properties.h"
#include "site/site_text.h"
#include "site/style_block.h"
#include "site/template.h"
#include "store/profiles.h"
#include "store/slide_show_choices.h"
#include "ui/html_editor.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

QColor ToQColor(int profileColor) {
  const Rgb rgb = RgbFromProfileColor(profileColor);
  return QColor(rgb.red, rgb.green, rgb.blue);
}

int FromQColor(const QColor& color) { return ProfileColorFromRgb({color.red(), color.green(), color.blue()}); }

QSpinBox* NamedSpin(const char* objectName, int minimum, int maximum, int value) {
  auto* spin = new QSpinBox;
  spin->setObjectName(QLatin1String(objectName));
  spin->setRange(minimum, maximum);
  spin->setValue(value);
  return spin;
}

// An editable list of the installed faces: a face the profile names but this
// machine lacks is kept as written.
QComboBox* FontFaceBox(const char* objectName, const std::string& face) {
  auto* box = new QComboBox;
  box->setObjectName(QLatin1String(objectName));
  box->setEditable(true);
  box->addItems(QFontDatabase::families());
  box->setCurrentText(ToQString(SettingText(face)));
  return box;
}

}  // namespace

ColorButton::ColorButton(int profileColor, QWidget* parent) : QPushButton(parent), value_(profileColor) {
  setAutoDefault(false);
  setFixedWidth(48);
  setProfileColor(profileColor);
  connect(this, &QPushButton::clicked, this, &ColorButton::choose);
}

void ColorButton::setProfileColor(int value) {
  value_ = value;
  QPixmap swatch(24, 12);
  swatch.fill(ToQColor(value));
  QPainter(&swatch).drawRect(0, 0, swatch.width() - 1, swatch.height() - 1);
  setIcon(QIcon(swatch));
  setIconSize(swatch.size());
}

void ColorButton::choose() {
  const QColor chosen = QColorDialog::getColor(ToQColor(value_), this);
  if (chosen.isValid()) setProfileColor(FromQColor(chosen));
}

GlobalPropertiesDialog::GlobalPropertiesDialog(std::string profilesDir, ProfileSettings profile, QWidget* parent)
    : QDialog(parent), profilesDir_(std::move(profilesDir)), profile_(std::move(profile)) {
  setWindowTitle(QLoad(TextId::kProfileDefaultsTitle));
  auto* tabs = new QTabWidget;
  tabs->addTab(makeSlideShowTab(), QLoad(TextId::kSlideShowTab));
  tabs->addTab(makeBackgroundTab(), QLoad(TextId::kBackgroundTab));
  tabs->addTab(makeStyleTab(), QLoad(TextId::kStyleTab));
  tabs->addTab(makeThumbnailsTab(), QLoad(TextId::kThumbnailsTab));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &GlobalPropertiesDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &GlobalPropertiesDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
}

QWidget* GlobalPropertiesDialog::makeOnOff(const QString& title, const char* objectName, int value, OnOff& pair) {
  auto* box = new QGroupBox(title);
  box->setObjectName(QLatin1String(objectName));
  pair.off = new QRadioButton(QLoad(TextId::kOffChoice));
  pair.on = new QRadioButton(QLoad(TextId::kOnChoice));
  auto* group = new QButtonGroup(box);
  group->addButton(pair.off);
  group->addButton(pair.on);
  (value != 0 ? pair.on : pair.off)->setChecked(true);
  auto* layout = new QHBoxLayout(box);
  layout->addWidget(pair.off);
  layout->addWidget(pair.on);
  layout->addStretch();
  return box;
}

QWidget* GlobalPropertiesDialog::makeSlideShowTab() {
  auto* page = new QWidget;
  auto* switches = new QVBoxLayout;
  switches->addWidget(makeOnOff(QLoad(TextId::kBoardVisibilityLabel), "SlideBoard", profile_.slideBoard, board_));
  switches->addWidget(makeOnOff(QLoad(TextId::kRepeatSlideShowLabel), "SlideRepeat", profile_.slideRepeat, repeat_));
  switches->addWidget(makeOnOff(QLoad(TextId::kImageTransitionsLabel), "SlideFader", profile_.slideFader, fader_));
  switches->addStretch();

  delays_ = new QListWidget;
  delays_->setObjectName(QStringLiteral("SlideDelay"));
  for (int delay : kSlideDelays) delays_->addItem(QString::number(delay));
  delays_->setCurrentRow(DelayRowFor(profile_.slideDelay));

  transitions_ = new QListWidget;
  transitions_->setObjectName(QStringLiteral("SlideTrans"));
  for (TextId name : kSlideTransitionTexts) transitions_->addItem(QLoad(name));
  transitions_->setCurrentRow(TransitionRowFor(profile_.slideTrans));

  auto* delayColumn = new QVBoxLayout;
  delayColumn->addWidget(new QLabel(QLoad(TextId::kDelayLabel)));
  delayColumn->addWidget(delays_);
  auto* transitionColumn = new QVBoxLayout;
  transitionColumn->addWidget(new QLabel(QLoad(TextId::kTransitionLabel)));
  transitionColumn->addWidget(transitions_);

  auto* layout = new QHBoxLayout(page);
  layout->addLayout(switches);
  layout->addLayout(delayColumn);
  layout->addLayout(transitionColumn, 1);
  return page;
}

QWidget* GlobalPropertiesDialog::makeBackgroundTab() {
  backgrounds_ = std::make_unique<BackgroundPage>(
      profileDir(), TemplateDirectory(ProgramDataDirectory(), profile_.templateName), SettingText(profile_.background));
  auto* page = new QWidget;
  auto* box = new QGroupBox(QLoad(TextId::kJpegBackgroundsLabel));
  background_ = new QComboBox;
  background_->setObjectName(QStringLiteral("Background"));
  backgroundPreview_ = new QLabel;
  backgroundPreview_->setObjectName(QStringLiteral("BackgroundPreview"));
  backgroundPreview_->setFixedSize(kBackgroundPreviewWidth, kBackgroundPreviewHeight);
  backgroundPreview_->setFrameShape(QFrame::Box);
  auto* import = new QPushButton(QLoad(TextId::kImportButton));
  import->setObjectName(QStringLiteral("ImportBackground"));
  removeBackground_ = new QPushButton(QLoad(TextId::kRemoveButton));
  removeBackground_->setObjectName(QStringLiteral("RemoveBackground"));
  for (QPushButton* b : {import, removeBackground_}) b->setAutoDefault(false);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(import);
  buttons->addWidget(removeBackground_);
  buttons->addStretch();
  auto* grid = new QGridLayout(box);
  grid->addWidget(background_, 0, 0);
  grid->addWidget(backgroundPreview_, 1, 0);
  grid->addLayout(buttons, 1, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(box);
  layout->addStretch();

  connect(background_, &QComboBox::activated, this, [this](int index) {
    backgrounds_->Choose(index);
    showBackgroundPreview();
  });
  connect(removeBackground_, &QPushButton::clicked, this, [this] {
    if (backgrounds_->Remove()) showBackgrounds();
  });
  connect(import, &QPushButton::clicked, this, &GlobalPropertiesDialog::chooseImportFiles);
  showBackgrounds();
  return page;
}

GlobalPropertiesDialog::~GlobalPropertiesDialog() {
  // Closed without OK or Cancel (the window destroyed): as Cancel.
  if (backgrounds_) backgrounds_->Discard();
}

void GlobalPropertiesDialog::showBackgrounds() {
  const QSignalBlocker quiet(background_);
  background_->clear();
  for (const BackgroundChoice& choice : backgrounds_->choices())
    background_->addItem(ToQString(choice.name), ToQString(choice.path));
  background_->setCurrentIndex(backgrounds_->selectedIndex());
  showBackgroundPreview();
}

void GlobalPropertiesDialog::showBackgroundPreview() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ImageBuffer area = BackgroundPreview(backgrounds_->selectedPath());
  QApplication::restoreOverrideCursor();
  if (area.empty()) {
    QPixmap plain(kBackgroundPreviewWidth, kBackgroundPreviewHeight);
    plain.fill(palette().color(QPalette::Window));
    backgroundPreview_->setPixmap(plain);
  } else {
    const QImage image(area.data(), area.width(), area.height(), static_cast<qsizetype>(area.rowBytes()),
                       QImage::Format_RGB888);
    backgroundPreview_->setPixmap(QPixmap::fromImage(image.copy()));
  }
  removeBackground_->setEnabled(backgrounds_->CanRemove());
}

void GlobalPropertiesDialog::chooseImportFiles() {
  QFileDialog dialog(this, QLoad(TextId::kImportBackgroundTitle));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters({QLoad(TextId::kJpegFilesFilterBoth), QLoad(TextId::kAllFilesFilter)});
  if (dialog.exec() != QDialog::Accepted) return;
  importBackgrounds(dialog.selectedFiles());
}

void GlobalPropertiesDialog::importBackgrounds(const QStringList& files) {
  std::vector<std::string> paths;
  for (const QString& file : files) paths.push_back(ToUtf8(file));
  backgrounds_->Import(paths);
  showBackgrounds();
}

QWidget* GlobalPropertiesDialog::makeStyleTab() {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  int row = 0;

  // A check box with its width and colour, on one row.
  auto effectRow = [&](TextId title, const char* checkName, const char* kind, int on, int width, int color,
                       QCheckBox*& check, QSpinBox*& spin, ColorButton*& button) {
    check = new QCheckBox(QLoad(title));
    check->setObjectName(QString::fromLatin1(checkName));
    check->setChecked(on != 0);
    spin = NamedSpin((std::string(kind) + "Width").c_str(), 0, 99, width);
    button = new ColorButton(color);
    button->setObjectName(QString::fromLatin1(kind) + QStringLiteral("Color"));
    grid->addWidget(check, row, 0);
    grid->addWidget(new QLabel(QLoad(TextId::kWidthLabel)), row, 1);
    grid->addWidget(spin, row, 2);
    grid->addWidget(button, row, 3);
    ++row;
  };
  effectRow(TextId::kImageBorderLabel, "ImageBorder", "Border", profile_.imageBorder, profile_.borderWidth,
            profile_.borderColor, border_, borderWidth_, borderColor_);
  effectRow(TextId::kImageShadowLabel, "ImageShadow", "Shadow", profile_.imageShadow, profile_.shadowWidth,
            profile_.shadowColor, shadow_, shadowWidth_, shadowColor_);

  auto fontRow = [&](const QString& title, const char* prefix, int size, int color, const std::string& face,
                     FontFields& fields) {
    const QByteArray name(prefix);
    fields.size = NamedSpin((name + "FontSize").constData(), 0, 99, size);
    fields.color = new ColorButton(color);
    fields.color->setObjectName(QString::fromLatin1(name + "Color"));
    fields.face = FontFaceBox((name + "Font").constData(), face);
    grid->addWidget(new QLabel(title), row, 0);
    grid->addWidget(new QLabel(QLoad(TextId::kSizeLabel)), row, 1);
    grid->addWidget(fields.size, row, 2);
    grid->addWidget(fields.color, row, 3);
    grid->addWidget(fields.face, row, 4);
    ++row;
  };
  fontRow(QLoad(TextId::kDatesLabel), "Date", profile_.dateFontSize, profile_.dateColor, profile_.dateFont, dates_);
  fontRow(QLoad(TextId::kCommentsLabel), "Comment", profile_.commentFontSize, profile_.commentColor,
          profile_.commentFont, comments_);

  auto* footerBox = new QGroupBox(QLoad(TextId::kFooterSectionLabel));
  footer_ = new HtmlEditor;
  footer_->setObjectName(QStringLiteral("FooterEditor"));
  footer_->setPlainText(ToQString(OpenFooter(profileDir(), profile_)));
  (new QVBoxLayout(footerBox))->addWidget(footer_);
  grid->addWidget(footerBox, row, 0, 1, 5);
  grid->setRowStretch(row, 1);
  grid->setColumnStretch(4, 1);
  return page;
}

QWidget* GlobalPropertiesDialog::makeThumbnailsTab() {
  auto* page = new QWidget;
  maxThumbSize_ = NamedSpin("MaxThumbSize", 100, 400, profile_.maxThumbSize);
  thumbsPerLine_ = NamedSpin("ThumbsPerLine", 1, 9, profile_.thumbsPerLine);
  auto* form = new QFormLayout(page);
  form->addRow(QLoad(TextId::kMaxThumbSizeLabel), maxThumbSize_);
  form->addRow(QString(), new QLabel(QLoad(TextId::kMaxThumbSizeHint)));
  form->addRow(QLoad(TextId::kThumbsPerLineLabel), thumbsPerLine_);
  form->addRow(QString(), new QLabel(QLoad(TextId::kThumbsPerLineHint)));
  return page;
}

void GlobalPropertiesDialog::readFields(ProfileSettings& s) const {
  s.slideBoard = board_.on->isChecked() ? 1 : 0;
  s.slideRepeat = repeat_.on->isChecked() ? 1 : 0;
  s.slideFader = fader_.on->isChecked() ? 1 : 0;
  s.slideDelay =
      DelayForRow(delays_->currentItem() && delays_->currentItem()->isSelected() ? delays_->currentRow() : -1);
  s.slideTrans = TransitionForRow(
      transitions_->currentItem() && transitions_->currentItem()->isSelected() ? transitions_->currentRow() : -1);

  s.imageBorder = border_->isChecked() ? 1 : 0;
  s.borderWidth = borderWidth_->value();
  s.borderColor = borderColor_->profileColor();
  s.imageShadow = shadow_->isChecked() ? 1 : 0;
  s.shadowWidth = shadowWidth_->value();
  s.shadowColor = shadowColor_->profileColor();
  s.dateFontSize = dates_.size->value();
  s.dateColor = dates_.color->profileColor();
  // A face left as shown keeps the key as read, absent included.
  s.dateFont = EditedSetting(s.dateFont, ToUtf8(dates_.face->currentText()));
  s.commentFontSize = comments_.size->value();
  s.commentColor = comments_.color->profileColor();
  s.commentFont = EditedSetting(s.commentFont, ToUtf8(comments_.face->currentText()));
  s.maxThumbSize = maxThumbSize_->value();
  s.thumbsPerLine = thumbsPerLine_->value();
}

std::string GlobalPropertiesDialog::profileDir() const { return ProfileDirectory(profilesDir_, profile_); }

void GlobalPropertiesDialog::accept() {
  ProfileSettings edited = profile_;
  readFields(edited);
  // The message names the font; the dialog stays open so that it can be corrected.
  if (!CheckFontName(edited.dateFont) || !CheckFontName(edited.commentFont)) return;
  edited.background = EditedSetting(edited.background, backgrounds_->Apply());
  profile_ = std::move(edited);
  SaveFooter(profileDir(), ToUtf8(footer_->html()), profile_);
  WriteProfileReported(profilesDir_, profile_);
  QDialog::accept();
}

void GlobalPropertiesDialog::reject() {
  backgrounds_->Discard();
  QDialog::reject();
}

}  // namespace albumsmith::ui
