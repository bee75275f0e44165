#pragma once
// Held-out registration pairs: fields cut at known places from photographs
// that a Debian package ships (mate-backgrounds), each degraded as a camera
// would (gain, vignetting, sensor noise), in kinds the template search finds
// hard; three run one way (wood grain, leaf veins, grass blades).

#include <optional>
#include <string>
#include <vector>

#include "engine/registration/linkscore.h"
#include "imagefiles/bitmap.h"

enum class HeldOutKind {
  SmallFields,   // 200 x 150 fields of a garden photograph, 3 x 3
  PaleWood,      // 640 x 480 fields of pale wood grain running one way, 5 x 5
  BigBlurred,    // 2592 x 1944 fields of the wood, half out of focus, strong vignetting, 2 x 2
  Fluorescence,  // 640 x 480 fields: sparse bright spots where a photograph has highlights, 3 x 3
  LeafVeins,     // 640 x 480 fields of a leaf's parallel veins against the light, 3 x 3
  GrassBlades,   // 480 x 360 fields of dry grass, thin blades leaning one way, 4 x 2
};

struct HeldOutSet {
  HeldOutKind Kind;
  std::string Name;             // for tables
  std::vector<Bitmap> Fields;   // in chain order (a snake through the grid)
  std::vector<int> Directions;  // one per field after the first
  std::vector<Offset> Truth;  // field i's origin in field i - 1's pixels, per field after the first
};

// The folder of the photographs, and whether they are there.
std::string HeldOutPhotoFolder();
bool HeldOutPhotosPresent();

// Every kind in a fixed order; the same fields on every run.
std::vector<HeldOutKind> HeldOutKinds();
// Empty when the photograph cannot be read.
std::optional<HeldOutSet> MakeHeldOutSet(HeldOutKind kind);

// How a found link compares with the truth.
enum class LinkOutcome { Exact, Near, Off, Unset };  // Near: within 2 pixels, not exact
LinkOutcome CompareWithTruth(bool linkSet, Offset found, Offset truth);

// Sets for placement: a 5 x 5 snake of 200 x 150 fields of the garden
// photograph, degraded as above, with every field's true origin in the first
// field's pixels.
struct TrueOrigin {
  double X = 0, Y = 0;
};
struct PlacementSet {
  std::vector<Bitmap> Fields;   // in snake order
  std::vector<int> Directions;  // one per field after the first
  std::vector<TrueOrigin> Origins;
};
// Fields cut at whole pixels; field `flat`'s overlap with the field before
// it is filled with its mean colour, so that only its other neighbours place it.
std::optional<PlacementSet> MakeFlatLinkSet(int flat);
// Fields resampled at fractional corners: every link between two of them is
// a whole number of pixels only after rounding.
std::optional<PlacementSet> MakeFractionalSet();
// A held-out set's fields and directions, with each field's true origin.
PlacementSet AsPlacementSet(HeldOutSet set);
