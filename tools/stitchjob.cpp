#include "stitchjob.h"

#include <chrono>
#include <filesystem>

#include "bitmappicture.h"
#include "imagefiles/imagefiles.h"
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

std::string Reason(const PixStatus& status) {
  std::string text = Describe(status.Error);
  if (!status.Detail.empty()) text += " (" + status.Detail + ")";
  return text;
}

}  // namespace

StitchJob::StitchJob(StitchOptions options)
    : options_(std::move(options)), engine_(std::make_unique<Panoram>()) {
  const StitchSettings& s = options_.Settings;
  engine_->ApplySettings(s.Zone, s.Radius, s.Crop != 0, s.Frame, s.Blend, s.Step);
}

bool StitchJob::Fail(std::string error) {
  result_.ExitCode = kExitFailed;
  result_.Error = std::move(error);
  return false;
}

bool StitchJob::LoadImages() {
  const auto start = Clock::now();
  for (size_t i = 0; i < options_.Images.size(); ++i) {
    const std::string& name = options_.Images[i];
    Bitmap bitmap;
    const PixStatus status = PixLoadImage(name, bitmap);
    if (!status) return Fail("cannot read " + name + ": " + Reason(status));
    // With given directions the images enter as a capture run adds its frames.
    const int32_t direction = (options_.Auto || i == 0) ? kDirNone : options_.Directions[i - 1];
    if (engine_->AddImage(bitmap, direction, name) != AddImageResult::Added) {
      return Fail("cannot add " + name + ": the engine holds at most " +
                  std::to_string(Panoram::kCapacity) + " non-empty images");
    }
  }
  timings_.Load = MsSince(start);
  return true;
}

void StitchJob::FindLinks(ProgressIndicator* progress) {
  const auto start = Clock::now();
  if (options_.Auto) {
    engine_->AutoSearchLinks(progress);
    timings_.Search = MsSince(start);
    const auto placeStart = Clock::now();
    engine_->PlaceChain();
    engine_->ChainToTable(table_);
    timings_.Place = MsSince(placeStart);
  } else {
    engine_->ChainToTable(table_);
    engine_->SearchLinks(progress);
    timings_.Search = MsSince(start);
    const auto placeStart = Clock::now();
    engine_->PlaceChain();
    timings_.Place = MsSince(placeStart);
  }
  WarnUnlinkedPairs();
}

void StitchJob::WarnUnlinkedPairs() {
  for (int i = 0; i + 1 < engine_->Count(); ++i) {
    if (!engine_->LinkDefined(i)) {
      result_.Warnings.push_back("no match found between " + engine_->Name(i) + " and " +
                                 engine_->Name(i + 1) + "; placed on top of each other");
    }
  }
}

bool StitchJob::Assemble() {
  const auto start = Clock::now();
  if (!engine_->BuildCanvas()) {
    return Fail("the mosaic would be too large to assemble; the links do not fit together");
  }
  timings_.Place += MsSince(start);
  const auto composeStart = Clock::now();
  engine_->Compose(options_.Smooth);
  commonRect_ = engine_->CommonRect(table_);
  BitmapPicture picture;
  if (options_.CropView) {
    engine_->ShowResultPart(picture, commonRect_);
  } else {
    engine_->ShowResult(picture);
  }
  if (picture.Held().Empty()) return Fail("not enough memory for the output picture");
  result_.Output = std::move(picture.Canvas());
  timings_.Compose = MsSince(composeStart);
  return true;
}

bool StitchJob::Save() {
  const auto start = Clock::now();
  const PixStatus status = PixSaveImage(options_.Output, result_.Output);
  if (!status) return Fail("cannot write " + options_.Output + ": " + Reason(status));
  timings_.Save = MsSince(start);
  result_.Report = StitchReport(*engine_, table_, commonRect_, result_.Output, options_.Settings,
                                timings_);
  if (!options_.Report.empty()) {
    const std::string error = WriteFileWhole(options_.Report, result_.Report.dump(2) + "\n");
    if (!error.empty()) return Fail("cannot write report " + options_.Report + ": " + error);
  }
  return true;
}

StitchResult RunStitch(const StitchOptions& options, ProgressIndicator* progress) {
  StitchJob job(options);
  if (job.LoadImages()) {
    job.FindLinks(progress);
    if (job.Assemble()) job.Save();
  }
  return std::move(job.Result());
}
