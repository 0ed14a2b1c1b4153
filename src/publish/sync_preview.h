#pragma once
// "Show changes" and `sync --dry-run`: what a synchronisation would do,
// worked out by the run itself as a dry run, and the plan as the user
// reads it. The window and the command line both go through here.

#include <atomic>
#include <string>
#include <vector>

#include "publish/dry_run.h"
#include "publish/sync_engine.h"

namespace albumsmith {

class WindowSink;

// The run of `request` as a dry run over the profile's own connection:
// reads the server, changes nothing, and the outcome's plan holds the
// actions. Reports status and progress through `sink` as a run does.
SyncOutcome PlanSync(SyncRequest request, WindowSink& sink, const std::atomic<bool>& stop);

// One line per action, in the order the run would meet them, then the summary.
std::vector<std::string> PlanListing(const SyncPlan& plan);

}  // namespace albumsmith
