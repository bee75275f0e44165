#include "support/heldoutset.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "engine/panoram.h"
#include "imagefiles/imagefiles.h"

namespace {

constexpr int kSmoothResample = 5;

struct Plan {
  HeldOutKind Kind;
  const char* Name;
  const char* Photo;  // in the photo folder
  double Scale;       // of the photograph before cutting
  int Left, Top;      // of the grid's first corner in the scaled photograph
  int Columns, Rows;  // fields in the grid
  int Width, Height;  // of a field
  int StepX, StepY;   // between field corners, before jitter
  int Jitter;         // up to this many pixels added to each corner, both ways
  double Contrast;    // around the mean intensity; 1 keeps the photograph's
  double Vignetting;  // darkening at the corners, 0..1
  double Noise;       // sensor noise, standard deviation in grey levels
  bool Highlights;    // keep only the brightest spots, on a dark background
};

const Plan kPlans[] = {
    {HeldOutKind::SmallFields, "200x150 fields", "LadyBird.jpg", 0.25, 0, 0, 3, 3, 200, 150, 150,
     112, 4, 1.0, 0.15, 3.0, false},
    {HeldOutKind::PaleWood, "pale wood 5x5", "Wood.jpg", 1.0, 0, 0, 5, 5, 640, 480, 470, 355, 4,
     1.0, 0.15, 2.0, false},
    {HeldOutKind::BigBlurred, "5 MP, blurred half", "Wood.jpg", 2.0, 0, 0, 2, 2, 2592, 1944, 1980,
     1470, 40, 1.0, 0.3, 3.0, false},
    {HeldOutKind::Fluorescence, "fluorescence-like", "RainDrops.jpg", 1.0, 0, 0, 3, 3, 640, 480,
     470, 350, 8, 1.0, 0.15, 4.0, true},
    {HeldOutKind::LeafVeins, "leaf veins", "Blinds.jpg", 1.0, 0, 0, 3, 3, 640, 480, 470, 355, 4,
     0.35, 0.15, 3.0, false},
    // The grass fills the photograph's lower part; above it lie sea and sky.
    {HeldOutKind::GrassBlades, "grass blades", "Dune.jpg", 1.0, 40, 420, 4, 2, 480, 360, 350, 265,
     4, 0.35, 0.15, 3.0, false},
};

const Plan& PlanOf(HeldOutKind kind) {
  return *std::find_if(std::begin(kPlans), std::end(kPlans),
                       [&](const Plan& p) { return p.Kind == kind; });
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// Pale, flat wood: the contrast pulled towards the mean, per channel.
void ReduceContrast(Bitmap& b, double contrast) {
  if (contrast == 1.0) return;
  double sum = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) sum += Intensity(b.Pixel(x, y));
  const double mean = sum / (static_cast<double>(b.Width()) * b.Height());
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* p = b.Row(y);
    for (int i = 0; i < b.Width() * 3; ++i) p[i] = Clamp(mean + (p[i] - mean) * contrast);
  }
}

// Sparse bright objects on black, where the photograph stands out of its
// surroundings: in each cell of kCell x kCell pixels the point that rises
// most above its local mean (a raindrop's highlight, a rim), kept when it
// rises more than most, and drawn as a small blurred spot of that strength.
void KeepHighlights(Bitmap& b) {
  const int w = b.Width(), h = b.Height();
  constexpr int kRadius = 8;
  constexpr int kCell = 24;
  constexpr double kSpotSigma = 2.0;
  std::vector<int64_t> integral(static_cast<size_t>(w + 1) * (h + 1), 0);
  auto at = [&](int x, int y) -> int64_t& {
    return integral[static_cast<size_t>(y) * (w + 1) + x];
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      at(x + 1, y + 1) = Intensity(b.Pixel(x, y)) + at(x, y + 1) + at(x + 1, y) - at(x, y);
  auto rise = [&](int x, int y) {
    const int x0 = std::max(0, x - kRadius), x1 = std::min(w, x + kRadius + 1);
    const int y0 = std::max(0, y - kRadius), y1 = std::min(h, y + kRadius + 1);
    const double mean = static_cast<double>(at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0)) /
                        ((x1 - x0) * (y1 - y0));
    return Intensity(b.Pixel(x, y)) - mean;
  };
  struct Spot {
    int X, Y;
    double Rise;
  };
  std::vector<Spot> spots;
  for (int cy = 0; cy + kCell <= h; cy += kCell) {
    for (int cx = 0; cx + kCell <= w; cx += kCell) {
      Spot best{cx, cy, -1e9};
      for (int y = cy; y < cy + kCell; ++y)
        for (int x = cx; x < cx + kCell; ++x)
          if (const double r = rise(x, y); r > best.Rise) best = {x, y, r};
      spots.push_back(best);
    }
  }
  std::vector<double> rises;
  for (const Spot& s : spots) rises.push_back(s.Rise);
  auto mid = rises.begin() + static_cast<std::ptrdiff_t>(rises.size() * 2 / 5);
  std::nth_element(rises.begin(), mid, rises.end());
  const double floor = *mid;
  std::vector<float> light(static_cast<size_t>(w) * h, 0.0f);
  constexpr int kReach = 6;
  // Every other spot of a bright rim dropped at random, so that a rim does
  // not become a row of evenly spaced spots.
  std::mt19937 rng(17);
  std::bernoulli_distribution keep(0.8);
  for (const Spot& s : spots) {
    if (!keep(rng) || s.Rise <= floor) continue;
    const double peak = std::min(255.0, 80.0 + 6.0 * (s.Rise - floor));
    for (int y = std::max(0, s.Y - kReach); y < std::min(h, s.Y + kReach + 1); ++y) {
      for (int x = std::max(0, s.X - kReach); x < std::min(w, s.X + kReach + 1); ++x) {
        const double d2 = (x - s.X) * (x - s.X) + (y - s.Y) * (y - s.Y);
        light[static_cast<size_t>(y) * w + x] +=
            static_cast<float>(peak * std::exp(-d2 / (2 * kSpotSigma * kSpotSigma)));
      }
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.Pixel(x, y);
      const double v = light[static_cast<size_t>(y) * w + x];
      p[0] = p[2] = Clamp(v * 0.3);  // a green dye
      p[1] = Clamp(v);
    }
  }
}

// The camera: a gain and an offset of its own per field, the lens's
// vignetting, and noise, all repeatable from the seed.
void Degrade(Bitmap& field, const Plan& plan, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> gain(0.85, 1.15);
  std::uniform_real_distribution<double> offset(-8, 8);
  std::normal_distribution<double> noise(0, plan.Noise);
  const double g = gain(rng);
  const double o = plan.Highlights ? 12 : offset(rng);  // a dark background's level
  const double cx = field.Width() / 2.0, cy = field.Height() / 2.0;
  const double r2max = cx * cx + cy * cy;
  for (int y = 0; y < field.Height(); ++y) {
    uint8_t* p = field.Row(y);
    for (int x = 0; x < field.Width(); ++x, p += 3) {
      const double r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / r2max;
      const double v = 1.0 - plan.Vignetting * r2;
      for (int c = 0; c < 3; ++c) p[c] = Clamp((p[c] * g + o) * v + noise(rng));
    }
  }
}

// Grid cells in snake order: right along the first row, back along the next.
std::vector<std::pair<int, int>> Snake(int columns, int rows) {
  std::vector<std::pair<int, int>> cells;
  for (int r = 0; r < rows; ++r) {
    for (int k = 0; k < columns; ++k) cells.emplace_back(r % 2 == 0 ? k : columns - 1 - k, r);
  }
  return cells;
}

int DirectionBetween(std::pair<int, int> from, std::pair<int, int> to) {
  if (to.first > from.first) return kDirRight;
  if (to.first < from.first) return kDirLeft;
  return to.second > from.second ? kDirBelow : kDirAbove;
}

}  // namespace

std::string HeldOutPhotoFolder() {
  const char* folder = std::getenv("QUILTOR_PHOTO_FOLDER");
  return folder != nullptr ? folder : "/usr/share/backgrounds/mate/nature";
}

bool HeldOutPhotosPresent() {
  for (const Plan& p : kPlans) {
    if (!std::filesystem::exists(HeldOutPhotoFolder() + "/" + p.Photo)) return false;
  }
  return true;
}

std::vector<HeldOutKind> HeldOutKinds() {
  std::vector<HeldOutKind> kinds;
  for (const Plan& p : kPlans) kinds.push_back(p.Kind);
  return kinds;
}

std::optional<HeldOutSet> MakeHeldOutSet(HeldOutKind kind) {
  const Plan& plan = PlanOf(kind);
  Bitmap photo;
  if (!PixLoadImage(HeldOutPhotoFolder() + "/" + plan.Photo, photo)) return std::nullopt;
  if (plan.Scale != 1.0) {
    photo = MakeThumbnail(photo, static_cast<int>(photo.Width() * plan.Scale),
                          static_cast<int>(photo.Height() * plan.Scale), kSmoothResample);
  }
  ReduceContrast(photo, plan.Contrast);
  if (plan.Highlights) KeepHighlights(photo);

  HeldOutSet set{kind, plan.Name, {}, {}, {}};
  std::mt19937 rng(static_cast<uint32_t>(kind) * 7919u + 1u);
  std::uniform_int_distribution<int> jitter(0, plan.Jitter);
  std::vector<std::pair<int, int>> cells = Snake(plan.Columns, plan.Rows);
  std::vector<Offset> corners;
  for (const auto& [column, row] : cells) {
    Offset c{plan.Left + column * plan.StepX + jitter(rng),
             plan.Top + row * plan.StepY + jitter(rng)};
    c.X = std::min(c.X, photo.Width() - plan.Width);
    c.Y = std::min(c.Y, photo.Height() - plan.Height);
    corners.push_back(c);
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    Bitmap field(plan.Width, plan.Height);
    for (int y = 0; y < plan.Height; ++y) {
      std::copy_n(photo.Pixel(corners[i].X, corners[i].Y + y), plan.Width * 3, field.Row(y));
    }
    Degrade(field, plan, static_cast<uint32_t>(i) * 31u + static_cast<uint32_t>(kind));
    set.Fields.push_back(std::move(field));
    if (i > 0) {
      set.Directions.push_back(DirectionBetween(cells[i - 1], cells[i]));
      set.Truth.push_back({corners[i].X - corners[i - 1].X, corners[i].Y - corners[i - 1].Y});
    }
  }
  return set;
}

LinkOutcome CompareWithTruth(bool linkSet, Offset found, Offset truth) {
  if (!linkSet) return LinkOutcome::Unset;
  if (found == truth) return LinkOutcome::Exact;
  const int off = std::max(std::abs(found.X - truth.X), std::abs(found.Y - truth.Y));
  return off <= 2 ? LinkOutcome::Near : LinkOutcome::Off;
}

namespace {

constexpr int kPlacementSide = 5;
constexpr int kPlacementWidth = 200, kPlacementHeight = 150;
constexpr int kPlacementStepX = 150, kPlacementStepY = 112;
const Plan kPlacementPlan{HeldOutKind::SmallFields,
                          "placement",
                          "LadyBird.jpg",
                          0.4,
                          0,
                          0,
                          5,
                          5,
                          200,
                          150,
                          150,
                          112,
                          4,
                          1.0,
                          0.15,
                          3.0,
                          false};

// The field whose corner lies at (x0, y0) of photo, read between pixels.
Bitmap CutAt(const Bitmap& photo, double x0, double y0) {
  Bitmap field(kPlacementWidth, kPlacementHeight);
  const int ix = static_cast<int>(std::floor(x0)), iy = static_cast<int>(std::floor(y0));
  const double fx = x0 - ix, fy = y0 - iy;
  for (int y = 0; y < kPlacementHeight; ++y) {
    for (int x = 0; x < kPlacementWidth; ++x) {
      const uint8_t* a = photo.Pixel(ix + x, iy + y);
      const uint8_t* b = photo.Pixel(ix + x + 1, iy + y);
      const uint8_t* c = photo.Pixel(ix + x, iy + y + 1);
      const uint8_t* d = photo.Pixel(ix + x + 1, iy + y + 1);
      uint8_t* p = field.Pixel(x, y);
      for (int k = 0; k < 3; ++k) {
        p[k] = Clamp((a[k] * (1 - fx) + b[k] * fx) * (1 - fy) + (c[k] * (1 - fx) + d[k] * fx) * fy);
      }
    }
  }
  return field;
}

// The snake of fields with corners at step plus jitter, whole or fractional.
std::optional<PlacementSet> CutPlacementSet(bool fractional) {
  const Plan& plan = kPlacementPlan;
  Bitmap photo;
  if (!PixLoadImage(HeldOutPhotoFolder() + "/" + plan.Photo, photo)) return std::nullopt;
  photo = MakeThumbnail(photo, static_cast<int>(photo.Width() * plan.Scale),
                        static_cast<int>(photo.Height() * plan.Scale), kSmoothResample);
  std::mt19937 rng(fractional ? 41u : 43u);
  std::uniform_real_distribution<double> jitter(0, plan.Jitter);
  const std::vector<std::pair<int, int>> cells = Snake(kPlacementSide, kPlacementSide);
  PlacementSet set;
  TrueOrigin first;
  for (size_t i = 0; i < cells.size(); ++i) {
    double x = cells[i].first * kPlacementStepX + jitter(rng);
    double y = cells[i].second * kPlacementStepY + jitter(rng);
    if (!fractional) {
      x = std::floor(x);
      y = std::floor(y);
    }
    if (i == 0) first = {x, y};
    Bitmap field = CutAt(photo, x, y);
    Degrade(field, plan, static_cast<uint32_t>(i) * 37u + (fractional ? 1u : 0u));
    set.Fields.push_back(std::move(field));
    set.Origins.push_back({x - first.X, y - first.Y});
    if (i > 0) set.Directions.push_back(DirectionBetween(cells[i - 1], cells[i]));
  }
  return set;
}

}  // namespace

std::optional<PlacementSet> MakeFlatLinkSet(int flat) {
  std::optional<PlacementSet> set = CutPlacementSet(false);
  if (!set || flat <= 0 || flat >= static_cast<int>(set->Fields.size())) return set;
  Bitmap& field = set->Fields[flat];
  const TrueOrigin& here = set->Origins[flat];
  const TrueOrigin& before = set->Origins[flat - 1];
  const int dx = static_cast<int>(before.X - here.X), dy = static_cast<int>(before.Y - here.Y);
  const int x0 = std::max(0, dx), x1 = std::min(field.Width(), dx + field.Width());
  const int y0 = std::max(0, dy), y1 = std::min(field.Height(), dy + field.Height());
  int64_t sum[3] = {0, 0, 0};
  for (int y = 0; y < field.Height(); ++y)
    for (int x = 0; x < field.Width(); ++x)
      for (int k = 0; k < 3; ++k) sum[k] += field.Pixel(x, y)[k];
  const int64_t n = int64_t{field.Width()} * field.Height();
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int k = 0; k < 3; ++k) field.Pixel(x, y)[k] = static_cast<uint8_t>(sum[k] / n);
  return set;
}

std::optional<PlacementSet> MakeFractionalSet() { return CutPlacementSet(true); }

PlacementSet AsPlacementSet(HeldOutSet set) {
  PlacementSet p{std::move(set.Fields), std::move(set.Directions), {TrueOrigin{}}};
  for (const Offset& t : set.Truth)
    p.Origins.push_back({p.Origins.back().X + t.X, p.Origins.back().Y + t.Y});
  return p;
}
