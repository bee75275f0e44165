#pragma once
// The JSON report of a stitch.

#include <string>

#include <nlohmann/json.hpp>

#include "engine/panoram.h"
#include "formats/wholefile.h"
#include "stitchjob.h"

// The report as written: indented, and valid UTF-8 whatever bytes the file
// names hold (bytes that are not UTF-8 become U+FFFD).
std::string ReportText(const nlohmann::json& report);

nlohmann::json StitchReport(const Panoram& engine, const MontageTable& table,
                            const Rect& commonRect, const Bitmap& output, const SetupData& settings,
                            const StitchTimings& timings);
