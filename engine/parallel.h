#pragma once
// Splits independent engine work across threads. Every index is handled by
// exactly one call of the body, so results never depend on the thread count.

#include <functional>

// 0 (the default) uses one thread per hardware core; 1 forces all work onto
// the calling thread, which tests use to compare against threaded runs.
void SetEngineThreads(int threads);
int EngineThreads();

// Calls body(begin, end) on disjoint ranges that together cover [0, count),
// in chunks of at least grain indexes, and returns when all are done.
// A call made from inside a running body runs on its own thread only.
void ParallelFor(int count, int grain, const std::function<void(int, int)>& body);
