#pragma once
// One pair of the chain searched again on its own, with a method and a side
// of the user's choosing. The search only reads the engine; the link changes
// when the result is kept, and only if the pair is still as it was searched.

#include <cstdint>

#include "imagefiles/bitmap.h"
#include "montagetable.h"
#include "registration/linkscore.h"
#include "registration/searchmethod.h"

class Panoram;

// The link between images Link and Link + 1 as the engine holds it.
struct PairLinkState {
  Point Out;  // LinkOut of the parent
  Point In;   // LinkIn of the child
  int32_t Direction = 0;
  double Score = 0;
  bool operator==(const PairLinkState&) const = default;
  bool Set() const { return !(Out == Point{}) && !(In == Point{}); }
  Offset At() const { return OffsetOfLink(Out, In); }
};

struct PairSearch {
  enum Outcome {
    Found,
    NotFound,     // no side asked gave a match
    OutOfMemory,  // the search could not get its memory
    NoPair,       // no such link in the engine
  } Kind = NoPair;
  int Link = -1;
  SearchMethod Method = SearchMethod::Template;
  int AskedDirection = 0;  // 1..4, or 0: every side
  PairLinkState Before;    // the link when it was searched
  PairLinkState Result;    // when Found: the new link, Direction the side it lies on
};

PairLinkState LinkStateOf(const Panoram& engine, int link);

// Searches link's pair with method on the side direction (1 right .. 4
// above of the parent), or on every side when direction is 0. Reads only
// the engine's images and settings, so it may run on another thread while
// nothing changes the engine.
PairSearch SearchPairAgain(const Panoram& engine, int link, SearchMethod method, int direction);

struct KeptPairSearch {
  bool Kept = false;  // false: nothing found, or the pair changed since; the engine is untouched
  // The side changed and the montage table was laid out anew from the chain.
  bool TableRedrawn = false;
  // The side changed, but the chain does not lay out on the table (two
  // images in one cell, or beyond its edge): the table was left as it was.
  bool TableKept = false;
};

// Puts a found link into the engine and, when its side changed, into table.
KeptPairSearch KeepPairSearch(Panoram& engine, MontageTable& table, const PairSearch& search);
