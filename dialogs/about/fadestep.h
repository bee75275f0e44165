#pragma once
// One tick of a window fade: the splash window and the about box change their
// whole-window transparency by a step every 20 ms.

#include <cstdint>

constexpr int kFadeIntervalMs = 20;

struct FadeState {
  int32_t Alpha = 255;  // 255 opaque .. 0 fully transparent
  int32_t Step = 0;     // added to Alpha on each tick
};

enum class FadeOutcome {
  Running,
  Opaque,       // reached 255: the timer stops
  Transparent,  // reached 0: the timer stops and the window closes
};

FadeOutcome FadeTick(FadeState& state);

// The window opacity for an alpha: its low 8 bits, as a fraction of 255.
double FadeOpacity(int32_t alpha);
