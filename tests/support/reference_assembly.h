#pragma once
// Plain, literal versions of the seam weights, the five seam methods and the
// composition: pixel by pixel, whole working copies, no shortcuts. The yardstick
// the engine's assembly must match byte for byte.

#include "engine/composition/seams.h"
#include "engine/panoram.h"

WeightMap ReferenceSeamWeights(const Rect& a, const Rect& c);

// Mode 0..4 as BlendMode; any other leaves r alone.
void ReferenceBlend(int mode, Bitmap& r, const Bitmap& n, const WeightMap& weights);

// The mosaic the rules give for the engine's current places and settings,
// drawn on a fresh white canvas of the engine's canvas size (call after BuildCanvas).
Bitmap ReferenceCompose(const Panoram& engine, bool smoothing);
