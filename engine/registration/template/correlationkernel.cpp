// Kernel choice, and the portable kernels.
#include "correlationkernel.h"

#include <algorithm>
#include <atomic>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define QUILTOR_X86 1
#endif

namespace {
std::atomic<CorrelationKernel> g_kernel{CorrelationKernel::Auto};

bool HasAvx2() {
#ifdef QUILTOR_X86
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}
}  // namespace

#ifdef QUILTOR_X86
constexpr bool kSse2Built = true;
#else
constexpr bool kSse2Built = false;
#endif

void SetCorrelationKernel(CorrelationKernel kernel) { g_kernel = kernel; }

bool CorrelationKernelAvailable(CorrelationKernel kernel) {
  switch (kernel) {
    case CorrelationKernel::Auto:
    case CorrelationKernel::Scalar: return true;
    case CorrelationKernel::Sse2: return kSse2Built;
    case CorrelationKernel::Avx2: return HasAvx2();
  }
  return false;
}

CorrelationKernel ChosenCorrelationKernel() {
  const CorrelationKernel k = g_kernel.load();
  if (k != CorrelationKernel::Auto && CorrelationKernelAvailable(k)) return k;
  return HasAvx2()
             ? CorrelationKernel::Avx2
             : (CorrelationKernelAvailable(CorrelationKernel::Sse2) ? CorrelationKernel::Sse2
                                                                    : CorrelationKernel::Scalar);
}

void AddCrossSums(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                  int pairCount, int count, int64_t* out) {
  switch (ChosenCorrelationKernel()) {
    case CorrelationKernel::Avx2:
      AddCrossSumsAvx2(rows, templPairs, rowCount, pairCount, count, out);
      return;
    case CorrelationKernel::Sse2:
      AddCrossSumsSse2(rows, templPairs, rowCount, pairCount, count, out);
      return;
    default: AddCrossSumsScalar(rows, templPairs, rowCount, pairCount, count, out);
  }
}

void AddCrossSumsScalar(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                        int pairCount, int count, int64_t* out) {
  for (int j = 0; j < count; ++j) {
    uint32_t acc = 0;  // wraps only past 2^32, which the caller rules out
    for (int v = 0; v < rowCount; ++v) {
      const uint32_t* s = rows[v] + j;
      const uint32_t* t = templPairs + static_cast<size_t>(v) * pairCount;
      for (int m = 0; m < pairCount; ++m) {
        const uint32_t a = s[2 * m];
        acc += (a & 0xFFFF) * (t[m] & 0xFFFF) + (a >> 16) * (t[m] >> 16);
      }
    }
    out[j] += acc;
  }
}

#ifdef QUILTOR_X86
void AddCrossSumsSse2(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                      int pairCount, int count, int64_t* out) {
  constexpr int kBlock = 16;
  alignas(16) uint32_t sums[kBlock];
  for (int j = 0; j < count; j += kBlock) {
    __m128i a0 = _mm_setzero_si128(), a1 = a0, a2 = a0, a3 = a0;
    for (int v = 0; v < rowCount; ++v) {
      const uint32_t* s = rows[v] + j;
      const uint32_t* t = templPairs + static_cast<size_t>(v) * pairCount;
      for (int m = 0; m < pairCount; ++m, s += 2) {
        const __m128i tp = _mm_set1_epi32(static_cast<int>(t[m]));
        const __m128i* p = reinterpret_cast<const __m128i*>(s);
        // 16-bit samples times 16-bit template values, pairs summed into 32 bits.
        a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_loadu_si128(p), tp));
        a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_loadu_si128(p + 1), tp));
        a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_loadu_si128(p + 2), tp));
        a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_loadu_si128(p + 3), tp));
      }
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(sums), a0);
    _mm_store_si128(reinterpret_cast<__m128i*>(sums + 4), a1);
    _mm_store_si128(reinterpret_cast<__m128i*>(sums + 8), a2);
    _mm_store_si128(reinterpret_cast<__m128i*>(sums + 12), a3);
    const int n = std::min(kBlock, count - j);
    for (int i = 0; i < n; ++i) out[j + i] += sums[i];
  }
}
#else
void AddCrossSumsSse2(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                      int pairCount, int count, int64_t* out) {
  AddCrossSumsScalar(rows, templPairs, rowCount, pairCount, count, out);
}
#endif
