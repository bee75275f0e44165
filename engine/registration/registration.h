#pragma once
// The registration stage: one pair of images to its link and the link's
// confidence. Every search method has the same signature and one row in the
// table; a method made of others is composed from their rows.

#include <functional>
#include <span>

#include "imagefiles/bitmap.h"
#include "linkscore.h"
#include "linkweigher.h"
#include "pairmatch.h"
#include "searchmethod.h"

// One pair to register: image i - 1 (the source) and image i (the searched),
// the directions from the source in which the searched image may lie, tried
// in the order given, and the search settings in use.
struct PairQuery {
  const Bitmap& Source;
  const Bitmap& Searched;
  std::span<const int> Directions;  // codes 1..4
  int ZoneHeightPct = 0;
  int ZoneWidthPct = 0;
  int Radius = 0;
  int Step = 1;
  // Called after each direction a method tries, when given: progress.
  std::function<void()> Tried;
  // When given, Directions are not used: the searched image is expected
  // with its origin at *Around in source pixels, give or take Reach pixels.
  const Offset* Around = nullptr;
  int Reach = 0;
  // When given (of Source and Searched), links are weighed through it, so
  // that methods composed of others weigh each offset once.
  LinkWeigher* Weigher = nullptr;
};

// What a method found: the match, whose Score is the overlap score
// (linkscore.h), and the direction it lies in; kDirNone (0) when no direction
// gave a match.
struct PairLink {
  PairMatch Match;
  int Direction = 0;
};

using RegistrationMethod = PairLink (*)(const PairQuery& query);

// The method of each SearchMethod; never null.
RegistrationMethod RegistrationFor(SearchMethod method);

// Whether the method's link ends where the link confidence's own
// correlation peaks (phase correlation follows that peak; template then
// phase is polished to it): a prediction the confidence bears out near by
// is then the link the method would find.
bool EndsAtConfidencePeak(SearchMethod method);
