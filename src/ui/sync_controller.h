#pragma once
// The main window's side of a synchronisation: the "Synchronize folder" and
// "Synchronize profile" commands up to the start of the run (their questions
// and the "Processing" verification are the core's, shown here), the run on
// a worker thread that owns its request, "Stop synchronization", and the
// wait for the worker when the window closes.
//
// The run reports through the window's sink (status text, progress) and asks
// its questions through the current Prompter, which blocks only the worker.

#include <QObject>
#include <atomic>
#include <string>
#include <thread>

#include "publish/sync_engine.h"
#include "publish/sync_start.h"

class QWidget;

namespace albumsmith {
class WindowSink;
}

namespace albumsmith::ui {

class SyncController : public QObject {
  Q_OBJECT
 public:
  // `window` owns the controller and parents its windows; `sink` outlives the run.
  SyncController(QWidget* window, WindowSink& sink);
  // Stops a run that is still going and waits for it.
  ~SyncController() override;

  // Synchronisation running: from the start of a command until the worker
  // has ended (or the command was refused).
  bool running() const { return running_; }
  bool stopRequested() const { return stopRequested_; }

  // "Synchronize folder" for `folder` ("" for the top level). A profile never
  // published goes over whole, after its question. Returns whether a run started.
  bool syncFolder(const SyncEnvironment& env, const std::string& profileName, const std::string& folder);
  // "Synchronize profile": with `confirm`, the "may take a while" question,
  // then the verification in its "Processing" window. Returns whether a run started.
  bool syncProfile(const SyncEnvironment& env, const std::string& profileName, bool confirm);

  // "Show changes…": the start of "Synchronize profile" without its "may
  // take a while" question (the verification in its "Processing" window),
  // then a dry run of that request on the worker. Its plan comes up in the
  // "Changes on the server" dialog, whose Go starts the run it planned and
  // whose Cancel leaves everything as it was. Returns whether planning started.
  bool showProfileChanges(const SyncEnvironment& env, const std::string& profileName);

  // "Stop synchronization": the run ends at its next operation.
  void requestStop();
  // Stops the run and waits for the worker, serving the window meanwhile (the
  // worker may be waiting for an answer to a question).
  void stopAndWait();

 signals:
  void runningChanged(bool running);
  void finished(const albumsmith::SyncOutcome& outcome);

 private:
  void setRunning(bool running);
  void start(SyncRequest request);
  void startPlanning(SyncRequest request);
  void workerEnded(const SyncOutcome& outcome);
  void planEnded(const SyncOutcome& outcome, SyncRequest request);

  QWidget* window_;
  WindowSink& sink_;
  bool running_ = false;
  bool stopRequested_ = false;
  std::atomic<bool> stop_{false};
  std::thread worker_;
  std::string planned_;  // the profile whose changes are being worked out
};

}  // namespace albumsmith::ui
