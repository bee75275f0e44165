#pragma once
// The V4L2 video capture devices of the machine, by their card names.

#include <memory>
#include <string>
#include <vector>

#include "capture/v4l2/v4l2io.h"
#include "capture/video/videosource.h"

class V4l2Provider : public VideoProvider {
 public:
  explicit V4l2Provider(std::shared_ptr<V4l2Io> io = SystemV4l2Io());

  // Nodes that capture video by streaming, in node number order; each scan
  // opens the nodes afresh, as cameras come and go.
  std::vector<std::string> DeviceNames() override;
  std::unique_ptr<VideoSource> Open(int index, std::string& error) override;

 private:
  struct Node {
    std::string Path;
    std::string Card;
  };
  std::vector<Node> Scan();

  std::shared_ptr<V4l2Io> io_;
};

// The names to show for devices given as card name and node path: the card
// name, or "card (path)" for each of several devices sharing one (a nameless
// device is shown by its path).
std::vector<std::string> DistinctDeviceNames(
    const std::vector<std::pair<std::string, std::string>>& cardsAndPaths);
