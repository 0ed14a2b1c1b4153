#include "ui/sync_controller.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

#include "publish/sync_preview.h"
#include "ui/show_changes_dialog.h"
#include "ui/verification_dialog.h"

namespace albumsmith::ui {

SyncController::SyncController(QWidget* window, WindowSink& sink) : QObject(window), window_(window), sink_(sink) {}

SyncController::~SyncController() {
  if (worker_.joinable()) {
    stop_ = true;
    worker_.join();
  }
}

void SyncController::setRunning(bool running) {
  if (running_ == running) return;
  running_ = running;
  emit runningChanged(running);
}

bool SyncController::syncFolder(const SyncEnvironment& env, const std::string& profileName, const std::string& folder) {
  if (running_) return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SyncRequest request;
  const FolderSyncStart decision = StartFolderSync(env, profileName, folder, request);
  QApplication::restoreOverrideCursor();
  switch (decision) {
    case FolderSyncStart::kCancelled:
      return false;
    case FolderSyncStart::kWholeProfile:
      return syncProfile(env, profileName, /*confirm=*/false);
    case FolderSyncStart::kRun:
      break;
  }
  setRunning(true);
  start(std::move(request));
  return true;
}

bool SyncController::syncProfile(const SyncEnvironment& env, const std::string& profileName, bool confirm) {
  if (running_) return false;
  // Running from before the questions on, so that nothing else starts while they are up.
  setRunning(true);
  const ProfileVerifier verify = [this, &env](const ProfileSettings& profile) {
    return VerificationDialog::Run(window_, env.profilesDir, profile);
  };
  SyncRequest request;
  if (!StartProfileSync(env, profileName, confirm, verify, request)) {
    setRunning(false);
    return false;
  }
  start(std::move(request));
  return true;
}

bool SyncController::showProfileChanges(const SyncEnvironment& env, const std::string& profileName) {
  if (running_) return false;
  setRunning(true);
  const ProfileVerifier verify = [this, &env](const ProfileSettings& profile) {
    return VerificationDialog::Run(window_, env.profilesDir, profile);
  };
  SyncRequest request;
  if (!StartProfileSync(env, profileName, /*confirm=*/false, verify, request)) {
    setRunning(false);
    return false;
  }
  planned_ = profileName;
  startPlanning(std::move(request));
  return true;
}

void SyncController::startPlanning(SyncRequest request) {
  stop_ = false;
  stopRequested_ = false;
  worker_ = std::thread([this, owned = std::move(request)]() mutable {
    const SyncOutcome outcome = PlanSync(owned, sink_, stop_);
    QMetaObject::invokeMethod(
        this, [this, outcome, kept = std::move(owned)]() mutable { planEnded(outcome, std::move(kept)); },
        Qt::QueuedConnection);
  });
}

void SyncController::planEnded(const SyncOutcome& outcome, SyncRequest request) {
  if (worker_.joinable()) worker_.join();
  const bool stopped = stopRequested_;
  stopRequested_ = false;
  // A plan that could not be finished has told why (the connection, the
  // server's answer); a partial list would promise less than the run does.
  if (!outcome.succeeded || stopped) {
    setRunning(false);
    return;
  }
  ShowChangesDialog dialog(planned_, outcome.plan, window_);
  if (dialog.exec() != QDialog::Accepted) {
    setRunning(false);
    return;
  }
  // The run of the same request, verified once: what was shown is what goes.
  request.dryRun = false;
  start(std::move(request));
}

void SyncController::start(SyncRequest request) {
  stop_ = false;
  stopRequested_ = false;
  worker_ = std::thread([this, owned = std::move(request)] {
    const SyncOutcome outcome = RunSync(owned, sink_, stop_);
    // The window takes the end in turn with the run's last status and
    // progress, which were posted before it.
    QMetaObject::invokeMethod(
        this, [this, outcome] { workerEnded(outcome); }, Qt::QueuedConnection);
  });
}

void SyncController::workerEnded(const SyncOutcome& outcome) {
  // The call is the worker's last act: the join is short.
  if (worker_.joinable()) worker_.join();
  stopRequested_ = false;
  setRunning(false);
  emit finished(outcome);
}

void SyncController::requestStop() {
  if (!worker_.joinable() || stopRequested_) return;
  stopRequested_ = true;
  stop_ = true;
}

void SyncController::stopAndWait() {
  requestStop();
  // The end arrives as a queued call, which joins the worker.
  while (worker_.joinable()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (worker_.joinable()) QThread::msleep(2);
  }
}

}  // namespace albumsmith::ui
