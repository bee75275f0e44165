#pragma once
// The JSON report of a stitch.

#include <string>

#include <nlohmann/json.hpp>

#include "engine/panoram.h"
#include "engine/stitchflow.h"
#include "formats/wholefile.h"
#include "stitchjob.h"

// The report as written: indented, and valid UTF-8 whatever bytes the file
// names hold (bytes that are not UTF-8 become U+FFFD).
std::string ReportText(const nlohmann::json& report);

// Each link of a placement over all neighbours: the two images, the offset,
// score, residual and whether the fit used it.
nlohmann::json LinksJson(const Panoram& engine, const AllNeighbourPlaces& placement);

nlohmann::json StitchReport(const Panoram& engine, const MontageTable& table,
                            const Rect& commonRect, const Bitmap& output, const SetupData& settings,
                            const StitchTimings& timings);
