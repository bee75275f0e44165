#include "rowintensities.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

void RowIntensitiesPlain(const uint8_t* p, int count, int16_t* out) {
  for (int j = 0; j < count; ++j, p += 3) out[j] = static_cast<int16_t>(Intensity(p));
}

int64_t SquareSumsPlain(const uint8_t* top, const uint8_t* bottom, int count, float* out) {
  int64_t total = 0;
  for (int j = 0; j < count; ++j, top += 6, bottom += 6) {
    const int sum = Intensity(top) + Intensity(top + 3) + Intensity(bottom) + Intensity(bottom + 3);
    out[j] = static_cast<float>(sum);
    total += sum;
  }
  return total;
}

#if defined(__x86_64__)
// The intensities of sixteen pixels from p, eight to a register: the three
// channels gathered by byte shuffles, summed in 16 bits, and divided by 3
// exactly as (sum * 43691) >> 17, which holds for every sum up to 765.
struct Sixteen {
  __m128i Low, High;
};
__attribute__((target("ssse3"))) inline Sixteen IntensitiesOf16(const uint8_t* p) {
  const __m128i b0 = _mm_setr_epi8(0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i b1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14, -1, -1, -1, -1, -1);
  const __m128i b2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, 4, 7, 10, 13);
  const __m128i g0 = _mm_setr_epi8(1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i g1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15, -1, -1, -1, -1, -1);
  const __m128i g2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 2, 5, 8, 11, 14);
  const __m128i r0 = _mm_setr_epi8(2, 5, 8, 11, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i r1 = _mm_setr_epi8(-1, -1, -1, -1, -1, 1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1);
  const __m128i r2 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 3, 6, 9, 12, 15);
  const __m128i zero = _mm_setzero_si128();
  const __m128i third = _mm_set1_epi16(static_cast<int16_t>(43691));
  const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
  const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
  const __m128i b = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, b0), _mm_shuffle_epi8(v1, b1)),
                                 _mm_shuffle_epi8(v2, b2));
  const __m128i g = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, g0), _mm_shuffle_epi8(v1, g1)),
                                 _mm_shuffle_epi8(v2, g2));
  const __m128i r = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, r0), _mm_shuffle_epi8(v1, r1)),
                                 _mm_shuffle_epi8(v2, r2));
  const __m128i lo =
      _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(g, zero)),
                    _mm_unpacklo_epi8(r, zero));
  const __m128i hi =
      _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(g, zero)),
                    _mm_unpackhi_epi8(r, zero));
  return {_mm_srli_epi16(_mm_mulhi_epu16(lo, third), 1),
          _mm_srli_epi16(_mm_mulhi_epu16(hi, third), 1)};
}

__attribute__((target("ssse3"))) void RowIntensitiesSsse3(const uint8_t* p, int count,
                                                          int16_t* out) {
  int j = 0;
  for (; j + 16 <= count; j += 16, p += 48) {
    const Sixteen v = IntensitiesOf16(p);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), v.Low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j + 8), v.High);
  }
  RowIntensitiesPlain(p, count - j, out + j);
}

// Eight squares of two rows at a time: each row's sixteen intensities are
// added, then neighbours in pairs; whole numbers, so in any order.
__attribute__((target("ssse3"))) int64_t SquareSumsSsse3(const uint8_t* top, const uint8_t* bottom,
                                                         int count, float* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi16(1);
  __m128i lanes = zero;
  int j = 0;
  for (; j + 8 <= count; j += 8, top += 48, bottom += 48) {
    const Sixteen a = IntensitiesOf16(top);
    const Sixteen b = IntensitiesOf16(bottom);
    const __m128i sums = _mm_hadd_epi16(_mm_add_epi16(a.Low, b.Low), _mm_add_epi16(a.High, b.High));
    lanes = _mm_add_epi32(lanes, _mm_madd_epi16(sums, ones));
    _mm_storeu_ps(out + j, _mm_cvtepi32_ps(_mm_unpacklo_epi16(sums, zero)));
    _mm_storeu_ps(out + j + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(sums, zero)));
  }
  alignas(16) int32_t four[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(four), lanes);
  return int64_t{four[0]} + four[1] + four[2] + four[3] +
         SquareSumsPlain(top, bottom, count - j, out + j);
}
#endif

}  // namespace

void RowIntensities(const uint8_t* p, int count, int16_t* out) {
#if defined(__x86_64__)
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) return RowIntensitiesSsse3(p, count, out);
#endif
  RowIntensitiesPlain(p, count, out);
}

int64_t SquareSums(const uint8_t* top, const uint8_t* bottom, int count, float* out) {
#if defined(__x86_64__)
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) return SquareSumsSsse3(top, bottom, count, out);
#endif
  return SquareSumsPlain(top, bottom, count, out);
}
