#pragma once
// A field-by-field sample set cut from one synthetic specimen at known
// offsets, as a microscope camera would take it: snake order, uneven light
// and noise in every field.

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "imagefiles/bitmap.h"

struct SampleSetPlan {
  int Columns = 3;
  int Rows = 3;
  int FieldWidth = 640;
  int FieldHeight = 480;
  int OverlapPct = 28;  // of the field side, between neighbours
  int Jitter = 6;       // largest stage error, pixels, each way
  uint32_t Seed = 1;
};

struct SampleField {
  std::string Name;   // file name
  Point Origin;       // top-left corner on the specimen, pixels
  int32_t Direction;  // side on which it lies as seen from the previous field, 0 for the first
  Bitmap Image;
};

// The fields in the order they are taken: right along the first row, back
// along the next, and so on.
std::vector<SampleField> MakeSampleSet(const SampleSetPlan& plan);

// The places the engine should find: each field's rectangle with the
// smallest corner moved to the origin, as after the canvas is built.
std::vector<Rect> ExpectedPlaces(const std::vector<SampleField>& fields);

// The truth file: plan, file names, origins, directions and expected places.
nlohmann::json TruthJson(const SampleSetPlan& plan, const std::vector<SampleField>& fields);

// Differences between a stitch report and a truth file: one line per field
// whose name, direction or place differs, or per missing field. Empty when they agree.
std::vector<std::string> CompareWithTruth(const nlohmann::json& report,
                                          const nlohmann::json& truth);
