// The correlation kernels against a plain sum of products, and the thread
// splitter the searches run on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "engine/parallel.h"
#include "engine/registration/template/correlationkernel.h"

namespace {

using Kernel = void (*)(const uint32_t* const*, const uint32_t*, int, int, int, int64_t*);

struct KernelCase {
  int Rows, Pairs, Count;
  bool Brightest;  // every value 255: the largest sums a call may make
};

void CheckKernel(Kernel kernel, const KernelCase& c, uint32_t seed) {
  std::mt19937 rng(seed);
  auto value = [&]() -> uint32_t { return c.Brightest ? 255 : rng() % 256; };
  const int length = (c.Count + kCrossBlock - 1) / kCrossBlock * kCrossBlock + 2 * c.Pairs;
  std::vector<std::vector<uint32_t>> data(static_cast<size_t>(c.Rows));
  std::vector<const uint32_t*> rows;
  for (auto& r : data) {
    for (int j = 0; j < length; ++j) r.push_back(value() | value() << 16);
    rows.push_back(r.data());
  }
  std::vector<uint32_t> templ;
  for (int i = 0; i < c.Rows * c.Pairs; ++i) templ.push_back(value() | value() << 16);

  std::vector<int64_t> expected(static_cast<size_t>(c.Count), 5);  // kernels add to what is there
  for (int j = 0; j < c.Count; ++j) {
    for (int v = 0; v < c.Rows; ++v) {
      for (int m = 0; m < c.Pairs; ++m) {
        const uint32_t s = data[v][j + 2 * m];
        const uint32_t t = templ[static_cast<size_t>(v) * c.Pairs + m];
        expected[j] += int64_t{s & 0xFFFF} * (t & 0xFFFF) + int64_t{s >> 16} * (t >> 16);
      }
    }
  }
  std::vector<int64_t> got(static_cast<size_t>(c.Count), 5);
  kernel(rows.data(), templ.data(), c.Rows, c.Pairs, c.Count, got.data());
  EXPECT_EQ(got, expected);
}

class KernelTable : public ::testing::TestWithParam<KernelCase> {};

TEST_P(KernelTable, EveryKernelGivesTheExactSums) {
  const KernelCase& c = GetParam();
  CheckKernel(AddCrossSumsScalar, c, 1);
  if (CorrelationKernelAvailable(CorrelationKernel::Sse2)) CheckKernel(AddCrossSumsSse2, c, 2);
  if (CorrelationKernelAvailable(CorrelationKernel::Avx2)) CheckKernel(AddCrossSumsAvx2, c, 3);
  CheckKernel(AddCrossSums, c, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, KernelTable,
    ::testing::Values(KernelCase{1, 1, 1, false}, KernelCase{3, 5, 31, false},
                      KernelCase{10, 5, 33, false}, KernelCase{7, 2, 64, false},
                      KernelCase{2, 50, 100, false},
                      // 330 rows of 100 pairs of 255 * 255: just below 2^32, past 2^31.
                      KernelCase{330, 100, 40, true}));

TEST(ParallelForTest, EveryIndexExactlyOnce) {
  for (int threads : {1, 2, 5}) {
    SetEngineThreads(threads);
    for (int count : {0, 1, 7, 100, 1001}) {
      for (int grain : {1, 3, 64, 5000}) {
        std::vector<std::atomic<int>> hits(static_cast<size_t>(count));
        ParallelFor(count, grain, [&](int begin, int end) {
          ASSERT_LE(0, begin);
          ASSERT_LE(end, count);
          for (int i = begin; i < end; ++i) ++hits[i];
        });
        for (int i = 0; i < count; ++i) ASSERT_EQ(hits[i].load(), 1) << count << "/" << grain;
      }
    }
  }
  SetEngineThreads(0);
}

TEST(ParallelForTest, NestedCallsAndFailures) {
  SetEngineThreads(3);
  std::atomic<int> total{0};
  ParallelFor(6, 1, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      ParallelFor(10, 1, [&](int b, int e) { total += e - b; });
    }
  });
  EXPECT_EQ(total.load(), 60);
  EXPECT_THROW(ParallelFor(50, 1,
                           [](int begin, int) {
                             if (begin == 17) throw std::runtime_error("item 17");
                           }),
               std::runtime_error);
  SetEngineThreads(0);
  EXPECT_GE(EngineThreads(), 1);
}

// The threads a ParallelFor of slow items runs on.
std::set<std::thread::id> ThreadsUsed() {
  std::mutex lock;
  std::set<std::thread::id> used;
  ParallelFor(200, 1, [&](int, int) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::lock_guard<std::mutex> hold(lock);
    used.insert(std::this_thread::get_id());
  });
  return used;
}

TEST(ParallelForTest, WorkOnThisThreadStaysOnItWhileTheGuardLives) {
  SetEngineThreads(4);
  const std::set<std::thread::id> here{std::this_thread::get_id()};
  {
    const EngineWorkOnThisThread alone;
    { const EngineWorkOnThisThread nested; }
    // The inner guard's end leaves the outer one in force.
    EXPECT_EQ(ThreadsUsed(), here);
  }
  EXPECT_GT(ThreadsUsed().size(), 1u);
  SetEngineThreads(0);
}

}  // namespace
