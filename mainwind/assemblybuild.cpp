#include "assemblybuild.h"

#include <algorithm>

#include "engine/panoram.h"

bool ComposeMosaic(Panoram& engine, bool smoothing) {
  if (!engine.BuildCanvas()) return false;
  engine.Compose(smoothing);
  return true;
}

Rect ClampToCanvas(const Rect& rect, int canvasWidth, int canvasHeight) {
  return {std::clamp(rect.Left, 0, canvasWidth), std::clamp(rect.Top, 0, canvasHeight),
          std::clamp(rect.Right, 0, canvasWidth), std::clamp(rect.Bottom, 0, canvasHeight)};
}

void ShowMosaicPicture(const Panoram& engine, const MontageTable& table, Picture& picture,
                       bool crop) {
  const auto& result = engine.Result();
  if (!result) return;
  if (crop) {
    const Rect part = ClampToCanvas(engine.CommonRect(table), result->Width(), result->Height());
    if (!part.IsEmpty()) {
      engine.ShowResultPart(picture, part);
      return;
    }
  }
  engine.ShowResult(picture);
}
