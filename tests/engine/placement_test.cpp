// Placement rules against known places: a 3 x 3 grid of fields 100 x 80 at
// 90 px columns and 70 px rows, linked along a snake and across its turns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/placement/placement.h"

namespace {

Rect TruthPlace(int i) {
  const int row = i / 3;
  const int column = row % 2 == 0 ? i % 3 : 2 - i % 3;  // snake order
  return {column * 90, row * 70, column * 90 + 100, row * 70 + 80};
}

ImageLink Exact(int from, int to, double score = 1.0) {
  return {from, to, TruthPlace(to).Left - TruthPlace(from).Left,
          TruthPlace(to).Top - TruthPlace(from).Top, score};
}

std::vector<Rect> AtOrigin() { return std::vector<Rect>(9, Rect{0, 0, 100, 80}); }

// The chain rule sees only the snake's own links, the first eight.
Placement Chain(const std::vector<ImageLink>& links) {
  return PlaceAlongChain(AtOrigin(), {links.begin(), links.begin() + 8});
}

// The snake's links, and the links between fields one above the other.
std::vector<ImageLink> GridLinks() {
  std::vector<ImageLink> links;
  for (int i = 1; i < 9; ++i) links.push_back(Exact(i - 1, i));
  for (auto [a, b] : {std::pair{0, 5}, {1, 4}, {2, 3}, {3, 8}, {4, 7}, {5, 6}})
    links.push_back(Exact(a, b, 0.9));
  return links;
}

TEST(PlaceOverNeighbours, AWrongChainLinkIsDroppedAndEveryPlaceIsExact) {
  std::vector<ImageLink> links = GridLinks();
  links[4].DX += 31;  // the link from field 4 to field 5 points 31 px off
  links[4].DY -= 5;
  const Placement chain = Chain(links);
  EXPECT_EQ(chain.Places[8].Left, TruthPlace(8).Left + 31);
  const Placement all = PlaceOverNeighbours(AtOrigin(), links);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(all.Places[i], TruthPlace(i)) << "field " << i;
  for (size_t k = 0; k < links.size(); ++k) EXPECT_EQ(all.Fits[k].Used, k != 4) << "link " << k;
  EXPECT_NEAR(all.Fits[4].Residual, std::hypot(31.0, 5.0), 1e-9);
  EXPECT_TRUE(all.Unanchored.empty());
}

TEST(PlaceOverNeighbours, SmallErrorsAreSharedNotAddedUp) {
  // Every snake link a pixel short: the chain ends 8 px off, the fit with
  // the exact crossing links stays within two.
  std::vector<ImageLink> links = GridLinks();
  for (int k = 0; k < 8; ++k) links[k].DX -= 1;
  const Placement chain = Chain(links);
  const Placement all = PlaceOverNeighbours(AtOrigin(), links);
  int chainWorst = 0, allWorst = 0;
  for (int i = 0; i < 9; ++i) {
    chainWorst = std::max(chainWorst, std::abs(chain.Places[i].Left - TruthPlace(i).Left));
    allWorst = std::max(allWorst, std::abs(all.Places[i].Left - TruthPlace(i).Left));
  }
  EXPECT_EQ(chainWorst, 8);
  EXPECT_LE(allWorst, 2);
}

TEST(PlaceOverNeighbours, AFieldOnlyWeakLinksReachKeepsItsPlaceAndIsNamed) {
  std::vector<ImageLink> links = GridLinks();
  std::vector<Rect> before = AtOrigin();
  before[8] = {500, 400, 600, 480};
  for (ImageLink& l : links) {
    if (l.From == 8 || l.To == 8) l.Score = 0.3;
  }
  const Placement all = PlaceOverNeighbours(before, links);
  EXPECT_EQ(all.Places[8], before[8]);
  EXPECT_EQ(all.Unanchored, std::vector<int>{8});
  for (int i = 0; i < 8; ++i) EXPECT_EQ(all.Places[i], TruthPlace(i));
  EXPECT_FALSE(all.Fits[7].Used);
}

TEST(PlaceOverNeighbours, OfTwoLinksThatDisagreeTheLessConfidentIsDroppedNotSplit) {
  // Field 8, a corner, hangs on links 7-8 and 3-8 only; 3-8 points 3 px off.
  // A fit over both would leave each 1.5 px off and the field between them.
  std::vector<ImageLink> links = GridLinks();
  links[11].DY += 3;
  const Placement all = PlaceOverNeighbours(AtOrigin(), links);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(all.Places[i], TruthPlace(i)) << "field " << i;
  for (size_t k = 0; k < links.size(); ++k) EXPECT_EQ(all.Fits[k].Used, k != 11) << "link " << k;
}

}  // namespace
