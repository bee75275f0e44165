// A plain fork-join over std::thread: the work items are coarse (rows of a
// search), so spawning per call costs far less than the work itself.
#include "parallel.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {
std::atomic<int> g_threads{0};
thread_local bool t_insideWorker = false;

int HardwareThreads() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(std::min(n, 64u));
}
}  // namespace

void SetEngineThreads(int threads) { g_threads = std::max(0, threads); }

int EngineThreads() {
  const int n = g_threads.load();
  return n > 0 ? n : HardwareThreads();
}

EngineWorkOnThisThread::EngineWorkOnThisThread() : was_(t_insideWorker) { t_insideWorker = true; }

EngineWorkOnThisThread::~EngineWorkOnThisThread() { t_insideWorker = was_; }

void ParallelFor(int count, int grain, const std::function<void(int, int)>& body) {
  if (count <= 0) return;
  grain = std::max(1, grain);
  const int chunks = (count + grain - 1) / grain;
  const int workers = t_insideWorker ? 1 : std::min(EngineThreads(), chunks);
  if (workers <= 1) {
    body(0, count);
    return;
  }
  std::atomic<int> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  auto run = [&] {
    t_insideWorker = true;
    try {
      for (int c = next++; c < chunks; c = next++) {
        const int64_t begin = int64_t{c} * grain;
        body(static_cast<int>(begin), static_cast<int>(std::min<int64_t>(count, begin + grain)));
      }
    } catch (...) {
      std::lock_guard<std::mutex> lock(failureLock);
      if (!failure) failure = std::current_exception();
      next = chunks;
    }
    t_insideWorker = false;
  };
  std::vector<std::thread> threads;
  threads.reserve(static_cast<size_t>(workers - 1));
  try {
    for (int t = 1; t < workers; ++t) threads.emplace_back(run);
  } catch (const std::system_error&) {
    // No more threads to be had: the ones running (and this one) take all chunks.
  }
  run();
  for (auto& t : threads) t.join();
  if (failure) std::rethrow_exception(failure);
}
