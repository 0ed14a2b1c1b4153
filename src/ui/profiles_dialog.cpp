#include "ui/profiles_dialog.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "imaging/image_buffer.h"
#include "imaging/jpeg_codec.h"
#include "platform/app_settings.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "site/site_text.h"
#include "site/template.h"
#include "album/profile_maintenance.h"
#include "publish/sync_start.h"
#include "store/profiles.h"
#include "ui/check_profile_dialog.h"
#include "ui/copy_files_dialog.h"
#include "ui/copy_profile_dialog.h"
#include "ui/new_profile_wizard.h"
#include "ui/qt_text.h"
#include "ui/server_choices.h"

namespace albumsmith::ui {

namespace {

QPushButton* NamedButton(const QString& text, const char* objectName) {
  auto* button = new QPushButton(text);
  button->setObjectName(QLatin1String(objectName));
  return button;
}

QLineEdit* NamedEdit(const char* objectName, bool secret = false) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QLatin1String(objectName));
  if (secret) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

QCheckBox* NamedCheck(const QString& text, const char* objectName) {
  auto* check = new QCheckBox(text);
  check->setObjectName(QLatin1String(objectName));
  return check;
}

// A flag field changes only when the user changed its box, so an odd value
// read from the file (a missing key's -1) does not count as an edit.
void SetFlag(int& field, bool checked) {
  if ((field != 0) != checked) field = checked ? 1 : 0;
}

}  // namespace

ProfilesDialog::ProfilesDialog(std::string profilesDir, AppSettings& settings, QWidget* parent, std::string dataDir)
    : QDialog(parent),
      profilesDir_(std::move(profilesDir)),
      settings_(settings),
      dataDir_(dataDir.empty() ? ProgramDataDirectory() : std::move(dataDir)) {
  setWindowTitle(QLoad(TextId::kProfilesTitle));

  list_ = new QListWidget;
  list_->setObjectName(QStringLiteral("ProfileList"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setMinimumWidth(170);

  delete_ = NamedButton(QLoad(TextId::kDeleteButton), "Delete");
  new_ = NamedButton(QLoad(TextId::kNewButton), "New");
  copy_ = NamedButton(QLoad(TextId::kCopyButton), "Copy");
  check_ = NamedButton(QLoad(TextId::kCheckButton), "Check");
  rename_ = NamedButton(QLoad(TextId::kRenameButton), "Rename");
  help_ = NamedButton(QLoad(TextId::kHelpButton), "Help");

  auto* buttonColumn = new QVBoxLayout;
  for (QPushButton* b : {delete_, new_, copy_, check_, rename_, help_}) {
    b->setAutoDefault(false);
    buttonColumn->addWidget(b);
  }
  buttonColumn->addStretch();

  tabs_ = new QTabWidget;
  tabs_->addTab(makeServerTab(), QLoad(TextId::kServerTab));
  tabs_->addTab(makeTemplatesTab(), QLoad(TextId::kTemplatesTab));
  tabs_->addTab(makePreserveTab(), QLoad(TextId::kPreserveTab));
  securityTab_ = tabs_->addTab(makeSecurityTab(), QLoad(TextId::kSecurityTab));

  dialogButtons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(dialogButtons_, &QDialogButtonBox::accepted, this, &ProfilesDialog::accept);
  connect(dialogButtons_, &QDialogButtonBox::rejected, this, &ProfilesDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(list_);
  top->addLayout(buttonColumn);
  top->addWidget(tabs_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(dialogButtons_);

  connect(list_, &QListWidget::itemSelectionChanged, this, &ProfilesDialog::onSelectionChanged);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
    if (!renaming_) accept();
  });
  connect(list_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &ProfilesDialog::renameEditorClosed);
  connect(delete_, &QPushButton::clicked, this, &ProfilesDialog::deleteProfile);
  connect(new_, &QPushButton::clicked, this, &ProfilesDialog::runWizard);
  connect(rename_, &QPushButton::clicked, this, &ProfilesDialog::startRename);
  connect(copy_, &QPushButton::clicked, this, &ProfilesDialog::copyProfile);
  connect(check_, &QPushButton::clicked, this, &ProfilesDialog::checkProfile);

  // The profile opened last is the one chosen first.
  refill(ToQString(settings_.GetString("Settings", "LastProfile", "")));
}

QWidget* ProfilesDialog::makeServerTab() {
  auto* page = new QWidget;
  server_ = NamedEdit("ServerName");
  login_ = NamedEdit("Login");
  password_ = NamedEdit("Password", true);
  remoteDir_ = NamedEdit("RemoteDir");
  php_ = NamedCheck(QLoad(TextId::kAcceptPhpLabel), "AcceptPhp");
  passive_ = NamedCheck(QLoad(TextId::kPassiveModeLabel), "PassiveMode");
  passwordLabel_ = new QLabel(QLoad(TextId::kPasswordLabel));
  passwordLabel_->setObjectName(QStringLiteral("PasswordLabel"));
  choices_ = new ServerChoices(this, passive_, passwordLabel_);
  fingerprint_ = NamedEdit("Fingerprint");
  fingerprint_->setReadOnly(true);
  fingerprint_->setPlaceholderText(QLoad(TextId::kNoFingerprint));
  forgetFingerprint_ = NamedButton(QLoad(TextId::kForgetButton), "ForgetFingerprint");
  forgetFingerprint_->setAutoDefault(false);
  auto* fingerprintRow = new QHBoxLayout;
  fingerprintRow->addWidget(fingerprint_, 1);
  fingerprintRow->addWidget(forgetFingerprint_);

  auto* form = new QFormLayout(page);
  form->addRow(QLoad(TextId::kServerNameLabel), server_);
  form->addRow(QLoad(TextId::kLoginLabel), login_);
  form->addRow(passwordLabel_, password_);
  form->addRow(QLoad(TextId::kRemoteBaseDirectoryLabel), remoteDir_);
  choices_->addRows(form);
  form->addRow(QLoad(TextId::kFingerprintLabel), fingerprintRow);
  form->addRow(php_);
  form->addRow(passive_);
  connect(php_, &QCheckBox::toggled, this, &ProfilesDialog::updateSecurityTab);
  // A pin belongs to the protocol it was made for: another protocol starts without one.
  connect(choices_, &ServerChoices::protocolChanged, fingerprint_, &QLineEdit::clear);
  connect(forgetFingerprint_, &QPushButton::clicked, fingerprint_, &QLineEdit::clear);
  connect(fingerprint_, &QLineEdit::textChanged, this,
          [this] { forgetFingerprint_->setEnabled(!fingerprint_->text().isEmpty()); });
  return page;
}

QWidget* ProfilesDialog::makeTemplatesTab() {
  auto* page = new QWidget;
  auto* box = new QGroupBox(QLoad(TextId::kTemplateLabel));
  templates_ = new QComboBox;
  templates_->setObjectName(QStringLiteral("TemplateList"));
  for (const std::string& name : ListTemplates(dataDir_)) templates_->addItem(ToQString(name));
  storyBoard_ = NamedButton(QLoad(TextId::kStoryBoardButton), "StoryBoard");
  slideShow_ = NamedButton(QLoad(TextId::kSlideShowButton), "SlideShow");
  auto* group = new QButtonGroup(page);
  for (QPushButton* b : {storyBoard_, slideShow_}) {
    b->setCheckable(true);
    b->setAutoDefault(false);
    group->addButton(b);
  }
  storyBoard_->setChecked(true);
  templatePicture_ = new QLabel;
  templatePicture_->setObjectName(QStringLiteral("TemplatePicture"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(storyBoard_);
  buttons->addWidget(slideShow_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(box);
  layout->addWidget(templates_);
  layout->addWidget(templatePicture_);
  layout->addLayout(buttons);
  layout->addStretch();
  (new QVBoxLayout(page))->addWidget(box);

  connect(templates_, &QComboBox::currentIndexChanged, this, &ProfilesDialog::showTemplatePicture);
  connect(templates_, &QComboBox::activated, this, &ProfilesDialog::templateChosen);
  connect(group, &QButtonGroup::buttonClicked, this, &ProfilesDialog::showTemplatePicture);
  showTemplatePicture();
  return page;
}

void ProfilesDialog::templateChosen(int index) {
  // Information only: the choice stands even when the template is of another version.
  if (index >= 0) CheckTemplate(dataDir_, ToUtf8(templates_->itemText(index)));
}

void ProfilesDialog::showTemplatePicture() {
  TemplatePictures found;
  std::optional<std::string> picture;
  if (templates_->currentIndex() >= 0) {
    const std::string dir = TemplateDirectory(dataDir_, ToUtf8(templates_->currentText()));
    found = FindTemplatePictures(dir);
    picture = TemplatePictureToShow(dir, slideShow_->isChecked());
    // The button of the picture shown is the one pressed, also when the
    // template has only the other picture.
    if (picture) (*picture == dir + std::string(kSlidePicture) ? slideShow_ : storyBoard_)->setChecked(true);
  }
  storyBoard_->setEnabled(found.index);
  slideShow_->setEnabled(found.slide);

  QPixmap pixmap;
  ImageBuffer image;
  if (picture && LoadJpeg(*picture, image, false)) {
    const QImage::Format format = image.components() == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8;
    pixmap = QPixmap::fromImage(
        QImage(image.data(), image.width(), image.height(), static_cast<qsizetype>(image.rowBytes()), format));
  }
  // Drawn at its own size: the area takes the picture's.
  templatePicture_->setPixmap(pixmap);
  templatePicture_->setFixedSize(pixmap.size());
  templatePicture_->setVisible(!pixmap.isNull());
}

QWidget* ProfilesDialog::makePreserveTab() {
  auto* page = new QWidget;
  preserve_ = new QListWidget;
  preserve_->setObjectName(QStringLiteral("PreserveList"));
  preserve_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  preserveAdd_ = NamedButton(QLoad(TextId::kAddButton), "PreserveAdd");
  preserveDelete_ = NamedButton(QLoad(TextId::kDeleteButton), "PreserveDelete");
  preserveEdit_ = NamedButton(QLoad(TextId::kEditButton), "PreserveEdit");
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {preserveAdd_, preserveDelete_, preserveEdit_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  auto* layout = new QHBoxLayout(page);
  layout->addWidget(preserve_, 1);
  layout->addLayout(buttons);

  connect(preserveAdd_, &QPushButton::clicked, this, &ProfilesDialog::addPreserveEntry);
  connect(preserveEdit_, &QPushButton::clicked, this, &ProfilesDialog::editPreserveEntry);
  connect(preserveDelete_, &QPushButton::clicked, this, &ProfilesDialog::deletePreserveEntry);
  connect(preserve_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &ProfilesDialog::preserveEditorClosed);
  return page;
}

QWidget* ProfilesDialog::makeSecurityTab() {
  auto* page = new QWidget;
  accessSecurity_ = NamedCheck(QLoad(TextId::kPasswordProtectionLabel), "AccessSecurity");
  accessUser_ = NamedEdit("AccessUser");
  accessPassword_ = NamedEdit("AccessPassword", true);
  // The protection lives in the PHP pages: a static site shows every folder
  // to everyone, and the tab says so rather than offering a check box.
  staticNote_ = new QLabel(QLoad(TextId::kStaticSiteNote));
  staticNote_->setObjectName(QStringLiteral("StaticSiteNote"));
  staticNote_->setWordWrap(true);
  auto* form = new QFormLayout(page);
  form->addRow(staticNote_);
  form->addRow(accessSecurity_);
  form->addRow(QLoad(TextId::kLoginLabel), accessUser_);
  form->addRow(QLoad(TextId::kPasswordLabel), accessPassword_);
  return page;
}

int ProfilesDialog::execWithWizard() {
  QTimer::singleShot(0, this, &ProfilesDialog::runWizard);
  return exec();
}

void ProfilesDialog::refill(const QString& select) {
  {
    const QSignalBlocker blocker(list_);
    list_->clear();
    for (const auto& name : ListProfiles(profilesDir_)) list_->addItem(ToQString(name));
  }
  QListWidgetItem* chosen = nullptr;
  for (int row = 0; row < list_->count() && !select.isEmpty(); ++row) {
    if (list_->item(row)->text() == select) chosen = list_->item(row);
  }
  if (chosen) {
    list_->setCurrentItem(chosen);
    list_->scrollToItem(chosen);
  }
  onSelectionChanged();
}

void ProfilesDialog::onSelectionChanged() {
  if (renaming_) return;
  const auto selected = list_->selectedItems();
  if (selected.isEmpty()) {
    asRead_.reset();
  } else {
    asRead_ = ReadProfile(profilesDir_, ToUtf8(selected.front()->text()));
    fillTabs(*asRead_);
  }
  updateEnabling();
}

void ProfilesDialog::updateEnabling() {
  const bool editing = renaming_ != nullptr;
  const bool selected = asRead_.has_value();
  new_->setEnabled(!editing);
  delete_->setEnabled(!editing && selected);
  rename_->setEnabled(!editing && selected);
  copy_->setEnabled(!editing && selected);
  check_->setEnabled(!editing && selected);
  // The help file comes later.
  help_->setEnabled(false);
  dialogButtons_->setEnabled(!editing);
  dialogButtons_->button(QDialogButtonBox::Ok)->setEnabled(selected);
  tabs_->setEnabled(selected);
  updateSecurityTab();
}

void ProfilesDialog::updateSecurityTab() {
  const bool php = php_->isChecked();
  staticNote_->setVisible(!php);
  for (QWidget* w : std::initializer_list<QWidget*>{accessSecurity_, accessUser_, accessPassword_}) w->setEnabled(php);
  if (!php && accessSecurity_->isChecked()) {
    accessBeforeStatic_ = true;
    accessSecurity_->setChecked(false);
  } else if (php && accessBeforeStatic_) {
    accessBeforeStatic_ = false;
    accessSecurity_->setChecked(true);
  }
}

void ProfilesDialog::fillTabs(const ProfileSettings& s) {
  // A key absent from Profile.ini shows as an empty field.
  server_->setText(ToQString(SettingText(s.serverName)));
  login_->setText(ToQString(SettingText(s.login)));
  password_->setText(ToQString(s.password));
  remoteDir_->setText(ToQString(SettingText(s.remoteDir)));
  php_->setChecked(s.php != 0);
  passive_->setChecked(s.passive != 0);
  fingerprint_->setText(ToQString(SettingText(s.fingerprint)));
  forgetFingerprint_->setEnabled(!fingerprint_->text().isEmpty());
  choices_->fill(s);

  {
    // A template that is not (or no longer) installed leaves the list without a choice.
    const QSignalBlocker quiet(templates_);
    int chosen = -1;
    for (int row = 0; row < templates_->count(); ++row) {
      if (EqualsNoCase(ToUtf8(templates_->itemText(row)), s.templateName)) chosen = row;
    }
    templates_->setCurrentIndex(chosen);
  }
  showTemplatePicture();

  preserve_->clear();
  const PreserveList shown(SettingText(s.preserve.str()));
  for (const auto& entry : shown.entries()) preserve_->addItem(ToQString(entry));

  accessBeforeStatic_ = false;
  accessSecurity_->setChecked(s.accessSecurity == 1);
  accessUser_->setText(ToQString(SettingText(s.accessUser)));
  accessPassword_->setText(ToQString(SettingText(s.accessPassword)));
  updateSecurityTab();
}

void ProfilesDialog::readTabs(ProfileSettings& s) const {
  // A field left as shown keeps its key as read, absent ones included, so
  // that only what the user changed counts as a change.
  s.serverName = EditedSetting(s.serverName, ToUtf8(server_->text()));
  s.login = EditedSetting(s.login, ToUtf8(login_->text()));
  s.password = ToUtf8(password_->text());
  s.remoteDir = EditedSetting(s.remoteDir, ToUtf8(remoteDir_->text()));
  SetFlag(s.php, php_->isChecked());
  SetFlag(s.passive, passive_->isChecked());
  s.fingerprint = EditedSetting(s.fingerprint, ToUtf8(fingerprint_->text()));
  choices_->read(s);

  // A template that is not listed stays as it was.
  if (templates_->currentIndex() >= 0) s.templateName = ToUtf8(templates_->currentText());

  std::vector<std::string> entries;
  for (int row = 0; row < preserve_->count(); ++row) entries.push_back(ToUtf8(preserve_->item(row)->text()));
  s.preserve.Set(EditedSetting(s.preserve.str(), Join(entries, "|")));

  if ((s.accessSecurity == 1) != accessSecurity_->isChecked()) s.accessSecurity = accessSecurity_->isChecked() ? 1 : 0;
  s.accessUser = EditedSetting(s.accessUser, ToUtf8(accessUser_->text()));
  s.accessPassword = EditedSetting(s.accessPassword, ToUtf8(accessPassword_->text()));
}

void ProfilesDialog::accept() {
  if (!asRead_ || renaming_) return;
  if (preserveEditing_) endPreserveEdit();
  if (!CheckDialogServerName(ToUtf8(server_->text()))) {
    tabs_->setCurrentIndex(0);
    server_->setFocus();
    return;
  }
  const auto remoteDir = CheckDialogRemoteDir(ToUtf8(remoteDir_->text()));
  if (!remoteDir) {
    tabs_->setCurrentIndex(0);
    remoteDir_->setFocus();
    return;
  }
  remoteDir_->setText(ToQString(*remoteDir));
  if (!choices_->check()) {
    tabs_->setCurrentIndex(0);
    return;
  }
  ProfileSettings edited = *asRead_;
  readTabs(edited);
  chosen_ = SaveEditedProfile(profilesDir_, *asRead_, edited);
  QDialog::accept();
}

void ProfilesDialog::runWizard() {
  NewProfileWizard wizard(profilesDir_, this);
  if (wizard.exec() == QDialog::Accepted) refill(ToQString(wizard.created().name));
}

void ProfilesDialog::checkProfile() {
  if (!asRead_) return;
  // The server as the tabs show it now, saved or not.
  ProfileSettings edited = *asRead_;
  readTabs(edited);
  CheckProfileDialog dialog(edited, this);
  dialog.exec();
}

void ProfilesDialog::copyProfile() {
  if (!asRead_) return;
  const ProfileSettings original = *asRead_;
  CopyProfileDialog names(profilesDir_, this);
  if (names.exec() != QDialog::Accepted) return;
  NewProfileWizard wizard(profilesDir_, CopiedProfileSettings(original, names.name()), this);
  if (wizard.exec() != QDialog::Accepted) return;
  ProfileSettings copy = wizard.created();
  const TreeCopier copier = [this](const std::string& title, const std::string& source,
                                   const std::string& destination) {
    return CopyFilesDialog::Run(this, source, destination, ToQString(title)) ? Status::Ok() : Status::Failed();
  };
  CopyProfile(profilesDir_, original, copy, names.copyImages(), copier);
  // Whatever was made is listed; a failed step has told what went wrong.
  refill(ToQString(copy.name));
}

void ProfilesDialog::startRename() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || !asRead_) return;
  renaming_ = item;
  nameBeforeRename_ = item->text();
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  updateEnabling();
  list_->editItem(item);
  renameEditor_ = list_->indexWidget(list_->indexFromItem(item));
}

// The work waits until the view has finished with the editor: a rename may
// refill the list and ask questions.
void ProfilesDialog::renameEditorClosed(QWidget* editor) {
  if (!renameEditor_ || editor != renameEditor_) return;
  renameEditor_ = nullptr;
  QMetaObject::invokeMethod(this, &ProfilesDialog::endRename, Qt::QueuedConnection);
}

void ProfilesDialog::endRename() {
  QListWidgetItem* item = renaming_;
  if (!item) return;
  renaming_ = nullptr;
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  updateEnabling();

  const QString newName = item->text();
  if (newName == nameBeforeRename_) return;
  ProfileSettings record = ReadProfile(profilesDir_, ToUtf8(nameBeforeRename_));
  if (RenameProfile(profilesDir_, settings_, record, ToUtf8(newName))) {
    refill(newName);
    return;
  }
  {
    const QSignalBlocker blocker(list_);
    item->setText(nameBeforeRename_);
  }
  list_->setCurrentItem(item);
  onSelectionChanged();
}

void ProfilesDialog::deleteProfile() {
  const auto selected = list_->selectedItems();
  if (selected.isEmpty()) return;
  DeleteProfile(profilesDir_, settings_, ToUtf8(selected.front()->text()), [](const ProfileSettings& profile) {
    // On this thread, as the user waits for it.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RemoveRemoteProfile(profile);
    QApplication::restoreOverrideCursor();
  });
  refill(QString());
}

void ProfilesDialog::addPreserveEntry() {
  if (preserveEditing_) return;
  auto* item = new QListWidgetItem;
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  preserve_->addItem(item);
  preserve_->setCurrentItem(item);
  newPreserveItem_ = item;
  preserveEditing_ = item;
  preserveTextBeforeEdit_.clear();
  setPreserveButtonsEnabled(false);
  preserve_->editItem(item);
  preserveEditor_ = preserve_->indexWidget(preserve_->indexFromItem(item));
}

void ProfilesDialog::editPreserveEntry() {
  QListWidgetItem* item = preserve_->currentItem();
  if (!item || preserveEditing_) return;
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  preserveEditing_ = item;
  newPreserveItem_ = nullptr;
  preserveTextBeforeEdit_ = item->text();
  setPreserveButtonsEnabled(false);
  preserve_->editItem(item);
  preserveEditor_ = preserve_->indexWidget(preserve_->indexFromItem(item));
}

void ProfilesDialog::deletePreserveEntry() {
  if (preserveEditing_) return;
  delete preserve_->currentItem();
}

void ProfilesDialog::setPreserveButtonsEnabled(bool enabled) {
  for (QPushButton* b : {preserveAdd_, preserveDelete_, preserveEdit_}) b->setEnabled(enabled);
}

void ProfilesDialog::preserveEditorClosed(QWidget* editor) {
  if (!preserveEditor_ || editor != preserveEditor_) return;
  preserveEditor_ = nullptr;
  QMetaObject::invokeMethod(this, &ProfilesDialog::endPreserveEdit, Qt::QueuedConnection);
}

void ProfilesDialog::endPreserveEdit() {
  QListWidgetItem* item = preserveEditing_;
  if (!item) return;
  preserveEditing_ = nullptr;
  preserveEditor_ = nullptr;
  const bool isNew = item == newPreserveItem_;
  newPreserveItem_ = nullptr;
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  setPreserveButtonsEnabled(true);

  const QString text = item->text();
  if (text.isEmpty()) {
    delete item;
    return;
  }
  if (!IsValidPreserveEntry(ToUtf8(text))) {
    ShowMessage({Icon::Stop, Buttons::Ok}, TextId::kInvalidPath);
    if (isNew) {
      delete item;
    } else {
      item->setText(preserveTextBeforeEdit_);
    }
  }
}

}  // namespace albumsmith::ui
