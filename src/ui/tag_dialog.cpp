#include "ui/tag_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

#include "album/stamp_images.h"
#include "ui/image_list_view.h"
#include "ui/qt_text.h"

namespace albumsmith::ui {

namespace {

// The colour table's names, in its order, as colour pickers name them.
constexpr TextId kColourNames[kStampColorCount] = {
    TextId::kColourBlack,  TextId::kColourMaroon,  TextId::kColourGreen, TextId::kColourOlive,
    TextId::kColourNavy,   TextId::kColourPurple,  TextId::kColourTeal,  TextId::kColourGray,
    TextId::kColourSilver, TextId::kColourRed,     TextId::kColourLime,  TextId::kColourYellow,
    TextId::kColourBlue,   TextId::kColourFuchsia, TextId::kColourAqua,  TextId::kColourWhite};

// The script entries and the character set value each stores.
constexpr std::pair<TextId, int> kScripts[] = {
    {TextId::kScriptWestern, 0},      {TextId::kScriptCentralEuropean, 238},
    {TextId::kScriptCyrillic, 204},   {TextId::kScriptGreek, 161},
    {TextId::kScriptTurkish, 162},    {TextId::kScriptBaltic, 186},
    {TextId::kScriptHebrew, 177},     {TextId::kScriptArabic, 178},
    {TextId::kScriptVietnamese, 163}, {TextId::kScriptThai, 222},
    {TextId::kScriptSymbol, 2},
};

enum Style { kRegular, kItalic, kBold, kBoldItalic };
constexpr int kBoldWeight = 700;
constexpr int kRegularWeight = 400;
constexpr int kBoldFrom = 600;

QColor ColourOf(int index) {
  const StampRgb c = StampColor(index);
  return QColor(c.red, c.green, c.blue);
}

QIcon Swatch(int index) {
  QPixmap pixmap(16, 12);
  pixmap.fill(ColourOf(index));
  QPainter painter(&pixmap);
  painter.setPen(Qt::gray);
  painter.drawRect(0, 0, 15, 11);
  return QIcon(pixmap);
}

int ValidIndex(int index) { return index >= 0 && index < kStampColorCount ? index : 0; }

}  // namespace

TagDialog::TagDialog(const StampSettings& stamp, QWidget* parent) : QDialog(parent), initial_(stamp) {
  setWindowTitle(QLoad(TextId::kTagImageTitle));
  const StampFont& font = stamp.font;

  // The font chooser.
  auto* fontBox = new QGroupBox(this);
  auto* fontGrid = new QGridLayout(fontBox);
  face_ = new QFontComboBox(fontBox);
  face_->setEditable(true);
  face_->setEditText(ToQString(font.faceName));
  face_->setObjectName(QStringLiteral("face"));
  style_ = new QComboBox(fontBox);
  style_->setObjectName(QStringLiteral("style"));
  style_->addItems({QLoad(TextId::kRegularStyle), QLoad(TextId::kItalicStyle), QLoad(TextId::kBoldStyle),
                    QLoad(TextId::kBoldItalicStyle)});
  const bool bold = font.weight >= kBoldFrom;
  style_->setCurrentIndex((bold ? kBold : kRegular) + (font.italic ? 1 : 0));
  size_ = new QComboBox(fontBox);
  size_->setObjectName(QStringLiteral("size"));
  size_->setEditable(true);
  for (int pixels : {8, 9, 10, 11, 12, 14, 16, 18, 20, 24, 29, 32, 36, 40, 48, 60, 72, 96})
    size_->addItem(QString::number(pixels));
  // The size is the height of the characters in pixels, as the record keeps it.
  size_->setEditText(QString::number(font.height < 0 ? -font.height : font.height == 0 ? 16 : font.height));
  strikeOut_ = new QCheckBox(QLoad(TextId::kStrikeoutLabel), fontBox);
  strikeOut_->setChecked(font.strikeOut != 0);
  underline_ = new QCheckBox(QLoad(TextId::kUnderlineLabel), fontBox);
  underline_->setChecked(font.underline != 0);
  script_ = new QComboBox(fontBox);
  script_->setObjectName(QStringLiteral("script"));
  for (const auto& [name, charSet] : kScripts) script_->addItem(QLoad(name), charSet);
  if (script_->findData(font.charSet) < 0) script_->addItem(QString::number(font.charSet), font.charSet);
  script_->setCurrentIndex(script_->findData(font.charSet));
  sample_ = new QLabel(QLoad(TextId::kSampleText), fontBox);
  sample_->setObjectName(QStringLiteral("sample"));
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setFrameShape(QFrame::StyledPanel);
  sample_->setMinimumSize(260, 70);

  auto label = [fontBox](TextId text, QWidget* buddy) {
    auto* l = new QLabel(QLoad(text), fontBox);
    l->setBuddy(buddy);
    return l;
  };
  fontGrid->addWidget(label(TextId::kFontLabel, face_), 0, 0);
  fontGrid->addWidget(label(TextId::kFontStyleLabel, style_), 0, 1);
  fontGrid->addWidget(label(TextId::kFontSizeLabel, size_), 0, 2);
  fontGrid->addWidget(face_, 1, 0);
  fontGrid->addWidget(style_, 1, 1);
  fontGrid->addWidget(size_, 1, 2);
  auto* effects = new QVBoxLayout;
  effects->addWidget(strikeOut_);
  effects->addWidget(underline_);
  fontGrid->addLayout(effects, 2, 0);
  fontGrid->addWidget(sample_, 2, 1, 2, 2);
  fontGrid->addWidget(label(TextId::kScriptLabel, script_), 4, 1);
  fontGrid->addWidget(script_, 5, 1, 1, 2);

  // Text and colours.
  textColour_ = new QComboBox(this);
  textColour_->setObjectName(QStringLiteral("textColour"));
  for (int i = 0; i < kStampColorCount; ++i) textColour_->addItem(Swatch(i), QLoad(kColourNames[i]));
  textColour_->setCurrentIndex(ValidIndex(stamp.textColor));
  text_ = new QLineEdit(ToQString(stamp.text), this);
  text_->setObjectName(QStringLiteral("text"));
  text_->setMaxLength(static_cast<int>(kStampTextLimit));
  background_ = new QToolButton(this);
  background_->setObjectName(QStringLiteral("backgroundColour"));
  background_->setPopupMode(QToolButton::InstantPopup);
  auto* colours = new QMenu(background_);
  for (int i = 0; i < kStampColorCount; ++i)
    colours->addAction(Swatch(i), QLoad(kColourNames[i]), this, [this, i] { setBackgroundColour(i); });
  background_->setMenu(colours);
  setBackgroundColour(ValidIndex(stamp.bgColor));

  auto* textGrid = new QGridLayout;
  textGrid->addWidget(new QLabel(QLoad(TextId::kTextColorLabel), this), 0, 0);
  textGrid->addWidget(textColour_, 0, 1);
  textGrid->addWidget(new QLabel(QLoad(TextId::kTextLabel), this), 1, 0);
  textGrid->addWidget(text_, 1, 1, 1, 3);
  textGrid->addWidget(new QLabel(QLoad(TextId::kBackgroundColorLabel), this), 0, 2);
  textGrid->addWidget(background_, 0, 3);

  // Position, the two boxes and the background mode.
  auto* positionBox = new QGroupBox(QLoad(TextId::kPositionLabel), this);
  auto* positionLayout = new QGridLayout(positionBox);
  position_ = new QButtonGroup(this);
  const TextId positionNames[] = {TextId::kUpperLeft, TextId::kUpperRight, TextId::kLowerLeft, TextId::kLowerRight,
                                  TextId::kCenterPosition};
  for (int i = 0; i < 5; ++i) {
    auto* button = new QRadioButton(QLoad(positionNames[i]), positionBox);
    position_->addButton(button, i);
    if (i < 4)
      positionLayout->addWidget(button, i / 2, i % 2);
    else
      positionLayout->addWidget(button, 2, 0, 1, 2, Qt::AlignHCenter);
  }
  position_->button(stamp.EffectivePosition())->setChecked(true);
  external_ = new QCheckBox(QLoad(TextId::kExternalLabel), this);
  external_->setChecked(stamp.external != 0);
  tag_ = new QCheckBox(QLoad(TextId::kTagImageTitle), this);
  tag_->setChecked(stamp.tag != 0);
  auto* modeBox = new QGroupBox(QLoad(TextId::kBackgroundTab), this);
  auto* modeLayout = new QVBoxLayout(modeBox);
  mode_ = new QButtonGroup(this);
  const TextId modeNames[] = {TextId::kNoBackgroundChoice, TextId::kTransparentChoice, TextId::kOpaqueChoice};
  for (int i = 0; i < 3; ++i) {
    auto* button = new QRadioButton(QLoad(modeNames[i]), modeBox);
    mode_->addButton(button, i);
    modeLayout->addWidget(button);
  }
  mode_->button(stamp.background >= 0 && stamp.background <= 2 ? stamp.background : 0)->setChecked(true);
  // A stamp in the centre has no band of its own.
  auto centreNotExternal = [this] { external_->setEnabled(position_->checkedId() != kCenter); };
  connect(position_, &QButtonGroup::idClicked, this, centreNotExternal);
  centreNotExternal();

  auto* boxes = new QVBoxLayout;
  boxes->addWidget(external_);
  boxes->addWidget(tag_);
  boxes->addStretch();
  auto* lower = new QHBoxLayout;
  lower->addWidget(positionBox);
  lower->addLayout(boxes);
  lower->addWidget(modeBox);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fontBox);
  layout->addLayout(textGrid);
  layout->addLayout(lower);
  layout->addWidget(buttons);

  built_ = true;
  connect(face_, &QComboBox::currentTextChanged, this, &TagDialog::updateSample);
  connect(style_, &QComboBox::currentIndexChanged, this, &TagDialog::updateSample);
  connect(size_, &QComboBox::currentTextChanged, this, &TagDialog::updateSample);
  connect(strikeOut_, &QCheckBox::toggled, this, &TagDialog::updateSample);
  connect(underline_, &QCheckBox::toggled, this, &TagDialog::updateSample);
  connect(textColour_, &QComboBox::currentIndexChanged, this, &TagDialog::updateSample);
  updateSample();
}

void TagDialog::setBackgroundColour(int index) {
  backgroundColour_ = index;
  background_->setIcon(Swatch(index));
  background_->setToolTip(QLoad(kColourNames[index]));
  if (built_) updateSample();
}

void TagDialog::updateSample() {
  const StampSettings s = stamp();
  QFont font(ToQString(s.font.faceName));
  font.setPixelSize(std::max(1, std::min(-s.font.height, 72)));
  font.setBold(s.font.weight >= kBoldFrom);
  font.setItalic(s.font.italic != 0);
  font.setUnderline(s.font.underline != 0);
  font.setStrikeOut(s.font.strikeOut != 0);
  sample_->setFont(font);
  QPalette palette = sample_->palette();
  palette.setColor(QPalette::WindowText, ColourOf(s.textColor));
  palette.setColor(QPalette::Window, ColourOf(backgroundColour_));
  sample_->setAutoFillBackground(true);
  sample_->setPalette(palette);
}

StampSettings TagDialog::stamp() const {
  StampSettings s = initial_;
  s.fontReadable = true;
  s.font.faceName = ToUtf8(face_->currentText().trimmed());
  if (s.font.faceName.empty()) s.font.faceName = initial_.font.faceName;
  bool ok = false;
  const int pixels = size_->currentText().trimmed().toInt(&ok);
  if (ok && pixels >= 1 && pixels <= kMaxStampFontPixels) s.font.height = -pixels;
  const int style = style_->currentIndex();
  const bool bold = style == kBold || style == kBoldItalic;
  // A weight the four styles do not name is kept while its boldness stays.
  if (bold != (initial_.font.weight >= kBoldFrom)) s.font.weight = bold ? kBoldWeight : kRegularWeight;
  if (s.font.weight <= 0) s.font.weight = bold ? kBoldWeight : kRegularWeight;
  s.font.italic = style == kItalic || style == kBoldItalic ? 1 : 0;
  s.font.strikeOut = strikeOut_->isChecked() ? 1 : 0;
  s.font.underline = underline_->isChecked() ? 1 : 0;
  s.font.charSet = script_->currentData().toInt();
  s.textColor = textColour_->currentIndex();
  s.bgColor = backgroundColour_;
  s.text = ToUtf8(text_->text());
  s.position = position_->checkedId();
  s.external = external_->isChecked() ? 1 : 0;
  s.tag = tag_->isChecked() ? 1 : 0;
  s.background = mode_->checkedId();
  return s;
}

bool TagSelectedImages(ImageListView& view, QWidget* parent) {
  const ImageList& list = view.list();
  if (!list.loaded()) return false;
  std::set<int> rows;
  for (const QModelIndex& index : view.thumbnailView()->selectionModel()->selectedIndexes()) rows.insert(index.row());
  std::vector<std::string> names;
  for (int row : rows)
    if (row >= 0 && static_cast<size_t>(row) < list.items().size())
      names.push_back(list.items()[static_cast<size_t>(row)].fileName);
  if (names.empty()) return false;

  TagDialog dialog(FirstStamp(list.profileDir(), list.folder(), names), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  // The list goes with the reload; keep what the reload needs.
  const std::string profileDir = list.profileDir();
  const std::string folder = list.folder();
  const ProfileSettings settings = list.settings();
  const bool written = StampImages(profileDir, folder, settings, names, dialog.stamp());
  view.loadFolder(profileDir, folder, settings);
  return written;
}

}  // namespace albumsmith::ui
