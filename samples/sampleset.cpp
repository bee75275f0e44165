#include "sampleset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "tissue.h"

namespace {

int Jitter(std::mt19937& rng, int range) {
  return static_cast<int>(std::floor(UnitDraw(rng) * (2 * range + 1))) - range;
}

// Standard normal value by Box-Muller, from the generator's own output.
double Gaussian(std::mt19937& rng) {
  const double u = 1.0 - UnitDraw(rng);
  return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * UnitDraw(rng));
}

// The camera's view of one field: lamp brightness and tint, darker corners, sensor noise.
Bitmap Photograph(const Bitmap& specimen, Point origin, int width, int height, std::mt19937& rng) {
  const double gain = 0.9 + 0.16 * UnitDraw(rng);
  double tint[3];
  for (double& t : tint) t = 0.97 + 0.06 * UnitDraw(rng);
  const double cx = (width - 1) / 2.0, cy = (height - 1) / 2.0;
  const double farthest = cx * cx + cy * cy;
  Bitmap field(width, height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = specimen.Pixel(origin.X, origin.Y + y);
    uint8_t* dst = field.Row(y);
    for (int x = 0; x < width; ++x) {
      const double r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / farthest;
      const double light = gain * (1.0 - 0.22 * r2);
      for (int ch = 0; ch < 3; ++ch) {
        const double value = src[3 * x + ch] * light * tint[ch] + 1.5 * Gaussian(rng);
        dst[3 * x + ch] = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
      }
    }
  }
  return field;
}

std::string FieldName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "specimen_%04d.bmp", index + 1);
  return name;
}

}  // namespace

std::vector<SampleField> MakeSampleSet(const SampleSetPlan& plan) {
  const int stepX = plan.FieldWidth * (100 - plan.OverlapPct) / 100;
  const int stepY = plan.FieldHeight * (100 - plan.OverlapPct) / 100;
  const int margin = plan.Jitter + 2;
  const Bitmap specimen =
      RenderSpecimen(2 * margin + (plan.Columns - 1) * stepX + plan.FieldWidth,
                     2 * margin + (plan.Rows - 1) * stepY + plan.FieldHeight, plan.Seed);
  std::mt19937 stage(plan.Seed ^ 0x5EEDu);
  std::vector<SampleField> fields;
  for (int row = 0; row < plan.Rows; ++row) {
    const bool forward = row % 2 == 0;
    for (int k = 0; k < plan.Columns; ++k) {
      const int column = forward ? k : plan.Columns - 1 - k;
      SampleField f;
      f.Name = FieldName(static_cast<int>(fields.size()));
      f.Origin = {margin + column * stepX + Jitter(stage, plan.Jitter),
                  margin + row * stepY + Jitter(stage, plan.Jitter)};
      f.Direction = fields.empty() ? 0 : (k == 0 ? 2 : (forward ? 1 : 3));
      std::mt19937 camera(plan.Seed * 7919u + static_cast<uint32_t>(fields.size()) + 1);
      f.Image = Photograph(specimen, f.Origin, plan.FieldWidth, plan.FieldHeight, camera);
      fields.push_back(std::move(f));
    }
  }
  return fields;
}

std::vector<Rect> ExpectedPlaces(const std::vector<SampleField>& fields) {
  int minX = 0, minY = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    minX = i == 0 ? fields[i].Origin.X : std::min(minX, fields[i].Origin.X);
    minY = i == 0 ? fields[i].Origin.Y : std::min(minY, fields[i].Origin.Y);
  }
  std::vector<Rect> places;
  for (const SampleField& f : fields) {
    const int left = f.Origin.X - minX, top = f.Origin.Y - minY;
    places.push_back({left, top, left + f.Image.Width(), top + f.Image.Height()});
  }
  return places;
}

nlohmann::json TruthJson(const SampleSetPlan& plan, const std::vector<SampleField>& fields) {
  using nlohmann::json;
  const std::vector<Rect> places = ExpectedPlaces(fields);
  json list = json::array();
  for (size_t i = 0; i < fields.size(); ++i) {
    const Rect& p = places[i];
    list.push_back({{"name", fields[i].Name},
                    {"origin", json::array({fields[i].Origin.X, fields[i].Origin.Y})},
                    {"direction", fields[i].Direction},
                    {"place", json::array({p.Left, p.Top, p.Right, p.Bottom})}});
  }
  return {{"seed", plan.Seed},
          {"grid", json::array({plan.Columns, plan.Rows})},
          {"field", json::array({plan.FieldWidth, plan.FieldHeight})},
          {"overlap_pct", plan.OverlapPct},
          {"jitter", plan.Jitter},
          {"fields", list}};
}

std::vector<std::string> CompareWithTruth(const nlohmann::json& report,
                                          const nlohmann::json& truth) {
  std::vector<std::string> problems;
  const auto& found = report.value("images", nlohmann::json::array());
  const auto& known = truth.value("fields", nlohmann::json::array());
  if (found.size() != known.size()) {
    problems.push_back("the report has " + std::to_string(found.size()) + " images, the truth " +
                       std::to_string(known.size()));
  }
  for (size_t i = 0; i < std::min(found.size(), known.size()); ++i) {
    const std::string name = known[i].value("name", "");
    const std::string where = "field " + std::to_string(i + 1) + " (" + name + "): ";
    if (found[i].value("name", "") != name) {
      problems.push_back(where + "reported as " + found[i].value("name", "?"));
    }
    // The first field's direction means nothing.
    if (i > 0 && found[i].value("direction", -1) != known[i].value("direction", -2)) {
      problems.push_back(where + "direction " + found[i]["direction"].dump() + ", known " +
                         known[i]["direction"].dump());
    }
    if (found[i]["place"] != known[i]["place"]) {
      problems.push_back(where + "place " + found[i]["place"].dump() + ", known " +
                         known[i]["place"].dump());
    }
  }
  return problems;
}
