#pragma once
// The engine steps behind the assembly page's picture, apart from the window.

#include "engine/montagetable.h"
#include "imagefiles/bitmap.h"

class Panoram;
class Picture;

// Canvas and composition. False when the canvas could not be made (no memory
// or an absurd layout); the engine then holds no result.
bool ComposeMosaic(Panoram& engine, bool smoothing);

// Hands the whole mosaic, or its crop rectangle, to picture. A crop rectangle
// is first clamped to the canvas; an empty one shows the whole mosaic. False
// when the picture had no memory for it.
bool ShowMosaicPicture(const Panoram& engine, const MontageTable& table, Picture& picture,
                       bool crop);
