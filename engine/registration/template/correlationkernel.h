#pragma once
// Exact integer sums of products for the correlation search, computed for
// many neighbouring candidates at once.
//
// The searched intensities come as pair arrays: element j holds the sample
// at decimated column j in its low 16 bits and the one at column j + 1 in its
// high 16 bits. Template pairs hold samples 2m and 2m + 1 of a template row
// the same way (the missing partner of an odd row is 0).

#include <cstdint>

enum class CorrelationKernel { Auto, Scalar, Sse2, Avx2 };

// Chooses the kernel for the whole program; Auto takes the fastest one the
// processor has. Tests use it to check every kernel against the others.
void SetCorrelationKernel(CorrelationKernel kernel);
bool CorrelationKernelAvailable(CorrelationKernel kernel);
// The kernel in use: the one chosen where the processor has it, else the
// fastest it has. The feature search follows it too.
CorrelationKernel ChosenCorrelationKernel();

// Candidates are processed in blocks of this many; pair arrays must be
// readable up to the count rounded up to it, plus 2 * pairCount elements.
constexpr int kCrossBlock = 32;

// For j < count: out[j] += sum over v < rowCount, m < pairCount of
//   lo(rows[v][j + 2m]) * lo(templPairs[v * pairCount + m]) +
//   hi(rows[v][j + 2m]) * hi(templPairs[v * pairCount + m]).
// The sum added for one call must stay below 2^32 (the caller splits rows).
void AddCrossSums(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                  int pairCount, int count, int64_t* out);

// The individual kernels, same contract.
void AddCrossSumsScalar(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                        int pairCount, int count, int64_t* out);
void AddCrossSumsSse2(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                      int pairCount, int count, int64_t* out);
void AddCrossSumsAvx2(const uint32_t* const* rows, const uint32_t* templPairs, int rowCount,
                      int pairCount, int count, int64_t* out);
