#pragma once
// What the GUI test classes share: their setting-up, acting on modal
// windows, which come up inside a blocking exec(), from a timer; and
// pictures of dialogs for a person to look at.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/application.h"
#include "platform/app_settings.h"
#include "platform/prompter.h"
#include "platform/user_dirs.h"
#include "store/profiles.h"

// Never the user's settings: a settings folder of the run's own, inside the
// one the test run names when it names one; ALBUMSMITH_CONFIG_DIR then
// points at it. Check isValid() on the result.
inline std::unique_ptr<QTemporaryDir> OwnConfigDir() {
  const QByteArray named = qgetenv("ALBUMSMITH_CONFIG_DIR");
  if (!named.isEmpty()) QDir().mkpath(QString::fromLocal8Bit(named));
  auto dir = named.isEmpty()
                 ? std::make_unique<QTemporaryDir>()
                 : std::make_unique<QTemporaryDir>(QString::fromLocal8Bit(named) + QStringLiteral("/run-XXXXXX"));
  if (dir->isValid()) qputenv("ALBUMSMITH_CONFIG_DIR", dir->path().toLocal8Bit());
  return dir;
}

// Closes whatever modal window a failed check left open, so that a failure
// ends the test instead of hanging it.
inline void CloseModals() {
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->done(QDialog::Rejected);
    } else {
      modal->close();
    }
  }
}

// Runs `act` on the first modal window of type W that comes up; a window
// that never comes fails the test. The watch ends with `owner`.
template <typename W>
void WhenModal(QObject* owner, std::function<void(W*)> act) {
  auto* timer = new QTimer(owner);
  auto deadline = std::make_shared<QDeadlineTimer>(5000);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, deadline, act] {
    auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
    if (!window) {
      if (deadline->hasExpired()) {
        timer->stop();
        QTest::qFail("the expected window did not come up", __FILE__, __LINE__);
        CloseModals();
      }
      return;
    }
    timer->stop();
    act(window);
    if (QTest::currentTestFailed()) CloseModals();
  });
  timer->start(10);
}

// With ALBUMSMITH_SCREENSHOTS naming a folder, saves a picture of the
// widget there as <name>.png; without it, does nothing.
inline void SaveScreenshot(QWidget* widget, const QString& name) {
  const QString dir = qEnvironmentVariable("ALBUMSMITH_SCREENSHOTS");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  QCoreApplication::processEvents();
  QVERIFY2(widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png")), qPrintable(name));
}

// The base of every GUI test class: a settings folder of the run's own
// (setUpRun, from initTestCase), and for each test function a fresh scratch
// folder with an empty profiles base directory, a holder for modal-window
// watches and the scripted prompter, made current (setUpTest, from init).
// Tests that open the main window also get its settings and languages
// (setUpWindow). tearDownTest, from cleanup, closes what a failed check left
// open and takes it all down. setUpRun and setUpTest return false on
// failure, for QVERIFY in the slot that calls them.
class GuiTestCase : public QObject {
 protected:
  std::unique_ptr<QTemporaryDir> configRoot_;
  std::unique_ptr<QTemporaryDir> scratch_;
  std::unique_ptr<QObject> watchers_;
  std::unique_ptr<albumsmith::AppSettings> settings_;
  std::unique_ptr<albumsmith::Languages> languages_;
  albumsmith::ScriptedPrompter prompter_;

  std::string profilesDir() const { return scratch_->filePath(QStringLiteral("profiles")).toStdString() + "/"; }
  // The folder of the named profile, as its Profile.ini places it.
  std::filesystem::path profileDirOf(const char* name) const {
    return albumsmith::ProfileDirectory(profilesDir(), albumsmith::ReadProfile(profilesDir(), name));
  }

  bool setUpRun() {
    configRoot_ = OwnConfigDir();
    return configRoot_->isValid();
  }

  bool setUpTest() {
    scratch_ = std::make_unique<QTemporaryDir>();
    if (!scratch_->isValid() || !QDir().mkpath(QString::fromStdString(profilesDir()))) return false;
    watchers_ = std::make_unique<QObject>();
    prompter_.Clear();
    albumsmith::Prompter::SetCurrent(&prompter_);
    return true;
  }

  // The window's settings file in the scratch folder, pointing at its
  // profiles and never looking for a new release; the rename trace goes to
  // the scratch folder too.
  void setUpWindow() {
    qputenv("XDG_CACHE_HOME", scratch_->filePath(QStringLiteral("cache")).toLocal8Bit());
    settings_ =
        std::make_unique<albumsmith::AppSettings>(scratch_->filePath(QStringLiteral("Albumsmith.ini")).toStdString());
    settings_->SetString("Settings", "ProfilesDir", profilesDir());
    settings_->SetInt("Settings", "CheckVersion", 0);
    languages_ =
        std::make_unique<albumsmith::Languages>(albumsmith::ProgramDirectory(), std::filesystem::current_path());
  }

  void tearDownTest() {
    CloseModals();
    watchers_.reset();
    albumsmith::Prompter::SetCurrent(nullptr);
    languages_.reset();
    settings_.reset();
    scratch_.reset();
  }

  template <typename W>
  void whenModal(std::function<void(W*)> act) {
    WhenModal<W>(watchers_.get(), std::move(act));
  }

  // Whether the prompter showed exactly this text.
  bool told(const std::string& text) const {
    for (const std::string& shown : prompter_.texts())
      if (shown == text) return true;
    return false;
  }
};
