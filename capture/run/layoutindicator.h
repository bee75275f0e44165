#pragma once
// The layout indicator: a small schematic of the frames taken so far in their
// grid cells, joined in capture order, with the cell where the next frame goes.

#include <cstdint>
#include <vector>

#include "imagefiles/bitmap.h"

class Panoram;

// Repaints the whole picture from the chain. directions holds every image's
// direction code, image 0 first (its own code is not read); nextCode is the
// pressed direction (1 right, 2 below, 3 left, 4 above): above 4 the outline
// stays on the last cell, 0 or below draws no outline.
void DrawLayoutIndicator(Bitmap& picture, const std::vector<int32_t>& directions, int32_t nextCode);

// The same for the engine's images.
void DrawLayoutIndicator(Bitmap& picture, const Panoram& engine, int32_t nextCode);
