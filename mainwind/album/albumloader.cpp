#include "albumloader.h"

#include "engine/panoram.h"

AlbumLoadReport LoadIntoAlbum(Panoram& engine, const std::vector<std::string>& names,
                              const AlbumLoadHooks& hooks) {
  AlbumLoadReport report;
  if (!names.empty()) report.LastName = names.back();
  const int n = static_cast<int>(names.size());
  for (int i = 0; i < n; ++i) {
    if (engine.Count() >= Panoram::kCapacity) {
      report.StoreFull = true;
      report.NotLoaded = n - i;
      break;
    }
    if (hooks.BeforeFile) hooks.BeforeFile();
    Bitmap work;
    const PixStatus status = PixLoadImage(names[i], work);
    if (!status) {
      report.Failed.push_back({names[i], status});
    } else {
      switch (engine.AddImage(std::move(work), kDirNone, names[i])) {
        case AddImageResult::Added:
          ++report.Added;
          if (!status.Warning.empty()) report.Damaged.push_back({names[i], status});
          break;
        case AddImageResult::OutOfMemory:
          report.Failed.push_back(
              {names[i], PixStatus::Fail(PixError::OutOfMemory, "no memory to add")});
          break;
        case AddImageResult::StoreFull:
          report.StoreFull = true;
          report.NotLoaded = n - i;
          return report;
        case AddImageResult::EmptyBitmap:
          report.Failed.push_back(
              {names[i], PixStatus::Fail(PixError::Corrupt, "the image holds no pixels")});
          break;
      }
    }
    if (hooks.Progress) hooks.Progress((i + 1) * 100 / n);
  }
  return report;
}

std::string FolderOf(const std::string& fileName) {
  const auto cut = fileName.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : fileName.substr(0, cut + 1);
}
