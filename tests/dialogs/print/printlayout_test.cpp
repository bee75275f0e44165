#include "dialogs/print/printlayout.h"

#include <gtest/gtest.h>

namespace {

struct LayoutCase {
  const char* label;
  int w, h, pageW, pageH;
  bool fit, centre;
  Rect expected;
};

class PrintLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PrintLayoutTest, PlacesThePicture) {
  const LayoutCase& c = GetParam();
  PrintOptions options;
  options.FitToPage = c.fit;
  options.Centre = c.centre;
  const PrintLayout layout = ComputePrintLayout(c.w, c.h, c.pageW, c.pageH, options);
  EXPECT_EQ(layout.Image, c.expected);
  EXPECT_FALSE(layout.HasTitle);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintLayoutTest,
    ::testing::Values(
        LayoutCase{
            "ThreeTimesCentred", 1000, 800, 4800, 6800, false, true, {900, 2200, 3900, 4600}},
        LayoutCase{"ThreeTimesAtTop", 1000, 800, 4800, 6800, false, false, {900, 0, 3900, 2400}},
        LayoutCase{"WholeFactorFour", 1000, 800, 4800, 6800, true, true, {400, 1800, 4400, 5000}},
        LayoutCase{
            "WholeFactorByHeight", 100, 1000, 4800, 6800, true, false, {2100, 0, 2700, 6000}},
        // Wider than a third of the page: still three times, centred, cut at both sides.
        LayoutCase{"WideOverflows", 2000, 500, 4800, 6800, false, true, {-600, 2650, 5400, 4150}},
        // Odd differences halve toward zero.
        LayoutCase{"OddHalves", 333, 111, 1000, 1001, false, true, {0, 334, 999, 667}},
        // A whole factor of 0 would print nothing: the picture is fitted instead.
        LayoutCase{
            "LargerThanPageFitted", 9600, 2400, 4800, 6800, true, true, {0, 2800, 4800, 4000}},
        LayoutCase{
            "TallerThanPageFitted", 1000, 13600, 4800, 6800, true, false, {2150, 0, 2650, 6800}},
        LayoutCase{"EmptyPicture", 0, 0, 4800, 6800, true, true, {2400, 3400, 2400, 3400}}),
    [](const auto& c) { return std::string(c.param.label); });

struct TitleCase {
  const char* label;
  bool printTitle;
  const char* text;
  bool hasTitle;
  const char* printed;
};

class PrintTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(PrintTitleTest, TitleLine) {
  const TitleCase& c = GetParam();
  PrintOptions options;
  options.PrintTitle = c.printTitle;
  options.Title = c.text;
  const PrintLayout layout = ComputePrintLayout(1000, 800, 4800, 6800, options);
  EXPECT_EQ(layout.HasTitle, c.hasTitle);
  if (c.hasTitle) {
    EXPECT_EQ(layout.Title, c.printed);
    EXPECT_EQ(layout.TitleTop, 4600 + 20);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrintTitleTest,
    ::testing::Values(TitleCase{"WindowsFolder", true, "D:\\Work\\mosaic.bmp", true, "mosaic.bmp"},
                      TitleCase{"DriveOnly", true, "C:mosaic.bmp", true, "mosaic.bmp"},
                      TitleCase{"UnixFolder", true, "/home/u/pano.png", true, "pano.png"},
                      TitleCase{"PlainText", true, "Образец 7", true, "Образец 7"},
                      TitleCase{"EmptyText", true, "", false, ""},
                      TitleCase{"FolderOnly", true, "D:\\Work\\", false, ""},
                      TitleCase{"NotChecked", false, "D:\\Work\\mosaic.bmp", false, ""}),
    [](const auto& c) { return std::string(c.param.label); });

TEST(PrintLayout, TitleBelowTopAlignedPicture) {
  PrintOptions options;
  options.Centre = false;
  options.PrintTitle = true;
  options.Title = "a.bmp";
  EXPECT_EQ(ComputePrintLayout(1000, 800, 4800, 6800, options).TitleTop, 2400 + 20);
  EXPECT_EQ(PrintTitleLeft(4800, 301), 2249);
}

}  // namespace
