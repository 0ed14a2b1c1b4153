#pragma once
// What the GUI test classes share: acting on modal windows, which come up
// inside a blocking exec(), from a timer; and pictures of dialogs for a
// person to look at.

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

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
