// Video nodes are found by name and listed by number, not alphabetically.
#include <gtest/gtest.h>

#include "capture/v4l2/v4l2io.h"

namespace {

TEST(V4l2Io, VideoNodesInNumberOrder) {
  const std::vector<std::string> names = {"video10", "null",    "video2", "video0",  "videox",
                                          "video",   "video-1", "media0", "video1a", "video1"};
  EXPECT_EQ(
      VideoNodePaths("/dev", names),
      (std::vector<std::string>{"/dev/video0", "/dev/video1", "/dev/video2", "/dev/video10"}));
}

TEST(V4l2Io, TheSystemListIsSortedAndOnlyVideoNodes) {
  // No camera here, usually: whatever there is must still be in order.
  const std::vector<std::string> paths = SystemV4l2Io()->ListDevices();
  for (const std::string& path : paths) EXPECT_EQ(path.rfind("/dev/video", 0), 0u) << path;
  std::vector<std::string> names;
  for (const std::string& path : paths) names.push_back(path.substr(5));
  EXPECT_EQ(VideoNodePaths("/dev", names), paths);
}

TEST(V4l2Io, OpeningAMissingNodeFails) {
  errno = 0;
  EXPECT_LT(SystemV4l2Io()->Open("/dev/video-none"), 0);
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
