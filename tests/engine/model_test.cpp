#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>

#include "engine/panoram.h"
#include "support/testimages.h"

namespace {

// Images of distinct sizes so that each record can be told apart by its bitmap.
std::unique_ptr<Panoram> WithImages(int count) {
  auto p = std::make_unique<Panoram>();
  for (int i = 0; i < count; ++i) {
    Bitmap b = FlatBitmap(10 + i, 5 + i, static_cast<uint8_t>(i), 0, 0);
    EXPECT_EQ(p->AddImage(b, i == 0 ? 0 : 1, "img" + std::to_string(i)), AddImageResult::Added);
  }
  return p;
}

std::vector<std::string> Names(const Panoram& p) {
  std::vector<std::string> names;
  for (int i = 0; i < p.Count(); ++i) names.push_back(p.Name(i));
  return names;
}

// Directions of images 1..n-1 for a list of table steps.
void AddChain(Panoram& p, const std::vector<int>& directions) {
  const Bitmap b = FlatBitmap(4, 4, 0, 0, 0);
  p.AddImage(b, 0, "first");
  for (int d : directions) p.AddImage(b, d, "next");
}

}  // namespace

TEST(PanoramStore, AddCopiesTheBitmapAndMakesAThumbnail) {
  Panoram p;
  Bitmap b = FlatBitmap(640, 480, 1, 2, 3);
  ASSERT_EQ(p.AddImage(b, 2, "a.bmp"), AddImageResult::Added);
  b.Fill(9, 9, 9);  // the caller keeps its own bitmap
  EXPECT_EQ(p.ImageBitmap(0).Pixel(5, 5)[0], 1);
  EXPECT_EQ(p.Thumb(0).Width(), 400);
  EXPECT_EQ(p.Thumb(0).Height(), 300);
  EXPECT_EQ(p.Place(0), (Rect{0, 0, 640, 480}));
  EXPECT_EQ(p.Direction(0), 2);
  EXPECT_EQ(p.GetLinkOut(0), (Point{0, 0}));
  EXPECT_EQ(p.AddImage(Bitmap(), 0, "empty"), AddImageResult::EmptyBitmap);
  EXPECT_EQ(p.Count(), 1);
}

TEST(PanoramStore, RefusesThe201stImage) {
  Panoram p;
  const Bitmap b = FlatBitmap(8, 6, 0, 0, 0);
  for (int i = 0; i < Panoram::kCapacity; ++i)
    ASSERT_EQ(p.AddImage(b, 1, "x"), AddImageResult::Added);
  EXPECT_EQ(p.AddImage(b, 1, "over"), AddImageResult::StoreFull);
  EXPECT_EQ(p.Count(), 200);
  EXPECT_EQ(p.Name(199), "x");
}

TEST(PanoramStore, RemoveShiftsLaterRecordsAndClearsTheLast) {
  auto p = WithImages(4);
  p->SetLinkOut(2, 7, 8);
  p->RemoveImage(1);
  EXPECT_EQ(Names(*p), (std::vector<std::string>{"img0", "img2", "img3"}));
  EXPECT_EQ(p->GetLinkOut(1), (Point{7, 8}));  // links travel with their record
  EXPECT_EQ(p->ImageBitmap(1).Width(), 12);
  EXPECT_TRUE(p->Image(3).Bitmap.Empty());  // the vacated record is cleared
  p->RemoveImage(2);                        // the last one: nothing moves
  EXPECT_EQ(Names(*p), (std::vector<std::string>{"img0", "img2"}));
  EXPECT_TRUE(p->Image(2).Name.empty());
  p->RemoveImage(2);  // beyond Count: nothing
  p->RemoveImage(-1);
  EXPECT_EQ(p->Count(), 2);
}

TEST(PanoramStore, MoveImageCases) {
  auto p = WithImages(5);
  p->MoveImage(2, 2);
  EXPECT_EQ(Names(*p), (std::vector<std::string>{"img0", "img1", "img2", "img3", "img4"}));
  p->MoveImage(0, 4);
  EXPECT_EQ(Names(*p), (std::vector<std::string>{"img1", "img2", "img3", "img4", "img0"}));
  p->MoveImage(4, 1);
  EXPECT_EQ(Names(*p), (std::vector<std::string>{"img1", "img0", "img2", "img3", "img4"}));
  EXPECT_EQ(p->ImageBitmap(1).Width(), 10);
  p->MoveImage(1, 5);  // out of range
  EXPECT_EQ(p->Name(1), "img0");
}

TEST(PanoramStore, ClearAllAndResetPlaces) {
  auto p = WithImages(3);
  p->SetLinkOut(0, 3, 4);
  p->SetLinkIn(1, 1, 1);
  p->ResetPlaces();
  EXPECT_EQ(p->Place(2), (Rect{0, 0, 12, 7}));
  EXPECT_EQ(p->GetLinkOut(0), (Point{3, 4}));  // links stay
  p->ClearAll();
  EXPECT_EQ(p->Count(), 0);
  EXPECT_FALSE(p->Result().has_value());
  EXPECT_TRUE(p->Image(0).Bitmap.Empty());
  EXPECT_EQ(p->GetLinkOut(0), (Point{0, 0}));
  EXPECT_EQ(p->AddImage(FlatBitmap(3, 3, 0, 0, 0), 0, "again"), AddImageResult::Added);
}

TEST(PanoramSettings, ApplySetsBothZonePercentagesAndKeepsValuesAsGiven) {
  Panoram p;
  EXPECT_EQ(p.Radius(), 20);
  EXPECT_EQ(p.FrameSize(), 50);
  EXPECT_TRUE(p.CropImages());
  p.ApplySettings({45, -3, 0, {}, 7, 9, 0});
  EXPECT_EQ(p.ZoneHeightPct(), 45);
  EXPECT_EQ(p.ZoneWidthPct(), 45);
  EXPECT_EQ(p.Radius(), -3);
  EXPECT_FALSE(p.CropImages());
  EXPECT_EQ(p.FrameSize(), 7);
  EXPECT_EQ(p.BlendMode(), 9);
  EXPECT_EQ(p.Step(), 0);
}

TEST(PanoramLinks, PointAtOriginCountsAsUnset) {
  auto p = WithImages(3);
  EXPECT_FALSE(p->AllLinksDefined());
  p->SetLinkOut(0, 0, 5);
  p->SetLinkIn(1, 4, 0);
  EXPECT_TRUE(p->LinkDefined(0));
  p->SetLinkOut(1, 1, 1);
  p->SetLinkIn(2, 0, 0);  // exactly (0, 0): not set
  EXPECT_FALSE(p->LinkDefined(1));
  EXPECT_FALSE(p->AllLinksDefined());
  p->SetLinkIn(2, 0, 1);
  EXPECT_TRUE(p->AllLinksDefined());
  EXPECT_FALSE(p->LinkDefined(2));  // no image after the last

  Panoram empty;
  EXPECT_TRUE(empty.AllLinksDefined());
  auto one = WithImages(1);
  EXPECT_TRUE(one->AllLinksDefined());
}

TEST(ChainTable, OneImageSitsAtTheOriginAlone) {
  auto p = WithImages(1);
  MontageTable t;
  t.Fill(5);
  EXPECT_TRUE(p->ChainToTable(t));
  EXPECT_EQ(t.At(0, 0), 0);
  int empty = 0;
  for (int32_t cell : t.Cells) empty += cell == kCellBlocked;
  EXPECT_EQ(empty, kTableColumns * kTableRows - 1);
}

TEST(ChainTable, DoublingBackOverwritesAndNegativeStepsShiftTheOrigin) {
  Panoram p;
  AddChain(p, {kDirRight, kDirRight, kDirLeft});
  MontageTable t;
  p.ChainToTable(t);
  EXPECT_EQ(t.At(0, 0), 0);
  EXPECT_EQ(t.At(1, 0), 3);  // image 3 lands on image 1's cell
  EXPECT_EQ(t.At(2, 0), 2);

  Panoram q;
  AddChain(q, {kDirAbove, kDirLeft, kDirBelow, 7});  // code 7 does not move
  MontageTable u;
  q.ChainToTable(u);
  EXPECT_EQ(u.At(1, 1), 0);
  EXPECT_EQ(u.At(1, 0), 1);
  EXPECT_EQ(u.At(0, 0), 2);
  EXPECT_EQ(u.At(0, 1), 4);  // 3 then 4 on the same cell
}

TEST(ChainTable, ChainLongerThanTheTableWritesOnlyInside) {
  Panoram p;
  std::vector<int> dirs(120, kDirRight);
  AddChain(p, dirs);
  MontageTable t;
  EXPECT_FALSE(p.ChainToTable(t));
  EXPECT_EQ(t.At(0, 0), 0);
  EXPECT_EQ(t.At(99, 0), 99);
  EXPECT_EQ(t.At(0, 1), kCellBlocked);  // nothing wrapped into the next column's rows
}

TEST(ChainTable, TableToChainTestsInOrderAndKeepsOldDirection) {
  Panoram p;
  AddChain(p, {kDirBelow, kDirBelow, kDirBelow});
  MontageTable t;
  t.Fill(kCellFree);
  t.At(5, 5) = 0;
  t.At(6, 5) = 1;  // right
  t.At(6, 4) = 2;  // above
  t.At(8, 8) = 3;  // not a neighbour: keeps its old code
  p.TableToChain(t);
  EXPECT_EQ(p.Direction(1), kDirRight);
  EXPECT_EQ(p.Direction(2), kDirAbove);
  EXPECT_EQ(p.Direction(3), kDirBelow);
  // Diagonal: dc = 1 then dr = 1; the later test wins.
  t.At(8, 8) = kCellFree;
  t.At(7, 5) = 3;
  t.At(6, 4) = kCellFree;
  t.At(6, 6) = 2;  // below image 1
  t.At(7, 7) = kCellFree;
  p.TableToChain(t);
  EXPECT_EQ(p.Direction(2), kDirBelow);
  EXPECT_EQ(p.Direction(3), kDirAbove);  // dc = 1, dr = -1
}

TEST(ChainTable, RoundTripOfRandomSelfAvoidingChains) {
  std::mt19937 rng(42);
  for (int trial = 0; trial < 50; ++trial) {
    // A walk that never revisits a cell, so the table holds every image once.
    std::vector<int> dirs;
    std::set<std::pair<int, int>> seen{{0, 0}};
    int c = 0, r = 0;
    const int length = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < length; ++i) {
      std::vector<int> options;
      for (int d = 1; d <= 4; ++d) {
        const int nc = c + (d == 1) - (d == 3);
        const int nr = r + (d == 2) - (d == 4);
        if (!seen.count({nc, nr})) options.push_back(d);
      }
      if (options.empty()) break;
      const int d = options[rng() % options.size()];
      c += (d == 1) - (d == 3);
      r += (d == 2) - (d == 4);
      seen.insert({c, r});
      dirs.push_back(d);
    }
    Panoram p;
    AddChain(p, dirs);
    MontageTable t;
    ASSERT_TRUE(p.ChainToTable(t));
    Panoram q;
    AddChain(q, std::vector<int>(dirs.size(), 0));
    q.TableToChain(t);
    for (int i = 1; i < q.Count(); ++i) ASSERT_EQ(q.Direction(i), dirs[i - 1]) << "trial " << trial;
  }
}
