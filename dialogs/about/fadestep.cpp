#include "dialogs/about/fadestep.h"

FadeOutcome FadeTick(FadeState& state) {
  state.Alpha += state.Step;
  if (state.Alpha > 254) {
    state.Alpha = 255;
    return FadeOutcome::Opaque;
  }
  if (state.Alpha <= 0) {
    state.Alpha = 0;
    return FadeOutcome::Transparent;
  }
  return FadeOutcome::Running;
}

double FadeOpacity(int32_t alpha) { return static_cast<double>(alpha & 0xFF) / 255.0; }
