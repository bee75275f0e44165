#pragma once
// Every device the program offers, from several providers, as one list:
// the real cameras first, then the simulated camera when asked for.

#include <memory>
#include <string>
#include <vector>

#include "capture/video/videosource.h"

class VideoDeviceList : public VideoProvider {
 public:
  void Add(std::unique_ptr<VideoProvider> provider);
  bool HasProviders() const { return !providers_.empty(); }

  std::vector<std::string> DeviceNames() override;
  std::unique_ptr<VideoSource> Open(int index, std::string& error) override;

 private:
  std::vector<std::unique_ptr<VideoProvider>> providers_;
};
