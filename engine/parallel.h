#pragma once
// Splits independent engine work across threads. Every index is handled by
// exactly one call of the body, so results never depend on the thread count.

#include <algorithm>
#include <cstdint>
#include <functional>

// 0 (the default) uses one thread per hardware core; 1 forces all work onto
// the calling thread, which tests use to compare against threaded runs.
void SetEngineThreads(int threads);
int EngineThreads();

// Calls body(begin, end) on disjoint ranges that together cover [0, count),
// in chunks of at least grain indexes, and returns when all are done.
// A call made from inside a running body runs on its own thread only.
void ParallelFor(int count, int grain, const std::function<void(int, int)>& body);

// While one lives, the engine work its thread starts stays on that thread:
// for work beside a window's thread, which keeps a core of its own, and
// which on a shared machine would otherwise wait on the busiest core.
class EngineWorkOnThisThread {
 public:
  EngineWorkOnThisThread();
  ~EngineWorkOnThisThread();
  EngineWorkOnThisThread(const EngineWorkOnThisThread&) = delete;
  EngineWorkOnThisThread& operator=(const EngineWorkOnThisThread&) = delete;

 private:
  bool was_;
};

// Items per chunk so that a chunk holds at least minWork units of work, which
// keeps small jobs on the calling thread (starting a thread costs more).
inline int GrainFor(int64_t workPerItem, int64_t minWork, int atLeast = 1) {
  const int64_t items = minWork / std::max<int64_t>(workPerItem, 1) + 1;
  return static_cast<int>(std::clamp<int64_t>(items, atLeast, INT32_MAX));
}
