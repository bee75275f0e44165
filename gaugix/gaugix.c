/* The four measurement functions. Only these four names leave the library
 * (default visibility here, hidden elsewhere, and the version script). */
#include "gaugix.h"

#include <math.h>

#define GAUGIX_EXPORT __attribute__((visibility("default")))

/* Differences wrap in 32 bits like the machine's subtraction; done through
 * unsigned arithmetic, where wrapping is defined behaviour. */
static float WrappedDifference(int32_t from, int32_t to) {
  const uint32_t diff = (uint32_t)to - (uint32_t)from;
  const int32_t signed_diff = diff <= INT32_MAX ? (int32_t)diff : -(int32_t)(UINT32_MAX - diff) - 1;
  return (float)signed_diff;
}

GAUGIX_EXPORT float GaugixGetPixelLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const float dx = WrappedDifference(x1, x2);
  const float dy = WrappedDifference(y1, y2);
  const double sum = (double)dx * (double)dx + (double)dy * (double)dy;
  return (float)sqrt(sum);
}

GAUGIX_EXPORT double GaugixCalibrPixel(float pixelLength, float realLength) {
  return (double)realLength / (double)pixelLength;
}

GAUGIX_EXPORT double GaugixCalcRealLine(float pixelLength, float pixelSize) {
  return (double)pixelLength * (double)pixelSize;
}

GAUGIX_EXPORT int32_t GaugixCalcExponentPart(float value) {
  if (!(value > 0.0f)) return INT32_MIN; /* also NaN */
  if (isinf(value)) return INT32_MAX;
  /* Any finite float has |log10| below 46, well inside int32. */
  return (int32_t)trunc(log10((double)value));
}
