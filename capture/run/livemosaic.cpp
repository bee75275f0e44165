#include "capture/run/livemosaic.h"

#include <algorithm>
#include <cmath>

namespace {

struct Colour {
  uint8_t B, G, R;
};

constexpr uint8_t kBackground = 64;
constexpr Colour kReliable{0, 170, 0};
constexpr Colour kUnreliable{0, 0, 230};
constexpr Colour kPending{0, 200, 230};
constexpr Colour kFirst{230, 120, 0};
constexpr Colour kLiveView{255, 255, 255};

void Plot(Bitmap& b, int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height()) return;
  uint8_t* p = b.Pixel(x, y);
  p[0] = c.B;
  p[1] = c.G;
  p[2] = c.R;
}

void Outline(Bitmap& b, const Rect& r, Colour c, int thickness) {
  for (int t = 0; t < thickness; ++t) {
    for (int x = r.Left; x < r.Right; ++x) {
      Plot(b, x, r.Top + t, c);
      Plot(b, x, r.Bottom - 1 - t, c);
    }
    for (int y = r.Top; y < r.Bottom; ++y) {
      Plot(b, r.Left + t, y, c);
      Plot(b, r.Right - 1 - t, y, c);
    }
  }
}

// The preview stretched over r, nearest pixel, clipped to the picture.
void DrawStretched(Bitmap& b, const Bitmap& preview, const Rect& r) {
  if (preview.Empty() || r.IsEmpty()) return;
  const int x0 = std::max(r.Left, 0), x1 = std::min(r.Right, b.Width());
  const int y0 = std::max(r.Top, 0), y1 = std::min(r.Bottom, b.Height());
  for (int y = y0; y < y1; ++y) {
    const int sy = static_cast<int>(int64_t{y - r.Top} * preview.Height() / r.Height());
    uint8_t* out = b.Pixel(x0, y);
    for (int x = x0; x < x1; ++x, out += 3) {
      const int sx = static_cast<int>(int64_t{x - r.Left} * preview.Width() / r.Width());
      const uint8_t* in = preview.Pixel(sx, sy);
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
}

}  // namespace

LiveConfidence ConfidenceOf(const LiveFrame& frame, bool first) {
  if (first) return LiveConfidence::None;
  if (frame.Pending) return LiveConfidence::Pending;
  return frame.Link.Score >= kWeakLinkScore ? LiveConfidence::Reliable : LiveConfidence::Unreliable;
}

Rect MosaicFit::Map(const Rect& place) const {
  return {static_cast<int>(std::floor(OriginX + place.Left * Scale)),
          static_cast<int>(std::floor(OriginY + place.Top * Scale)),
          static_cast<int>(std::floor(OriginX + place.Right * Scale)),
          static_cast<int>(std::floor(OriginY + place.Bottom * Scale))};
}

MosaicFit FitMosaic(const Rect& bounds, int width, int height) {
  MosaicFit fit;
  if (bounds.IsEmpty() || width <= 0 || height <= 0) return fit;
  fit.Scale = std::min(static_cast<double>(width) / bounds.Width(),
                       static_cast<double>(height) / bounds.Height());
  fit.OriginX = (width - bounds.Width() * fit.Scale) / 2 - bounds.Left * fit.Scale;
  fit.OriginY = (height - bounds.Height() * fit.Scale) / 2 - bounds.Top * fit.Scale;
  return fit;
}

std::vector<LiveMosaicTile> LiveTiles(const LiveCapture& live, const Panoram& engine) {
  std::vector<LiveMosaicTile> tiles;
  const std::vector<Point> places = live.Places();
  const std::vector<LiveFrame>& frames = live.Frames();
  for (size_t i = 0; i < frames.size() && static_cast<int>(i) < engine.Count(); ++i) {
    tiles.push_back({&engine.Thumb(static_cast<int>(i)),
                     {places[i].X, places[i].Y, places[i].X + frames[i].Width,
                      places[i].Y + frames[i].Height}});
  }
  return tiles;
}

void DrawLiveMosaic(Bitmap& picture, const std::vector<LiveMosaicTile>& tiles,
                    LiveConfidence newest, std::optional<Rect> liveView) {
  picture.Fill(kBackground, kBackground, kBackground);
  if (tiles.empty()) return;
  Rect bounds = tiles.front().Place;
  const auto widen = [&bounds](const Rect& r) {
    bounds = {std::min(bounds.Left, r.Left), std::min(bounds.Top, r.Top),
              std::max(bounds.Right, r.Right), std::max(bounds.Bottom, r.Bottom)};
  };
  for (const LiveMosaicTile& t : tiles) widen(t.Place);
  if (liveView) widen(*liveView);
  // A pixel of margin all round for the outlines.
  const MosaicFit fit = FitMosaic(bounds, picture.Width() - 2, picture.Height() - 2);
  const auto map = [&fit](const Rect& r) {
    const Rect m = fit.Map(r);
    return Rect{m.Left + 1, m.Top + 1, m.Right + 1, m.Bottom + 1};
  };
  for (const LiveMosaicTile& t : tiles) DrawStretched(picture, *t.Preview, map(t.Place));
  const Colour colours[] = {kFirst, kPending, kReliable, kUnreliable};
  Outline(picture, map(tiles.back().Place), colours[static_cast<int>(newest)], 2);
  if (liveView) Outline(picture, map(*liveView), kLiveView, 1);
}
