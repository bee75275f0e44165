// The terminal progress bar.
#include <gtest/gtest.h>

#include <cstdio>

#include "terminalprogress.h"

namespace {

TEST(TerminalProgress, BarFillsWithThePercentage) {
  EXPECT_EQ(TerminalProgress::Bar("s", 0), "s [" + std::string(30, ' ') + "]   0%");
  EXPECT_EQ(TerminalProgress::Bar("s", 50), "s [" + std::string(15, '#') + std::string(15, ' ') + "]  50%");
  EXPECT_EQ(TerminalProgress::Bar("s", 100), "s [" + std::string(30, '#') + "] 100%");
  EXPECT_EQ(TerminalProgress::Bar("s", 250), TerminalProgress::Bar("s", 100));
  EXPECT_EQ(TerminalProgress::Bar("s", -3), TerminalProgress::Bar("s", 0));
}

TEST(TerminalProgress, RedrawsOnlyOnChangeAndEndsTheLine) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  {
    TerminalProgress bar(f, "x");
    bar.SetPosition(10);
    bar.SetPosition(10);
    bar.SetPosition(20);
  }
  std::rewind(f);
  char buffer[512] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  const std::string text(buffer, n);
  EXPECT_EQ(text, "\r" + TerminalProgress::Bar("x", 10) + "\r" + TerminalProgress::Bar("x", 20) + "\n");
}

}  // namespace
