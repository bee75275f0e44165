// The weigher of one pair's links against weighing each link afresh.
#include <gtest/gtest.h>

#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkweigher.h"
#include "support/testimages.h"

namespace {

TEST(LinkWeigher, EachOffsetGivesItsOwnEvidenceHoweverOftenAsked) {
  const Bitmap scene = TexturedBitmap(500, 300, 9);
  const Bitmap a = CropBitmap(scene, 0, 0, 300, 300);
  const Bitmap b = CropBitmap(scene, 180, 0, 300, 300);
  LinkWeigher weigher(a, b);
  const Offset offsets[] = {{180, 0}, {182, -1}, {120, 40}, {180, 0}, {182, -1}};
  for (int round = 0; round < 2; ++round) {
    for (const Offset o : offsets) {
      const LinkEvidence fresh = WeighLink(a, b, o);
      const LinkEvidence kept = weigher.Weigh(o);
      EXPECT_EQ(kept.Score, fresh.Score) << o.X << "," << o.Y;
      EXPECT_EQ(kept.Peak, fresh.Peak) << o.X << "," << o.Y;
    }
  }
  EXPECT_EQ(weigher.Confidence({180, 0}), 1.0);
  EXPECT_LT(weigher.Confidence({120, 40}), kWeakLinkScore);
}

// An offset whose score alone was asked first still gives its whole evidence,
// the peak nearby included, when weighed.
TEST(LinkWeigher, AScoreAskedFirstLeavesThePeakToBeFound) {
  const Bitmap scene = TexturedBitmap(500, 300, 9);
  const Bitmap a = CropBitmap(scene, 0, 0, 300, 300);
  const Bitmap b = CropBitmap(scene, 180, 0, 300, 300);
  LinkWeigher weigher(a, b);
  const Offset off{181, -1};
  EXPECT_EQ(weigher.Confidence(off), LinkConfidence(a, b, off));
  const LinkEvidence e = weigher.Weigh(off);
  EXPECT_EQ(e.Peak, (Offset{180, 0}));
  EXPECT_EQ(e.Score, WeighLink(a, b, off).Score);
}

// Where another shift beats an offset, the read that skips the peak near by
// still tells the score and that shift; elsewhere it is the whole evidence,
// and a later whole weighing finds the peak it skipped.
TEST(LinkWeigher, AnOffsetBeatenGivesItsOtherShiftWithoutItsPeak) {
  const Bitmap scene = TexturedBitmap(500, 320, 7);
  const Bitmap a = CropBitmap(scene, 0, 10, 300, 300);
  const Bitmap b = CropBitmap(scene, 180, 0, 300, 300);  // at (180, -10) in a's pixels
  LinkWeigher weigher(a, b);
  for (const Offset off : {Offset{192, -4}, Offset{181, -11}, Offset{180, -10}}) {
    const LinkEvidence whole = WeighLink(a, b, off);
    const LinkEvidence e = weigher.WeighUnlessBeaten(off);
    EXPECT_EQ(e.Score, whole.Score) << off.X << "," << off.Y;
    EXPECT_EQ(e.Other, whole.Other) << off.X << "," << off.Y;
    EXPECT_EQ(e.Peak, whole.Score > 0 ? whole.Peak : off) << off.X << "," << off.Y;
    EXPECT_EQ(weigher.Weigh(off).Peak, whole.Peak) << off.X << "," << off.Y;
  }
}

}  // namespace
