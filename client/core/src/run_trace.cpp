#include "run_trace.h"

#include <cstdio>
#include <string>

#include "kavrel_client_pda_app.h"
#include "kavrel_client_pda_view.h"
#include "main_frame.h"

namespace {

template <typename Category, typename HasData>
std::string Counts(const char* name, const Category& category, HasData hasData) {
  const auto& shown = category.Displayed();
  std::size_t withData = 0;
  for (const auto& item : shown)
    if (hasData(*item)) ++withData;
  return std::string(name) + " " + std::to_string(shown.size()) + "/" + std::to_string(withData);
}

std::string RoadCounts(const CTrafficManager& tm) {
  return Counts("roads", tm.roads, [](const RoadItem& r) { return r.recordCount > 0; });
}
std::string RouteCounts(const CTrafficManager& tm) {
  return Counts("routes", tm.routes, [](const RouteItem& r) { return r.recordCount > 0; });
}
std::string CameraCounts(const CTrafficManager& tm) {
  return Counts("cameras", tm.cameras, [](const CctvItem& c) { return c.HasPicture(); });
}

void Line(const std::string& text) {
  std::fprintf(stderr, "trace: %s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace

RunTrace::RunTrace(CKavrelClientPDAApp& app) : app_(app) {
  lastBeat_ = std::chrono::steady_clock::now();
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Beat(); });
  timer_.start(kBeatMs);
}

RunTrace::~RunTrace() { Finish(); }

void RunTrace::Finish() {
  if (finished_) return;
  finished_ = true;
  timer_.stop();
  Line("longest GUI stall: " + std::to_string(longestStallMs_) + " ms");
}

void RunTrace::Beat() {
  const auto now = std::chrono::steady_clock::now();
  const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastBeat_).count();
  lastBeat_ = now;
  if (gap - kBeatMs > longestStallMs_) longestStallMs_ = gap - kBeatMs;

  // The items belong to the loader until it has published them.
  if (!app_.flags.itemsLoaded.load(std::memory_order_acquire)) return;
  const CTrafficManager& tm = app_.trafficManager;
  if (!screenReported_) {
    CMainFrame* frame = app_.mainFrame();
    QWidget* menu = frame ? frame->view()->Control(CKavrelClientPDAView::kMenuButton) : nullptr;
    if (!menu || !menu->isEnabled()) return;  // the start sequence is still running
    screenReported_ = true;
    shownBuffers_[0] = tm.roads.displayBuffer.load();
    shownBuffers_[1] = tm.routes.displayBuffer.load();
    shownBuffers_[2] = tm.cameras.displayBuffer.load();
    Line("traffic screen: " + RoadCounts(tm) + ", " + RouteCounts(tm) + ", " + CameraCounts(tm));
    return;
  }
  auto flipped = [](int& known, int now) {
    const bool changed = known != now;
    known = now;
    return changed;
  };
  if (flipped(shownBuffers_[0], tm.roads.displayBuffer.load())) Line("refresh: " + RoadCounts(tm));
  if (flipped(shownBuffers_[1], tm.routes.displayBuffer.load())) Line("refresh: " + RouteCounts(tm));
  if (flipped(shownBuffers_[2], tm.cameras.displayBuffer.load())) Line("refresh: " + CameraCounts(tm));
}
