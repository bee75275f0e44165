// Resampling by our own loops: the toolkit's scaling runs on its thread pool
// and waits for ever when no thread can be started (short memory).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "imagefiles.h"

namespace {

// Source span [Begin, End) that destination index i covers when n source
// pixels map onto m; at least one pixel, so enlarging repeats pixels.
struct Span {
  int Begin, End;
};

std::vector<Span> Spans(int n, int m, bool box) {
  std::vector<Span> spans(static_cast<size_t>(m));
  for (int i = 0; i < m; ++i) {
    if (box) {
      const int begin = static_cast<int>(int64_t{i} * n / m);
      const int end = static_cast<int>(int64_t{i + 1} * n / m);
      spans[i] = {begin, end > begin ? end : begin + 1};
    } else {  // the pixel under the centre of the destination pixel
      const int at = static_cast<int>((int64_t{2} * i + 1) * n / (int64_t{2} * m));
      spans[i] = {at, at + 1};
    }
  }
  return spans;
}

}  // namespace

void PixResample(const Bitmap& source, Bitmap& destination, int mode) {
  if (destination.Empty()) return;
  if (source.Empty()) {
    destination.Fill(0, 0, 0);
    return;
  }
  // Modes 3 and 5 average every source pixel under a destination pixel.
  const bool box = mode == 3 || mode == 5;
  const int dw = destination.Width();
  const std::vector<Span> columns = Spans(source.Width(), dw, box);
  const std::vector<Span> rows = Spans(source.Height(), destination.Height(), box);
  std::vector<uint64_t> sums(static_cast<size_t>(dw) * 3);
  for (int y = 0; y < destination.Height(); ++y) {
    std::fill(sums.begin(), sums.end(), 0);
    for (int sy = rows[y].Begin; sy < rows[y].End; ++sy) {
      const uint8_t* src = source.Row(sy);
      for (int x = 0; x < dw; ++x) {
        for (int sx = columns[x].Begin; sx < columns[x].End; ++sx) {
          for (int c = 0; c < 3; ++c) sums[3 * x + c] += src[3 * sx + c];
        }
      }
    }
    uint8_t* dst = destination.Row(y);
    const uint64_t rowCount = static_cast<uint64_t>(rows[y].End - rows[y].Begin);
    for (int x = 0; x < dw; ++x) {
      const uint64_t area = rowCount * static_cast<uint64_t>(columns[x].End - columns[x].Begin);
      // Rounded to the nearest level.
      for (int c = 0; c < 3; ++c)
        dst[3 * x + c] = static_cast<uint8_t>((sums[3 * x + c] + area / 2) / area);
    }
  }
}

Bitmap MakeThumbnail(const Bitmap& source, int width, int height, int mode) {
  Bitmap thumb(width, height);
  PixResample(source, thumb, mode);
  return thumb;
}
