// The search methods on fields cut at known places from real photographs and
// degraded as a camera would, along the true directions and with directions
// found: phase correlation and the fallback find every offset exactly, no
// wrong link goes untold, and few right links are told as weak.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/panoram.h"
#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkscore.h"
#include "support/heldoutset.h"

namespace {

struct Outcome {
  int Exact = 0, Near = 0, Off = 0, Unset = 0;
  int WrongNotWeak = 0;  // a wrong link the user would not be told of
  int RightWeak = 0;     // an exact link told as weak
  void Add(const Outcome& o) {
    Exact += o.Exact, Near += o.Near, Off += o.Off, Unset += o.Unset;
    WrongNotWeak += o.WrongNotWeak, RightWeak += o.RightWeak;
  }
};

Outcome Stitch(const HeldOutSet& set, SearchMethod method, bool automatic) {
  Panoram pan;
  pan.ApplySettings({30, 15, 0, {}, 5, 1, 3});
  pan.SetSearchMethod(method);
  for (size_t i = 0; i < set.Fields.size(); ++i) {
    const int direction = i == 0 || automatic ? kDirNone : set.Directions[i - 1];
    pan.AddImage(set.Fields[i], direction, "field");
  }
  EXPECT_TRUE(automatic ? pan.AutoSearchLinks(nullptr) : pan.SearchLinks(nullptr));
  Outcome o;
  for (size_t i = 0; i < set.Truth.size(); ++i) {
    const int link = static_cast<int>(i);
    const Offset found = OffsetOfLink(pan.GetLinkOut(link), pan.GetLinkIn(link + 1));
    const LinkOutcome outcome = CompareWithTruth(pan.LinkDefined(link), found, set.Truth[i]);
    o.Exact += outcome == LinkOutcome::Exact;
    o.Near += outcome == LinkOutcome::Near;
    o.Off += outcome == LinkOutcome::Off;
    o.Unset += outcome == LinkOutcome::Unset;
    if (outcome == LinkOutcome::Exact) o.RightWeak += pan.LinkWeak(link);
    if (outcome == LinkOutcome::Off) o.WrongNotWeak += !pan.LinkWeak(link);
  }
  return o;
}

// Every kind, made once for the tests here.
const std::vector<HeldOutSet>& Sets() {
  static const std::vector<HeldOutSet> sets = [] {
    std::vector<HeldOutSet> made;
    for (HeldOutKind kind : HeldOutKinds()) {
      if (std::optional<HeldOutSet> set = MakeHeldOutSet(kind)) made.push_back(std::move(*set));
    }
    return made;
  }();
  return sets;
}

constexpr SearchMethod kMethods[] = {SearchMethod::Template, SearchMethod::Phase,
                                     SearchMethod::TemplatePhase};

TEST(HeldOut, PhaseFindsEveryOffsetAndTheConfidenceTellsRightFromWrong) {
  ASSERT_TRUE(HeldOutPhotosPresent()) << "the photographs of mate-backgrounds are missing from "
                                      << HeldOutPhotoFolder() << ": run scripts/setup.sh";
  Outcome perMethod[std::size(kMethods)];
  std::printf("%-20s %-15s %-5s %5s %5s %5s %5s %5s %12s %10s\n", "kind", "method", "mode", "pairs",
              "exact", "<=2px", ">2px", "unset", "wrong, told", "right weak");
  ASSERT_EQ(Sets().size(), HeldOutKinds().size());
  for (const HeldOutSet& held : Sets()) {
    const HeldOutSet* set = &held;
    ASSERT_EQ(set->Truth.size() + 1, set->Fields.size());
    const int pairs = static_cast<int>(set->Truth.size());
    for (size_t m = 0; m < std::size(kMethods); ++m) {
      const SearchMethod method = kMethods[m];
      for (bool automatic : {false, true}) {
        const Outcome o = Stitch(*set, method, automatic);
        std::printf("%-20s %-15s %-5s %5d %5d %5d %5d %5d %5d of %-5d %4d of %-4d\n",
                    set->Name.c_str(), std::string(SearchMethodKey(method)).c_str(),
                    automatic ? "auto" : "table", pairs, o.Exact, o.Near, o.Off, o.Unset,
                    o.Off - o.WrongNotWeak, o.Off, o.RightWeak, o.Exact);
        perMethod[m].Add(o);
        if (method != SearchMethod::Template) {
          EXPECT_EQ(o.Exact, pairs)
              << set->Name << ", " << SearchMethodKey(method) << (automatic ? ", auto" : ", table");
        } else if (!automatic) {
          // Each kind is one the template search alone gets wrong somewhere.
          EXPECT_LT(o.Exact, pairs) << set->Name;
        }
        EXPECT_EQ(o.WrongNotWeak, 0) << set->Name << ", " << SearchMethodKey(method);
      }
    }
  }
  for (size_t m = 0; m < std::size(kMethods); ++m) {
    EXPECT_LE(perMethod[m].RightWeak * 20, perMethod[m].Exact) << SearchMethodKey(kMethods[m]);
  }
}

// Just past "within 2 px" a link is wrong: every held-out pair laid three
// pixels off the truth, either way along either axis or along both, is weak.
TEST(HeldOut, ALinkThreePixelsOffIsWeak) {
  ASSERT_TRUE(HeldOutPhotosPresent());
  ASSERT_EQ(Sets().size(), HeldOutKinds().size());
  for (const HeldOutSet& held : Sets()) {
    const HeldOutSet* set = &held;
    int told = 0, laid = 0;
    for (size_t i = 0; i < set->Truth.size(); ++i) {
      const Offset t = set->Truth[i];
      for (const Offset d :
           {Offset{3, 0}, Offset{-3, 0}, Offset{0, 3}, Offset{0, -3}, Offset{3, 3}}) {
        const double score =
            LinkConfidence(set->Fields[i], set->Fields[i + 1], {t.X + d.X, t.Y + d.Y});
        told += score < kWeakLinkScore;
        ++laid;
      }
    }
    // The small fields' overlaps are a few dozen pixels across: at most 1 in 10 there.
    EXPECT_GE(told * 10, laid * 9) << set->Name << ": " << told << " of " << laid;
    if (set->Kind != HeldOutKind::SmallFields) {
      EXPECT_EQ(told, laid) << set->Name;
    }
  }
}

// The confidence mostly stops at the middle of a link's evidence; it then
// says what reading the whole of it says, right links and wrong ones alike.
TEST(HeldOut, TheMiddleOfTheEvidenceDecidesAsTheWholeDoes) {
  ASSERT_TRUE(HeldOutPhotosPresent());
  ASSERT_EQ(Sets().size(), HeldOutKinds().size());
  int right = 0, laid = 0;
  for (const HeldOutSet& set : Sets()) {
    for (size_t i = 0; i < set.Truth.size(); ++i) {
      const Offset t = set.Truth[i];
      for (const Offset d : {Offset{0, 0}, Offset{1, 0}, Offset{0, -2}, Offset{3, 0}, Offset{0, 4},
                             Offset{-9, 0}, Offset{0, 17}, Offset{25, -25}}) {
        const Offset o{t.X + d.X, t.Y + d.Y};
        const double score = LinkConfidence(set.Fields[i], set.Fields[i + 1], o);
        EXPECT_EQ(score, WholePatchConfidence(set.Fields[i], set.Fields[i + 1], o))
            << set.Name << ", pair " << i << ", " << d.X << "," << d.Y << " off";
        right += score >= kWeakLinkScore;
        ++laid;
      }
    }
  }
  // Both verdicts were reached: most links laid off the truth are wrong.
  EXPECT_GT(right, laid / 8);
  EXPECT_LT(right, laid / 2);
}

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
