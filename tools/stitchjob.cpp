#include "stitchjob.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>

#include "engine/linkcheck.h"
#include "engine/stitchflow.h"
#include "imagefiles/imagefiles.h"
#include "memorybudget.h"
#include "stitchreport.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

const char* Describe(PixError e) {
  switch (e) {
    case PixError::None: return "no error";
    case PixError::NotFound: return "no such file";
    case PixError::Unreadable: return "cannot be opened";
    case PixError::Empty: return "file is empty";
    case PixError::Unsupported: return "not an image format we read";
    case PixError::Corrupt: return "damaged or truncated data";
    case PixError::TooLarge: return "image too large";
    case PixError::OutOfMemory: return "not enough memory";
    case PixError::WriteFailed: return "could not be written";
  }
  return "unknown error";
}

}  // namespace

std::string PixReason(const PixStatus& status) {
  std::string text = Describe(status.Error);
  if (!status.Detail.empty()) text += " (" + status.Detail + ")";
  return text;
}

namespace {

constexpr const char* kNoMemory = "not enough memory";

std::string MiB(uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB"; }

}  // namespace

StitchJob::StitchJob(StitchOptions options)
    : options_(std::move(options)), engine_(std::make_unique<Panoram>()) {
  engine_->ApplySettings(options_.Settings);
  engine_->SetSearchMethod(options_.Method);
  engine_->SetPlacementMethod(options_.Placement);
}

StitchJob::StitchJob(StitchOptions options, std::unique_ptr<Panoram> engine,
                     const MontageTable& table, const StitchTimes& stages)
    : options_(std::move(options)), engine_(std::move(engine)), table_(table) {
  engine_->SetPlacementMethod(options_.Placement);
  timings_.Stages = stages;
}

bool StitchJob::Fail(std::string error) {
  result_.ExitCode = kExitFailed;
  result_.Error = std::move(error);
  return false;
}

bool StitchJob::CheckMemory() {
  std::vector<ImageSize> sizes;
  for (const std::string& name : options_.Images) {
    ImageSize size;
    if (PixImageSize(name, size.Width, size.Height)) sizes.push_back(size);
  }
  const uint64_t needed = StitchBytesAtLeast(sizes);
  const std::optional<uint64_t> available = AvailableMemoryBytes();
  if (available && needed > *available) {
    return Fail(std::string(kNoMemory) + ": the images and their canvas need at least " +
                MiB(needed) + ", " + MiB(*available) + " available");
  }
  return true;
}

bool StitchJob::LoadImages() {
  const auto start = Clock::now();
  for (size_t i = 0; i < options_.Images.size(); ++i) {
    const std::string& name = options_.Images[i];
    Bitmap bitmap;
    const PixStatus status = PixLoadImage(name, bitmap);
    if (!status) return Fail("cannot read " + name + ": " + PixReason(status));
    if (!status.Warning.empty()) {
      result_.Warnings.push_back(name + ": damaged data, decoded anyway (" + status.Warning + ")");
    }
    // With given directions the images enter as a capture run adds its frames.
    const int32_t direction = (options_.Auto || i == 0) ? kDirNone : options_.Directions[i - 1];
    switch (engine_->AddImage(std::move(bitmap), direction, name)) {
      case AddImageResult::Added: break;
      case AddImageResult::OutOfMemory: return Fail("cannot add " + name + ": " + kNoMemory);
      case AddImageResult::StoreFull:
      case AddImageResult::EmptyBitmap:
        return Fail("cannot add " + name + ": the engine holds at most " +
                    std::to_string(Panoram::kCapacity) + " non-empty images");
    }
  }
  timings_.Load = MsSince(start);
  return true;
}

bool StitchJob::FindLinks(ProgressIndicator* progress) {
  const bool searched = options_.Auto ? StitchAutomatically(*engine_, progress, &timings_.Stages)
                                      : StitchAlongDirections(*engine_, progress, &timings_.Stages);
  if (!searched) return Fail(std::string(kNoMemory) + " for the search");
  // The chain goes into the table as the window's layout or a capture run has it.
  engine_->ChainToTable(table_);
  PlaceAndWarn();
  return true;
}

void StitchJob::PlaceAndWarn() {
  // The stitcher's table is always the chain's: its pairs come from the places.
  const std::optional<AllNeighbourPlaces> p = ::PlaceAsChosen(*engine_, nullptr, &timings_.Stages);
  WarnUnlinkedPairs(p ? &p->Result : nullptr);
  if (!p) return;
  links_ = LinksJson(*engine_, *p);
  for (const size_t k : DroppedLinks(*p)) {
    const ImageLink& l = p->Links[k];
    result_.Warnings.push_back("link between " + engine_->Name(l.From) + " and " +
                               engine_->Name(l.To) + " dropped: it disagrees with the others by " +
                               std::to_string(std::lround(p->Result.Fits[k].Residual)) + " px");
  }
  for (const int i : p->Result.Unanchored) {
    result_.Warnings.push_back(engine_->Name(i) +
                               " placed without a confident link; it keeps its chain place");
  }
}

void StitchJob::WarnUnlinkedPairs(const Placement* placed) {
  const UnsetLinks found = FindUnsetLinks(*engine_, placed);
  const auto pair = [this](int i) { return engine_->Name(i) + " and " + engine_->Name(i + 1); };
  for (const int i : found.Links)
    result_.Warnings.push_back("no match found between " + pair(i) +
                               "; placed on top of each other");
  for (const int i : found.Weak) {
    char score[16];
    std::snprintf(score, sizeof score, "%.2f", engine_->LinkScore(i));
    result_.Warnings.push_back("weak match between " + pair(i) + " (score " + score +
                               "); the mosaic may be wrong there");
  }
  for (const int i : found.MadeGood) {
    result_.Warnings.push_back("no confident match between " + pair(i) +
                               "; both are placed by confident links to other neighbours");
  }
}

bool StitchJob::Assemble() {
  switch (AssembleMosaic(*engine_, options_.Smooth, &timings_.Stages).Kind) {
    case CanvasResult::Built: break;
    case CanvasResult::TooLarge:
      return Fail("the mosaic would be too large to assemble; the links do not fit together");
    case CanvasResult::OutOfMemory:
      return Fail(std::string(kNoMemory) + " for the " + std::to_string(engine_->Bounds().Right) +
                  " x " + std::to_string(engine_->Bounds().Bottom) + " mosaic");
  }
  commonRect_ = engine_->CommonRect(table_);
  result_.Output = TakeMosaic(*engine_, table_, options_.CropView);
  return true;
}

bool StitchJob::Save() {
  const auto start = Clock::now();
  // Both files are written in full before either replaces its target, so a
  // run that fails on one leaves the previous mosaic and report as they were.
  StagedFile mosaic;
  const PixStatus status = PixWriteImage(options_.Output, result_.Output, mosaic, options_.Save);
  if (!status) return Fail("cannot write " + options_.Output + ": " + PixReason(status));
  timings_.Save = MsSince(start);
  result_.Report =
      StitchReport(*engine_, table_, commonRect_, result_.Output, options_.Settings, timings_);
  if (!links_.is_null()) result_.Report["links"] = links_;
  if (extend_) extend_(result_.Report);
  const std::string reportText = ReportText(result_.Report);
  const bool toStdout = options_.Report == kReportToStdout;
  StagedFile report;
  if (!options_.Report.empty() && !toStdout) {
    const std::string error = report.Stage(options_.Report, reportText);
    if (!error.empty()) return Fail("cannot write report " + options_.Report + ": " + error);
  }
  if (const std::string error = mosaic.Commit(); !error.empty())
    return Fail("cannot write " + options_.Output + ": " + Describe(PixError::WriteFailed) + " (" +
                error + ")");
  if (toStdout) {
    if (std::fwrite(reportText.data(), 1, reportText.size(), stdout) != reportText.size() ||
        std::fflush(stdout) != 0)
      return Fail("cannot write the report to standard output");
  } else if (!options_.Report.empty()) {
    const std::string error = report.Commit();
    if (!error.empty()) return Fail("cannot write report " + options_.Report + ": " + error);
  }
  return true;
}

void ProtectInputs(const StitchOptions& options) {
  for (const std::string& image : options.Images) ProtectFromReplacement(image);
  if (!options.SettingsFile.empty()) ProtectFromReplacement(options.SettingsFile);
}

StitchResult RunStitch(const StitchOptions& options, ProgressIndicator* progress) {
  ProtectInputs(options);
  try {
    StitchJob job(options);
    if (job.CheckMemory() && job.LoadImages() && job.FindLinks(progress) && job.Assemble())
      job.Save();
    return std::move(job.Result());
  } catch (const std::bad_alloc&) {
    // Anything else that ran out of memory on the way. Save allocates nothing
    // once the mosaic is committed, so nothing was replaced.
    StitchResult failed;
    failed.ExitCode = kExitFailed;
    failed.Error = kNoMemory;
    return failed;
  }
}
