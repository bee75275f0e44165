#include "terminalprogress.h"

#include <algorithm>

namespace {
constexpr int kBarWidth = 30;
}

TerminalProgress::TerminalProgress(std::FILE* stream, std::string caption, bool interactive)
    : stream_(stream), caption_(std::move(caption)), interactive_(interactive) {}

TerminalProgress::~TerminalProgress() { Finish(); }

std::string TerminalProgress::Bar(const std::string& caption, int percent) {
  const int p = std::clamp(percent, 0, 100);
  const int filled = p * kBarWidth / 100;
  std::string bar =
      caption + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] ";
  const std::string number = std::to_string(p);
  return bar + std::string(3 - number.size(), ' ') + number + "%";
}

void TerminalProgress::SetPosition(int percent) {
  if (!stream_ || percent == shown_) return;
  shown_ = percent;
  if (!interactive_) return;
  // Carriage return: the bar is redrawn over itself.
  std::fprintf(stream_, "\r%s", Bar(caption_, percent).c_str());
  std::fflush(stream_);
}

void TerminalProgress::Finish() {
  if (!stream_ || shown_ < 0) return;
  if (!interactive_) std::fputs(Bar(caption_, shown_).c_str(), stream_);
  std::fputc('\n', stream_);
  std::fflush(stream_);
  shown_ = -1;
}
