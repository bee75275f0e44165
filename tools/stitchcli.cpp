#include "stitchcli.h"

#include <sys/stat.h>
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "formats/filecommit.h"
#include "imagefiles/imagefiles.h"
#include "settingsoptions.h"

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

namespace {

std::string TargetProblem(const std::string& path, const std::string& madeFolder) {
  std::string problem = CheckSaveTarget(path);
  const std::string folder = std::filesystem::path(path).parent_path().string();
  if (problem == std::strerror(ENOENT) && !madeFolder.empty() &&
      SameFile(folder.empty() ? "." : folder, madeFolder))
    problem.clear();
  return problem;
}

}  // namespace

std::string CheckOutputs(const StitchOptions& o, const std::vector<RunInput>& inputs,
                         const std::string& madeFolder) {
  const bool reportFile = !o.Report.empty() && o.Report != kReportToStdout;
  // A run must never replace one of its own files.
  for (const RunInput& input : inputs) {
    if (SameFile(o.Output, input.Path)) return "the output " + o.Output + " is " + input.What;
    if (reportFile && SameFile(o.Report, input.Path))
      return "the report " + o.Report + " is " + input.What;
  }
  if (reportFile && SameFile(o.Report, o.Output))
    return "the report " + o.Report + " is the output " + o.Output;
  // Checked before any work: a save must not fail late on its name.
  if (const std::string problem = TargetProblem(o.Output, madeFolder); !problem.empty())
    return "cannot write " + o.Output + ": " + problem;
  if (reportFile) {
    if (const std::string problem = TargetProblem(o.Report, madeFolder); !problem.empty())
      return "cannot write report " + o.Report + ": " + problem;
  }
  return "";
}

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

namespace {

// Checks that need the parsed values together; returns a message or "".
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
  std::vector<RunInput> inputs;
  for (const std::string& image : o.Images) inputs.push_back({image, "the input " + image});
  if (!o.SettingsFile.empty())
    inputs.push_back({o.SettingsFile, "the settings file " + o.SettingsFile});
  return CheckOutputs(o, inputs);
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
  SharedStitchOptions shared(app, o);

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
  if (std::string error; !shared.Apply(error, out.Warnings)) {
    out.ExitCode = kExitBadArguments;
    out.Message = error;
    return out;
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
