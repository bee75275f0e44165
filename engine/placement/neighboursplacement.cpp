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

double LinkX(const ImageLink& l) { return static_cast<double>(l.DX) + l.SubX; }
double LinkY(const ImageLink& l) { return static_cast<double>(l.DY) + l.SubY; }

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

// The weighted normal equations of the used links (weight[k] each), each
// group's lowest image held at 0: a graph Laplacian with the anchors' rows
// and columns made the identity, positive definite within a connected group.
struct Normal {
  size_t N = 0;
  std::vector<double> A;  // N x N, row-major; its Cholesky factor once Factor ran
  std::vector<double> BX, BY;
};

Normal Build(int count, const std::vector<ImageLink>& links, const std::vector<LinkFit>& fits,
             const std::vector<double>& weight, const std::vector<int>& group) {
  const size_t n = static_cast<size_t>(count);
  Normal e{n, std::vector<double>(n * n, 0.0), std::vector<double>(n, 0.0),
           std::vector<double>(n, 0.0)};
  std::vector<double>& a = e.A;
  for (size_t k = 0; k < links.size(); ++k) {
    if (!fits[k].Used) continue;
    const ImageLink& l = links[k];
    const double w = weight[k];
    const size_t f = static_cast<size_t>(l.From), t = static_cast<size_t>(l.To);
    a[f * n + f] += w;
    a[t * n + t] += w;
    a[f * n + t] -= w;
    a[t * n + f] -= w;
    e.BX[t] += w * LinkX(l);
    e.BY[t] += w * LinkY(l);
    e.BX[f] -= w * LinkX(l);
    e.BY[f] -= w * LinkY(l);
  }
  for (size_t i = 0; i < n; ++i) {
    if (group[i] != static_cast<int>(i)) continue;
    for (size_t j = 0; j < n; ++j) a[i * n + j] = a[j * n + i] = 0;
    a[i * n + i] = 1;
    e.BX[i] = e.BY[i] = 0;
  }
  return e;
}

void Factor(Normal& e) {
  const size_t n = e.N;
  std::vector<double>& a = e.A;
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
}

// b becomes the solution of A x = b, with A factored.
void Solve(const Normal& e, std::vector<double>& b) {
  const size_t n = e.N;
  const std::vector<double>& a = e.A;
  for (size_t i = 0; i < n; ++i) {
    for (size_t k = 0; k < i; ++k) b[i] -= a[i * n + k] * b[k];
    b[i] /= a[i * n + i];
  }
  for (size_t i = n; i-- > 0;) {
    for (size_t k = i + 1; k < n; ++k) b[i] -= a[k * n + i] * b[k];
    b[i] /= a[i * n + i];
  }
}

std::vector<Fitted> Fit(int count, const std::vector<ImageLink>& links,
                        const std::vector<LinkFit>& fits, const std::vector<double>& weight,
                        const std::vector<int>& group) {
  Normal e = Build(count, links, fits, weight, group);
  Factor(e);
  Solve(e, e.BX);
  Solve(e, e.BY);
  std::vector<Fitted> out(e.N);
  for (size_t i = 0; i < e.N; ++i) out[i] = {e.BX[i], e.BY[i]};
  return out;
}

// How much of each used link's own offset its fitted places follow (0..1,
// its leverage): 1 for a link nothing else checks. A link's residual divided
// by 1 - leverage is how far it lies from the places the other links give.
std::vector<double> Leverages(int count, const std::vector<ImageLink>& links,
                              const std::vector<LinkFit>& fits, const std::vector<double>& weight,
                              const std::vector<int>& group) {
  Normal e = Build(count, links, fits, weight, group);
  Factor(e);
  std::vector<double> h(links.size(), 0.0);
  std::vector<double> d(e.N);
  for (size_t k = 0; k < links.size(); ++k) {
    if (!fits[k].Used) continue;
    const size_t f = static_cast<size_t>(links[k].From), t = static_cast<size_t>(links[k].To);
    std::fill(d.begin(), d.end(), 0.0);
    // Anchors do not move: their part of the link's difference is nothing.
    if (group[t] != static_cast<int>(t)) d[t] += 1;
    if (group[f] != static_cast<int>(f)) d[f] -= 1;
    std::vector<double> z = d;
    Solve(e, z);
    h[k] = weight[k] * (z[t] * d[t] + z[f] * d[f]);
  }
  return h;
}

double Residual(const ImageLink& l, double fromX, double fromY, double toX, double toY) {
  return std::hypot(toX - fromX - LinkX(l), toY - fromY - LinkY(l));
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
// Leverages this close to 1 are links no other link checks.
constexpr double kUncheckedLink = 1e-6;
constexpr double kTie = 1e-6;
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
    const std::vector<double> leverage = Leverages(count, links, out.Fits, scores, group);
    // Each link judged against the places the others give: in a fit that
    // includes it, two links that disagree by 3 px would each look 1.5 px off.
    double worst = kMaxLinkResidual;
    size_t drop = links.size();
    for (size_t k = 0; k < links.size(); ++k) {
      if (!out.Fits[k].Used) continue;
      const ImageLink& l = links[k];
      const double r = Residual(l, fit[l.From].X, fit[l.From].Y, fit[l.To].X, fit[l.To].Y);
      const double free = 1.0 - leverage[k];
      if (free < kUncheckedLink) continue;  // nothing else reaches its images
      const double off = r / free;
      // Between links equally off, the less confident goes.
      const bool tie = drop < links.size() && std::abs(off - worst) <= kTie;
      if ((off > worst + kTie) || (tie && l.Score < links[drop].Score) ||
          (drop == links.size() && off > worst)) {
        worst = off;
        drop = k;
      }
    }
    if (drop == links.size()) break;
    out.Fits[drop].Used = false;
  }
  Reweight(count, links, out.Fits, group, fit);
  out.Groups = group;
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
