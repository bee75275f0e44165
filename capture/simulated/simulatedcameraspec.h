#pragma once
// What the simulated camera shows and how, and the two texts that describe
// it: the command-line or environment spec and the path file.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imagefiles/bitmap.h"

struct SimulatedCameraOptions {
  std::string Picture;   // image file; empty: the synthetic specimen
  std::string PathFile;  // optional: one frame position per line
  int Noise = 0;         // 0..50, standard deviation of per-pixel noise in grey levels
  int Flicker = 0;       // 0..50, percent amplitude of the lamp's flicker
  uint32_t Seed = 1;     // of the specimen and of the noise
};

inline constexpr int kSimulatedCameraMaxNoise = 50;
inline constexpr int kSimulatedCameraMaxFlicker = 50;

// Reads "PICTURE[:key=value]..." where PICTURE is an image file, or "specimen"
// or nothing for the synthetic specimen, and the keys are path (a path
// file), noise, flicker and seed; e.g. "slide.png:path=walk.txt:noise=5".
// Fields are split at every ':', so a file name cannot hold one.
// None, with a Russian error, on an unknown key or a bad value.
std::optional<SimulatedCameraOptions> ParseSimulatedCameraSpec(const std::string& spec,
                                                               std::string& error);

// Reads a path file: one "x y" line per live frame, the frame's top-left
// corner on the picture in pixels; blank lines and lines starting with '#'
// are skipped. None, with a Russian error naming the file and the line, when
// the file cannot be read, a line is malformed or no position is given.
std::optional<std::vector<Point>> ReadCameraPath(const std::string& fileName, std::string& error);
