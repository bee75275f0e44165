#pragma once
// Loads a list of image files into the engine in list order, collecting what
// failed instead of adding broken bitmaps.

#include <functional>
#include <string>
#include <vector>

#include "imagefiles/imagefiles.h"

class Panoram;

struct AlbumLoadFailure {
  std::string Name;
  PixStatus Status;
};

struct AlbumLoadReport {
  int Added = 0;
  std::vector<AlbumLoadFailure> Failed;
  std::vector<AlbumLoadFailure>
      Damaged;             // added, but the decoder met damaged data (Status.Warning)
  bool StoreFull = false;  // loading stopped at the engine's capacity
  int NotLoaded = 0;       // names left untried because the store was full
  std::string LastName;    // the last name of the list, empty when there was none
};

struct AlbumLoadHooks {
  std::function<void()> BeforeFile;           // lets pending window messages run
  std::function<void(int percent)> Progress;  // after each file, 0..100
};

AlbumLoadReport LoadIntoAlbum(Panoram& engine, const std::vector<std::string>& names,
                              const AlbumLoadHooks& hooks = {});

// The folder part of a file name with its trailing separator; empty when it has none.
std::string FolderOf(const std::string& fileName);
