// The AVX2 kernel, compiled for that instruction set alone and called only
// when the processor reports it. Kept free of library headers so that no
// shared inline code is ever built with these instructions.
#include "correlationkernel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

__attribute__((target("avx2"))) void AddCrossSumsAvx2(const uint32_t* const* rows,
                                                      const uint32_t* templPairs, int rowCount,
                                                      int pairCount, int count, int64_t* out) {
  constexpr int kBlock = 32;
  alignas(32) uint32_t sums[kBlock];
  for (int j = 0; j < count; j += kBlock) {
    __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, a3 = a0;
    for (int v = 0; v < rowCount; ++v) {
      const uint32_t* s = rows[v] + j;
      const uint32_t* t = templPairs + static_cast<long>(v) * pairCount;
      for (int m = 0; m < pairCount; ++m, s += 2) {
        const __m256i tp = _mm256_set1_epi32(static_cast<int>(t[m]));
        const __m256i* p = reinterpret_cast<const __m256i*>(s);
        a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_loadu_si256(p), tp));
        a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(_mm256_loadu_si256(p + 1), tp));
        a2 = _mm256_add_epi32(a2, _mm256_madd_epi16(_mm256_loadu_si256(p + 2), tp));
        a3 = _mm256_add_epi32(a3, _mm256_madd_epi16(_mm256_loadu_si256(p + 3), tp));
      }
    }
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums), a0);
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums + 8), a1);
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums + 16), a2);
    _mm256_store_si256(reinterpret_cast<__m256i*>(sums + 24), a3);
    const int n = count - j < kBlock ? count - j : kBlock;
    for (int i = 0; i < n; ++i) out[j + i] += sums[i];
  }
}
#else
void AddCrossSumsAvx2(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                      int pairCount, int count, int64_t* out) {
  AddCrossSumsScalar(rows, templPairs, rowCount, pairCount, count, out);
}
#endif
