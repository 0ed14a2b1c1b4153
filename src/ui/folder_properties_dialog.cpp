#include "ui/folder_properties_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/atomic_file.h"
#include "ui/html_editor.h"
#include "ui/preview_window.h"
#include "ui/qt_text.h"
#include "ui/variables_dialog.h"

namespace albumsmith::ui {

namespace {

constexpr int kEditorMinimumWidth = 560;
constexpr int kEditorMinimumHeight = 260;

}  // namespace

FolderPropertiesDialog::FolderPropertiesDialog(std::string profileDir, std::string folder, QWidget* parent)
    : QDialog(parent), profileDir_(std::move(profileDir)), folder_(std::move(folder)) {
  setWindowTitle(QLoad(TextId::kFolderPropertiesTitle));
  const FolderDialogState opened = OpenFolderProperties(profileDir_, folder_);
  settings_ = opened.settings;

  auto* contents = new QGroupBox(QLoad(TextId::kContentsLabel));
  storyBoard_ = new QRadioButton(QLoad(TextId::kStoryBoardChoice));
  storyBoard_->setObjectName(QStringLiteral("StoryBoard"));
  htmlData_ = new QRadioButton(QLoad(TextId::kHtmlDataLabel));
  htmlData_->setObjectName(QStringLiteral("HtmlData"));
  auto* group = new QButtonGroup(contents);
  group->addButton(storyBoard_);
  group->addButton(htmlData_);
  (HtmlEditorEnabled(settings_) ? htmlData_ : storyBoard_)->setChecked(true);
  auto* note = new QLabel(QLoad(TextId::kRootPageNote));
  note->setWordWrap(true);
  auto* contentsLayout = new QHBoxLayout(contents);
  contentsLayout->addWidget(storyBoard_);
  contentsLayout->addWidget(htmlData_);
  contentsLayout->addWidget(note, 1);

  auto* html = new QGroupBox(QLoad(TextId::kHtmlDataLabel));
  editor_ = new HtmlEditor;
  editor_->setObjectName(QStringLiteral("HtmlEditor"));
  editor_->setMinimumSize(kEditorMinimumWidth, kEditorMinimumHeight);
  editor_->setPlainText(ToQString(opened.html));
  readFile_ = new QPushButton(QLoad(TextId::kReadFileButton));
  readFile_->setObjectName(QStringLiteral("ReadFile"));
  preview_ = new QPushButton(QLoad(TextId::kPreviewButton));
  preview_->setObjectName(QStringLiteral("Preview"));
  auto* htmlButtons = new QVBoxLayout;
  for (QPushButton* b : {readFile_, preview_}) {
    b->setAutoDefault(false);
    htmlButtons->addWidget(b);
  }
  htmlButtons->addStretch();
  auto* htmlLayout = new QHBoxLayout(html);
  htmlLayout->addWidget(editor_, 1);
  htmlLayout->addLayout(htmlButtons);

  auto* custom = new QGroupBox(QLoad(TextId::kFolderCustomizationLabel));
  customTitle_ = new QCheckBox(QLoad(TextId::kCustomTitleLabel));
  customTitle_->setObjectName(QStringLiteral("CustomTitle"));
  customTitle_->setChecked(TitleFieldEnabled(settings_));
  titleText_ = new QLineEdit(ToQString(settings_.titleText));
  titleText_->setObjectName(QStringLiteral("TitleText"));
  variables_ = new QPushButton(QLoad(TextId::kTemplateVariablesButton));
  variables_->setObjectName(QStringLiteral("TemplateVariables"));
  variables_->setAutoDefault(false);
  auto* customLayout = new QHBoxLayout(custom);
  customLayout->addWidget(customTitle_);
  customLayout->addWidget(titleText_, 1);
  customLayout->addWidget(variables_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderPropertiesDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FolderPropertiesDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(contents);
  layout->addWidget(html, 1);
  layout->addWidget(custom);
  layout->addWidget(buttons);

  connect(htmlData_, &QRadioButton::toggled, this, &FolderPropertiesDialog::updateEnabling);
  connect(customTitle_, &QCheckBox::toggled, this, &FolderPropertiesDialog::updateEnabling);
  connect(readFile_, &QPushButton::clicked, this, &FolderPropertiesDialog::readFile);
  connect(preview_, &QPushButton::clicked, this, &FolderPropertiesDialog::preview);
  connect(variables_, &QPushButton::clicked, this, &FolderPropertiesDialog::editVariables);
  updateEnabling();
}

FolderSettings FolderPropertiesDialog::shownSettings() const {
  FolderSettings s = settings_;
  s.htmlMode = htmlData_->isChecked() ? 1 : 0;
  s.titleMode = customTitle_->isChecked() ? 1 : 0;
  s.titleText = ToUtf8(titleText_->text());
  return s;
}

void FolderPropertiesDialog::updateEnabling() {
  const FolderSettings s = shownSettings();
  const bool html = HtmlEditorEnabled(s);
  for (QWidget* w : {static_cast<QWidget*>(editor_), static_cast<QWidget*>(readFile_), static_cast<QWidget*>(preview_)})
    w->setEnabled(html);
  titleText_->setEnabled(TitleFieldEnabled(s));
}

void FolderPropertiesDialog::readFile() {
  const QString chosen = QFileDialog::getOpenFileName(this, QLoad(TextId::kIncludeHtmlTitle), lastReadDir_,
                                                      QLoad(TextId::kHtmlFilesFilter));
  if (chosen.isEmpty()) return;
  lastReadDir_ = QFileInfo(chosen).absolutePath();
  if (const auto text = ReadWholeFile(ToUtf8(chosen))) editor_->setPlainText(ToQString(*text));
}

void FolderPropertiesDialog::preview() {
  PreviewWindow window(PreviewMode::Html, this);
  if (!window.openHtml(ToUtf8(editor_->html()))) return;
  previewFile_ = ToQString(window.firstPage());
  window.exec();
}

void FolderPropertiesDialog::editVariables() {
  VariablesDialog dialog(profileDir_, folder_, this);
  dialog.exec();
}

void FolderPropertiesDialog::accept() {
  settings_ = shownSettings();
  SaveFolderProperties(profileDir_, folder_, settings_, ToUtf8(editor_->html()));
  QDialog::accept();
}

}  // namespace albumsmith::ui
