// Phase correlation and the search methods: offsets known from cutting one
// scene, where the template search cannot work, and the scores every method
// leaves on the links.
#include <gtest/gtest.h>

#include <vector>

#include "engine/panoram.h"
#include "engine/progress.h"
#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkscore.h"
#include "engine/registration/phase/phasecorrelation.h"
#include "support/testimages.h"

namespace {

struct Pair {
  Bitmap A, B;
  Offset Truth;  // B's origin in A's pixels
};

// Two w x h views of one scene, the second at offset truth from the first.
Pair Cut(int w, int h, Offset truth, uint32_t seed) {
  const int ox = std::max(0, -truth.X), oy = std::max(0, -truth.Y);
  const Bitmap scene = TexturedBitmap(w + std::abs(truth.X), h + std::abs(truth.Y), seed);
  return {CropBitmap(scene, ox, oy, w, h), CropBitmap(scene, ox + truth.X, oy + truth.Y, w, h),
          truth};
}

Offset Found(const PairMatch& m) { return OffsetOfLink(m.Out, m.In); }

struct Case {
  int Direction;
  Offset Truth;
};

class PhaseMatch : public ::testing::TestWithParam<Case> {};

TEST_P(PhaseMatch, RecoversTheOffsetAlongEachDirection) {
  const Case c = GetParam();
  const Pair p = Cut(320, 240, c.Truth, 21u + c.Direction);
  const PairMatch m = PhaseMatchPair(p.A, p.B, c.Direction, 30, 30);
  ASSERT_TRUE(m.Found());
  EXPECT_EQ(Found(m), p.Truth);
  EXPECT_DOUBLE_EQ(m.Score, 1.0);
  EXPECT_NE(m.Out, Point{});
  EXPECT_NE(m.In, Point{});
}

INSTANTIATE_TEST_SUITE_P(Directions, PhaseMatch,
                         ::testing::Values(Case{kDirRight, {250, 7}}, Case{kDirBelow, {-5, 190}},
                                           Case{kDirLeft, {-262, -3}}, Case{kDirAbove, {9, -200}}));

TEST(PhaseMatch, UnrelatedImagesGiveAWeakLinkOrNone) {
  const Bitmap a = TexturedBitmap(320, 240, 1);
  const Bitmap b = TexturedBitmap(320, 240, 2);
  EXPECT_LT(PhaseMatchPair(a, b, kDirRight, 30, 30).Score, kWeakLinkScore);
}

TEST(PhaseMatch, EmptyZonesFindNothing) {
  const Pair p = Cut(320, 240, {250, 0}, 4);
  EXPECT_FALSE(PhaseMatchPair(p.A, p.B, kDirRight, 0, 0).Found());
  EXPECT_FALSE(PhaseMatchPair(p.A, p.B, kDirRight, 2, 2).Found());
}

// A chain of small fields, where the default template window does not fit
// the shrunk source zone.
std::vector<Bitmap> SmallFields(std::vector<Offset>& corners) {
  corners = {{0, 0}, {150, 4}, {147, 115}, {-2, 112}};
  const Bitmap scene = TexturedBitmap(360, 280, 8);
  std::vector<Bitmap> fields;
  for (const Offset& c : corners) fields.push_back(CropBitmap(scene, c.X + 5, c.Y, 200, 150));
  return fields;
}

void Load(Panoram& pan, const std::vector<Bitmap>& fields, const std::vector<int>& directions,
          SearchMethod method) {
  pan.ApplySettings({30, 15, 0, {}, 5, 1, 3});
  pan.SetSearchMethod(method);
  for (size_t i = 0; i < fields.size(); ++i)
    pan.AddImage(fields[i], i == 0 ? kDirNone : directions[i - 1], "field");
}

TEST(SearchMethods, TemplateLeavesSmallFieldsUnsetTheOthersFindThem) {
  std::vector<Offset> corners;
  const std::vector<Bitmap> fields = SmallFields(corners);
  const std::vector<int> directions{kDirRight, kDirBelow, kDirLeft};
  for (bool automatic : {false, true}) {
    Panoram templ;
    Load(templ, fields, automatic ? std::vector<int>{0, 0, 0} : directions, SearchMethod::Template);
    automatic ? templ.AutoSearchLinks(nullptr) : templ.SearchLinks(nullptr);
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(templ.LinkDefined(i));
      EXPECT_EQ(templ.LinkScore(i), 0);
    }
    for (SearchMethod method : {SearchMethod::Phase, SearchMethod::TemplatePhase}) {
      Panoram pan;
      Load(pan, fields, automatic ? std::vector<int>{0, 0, 0} : directions, method);
      automatic ? pan.AutoSearchLinks(nullptr) : pan.SearchLinks(nullptr);
      for (int i = 0; i < 3; ++i) {
        const Offset want{corners[i + 1].X - corners[i].X, corners[i + 1].Y - corners[i].Y};
        EXPECT_EQ(OffsetOfLink(pan.GetLinkOut(i), pan.GetLinkIn(i + 1)), want) << i;
        EXPECT_EQ(pan.Direction(i + 1), directions[i]) << i;
        EXPECT_DOUBLE_EQ(pan.LinkScore(i), 1.0) << i;
        EXPECT_FALSE(pan.LinkWeak(i));
      }
    }
  }
}

class Recorder : public ProgressIndicator {
 public:
  void SetPosition(int percent) override { Values.push_back(percent); }
  std::vector<int> Values;
};

// Directions after one whose link scores the most a link can are not
// searched, but the progress still counts them.
TEST(SearchMethods, AFullScoreEndsTheDirectionsButNotTheProgress) {
  const Pair p = Cut(320, 240, {0, 170}, 14);
  for (SearchMethod method : {SearchMethod::Phase, SearchMethod::TemplatePhase}) {
    Panoram pan;
    Load(pan, {p.A, p.B}, {kDirNone}, method);
    Recorder r;
    pan.AutoSearchLinks(&r);
    EXPECT_EQ(r.Values, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(OffsetOfLink(pan.GetLinkOut(0), pan.GetLinkIn(1)), p.Truth);
    EXPECT_EQ(pan.Direction(1), kDirBelow);
    EXPECT_DOUBLE_EQ(pan.LinkScore(0), 1.0);
  }
}

TEST(SearchMethods, TemplateLinksAreGivenTheirConfidence) {
  const Bitmap scene = TexturedBitmap(600, 300, 12);
  Panoram pan;
  pan.ApplySettings({30, 8, 0, {}, 5, 1, 3});
  pan.AddImage(CropBitmap(scene, 0, 0, 320, 240), kDirNone, "a");
  pan.AddImage(CropBitmap(scene, 240, 30, 320, 240), kDirRight, "b");
  pan.SearchLinks(nullptr);
  ASSERT_TRUE(pan.LinkDefined(0));
  EXPECT_EQ(OffsetOfLink(pan.GetLinkOut(0), pan.GetLinkIn(1)), (Offset{240, 30}));
  EXPECT_DOUBLE_EQ(pan.LinkScore(0), 1.0);
  // A point moved by hand: scored again on request, and unset scores 0.
  pan.SetLinkIn(1, pan.GetLinkIn(1).X + 25, pan.GetLinkIn(1).Y);
  pan.UpdateLinkScore(0);
  EXPECT_TRUE(pan.LinkWeak(0));
  EXPECT_EQ(pan.LinkScore(0), LinkConfidence(pan.ImageBitmap(0), pan.ImageBitmap(1), {215, 30}));
  pan.SetLinkOut(0, 0, 0);
  pan.UpdateLinkScore(0);
  EXPECT_EQ(pan.LinkScore(0), 0);
  EXPECT_FALSE(pan.LinkWeak(0));
}

}  // namespace
