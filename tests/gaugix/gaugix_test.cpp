// The measurement library through dlopen, as a foreign program uses it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "gaugix.h"  // bound to the checked copy's names by GAUGIX_NAME_PREFIX

namespace {

using PixelLineFn = float (*)(int32_t, int32_t, int32_t, int32_t);
using CalibrFn = double (*)(float, float);
using RealLineFn = double (*)(float, float);
using ExponentFn = int32_t (*)(float);

class GaugixLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { handle_ = dlopen(GAUGIX_LIBRARY, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(handle_, nullptr) << dlerror(); }

  template <typename Fn>
  static Fn Get(const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle_, name));
  }
  static inline void* handle_ = nullptr;
};

TEST_F(GaugixLibrary, EveryExportResolves) {
  for (const char* name : {"_GetPixelLine", "_CalibrPixel", "_CalcRealLine", "_CalcExponentPart"}) {
    EXPECT_NE(dlsym(handle_, name), nullptr) << name;
  }
  // The C identifiers of the header are not exported under their own names.
  EXPECT_EQ(dlsym(handle_, "GaugixGetPixelLine"), nullptr);
}

struct LineCase {
  int32_t x1, y1, x2, y2;
  float length;
};

class PixelLine : public GaugixLibrary, public ::testing::WithParamInterface<LineCase> {};

TEST_P(PixelLine, LengthInBothOrders) {
  const LineCase c = GetParam();
  const auto line = Get<PixelLineFn>("_GetPixelLine");
  ASSERT_NE(line, nullptr);
  EXPECT_FLOAT_EQ(line(c.x1, c.y1, c.x2, c.y2), c.length);
  EXPECT_FLOAT_EQ(line(c.x2, c.y2, c.x1, c.y1), c.length);
  // The sanitizer-checked copy agrees bit for bit, and overflow there would abort.
  EXPECT_EQ(GaugixGetPixelLine(c.x1, c.y1, c.x2, c.y2), line(c.x1, c.y1, c.x2, c.y2));
}

INSTANTIATE_TEST_SUITE_P(
    Segments, PixelLine,
    ::testing::Values(LineCase{0, 0, 3, 4, 5.0f}, LineCase{7, -2, 7, -2, 0.0f},
                      LineCase{-3, -4, 0, 0, 5.0f}, LineCase{10, 10, 10, 25, 15.0f},
                      LineCase{0, 0, 1, 1, std::sqrt(2.0f)},
                      // Differences wrap in 32 bits: INT_MAX - INT_MIN is -1.
                      LineCase{INT32_MIN, 0, INT32_MAX, 0, 1.0f},
                      LineCase{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, std::sqrt(2.0f)},
                      // 2^31 - 1 as a float is 2^31; the sum of squares needs double.
                      LineCase{0, 0, INT32_MAX, 0, 2147483648.0f},
                      LineCase{0, 0, INT32_MAX, INT32_MAX,
                               static_cast<float>(std::sqrt(2.0) * 2147483648.0)}));

TEST_F(GaugixLibrary, CalibrationAndRealLength) {
  const auto calibr = Get<CalibrFn>("_CalibrPixel");
  const auto real = Get<RealLineFn>("_CalcRealLine");
  ASSERT_TRUE(calibr && real);
  EXPECT_DOUBLE_EQ(calibr(200.0f, 50.0f), 0.25);
  EXPECT_DOUBLE_EQ(real(120.0f, 0.25f), 30.0);
  // Done in double from the float arguments: 1/3 keeps double precision.
  EXPECT_DOUBLE_EQ(calibr(3.0f, 1.0f), 1.0 / 3.0);
  EXPECT_DOUBLE_EQ(real(0.1f, 3.0f), static_cast<double>(0.1f) * 3.0);
  // The open cases, as the header documents them.
  EXPECT_EQ(calibr(0.0f, 5.0f), INFINITY);
  EXPECT_EQ(calibr(0.0f, -5.0f), -INFINITY);
  EXPECT_TRUE(std::isnan(calibr(0.0f, 0.0f)));
}

struct ExponentCase {
  float value;
  int32_t exponent;
};

class Exponent : public GaugixLibrary, public ::testing::WithParamInterface<ExponentCase> {};

TEST_P(Exponent, CutTowardZero) {
  const auto exponent = Get<ExponentFn>("_CalcExponentPart");
  ASSERT_NE(exponent, nullptr);
  EXPECT_EQ(exponent(GetParam().value), GetParam().exponent) << GetParam().value;
  EXPECT_EQ(GaugixCalcExponentPart(GetParam().value), GetParam().exponent);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Exponent,
    ::testing::Values(ExponentCase{1234.5f, 3}, ExponentCase{10.0f, 1}, ExponentCase{9.99f, 0},
                      ExponentCase{0.5f, 0}, ExponentCase{0.05f, -1}, ExponentCase{1.0f, 0},
                      ExponentCase{1e-3f, -2}, ExponentCase{0.0011f, -2}, ExponentCase{100.0f, 2},
                      ExponentCase{3.4e38f, 38}, ExponentCase{1e-45f, -44},
                      // Open cases: no exponent exists.
                      ExponentCase{0.0f, INT32_MIN}, ExponentCase{-5.0f, INT32_MIN},
                      ExponentCase{NAN, INT32_MIN}, ExponentCase{INFINITY, INT32_MAX}));

TEST_F(GaugixLibrary, ExponentIsZeroThroughoutTheOpenDecade) {
  const auto exponent = Get<ExponentFn>("_CalcExponentPart");
  ASSERT_NE(exponent, nullptr);
  // Every float step just inside both ends, and a sweep between.
  EXPECT_EQ(exponent(std::nextafter(0.1f, 1.0f)), 0);
  EXPECT_EQ(exponent(std::nextafter(10.0f, 0.0f)), 0);
  for (float v = 0.1001f; v < 10.0f; v *= 1.01f) EXPECT_EQ(exponent(v), 0) << v;
}

// The library's own defined dynamic symbols, as the system's nm lists them.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::set<std::string> names;
  const std::string command = "nm -D --defined-only '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return names;
  char line[512];
  while (fgets(line, sizeof line, pipe.get())) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (fields >> address >> type >> name) names.insert(name);
  }
  return names;
}

TEST(GaugixExports, ExactlyTheFourNames) {
  const auto names = DefinedDynamicSymbols(GAUGIX_LIBRARY);
  EXPECT_EQ(names, (std::set<std::string>{"_CalcExponentPart", "_CalcRealLine", "_CalibrPixel",
                                          "_GetPixelLine"}));
}

}  // namespace
