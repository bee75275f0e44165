// V4L2 structures to the page's records: controls by kind and flag, stepwise
// size ranges to lists of common sizes, formats we can convert, standards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "capture/v4l2/v4l2mapping.h"

namespace {

v4l2_queryctrl Query(uint32_t id, const char* name, uint32_t type, int32_t min, int32_t max,
                     int32_t step, int32_t def, uint32_t flags = 0) {
  v4l2_queryctrl query{};
  query.id = id;
  std::strncpy(reinterpret_cast<char*>(query.name), name, sizeof(query.name));
  query.type = type;
  query.minimum = min;
  query.maximum = max;
  query.step = step;
  query.default_value = def;
  query.flags = flags;
  return query;
}

TEST(V4l2Mapping, IntegerControlKeepsRangeStepDefaultAndValue) {
  const auto control = ToVideoControl(
      Query(V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, -64, 64, 2, 0), 12, {});
  ASSERT_TRUE(control);
  EXPECT_EQ(control->Id, V4L2_CID_BRIGHTNESS);
  EXPECT_EQ(control->Name, "Brightness");
  EXPECT_EQ(control->Type, VideoControl::Kind::Integer);
  EXPECT_EQ(control->Minimum, -64);
  EXPECT_EQ(control->Maximum, 64);
  EXPECT_EQ(control->Step, 2);
  EXPECT_EQ(control->Default, 0);
  EXPECT_EQ(control->Value, 12);
  EXPECT_FALSE(control->ReadOnly);
  EXPECT_TRUE(control->MenuItems.empty());
}

TEST(V4l2Mapping, ZeroStepBecomesOne) {
  const auto control =
      ToVideoControl(Query(V4L2_CID_GAIN, "Gain", V4L2_CTRL_TYPE_INTEGER, 0, 10, 0, 5), 5, {});
  ASSERT_TRUE(control);
  EXPECT_EQ(control->Step, 1);
}

TEST(V4l2Mapping, NameWithoutTerminatingZeroIsCut) {
  v4l2_queryctrl query = Query(V4L2_CID_GAIN, "", V4L2_CTRL_TYPE_INTEGER, 0, 1, 1, 0);
  std::memset(query.name, 'x', sizeof(query.name));
  const auto control = ToVideoControl(query, 0, {});
  ASSERT_TRUE(control);
  EXPECT_EQ(control->Name, std::string(sizeof(query.name), 'x'));
}

TEST(V4l2Mapping, MenuKeepsItsItemsOthersDropThem) {
  const ControlMenu items = {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}};
  const auto menu = ToVideoControl(
      Query(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", V4L2_CTRL_TYPE_MENU, 0, 3, 1, 3), 1, items);
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->Type, VideoControl::Kind::Menu);
  EXPECT_EQ(menu->MenuItems, items);
  const auto integerMenu = ToVideoControl(
      Query(V4L2_CID_GAIN, "Gain", V4L2_CTRL_TYPE_INTEGER_MENU, 0, 1, 1, 0), 0, items);
  ASSERT_TRUE(integerMenu);
  EXPECT_EQ(integerMenu->Type, VideoControl::Kind::Menu);
  const auto boolean =
      ToVideoControl(Query(V4L2_CID_HFLIP, "Flip", V4L2_CTRL_TYPE_BOOLEAN, 0, 1, 1, 0), 1, items);
  ASSERT_TRUE(boolean);
  EXPECT_EQ(boolean->Type, VideoControl::Kind::Boolean);
  EXPECT_TRUE(boolean->MenuItems.empty());
}

struct FlagCase {
  uint32_t Flags;
  bool Shown;
  bool ReadOnly;
};

class V4l2MappingFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(V4l2MappingFlags, DisabledHiddenInactiveReadOnlyGrabbedNotChangeable) {
  const FlagCase c = GetParam();
  const auto control = ToVideoControl(
      Query(V4L2_CID_GAIN, "Gain", V4L2_CTRL_TYPE_INTEGER, 0, 10, 1, 5, c.Flags), 5, {});
  ASSERT_EQ(control.has_value(), c.Shown);
  if (control) {
    EXPECT_EQ(control->ReadOnly, c.ReadOnly);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Flags, V4l2MappingFlags,
    ::testing::Values(FlagCase{0, true, false}, FlagCase{V4L2_CTRL_FLAG_SLIDER, true, false},
                      FlagCase{V4L2_CTRL_FLAG_READ_ONLY, true, true},
                      FlagCase{V4L2_CTRL_FLAG_INACTIVE, true, true},
                      FlagCase{V4L2_CTRL_FLAG_GRABBED, true, true},
                      FlagCase{V4L2_CTRL_FLAG_WRITE_ONLY, true, false},
                      FlagCase{V4L2_CTRL_FLAG_DISABLED, false, false},
                      FlagCase{V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_INACTIVE, false, false}));

class V4l2MappingTypes : public ::testing::TestWithParam<uint32_t> {};

TEST_P(V4l2MappingTypes, ClassHeadingsAndUnsupportedTypesAreSkipped) {
  EXPECT_FALSE(ToVideoControl(Query(V4L2_CID_GAIN, "x", GetParam(), 0, 1, 1, 0), 0, {}));
}

INSTANTIATE_TEST_SUITE_P(Types, V4l2MappingTypes,
                         ::testing::Values(V4L2_CTRL_TYPE_CTRL_CLASS, V4L2_CTRL_TYPE_BUTTON,
                                           V4L2_CTRL_TYPE_INTEGER64, V4L2_CTRL_TYPE_STRING,
                                           V4L2_CTRL_TYPE_BITMASK, V4L2_CTRL_TYPE_U8));

TEST(V4l2Mapping, MenuItemTextIsTheNameOrTheNumber) {
  v4l2_querymenu item{};
  std::strncpy(reinterpret_cast<char*>(item.name), "50 Hz", sizeof(item.name));
  EXPECT_EQ(MenuItemText(Query(1, "", V4L2_CTRL_TYPE_MENU, 0, 1, 1, 0), item), "50 Hz");
  v4l2_querymenu number{};
  number.value = -1250;
  EXPECT_EQ(MenuItemText(Query(1, "", V4L2_CTRL_TYPE_INTEGER_MENU, 0, 1, 1, 0), number), "-1250");
}

v4l2_frmsize_stepwise Range(uint32_t minW, uint32_t maxW, uint32_t stepW, uint32_t minH,
                            uint32_t maxH, uint32_t stepH) {
  return {minW, maxW, stepW, minH, maxH, stepH};
}

TEST(V4l2Mapping, StepwiseRangeGivesCommonSizesOnItsGridWithItsEnds) {
  const std::vector<FrameSize> sizes = StepwiseFrameSizes(Range(64, 1920, 16, 48, 1080, 8));
  const std::vector<FrameSize> expected = {{64, 48},    {160, 120},   {176, 144},  {320, 240},
                                           {352, 288},  {640, 360},   {640, 480},  {720, 480},
                                           {720, 576},  {800, 600},   {1024, 768}, {1280, 720},
                                           {1280, 960}, {1280, 1024}, {1920, 1080}};
  EXPECT_EQ(sizes, expected);
}

TEST(V4l2Mapping, StepwiseSizesHonourAnOddStep) {
  // Widths 100 + 60k: 160, 340, 640, ...; heights 30 + 30k.
  const std::vector<FrameSize> sizes = StepwiseFrameSizes(Range(100, 1030, 60, 30, 1000, 30));
  for (const FrameSize& size : sizes) {
    EXPECT_EQ((size.Width - 100) % 60, 0) << size.Width;
    EXPECT_EQ((size.Height - 30) % 30, 0) << size.Height;
    EXPECT_LE(size.Width, 1030);
    EXPECT_LE(size.Height, 1000);
  }
  EXPECT_EQ(sizes.front(), (FrameSize{100, 30}));
  EXPECT_EQ(sizes.back(), (FrameSize{1000, 990}));  // the largest on the grid, not 1030 × 1000
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), FrameSize{160, 120}), sizes.end());
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), FrameSize{640, 480}), sizes.end());
  EXPECT_EQ(std::find(sizes.begin(), sizes.end(), FrameSize{320, 240}), sizes.end());
}

TEST(V4l2Mapping, ContinuousRangeTakesEveryCommonSizeInside) {
  const std::vector<FrameSize> sizes = StepwiseFrameSizes(Range(1, 800, 1, 1, 600, 1));
  const std::vector<FrameSize> expected = {{1, 1},     {160, 120}, {176, 144}, {320, 240},
                                           {352, 288}, {640, 360}, {640, 480}, {720, 480},
                                           {720, 576}, {800, 600}};
  EXPECT_EQ(sizes, expected);
}

TEST(V4l2Mapping, DegenerateRangesGiveTheirOneSize) {
  EXPECT_EQ(StepwiseFrameSizes(Range(640, 640, 0, 480, 480, 0)),
            (std::vector<FrameSize>{{640, 480}}));
  EXPECT_EQ(StepwiseFrameSizes(Range(640, 320, 16, 480, 240, 8)),
            (std::vector<FrameSize>{{640, 480}}));
  EXPECT_TRUE(StepwiseFrameSizes(Range(0, 0, 1, 0, 0, 1)).empty());
}

v4l2_fmtdesc Description(uint32_t fourcc, uint32_t flags = 0) {
  v4l2_fmtdesc description{};
  description.pixelformat = fourcc;
  description.flags = flags;
  return description;
}

TEST(V4l2Mapping, ConvertibleFormatsAreRawAndJpegNotOtherStreams) {
  EXPECT_TRUE(ConvertibleFormat(Description(V4L2_PIX_FMT_YUYV)));
  EXPECT_TRUE(ConvertibleFormat(Description(V4L2_PIX_FMT_BGR24)));
  EXPECT_TRUE(ConvertibleFormat(Description(V4L2_PIX_FMT_NV12)));
  EXPECT_TRUE(ConvertibleFormat(Description(V4L2_PIX_FMT_MJPEG, V4L2_FMT_FLAG_COMPRESSED)));
  EXPECT_FALSE(ConvertibleFormat(Description(V4L2_PIX_FMT_H264, V4L2_FMT_FLAG_COMPRESSED)));
  EXPECT_FALSE(ConvertibleFormat(Description(V4L2_PIX_FMT_Y12)));
  EXPECT_FALSE(ConvertibleFormat(Description(V4L2_PIX_FMT_BGR24, V4L2_FMT_FLAG_EMULATED)));
}

TEST(V4l2Mapping, FourccText) {
  EXPECT_EQ(FourccText(V4L2_PIX_FMT_YUYV), "YUYV");
  EXPECT_EQ(FourccText(V4L2_PIX_FMT_MJPEG), "MJPG");
}

TEST(V4l2Mapping, StandardIndexPrefersTheExactMatch) {
  const std::vector<v4l2_std_id> standards = {V4L2_STD_PAL, V4L2_STD_NTSC, V4L2_STD_PAL_M};
  EXPECT_EQ(StandardIndex(standards, V4L2_STD_NTSC), 1);
  EXPECT_EQ(StandardIndex(standards, V4L2_STD_PAL_M), 2);
  EXPECT_EQ(StandardIndex(standards, V4L2_STD_PAL_B), 0);  // one of the PAL bits
  EXPECT_EQ(StandardIndex(standards, V4L2_STD_SECAM), -1);
  EXPECT_EQ(StandardIndex({}, V4L2_STD_PAL), -1);
}

}  // namespace
