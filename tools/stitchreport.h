#pragma once
// The JSON report of a stitch.

#include <string>

#include <nlohmann/json.hpp>

#include "engine/panoram.h"
#include "stitchjob.h"

nlohmann::json StitchReport(const Panoram& engine, const MontageTable& table, const Rect& commonRect,
                            const Bitmap& output, const StitchSettings& settings,
                            const StitchTimings& timings);

// Writes text to a temporary file beside path and renames it over path, so a
// failed write never leaves a partial file. Returns "" or the reason.
std::string WriteFileWhole(const std::string& path, const std::string& text);
