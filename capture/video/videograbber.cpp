#include "capture/video/videograbber.h"

#include <linux/videodev2.h>
#include <QFile>

#include <QComboBox>
#include <QDateTime>
#include <QPointer>
#include <QTimer>

#include "capture/camera/cameraproperties.h"
#include "capture/camera/devicedialogs.h"
#include "capture/video/flipbitmap.h"
#include "imagefiles/imagefiles.h"

namespace {

QStringList ToQt(const std::vector<std::string>& texts) {
  QStringList list;
  for (const std::string& text : texts) list << QString::fromStdString(text);
  return list;
}

QStringList SizeTexts(const std::vector<FrameSize>& sizes) {
  QStringList list;
  for (const FrameSize& size : sizes)
    list << QStringLiteral("%1x%2").arg(size.Width).arg(size.Height);
  return list;
}

// 640 x 480, what a microscope camera is usually run at; else the largest
// size up to 1280 wide (a live picture that stays fast); else the first.
int PreferredSize(const std::vector<FrameSize>& sizes) {
  int chosen = sizes.empty() ? -1 : 0;
  int64_t area = 0;
  for (size_t i = 0; i < sizes.size(); ++i) {
    if (sizes[i] == FrameSize{640, 480}) return static_cast<int>(i);
    const int64_t own = int64_t{sizes[i].Width} * sizes[i].Height;
    if (sizes[i].Width <= 1280 && own > area) {
      chosen = static_cast<int>(i);
      area = own;
    }
  }
  return chosen;
}

}  // namespace

TVideoGrabber::TVideoGrabber(std::unique_ptr<VideoProvider> provider, QObject* parent)
    : QObject(parent), provider_(std::move(provider)) {
  if (provider_) devices_ = ToQt(provider_->DeviceNames());
  if (!devices_.isEmpty()) OpenDevice(0);
}

TVideoGrabber::~TVideoGrabber() { StopPreview(); }

void TVideoGrabber::OpenDevice(int index) {
  StopPreview();
  source_.reset();
  device_ = index;
  size_ = -1;
  std::string error;
  source_ = provider_->Open(index, error);
  if (!source_) {
    Fail(QStringLiteral("Не удалось открыть видеоустройство «%1»: %2")
             .arg(devices_.value(index), QString::fromStdString(error)));
    return;
  }
  size_ = PreferredSize(source_->FrameSizes());
  ApplyFlip(true, false);
  ApplyFlip(false, false);
  // The device may call from its reader thread; the frame is taken here.
  QPointer<TVideoGrabber> self(this);
  source_->SetFrameReady([self] {
    if (self) QMetaObject::invokeMethod(self, &TVideoGrabber::Deliver, Qt::QueuedConnection);
  });
}

void TVideoGrabber::SetVideoDevice(int index) {
  if (index < 0 || index >= devices_.size()) return;
  const bool wasRunning = Previewing();
  OpenDevice(index);
  if (wasRunning && source_) StartPreview();
  emit OnVideoDeviceSelected();
}

QStringList TVideoGrabber::VideoSizes() const {
  return source_ ? SizeTexts(source_->FrameSizes()) : QStringList();
}

void TVideoGrabber::SetVideoSize(int index) {
  if (source_ && index >= 0 && index < static_cast<int>(source_->FrameSizes().size()))
    size_ = index;
}

QStringList TVideoGrabber::VideoFormats() const {
  return source_ ? ToQt(source_->PixelFormats()) : QStringList();
}

int TVideoGrabber::VideoFormat() const { return source_ ? source_->PixelFormat() : -1; }

void TVideoGrabber::SetVideoFormat(int index) {
  if (!source_ || index == source_->PixelFormat()) return;
  // The sizes belong to the format; the stream stops for the change.
  StopPreview();
  if (source_->SetPixelFormat(index)) size_ = PreferredSize(source_->FrameSizes());
}

QStringList TVideoGrabber::AnalogVideoStandards() const {
  return source_ ? ToQt(source_->Standards()) : QStringList();
}

int TVideoGrabber::AnalogVideoStandard() const { return source_ ? source_->Standard() : -1; }

void TVideoGrabber::SetAnalogVideoStandard(int index) {
  if (source_) source_->SetStandard(index);
}

QStringList TVideoGrabber::VideoInputs() const {
  return source_ ? ToQt(source_->Inputs()) : QStringList();
}

int TVideoGrabber::VideoInput() const { return source_ ? source_->Input() : -1; }

void TVideoGrabber::SetVideoInput(int index) {
  // The standards a device offers belong to its input.
  if (source_ && source_->SetInput(index)) emit OnVideoDeviceSelected();
}

bool TVideoGrabber::IsAnalogVideoStandardAvailable() const {
  return source_ && !source_->Standards().empty();
}

bool TVideoGrabber::IsVideoInputAvailable() const {
  return source_ && source_->Inputs().size() > 1;
}

bool TVideoGrabber::StartPreview() {
  if (!source_ || size_ < 0) return false;
  if (source_->Running()) return true;
  const FrameSize asked = source_->FrameSizes().at(static_cast<size_t>(size_));
  if (!source_->Start(asked)) {
    Fail(QStringLiteral("Видеоустройство «%1» не запускается: %2")
             .arg(devices_.value(device_), QString::fromStdString(source_->Error())));
    return false;
  }
  error_.clear();
  streaming_ = true;
  frameNumber_ = 0;
  startedMs_ = QDateTime::currentMSecsSinceEpoch();
  const FrameSize delivered = source_->StreamSize();
  if (!(delivered == videoSize_)) {
    videoSize_ = delivered;
    emit OnResizeVideo();
  }
  return true;
}

void TVideoGrabber::StopPreview() {
  pending_ = false;
  streaming_ = false;
  if (source_) source_->Stop();
}

bool TVideoGrabber::Previewing() const { return source_ && source_->Running(); }

bool TVideoGrabber::CaptureFrameTo(TFrameCaptureDest dest, const QString& fileName) {
  if (!source_) return false;
  if (DeviceFailed()) {
    // A device that failed is told about once, at the next request.
    QMetaObject::invokeMethod(this, &TVideoGrabber::Deliver, Qt::QueuedConnection);
    return false;
  }
  if (!source_->Running()) return false;
  pending_ = true;
  pendingDest_ = dest;
  pendingFile_ = fileName;
  QMetaObject::invokeMethod(this, &TVideoGrabber::Deliver, Qt::QueuedConnection);
  return true;
}

void TVideoGrabber::Deliver() {
  if (!source_) return;
  if (DeviceFailed()) {
    const std::string failure = source_->Error();
    StopPreview();
    Fail(QString::fromStdString(failure));
    return;
  }
  if (!pending_ || !source_->Running()) return;
  std::optional<Bitmap> frame = source_->TakeFrame();
  if (!frame) return;  // the device calls again when one arrives
  pending_ = false;
  FlipBitmap(*frame, framesFlipHorizontal_, framesFlipVertical_);
  ++frameNumber_;
  bool success = true;
  if (pendingDest_ == fc_BmpFile || pendingDest_ == fc_JpegFile) {
    success =
        static_cast<bool>(PixSaveImage(QFile::encodeName(pendingFile_).toStdString(), *frame));
  }
  const qint64 time = QDateTime::currentMSecsSinceEpoch() - startedMs_;
  emit OnFrameCaptureCompleted(this, *frame, frame->Width(), frame->Height(), frameNumber_, time,
                               pendingDest_, pendingFile_, success, static_cast<int>(frameNumber_));
}

bool TVideoGrabber::ShowDialog(int number, QWidget* parent) {
  if (!source_) return false;
  switch (number) {
    case 0: {
      DeviceSettingsDialog dialog(*source_, parent);
      dialog.exec();
      return true;
    }
    case 3: {
      StreamFormatDialog dialog(*source_, parent);
      dialog.SizeBox->setCurrentIndex(size_);
      if (dialog.exec() != QDialog::Accepted) return false;
      // A device offers sizes per pixel format: the format changes first,
      // with the stream stopped; the caller starts it again.
      if (dialog.ChosenFormat() != source_->PixelFormat()) {
        StopPreview();
        source_->SetPixelFormat(dialog.ChosenFormat());
        size_ = PreferredSize(source_->FrameSizes());
      }
      SetVideoSize(dialog.ChosenSize());
      return true;
    }
    case 7: {
      VideoModeDialog dialog(*source_, parent);
      return dialog.exec() == QDialog::Accepted;
    }
    default: return false;
  }
}

void TVideoGrabber::Fail(const QString& message) {
  error_ = message;
  emit OnDeviceError(message);
}

// Only a stream that stopped by itself is a failure: a refused setting also
// leaves its reason in Error(), with the stream going on.
bool TVideoGrabber::DeviceFailed() const {
  return streaming_ && source_ && !source_->Running() && !source_->Error().empty();
}

void TVideoGrabber::SetVideoProcessing_FlipVertical(bool on) {
  flipVertical_ = on;
  ApplyFlip(false, true);
}

void TVideoGrabber::SetVideoProcessing_FlipHorizontal(bool on) {
  flipHorizontal_ = on;
  ApplyFlip(true, true);
}

// A device just opened is told only when mirroring is on: it starts unmirrored.
void TVideoGrabber::ApplyFlip(bool horizontal, bool tellDevice) {
  const bool on = horizontal ? flipHorizontal_ : flipVertical_;
  bool byDevice = source_ && HasDeviceFlip(*source_, horizontal);
  if (byDevice && (on || tellDevice))
    byDevice = source_->SetControl(horizontal ? V4L2_CID_HFLIP : V4L2_CID_VFLIP, on ? 1 : 0);
  (horizontal ? framesFlipHorizontal_ : framesFlipVertical_) = on && !byDevice;
}
