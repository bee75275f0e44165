#include "neighbourpairs.h"

#include <algorithm>
#include <array>
#include <optional>

#include "registration/registration.h"

namespace {

int64_t Area(const Rect& r) { return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height(); }

Rect Common(const Rect& a, const Rect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

struct Cell {
  int Column = -1;
  int Row = -1;
};

// As Panoram::TableToChain reads it: the last cell in column-major order counts.
std::vector<Cell> CellsOf(const MontageTable& table, int count) {
  std::vector<Cell> cells(static_cast<size_t>(count));
  for (int c = 0; c < kTableColumns; ++c) {
    for (int r = 0; r < kTableRows; ++r) {
      const int32_t k = table.At(c, r);
      if (k >= 0 && k < count) cells[static_cast<size_t>(k)] = {c, r};
    }
  }
  return cells;
}

bool Neighbouring(const Cell& a, const Cell& b) {
  return a.Column >= 0 && b.Column >= 0 &&
         std::abs(a.Column - b.Column) + std::abs(a.Row - b.Row) == 1;
}

// The median of each coordinate; the upper one of an even count.
std::optional<Offset> Median(std::vector<Offset> steps) {
  if (steps.empty()) return std::nullopt;
  const auto mid = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), mid, steps.end(),
                   [](const Offset& a, const Offset& b) { return a.X < b.X; });
  const int x = mid->X;
  std::nth_element(steps.begin(), mid, steps.end(),
                   [](const Offset& a, const Offset& b) { return a.Y < b.Y; });
  return Offset{x, mid->Y};
}

// Pixels either way within which a match bears its prediction out.
constexpr int kBorneOut = 2;

int ZoneDepth(int size, int zonePct) {
  return static_cast<int>(int64_t{size} * std::clamp(zonePct, 0, 100) / 100);
}

}  // namespace

std::vector<NeighbourPair> OverlappingPairs(const Panoram& engine) {
  std::vector<NeighbourPair> pairs;
  for (int a = 0; a < engine.Count(); ++a) {
    for (int b = a + 2; b < engine.Count(); ++b) {
      const Rect& pa = engine.Place(a);
      const Rect& pb = engine.Place(b);
      const int64_t field = std::min(Area(pa), Area(pb));
      if (field == 0 || Area(Common(pa, pb)) * 10 < field) continue;
      pairs.push_back({a, b, {pb.Left - pa.Left, pb.Top - pa.Top}});
    }
  }
  return pairs;
}

std::vector<NeighbourPair> TablePairs(const Panoram& engine, const MontageTable& table) {
  const int count = engine.Count();
  const std::vector<Cell> cells = CellsOf(table, count);
  // Steps one column right and one row down, from the chain links across them.
  std::vector<Offset> across, down;
  const std::vector<ImageLink> chain = engine.ChainLinks();
  for (const ImageLink& l : chain) {
    const Cell& a = cells[static_cast<size_t>(l.From)];
    const Cell& b = cells[static_cast<size_t>(l.To)];
    if (l.Score < kWeakLinkScore || !Neighbouring(a, b)) continue;
    const int sign = (b.Column - a.Column) + (b.Row - a.Row);
    const Offset step{static_cast<int>(sign * l.DX), static_cast<int>(sign * l.DY)};
    (a.Column != b.Column ? across : down).push_back(step);
  }
  const std::optional<Offset> column = Median(across);
  const std::optional<Offset> row = Median(down);
  std::vector<NeighbourPair> pairs;
  for (int a = 0; a < count; ++a) {
    for (int b = a + 2; b < count; ++b) {
      const Cell& ca = cells[static_cast<size_t>(a)];
      const Cell& cb = cells[static_cast<size_t>(b)];
      if (!Neighbouring(ca, cb)) continue;
      const Bitmap& from = engine.ImageBitmap(a);
      const Offset stepX =
          column.value_or(Offset{from.Width() - ZoneDepth(from.Width(), engine.ZoneWidthPct()), 0});
      const Offset stepY =
          row.value_or(Offset{0, from.Height() - ZoneDepth(from.Height(), engine.ZoneHeightPct())});
      const int dc = cb.Column - ca.Column, dr = cb.Row - ca.Row;
      pairs.push_back({a, b, {dc * stepX.X + dr * stepY.X, dc * stepX.Y + dr * stepY.Y}});
    }
  }
  return pairs;
}

ImageLink LinkAround(const Panoram& engine, const NeighbourPair& pair) {
  const Bitmap& source = engine.ImageBitmap(pair.From);
  PairQuery q{source,
              engine.ImageBitmap(pair.To),
              {},
              engine.ZoneHeightPct(),
              engine.ZoneWidthPct(),
              engine.Radius(),
              engine.Step(),
              nullptr};
  q.Around = &pair.Around;
  const RegistrationMethod registration = RegistrationFor(engine.Method());
  // Most predictions are near: the search radius around them first, and the
  // zone's depth, many times the work, only where that found no confident
  // link away from the prediction. A weak match just where the prediction
  // puts it bears the prediction out (faint detail); around a prediction
  // that is off, the best of unrelated pixels lands there only by chance.
  const int wide = ZoneDepth(std::max(source.Width(), source.Height()), engine.ZoneHeightPct());
  LinkWeigher weigher(source, q.Searched);
  q.Weigher = &weigher;
  PairMatch m;
  for (const int reach : {std::min(std::max(engine.Radius(), 1), wide), wide}) {
    q.Reach = reach;
    m = registration(q).Match;
    if (!m.Found()) continue;
    const Offset o = OffsetOfLink(m.Out, m.In);
    const bool where =
        std::abs(o.X - pair.Around.X) <= kBorneOut && std::abs(o.Y - pair.Around.Y) <= kBorneOut;
    if (m.Score >= kWeakLinkScore || where) break;
  }
  if (!m.Found()) return {pair.From, pair.To, pair.Around.X, pair.Around.Y, 0};
  const Offset o = OffsetOfLink(m.Out, m.In);
  ImageLink link{pair.From, pair.To, o.X, o.Y, m.Score};
  // The search weighed its link, and so read its shift between pixels.
  if (m.Score >= kWeakLinkScore) {
    const SubpixelShift between = weigher.Weigh(o).Between;
    link.SubX = between.X;
    link.SubY = between.Y;
  }
  return link;
}
