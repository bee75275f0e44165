// Placement over all neighbours on fields cut at known places from a real
// photograph: a link made useless and links rounded along the chain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/stitchflow.h"
#include "support/heldoutset.h"

namespace {

struct Errors {
  double Chain = 0, Neighbours = 0;  // the largest place error, pixels
  size_t Unanchored = 0;
};

double Largest(const Panoram& pan, const PlacementSet& set) {
  double worst = 0;
  for (int i = 0; i < pan.Count(); ++i) {
    const double dx = pan.Place(i).Left - pan.Place(0).Left - set.Origins[i].X;
    const double dy = pan.Place(i).Top - pan.Place(0).Top - set.Origins[i].Y;
    worst = std::max({worst, std::abs(dx), std::abs(dy)});
  }
  return worst;
}

// Along the set's directions, or with directions found automatically.
Errors Place(const PlacementSet& set, SearchMethod method, bool alongDirections = true) {
  Panoram pan;
  pan.ApplySettings({30, 15, 0, {}, 5, 1, 3});
  pan.SetSearchMethod(method);
  for (size_t i = 0; i < set.Fields.size(); ++i) {
    pan.AddImage(set.Fields[i], i == 0 || !alongDirections ? kDirNone : set.Directions[i - 1],
                 "field");
  }
  EXPECT_TRUE(alongDirections ? StitchAlongDirections(pan, nullptr)
                              : StitchAutomatically(pan, nullptr));
  Errors e;
  e.Chain = Largest(pan, set);
  const AllNeighbourPlaces all = PlaceAllNeighbours(pan);
  e.Unanchored = all.Result.Unanchored.size();
  e.Neighbours = Largest(pan, set);
  return e;
}

// The template search alone misses links on fields this small (the
// held-out sets above show where); its figures are printed, not held to.
const SearchMethod kPlacementMethods[] = {SearchMethod::Template, SearchMethod::Phase,
                                          SearchMethod::TemplatePhase};

TEST(HeldOutPlacement, AFlatLinkLeavesEveryPlaceExactOverNeighbours) {
  ASSERT_TRUE(HeldOutPhotosPresent()) << HeldOutPhotoFolder();
  // The middle field: its link to the one before is flat, those above and below are not.
  const std::optional<PlacementSet> set = MakeFlatLinkSet(12);
  ASSERT_TRUE(set.has_value());
  for (SearchMethod method : kPlacementMethods) {
    const Errors e = Place(*set, method);
    std::printf("flat link, %s: chain %.1f px, neighbours %.1f px\n",
                SearchMethodKey(method).data(), e.Chain, e.Neighbours);
    if (method == SearchMethod::Template) continue;
    EXPECT_GT(e.Chain, 2.0) << SearchMethodKey(method);
    EXPECT_EQ(e.Neighbours, 0.0) << SearchMethodKey(method);
    EXPECT_EQ(e.Unanchored, 0u) << SearchMethodKey(method);
  }
}

// The chain's guess past a flat link can put a field where its neighbour
// above no longer overlaps it by a tenth (the middle of the fourth row),
// or, with directions found automatically, lead off the wrong way and take
// every later field with it (the middle of the second row). The fields are
// tried a typical chain step on from the field before, and found there.
TEST(HeldOutPlacement, FieldsPastAFlatLinkAreFoundATypicalStepOn) {
  ASSERT_TRUE(HeldOutPhotosPresent()) << HeldOutPhotoFolder();
  for (const auto& [flat, along] : {std::pair{16, true}, std::pair{7, false}}) {
    const std::optional<PlacementSet> set = MakeFlatLinkSet(flat);
    ASSERT_TRUE(set.has_value());
    for (SearchMethod method : {SearchMethod::Phase, SearchMethod::TemplatePhase}) {
      const Errors e = Place(*set, method, along);
      EXPECT_GT(e.Chain, 2.0) << flat << " " << SearchMethodKey(method);
      EXPECT_EQ(e.Neighbours, 0.0) << flat << " " << SearchMethodKey(method);
      EXPECT_EQ(e.Unanchored, 0u) << flat << " " << SearchMethodKey(method);
    }
  }
}

TEST(HeldOutPlacement, RoundedLinksAreSharedOverNeighboursNotAddedUp) {
  ASSERT_TRUE(HeldOutPhotosPresent()) << HeldOutPhotoFolder();
  const std::optional<PlacementSet> set = MakeFractionalSet();
  ASSERT_TRUE(set.has_value());
  for (SearchMethod method : kPlacementMethods) {
    const Errors e = Place(*set, method);
    std::printf("fractional, %s: chain %.2f px, neighbours %.2f px\n",
                SearchMethodKey(method).data(), e.Chain, e.Neighbours);
    if (method == SearchMethod::Template) continue;
    // Rounded links add up along the chain; over all neighbours, from
    // links measured between pixels, no place is more than a pixel off.
    EXPECT_GT(e.Chain, 1.0) << SearchMethodKey(method);
    EXPECT_LE(e.Neighbours, 1.0) << SearchMethodKey(method);
    EXPECT_EQ(e.Unanchored, 0u) << SearchMethodKey(method);
  }
}

// On grain that runs one way the template search puts some chain links far
// off. Over all neighbours each pair is searched by the template near where
// the confidence peaks, and those links outvote the chain's wrong ones.
TEST(HeldOutPlacement, OneWayGrainThatMisleadsTheTemplateChainIsPlacedOverNeighbours) {
  ASSERT_TRUE(HeldOutPhotosPresent()) << HeldOutPhotoFolder();
  for (const HeldOutKind kind : {HeldOutKind::PaleWood, HeldOutKind::LeafVeins}) {
    std::optional<HeldOutSet> held = MakeHeldOutSet(kind);
    ASSERT_TRUE(held.has_value());
    const std::string name = held->Name;
    const Errors e = Place(AsPlacementSet(std::move(*held)), SearchMethod::Template);
    EXPECT_GT(e.Chain, 2.0) << name;
    EXPECT_EQ(e.Neighbours, 0.0) << name;
    EXPECT_EQ(e.Unanchored, 0u) << name;
  }
}

}  // namespace
