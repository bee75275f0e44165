// The pairs of a placement over all neighbours, on a 3 x 3 snake of fields
// cut from one texture at known, slightly uneven places and laid out in the
// montage table as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "engine/neighbourpairs.h"
#include "engine/stitchflow.h"
#include "support/testimages.h"

namespace {

constexpr int kColumns[] = {0, 1, 2, 2, 1, 0, 0, 1, 2};  // snake order
constexpr int kRows[] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
constexpr int kJitterX[] = {0, 2, -3, 1, -2, 3, 0, -1, 2};
constexpr int kJitterY[] = {0, -1, 2, 3, -2, 1, -3, 2, 0};

Offset Truth(int i) {
  return {kColumns[i] * 240 + kJitterX[i] + 10, kRows[i] * 180 + kJitterY[i] + 10};
}

class TableNeighbours : public ::testing::Test {
 protected:
  void SetUp() override {
    const Bitmap scene = TexturedBitmap(2 * 240 + 340, 2 * 180 + 260, 7);
    pan_.ApplySettings({30, 8, 0, {}, 5, 1, 2});
    for (int i = 0; i < 9; ++i) {
      pan_.AddImage(CropBitmap(scene, Truth(i).X, Truth(i).Y, 320, 240), kDirNone, "field");
      table_.At(kColumns[i] + 40, kRows[i] + 40) = i;
    }
    pan_.TableToChain(table_);
    ASSERT_TRUE(StitchAlongDirections(pan_, nullptr));
    ASSERT_TRUE(pan_.AllLinksDefined());
  }

  // Place i against its truth, both seen from image 0.
  void ExpectExact() const {
    for (int i = 0; i < 9; ++i) {
      EXPECT_EQ(pan_.Place(i).Left - pan_.Place(0).Left, Truth(i).X - Truth(0).X) << i;
      EXPECT_EQ(pan_.Place(i).Top - pan_.Place(0).Top, Truth(i).Y - Truth(0).Y) << i;
    }
  }

  Panoram pan_;
  MontageTable table_;
};

TEST_F(TableNeighbours, NeighbouringCellsOffTheChainArePairedNearTheirTrueOffset) {
  std::set<std::pair<int, int>> found;
  for (const NeighbourPair& p : TablePairs(pan_, table_)) {
    found.insert({p.From, p.To});
    const Offset truth{Truth(p.To).X - Truth(p.From).X, Truth(p.To).Y - Truth(p.From).Y};
    // A lattice step is one chain link's; each corner is at most 3 px off it.
    EXPECT_LE(std::abs(p.Around.X - truth.X), 12) << p.From << "-" << p.To;
    EXPECT_LE(std::abs(p.Around.Y - truth.Y), 12) << p.From << "-" << p.To;
  }
  EXPECT_EQ(found, (std::set<std::pair<int, int>>{{0, 5}, {1, 4}, {3, 8}, {4, 7}}));
}

// The middle row as a missing link's guess leaves it: far off, overlapping
// nothing it should. One chain step below image 2 (or a step right and one
// below image 1) it meets its neighbours again above and below, on either
// side of it in the chain.
TEST_F(TableNeighbours, AGroupFarOffIsPairedAgainATypicalChainStepOn) {
  std::vector<Rect> places = pan_.Places();
  const std::vector<int> moved{3, 4, 5}, anchored{0, 1, 2, 6, 7, 8};
  for (const int i : moved) {
    Rect& r = places[static_cast<size_t>(i)];
    r = {r.Left + 700, r.Top - 500, r.Right + 700, r.Bottom - 500};
  }
  for (const int from : {2, 1}) {
    const std::vector<std::vector<NeighbourPair>> guesses =
        PairsIfTypicalSteps(pan_, places, from, 3, moved, anchored);
    ASSERT_GT(guesses.size(), 1u) << from;
    // The steps the chain's own directions take (down from 2; right, then
    // down from 1) are the first guess, and every pair of it is near its truth.
    std::set<std::pair<int, int>> near;
    for (const NeighbourPair& p : guesses[0]) {
      const Offset truth{Truth(p.To).X - Truth(p.From).X, Truth(p.To).Y - Truth(p.From).Y};
      // A typical step is the median of the chain's links that way, each within 6 px.
      EXPECT_LE(std::abs(p.Around.X - truth.X), 12) << from << ": " << p.From << "-" << p.To;
      EXPECT_LE(std::abs(p.Around.Y - truth.Y), 12) << from << ": " << p.From << "-" << p.To;
      near.insert({p.From, p.To});
    }
    EXPECT_EQ(near, (std::set<std::pair<int, int>>{{0, 5}, {1, 4}, {2, 3}, {3, 8}, {4, 7}, {5, 6}}))
        << from;
  }
}

TEST(PlacesOverlap, ATenthOfTheSmallerPlaceMakesNeighbours) {
  const Rect field{0, 0, 100, 100};
  EXPECT_TRUE(PlacesOverlap(field, {90, 0, 190, 100}));   // 10 x 100 of 100 x 100
  EXPECT_FALSE(PlacesOverlap(field, {91, 0, 191, 100}));  // 9 x 100
  EXPECT_TRUE(PlacesOverlap(field, {80, 50, 130, 70}));   // all of a 50 x 20 place
  EXPECT_FALSE(PlacesOverlap(field, {50, 50, 50, 50}));   // an empty place
}

TEST_F(TableNeighbours, APredictionFarBeyondTheRadiusIsStillCorrected) {
  const Offset truth{Truth(4).X - Truth(1).X, Truth(4).Y - Truth(1).Y};
  // 40 px off: outside the search radius (8), inside the zone's depth (96).
  const ImageLink l = LinkAround(pan_, {1, 4, {truth.X + 40, truth.Y - 25}});
  EXPECT_EQ(l.DX, truth.X);
  EXPECT_EQ(l.DY, truth.Y);
  EXPECT_GE(l.Score, kWeakLinkScore);
}

TEST_F(TableNeighbours, APredictionOffByMoreThanTheRadiusIsConfirmedWhereTheOverlapsAgree) {
  const Offset truth{Truth(4).X - Truth(1).X, Truth(4).Y - Truth(1).Y};
  const NeighbourPair off{1, 4, {truth.X - 21, truth.Y + 14}};
  pan_.SetSearchMethod(SearchMethod::Phase);
  const std::optional<ImageLink> l = LinkConfirmed(pan_, off);
  ASSERT_TRUE(l.has_value());
  EXPECT_EQ(l->DX, truth.X);
  EXPECT_EQ(l->DY, truth.Y);
  EXPECT_GE(l->Score, kWeakLinkScore);
  // The template search settles its own link, searched near that peak.
  pan_.SetSearchMethod(SearchMethod::Template);
  const std::optional<ImageLink> t = LinkConfirmed(pan_, off);
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(t->DX, truth.X);
  EXPECT_EQ(t->DY, truth.Y);
  // Far beyond the zone's depth (96) nothing is confirmed, and nothing searched wide.
  EXPECT_FALSE(LinkConfirmed(pan_, {1, 4, {truth.X - 150, truth.Y}}).has_value());
}

// Lost links stack every image on the one before it: every pair overlaps,
// none is more a neighbour than another, and none is searched.
TEST_F(TableNeighbours, WithoutOneConfidentLinkNoPairIsSearched) {
  for (int i = 0; i + 1 < 9; ++i) {
    pan_.SetLinkOut(i, 0, 0);
    pan_.SetLinkIn(i + 1, 0, 0);
    pan_.UpdateLinkScore(i);
  }
  pan_.ResetPlaces();
  pan_.PlaceChain();
  const std::vector<Rect> chain = pan_.Places();
  const AllNeighbourPlaces placed = PlaceAllNeighbours(pan_);
  EXPECT_EQ(placed.Links.size(), 8u);
  EXPECT_EQ(pan_.Places(), chain);
  EXPECT_EQ(placed.Result.Unanchored.size(), 8u);
}

TEST_F(TableNeighbours, AMissingChainLinkNoLongerStacksTheRestOverTheTable) {
  ExpectExact();
  // The link between images 4 and 5 lost: the chain stacks 5 onto 4.
  pan_.SetLinkOut(4, 0, 0);
  pan_.SetLinkIn(5, 0, 0);
  pan_.UpdateLinkScore(4);
  pan_.ResetPlaces();
  pan_.PlaceChain();
  ASSERT_EQ(pan_.Place(5).Left, pan_.Place(4).Left);
  const std::vector<Rect> chain = pan_.Places();
  // The chain, the default, leaves every place as it is.
  EXPECT_FALSE(PlaceAsChosen(pan_, &table_).has_value());
  EXPECT_EQ(pan_.Places(), chain);

  pan_.SetPlacementMethod(PlacementMethod::Neighbours);
  const std::optional<AllNeighbourPlaces> placed = PlaceAsChosen(pan_, &table_);
  ASSERT_TRUE(placed.has_value());
  ExpectExact();
  EXPECT_TRUE(placed->Result.Unanchored.empty());
  EXPECT_FALSE(placed->Result.Fits[4].Used);
  EXPECT_TRUE(DroppedLinks(*placed).empty());  // a lost link is weak, not dropped
}

}  // namespace
