// The mosaic writers on stitched mosaics read from BMP files (MOSAICS, a
// colon-separated list): PNG through the toolkit's writer (the old one, its
// default settings) against ours, JPEG, and the pyramidal TIFF with both tile
// compressions. Each case reports the file's bytes.
//
//   MOSAICS=a.bmp:b.bmp image_writers_bench
//   image_writers_bench --pyramid-peak mosaic.bmp out.tif   one pyramid, for a peak-memory run
#include <benchmark/benchmark.h>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imagefiles/bitmapview.h"
#include "imagefiles/imagefiles.h"
#include "ratioreporter.h"
#include "support/testimages.h"

namespace {

struct Mosaic {
  std::string Label;  // width x height
  Bitmap Picture;
};

std::string g_dir;

void CountBytes(benchmark::State& state, const std::string& file) {
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
}

void OldPng(benchmark::State& state, const Mosaic* m) {
  const std::string file = g_dir + "/old.png";
  for (auto _ : state) {
    QImageWriter writer(QString::fromStdString(file), "png");
    if (!writer.write(BitmapView(m->Picture))) state.SkipWithError("write failed");
  }
  CountBytes(state, file);
}

void Save(benchmark::State& state, const Mosaic* m, const char* name,
          const PixSaveOptions& options) {
  const std::string file = g_dir + "/" + name;
  for (auto _ : state) {
    if (!PixSaveImage(file, m->Picture, options)) state.SkipWithError("write failed");
  }
  CountBytes(state, file);
}

PixSaveOptions Pyramid(PixPyramidCompression tiles) {
  PixSaveOptions options;
  options.Pyramid = true;
  options.PyramidTiles = tiles;
  return options;
}

bool Load(const std::string& file, Bitmap& picture) {
  const PixStatus status = PixLoadImage(file, picture);
  if (!status) std::fprintf(stderr, "cannot read %s: %s\n", file.c_str(), status.Detail.c_str());
  return status.Ok();
}

}  // namespace

int main(int argc, char** argv) {
  PixInit();
  if (argc == 4 && std::strcmp(argv[1], "--pyramid-peak") == 0) {
    Bitmap picture;
    if (!Load(argv[2], picture)) return 1;
    return PixSaveImage(argv[3], picture, Pyramid(PixPyramidCompression::Jpeg)) ? 0 : 1;
  }
  const char* list = std::getenv("MOSAICS");
  if (list == nullptr) {
    std::fprintf(stderr, "MOSAICS names the BMP files to write (a:b:...)\n");
    return 2;
  }
  g_dir = MakeTempDir("writers");
  std::vector<std::unique_ptr<Mosaic>> mosaics;
  std::stringstream names(list);
  for (std::string file; std::getline(names, file, ':');) {
    auto m = std::make_unique<Mosaic>();
    if (!Load(file, m->Picture)) return 1;
    m->Label = std::to_string(m->Picture.Width()) + "x" + std::to_string(m->Picture.Height());
    mosaics.push_back(std::move(m));
  }
  const PixSaveOptions plain;
  for (const auto& m : mosaics) {
    const Mosaic* p = m.get();
    auto add = [&](const std::string& name, auto&& run) {
      benchmark::RegisterBenchmark((name + "/" + p->Label).c_str(), run)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1)
          ->Repetitions(2)
          ->ReportAggregatesOnly(false);
    };
    add("png_old", [p](benchmark::State& s) { OldPng(s, p); });
    add("png_new", [p, plain](benchmark::State& s) { Save(s, p, "new.png", plain); });
    add("jpeg", [p, plain](benchmark::State& s) { Save(s, p, "m.jpg", plain); });
    add("pyramid_jpeg",
        [p](benchmark::State& s) { Save(s, p, "p.tif", Pyramid(PixPyramidCompression::Jpeg)); });
    add("pyramid_deflate",
        [p](benchmark::State& s) { Save(s, p, "d.tif", Pyramid(PixPyramidCompression::Deflate)); });
  }
  const RatioReporter& reporter = RunWithRatios(argc, argv);
  std::filesystem::remove_all(g_dir);
  for (const auto& m : mosaics)
    reporter.PrintRatio("PNG, old / new writer, " + m->Label, "png_old/" + m->Label,
                        "png_new/" + m->Label);
  return 0;
}
