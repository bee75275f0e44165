// The terminal progress bar.
#include <gtest/gtest.h>

#include <cstdio>

#include "terminalprogress.h"

namespace {

TEST(TerminalProgress, BarFillsWithThePercentage) {
  EXPECT_EQ(TerminalProgress::Bar("s", 0), "s [" + std::string(30, ' ') + "]   0%");
  EXPECT_EQ(TerminalProgress::Bar("s", 50),
            "s [" + std::string(15, '#') + std::string(15, ' ') + "]  50%");
  EXPECT_EQ(TerminalProgress::Bar("s", 100), "s [" + std::string(30, '#') + "] 100%");
  EXPECT_EQ(TerminalProgress::Bar("s", 250), TerminalProgress::Bar("s", 100));
  EXPECT_EQ(TerminalProgress::Bar("s", -3), TerminalProgress::Bar("s", 0));
}

std::string Drawn(bool interactive) {
  std::FILE* f = std::tmpfile();
  if (f == nullptr) return "no temporary file";
  {
    TerminalProgress bar(f, "x", interactive);
    bar.SetPosition(10);
    bar.SetPosition(10);
    bar.SetPosition(20);
  }
  std::rewind(f);
  char buffer[512] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  return std::string(buffer, n);
}

TEST(TerminalProgress, RedrawsOnlyOnChangeAndEndsTheLine) {
  EXPECT_EQ(Drawn(true),
            "\r" + TerminalProgress::Bar("x", 10) + "\r" + TerminalProgress::Bar("x", 20) + "\n");
}

TEST(TerminalProgress, NonInteractiveWritesTheLastPositionOnce) {
  EXPECT_EQ(Drawn(false), TerminalProgress::Bar("x", 20) + "\n");
}

}  // namespace
