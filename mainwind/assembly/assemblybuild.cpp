#include "assemblybuild.h"

#include "engine/panoram.h"

bool ComposeMosaic(Panoram& engine, bool smoothing) {
  return engine.BuildCanvas() && engine.Compose(smoothing);
}

bool ShowMosaicPicture(const Panoram& engine, const MontageTable& table, Picture& picture,
                       bool crop) {
  // The engine clamps the crop rectangle to the canvas and shows everything for an empty one.
  return crop ? engine.ShowResultPart(picture, engine.CommonRect(table)) : engine.ShowResult(picture);
}
