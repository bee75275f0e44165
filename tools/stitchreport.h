#pragma once
// The JSON report of a stitch.

#include <string>

#include <nlohmann/json.hpp>

#include "engine/panoram.h"
#include "formats/wholefile.h"
#include "stitchjob.h"

nlohmann::json StitchReport(const Panoram& engine, const MontageTable& table,
                            const Rect& commonRect, const Bitmap& output, const SetupData& settings,
                            const StitchTimings& timings);
