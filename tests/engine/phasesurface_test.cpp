// The phase correlation surface on views cut from one scene at known shifts:
// a surface whose storage is reused, after another size, reads as a fresh one.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "engine/registration/linkscore.h"
#include "engine/registration/phase/phasesurface.h"
#include "support/testimages.h"

namespace {

// The shift of the surface's highest value, each coordinate in -size/2..size/2.
Offset Highest(const PhaseSurface& s) {
  const auto at =
      static_cast<int>(std::max_element(s.Values.begin(), s.Values.end()) - s.Values.begin());
  const int x = at % s.Width, y = at / s.Width;
  return {x > s.Width / 2 ? x - s.Width : x, y > s.Height / 2 ? y - s.Height : y};
}

TEST(PhaseSurface, AReusedSurfacePeaksAtTheCutShiftAsAFreshOneDoes) {
  const Bitmap scene = TexturedBitmap(400, 300, 7);
  PhaseSurface reused;
  // Larger, then smaller, then larger again: the kept storage must not leak
  // one size's values into another's.
  for (const auto& [side, shift] : {std::pair{256, Offset{9, -5}}, std::pair{96, Offset{-4, 3}},
                                    std::pair{200, Offset{13, 0}}}) {
    const Rect a{40, 40, 40 + side, 40 + side / 2};
    // Zone b at u shows what zone a shows at u + shift.
    const Rect b{a.Left + shift.X, a.Top + shift.Y, a.Right + shift.X, a.Bottom + shift.Y};
    CorrelatePhases(scene, a, scene, b, 1, reused);
    const PhaseSurface fresh = CorrelatePhases(scene, a, scene, b);
    EXPECT_EQ(Highest(reused), shift) << side;
    EXPECT_EQ(reused.Width, fresh.Width);
    EXPECT_EQ(reused.Values, fresh.Values) << side;
  }
}

}  // namespace
