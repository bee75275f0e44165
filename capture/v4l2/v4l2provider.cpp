#include "capture/v4l2/v4l2provider.h"

#include <algorithm>
#include <utility>

#include "capture/v4l2/v4l2camera.h"
#include "capture/v4l2/v4l2device.h"
#include "capture/v4l2/v4l2mapping.h"
#include "capture/v4l2/v4l2query.h"

namespace {

// The names to show for scanned nodes (anything with Card and Path).
std::vector<std::string> NamesOf(const auto& nodes) {
  std::vector<std::pair<std::string, std::string>> cardsAndPaths;
  cardsAndPaths.reserve(nodes.size());
  for (const auto& node : nodes) cardsAndPaths.emplace_back(node.Card, node.Path);
  return DistinctDeviceNames(cardsAndPaths);
}

}  // namespace

V4l2Provider::V4l2Provider(std::shared_ptr<V4l2Io> io) : io_(std::move(io)) {}

std::vector<V4l2Provider::Node> V4l2Provider::Scan() {
  std::vector<Node> nodes;
  for (const std::string& path : io_->ListDevices()) {
    const std::unique_ptr<V4l2Device> device = V4l2Device::Open(io_, path);
    if (!device) continue;
    const std::optional<v4l2_capability> capability = QueryCapability(*device);
    if (capability && IsStreamingCapture(*capability))
      nodes.push_back({path, FieldText(capability->card)});
  }
  return nodes;
}

std::vector<std::string> V4l2Provider::DeviceNames() { return NamesOf(Scan()); }

std::unique_ptr<VideoSource> V4l2Provider::Open(int index, std::string& error) {
  const std::vector<Node> nodes = Scan();
  if (index < 0 || static_cast<size_t>(index) >= nodes.size()) {
    error = "Видеоустройство не найдено: возможно, оно отключено";
    return nullptr;
  }
  const std::string name = NamesOf(nodes)[index];
  return V4l2Camera::Open(io_, nodes[index].Path, name, error);
}

std::vector<std::string> DistinctDeviceNames(
    const std::vector<std::pair<std::string, std::string>>& cardsAndPaths) {
  std::vector<std::string> names;
  names.reserve(cardsAndPaths.size());
  for (const auto& device : cardsAndPaths) {
    const std::string& card = device.first;
    const auto sameCard = [&card](const auto& other) { return other.first == card; };
    std::string name = card.empty() ? device.second : card;
    if (!card.empty() && std::count_if(cardsAndPaths.begin(), cardsAndPaths.end(), sameCard) > 1)
      name.append(" (").append(device.second).append(")");
    names.push_back(std::move(name));
  }
  return names;
}
