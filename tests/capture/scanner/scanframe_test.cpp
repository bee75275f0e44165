#include "capture/scanner/scanframe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// Blue, green, red of pixel x in row y.
std::vector<int> Bgr(const Bitmap& image, int x, int y) {
  const uint8_t* p = image.Pixel(x, y);
  return {p[0], p[1], p[2]};
}

Bitmap Build(const ScanFrameLayout& layout, const std::vector<uint8_t>& data) {
  ScanImageBuilder builder;
  EXPECT_EQ(builder.BeginFrame(layout), "");
  EXPECT_TRUE(builder.Append(data.data(), data.size()));
  std::string error;
  std::optional<Bitmap> image = builder.Finish(error);
  EXPECT_TRUE(image) << error;
  return image ? *image : Bitmap();
}

TEST(ScanFrame, GreyAndColourBytesBecomeBlueGreenRed) {
  // Two lines of two pixels; one padding byte ends each grey line.
  const Bitmap grey = Build({ScanFrameFormat::Gray, 8, 3, 2, 2}, {10, 20, 99, 30, 40, 99});
  ASSERT_EQ(grey.Width(), 2);
  ASSERT_EQ(grey.Height(), 2);
  EXPECT_EQ(Bgr(grey, 1, 0), (std::vector<int>{20, 20, 20}));
  EXPECT_EQ(Bgr(grey, 0, 1), (std::vector<int>{30, 30, 30}));

  const Bitmap colour = Build({ScanFrameFormat::Rgb, 8, 6, 2, 1}, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(Bgr(colour, 0, 0), (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(Bgr(colour, 1, 0), (std::vector<int>{6, 5, 4}));
}

TEST(ScanFrame, OneBitIsInkOnGreyAndLightOnColour) {
  // 10 pixels: bits 1011000001, most significant first.
  const Bitmap grey = Build({ScanFrameFormat::Gray, 1, 2, 10, 1}, {0b10110000, 0b01000000});
  const int expected[10] = {0, 255, 0, 0, 255, 255, 255, 255, 255, 0};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(Bgr(grey, x, 0)[0], expected[x]) << x;
  // Colour: r g b of pixel 0 are bits 1 0 1; of pixel 1, 0 1 1.
  const Bitmap colour = Build({ScanFrameFormat::Rgb, 1, 1, 2, 1}, {0b10101100});
  EXPECT_EQ(Bgr(colour, 0, 0), (std::vector<int>{255, 0, 255}));
  EXPECT_EQ(Bgr(colour, 1, 0), (std::vector<int>{255, 255, 0}));
}

TEST(ScanFrame, SixteenBitSamplesInMachineOrderAreRoundedToEightBits) {
  const uint16_t samples[4] = {0, 0xFFFF, 0x8000, 257 * 17 + 128};
  std::vector<uint8_t> data(sizeof samples);
  std::memcpy(data.data(), samples, sizeof samples);
  const Bitmap grey = Build({ScanFrameFormat::Gray, 16, 8, 4, 1}, data);
  EXPECT_EQ(Bgr(grey, 0, 0)[1], 0);
  EXPECT_EQ(Bgr(grey, 1, 0)[1], 255);
  EXPECT_EQ(Bgr(grey, 2, 0)[1], 128);  // 32768 * 255 / 65535 = 127.5
  EXPECT_EQ(Bgr(grey, 3, 0)[1], 17);   // 4497 * 255 / 65535 = 17.5 less a hair
}

TEST(ScanFrame, ThreeSingleColourFramesMakeOnePicture) {
  ScanImageBuilder builder;
  const uint8_t red[2] = {200, 201};
  const uint8_t green[2] = {100, 101};
  const uint8_t blue[2] = {50, 51};
  for (auto [format, data] :
       {std::pair{ScanFrameFormat::Green, green}, std::pair{ScanFrameFormat::Red, red},
        std::pair{ScanFrameFormat::Blue, blue}}) {
    ASSERT_EQ(builder.BeginFrame({format, 8, 1, 1, 2}), "");
    // Data arrives in pieces that split lines.
    ASSERT_TRUE(builder.Append(data, 1));
    ASSERT_TRUE(builder.Append(data + 1, 1));
  }
  std::string error;
  const std::optional<Bitmap> image = builder.Finish(error);
  ASSERT_TRUE(image);
  EXPECT_EQ(Bgr(*image, 0, 0), (std::vector<int>{50, 100, 200}));
  EXPECT_EQ(Bgr(*image, 0, 1), (std::vector<int>{51, 101, 201}));
}

TEST(ScanFrame, UnknownHeightEndsWithTheLinesThatCame) {
  ScanImageBuilder builder;
  ASSERT_EQ(builder.BeginFrame({ScanFrameFormat::Gray, 8, 2, 2, -1}), "");
  EXPECT_FALSE(builder.FrameBytes());
  const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7};  // three lines and half of one
  ASSERT_TRUE(builder.Append(data.data(), data.size()));
  std::string error;
  const std::optional<Bitmap> image = builder.Finish(error);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->Height(), 3);
  EXPECT_EQ(Bgr(*image, 1, 2)[0], 6);
}

TEST(ScanFrame, RefusesWhatItCannotDrawAndDataBeyondTheToldHeight) {
  ScanImageBuilder builder;
  EXPECT_NE(builder.BeginFrame({ScanFrameFormat::Gray, 4, 1, 2, 1}), "");
  EXPECT_NE(builder.BeginFrame({ScanFrameFormat::Rgb, 8, 5, 2, 1}), "");  // line too short
  EXPECT_NE(builder.BeginFrame({ScanFrameFormat::Gray, 8, 0, 0, 1}), "");
  EXPECT_NE(builder.BeginFrame({ScanFrameFormat::Gray, 8, 70000, 70000, 1}), "");
  ASSERT_EQ(builder.BeginFrame({ScanFrameFormat::Gray, 8, 2, 2, 1}), "");
  const uint8_t data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(builder.Append(data, 4));
  // A second colour frame of another width.
  EXPECT_NE(builder.BeginFrame({ScanFrameFormat::Red, 8, 3, 3, 1}), "");

  ScanImageBuilder empty;
  ASSERT_EQ(empty.BeginFrame({ScanFrameFormat::Gray, 8, 2, 2, 5}), "");
  std::string error;
  EXPECT_FALSE(empty.Finish(error));
  EXPECT_NE(error, "");
}

}  // namespace
