#pragma once
// Video devices for window tests: scripted names, a source that delivers a
// frame of one grey level on request and records what it was asked.

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "capture/video/videosource.h"

class FakeSource : public VideoSource {
 public:
  explicit FakeSource(QStringList* log) : log_(log) {}
  std::vector<FrameSize> FrameSizes() const override { return {{320, 240}, {640, 480}}; }
  std::vector<std::string> PixelFormats() const override { return {"BGR24"}; }
  std::vector<std::string> Standards() const override { return {}; }
  std::vector<std::string> Inputs() const override { return {"Вход"}; }
  int PixelFormat() const override { return 0; }
  bool SetPixelFormat(int index) override { return index == 0; }
  int Standard() const override { return -1; }
  bool SetStandard(int) override { return false; }
  int Input() const override { return 0; }
  bool SetInput(int index) override { return index == 0; }
  std::vector<VideoControl> Controls() override { return {}; }
  bool SetControl(uint32_t, int32_t) override { return false; }
  bool Start(FrameSize size) override {
    log_->append(QStringLiteral("start %1x%2").arg(size.Width).arg(size.Height));
    size_ = size;
    running_ = true;
    return true;
  }
  void Stop() override {
    if (running_) log_->append(QStringLiteral("stop"));
    running_ = false;
  }
  bool Running() const override { return running_; }
  FrameSize StreamSize() const override { return size_; }
  std::optional<Bitmap> TakeFrame() override {
    if (!running_) return std::nullopt;
    return Bitmap(size_.Width, size_.Height, 100);
  }
  void SetFrameReady(std::function<void()>) override {}
  std::string Error() const override { return error_; }

  // The device goes away: no more frames, and the reason.
  void Lose(std::string reason) {
    error_ = std::move(reason);
    running_ = false;
  }

 private:
  std::string error_;
  QStringList* log_;
  FrameSize size_;
  bool running_ = false;
};

class FakeCameras : public VideoProvider {
 public:
  FakeCameras(std::vector<std::string> names, QStringList* log)
      : names_(std::move(names)), log_(log) {}
  std::vector<std::string> DeviceNames() override { return names_; }
  std::unique_ptr<VideoSource> Open(int index, std::string&) override {
    log_->append(QStringLiteral("open %1").arg(index));
    return std::make_unique<FakeSource>(log_);
  }

 private:
  std::vector<std::string> names_;
  QStringList* log_;
};
