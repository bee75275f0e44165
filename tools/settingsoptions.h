#pragma once
// The options the headless stitcher and the capture runner share: the six
// settings (from a settings file and flags), smoothing, crop and the outputs.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "stitchoptions.h"

// A whole number from min to max; the help and the error show the range alike,
// "[1 - 100000]".
CLI::Validator InRange(int64_t min, int64_t max);

class SharedStitchOptions {
 public:
  // Adds the options to app; parsed values land in options.
  SharedStitchOptions(CLI::App& app, StitchOptions& options);

  // After parsing: the settings file first, then the flags given explicitly.
  // False with error when the settings file cannot be read; values outside
  // the dialog's ranges are used as stored and said in warnings.
  bool Apply(std::string& error, std::vector<std::string>& warnings);

 private:
  StitchOptions& options_;
  std::string config_;
  SetupData flags_;
  int crop_ = 0;
  CLI::Option* configOpt_;
  CLI::Option* zone_;
  CLI::Option* radius_;
  CLI::Option* cropOpt_;
  CLI::Option* frame_;
  CLI::Option* blend_;
  CLI::Option* step_;
  std::string method_;
  std::string tiles_;
  std::string placement_;
};
