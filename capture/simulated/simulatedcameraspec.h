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

// Bounds of a path file: a regular file of at most this many bytes, each line
// at most this long (a position per live frame needs a dozen).
inline constexpr int64_t kMaxCameraPathBytes = 4 << 20;
inline constexpr size_t kMaxCameraPathLineBytes = 200;

// Why a path file was refused; Line counts from 1.
struct CameraPathProblem {
  enum Kind { None, Unreadable, NotRegular, TooLarge, LineTooLong, Malformed, Empty } What = None;
  int Line = 0;
  std::string Detail;  // the system's reason for Unreadable
};

// Reads a path file: one "x y" line per live frame, the frame's top-left
// corner on the picture in pixels; blank lines and lines starting with '#'
// are skipped. None, with the problem, when the file cannot be read, is no
// regular file (a FIFO, a device), is beyond the bounds above, a line is
// malformed or no position is given. Never waits on a FIFO.
std::optional<std::vector<Point>> ReadCameraPath(const std::string& fileName,
                                                 CameraPathProblem& problem);
// The same with the problem in Russian, naming the file and the line.
std::optional<std::vector<Point>> ReadCameraPath(const std::string& fileName, std::string& error);
std::string CameraPathProblemText(const std::string& fileName, const CameraPathProblem& problem);
