#pragma once
// A V4L2 video capture device as a VideoSource: its lists are read when it
// is opened, frames arrive through a V4l2Stream and leave as 24-bit BGR
// bitmaps. Errors are in Russian and name the device.

#include <linux/videodev2.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/v4l2/latestframe.h"
#include "capture/v4l2/v4l2converter.h"
#include "capture/v4l2/v4l2device.h"
#include "capture/v4l2/v4l2query.h"
#include "capture/v4l2/v4l2stream.h"
#include "capture/video/videosource.h"

class V4l2Camera : public VideoSource {
 public:
  // Opens the device node at path, shown to the user as name; none, with
  // error set, when it cannot be opened, does not capture by streaming or
  // offers no format we can convert.
  static std::unique_ptr<V4l2Camera> Open(std::shared_ptr<V4l2Io> io, const std::string& path,
                                          const std::string& name, std::string& error);
  ~V4l2Camera() override;
  V4l2Camera(const V4l2Camera&) = delete;
  V4l2Camera& operator=(const V4l2Camera&) = delete;

  // The sizes of the chosen pixel format: SetPixelFormat changes them.
  std::vector<FrameSize> FrameSizes() const override { return sizes_; }
  std::vector<std::string> PixelFormats() const override;
  std::vector<std::string> Standards() const override;
  std::vector<std::string> Inputs() const override { return inputs_; }

  int PixelFormat() const override { return format_; }
  // Takes effect at the next Start.
  bool SetPixelFormat(int index) override;
  // -1 when the device has no standards or its current one is not listed.
  int Standard() const override;
  bool SetStandard(int index) override;
  int Input() const override;
  // The standards are read again: they belong to the input.
  bool SetInput(int index) override;

  std::vector<VideoControl> Controls() override;
  bool SetControl(uint32_t id, int32_t value) override;

  // Starting again stops the running stream first; a successful start clears Error().
  bool Start(FrameSize size) override;
  void Stop() override;
  bool Running() const override { return stream_ && !stream_->Failed(); }
  FrameSize StreamSize() const override { return streamSize_; }

  std::optional<Bitmap> TakeFrame() override { return latest_.Take(); }
  void SetFrameReady(std::function<void()> notify) override;
  std::string Error() const override { return latest_.Error(); }

 private:
  V4l2Camera(std::unique_ptr<V4l2Device> device, std::string name);
  bool ReadLists(std::string& error);
  int CurrentFormatIndex() const;
  std::optional<v4l2_pix_format> ApplyFormat(uint32_t fourcc, FrameSize size);
  // Both set Error() and return false; Refused words "the device did not accept what".
  bool Refused(const std::string& what, int error);
  bool Fail(std::string message);

  std::unique_ptr<V4l2Device> device_;
  const std::string name_;
  std::unique_ptr<FrameConverter> converter_;
  std::vector<V4l2PixelFormat> formats_;
  int format_ = 0;
  std::vector<FrameSize> sizes_;
  std::vector<V4l2Standard> standards_;
  std::vector<std::string> inputs_;
  FrameSize streamSize_;
  LatestFrame latest_;
  // Last, so that it stops before anything it uses goes.
  std::unique_ptr<V4l2Stream> stream_;
};
