// The search methods on fields cut at known places from real photographs and
// degraded as a camera would: the fallback finds every offset exactly, and
// whatever the template search gets wrong is told as weak or unset.
#include <gtest/gtest.h>

#include "engine/panoram.h"
#include "engine/registration/linkscore.h"
#include "support/heldoutset.h"

namespace {

struct Outcome {
  int Exact = 0, Near = 0, Off = 0, Unset = 0;
  int OffButNotWeak = 0;  // a wrong link the user would not be told of
};

Outcome Stitch(const HeldOutSet& set, SearchMethod method) {
  Panoram pan;
  pan.ApplySettings({30, 15, 0, {}, 5, 1, 3});
  pan.SetSearchMethod(method);
  for (size_t i = 0; i < set.Fields.size(); ++i)
    pan.AddImage(set.Fields[i], i == 0 ? kDirNone : set.Directions[i - 1], "field");
  EXPECT_TRUE(pan.SearchLinks(nullptr));
  Outcome o;
  for (size_t i = 0; i < set.Truth.size(); ++i) {
    const int link = static_cast<int>(i);
    const Offset found = OffsetOfLink(pan.GetLinkOut(link), pan.GetLinkIn(link + 1));
    switch (CompareWithTruth(pan.LinkDefined(link), found, set.Truth[i])) {
      case LinkOutcome::Exact: ++o.Exact; break;
      case LinkOutcome::Near: ++o.Near; break;
      case LinkOutcome::Off:
        ++o.Off;
        o.OffButNotWeak += !pan.LinkWeak(link);
        break;
      case LinkOutcome::Unset: ++o.Unset; break;
    }
  }
  return o;
}

class HeldOut : public ::testing::TestWithParam<HeldOutKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HeldOutPhotosPresent()) << "the photographs of mate-backgrounds are missing from "
                                        << HeldOutPhotoFolder() << ": run scripts/setup.sh";
  }
};

TEST_P(HeldOut, FallbackAndPhaseFindEveryOffsetAndTemplateErrorsAreTold) {
  const std::optional<HeldOutSet> set = MakeHeldOutSet(GetParam());
  ASSERT_TRUE(set.has_value());
  ASSERT_EQ(set->Truth.size() + 1, set->Fields.size());
  for (SearchMethod method : {SearchMethod::TemplatePhase, SearchMethod::Phase}) {
    const Outcome o = Stitch(*set, method);
    EXPECT_EQ(o.Exact, static_cast<int>(set->Truth.size()))
        << set->Name << ", " << SearchMethodKey(method) << ": " << o.Near << " near, " << o.Off
        << " off, " << o.Unset << " unset";
  }
  const Outcome templ = Stitch(*set, SearchMethod::Template);
  EXPECT_EQ(templ.OffButNotWeak, 0) << set->Name;
  // Each kind is one the template search alone gets wrong somewhere.
  EXPECT_LT(templ.Exact, static_cast<int>(set->Truth.size())) << set->Name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, HeldOut, ::testing::ValuesIn(HeldOutKinds()),
                         [](const ::testing::TestParamInfo<HeldOutKind>& kind) {
                           switch (kind.param) {
                             case HeldOutKind::SmallFields: return std::string("SmallFields");
                             case HeldOutKind::PaleWood: return std::string("PaleWood");
                             case HeldOutKind::BigBlurred: return std::string("BigBlurred");
                             case HeldOutKind::Fluorescence: return std::string("Fluorescence");
                           }
                           return std::string("Unknown");
                         });

TEST(HeldOutSet, TruthIsWhereTheFieldsWereCut) {
  ASSERT_TRUE(HeldOutPhotosPresent());
  const std::optional<HeldOutSet> set = MakeHeldOutSet(HeldOutKind::SmallFields);
  ASSERT_TRUE(set.has_value());
  // Neighbours in the snake: right, right, below, left, left, below, right, right.
  EXPECT_EQ(set->Directions, (std::vector<int>{1, 1, 2, 3, 3, 2, 1, 1}));
  for (size_t i = 0; i < set->Truth.size(); ++i) {
    EXPECT_GT(OverlapScore(set->Fields[i], set->Fields[i + 1], set->Truth[i]), kWeakLinkScore) << i;
  }
  EXPECT_EQ(CompareWithTruth(true, {10, 5}, {10, 5}), LinkOutcome::Exact);
  EXPECT_EQ(CompareWithTruth(true, {12, 3}, {10, 5}), LinkOutcome::Near);
  EXPECT_EQ(CompareWithTruth(true, {13, 5}, {10, 5}), LinkOutcome::Off);
  EXPECT_EQ(CompareWithTruth(false, {10, 5}, {10, 5}), LinkOutcome::Unset);
}

}  // namespace
