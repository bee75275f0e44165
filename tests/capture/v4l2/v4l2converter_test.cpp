// Raw frames to 24-bit BGR bitmaps: neutral-chroma YUV and grey frames of
// every layout come out as equal blue, green and red at the luma level (the
// real libv4lconvert, reached through a fake device); BGR24 and RGB24 rows
// are copied honouring the stride; short frames give nothing.
#include <gtest/gtest.h>

#include <functional>

#include "capture/v4l2/fakev4l2device.h"
#include "capture/v4l2/v4l2converter.h"

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 8;

// Luma of the test pattern: four quadrants and a stripe, so that swapped
// rows, columns or planes show.
uint8_t Luma(int x, int y) {
  return static_cast<uint8_t>((x < kWidth / 2 ? 30 : 180) + (y < kHeight / 2 ? 0 : 40) +
                              (x == 3 ? 20 : 0));
}

struct Layout {
  const char* Name;
  uint32_t Fourcc;
  uint32_t BytesPerLine;
  std::function<std::vector<uint8_t>()> Frame;
};

std::vector<uint8_t> Packed422(int lumaFirst, int u, int v) {
  // Offsets within a 4-byte pair of pixels: the two lumas, then U and V.
  std::vector<uint8_t> bytes(kWidth * kHeight * 2);
  const int y0 = lumaFirst ? 0 : 1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; x += 2) {
      uint8_t* pair = bytes.data() + (y * kWidth + x) * 2;
      pair[y0] = Luma(x, y);
      pair[y0 + 2] = Luma(x + 1, y);
      pair[u] = 128;
      pair[v] = 128;
    }
  return bytes;
}

// A luma plane followed by neutral chroma: the same bytes whether the chroma
// is in two planes (YUV420) or interleaved (NV12).
std::vector<uint8_t> Planar420() {
  std::vector<uint8_t> bytes(kWidth * kHeight * 3 / 2, 128);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) bytes[y * kWidth + x] = Luma(x, y);
  return bytes;
}

std::vector<uint8_t> GreyPlane() {
  std::vector<uint8_t> bytes = Planar420();
  bytes.resize(kWidth * kHeight);
  return bytes;
}

class FrameConverterLayouts : public ::testing::TestWithParam<Layout> {};

TEST_P(FrameConverterLayouts, NeutralChromaGivesEqualChannelsAtTheLumaLevel) {
  auto fake = std::make_shared<FakeV4l2Device>();
  FakeNodeScript script;
  script.Formats = {{GetParam().Fourcc, GetParam().Name, 0, {{kWidth, kHeight}}, {}}};
  fake->AddNode("/dev/video0", script);
  const auto device = V4l2Device::Open(fake, "/dev/video0");
  ASSERT_TRUE(device);
  FrameConverter converter(*device);
  ASSERT_TRUE(converter.CanConvert(GetParam().Fourcc));

  v4l2_pix_format format{};
  format.width = kWidth;
  format.height = kHeight;
  format.pixelformat = GetParam().Fourcc;
  format.bytesperline = GetParam().BytesPerLine;
  const std::vector<uint8_t> bytes = GetParam().Frame();
  format.sizeimage = static_cast<uint32_t>(bytes.size());
  const std::optional<Bitmap> frame = converter.Convert(format, bytes.data(), bytes.size());
  ASSERT_TRUE(frame);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(frame->Pixel(x, y)[c], Luma(x, y)) << x << ", " << y << " channel " << c;

  EXPECT_FALSE(converter.Convert(format, bytes.data(), bytes.size() / 2));
}

INSTANTIATE_TEST_SUITE_P(Formats, FrameConverterLayouts,
                         ::testing::Values(Layout{"YUYV", V4L2_PIX_FMT_YUYV, kWidth * 2,
                                                  [] { return Packed422(1, 1, 3); }},
                                           Layout{"YVYU", V4L2_PIX_FMT_YVYU, kWidth * 2,
                                                  [] { return Packed422(1, 3, 1); }},
                                           Layout{"UYVY", V4L2_PIX_FMT_UYVY, kWidth * 2,
                                                  [] { return Packed422(0, 0, 2); }},
                                           Layout{"YUV420", V4L2_PIX_FMT_YUV420, kWidth, Planar420},
                                           Layout{"NV12", V4L2_PIX_FMT_NV12, kWidth, Planar420},
                                           Layout{"GREY", V4L2_PIX_FMT_GREY, kWidth,
                                                  [] {
                                                    std::vector<uint8_t> bytes = GreyPlane();
                                                    bytes.resize(kWidth * kHeight);
                                                    return bytes;
                                                  }}),
                         [](const auto& c) { return std::string(c.param.Name); });

v4l2_pix_format RgbFormat(uint32_t fourcc, uint32_t width, uint32_t height, uint32_t stride) {
  v4l2_pix_format format{};
  format.pixelformat = fourcc;
  format.width = width;
  format.height = height;
  format.bytesperline = stride;
  return format;
}

TEST(FrameConverter, Bgr24RowsAreCopiedPastTheirPadding) {
  // Two pixels a row, rows 8 bytes apart (2 bytes padding).
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12};
  const auto frame =
      CopyRgb24Frame(RgbFormat(V4L2_PIX_FMT_BGR24, 2, 2, 8), bytes.data(), bytes.size());
  ASSERT_TRUE(frame);
  EXPECT_EQ(std::vector<uint8_t>(frame->Row(0), frame->Row(0) + 6),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(std::vector<uint8_t>(frame->Row(1), frame->Row(1) + 6),
            (std::vector<uint8_t>{7, 8, 9, 10, 11, 12}));
}

TEST(FrameConverter, Rgb24IsTurnedIntoBgr) {
  const std::vector<uint8_t> bytes = {10, 20, 30, 40, 50, 60};
  const auto frame =
      CopyRgb24Frame(RgbFormat(V4L2_PIX_FMT_RGB24, 2, 1, 0), bytes.data(), bytes.size());
  ASSERT_TRUE(frame);
  EXPECT_EQ(std::vector<uint8_t>(frame->Row(0), frame->Row(0) + 6),
            (std::vector<uint8_t>{30, 20, 10, 60, 50, 40}));
}

TEST(FrameConverter, ShortOrForeignFramesGiveNothing) {
  const std::vector<uint8_t> bytes(14, 0);  // two rows of 8 bytes, the last one unpadded
  EXPECT_FALSE(CopyRgb24Frame(RgbFormat(V4L2_PIX_FMT_BGR24, 2, 2, 8), bytes.data(), 13));
  EXPECT_TRUE(CopyRgb24Frame(RgbFormat(V4L2_PIX_FMT_BGR24, 2, 2, 8), bytes.data(), 14));
  EXPECT_FALSE(CopyRgb24Frame(RgbFormat(V4L2_PIX_FMT_YUYV, 2, 2, 8), bytes.data(), 13));
  EXPECT_FALSE(CopyRgb24Frame(RgbFormat(V4L2_PIX_FMT_BGR24, 0, 2, 8), bytes.data(), 13));
}

}  // namespace
