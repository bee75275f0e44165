#include "assemblybuild.h"

#include "engine/panoram.h"

bool ComposeMosaic(Panoram& engine, bool smoothing) {
  if (!engine.BuildCanvas()) return false;
  engine.Compose(smoothing);
  return true;
}

void ShowMosaicPicture(const Panoram& engine, const MontageTable& table, Picture& picture,
                       bool crop) {
  // The engine clamps the crop rectangle to the canvas and shows everything for an empty one.
  if (crop) {
    engine.ShowResultPart(picture, engine.CommonRect(table));
  } else {
    engine.ShowResult(picture);
  }
}
