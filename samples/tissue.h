#pragma once
// A synthetic stained-tissue specimen: cells with nuclei, fibres and grain,
// rendered as the light a slide lets through. Deterministic from its seed.

#include <cstdint>
#include <random>

#include "imagefiles/bitmap.h"

// The whole slide area, evenly lit and free of noise.
Bitmap RenderSpecimen(int width, int height, uint32_t seed);

// A uniform draw in [0, 1) from the top 24 bits, the same on every library.
double UnitDraw(std::mt19937& rng);
