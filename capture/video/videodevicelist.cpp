#include "capture/video/videodevicelist.h"

void VideoDeviceList::Add(std::unique_ptr<VideoProvider> provider) {
  if (provider) providers_.push_back(std::move(provider));
}

std::vector<std::string> VideoDeviceList::DeviceNames() {
  std::vector<std::string> names;
  for (const auto& provider : providers_) {
    const std::vector<std::string> own = provider->DeviceNames();
    names.insert(names.end(), own.begin(), own.end());
  }
  return names;
}

std::unique_ptr<VideoSource> VideoDeviceList::Open(int index, std::string& error) {
  // Each provider is asked afresh: a camera may have come or gone since the list was read.
  for (const auto& provider : providers_) {
    const int count = static_cast<int>(provider->DeviceNames().size());
    if (index < count) return index >= 0 ? provider->Open(index, error) : nullptr;
    index -= count;
  }
  error = "Устройство не найдено";
  return nullptr;
}
