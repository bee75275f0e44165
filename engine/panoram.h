#pragma once
// The mosaic engine: the images of one mosaic in chain order, their links,
// places and the assembled result. Image i is linked only to image i - 1.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/setupdata.h"
#include "imagefiles/bitmap.h"
#include "montagetable.h"
#include "picture.h"
#include "placement/placement.h"
#include "placement/placementmethod.h"
#include "progress.h"
#include "registration/searchmethod.h"

// Side on which image i lies as seen from image i - 1.
enum DirectionCode : int32_t {
  kDirNone = 0,
  kDirRight = 1,
  kDirBelow = 2,
  kDirLeft = 3,
  kDirAbove = 4,
};

// One image of the mosaic.
struct PanImage {
  Rect Place;     // on the canvas, pixels
  Point LinkOut;  // pixel of this image matching LinkIn of the next; (0, 0) = not set
  Point LinkIn;   // pixel of this image matching LinkOut of the previous; (0, 0) = not set
  int32_t Direction = kDirNone;
  double Score = 0;  // confidence of the link to the previous image, 0..1 (linkscore.h)
  ::Bitmap Bitmap;   // full size, 24-bit
  ::Bitmap Thumb;    // 400 x 300 preview
  std::string Name;  // file name, or the name given to a captured frame
};

enum class AddImageResult {
  Added,
  StoreFull,    // 200 images already
  EmptyBitmap,  // nothing to add
  OutOfMemory,  // no memory for the copy or its preview; the store is unchanged
};

// Why BuildCanvas did or did not make a canvas; true when it did.
struct CanvasResult {
  enum Outcome { Built, TooLarge, OutOfMemory } Kind = Built;
  explicit operator bool() const { return Kind == Built; }
};

class Panoram {
 public:
  // What a new engine works with until it is given settings.
  static constexpr SetupData kInitialSettings{30, 20, 1, {}, 50, 0, 3};

  static constexpr int kCapacity = 200;
  static constexpr int kThumbWidth = 400;
  static constexpr int kThumbHeight = 300;

  Panoram() = default;
  Panoram(const Panoram&) = delete;
  Panoram& operator=(const Panoram&) = delete;

  // --- store and parameters ---
  // Kept as given; the search and assembly guard their own loops.
  void ApplySettings(const SetupData& settings) { settings_ = settings; }
  const SetupData& Settings() const { return settings_; }
  // Kept apart from the six settings: the settings file does not hold it.
  void SetSearchMethod(SearchMethod method) { method_ = method; }
  SearchMethod Method() const { return method_; }
  // Kept apart too; the stitch's callers apply it with PlaceAsChosen (stitchflow.h).
  void SetPlacementMethod(PlacementMethod method) { placing_ = method; }
  PlacementMethod Placing() const { return placing_; }
  AddImageResult AddImage(const ::Bitmap& bitmap, int32_t direction, const std::string& name);
  // The same, taking the bitmap over instead of copying it.
  AddImageResult AddImage(::Bitmap&& bitmap, int32_t direction, const std::string& name);
  void RemoveImage(int index);
  void MoveImage(int from, int to);
  void ClearAll();
  void ResetPlaces();

  int Count() const { return count_; }
  const PanImage& Image(int index) const { return images_[index]; }
  const std::string& Name(int index) const { return images_[index].Name; }
  const ::Bitmap& Thumb(int index) const { return images_[index].Thumb; }
  int32_t Direction(int index) const { return images_[index].Direction; }
  const ::Bitmap& ImageBitmap(int index) const { return images_[index].Bitmap; }
  const ::Bitmap& LastBitmap() const { return images_[count_ - 1].Bitmap; }
  const Rect& Place(int index) const { return images_[index].Place; }

  // One zone percentage serves both the height and the width of a zone.
  int32_t ZoneHeightPct() const { return settings_.ImageZone; }
  int32_t ZoneWidthPct() const { return settings_.ImageZone; }
  int32_t Radius() const { return settings_.FindR; }
  int32_t Step() const { return settings_.Quality; }
  int32_t FrameSize() const { return settings_.CropFrame; }
  bool CropImages() const { return settings_.Crop != 0; }
  int32_t BlendMode() const { return settings_.SmoothType; }

  const std::optional<::Bitmap>& Result() const { return result_; }
  const Rect& Bounds() const { return bounds_; }  // min Left, min Top, width, height

  // --- links ---
  Point GetLinkOut(int index) const { return images_[index].LinkOut; }
  void SetLinkOut(int index, int32_t x, int32_t y) { images_[index].LinkOut = {x, y}; }
  Point GetLinkIn(int index) const { return images_[index].LinkIn; }
  void SetLinkIn(int index, int32_t x, int32_t y) { images_[index].LinkIn = {x, y}; }
  bool LinkDefined(int index) const;
  bool AllLinksDefined() const;
  // Link index joins image index and index + 1. Every search scores its links;
  // after points are set by hand, UpdateLinkScore scores that link again.
  double LinkScore(int index) const {
    return index >= 0 && index + 1 < count_ ? images_[index + 1].Score : 0;
  }
  void UpdateLinkScore(int index);
  // A link as a search found it, its points with the score the search gave;
  // and the side image index lies on, which the next search along
  // directions follows.
  void SetFoundLink(int index, Point out, Point in, double score);
  void SetDirection(int index, int32_t direction);
  // Every link scored again from its points, links spread over the threads.
  void ScoreAllLinks();
  // Set, but scoring below kWeakLinkScore.
  bool LinkWeak(int index) const;

  // --- chain and montage table ---
  // Returns false when the chain reaches beyond the table; cells outside are not written.
  bool ChainToTable(MontageTable& table) const;
  void TableToChain(const MontageTable& table);

  // --- overlap search ---
  // Both return false when memory ran out; links and directions are then as before.
  bool SearchLinks(ProgressIndicator* progress);
  bool AutoSearchLinks(ProgressIndicator* progress);

  // --- placement and assembly ---
  void PlaceChain();
  // The chain's links in chain order, link i - 1 joining images i - 1 and i.
  std::vector<ImageLink> ChainLinks() const;
  std::vector<Rect> Places() const;
  // Places for the first images, one per image given.
  void SetPlaces(const std::vector<Rect>& places);
  // Without a canvas (an absurd layout, or no memory for it) there is no Result.
  CanvasResult BuildCanvas();
  // False when memory ran out; the half-composed Result is then dropped.
  bool Compose(bool smoothing);
  void BlendOverlaps(int index, int method, ::Bitmap& workingCopy, bool crop) const;

  // --- crop and output ---
  Rect CommonRect(const MontageTable& table) const;
  // Both return false when the picture could not take the mosaic (no memory).
  bool ShowResult(Picture& picture) const;
  // Shows rect clamped to the canvas (see ClampCropRect).
  bool ShowResultPart(Picture& picture, const Rect& rect) const;
  // Hands the mosaic over without a copy (a large one need not fit twice):
  // the whole canvas, or when crop is given the part ShowResultPart would show.
  // Afterwards the engine holds no Result; empty when it held none.
  ::Bitmap TakeResult(const Rect* crop = nullptr);

 private:
  static void ClearRecord(PanImage& record);
  template <typename Search>
  bool SearchKeepingLinks(const Search& search);
  void ComposeImages(bool smoothing);

  std::array<PanImage, kCapacity> images_{};
  int count_ = 0;
  std::optional<::Bitmap> result_;
  Rect bounds_{};
  SetupData settings_ = kInitialSettings;
  SearchMethod method_ = SearchMethod::Template;
  PlacementMethod placing_ = PlacementMethod::Chain;
};

// The part of a canvas that ShowResultPart shows for rect: rect clamped to the
// canvas, or the whole canvas when that leaves nothing.
Rect ClampCropRect(const Rect& rect, int canvasWidth, int canvasHeight);
