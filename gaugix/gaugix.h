/* Gaugix: pixel-to-length measurement functions for other programs.
 *
 * The library exports exactly four C names: "_GetPixelLine", "_CalibrPixel",
 * "_CalcRealLine" and "_CalcExponentPart". The declarations below bind
 * ordinary C identifiers to those names. No state; safe from any thread.
 *
 * Choices this library makes:
 * - GaugixCalibrPixel and GaugixCalcRealLine return double; the division and
 *   the product are done in double from the two float arguments.
 * - GaugixCalibrPixel with a pixel length of 0 returns what IEEE division
 *   gives: +inf or -inf by the sign of the real length, NaN for 0 / 0.
 * - GaugixCalcExponentPart returns INT32_MIN for 0, negative values and NaN
 *   (no decimal exponent exists), and INT32_MAX for +inf.
 * - GaugixGetPixelLine takes the coordinate differences in wrapping 32-bit
 *   arithmetic, so (INT32_MIN, 0, INT32_MAX, 0) is a segment of length 1,
 *   as a 32-bit machine subtraction gives. */
#ifndef GAUGIX_GAUGIX_H
#define GAUGIX_GAUGIX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Test builds may rename the exports to link a second copy beside the library. */
#ifndef GAUGIX_NAME_PREFIX
#define GAUGIX_NAME_PREFIX ""
#endif
#define GAUGIX_NAME(name) __asm__(GAUGIX_NAME_PREFIX name)

/* Length in pixels of the segment (x1, y1)-(x2, y2). */
float GaugixGetPixelLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) GAUGIX_NAME("_GetPixelLine");

/* Real size of one pixel: realLength / pixelLength. */
double GaugixCalibrPixel(float pixelLength, float realLength) GAUGIX_NAME("_CalibrPixel");

/* Real length: pixelLength * pixelSize. */
double GaugixCalcRealLine(float pixelLength, float pixelSize) GAUGIX_NAME("_CalcRealLine");

/* Decimal exponent: log10(value) cut toward zero (0.05 gives -1, 0.5 gives 0). */
int32_t GaugixCalcExponentPart(float value) GAUGIX_NAME("_CalcExponentPart");

#ifdef __cplusplus
}
#endif

#endif
