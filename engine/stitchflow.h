#pragma once
// The stitch as the window and the headless stitcher both run it: the links
// and places, the assembled canvas, and the mosaic shown whole or cropped.
// Callers add only their threads, progress and painting.

#include <optional>
#include <vector>

#include "imagefiles/bitmap.h"
#include "montagetable.h"
#include "panoram.h"
#include "picture.h"
#include "progress.h"

// Milliseconds spent in each stage, added to by the calls that are given it.
struct StitchTimes {
  double Search = 0;
  double Place = 0;
  double Compose = 0;
};

// Both searches start from fresh places, whatever an earlier stitch left.
//
// Links along the directions the images carry (a laid-out table, a capture
// run), then their places. False when memory ran out; the links are then as
// they were and nothing is placed.
bool StitchAlongDirections(Panoram& engine, ProgressIndicator* progress,
                           StitchTimes* times = nullptr);

// Directions and links found by trying every side, then the places. False as
// above. The chain goes into a montage table with Panoram::ChainToTable.
bool StitchAutomatically(Panoram& engine, ProgressIndicator* progress,
                         StitchTimes* times = nullptr);

// The canvas and the images composed onto it; a composition that ran out of
// memory leaves no result and says so.
CanvasResult AssembleMosaic(Panoram& engine, bool smoothing, StitchTimes* times = nullptr);

// The part of the canvas a mosaic shows: the common rectangle of the table
// (clamped to the canvas later), or nothing for the whole canvas.
std::optional<Rect> ShownPart(const Panoram& engine, const MontageTable& table, bool crop);

// The mosaic into picture, whole or cropped; false when the picture had no
// memory for it.
bool ShowMosaic(const Panoram& engine, const MontageTable& table, bool crop, Picture& picture);

// The canvas itself as the mosaic, whole or cropped in place: never held twice.
Bitmap TakeMosaic(Panoram& engine, const MontageTable& table, bool crop);

// The chain's places refined over all neighbours: the chain's links, then a
// link for every pair of OverlappingPairs (PlaceAllNeighbours) or of
// TablePairs (PlaceTableNeighbours), each searched around its predicted
// offset (neighbourpairs.h). Links are in that order, chain first; Fits
// matches them one for one.
struct AllNeighbourPlaces {
  std::vector<ImageLink> Links;
  Placement Result;
};
AllNeighbourPlaces PlaceAllNeighbours(Panoram& engine, StitchTimes* times = nullptr);
AllNeighbourPlaces PlaceTableNeighbours(Panoram& engine, const MontageTable& table,
                                        StitchTimes* times = nullptr);

// After a search has placed the chain: the placement the engine is set to.
// The chain's places stay as they are and nothing is returned; over all
// neighbours, the pairs come from table when it is the layout the user laid
// out, from the chain's places otherwise (automatic, a capture run).
std::optional<AllNeighbourPlaces> PlaceAsChosen(Panoram& engine, const MontageTable* table,
                                                StitchTimes* times = nullptr);

// The confident links the fit dropped, as indexes into placed.Links.
std::vector<size_t> DroppedLinks(const AllNeighbourPlaces& placed);
