// The per-frame overlay step of manual capture (the live frame copied into the
// picture, then the contact zone blended in) against the same step with the
// literal pixel-by-pixel blend, on camera-sized frames; the whole live frame
// with its painting into a window-like surface; then the blend alone.
#include <benchmark/benchmark.h>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "capture/run/contactoverlay.h"
#include "imagefiles/bitmapview.h"
#include "ratioreporter.h"
#include "support/reference_overlay.h"
#include "support/testimages.h"

namespace {

constexpr int kZone = 30;
constexpr int kDensity = 5;
constexpr int kRightButton = 1;

struct Case {
  const char* Name;
  int Width;
  int Height;
};

const Case kCases[] = {{"640x480", 640, 480}, {"1920x1080", 1920, 1080}};

struct Frames {
  Bitmap Last;
  Bitmap Live;
};

std::shared_ptr<Frames> MakeFrames(const Case& c) {
  const Bitmap scene = TexturedBitmap(c.Width * 2, c.Height, 20240611u);
  auto frames = std::make_shared<Frames>();
  frames->Last = CropBitmap(scene, 0, 0, c.Width, c.Height);
  frames->Live = CropBitmap(scene, c.Width * 7 / 10, 0, c.Width, c.Height);
  return frames;
}

void Register(const std::string& name, std::function<void(benchmark::State&)> body) {
  benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& st) { body(st); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(5);
}

void RegisterCase(const Case& c) {
  const auto frames = MakeFrames(c);
  const std::string base = std::string("overlay/") + c.Name;
  Register(base + "/literal", [frames](benchmark::State& st) {
    const OverlayOffset shift =
        OverlayShift(kZone, frames->Last.Width(), frames->Last.Height(), kRightButton);
    for (auto _ : st) {
      Bitmap picture = frames->Live;
      ReferenceBlendContactZone(picture, frames->Last, kDensity, true, shift.Dx, shift.Dy);
      benchmark::DoNotOptimize(picture.Data());
    }
  });
  Register(base + "/fast", [frames](benchmark::State& st) {
    const OverlayOptions options{true, true, kDensity};
    for (auto _ : st) {
      Bitmap picture = frames->Live;
      RefreshOverlay(picture, &frames->Last, frames->Last, options, kZone, kRightButton);
      benchmark::DoNotOptimize(picture.Data());
    }
  });
  // The whole live frame: copy, overlay, and the paint the picture control
  // does at zoom 1 into a 32-bit surface, as a window's backing store is.
  const std::string frame = std::string("frame/") + c.Name;
  const auto surface = std::make_shared<QImage>(c.Width, c.Height, QImage::Format_RGB32);
  const auto paint = [surface](const Bitmap& picture) {
    QPainter painter(surface.get());
    painter.drawImage(QRectF(surface->rect()), BitmapView(picture), QRectF(surface->rect()));
  };
  Register(frame + "/literal", [frames, paint](benchmark::State& st) {
    const OverlayOffset shift =
        OverlayShift(kZone, frames->Last.Width(), frames->Last.Height(), kRightButton);
    for (auto _ : st) {
      Bitmap picture = frames->Live;
      ReferenceBlendContactZone(picture, frames->Last, kDensity, true, shift.Dx, shift.Dy);
      paint(picture);
    }
  });
  Register(frame + "/fast", [frames, paint](benchmark::State& st) {
    const OverlayOptions options{true, true, kDensity};
    for (auto _ : st) {
      Bitmap picture = frames->Live;
      RefreshOverlay(picture, &frames->Last, frames->Last, options, kZone, kRightButton);
      paint(picture);
    }
  });
  // The blend alone, over one picture again and again (no branch depends on the bytes).
  const std::string blend = std::string("blend/") + c.Name;
  const OverlayOffset shift = OverlayShift(kZone, c.Width, c.Height, kRightButton);
  Register(blend + "/literal", [frames, shift](benchmark::State& st) {
    Bitmap picture = frames->Live;
    for (auto _ : st) {
      ReferenceBlendContactZone(picture, frames->Last, kDensity, true, shift.Dx, shift.Dy);
      benchmark::DoNotOptimize(picture.Data());
    }
  });
  Register(blend + "/fast", [frames, shift](benchmark::State& st) {
    Bitmap picture = frames->Live;
    for (auto _ : st) {
      BlendContactZone(picture, frames->Last, kDensity, true, shift.Dx, shift.Dy);
      benchmark::DoNotOptimize(picture.Data());
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) RegisterCase(c);
  const RatioReporter& r = RunWithRatios(argc, argv);
  std::printf("\n");
  for (const Case& c : kCases) {
    for (const char* what : {"overlay/", "frame/", "blend/"}) {
      const std::string stem = what + std::string(c.Name);
      r.PrintRatio(stem, stem + "/literal", stem + "/fast");
    }
  }
  return 0;
}
