#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QProgressBar>
#include <QThread>

#include <thread>
#include <vector>

#include "widgets/barprogress.h"

namespace {

TEST(BarProgress, ReportsFromAWorkerReachTheBarOnItsOwnThreadInOrder) {
  QProgressBar bar;
  bar.setRange(0, 100);
  std::vector<int> seen;
  bool offThread = false;
  QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
    seen.push_back(value);
    offThread |= QThread::currentThread() != bar.thread();
  });
  BarProgress progress(&bar);
  std::thread worker([&] {
    for (int p : {10, 10, 40, 75, 100}) progress.SetPosition(p);
  });
  worker.join();
  QCoreApplication::processEvents();
  EXPECT_FALSE(offThread);
  EXPECT_EQ(seen, (std::vector<int>{10, 40, 75, 100}));
  EXPECT_EQ(bar.value(), 100);
}

TEST(BarProgress, OnTheBarsThreadTheBarMovesAtOnce) {
  QProgressBar bar;
  bar.setRange(0, 100);
  BarProgress progress(&bar);
  progress.SetPosition(30);
  EXPECT_EQ(bar.value(), 30);
}

}  // namespace
