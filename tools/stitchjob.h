#pragma once
// One headless stitch: load the images, find the links, place the chain,
// assemble, crop and save, driving the engine as the window does.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/panoram.h"
#include "engine/stitchflow.h"
#include "imagefiles/imagefiles.h"
#include "stitchoptions.h"

// Milliseconds spent in each stage.
struct StitchTimings {
  double Load = 0;
  StitchTimes Stages;  // search, place, compose
  double Save = 0;
};

// Its implicit members only move strings, vectors, a bitmap and a json value.
struct StitchResult {                 // NOLINT(bugprone-exception-escape)
  int ExitCode = 0;                   // 0 done, kExitFailed otherwise
  std::string Error;                  // why it failed, naming the file
  std::vector<std::string> Warnings;  // done, but worth saying
  nlohmann::json Report;              // filled once the mosaic is assembled
  Bitmap Output;                      // the saved picture, taken over from the engine
};

// Why an image could not be loaded or saved, in English: the kind and the detail.
std::string PixReason(const PixStatus& status);

// Exit status of a run that failed on its inputs or outputs.
constexpr int kExitFailed = 1;

class StitchJob {
 public:
  explicit StitchJob(StitchOptions options);
  // A job over images already searched and placed (a capture run), laid out in table.
  StitchJob(StitchOptions options, std::unique_ptr<Panoram> engine, const MontageTable& table,
            const StitchTimes& stages);

  // Each step returns false and sets the error when the run cannot go on.
  // Refuses a job whose images and canvas cannot fit in the memory offered.
  bool CheckMemory();
  bool LoadImages();
  bool FindLinks(ProgressIndicator* progress);
  bool Assemble();
  bool Save();
  // Adds to the report before it is written (a capture run's frame details).
  void ExtendReport(std::function<void(nlohmann::json&)> extend) { extend_ = std::move(extend); }
  // With the neighbours chosen, the chain's places refined over all of them;
  // the chain's places otherwise. Then one warning per pair that found no
  // match or a weak one (unless the neighbours placed both its images from
  // confident links), per dropped link and per image left unanchored.
  void PlaceAndWarn();

  const Panoram& Engine() const { return *engine_; }
  const MontageTable& Table() const { return table_; }
  StitchResult& Result() { return result_; }

 private:
  bool Fail(std::string error);
  void WarnUnlinkedPairs(const Placement* placed);

  StitchOptions options_;
  std::unique_ptr<Panoram> engine_;  // large: kept off the stack
  MontageTable table_;
  Rect commonRect_;
  StitchTimings timings_;
  StitchResult result_;
  std::function<void(nlohmann::json&)> extend_;
  nlohmann::json links_;  // the links of a placement over all neighbours
};

// No save of this process may replace one of the run's inputs.
void ProtectInputs(const StitchOptions& options);

// The whole run; writes the mosaic and, when asked, the report.
StitchResult RunStitch(const StitchOptions& options, ProgressIndicator* progress);
