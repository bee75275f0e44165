#include "widgets/assemblywork.h"

#include <gtest/gtest.h>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

TEST(RunWhilePainting, WindowEventsRunDuringTheWork) {
  std::atomic<bool> timerFired{false};
  QTimer::singleShot(0, [&] { timerFired = true; });
  // The work cannot finish until the event loop has run the timer.
  bool sawTimer = false;
  RunWhilePainting([&] {
    while (!timerFired) std::this_thread::yield();
    sawTimer = true;
  });
  EXPECT_TRUE(sawTimer);
}

TEST(RunWhilePainting, WorkRunsOffTheWindowThread) {
  std::thread::id worker;
  RunWhilePainting([&] { worker = std::this_thread::get_id(); });
  EXPECT_NE(worker, std::this_thread::get_id());
}

TEST(RunWhilePainting, ExceptionsReachTheCaller) {
  EXPECT_THROW(RunWhilePainting([] { throw std::runtime_error("boom"); }), std::runtime_error);
}

}  // namespace
