#pragma once
// One headless capture run: frames taken from a camera's live pictures at
// the listed numbers, the run ended as the capture page ends it, and the
// mosaic and report written as the headless stitcher writes them.

#include "capturecli.h"
#include "engine/progress.h"
#include "stitchjob.h"

// Waits this long for a camera's next live picture before giving up.
constexpr int kLiveFrameTimeoutMs = 5000;

StitchResult RunCapture(const CaptureOptions& options, ProgressIndicator* progress);
