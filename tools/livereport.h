#pragma once
// The capture runner's report of what was known of each frame as it was
// taken: the travel measured to it, its live link and that link's score.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "capture/run/capturerun.h"

// Adds "travel" ([x, y], or null when it was lost), "live_link" ([x, y]:
// the frame's origin in the previous frame's pixels, or null when none was
// found) and "live_score" to every image of the report after the first.
void AddLiveDetails(nlohmann::json& report, const LiveCapture& live);

// The frames taken back, with where their files went.
void AddRetaken(nlohmann::json& report, const std::vector<FrameRetaken>& retaken);
