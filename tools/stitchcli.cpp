#include "stitchcli.h"

#include <sys/stat.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>

#include "imagefiles/imagefiles.h"

namespace {

// The same file by device and inode when both exist (links, "..", symbolic
// links); otherwise the same path once resolved as far as it exists.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ea, eb;
  const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a), ea);
  const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b), eb);
  return !ea && !eb && ca == cb;
}

// Checks that need the parsed values together; returns a message or "".
bool ParseDirections(const std::string& text, std::vector<int32_t>& codes) {
  codes.clear();
  if (text.empty()) return true;  // a single image has no codes
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::string code = text.substr(start, comma - start);
    if (code.size() != 1 || code[0] < '1' || code[0] > '4') return false;
    codes.push_back(code[0] - '0');
    start = comma + 1;
  }
  return true;
}

std::string CheckCombination(const StitchOptions& o) {
  if (!o.Auto && o.Directions.size() + 1 != o.Images.size()) {
    return "--directions needs " + std::to_string(o.Images.size() - 1) +
           " codes (one per image after the first), got " + std::to_string(o.Directions.size());
  }
  if (o.Images.size() > 200)
    return "at most 200 images can be stitched, got " + std::to_string(o.Images.size());
  if (!PixCanWrite(o.Output)) {
    std::string formats;
    for (const std::string& suffix : PixWritableSuffixes())
      formats += (formats.empty() ? "" : ", ") + suffix;
    return "cannot write images of this type: " + o.Output + " (the mosaic can be written as " +
           formats + ")";
  }
  // A run must never replace one of its own files.
  for (const std::string& image : o.Images) {
    if (SameFile(o.Output, image)) return "the output " + o.Output + " is the input " + image;
    if (!o.Report.empty() && SameFile(o.Report, image))
      return "the report " + o.Report + " is the input " + image;
  }
  if (!o.Report.empty() && SameFile(o.Report, o.Output))
    return "the report " + o.Report + " is the output " + o.Output;
  return "";
}

}  // namespace

CliOutcome ParseStitchArgs(int argc, const char* const* argv) {
  CliOutcome out;
  StitchOptions& o = out.Options;
  CLI::App app{"Stitches overlapping images, given in chain order, into one mosaic.",
               "quiltor-stitch"};
  app.add_option("images", o.Images, "images in chain order")->required();
  bool autoRequested = false;
  auto* autoFlag = app.add_flag("--auto", autoRequested, "find the directions (default)");
  // Taken as one text so that the images after it are not read as codes.
  std::string directionText;
  auto* directions = app.add_option(
      "--directions", directionText,
      "one code per image after the first, comma-separated: 1 right, 2 below, 3 left, 4 above");
  autoFlag->excludes(directions);
  std::string config;
  auto* configOpt =
      app.add_option("--config", config, "the six settings from a 24-byte settings file");
  SetupData flags;
  int crop = 0;
  auto in = [](const SettingRange& r) { return CLI::Range(r.Min, r.Max); };
  auto* zone =
      app.add_option("--zone", flags.ImageZone, "overlap zone, percent")->check(in(kZoneRange));
  auto* radius =
      app.add_option("--radius", flags.FindR, "search radius, pixels")->check(in(kRadiusRange));
  auto* cropOpt =
      app.add_option("--crop", crop, "trim a frame from every image")->check(in(kCropRange));
  auto* frame =
      app.add_option("--frame", flags.CropFrame, "frame width, pixels")->check(in(kFrameRange));
  auto* blend =
      app.add_option("--blend", flags.SmoothType, "seam method 0..4")->check(in(kBlendRange));
  auto* step = app.add_option("--step", flags.Quality, "search step 1..5")->check(in(kStepRange));
  app.add_flag("--smooth", o.Smooth, "seam smoothing on");
  app.add_flag("--crop-view", o.CropView, "output only the common rectangle");
  app.add_option("-o,--output", o.Output, "the mosaic; format from the extension")->required();
  app.add_option("--report", o.Report, "a JSON report");
  app.add_flag("--quiet", o.Quiet, "no progress bar");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out.Message = app.help();
    return out;
  } catch (const CLI::ParseError& e) {
    out.ExitCode = kExitBadArguments;
    out.Message = std::string(e.what()) + "\nRun with --help for more information.";
    return out;
  }

  o.Auto = directions->count() == 0;
  if (!o.Auto && !ParseDirections(directionText, o.Directions)) {
    out.ExitCode = kExitBadArguments;
    out.Message = "--directions: codes must be 1, 2, 3 or 4, separated by commas: " + directionText;
    return out;
  }
  // A settings file first, then any flag given explicitly wins over it.
  if (configOpt->count() > 0) {
    std::string error;
    if (!ReadSettingsFile(config, o.Settings, error)) {
      out.ExitCode = kExitBadArguments;
      out.Message = "cannot read settings file " + config + ": " + error;
      return out;
    }
  }
  if (zone->count()) o.Settings.ImageZone = flags.ImageZone;
  if (radius->count()) o.Settings.FindR = flags.FindR;
  if (cropOpt->count()) o.Settings.Crop = static_cast<uint8_t>(crop);
  if (frame->count()) o.Settings.CropFrame = flags.CropFrame;
  if (blend->count()) o.Settings.SmoothType = flags.SmoothType;
  if (step->count()) o.Settings.Quality = flags.Quality;
  // Stored values are used as they are (only the dialog limits them), but said.
  if (const std::string outside = SettingsOutsideRanges(o.Settings); !outside.empty()) {
    out.Warnings.push_back("settings file " + config +
                           " holds values outside the dialog's ranges, used as stored: " + outside);
  }

  const std::string problem = CheckCombination(o);
  if (!problem.empty()) {
    out.ExitCode = kExitBadArguments;
    out.Message = problem;
    return out;
  }
  out.Run = true;
  return out;
}
