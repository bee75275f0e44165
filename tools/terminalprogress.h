#pragma once
// A progress bar redrawn in place on a terminal stream.

#include <cstdio>
#include <string>

#include "engine/progress.h"

class TerminalProgress : public ProgressIndicator {
 public:
  // Draws nothing when stream is null. An interactive bar is redrawn in place
  // at every change; otherwise only the last position is written, once, at Finish.
  TerminalProgress(std::FILE* stream, std::string caption, bool interactive);
  ~TerminalProgress() override;
  void SetPosition(int percent) override;
  // Ends the bar's line; later positions start a new bar.
  void Finish();

  static std::string Bar(const std::string& caption, int percent);

 private:
  std::FILE* stream_;
  std::string caption_;
  bool interactive_;
  int shown_ = -1;
};
