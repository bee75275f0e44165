// The synthetic sample set: deterministic, in snake order, and its truth check.
#include <gtest/gtest.h>

#include "samples/sampleset.h"

namespace {

SampleSetPlan Small(uint32_t seed) {
  SampleSetPlan plan;
  plan.Columns = 3;
  plan.Rows = 2;
  plan.FieldWidth = 120;
  plan.FieldHeight = 90;
  plan.Seed = seed;
  return plan;
}

TEST(SampleSet, SameSeedSameFieldsOtherSeedOtherFields) {
  const auto a = MakeSampleSet(Small(3));
  const auto b = MakeSampleSet(Small(3));
  const auto c = MakeSampleSet(Small(4));
  ASSERT_EQ(a.size(), 6u);
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_TRUE(a[i].Image == b[i].Image) << i;
    EXPECT_EQ(a[i].Origin, b[i].Origin) << i;
  }
  EXPECT_FALSE(a[0].Image == c[0].Image);
}

TEST(SampleSet, SnakeOrderWithBoundedJitter) {
  const SampleSetPlan plan = Small(5);
  const auto fields = MakeSampleSet(plan);
  EXPECT_EQ(fields[0].Direction, 0);
  const std::vector<int32_t> snake{0, 1, 1, 2, 3, 3};
  const int stepX = 120 * 72 / 100, stepY = 90 * 72 / 100;
  // Column of each field in snake order.
  const std::vector<int> columns{0, 1, 2, 2, 1, 0};
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(fields[i].Direction, snake[i]) << i;
    const int row = static_cast<int>(i) / 3;
    const int nominalX = plan.Jitter + 2 + columns[i] * stepX;
    const int nominalY = plan.Jitter + 2 + row * stepY;
    EXPECT_LE(std::abs(fields[i].Origin.X - nominalX), plan.Jitter) << i;
    EXPECT_LE(std::abs(fields[i].Origin.Y - nominalY), plan.Jitter) << i;
    EXPECT_EQ(fields[i].Image.Width(), 120);
    EXPECT_EQ(fields[i].Image.Height(), 90);
  }
}

TEST(SampleSet, NeighboursShowTheSameSpecimenUnderDifferentLight) {
  // Field 0 and field 1 overlap; their shared pixels differ only by lighting
  // and noise, so they stay close but are not identical.
  const auto fields = MakeSampleSet(Small(6));
  const Point d{fields[1].Origin.X - fields[0].Origin.X, fields[1].Origin.Y - fields[0].Origin.Y};
  int64_t total = 0, count = 0, equal = 0;
  for (int y = 30; y < 60; ++y) {
    for (int x = d.X + 5; x < 115; ++x) {
      const int a = Intensity(fields[0].Image.Pixel(x, y));
      const int b = Intensity(fields[1].Image.Pixel(x - d.X, y - d.Y));
      total += std::abs(a - b);
      equal += a == b;
      ++count;
    }
  }
  ASSERT_GT(count, 0);
  EXPECT_LT(static_cast<double>(total) / count, 25.0);
  EXPECT_LT(equal, count);
}

TEST(SampleSet, ExpectedPlacesStartAtTheOrigin) {
  const auto fields = MakeSampleSet(Small(7));
  const auto places = ExpectedPlaces(fields);
  int minLeft = places[0].Left, minTop = places[0].Top;
  for (size_t i = 0; i < places.size(); ++i) {
    minLeft = std::min(minLeft, places[i].Left);
    minTop = std::min(minTop, places[i].Top);
    EXPECT_EQ(places[i].Left - places[0].Left, fields[i].Origin.X - fields[0].Origin.X);
    EXPECT_EQ(places[i].Width(), 120);
  }
  EXPECT_EQ(minLeft, 0);
  EXPECT_EQ(minTop, 0);
}

class TruthCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    fields = MakeSampleSet(Small(8));
    truth = TruthJson(Small(8), fields);
    // A report that agrees: same names, directions and places.
    for (const auto& f : truth["fields"]) {
      report["images"].push_back(
          {{"name", f["name"]}, {"direction", f["direction"]}, {"place", f["place"]}});
    }
  }
  std::vector<SampleField> fields;
  nlohmann::json truth, report;
};

TEST_F(TruthCheck, AgreeingReportPasses) { EXPECT_TRUE(CompareWithTruth(report, truth).empty()); }

TEST_F(TruthCheck, FirstDirectionIsNotCompared) {
  report["images"][0]["direction"] = 3;
  EXPECT_TRUE(CompareWithTruth(report, truth).empty());
}

TEST_F(TruthCheck, EachDifferenceIsNamed) {
  report["images"][2]["place"][0] = report["images"][2]["place"][0].get<int>() + 1;
  report["images"][4]["direction"] = 1;
  const auto problems = CompareWithTruth(report, truth);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find(fields[2].Name), std::string::npos) << problems[0];
  EXPECT_NE(problems[1].find("direction"), std::string::npos) << problems[1];
}

TEST_F(TruthCheck, MissingImagesFail) {
  report["images"].erase(5);
  EXPECT_FALSE(CompareWithTruth(report, truth).empty());
  EXPECT_FALSE(CompareWithTruth(nlohmann::json::object(), truth).empty());
}

}  // namespace
