// Writes the crafted images into a folder: the fuzz target's seed corpus.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "support/craftedimages.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: versioninfo_make_corpus FOLDER\n";
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  for (const CraftedImage& image : CraftedImages()) {
    std::ofstream out(std::filesystem::path(argv[1]) / image.Name,
                      std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(image.Bytes.data()),
              static_cast<std::streamsize>(image.Bytes.size()));
    if (!out) {
      std::cerr << "cannot write " << image.Name << "\n";
      return 1;
    }
  }
  return 0;
}
