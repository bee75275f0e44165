#include "stitchreport.h"

#include <filesystem>

namespace {

using nlohmann::json;

json PointJson(const Point& p) { return json::array({p.X, p.Y}); }
json RectJson(const Rect& r) { return json::array({r.Left, r.Top, r.Right, r.Bottom}); }

json ImagesJson(const Panoram& engine) {
  json images = json::array();
  for (int i = 0; i < engine.Count(); ++i) {
    json image = {{"name", std::filesystem::path(engine.Name(i)).filename().string()},
                  {"direction", engine.Direction(i)},
                  {"link_in", PointJson(engine.GetLinkIn(i))},
                  {"link_out", PointJson(engine.GetLinkOut(i))},
                  {"place", RectJson(engine.Place(i))}};
    // The confidence of the link to the previous image.
    if (i > 0) image["score"] = engine.LinkScore(i - 1);
    images.push_back(std::move(image));
  }
  return images;
}

}  // namespace

json LinksJson(const Panoram& engine, const AllNeighbourPlaces& placement) {
  json links = json::array();
  for (size_t k = 0; k < placement.Links.size(); ++k) {
    const ImageLink& l = placement.Links[k];
    const LinkFit& f = placement.Result.Fits[k];
    auto name = [&](int i) { return std::filesystem::path(engine.Name(i)).filename().string(); };
    links.push_back({{"images", json::array({name(l.From), name(l.To)})},
                     {"offset", json::array({l.DX, l.DY})},
                     {"score", l.Score},
                     {"residual", f.Residual},
                     {"used", f.Used}});
  }
  return links;
}

namespace {

json TableJson(const MontageTable& table) {
  json cells = json::array();
  for (int c = 0; c < kTableColumns; ++c) {
    for (int r = 0; r < kTableRows; ++r) {
      if (table.At(c, r) >= 0) cells.push_back(json::array({c, r, table.At(c, r)}));
    }
  }
  return cells;
}

}  // namespace

std::string ReportText(const json& report) {
  return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

json StitchReport(const Panoram& engine, const MontageTable& table, const Rect& commonRect,
                  const Bitmap& output, const SetupData& s, const StitchTimings& t) {
  // Bounds hold the canvas size; the canvas itself has become the output.
  const Rect& b = engine.Bounds();
  return {
      {"images", ImagesJson(engine)},
      {"bounds", json::array({b.Left, b.Top, b.Right, b.Bottom})},
      {"canvas", json::array({b.Right, b.Bottom})},
      {"common_rect", RectJson(commonRect)},
      {"output", json::array({output.Width(), output.Height()})},
      {"table", TableJson(table)},
      {"settings",
       {{kZoneRange.Name, s.ImageZone},
        {kRadiusRange.Name, s.FindR},
        {kCropRange.Name, s.Crop},
        {kFrameRange.Name, s.CropFrame},
        {kBlendRange.Name, s.SmoothType},
        {kStepRange.Name, s.Quality}}},
      {"timings_ms",
       {{"load", t.Load},
        {"search", t.Stages.Search},
        {"place", t.Stages.Place},
        {"compose", t.Stages.Compose},
        {"save", t.Save}}},
  };
}
