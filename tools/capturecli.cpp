#include "capturecli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <utility>

#include "capture/run/projectnames.h"
#include "capture/simulated/simulatedcameraspec.h"
#include "capture/video/programdevices.h"
#include "engine/panoram.h"
#include "imagefiles/imagefiles.h"
#include "settingsoptions.h"
#include "stitchcli.h"

namespace {

// "N1,N2,...": non-negative and rising.
bool ParseFrameNumbers(const std::string& text, std::vector<int>& numbers) {
  numbers.clear();
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    int value = -1;
    const char* first = text.data() + start;
    const char* last = text.data() + comma;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value < 0 || value >= kMaxLiveFrames) return false;
    if (!numbers.empty() && value <= numbers.back()) return false;
    numbers.push_back(value);
    start = comma + 1;
  }
  return !numbers.empty();
}

bool ParseSize(const std::string& text, FrameSize& size) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  const auto number = [](const std::string& part, int& value) {
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size() && value > 0;
  };
  return number(text.substr(0, x), size.Width) && number(text.substr(x + 1), size.Height);
}

// Frames are either listed with their sides or found by following the picture.
std::string CheckFrameChoice(const CaptureOptions& o) {
  if (o.Tracking) {
    if (!o.FramesAt.empty() || !o.Directions.empty())
      return "--auto takes its own frames: leave out --frames-at and --directions";
    if (o.LiveFrames < 1) return "--auto needs --live-frames N (how many live pictures to run)";
    return "";
  }
  if (o.LiveFrames != 0) return "--live-frames belongs to --auto";
  if (o.FramesAt.empty()) return "give --frames-at N1,N2,... (or --auto --live-frames N)";
  if (o.FramesAt.size() > static_cast<size_t>(Panoram::kCapacity))
    return "at most " + std::to_string(Panoram::kCapacity) + " frames can be taken";
  if (o.Directions.size() + 1 != o.FramesAt.size())
    return "--directions needs " + std::to_string(o.FramesAt.size() - 1) +
           " codes (one per frame after the first), got " + std::to_string(o.Directions.size());
  return "";
}

// A name the run's saved frames take: PROJECT_NNNN.bmp in the frames' folder.
bool IsFrameFile(const CaptureOptions& o, const std::string& path) {
  if (o.SaveFramesTo.empty()) return false;
  const std::filesystem::path file(path);
  const std::string name = file.filename().string();
  const std::string prefix = o.ProjectName + "_";
  if (name.rfind(prefix, 0) != 0 || file.extension() != ".bmp") return false;
  std::error_code error;
  const auto folder = std::filesystem::weakly_canonical(
      std::filesystem::absolute(file.parent_path().empty() ? "." : file.parent_path()), error);
  const auto frames =
      std::filesystem::weakly_canonical(std::filesystem::absolute(o.SaveFramesTo), error);
  return folder == frames;
}

std::string CheckCombination(const CaptureOptions& o) {
  if (o.Simulate.empty() == o.Device.empty())
    return "give either --simulate PICTURE (or specimen) or --device N";
  if (!o.Device.empty() && (!o.PathFile.empty() || o.Noise != 0 || o.Flicker != 0))
    return "--path, --noise and --flicker belong to the simulated camera";
  if (std::string problem = CheckFrameChoice(o); !problem.empty()) return problem;
  switch (CheckProjectName(o.ProjectName)) {
    case ProjectNameFault::None: break;
    case ProjectNameFault::ForbiddenCharacter:
      return "--project: the name cannot hold \\ / : * ? \" < > | or control characters";
    case ProjectNameFault::Dots: return "--project: the name cannot be . or ..";
    case ProjectNameFault::OuterBlank:
      return "--project: the name cannot begin or end with a blank";
    case ProjectNameFault::TooLong: return "--project: the name is too long for a file name";
  }
  if (o.ProjectName.empty()) return "--project: the name is empty";
  if (!PixCanWrite(o.Stitch.Output)) return "cannot write images of this type: " + o.Stitch.Output;
  // A run must never replace one of its own inputs or the frames it saves.
  std::vector<RunInput> inputs;
  if (!o.Simulate.empty() && o.Simulate != kSpecimenName)
    inputs.push_back({o.Simulate, "the camera's picture"});
  if (!o.PathFile.empty()) inputs.push_back({o.PathFile, "the camera's path"});
  if (!o.Stitch.SettingsFile.empty())
    inputs.push_back({o.Stitch.SettingsFile, "the settings file"});
  for (const RunInput& input : inputs) {
    if (IsFrameFile(o, input.Path))
      return input.What + " " + input.Path + " is named like a frame of the project " +
             o.ProjectName + " in " + o.SaveFramesTo + ": choose another project name";
  }
  for (const auto& [path, what] :
       {std::pair{o.Stitch.Output, "the output "}, std::pair{o.Stitch.Report, "the report "}}) {
    if (IsFrameFile(o, path)) return what + path + " would be one of the saved frames";
  }
  if (std::string problem = CheckOutputs(o.Stitch, inputs, o.SaveFramesTo); !problem.empty())
    return problem;
  return "";
}

// The project's frames already in the folder: refused unless continued
// (numbering on after the last) or overwritten, as the capture page asks.
std::string CheckExistingFrames(CaptureOptions& o) {
  if (o.SaveFramesTo.empty()) return "";
  const std::string folder = o.SaveFramesTo.back() == '/' ? o.SaveFramesTo : o.SaveFramesTo + "/";
  const std::optional<int> last = LastExistingFrameNumber(folder, o.ProjectName);
  if (!last) return "";
  if (o.ContinueFrames) o.FirstFrame = *last + 1;
  if (o.ContinueFrames || o.OverwriteFrames) return "";
  return "frames of the project " + o.ProjectName + " are already in " + o.SaveFramesTo +
         " (the last is " + FrameFileName(folder, o.ProjectName, *last) +
         "): give --continue to number new frames on after it, or --overwrite to replace them";
}

}  // namespace

CaptureCliOutcome ParseCaptureArgs(int argc, const char* const* argv) {
  CaptureCliOutcome out;
  CaptureOptions& o = out.Options;
  o.Stitch.Auto = false;
  CLI::App app{
      "Runs a capture run from a camera or the simulated camera: takes a frame at each "
      "listed live frame (or, with --auto, wherever the followed picture calls for one), ends "
      "the run and writes the mosaic.",
      "quiltor-capture"};
  app.add_option("--simulate", o.Simulate,
                 "the simulated camera over this picture; \"specimen\" for the synthetic one");
  app.add_option("--device", o.Device,
                 "a V4L2 camera: its number in the device list (0: the first)");
  app.add_option("--path", o.PathFile,
                 "the simulated camera's path: \"x y\" per live frame; a regular file of at "
                 "most " +
                     std::to_string(kMaxCameraPathBytes >> 20) + " MiB, lines of at most " +
                     std::to_string(kMaxCameraPathLineBytes) + " bytes");
  app.add_option("--noise", o.Noise, "the simulated camera's noise")->check(InRange(0, 50));
  app.add_option("--flicker", o.Flicker, "the simulated camera's lamp flicker, percent")
      ->check(InRange(0, 50));
  std::string sizeText = "640x480";
  app.add_option("--size", sizeText, "frame size WxH (default 640x480)");
  std::string framesText;
  app.add_option("--frames-at", framesText,
                 "live frame numbers at which a frame is taken, rising, 0 to " +
                     std::to_string(kMaxLiveFrames - 1) + " (within the path when there is one)");
  std::string directionText;
  app.add_option("--directions", directionText,
                 "one code per frame after the first: 1 right, 2 below, 3 left, 4 above");
  app.add_flag("--auto", o.Tracking,
               "take frames by following a spot of the live picture to the edges");
  app.add_option("--live-frames", o.LiveFrames,
                 "with --auto: live pictures before the run ends (within the path when there is "
                 "one)")
      ->check(InRange(1, kMaxLiveFrames));
  std::string retakeText;
  app.add_option("--retake-at", retakeText,
                 "live frame numbers at which the last frame is taken back (before any frame "
                 "due there); its saved file goes into the folder's retaken/");
  app.add_option("--project", o.ProjectName, "project name; frames are NAME_0000.bmp, ...");
  app.add_option("--save-frames", o.SaveFramesTo,
                 "also write every frame into this folder; a run is refused when frames of the "
                 "project are there already, unless --continue or --overwrite is given");
  auto* continueFlag = app.add_flag("--continue", o.ContinueFrames,
                                    "number the new frames on after the project's last frame");
  app.add_flag("--overwrite", o.OverwriteFrames, "replace the project's frames in the folder")
      ->excludes(continueFlag);
  SharedStitchOptions shared(app, o.Stitch);

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
  const auto refuse = [&out](std::string message) {
    out.ExitCode = kExitBadArguments;
    out.Message = std::move(message);
    return out;
  };
  if (!ParseSize(sizeText, o.Size)) return refuse("--size: expected WxH, got " + sizeText);
  if (!framesText.empty() && !ParseFrameNumbers(framesText, o.FramesAt))
    return refuse("--frames-at: expected rising live frame numbers from 0 to " +
                  std::to_string(kMaxLiveFrames - 1) + ", got " + framesText);
  if (!retakeText.empty() && !ParseFrameNumbers(retakeText, o.RetakeAt))
    return refuse("--retake-at: expected rising live frame numbers, got " + retakeText);
  if (!ParseDirections(directionText, o.Directions))
    return refuse("--directions: codes must be 1, 2, 3 or 4, separated by commas: " +
                  directionText);
  if (std::string error; !shared.Apply(error, out.Warnings)) return refuse(error);
  if (const std::string problem = CheckCombination(o); !problem.empty()) return refuse(problem);
  if (const std::string problem = CheckExistingFrames(o); !problem.empty()) return refuse(problem);
  out.Run = true;
  return out;
}
