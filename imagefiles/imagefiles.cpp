#include "imagefiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "bitmapview.h"
#include "bmpreader.h"
#include "fileguards.h"
#include "pngwriter.h"
#include "pyramidtiff.h"
#include "tiffwriter.h"

namespace {

// Enough for the largest bitmap we accept, counted as Qt counts it (4 bytes a pixel).
constexpr int kReaderLimitMiB = static_cast<int>(Bitmap::kMaxPixels * 4 / (1024 * 1024) + 1);

// For the suffix only: the toolkit cannot carry a name that is not valid in
// the system's encoding, so files are opened by their bytes (OpenFile).
QString ToQt(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

// The file by the name's own bytes; false with errno set when it cannot be opened.
bool OpenFile(const std::string& fileName, QFile& file) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
  ::close(fd);
  errno = EIO;
  return false;
}

// A reader over the open file: the format from the content, else from the
// name's suffix (formats without a signature); false when neither knows it.
bool OpenReader(const std::string& fileName, QFile& file, QImageReader& reader) {
  reader.setDevice(&file);
  reader.setAutoTransform(false);
  if (!reader.format().isEmpty()) return true;
  file.seek(0);
  reader.setDevice(&file);
  reader.setFormat(QFileInfo(ToQt(fileName)).suffix().toLower().toLatin1());
  return reader.canRead();
}

// --- codec warnings ---
// The JPEG decoder accepts damaged entropy data and only logs a warning, and
// encoders log why they failed; while a load or save runs on a thread, the
// image plugins' messages are collected here instead.
thread_local std::string* t_decoderWarnings = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void CollectDecoderWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& text) {
  if (t_decoderWarnings != nullptr && type != QtFatalMsg && context.category != nullptr &&
      std::strncmp(context.category, "qt.gui.imageio", 14) == 0) {
    if (!t_decoderWarnings->empty()) *t_decoderWarnings += "; ";
    *t_decoderWarnings += text.toStdString();
    return;
  }
  if (g_previousHandler != nullptr) g_previousHandler(type, context, text);
}

struct WarningCollector {
  std::string Text;
  WarningCollector() { t_decoderWarnings = &Text; }
  ~WarningCollector() { t_decoderWarnings = nullptr; }
};

// --- structure checks ---
std::string ReadFile(QFile& file, qint64 bytes) {
  const QByteArray data = file.read(bytes);
  return std::string(data.constData(), static_cast<size_t>(data.size()));
}

PixStatus GuardStatus(GuardResult result, const char* what) {
  const std::string name(what);
  switch (result) {
    case GuardResult::Ok: return PixStatus::Success();
    case GuardResult::Truncated:
      return PixStatus::Fail(PixError::Corrupt, name + " data truncated");
    case GuardResult::Malformed:
      return PixStatus::Fail(PixError::Corrupt, name + " structure malformed");
    case GuardResult::TooLarge:
      return PixStatus::Fail(PixError::TooLarge, name + " dimensions too large");
  }
  return PixStatus::Success();
}

PixStatus CheckStructure(const std::string& fileName, const QByteArray& format) {
  const bool bmp = format == "bmp";
  const bool whole = format == "jpeg" || format == "jpg" || format == "gif";
  if (!bmp && !whole) return PixStatus::Success();
  QFile file;
  if (!OpenFile(fileName, file)) return PixStatus::Fail(PixError::Unreadable, std::strerror(errno));
  try {
    if (bmp) {
      const std::string header = ReadFile(file, 64);
      if (PixStatus s = GuardStatus(CheckBmpComplete(header, file.size()), "BMP"); !s) return s;
      if (!BmpIsRunLength(header)) return PixStatus::Success();
      file.seek(0);
      return GuardStatus(CheckBmpRunsComplete(ReadFile(file, file.size())), "BMP run-length");
    }
    const std::string all = ReadFile(file, file.size());
    if (format == "gif") return GuardStatus(CheckGifComplete(all), "GIF");
    return GuardStatus(CheckJpegComplete(all), "JPEG");
  } catch (const std::bad_alloc&) {
    return PixStatus::Fail(PixError::OutOfMemory, "no memory to check the file");
  }
}

// Why the file cannot be read at all, by the system's own reason.
PixStatus CheckFileAccess(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    const int error = errno;
    if (error == ENOENT) return PixStatus::Fail(PixError::NotFound, "file does not exist");
    return PixStatus::Fail(PixError::Unreadable, std::strerror(error));
  }
  if (S_ISDIR(st.st_mode)) return PixStatus::Fail(PixError::Unreadable, "is a folder");
  if (!S_ISREG(st.st_mode)) return PixStatus::Fail(PixError::Unreadable, "not a regular file");
  if (::access(fileName.c_str(), R_OK) != 0)
    return PixStatus::Fail(PixError::Unreadable, std::strerror(errno));
  if (st.st_size == 0) return PixStatus::Fail(PixError::Empty, "file is empty");
  return PixStatus::Success();
}

// Qt reports a failed allocation like damaged data: when the decoder said
// so, or two images of the announced size cannot be made now (a decoder
// holds more than the picture while it works), memory was the reason.
bool NoMemoryFor(const QSize& size, const std::string& decoderWords) {
  if (QString::fromStdString(decoderWords).contains(QLatin1String("memory"), Qt::CaseInsensitive))
    return true;
  if (!size.isValid()) return false;
  const QImage probe(size, QImage::Format_ARGB32);
  if (probe.isNull()) return true;
  const QImage second(size, QImage::Format_ARGB32);
  return second.isNull();
}

// Copies a decoded image into a 24-bit bitmap row by row; other formats are
// converted one row at a time, never the whole image at once (memory, and the
// toolkit's whole-image conversion runs on its thread pool).
PixStatus CopyToBitmap(const QImage& image, Bitmap& out) {
  auto created = Bitmap::TryCreate(image.width(), image.height());
  if (!created) return PixStatus::Fail(PixError::OutOfMemory, "no memory for the bitmap");
  Bitmap& bitmap = *created;
  const int w = image.width();
  QImage::Format format = image.format();
  const bool direct = format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                      format == QImage::Format_RGB888 || format == QImage::Format_BGR888;
  for (int y = 0; y < image.height(); ++y) {
    QImage converted;
    const uchar* src = image.constScanLine(y);
    if (!direct) {
      converted = image.copy(0, y, w, 1).convertToFormat(QImage::Format_ARGB32);
      if (converted.isNull()) return PixStatus::Fail(PixError::OutOfMemory, "conversion failed");
      src = converted.constScanLine(0);
      format = QImage::Format_ARGB32;
    }
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

// --- writing ---
// The formats we write: each holds a full-colour picture at its full size up
// to its own limits (others shrink it, drop colours or scale it down).
struct WriteFormat {
  const char* Suffix;
  int64_t MaxSide;       // pixels
  int64_t MaxDataBytes;  // uncompressed pixel bytes the format can address; 0: no limit
};
constexpr int64_t k4GiB = int64_t{1} << 32;
constexpr WriteFormat kWriteFormats[] = {
    {"bmp", Bitmap::kMaxSide, k4GiB - 54},  // sizes are 32-bit fields
    {"png", Bitmap::kMaxSide, 0},
    {"jpg", 65500, 0},
    {"jpeg", 65500, 0},
    {"tif", Bitmap::kMaxSide, k4GiB - 4096},  // classic offsets are 32-bit
    {"tiff", Bitmap::kMaxSide, k4GiB - 4096},
    {"webp", 16383, 0},
    {"ppm", Bitmap::kMaxSide, 0},
};

QByteArray SuffixOf(const std::string& fileName) {
  return QFileInfo(ToQt(fileName)).suffix().toLower().toLatin1();
}

const WriteFormat* WriteFormatFor(const std::string& fileName) {
  const QByteArray suffix = SuffixOf(fileName);
  for (const WriteFormat& f : kWriteFormats) {
    if (suffix == f.Suffix) {
      return QImageWriter::supportedImageFormats().contains(suffix) ? &f : nullptr;
    }
  }
  return nullptr;
}

// An encoder's output device over a staged file. Encoders seek (TIFF writes
// its header last), so it is a random-access device.
class StagedDevice : public QIODevice {
 public:
  explicit StagedDevice(StagedFile& file) : file_(file) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return false; }
  bool seek(qint64 pos) override { return file_.Seek(pos) && QIODevice::seek(pos); }
  qint64 size() const override { return file_.Size(); }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 length) override {
    return file_.Write(data, static_cast<size_t>(length)) ? length : -1;
  }

 private:
  StagedFile& file_;
};

// The rows go straight from the bitmap to the file: they already are a
// 24-bit BMP's rows, and no second copy of a large mosaic is made.
bool WriteBmp(QIODevice& device, const Bitmap& bitmap, double dotsPerInch) {
  const std::string header = BmpFileHeader(bitmap.Width(), bitmap.Height(), dotsPerInch);
  if (device.write(header.data(), static_cast<qint64>(header.size())) != qint64(header.size()))
    return false;
  const auto rowBytes = static_cast<qint64>(bitmap.Width()) * Bitmap::kBytesPerPixel;
  // Padding is written as zeros, whatever the bitmap's padding bytes hold.
  const char zeros[4] = {};
  const qint64 pad = static_cast<qint64>(bitmap.Stride()) - rowBytes;
  for (int y = bitmap.Height() - 1; y >= 0; --y) {  // stored bottom-up
    if (device.write(reinterpret_cast<const char*>(bitmap.Row(y)), rowBytes) != rowBytes)
      return false;
    if (pad > 0 && device.write(zeros, pad) != pad) return false;
  }
  return true;
}

// Binary PPM, row by row: the toolkit's writer converts the whole picture
// first, a second copy made on its thread pool.
bool WritePpm(QIODevice& device, const Bitmap& bitmap) {
  const std::string header =
      "P6\n" + std::to_string(bitmap.Width()) + " " + std::to_string(bitmap.Height()) + "\n255\n";
  if (device.write(header.data(), static_cast<qint64>(header.size())) != qint64(header.size()))
    return false;
  const auto rowBytes = static_cast<qint64>(bitmap.Width()) * Bitmap::kBytesPerPixel;
  std::vector<char> rgb(static_cast<size_t>(rowBytes));
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* bgr = bitmap.Row(y);
    for (qint64 i = 0; i < rowBytes; i += 3) {
      rgb[i] = static_cast<char>(bgr[i + 2]);
      rgb[i + 1] = static_cast<char>(bgr[i + 1]);
      rgb[i + 2] = static_cast<char>(bgr[i]);
    }
    if (device.write(rgb.data(), rowBytes) != rowBytes) return false;
  }
  return true;
}

}  // namespace

void PixInit() {
  QImageReader::setAllocationLimit(kReaderLimitMiB);
  static std::once_flag installed;
  std::call_once(installed,
                 [] { g_previousHandler = qInstallMessageHandler(CollectDecoderWarnings); });
}

PixStatus PixLoadImage(const std::string& fileName, Bitmap& bitmap) {
  if (PixStatus s = CheckFileAccess(fileName); !s) return s;
  QFile file;
  if (!OpenFile(fileName, file)) return PixStatus::Fail(PixError::Unreadable, std::strerror(errno));
  QImageReader reader;
  if (!OpenReader(fileName, file, reader))
    return PixStatus::Fail(PixError::Unsupported, "unknown image format");
  const QByteArray format = reader.format().toLower();

  // Structure first: a malformed header must not pass for a huge image.
  if (PixStatus s = CheckStructure(fileName, format); !s) return s;
  const QSize size = reader.size();
  if (size.isValid() && !Bitmap::SizeAllowed(size.width(), size.height()))
    return PixStatus::Fail(PixError::TooLarge, "image is " + std::to_string(size.width()) + " x " +
                                                   std::to_string(size.height()));
  if (format == "bmp") {
    PixStatus status;
    if (ReadUncompressedBmp(fileName, bitmap, status) == BmpReadOutcome::Done) return status;
  }

  try {
    QImage image;
    WarningCollector warnings;
    if (!reader.read(&image) || image.isNull()) {
      const auto why = reader.error();
      if (why == QImageReader::UnsupportedFormatError)
        return PixStatus::Fail(PixError::Unsupported, reader.errorString().toStdString());
      if (why == QImageReader::FileNotFoundError || why == QImageReader::DeviceError)
        return PixStatus::Fail(PixError::Unreadable, reader.errorString().toStdString());
      if (NoMemoryFor(size, warnings.Text))
        return PixStatus::Fail(PixError::OutOfMemory, "no memory to decode the image");
      return PixStatus::Fail(PixError::Corrupt, reader.errorString().toStdString());
    }
    if (!Bitmap::SizeAllowed(image.width(), image.height()))
      return PixStatus::Fail(PixError::TooLarge, "image too large");
    PixStatus status = CopyToBitmap(image, bitmap);
    if (status) status.Warning = warnings.Text;
    return status;
  } catch (const std::bad_alloc&) {
    return PixStatus::Fail(PixError::OutOfMemory, "no memory to decode the image");
  }
}

bool PixImageSize(const std::string& fileName, int64_t& width, int64_t& height) {
  QFile file;
  QImageReader reader;
  if (!OpenFile(fileName, file) || !OpenReader(fileName, file, reader)) return false;
  const QSize size = reader.size();
  if (!size.isValid()) return false;
  width = size.width();
  height = size.height();
  return true;
}

bool PixCanWrite(const std::string& fileName) { return WriteFormatFor(fileName) != nullptr; }

std::vector<std::string> PixWritableSuffixes() {
  std::vector<std::string> suffixes;
  for (const WriteFormat& f : kWriteFormats) {
    if (QImageWriter::supportedImageFormats().contains(QByteArray(f.Suffix)))
      suffixes.push_back(f.Suffix);
  }
  return suffixes;
}

namespace {

bool IsPyramid(const std::string& fileName, const PixSaveOptions& options) {
  const QByteArray suffix = SuffixOf(fileName);
  return options.Pyramid && (suffix == "tif" || suffix == "tiff");
}

}  // namespace

PixStatus PixCheckWritable(const std::string& fileName, int width, int height,
                           const PixSaveOptions& options) {
  const WriteFormat* format = WriteFormatFor(fileName);
  if (format == nullptr)
    return PixStatus::Fail(PixError::Unsupported,
                           "cannot write format '" + SuffixOf(fileName).toStdString() + "'");
  const int64_t dataBytes = int64_t{(width * int64_t{3} + 3) / 4 * 4} * height;
  const bool dataLimit = format->MaxDataBytes > 0 && !IsPyramid(fileName, options);
  if (width > format->MaxSide || height > format->MaxSide ||
      (dataLimit && dataBytes > format->MaxDataBytes)) {
    std::string limit = "a ." + std::string(format->Suffix) + " file holds at most " +
                        std::to_string(format->MaxSide) + " pixels a side";
    if (dataLimit) limit += " and 4 GiB of pixels";
    return PixStatus::Fail(PixError::TooLarge, limit + ", the image is " + std::to_string(width) +
                                                   " x " + std::to_string(height));
  }
  return PixStatus::Success();
}

std::string PixFormatThatHolds(int width, int height) {
  for (const char* suffix : {"tif", "png", "bmp"}) {
    if (PixCheckWritable(std::string("a.") + suffix, width, height)) return suffix;
  }
  return {};
}

PixStatus PixWriteImage(const std::string& fileName, const Bitmap& bitmap, StagedFile& pending,
                        const PixSaveOptions& options) {
  if (bitmap.Empty()) return PixStatus::Fail(PixError::WriteFailed, "empty image");
  if (PixStatus s = PixCheckWritable(fileName, bitmap.Width(), bitmap.Height(), options); !s)
    return s;
  if (std::string reason = pending.Open(fileName); !reason.empty())
    return PixStatus::Fail(PixError::WriteFailed, reason);
  const QByteArray suffix = SuffixOf(fileName);
  bool written = false;
  WarningCollector encoderWords;
  try {
    StagedDevice device(pending);
    if (suffix == "bmp") {
      written = WriteBmp(device, bitmap, options.DotsPerInch);
    } else if (suffix == "ppm") {
      written = WritePpm(device, bitmap);
    } else if (suffix == "png") {
      written = WritePng(device, bitmap, options.DotsPerInch);
    } else if (IsPyramid(fileName, options)) {
      written = WritePyramidTiff(device, bitmap, options);
    } else if (suffix == "tif" || suffix == "tiff") {
      written = WriteTiff(device, bitmap, options.Tiff, options.DotsPerInch);
    } else {
      QImageWriter writer(&device, suffix);
      if (suffix == "jpg" || suffix == "jpeg")
        writer.setQuality(std::clamp(options.JpegQuality, 1, 100));
      QImage view = BitmapView(bitmap);
      const int dotsPerMetre = static_cast<int>(std::lround(options.DotsPerInch / 0.0254));
      view.setDotsPerMeterX(dotsPerMetre);
      view.setDotsPerMeterY(dotsPerMetre);
      written = writer.write(view);
    }
  } catch (const std::bad_alloc&) {
    return PixStatus::Fail(PixError::OutOfMemory, "no memory to encode the image");
  }
  // The file's first failure names the system's reason (a full disk, say);
  // some encoders report success after a failed write, some fail without one.
  const std::string reason = pending.Finish();
  if (!reason.empty()) return PixStatus::Fail(PixError::WriteFailed, reason);
  if (!written) {
    // The encoders say why only in their log: short memory is told apart.
    const QString words = QString::fromStdString(encoderWords.Text);
    // A failure with no words and no failed write is an allocation the
    // encoder could not make (its threads or buffers).
    if (words.isEmpty() || words.contains(QLatin1String("memory"), Qt::CaseInsensitive))
      return PixStatus::Fail(PixError::OutOfMemory, encoderWords.Text);
    return PixStatus::Fail(PixError::WriteFailed,
                           words.isEmpty() ? "the encoder failed" : encoderWords.Text);
  }
  return PixStatus::Success();
}

PixStatus PixSaveImage(const std::string& fileName, const Bitmap& bitmap,
                       const PixSaveOptions& options) {
  StagedFile pending;
  if (PixStatus s = PixWriteImage(fileName, bitmap, pending, options); !s) return s;
  if (std::string reason = pending.Commit(); !reason.empty())
    return PixStatus::Fail(PixError::WriteFailed, reason);
  return PixStatus::Success();
}
