#include "ui/new_profile_wizard.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

#include "platform/messages.h"
#include "site/site_text.h"
#include "store/profiles.h"
#include "store/remote_choices.h"
#include "ui/check_profile_dialog.h"
#include "ui/qt_text.h"
#include "ui/server_choices.h"

namespace albumsmith::ui {

namespace {

// A page whose "go on" is decided by a function of the wizard, with an
// optional one that fills it as it comes up.
class CheckedPage : public QWizardPage {
 public:
  CheckedPage(const QString& title, std::function<bool()> check, std::function<void()> shown = nullptr)
      : check_(std::move(check)), shown_(std::move(shown)) {
    setTitle(title);
  }
  bool validatePage() override { return !check_ || check_(); }
  void initializePage() override {
    if (shown_) shown_();
  }

 private:
  std::function<bool()> check_;
  std::function<void()> shown_;
};

QLineEdit* NamedEdit(const char* objectName) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QLatin1String(objectName));
  return edit;
}

QCheckBox* NamedCheck(const QString& text, const char* objectName, bool checked) {
  auto* check = new QCheckBox(text);
  check->setObjectName(QLatin1String(objectName));
  check->setChecked(checked);
  return check;
}

}  // namespace

NewProfileWizard::NewProfileWizard(std::string profilesDir, QWidget* parent)
    : QWizard(parent), profilesDir_(std::move(profilesDir)) {
  setWindowTitle(QLoad(TextId::kNewProfileTitle));
  setWizardStyle(QWizard::ClassicStyle);
  setOption(QWizard::HaveHelpButton, true);
  setOption(QWizard::NoBackButtonOnStartPage, false);
  setButtonText(QWizard::NextButton, QLoad(TextId::kNextButton) + QStringLiteral(" >>"));
  setButtonText(QWizard::BackButton, QLoad(TextId::kPreviousButton));
  setButtonText(QWizard::HelpButton, QLoad(TextId::kHelpButton));
  setButtonText(QWizard::FinishButton, QLoad(TextId::kFinishButton));
  setButtonText(QWizard::CancelButton, QLoad(TextId::kCancelButton));
  // The help file comes with the help commands.
  button(QWizard::HelpButton)->setEnabled(false);

  name_ = NamedEdit("ProfileName");
  auto* namePage = new CheckedPage(QLoad(TextId::kProfileNameLabel),
                                   [this] { return CheckNewProfileName(profilesDir_, ToUtf8(name_->text())).ok(); });
  {
    auto* layout = new QVBoxLayout(namePage);
    auto* hint = new QLabel(QLoad(TextId::kProfileNameHint));
    layout->addWidget(new QLabel(QLoad(TextId::kProfileNameLabel)));
    layout->addWidget(name_);
    layout->addWidget(hint);
    layout->addStretch();
  }

  server_ = NamedEdit("ServerName");
  php_ = NamedCheck(QLoad(TextId::kAcceptPhpLabel), "AcceptPhp", true);
  passive_ = NamedCheck(QLoad(TextId::kUsePassiveModeLabel), "PassiveMode", true);
  choices_ = new ServerChoices(this, passive_, nullptr);
  auto* serverPage = new CheckedPage(QLoad(TextId::kServerPageTitle), [this] {
    return CheckServerName(ToUtf8(server_->text())).ok() && choices_->check();
  });
  {
    auto* layout = new QVBoxLayout(serverPage);
    layout->addWidget(new QLabel(QLoad(TextId::kServerNameTitle)));
    layout->addWidget(server_);
    auto* form = new QFormLayout;
    choices_->addRows(form);
    layout->addLayout(form);
    layout->addWidget(php_);
    layout->addWidget(passive_);
    layout->addStretch();
  }

  login_ = NamedEdit("Login");
  password_ = NamedEdit("Password");
  password_->setEchoMode(QLineEdit::Password);
  auto* loginPage = new CheckedPage(QLoad(TextId::kLoginPageTitle), [this] {
    if (!CheckLogin(ToUtf8(login_->text()))) {
      login_->setFocus();
      return false;
    }
    if (!CheckProfilePassword(collect())) {
      password_->setFocus();
      return false;
    }
    return true;
  });
  {
    auto* layout = new QFormLayout(loginPage);
    auto* passwordLabel = new QLabel;
    passwordLabel->setObjectName(QStringLiteral("PasswordLabel"));
    layout->addRow(QLoad(TextId::kLoginLabel), login_);
    layout->addRow(passwordLabel, password_);
    // With a key the password field holds the key's passphrase.
    choices_->setPasswordLabel(passwordLabel);
  }

  remoteDir_ = NamedEdit("RemoteDir");
  auto* remotePage = new CheckedPage(
      QLoad(TextId::kRemoteBaseDirectoryLabel),
      [this] {
        const auto checked = CheckWizardRemoteDir(ToUtf8(remoteDir_->text()));
        if (!checked) return false;
        // Show the directory as it will be stored.
        remoteDir_->setText(ToQString(*checked));
        return true;
      },
      [this] {
        remoteDir_->setText(ToQString(ProposedRemoteDir(ToUtf8(remoteDir_->text()), ToUtf8(name_->text()))));
        remoteDir_->end(false);
      });
  {
    auto* layout = new QVBoxLayout(remotePage);
    layout->addWidget(new QLabel(QLoad(TextId::kRemoteBaseDirectoryLabel)));
    layout->addWidget(remoteDir_);
    layout->addStretch();
  }

  auto* finalPage = new CheckedPage(QLoad(TextId::kProfileCreatedTitle), nullptr);
  {
    auto* layout = new QVBoxLayout(finalPage);
    auto* text = new QLabel(QLoad(TextId::kProfileCreatedText));
    text->setWordWrap(true);
    auto* check = new QPushButton(QLoad(TextId::kCheckProfileTitle));
    check->setObjectName(QStringLiteral("CheckProfile"));
    check->setAutoDefault(false);
    connect(check, &QPushButton::clicked, this, &NewProfileWizard::checkProfile);
    layout->addWidget(text);
    layout->addWidget(check, 0, Qt::AlignLeft);
    layout->addStretch();
  }

  setPage(kNamePage, namePage);
  setPage(kServerPage, serverPage);
  setPage(kLoginPage, loginPage);
  setPage(kRemotePage, remotePage);
  setPage(kFinalPage, finalPage);
  setStartId(kNamePage);
}

NewProfileWizard::NewProfileWizard(std::string profilesDir, const ProfileSettings& copy, QWidget* parent)
    : NewProfileWizard(std::move(profilesDir), parent) {
  copy_ = copy;
  setWindowTitle(QLoad(TextId::kCopyProfileTitle));
  name_->setText(ToQString(copy.name));
  server_->setText(ToQString(SettingText(copy.serverName)));
  php_->setChecked(copy.php != 0);
  passive_->setChecked(copy.passive != 0);
  choices_->fill(copy);
  login_->setText(ToQString(SettingText(copy.login)));
  password_->setText(ToQString(copy.password));
  remoteDir_->setText(ToQString(SettingText(copy.remoteDir)));
  // The name was given in the "Copy profile" dialog: that page is out of reach.
  setStartId(kServerPage);
}

void NewProfileWizard::checkProfile() {
  CheckProfileDialog dialog(collect(), this);
  dialog.exec();
}

ProfileSettings NewProfileWizard::collect() const {
  ProfileSettings settings = copy_ ? *copy_ : NewProfileSettings(ToUtf8(name_->text()));
  settings.serverName = ToUtf8(server_->text());
  settings.php = php_->isChecked() ? 1 : 0;
  settings.passive = passive_->isChecked() ? 1 : 0;
  choices_->read(settings);
  settings.login = ToUtf8(login_->text());
  settings.password = ToUtf8(password_->text());
  settings.remoteDir = ToUtf8(remoteDir_->text());
  return settings;
}

void NewProfileWizard::done(int result) {
  if (result == QDialog::Accepted) {
    if (!validateCurrentPage()) return;
    created_ = collect();
    // Folder failures are reported by the core; whatever could be written
    // is kept, so the wizard closes either way.
    if (!copy_) CreateProfile(profilesDir_, created_);
  }
  QWizard::done(result);
}

void NewProfileWizard::reject() {
  if (IsPositive(ShowMessage({Icon::Question, Buttons::OkCancel}, TextId::kExitWizardQuestion).answer))
    QWizard::reject();
}

}  // namespace albumsmith::ui
