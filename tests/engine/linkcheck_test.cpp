// Which chain links are told as unset or weak, before and after a placement
// over all neighbours placed their images from other links.
#include <gtest/gtest.h>

#include "engine/linkcheck.h"
#include "engine/panoram.h"
#include "engine/placement/placement.h"
#include "support/testimages.h"

namespace {

// Five images in a row: link 0 confident, link 1 weak, link 2 unset, link 3
// weak.
class ChainOfFive : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i)
      pan_.AddImage(FlatBitmap(60, 40, 90, 90, 90), i == 0 ? kDirNone : kDirRight, "f");
    pan_.SetFoundLink(0, {50, 20}, {10, 20}, 0.95);
    pan_.SetFoundLink(1, {50, 20}, {10, 20}, 0.2);
    pan_.SetFoundLink(3, {50, 20}, {10, 20}, 0.1);
  }
  Panoram pan_;
};

TEST_F(ChainOfFive, OnlyLinksWhoseImagesNeighboursPlacedAreMadeGood) {
  const UnsetLinks chain = FindUnsetLinks(pan_);
  EXPECT_EQ(chain.Links, std::vector<int>{2});
  EXPECT_EQ(chain.Weak, (std::vector<int>{1, 3}));
  EXPECT_TRUE(chain.MadeGood.empty());
  // Image 4 was reached by no confident link: link 3 still placed it.
  Placement placed;
  placed.Unanchored = {4};
  const UnsetLinks over = FindUnsetLinks(pan_, &placed);
  EXPECT_TRUE(over.Links.empty());
  EXPECT_EQ(over.Weak, std::vector<int>{3});
  EXPECT_EQ(over.MadeGood, (std::vector<int>{1, 2}));
  // An unset link left as it was still says why the search failed.
  placed.Unanchored = {3};
  const UnsetLinks apart = FindUnsetLinks(pan_, &placed);
  EXPECT_EQ(apart.Links, std::vector<int>{2});
  EXPECT_EQ(apart.Weak, std::vector<int>{3});
  EXPECT_EQ(apart.MadeGood, std::vector<int>{1});
}

}  // namespace
