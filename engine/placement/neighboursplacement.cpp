// Placement over all neighbours: every confident link counts, weighted by its
// confidence, so that one wrong or missing link does not move the rest.
#include <cmath>
#include <numeric>

#include "placement.h"

namespace {

struct Fitted {
  double X = 0;
  double Y = 0;
};

int Root(std::vector<int>& parent, int i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

// Groups of images joined by the used links: the lowest image of each group.
std::vector<int> Groups(int count, const std::vector<ImageLink>& links,
                        const std::vector<LinkFit>& fits) {
  std::vector<int> parent(static_cast<size_t>(count));
  std::iota(parent.begin(), parent.end(), 0);
  for (size_t k = 0; k < links.size(); ++k) {
    if (!fits[k].Used) continue;
    const int a = Root(parent, links[k].From);
    const int b = Root(parent, links[k].To);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  }
  std::vector<int> group(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) group[i] = Root(parent, i);
  return group;
}

// Solves the weighted normal equations of the used links (weight[k] each) by Cholesky, each
// group's lowest image held at 0; the matrix is a graph Laplacian with the
// anchors removed, positive definite within a connected group.
std::vector<Fitted> Fit(int count, const std::vector<ImageLink>& links,
                        const std::vector<LinkFit>& fits, const std::vector<double>& weight,
                        const std::vector<int>& group) {
  const size_t n = static_cast<size_t>(count);
  std::vector<double> a(n * n, 0.0);
  std::vector<double> bx(n, 0.0), by(n, 0.0);
  for (size_t k = 0; k < links.size(); ++k) {
    if (!fits[k].Used) continue;
    const ImageLink& l = links[k];
    const double w = weight[k];
    const size_t f = static_cast<size_t>(l.From), t = static_cast<size_t>(l.To);
    a[f * n + f] += w;
    a[t * n + t] += w;
    a[f * n + t] -= w;
    a[t * n + f] -= w;
    bx[t] += w * static_cast<double>(l.DX);
    by[t] += w * static_cast<double>(l.DY);
    bx[f] -= w * static_cast<double>(l.DX);
    by[f] -= w * static_cast<double>(l.DY);
  }
  // An anchor's row and column become the identity: its place stays 0.
  for (size_t i = 0; i < n; ++i) {
    if (group[i] != static_cast<int>(i)) continue;
    for (size_t j = 0; j < n; ++j) a[i * n + j] = a[j * n + i] = 0;
    a[i * n + i] = 1;
    bx[i] = by[i] = 0;
  }
  for (size_t j = 0; j < n; ++j) {
    double d = a[j * n + j];
    for (size_t k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
    const double root = std::sqrt(std::max(d, 1e-12));
    a[j * n + j] = root;
    for (size_t i = j + 1; i < n; ++i) {
      double s = a[i * n + j];
      for (size_t k = 0; k < j; ++k) s -= a[i * n + k] * a[j * n + k];
      a[i * n + j] = s / root;
    }
  }
  auto solve = [&](std::vector<double>& b) {
    for (size_t i = 0; i < n; ++i) {
      for (size_t k = 0; k < i; ++k) b[i] -= a[i * n + k] * b[k];
      b[i] /= a[i * n + i];
    }
    for (size_t i = n; i-- > 0;) {
      for (size_t k = i + 1; k < n; ++k) b[i] -= a[k * n + i] * b[k];
      b[i] /= a[i * n + i];
    }
  };
  solve(bx);
  solve(by);
  std::vector<Fitted> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = {bx[i], by[i]};
  return out;
}

double Residual(const ImageLink& l, double fromX, double fromY, double toX, double toY) {
  return std::hypot(toX - fromX - static_cast<double>(l.DX),
                    toY - fromY - static_cast<double>(l.DY));
}

std::vector<double> Scores(const std::vector<ImageLink>& links) {
  std::vector<double> w;
  w.reserve(links.size());
  for (const ImageLink& l : links) w.push_back(l.Score);
  return w;
}

// Links a pixel off (a search's rounding, a blurred overlap) would pull the
// least-squares places between pixels; reweighting each link by its residual
// moves the fit towards the places most links agree on exactly.
constexpr int kReweightRounds = 12;
constexpr double kResidualFloor = 0.05;

void Reweight(int count, const std::vector<ImageLink>& links, const std::vector<LinkFit>& fits,
              const std::vector<int>& group, std::vector<Fitted>& fit) {
  std::vector<double> weight = Scores(links);
  for (int round = 0; round < kReweightRounds; ++round) {
    for (size_t k = 0; k < links.size(); ++k) {
      const ImageLink& l = links[k];
      const double r = Residual(l, fit[l.From].X, fit[l.From].Y, fit[l.To].X, fit[l.To].Y);
      weight[k] = l.Score / std::max(r, kResidualFloor);
    }
    fit = Fit(count, links, fits, weight, group);
  }
}

}  // namespace

Placement PlaceOverNeighbours(const std::vector<Rect>& places,
                              const std::vector<ImageLink>& links) {
  const int count = static_cast<int>(places.size());
  Placement out{places, std::vector<LinkFit>(links.size()), {}};
  if (count == 0) return out;
  for (size_t k = 0; k < links.size(); ++k)
    out.Fits[k].Used = links[k].Score >= kWeakLinkScore && links[k].From != links[k].To;
  // A fit over links that never disagree by more than the limit; the worst
  // link goes first, since it also pulls its neighbours' residuals up.
  const std::vector<double> scores = Scores(links);
  std::vector<int> group;
  std::vector<Fitted> fit;
  for (;;) {
    group = Groups(count, links, out.Fits);
    fit = Fit(count, links, out.Fits, scores, group);
    double worst = kMaxLinkResidual;
    size_t drop = links.size();
    for (size_t k = 0; k < links.size(); ++k) {
      if (!out.Fits[k].Used) continue;
      const ImageLink& l = links[k];
      const double r = Residual(l, fit[l.From].X, fit[l.From].Y, fit[l.To].X, fit[l.To].Y);
      if (r > worst) {
        worst = r;
        drop = k;
      }
    }
    if (drop == links.size()) break;
    out.Fits[drop].Used = false;
  }
  Reweight(count, links, out.Fits, group, fit);
  for (int i = 0; i < count; ++i) {
    const Rect& anchor = places[group[i]];
    const Rect& before = places[i];
    const int32_t left = ClampPlace(anchor.Left + std::llround(fit[i].X));
    const int32_t top = ClampPlace(anchor.Top + std::llround(fit[i].Y));
    out.Places[i] = {left, top, ClampPlace(int64_t{left} + before.Width()),
                     ClampPlace(int64_t{top} + before.Height())};
    if (group[i] != group[0]) out.Unanchored.push_back(i);
  }
  for (size_t k = 0; k < links.size(); ++k) {
    const ImageLink& l = links[k];
    const Rect& f = out.Places[l.From];
    const Rect& t = out.Places[l.To];
    out.Fits[k].Residual = Residual(l, f.Left, f.Top, t.Left, t.Top);
  }
  return out;
}
