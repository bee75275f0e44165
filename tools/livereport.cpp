#include "livereport.h"

void AddLiveDetails(nlohmann::json& report, const LiveCapture& live) {
  nlohmann::json& images = report["images"];
  const std::vector<LiveFrame>& frames = live.Frames();
  for (size_t i = 1; i < frames.size() && i < images.size(); ++i) {
    const LiveFrame& f = frames[i];
    images[i]["travel"] =
        f.Travel ? nlohmann::json::array({f.Travel->X, f.Travel->Y}) : nlohmann::json();
    images[i]["live_link"] =
        f.Link.Found() ? nlohmann::json::array({f.Link.At.X, f.Link.At.Y}) : nlohmann::json();
    images[i]["live_score"] = f.Link.Score;
  }
}

void AddRetaken(nlohmann::json& report, const std::vector<FrameRetaken>& retaken) {
  nlohmann::json& list = report["retaken"] = nlohmann::json::array();
  for (const FrameRetaken& r : retaken) list.push_back({{"name", r.Name}, {"moved_to", r.MovedTo}});
}
