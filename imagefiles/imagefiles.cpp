#include "imagefiles.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <cstring>
#include <new>

#include "bitmapview.h"
#include "bmpreader.h"
#include "fileguards.h"

namespace {

// Enough for the largest bitmap we accept, counted as Qt counts it (4 bytes a pixel).
constexpr int kReaderLimitMiB =
    static_cast<int>(Bitmap::kMaxPixels * 4 / (1024 * 1024) + 1);

QString ToQt(const std::string& s) { return QString::fromStdString(s); }

PixStatus CheckStructure(const QString& path, const QByteArray& format) {
  QFile file(path);
  if (format == "bmp") {
    if (!file.open(QIODevice::ReadOnly)) return PixStatus::Fail(PixError::Unreadable, "cannot open");
    const QByteArray header = file.read(64);
    switch (CheckBmpComplete(header.toStdString(), file.size())) {
      case GuardResult::Ok: break;
      case GuardResult::Truncated: return PixStatus::Fail(PixError::Corrupt, "BMP pixel data truncated");
      case GuardResult::Malformed: return PixStatus::Fail(PixError::Corrupt, "BMP header malformed");
      case GuardResult::TooLarge: return PixStatus::Fail(PixError::TooLarge, "BMP dimensions too large");
    }
  } else if (format == "jpeg" || format == "jpg") {
    if (!file.open(QIODevice::ReadOnly)) return PixStatus::Fail(PixError::Unreadable, "cannot open");
    const QByteArray all = file.readAll();
    switch (CheckJpegComplete(all.toStdString())) {
      case GuardResult::Ok: break;
      case GuardResult::Truncated: return PixStatus::Fail(PixError::Corrupt, "JPEG data truncated");
      case GuardResult::Malformed: return PixStatus::Fail(PixError::Corrupt, "JPEG structure malformed");
      case GuardResult::TooLarge: return PixStatus::Fail(PixError::TooLarge, "JPEG too large");
    }
  }
  return PixStatus::Success();
}

// Copies a decoded image into a 24-bit bitmap, converting rows one at a time
// so that a large image is never held twice in full.
PixStatus CopyToBitmap(QImage& image, Bitmap& out) {
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
      break;
    default:
      // Grey, 16-bit, indexed and premultiplied images go through one conversion.
      image.convertTo(QImage::Format_ARGB32);
      if (image.isNull()) return PixStatus::Fail(PixError::OutOfMemory, "conversion failed");
  }
  auto created = Bitmap::TryCreate(image.width(), image.height());
  if (!created) return PixStatus::Fail(PixError::OutOfMemory, "no memory for the bitmap");
  Bitmap& bitmap = *created;
  const int w = image.width();
  const QImage::Format format = image.format();
  for (int y = 0; y < image.height(); ++y) {
    const uchar* src = image.constScanLine(y);
    uint8_t* dst = bitmap.Row(y);
    if (format == QImage::Format_BGR888) {
      std::memcpy(dst, src, static_cast<size_t>(w) * 3);
    } else if (format == QImage::Format_RGB888) {
      for (int x = 0; x < w; ++x) {
        dst[3 * x] = src[3 * x + 2];
        dst[3 * x + 1] = src[3 * x + 1];
        dst[3 * x + 2] = src[3 * x];
      }
    } else {  // 0xAARRGGBB words
      const auto* words = reinterpret_cast<const QRgb*>(src);
      for (int x = 0; x < w; ++x) {
        dst[3 * x] = static_cast<uint8_t>(qBlue(words[x]));
        dst[3 * x + 1] = static_cast<uint8_t>(qGreen(words[x]));
        dst[3 * x + 2] = static_cast<uint8_t>(qRed(words[x]));
      }
    }
  }
  out = std::move(bitmap);
  return PixStatus::Success();
}

}  // namespace

void PixInit() { QImageReader::setAllocationLimit(kReaderLimitMiB); }

PixStatus PixLoadImage(const std::string& fileName, Bitmap& bitmap) {
  const QString path = ToQt(fileName);
  const QFileInfo info(path);
  if (!info.exists()) return PixStatus::Fail(PixError::NotFound, "file does not exist");
  if (!info.isFile() || !info.isReadable())
    return PixStatus::Fail(PixError::Unreadable, "not a readable file");
  if (info.size() == 0) return PixStatus::Fail(PixError::Empty, "file is empty");

  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QByteArray format = reader.format().toLower();
  if (format.isEmpty()) return PixStatus::Fail(PixError::Unsupported, "unknown image format");

  const QSize size = reader.size();
  if (size.isValid() && !Bitmap::SizeAllowed(size.width(), size.height()))
    return PixStatus::Fail(PixError::TooLarge, "image is " + std::to_string(size.width()) + " x " +
                                                   std::to_string(size.height()));

  if (PixStatus s = CheckStructure(path, format); !s) return s;
  if (format == "bmp") {
    PixStatus status;
    if (ReadUncompressedBmp(fileName, bitmap, status) == BmpReadOutcome::Done) return status;
  }

  QImage image;
  try {
    if (!reader.read(&image) || image.isNull()) {
      const auto why = reader.error();
      if (why == QImageReader::UnsupportedFormatError)
        return PixStatus::Fail(PixError::Unsupported, reader.errorString().toStdString());
      if (why == QImageReader::FileNotFoundError || why == QImageReader::DeviceError)
        return PixStatus::Fail(PixError::Unreadable, reader.errorString().toStdString());
      if (size.isValid() && !Bitmap::SizeAllowed(size.width(), size.height()))
        return PixStatus::Fail(PixError::TooLarge, reader.errorString().toStdString());
      return PixStatus::Fail(PixError::Corrupt, reader.errorString().toStdString());
    }
  } catch (const std::bad_alloc&) {
    return PixStatus::Fail(PixError::OutOfMemory, "no memory to decode");
  }
  if (!Bitmap::SizeAllowed(image.width(), image.height()))
    return PixStatus::Fail(PixError::TooLarge, "image too large");
  return CopyToBitmap(image, bitmap);
}

bool PixCanWrite(const std::string& fileName) {
  const QByteArray suffix = QFileInfo(ToQt(fileName)).suffix().toLower().toLatin1();
  return !suffix.isEmpty() && QImageWriter::supportedImageFormats().contains(suffix);
}

PixStatus PixSaveImage(const std::string& fileName, const Bitmap& bitmap) {
  if (bitmap.Empty()) return PixStatus::Fail(PixError::WriteFailed, "empty image");
  const QString path = ToQt(fileName);
  const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
  if (!PixCanWrite(fileName))
    return PixStatus::Fail(PixError::Unsupported, "cannot write format '" + suffix.toStdString() + "'");

  // The target is replaced only after the whole image is written.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return PixStatus::Fail(PixError::WriteFailed, file.errorString().toStdString());
  QImageWriter writer(&file, suffix);
  if (suffix == "jpg" || suffix == "jpeg") writer.setQuality(95);
  if (!writer.write(BitmapView(bitmap))) {
    file.cancelWriting();
    return PixStatus::Fail(PixError::WriteFailed, writer.errorString().toStdString());
  }
  if (!file.commit()) return PixStatus::Fail(PixError::WriteFailed, file.errorString().toStdString());
  return PixStatus::Success();
}

void PixResample(const Bitmap& source, Bitmap& destination, int mode) {
  if (destination.Empty()) return;
  if (source.Empty()) {
    destination.Fill(0, 0, 0);
    return;
  }
  const Qt::TransformationMode how =
      (mode == 3 || mode == 5) ? Qt::SmoothTransformation : Qt::FastTransformation;
  const QImage scaled = BitmapView(source).scaled(destination.Width(), destination.Height(),
                                            Qt::IgnoreAspectRatio, how)
                            .convertToFormat(QImage::Format_BGR888);
  const size_t rowBytes = static_cast<size_t>(destination.Width()) * 3;
  for (int y = 0; y < destination.Height(); ++y)
    std::memcpy(destination.Row(y), scaled.constScanLine(y), rowBytes);
}

Bitmap MakeThumbnail(const Bitmap& source, int width, int height, int mode) {
  Bitmap thumb(width, height);
  PixResample(source, thumb, mode);
  return thumb;
}
