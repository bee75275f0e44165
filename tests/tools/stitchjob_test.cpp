// End-to-end stitches of a sample set with known offsets, driven as the
// stitcher drives them; places and pixels are checked against the truth.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "formats/filecommit.h"
#include "imagefiles/imagefiles.h"
#include "samples/sampleset.h"
#include "stitchjob.h"
#include "support/testimages.h"

namespace {

class StitchSampleSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new std::string(MakeTempDir("stitch"));
    SampleSetPlan plan;
    plan.Columns = 2;
    plan.Rows = 2;
    plan.FieldWidth = 400;
    plan.FieldHeight = 330;
    plan.Seed = 7;
    fields_ = new std::vector<SampleField>(MakeSampleSet(plan));
    for (const SampleField& f : *fields_) {
      ASSERT_TRUE(PixSaveImage(*dir_ + "/" + f.Name, f.Image));
    }
  }
  // A run protects its inputs for the rest of the process, by file identity:
  // an input written here and removed with the folder could lend its inode
  // to a later test's mosaic.
  void TearDown() override { ClearProtectedFiles(); }
  static void TearDownTestSuite() {
    std::filesystem::remove_all(*dir_);
    delete dir_;
    delete fields_;
  }

  StitchOptions Options(bool automatic) const {
    StitchOptions o;
    for (const SampleField& f : *fields_) o.Images.push_back(*dir_ + "/" + f.Name);
    o.Auto = automatic;
    if (!automatic) {
      for (size_t i = 1; i < fields_->size(); ++i) o.Directions.push_back((*fields_)[i].Direction);
    }
    o.Output = *dir_ + "/mosaic.bmp";
    return o;
  }

  static std::vector<Rect> ReportedPlaces(const nlohmann::json& report) {
    std::vector<Rect> places;
    for (const auto& image : report["images"]) {
      const auto& p = image["place"];
      places.push_back({p[0], p[1], p[2], p[3]});
    }
    return places;
  }

  // The canvas pixel at (x, y) as the rule gives it without smoothing: the
  // highest-numbered field covering it, or white.
  static std::vector<uint8_t> Expected(const std::vector<Rect>& places, int x, int y) {
    for (int i = static_cast<int>(places.size()) - 1; i >= 0; --i) {
      const Rect& p = places[i];
      if (x >= p.Left && x < p.Right && y >= p.Top && y < p.Bottom) {
        const uint8_t* px = (*fields_)[i].Image.Pixel(x - p.Left, y - p.Top);
        return {px[0], px[1], px[2]};
      }
    }
    return {255, 255, 255};
  }

  static inline std::string* dir_ = nullptr;
  static inline std::vector<SampleField>* fields_ = nullptr;
};

class BothModes : public StitchSampleSet, public ::testing::WithParamInterface<bool> {};

TEST_P(BothModes, FindsTheKnownPlaces) {
  const StitchResult r = RunStitch(Options(GetParam()), nullptr);
  ASSERT_EQ(r.ExitCode, 0) << r.Error;
  EXPECT_TRUE(r.Warnings.empty());
  EXPECT_EQ(ReportedPlaces(r.Report), ExpectedPlaces(*fields_));
  for (size_t i = 1; i < fields_->size(); ++i) {
    EXPECT_EQ(r.Report["images"][i]["direction"], (*fields_)[i].Direction) << i;
  }
  // Snake over a 2 x 2 table: right, below, left.
  EXPECT_EQ(r.Report["table"], nlohmann::json::parse("[[0,0,0],[0,1,3],[1,0,1],[1,1,2]]"));
}

INSTANTIATE_TEST_SUITE_P(AutoAndDirections, BothModes, ::testing::Values(true, false),
                         [](const auto& tc) { return tc.param ? "Auto" : "Directions"; });

TEST_F(StitchSampleSet, WholeCanvasShowsTheLaterFieldInEveryOverlap) {
  StitchOptions o = Options(true);
  const StitchResult r = RunStitch(o, nullptr);
  ASSERT_EQ(r.ExitCode, 0) << r.Error;
  const std::vector<Rect> places = ExpectedPlaces(*fields_);
  Bitmap saved;
  ASSERT_TRUE(PixLoadImage(o.Output, saved));
  EXPECT_TRUE(saved == r.Output);
  int checked = 0;
  for (int y = 0; y < saved.Height(); y += 7) {
    for (int x = 0; x < saved.Width(); x += 5) {
      const uint8_t* px = saved.Pixel(x, y);
      ASSERT_EQ((std::vector<uint8_t>{px[0], px[1], px[2]}), Expected(places, x, y))
          << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 5000);
}

TEST_F(StitchSampleSet, CropViewIsTheAreaEveryRowAndColumnCovers) {
  StitchOptions o = Options(false);
  o.CropView = true;
  const StitchResult r = RunStitch(o, nullptr);
  ASSERT_EQ(r.ExitCode, 0) << r.Error;
  const std::vector<Rect> p = ExpectedPlaces(*fields_);
  // Fields 0 and 3 form the left column, 0 and 1 the top row.
  const Rect common{std::max(p[0].Left, p[3].Left), std::max(p[0].Top, p[1].Top),
                    std::min(p[1].Right, p[2].Right), std::min(p[2].Bottom, p[3].Bottom)};
  EXPECT_EQ(r.Report["common_rect"],
            nlohmann::json::array({common.Left, common.Top, common.Right, common.Bottom}));
  ASSERT_EQ(r.Output.Width(), common.Width());
  ASSERT_EQ(r.Output.Height(), common.Height());
  EXPECT_EQ(r.Report["output"], nlohmann::json::array({common.Width(), common.Height()}));
  for (int y = 0; y < r.Output.Height(); y += 11) {
    for (int x = 0; x < r.Output.Width(); x += 3) {
      const uint8_t* px = r.Output.Pixel(x, y);
      ASSERT_EQ((std::vector<uint8_t>{px[0], px[1], px[2]}),
                Expected(p, x + common.Left, y + common.Top));
    }
  }
}

TEST_F(StitchSampleSet, ReportHasTheDocumentedKeys) {
  StitchOptions o = Options(true);
  o.Report = *dir_ + "/report.json";
  o.Smooth = true;
  const StitchResult r = RunStitch(o, nullptr);
  ASSERT_EQ(r.ExitCode, 0) << r.Error;
  std::ifstream in(o.Report);
  const nlohmann::json report = nlohmann::json::parse(in);
  EXPECT_EQ(report, r.Report);
  std::vector<std::string> keys;
  for (const auto& item : report.items()) keys.push_back(item.key());
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"bounds", "canvas", "common_rect", "images", "output",
                                            "settings", "table", "timings_ms"}));
  EXPECT_EQ(
      report["settings"],
      nlohmann::json::parse(R"({"zone":30,"radius":15,"crop":0,"frame":5,"blend":1,"step":3})"));
  for (const char* stage : {"load", "search", "place", "compose", "save"}) {
    EXPECT_GE(report["timings_ms"][stage].get<double>(), 0.0) << stage;
  }
  const auto& first = report["images"][0];
  EXPECT_EQ(first["name"], (*fields_)[0].Name);
  for (const char* key : {"direction", "link_in", "link_out", "place"})
    EXPECT_TRUE(first.contains(key));
  // Only the images after the first have a link to score; the known offsets
  // of a clean sample set correlate almost perfectly.
  EXPECT_FALSE(first.contains("score"));
  for (size_t i = 1; i < report["images"].size(); ++i) {
    EXPECT_EQ(report["images"][i].size(), first.size() + 1);
    EXPECT_GT(report["images"][i]["score"].get<double>(), 0.9) << i;
    EXPECT_LE(report["images"][i]["score"].get<double>(), 1.0) << i;
  }
  const Rect last = ExpectedPlaces(*fields_).back();
  const auto& canvas = report["canvas"];
  EXPECT_GE(canvas[0].get<int>(), last.Right);
  EXPECT_EQ(report["output"], canvas);
}

TEST_F(StitchSampleSet, UnreadableImageNamesTheFileAndWritesNothing) {
  StitchOptions o = Options(true);
  const std::string broken = *dir_ + "/broken.bmp";
  std::ofstream(broken, std::ios::binary) << "BM this is not a bitmap";
  o.Images[2] = broken;
  o.Output = *dir_ + "/never.png";
  const StitchResult r = RunStitch(o, nullptr);
  EXPECT_EQ(r.ExitCode, kExitFailed);
  EXPECT_NE(r.Error.find(broken), std::string::npos) << r.Error;
  EXPECT_FALSE(std::filesystem::exists(o.Output));
}

TEST_F(StitchSampleSet, AbsurdLinksAreReportedNotFatal) {
  // The first field alone, then a flat one that matches nothing: no link.
  StitchOptions o = Options(false);
  const std::string flat = *dir_ + "/flat.bmp";
  ASSERT_TRUE(PixSaveImage(flat, FlatBitmap(400, 330, 90, 90, 90)));
  o.Images = {o.Images[0], flat};
  o.Directions = {1};
  const StitchResult r = RunStitch(o, nullptr);
  ASSERT_EQ(r.ExitCode, 0) << r.Error;
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_NE(r.Warnings[0].find("flat.bmp"), std::string::npos);
  EXPECT_EQ(r.Report["images"][1]["score"], 0.0);
}

TEST_F(StitchSampleSet, AWeakLinkIsWarnedAndScored) {
  // The second field turned upside down: the search still finds a best
  // place, but the overlap does not agree with it.
  StitchOptions o = Options(false);
  Bitmap turned = (*fields_)[1].Image;
  Bitmap copy = turned;
  for (int y = 0; y < turned.Height(); ++y) {
    for (int x = 0; x < turned.Width(); ++x) {
      std::copy_n(copy.Pixel(turned.Width() - 1 - x, turned.Height() - 1 - y), 3,
                  turned.Pixel(x, y));
    }
  }
  const std::string name = *dir_ + "/turned.bmp";
  ASSERT_TRUE(PixSaveImage(name, turned));
  o.Images = {o.Images[0], name};
  o.Directions = {(*fields_)[1].Direction};
  const StitchResult r = RunStitch(o, nullptr);
  ASSERT_EQ(r.ExitCode, 0) << r.Error;
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_NE(r.Warnings[0].find("weak match"), std::string::npos) << r.Warnings[0];
  EXPECT_NE(r.Warnings[0].find("turned.bmp"), std::string::npos) << r.Warnings[0];
  EXPECT_LT(r.Report["images"][1]["score"].get<double>(), 0.5);
}

TEST_F(StitchSampleSet, EveryMethodFindsTheKnownPlaces) {
  for (SearchMethod method : {SearchMethod::Phase, SearchMethod::TemplatePhase}) {
    for (bool automatic : {false, true}) {
      StitchOptions o = Options(automatic);
      o.Method = method;
      const StitchResult r = RunStitch(o, nullptr);
      ASSERT_EQ(r.ExitCode, 0) << r.Error;
      EXPECT_TRUE(r.Warnings.empty());
      EXPECT_EQ(ReportedPlaces(r.Report), ExpectedPlaces(*fields_));
    }
  }
}

TEST_F(StitchSampleSet, BothPlacementsFindTheKnownPlacesAndOnlyNeighboursListLinks) {
  // The fields' origins as the sample set cut them: right, below, left.
  const std::vector<Rect> known = ExpectedPlaces(*fields_);
  ASSERT_EQ(known.size(), 4u);
  for (bool automatic : {false, true}) {
    StitchOptions o = Options(automatic);
    const StitchResult plain = RunStitch(o, nullptr);
    ASSERT_EQ(plain.ExitCode, 0) << plain.Error;
    EXPECT_EQ(ReportedPlaces(plain.Report), known);
    EXPECT_FALSE(plain.Report.contains("links"));
    o.Placement = PlacementMethod::Neighbours;
    const StitchResult all = RunStitch(o, nullptr);
    ASSERT_EQ(all.ExitCode, 0) << all.Error;
    EXPECT_TRUE(all.Warnings.empty());
    EXPECT_EQ(ReportedPlaces(all.Report), known);
    EXPECT_TRUE(all.Output == plain.Output);
    // The chain's three links, then fields 0 and 3, one above the other.
    const nlohmann::json& links = all.Report["links"];
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[3]["images"], nlohmann::json::array({(*fields_)[0].Name, (*fields_)[3].Name}));
    EXPECT_EQ(links[3]["offset"],
              nlohmann::json::array({known[3].Left - known[0].Left, known[3].Top - known[0].Top}));
    for (const auto& l : links) {
      EXPECT_TRUE(l["used"].get<bool>());
      EXPECT_EQ(l["residual"].get<double>(), 0.0);
    }
  }
}

}  // namespace

namespace {

TEST_F(StitchSampleSet, AChainLinkTheNeighboursMadeGoodIsToldAsSuch) {
  // The second field's strip over the first made flat: that chain link finds
  // nothing, while the field's overlap with the third keeps its detail.
  const std::vector<Rect> known = ExpectedPlaces(*fields_);
  const int across = known[0].Right - known[1].Left;
  ASSERT_GT(across, 0);
  Bitmap cut = (*fields_)[1].Image;
  for (int y = 0; y < cut.Height(); ++y) {
    for (int x = 0; x < across; ++x) std::fill_n(cut.Pixel(x, y), 3, uint8_t{90});
  }
  StitchOptions o = Options(false);
  o.Images[1] = *dir_ + "/cut.bmp";
  ASSERT_TRUE(PixSaveImage(o.Images[1], cut));
  const StitchResult chain = RunStitch(o, nullptr);
  ASSERT_EQ(chain.ExitCode, 0) << chain.Error;
  ASSERT_EQ(chain.Warnings.size(), 1u);
  EXPECT_EQ(chain.Warnings[0].find("neighbours"), std::string::npos) << chain.Warnings[0];
  o.Placement = PlacementMethod::Neighbours;
  const StitchResult all = RunStitch(o, nullptr);
  ASSERT_EQ(all.ExitCode, 0) << all.Error;
  EXPECT_EQ(ReportedPlaces(all.Report), known);
  ASSERT_EQ(all.Warnings.size(), 1u);
  EXPECT_NE(all.Warnings[0].find("cut.bmp; both are placed by confident links to other neighbours"),
            std::string::npos)
      << all.Warnings[0];
}

}  // namespace
