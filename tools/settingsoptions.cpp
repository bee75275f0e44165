#include "settingsoptions.h"

#include <cctype>
#include <charconv>
#include <filesystem>

CLI::Validator InRange(int64_t min, int64_t max) {
  const std::string range = "[" + std::to_string(min) + " - " + std::to_string(max) + "]";
  return CLI::Validator(
      [min, max, range](std::string& text) -> std::string {
        int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
          return text + " is not in " + range;
        return "";
      },
      "INT in " + range);
}

SharedStitchOptions::SharedStitchOptions(CLI::App& app, StitchOptions& options)
    : options_(options) {
  configOpt_ = app.add_option("--config", config_, "the six settings from a 24-byte settings file");
  auto in = [](const SettingRange& r) { return InRange(r.Min, r.Max); };
  zone_ =
      app.add_option("--zone", flags_.ImageZone, "overlap zone, percent")->check(in(kZoneRange));
  radius_ =
      app.add_option("--radius", flags_.FindR, "search radius, pixels")->check(in(kRadiusRange));
  cropOpt_ =
      app.add_option("--crop", crop_, "trim a frame from every image")->check(in(kCropRange));
  frame_ =
      app.add_option("--frame", flags_.CropFrame, "frame width, pixels")->check(in(kFrameRange));
  blend_ = app.add_option("--blend", flags_.SmoothType, "seam method 0..4")->check(in(kBlendRange));
  step_ = app.add_option("--step", flags_.Quality, "search step 1..5")->check(in(kStepRange));
  std::vector<std::string> methods;
  for (const SearchMethodName& n : kSearchMethods) methods.emplace_back(n.Key);
  app.add_option("--method", method_,
                 "how links are found: template (default), phase, or template-phase (phase "
                 "correlation where the template's link is weak)")
      ->check(CLI::IsMember(methods));
  std::vector<std::string> placements;
  for (const PlacementMethodName& n : kPlacementMethods) placements.emplace_back(n.Key);
  app.add_option("--placement", placement_,
                 "how images are placed: chain (default, each from the one before) or "
                 "neighbours (all neighbouring pairs fitted together)")
      ->check(CLI::IsMember(placements));
  app.add_flag("--smooth", options.Smooth, "seam smoothing on");
  app.add_flag("--crop-view", options.CropView, "output only the common rectangle");
  app.add_option("-o,--output", options.Output, "the mosaic; format from the extension")
      ->required();
  app.add_flag("--pyramid", options.Save.Pyramid,
               "write a .tif output as a tiled pyramid for slide viewers");
  app.add_option("--pyramid-tiles", tiles_,
                 "how the pyramid's tiles are compressed: jpeg "
                 "(default, quality 95) or deflate")
      ->check(CLI::IsMember({"jpeg", "deflate"}));
  app.add_option("--report", options.Report, "a JSON report; \"-\" writes it to standard output");
  app.add_flag("--quiet", options.Quiet, "no progress bar");
}

bool SharedStitchOptions::Apply(std::string& error, std::vector<std::string>& warnings) {
  SetupData& settings = options_.Settings;
  if (configOpt_->count() > 0 && !ReadSettingsFile(config_, settings, error)) {
    error = "cannot read settings file " + config_ + ": " + error;
    return false;
  }
  if (configOpt_->count() > 0) options_.SettingsFile = config_;
  if (zone_->count()) settings.ImageZone = flags_.ImageZone;
  if (radius_->count()) settings.FindR = flags_.FindR;
  if (cropOpt_->count()) settings.Crop = static_cast<uint8_t>(crop_);
  if (frame_->count()) settings.CropFrame = flags_.CropFrame;
  if (blend_->count()) settings.SmoothType = flags_.SmoothType;
  if (step_->count()) settings.Quality = flags_.Quality;
  if (tiles_ == "deflate") options_.Save.PyramidTiles = PixPyramidCompression::Deflate;
  std::string suffix = std::filesystem::path(options_.Output).extension().string();
  for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (options_.Save.Pyramid && suffix != ".tif" && suffix != ".tiff") {
    error = "--pyramid needs a .tif or .tiff output, got " + options_.Output;
    return false;
  }
  if (!method_.empty()) options_.Method = SearchMethodFromKey(method_).value_or(options_.Method);
  if (!placement_.empty())
    options_.Placement = PlacementMethodFromKey(placement_).value_or(options_.Placement);
  // Stored values are used as they are (only the dialog limits them), but said.
  if (const std::string outside = SettingsOutsideRanges(settings); !outside.empty()) {
    warnings.push_back("settings file " + config_ +
                       " holds values outside the dialog's ranges, used as stored: " + outside);
  }
  return true;
}
