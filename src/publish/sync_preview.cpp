#include "publish/sync_preview.h"

namespace albumsmith {

SyncOutcome PlanSync(SyncRequest request, WindowSink& sink, const std::atomic<bool>& stop) {
  request.dryRun = true;
  return RunSync(request, sink, stop);
}

std::vector<std::string> PlanListing(const SyncPlan& plan) {
  std::vector<std::string> listing = plan.lines;
  listing.push_back(plan.Summary());
  return listing;
}

}  // namespace albumsmith
