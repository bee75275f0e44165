// One pair searched again: each method finds a pair cut from one scene at a
// known offset, a changed side is found and kept with the table following,
// and a result that is not kept, finds nothing or is stale changes nothing.
#include "engine/pairsearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/panoram.h"
#include "support/testimages.h"

namespace {

constexpr int kW = 300;
constexpr int kH = 240;

// Three images cut from one scene: the second 215 px right and 5 px down of
// the first, the third 6 px right and 170 px down of the second.
constexpr Point kCorners[] = {{0, 0}, {215, 5}, {221, 175}};

void Load(Panoram& pan, const std::vector<int>& directions) {
  const Bitmap scene = TexturedBitmap(kW + 221, kH + 175, 59);
  pan.ApplySettings({30, 8, 0, {}, 5, 1, 2});
  for (size_t i = 0; i < directions.size(); ++i) {
    pan.AddImage(CropBitmap(scene, kCorners[i].X, kCorners[i].Y, kW, kH), directions[i], "image");
  }
}

Offset TrueOffset(int link) {
  return {kCorners[link + 1].X - kCorners[link].X, kCorners[link + 1].Y - kCorners[link].Y};
}

// One link's fields as raw bytes: "unchanged" means to the bit.
std::string LinkBytes(const Panoram& pan, int link) {
  std::string bytes;
  const auto add = [&bytes](const auto& field) {
    bytes.append(reinterpret_cast<const char*>(&field), sizeof field);
  };
  add(pan.Image(link).LinkOut);
  add(pan.Image(link + 1).LinkIn);
  add(pan.Image(link + 1).Direction);
  add(pan.Image(link + 1).Score);
  return bytes;
}

class PairSearchMethod : public ::testing::TestWithParam<SearchMethod> {};

TEST_P(PairSearchMethod, FindsTheKnownOffsetAndKeepsIt) {
  Panoram pan;
  Load(pan, {kDirNone, kDirRight, kDirBelow});
  pan.SetLinkOut(0, 40, 40);  // a wrong link by hand
  pan.SetLinkIn(1, 40, 40);
  for (const int link : {1, 0}) {
    const PairSearch s = SearchPairAgain(pan, link, GetParam(), pan.Direction(link + 1));
    ASSERT_EQ(s.Kind, PairSearch::Found) << "link " << link;
    EXPECT_EQ(s.Result.At(), TrueOffset(link)) << "link " << link;
    EXPECT_GE(s.Result.Score, kWeakLinkScore) << "link " << link;
    EXPECT_EQ(s.Result.Direction, pan.Direction(link + 1));
    if (link == 1) continue;
    MontageTable table;
    const MontageTable before = table;
    const KeptPairSearch kept = KeepPairSearch(pan, table, s);
    EXPECT_TRUE(kept.Kept);
    EXPECT_FALSE(kept.TableRedrawn || kept.TableKept);  // same side: the table is not touched
    EXPECT_EQ(table.Cells, before.Cells);
    EXPECT_EQ(OffsetOfLink(pan.GetLinkOut(0), pan.GetLinkIn(1)), TrueOffset(0));
    EXPECT_EQ(pan.LinkScore(0), s.Result.Score);
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, PairSearchMethod,
                         ::testing::Values(SearchMethod::Template, SearchMethod::Phase,
                                           SearchMethod::TemplatePhase));

TEST(PairSearch, AChangedSideIsFoundAndTheTableFollows) {
  Panoram pan;
  Load(pan, {kDirNone, kDirBelow, kDirBelow});  // the second image really lies to the right
  MontageTable table;
  table.At(0, 0) = 0;
  table.At(0, 1) = 1;
  table.At(0, 2) = 2;
  const PairSearch s = SearchPairAgain(pan, 0, SearchMethod::Template, kDirRight);
  ASSERT_EQ(s.Kind, PairSearch::Found);
  EXPECT_EQ(s.Result.At(), TrueOffset(0));
  const KeptPairSearch kept = KeepPairSearch(pan, table, s);
  EXPECT_TRUE(kept.Kept);
  EXPECT_TRUE(kept.TableRedrawn);
  EXPECT_EQ(pan.Direction(1), kDirRight);
  EXPECT_EQ(table.At(0, 0), 0);
  EXPECT_EQ(table.At(1, 0), 1);
  EXPECT_EQ(table.At(1, 1), 2);
  EXPECT_EQ(table.At(0, 1), kCellBlocked);
}

TEST(PairSearch, EverySideFindsTheSideTheImageLiesOn) {
  Panoram pan;
  Load(pan, {kDirNone, kDirAbove});
  const PairSearch s = SearchPairAgain(pan, 0, SearchMethod::Phase, kDirNone);
  ASSERT_EQ(s.Kind, PairSearch::Found);
  EXPECT_EQ(s.AskedDirection, kDirNone);
  EXPECT_EQ(s.Result.Direction, kDirRight);
  EXPECT_EQ(s.Result.At(), TrueOffset(0));
}

TEST(PairSearch, AChainThatFoldsOntoItselfLeavesTheTable) {
  Panoram pan;
  Load(pan, {kDirNone, kDirRight, kDirBelow});
  MontageTable table;
  table.At(5, 5) = 0;
  table.At(6, 5) = 1;
  table.At(6, 6) = 2;
  const MontageTable before = table;
  PairSearch s = SearchPairAgain(pan, 1, SearchMethod::Template, kDirBelow);
  ASSERT_EQ(s.Kind, PairSearch::Found);
  // Right, then left again: the third image would take the first one's cell.
  s.Result.Direction = kDirLeft;
  const KeptPairSearch kept = KeepPairSearch(pan, table, s);
  EXPECT_TRUE(kept.Kept);
  EXPECT_TRUE(kept.TableKept);
  EXPECT_EQ(pan.Direction(2), kDirLeft);
  EXPECT_EQ(table.Cells, before.Cells);
}

TEST(PairSearch, AResultNotKeptLeavesTheLinkAsItWas) {
  Panoram pan;
  Load(pan, {kDirNone, kDirRight, kDirBelow});
  pan.SetLinkOut(0, 40, 41);
  pan.SetLinkIn(1, 42, 43);
  pan.UpdateLinkScore(0);
  const std::string before = LinkBytes(pan, 0);
  const PairSearch s = SearchPairAgain(pan, 0, SearchMethod::TemplatePhase, kDirBelow);
  EXPECT_EQ(LinkBytes(pan, 0), before);
  EXPECT_EQ(s.Before, LinkStateOf(pan, 0));
}

TEST(PairSearch, NothingFoundKeepsNothing) {
  Panoram pan;
  pan.ApplySettings({30, 8, 0, {}, 5, 1, 2});
  pan.AddImage(FlatBitmap(kW, kH, 90, 90, 90), kDirNone, "a");
  pan.AddImage(FlatBitmap(kW, kH, 90, 90, 90), kDirRight, "b");
  pan.SetLinkOut(0, 250, 100);
  pan.SetLinkIn(1, 30, 100);
  const std::string before = LinkBytes(pan, 0);
  MontageTable table;
  for (const SearchMethodName& n : kSearchMethods) {
    const PairSearch s = SearchPairAgain(pan, 0, n.Method, kDirRight);
    EXPECT_EQ(s.Kind, PairSearch::NotFound) << n.Key;
    EXPECT_FALSE(KeepPairSearch(pan, table, s).Kept);
    EXPECT_EQ(LinkBytes(pan, 0), before);
  }
}

TEST(PairSearch, AStaleResultIsRefused) {
  Panoram pan;
  Load(pan, {kDirNone, kDirRight});
  MontageTable table;
  const PairSearch s = SearchPairAgain(pan, 0, SearchMethod::Template, kDirRight);
  ASSERT_EQ(s.Kind, PairSearch::Found);
  pan.SetLinkOut(0, 12, 13);  // moved by hand after the search
  const std::string before = LinkBytes(pan, 0);
  EXPECT_FALSE(KeepPairSearch(pan, table, s).Kept);
  EXPECT_EQ(LinkBytes(pan, 0), before);
  EXPECT_EQ(SearchPairAgain(pan, 1, SearchMethod::Template, kDirRight).Kind, PairSearch::NoPair);
}

}  // namespace
