#include "capture/scanner/scanframe.h"

#include <algorithm>
#include <cstring>

namespace {

int SamplesPerPixel(ScanFrameFormat format) { return format == ScanFrameFormat::Rgb ? 3 : 1; }

int64_t LineBits(const ScanFrameLayout& layout) {
  return int64_t{layout.PixelsPerLine} * SamplesPerPixel(layout.Format) * layout.Depth;
}

// Sample i of a line, scaled to 0..255.
uint8_t Sample(const ScanFrameLayout& layout, const uint8_t* line, int64_t i) {
  switch (layout.Depth) {
    case 1: {
      const bool set = (line[i / 8] >> (7 - i % 8)) & 1;
      // Line art: a set bit is ink on grey frames, light on colour ones.
      const bool light = layout.Format == ScanFrameFormat::Gray ? !set : set;
      return light ? 255 : 0;
    }
    case 16: {
      uint16_t value = 0;
      std::memcpy(&value, line + i * 2, sizeof value);
      return static_cast<uint8_t>((uint32_t{value} * 255 + 32767) / 65535);
    }
    default: return line[i];
  }
}

// Byte of a blue-green-red pixel that a single-colour frame fills.
int ChannelOf(ScanFrameFormat format) {
  switch (format) {
    case ScanFrameFormat::Red: return 2;
    case ScanFrameFormat::Green: return 1;
    case ScanFrameFormat::Blue: return 0;
    default: return -1;
  }
}

}  // namespace

void ConvertScanLine(const ScanFrameLayout& layout, const uint8_t* line, uint8_t* bgr) {
  const int width = layout.PixelsPerLine;
  if (layout.Format == ScanFrameFormat::Rgb) {
    for (int x = 0; x < width; ++x) {
      bgr[x * 3 + 2] = Sample(layout, line, int64_t{x} * 3);
      bgr[x * 3 + 1] = Sample(layout, line, int64_t{x} * 3 + 1);
      bgr[x * 3] = Sample(layout, line, int64_t{x} * 3 + 2);
    }
    return;
  }
  const int channel = ChannelOf(layout.Format);
  for (int x = 0; x < width; ++x) {
    const uint8_t value = Sample(layout, line, x);
    if (channel < 0) {
      bgr[x * 3] = bgr[x * 3 + 1] = bgr[x * 3 + 2] = value;
    } else {
      bgr[x * 3 + channel] = value;
    }
  }
}

std::string ScanImageBuilder::BeginFrame(const ScanFrameLayout& layout) {
  if (layout.Depth != 1 && layout.Depth != 8 && layout.Depth != 16) {
    return "Сканер передаёт " + std::to_string(layout.Depth) +
           " бит на отсчёт; поддерживаются 1, 8 и 16.";
  }
  if (layout.PixelsPerLine <= 0 || layout.Lines == 0 || layout.Lines < -1) {
    return "Сканер сообщил пустой размер изображения.";
  }
  if ((LineBits(layout) + 7) / 8 > layout.BytesPerLine) {
    return "Сканер сообщил длину строки меньше её точек.";
  }
  const int64_t lines = std::max(layout.Lines, 1);
  if (!Bitmap::SizeAllowed(layout.PixelsPerLine, lines)) {
    return "Изображение сканера слишком велико.";
  }
  if (width_ != 0 && layout.PixelsPerLine != width_) {
    return "Кадры цветного сканирования разной ширины.";
  }
  width_ = layout.PixelsPerLine;
  layout_ = layout;
  frameLine_ = 0;
  frameRead_ = 0;
  pending_.clear();
  return {};
}

bool ScanImageBuilder::Append(const uint8_t* data, size_t size) {
  frameRead_ += static_cast<int64_t>(size);
  const size_t lineBytes = static_cast<size_t>(layout_.BytesPerLine);
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  while (size > 0) {
    const size_t take = std::min(size, lineBytes - pending_.size());
    pending_.insert(pending_.end(), data, data + take);
    data += take;
    size -= take;
    if (pending_.size() < lineBytes) break;
    if (layout_.Lines > 0 && frameLine_ >= layout_.Lines) return false;
    if (frameLine_ >= rows_) {
      if (!Bitmap::SizeAllowed(width_, int64_t{rows_} + 1)) return false;
      pixels_.resize(pixels_.size() + rowBytes, 255);
      ++rows_;
    }
    ConvertScanLine(layout_, pending_.data(), pixels_.data() + frameLine_ * rowBytes);
    ++frameLine_;
    pending_.clear();
  }
  return true;
}

std::optional<int64_t> ScanImageBuilder::FrameBytes() const {
  if (layout_.Lines < 0) return std::nullopt;
  return int64_t{layout_.Lines} * layout_.BytesPerLine;
}

std::optional<Bitmap> ScanImageBuilder::Finish(std::string& error) {
  // A device may end a frame early (a sheet shorter than the area): the
  // picture is the lines that came.
  const int height = rows_;
  if (rows_ == 0 || width_ == 0) {
    error = "Сканер не передал ни одной строки изображения.";
    return std::nullopt;
  }
  std::optional<Bitmap> image = Bitmap::TryCreate(width_, height, 255);
  if (!image) {
    error = "Не хватает памяти для изображения сканера.";
    return std::nullopt;
  }
  const size_t rowBytes = static_cast<size_t>(width_) * 3;
  for (int y = 0; y < rows_; ++y)
    std::memcpy(image->Row(y), pixels_.data() + y * rowBytes, rowBytes);
  std::vector<uint8_t>().swap(pixels_);
  return image;
}
