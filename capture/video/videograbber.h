#pragma once
// The video component: one device of a VideoProvider at a time, its lists
// and choices by index, the preview, and frames handed over one request at a
// time on the window's thread.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "capture/video/videosource.h"
#include "imagefiles/bitmap.h"

class QWidget;

// Where a requested frame goes; the live picture asks for fc_TBitmap.
enum TFrameCaptureDest { fc_TBitmap, fc_BmpFile, fc_JpegFile, fc_Clipboard };

class TVideoGrabber : public QObject {
  Q_OBJECT

 public:
  // The first device, when there is one, is selected at once; its
  // OnVideoDeviceSelected is raised once the event loop runs.
  explicit TVideoGrabber(std::unique_ptr<VideoProvider> provider, QObject* parent = nullptr);
  ~TVideoGrabber() override;

  QStringList VideoDevices() const { return devices_; }
  int VideoDevice() const { return device_; }
  // Selects and opens device index; a running preview goes on with it.
  void SetVideoDevice(int index);

  QStringList VideoSizes() const;
  int VideoSize() const { return size_; }
  // Takes effect at the next StartPreview.
  void SetVideoSize(int index);
  QStringList VideoFormats() const;
  int VideoFormat() const;
  // Stops the preview: the sizes are the new format's; the caller starts it again.
  void SetVideoFormat(int index);
  QStringList AnalogVideoStandards() const;
  int AnalogVideoStandard() const;
  void SetAnalogVideoStandard(int index);
  QStringList VideoInputs() const;
  int VideoInput() const;
  void SetVideoInput(int index);
  bool IsAnalogVideoStandardAvailable() const;
  bool IsVideoInputAvailable() const;

  // False when there is no device or it refused; the reason is LastError().
  bool StartPreview();
  void StopPreview();
  bool Previewing() const;
  int PreviewZoomSize() const { return previewZoom_; }
  void SetPreviewZoomSize(int percent) { previewZoom_ = percent; }

  // Asks for one frame; OnFrameCaptureCompleted answers later on this
  // thread. A request while one is pending replaces it. False without a preview.
  bool CaptureFrameTo(TFrameCaptureDest dest, const QString& fileName);

  // The device's own dialogs: 0 settings, 3 stream format, 7 video mode
  // (inputs and standard). True when something was changed.
  bool ShowDialog(int number, QWidget* parent);

  // Mirroring of the picture: by the device when it has the flip controls,
  // else on each frame delivered. Kept when another device is selected.
  bool VideoProcessing_FlipVertical() const { return flipVertical_; }
  void SetVideoProcessing_FlipVertical(bool on);
  bool VideoProcessing_FlipHorizontal() const { return flipHorizontal_; }
  void SetVideoProcessing_FlipHorizontal(bool on);

  // The size of the live video in pixels (0 before the first preview).
  int Width() const { return videoSize_.Width; }
  int Height() const { return videoSize_.Height; }

  // The open device, or none (device dialogs, arrow keys of a simulated camera).
  VideoSource* Source() { return source_.get(); }
  QString LastError() const { return error_; }

 signals:
  void OnFrameCaptureCompleted(QObject* sender, const Bitmap& frameBitmap, int bitmapWidth,
                               int bitmapHeight, quint32 frameNumber, qint64 frameTime,
                               TFrameCaptureDest destType, const QString& fileName, bool success,
                               int frameId);
  void OnVideoDeviceSelected();
  void OnResizeVideo();
  // The device could not be opened or started, or failed while running; the preview is stopped.
  void OnDeviceError(const QString& message);

 private:
  void OpenDevice(int index);
  void Deliver();
  void Fail(const QString& message);
  bool DeviceFailed() const;
  void ApplyFlip(bool horizontal, bool tellDevice);

  std::unique_ptr<VideoProvider> provider_;
  std::unique_ptr<VideoSource> source_;
  QStringList devices_;
  int device_ = -1;
  int size_ = -1;
  FrameSize videoSize_;
  int previewZoom_ = 100;
  bool pending_ = false;
  TFrameCaptureDest pendingDest_ = fc_TBitmap;
  QString pendingFile_;
  quint32 frameNumber_ = 0;
  qint64 startedMs_ = 0;
  QString error_;
  bool streaming_ = false;  // between a successful StartPreview and StopPreview
  bool flipVertical_ = false;
  bool flipHorizontal_ = false;
  bool framesFlipVertical_ = false;  // mirrored here: the device cannot
  bool framesFlipHorizontal_ = false;
};
