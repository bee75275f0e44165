#pragma once
// One run of frames from an open device: its buffers mapped and queued, the
// stream on, and a reader thread that takes each filled buffer, converts it
// into the latest-frame slot and gives the buffer back. Destroying the
// stream stops it: the thread ends, the stream goes off, the buffers go back.

#include <linux/videodev2.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "capture/v4l2/latestframe.h"
#include "capture/v4l2/v4l2buffers.h"
#include "capture/v4l2/v4l2converter.h"
#include "capture/v4l2/v4l2device.h"

class V4l2Stream {
 public:
  // How many buffers we ask for: one being converted, the rest being filled.
  static constexpr uint32_t kBufferCount = 4;
  // How long the reader waits for a frame before it looks whether to stop (ms).
  static constexpr int kPollTimeoutMs = 100;

  // Streams frames laid out as format (what VIDIOC_S_FMT returned); none, with
  // a Russian error naming the device, when the device refuses. The device,
  // converter and slot must outlive the stream.
  static std::unique_ptr<V4l2Stream> Start(const V4l2Device& device, const v4l2_pix_format& format,
                                           FrameConverter& converter, LatestFrame& latest,
                                           const std::string& deviceName, std::string& error);
  ~V4l2Stream();
  V4l2Stream(const V4l2Stream&) = delete;
  V4l2Stream& operator=(const V4l2Stream&) = delete;

  // True once the device failed or vanished; the slot then holds the reason.
  bool Failed() const { return failed_.load(); }

 private:
  V4l2Stream(const V4l2Device& device, const v4l2_pix_format& format, FrameConverter& converter,
             LatestFrame& latest, std::string deviceName);
  bool Begin(std::string& error);
  bool QueueAndStream(std::string& error);
  void Run();
  // 0 after a frame or a quiet wait; the errno that ends the stream otherwise.
  int ReadOne();
  void Deliver(const v4l2_buffer& buffer);

  const V4l2Device& device_;
  const v4l2_pix_format format_;
  FrameConverter& converter_;
  LatestFrame& latest_;
  const std::string deviceName_;
  std::unique_ptr<MappedBuffers> buffers_;
  bool streaming_ = false;
  std::atomic<bool> stop_{false};
  std::atomic<bool> failed_{false};
  std::thread reader_;
};
