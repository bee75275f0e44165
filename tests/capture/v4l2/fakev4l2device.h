#pragma once
// A scripted V4L2 device for tests. It answers the ioctls the camera and
// libv4lconvert make from a script (capabilities, formats, sizes, standards,
// inputs, controls), keeps the frame buffers in its own memory and lets the
// test fill them; it counts what is open and mapped, so leaks show.

#include <linux/videodev2.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "capture/v4l2/v4l2io.h"
#include "capture/video/videosource.h"

struct FakeFormat {
  uint32_t Fourcc = V4L2_PIX_FMT_YUYV;
  std::string Description;
  uint32_t Flags = 0;                             // e.g. V4L2_FMT_FLAG_COMPRESSED
  std::vector<FrameSize> Sizes;                   // discrete sizes, or else
  std::optional<v4l2_frmsize_stepwise> Stepwise;  // one stepwise range
};

struct FakeControl {
  v4l2_queryctrl Query{};
  int32_t Value = 0;
  std::map<uint32_t, std::string> Menu;  // menu index and name; gaps allowed
};

struct FakeNodeScript {
  std::string Card = "Fake camera";
  uint32_t DeviceCaps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  std::vector<FakeFormat> Formats;
  std::vector<std::pair<v4l2_std_id, std::string>> Standards;
  std::vector<std::string> Inputs;
  std::vector<FakeControl> Controls;
  uint32_t BytesPerLinePadding = 0;  // added to each row of uncompressed formats
  uint32_t BuffersGranted = 8;       // REQBUFS grants at most this many
  // Failures, as the errno the call answers with (0: none).
  int OpenError = 0;
  int SetFormatError = 0;
  int StreamOnError = 0;
  int MmapFailsAt = -1;  // index of the buffer whose mapping fails
};

class FakeV4l2Device : public V4l2Io {
 public:
  // Nodes are listed in the order they are added.
  void AddNode(const std::string& path, FakeNodeScript script);
  // Changes a node's script (say, to make the next S_FMT fail).
  void Script(const std::string& path, const std::function<void(FakeNodeScript&)>& change);

  // Fills the next queued buffer of the streaming node with bytes (at most its
  // length; bytesused says how many) and marks it done; waits up to five
  // seconds for a queued buffer. False when none came.
  bool PushFrame(const std::vector<uint8_t>& bytes, uint32_t flags = 0);
  // From now on every ioctl fails with error, and poll reports POLLERR
  // (viaPoll) or readiness, so that the failure shows at VIDIOC_DQBUF.
  void Lose(int error, bool viaPoll);

  int OpenFds() const;
  int LiveMappings() const;
  int AllocatedBuffers() const;  // buffers requested and not given back
  bool Streaming() const;
  // Unmapping memory that was not mapped, or closing a device while its buffers are mapped.
  int Misuses() const;
  v4l2_pix_format Format(const std::string& path) const;
  int Calls(unsigned long request) const;

  std::vector<std::string> ListDevices() override;
  int Open(const std::string& path) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void* Mmap(int fd, size_t length, int64_t offset) override;
  int Munmap(void* start, size_t length) override;
  int Poll(int fd, int timeoutMs, short& revents) override;
  ssize_t Read(int fd, void* buffer, size_t length) override;

 private:
  struct Buffer {
    std::vector<uint8_t> Bytes;
    uint32_t Used = 0;
    uint32_t Flags = 0;
    int Mapped = 0;
    enum class State { Idle, Queued, Done } Where = State::Idle;
  };
  struct Node {
    FakeNodeScript Script;
    v4l2_pix_format Format{};
    v4l2_std_id Standard = 0;
    int Input = 0;
    int OpenCount = 0;
    bool Streaming = false;
    std::vector<Buffer> Buffers;
    std::vector<size_t> DoneOrder;  // indices of done buffers, oldest first
  };

  Node* NodeOf(int fd);
  int Answer(Node& node, unsigned long request, void* arg);
  int AnswerDevice(Node& node, unsigned long request, void* arg);
  int AnswerFormat(Node& node, unsigned long request, void* arg);
  int AnswerBuffers(Node& node, unsigned long request, void* arg);
  int AnswerControls(Node& node, unsigned long request, void* arg);
  int QueryCap(const Node& node, v4l2_capability& cap) const;
  int EnumFormat(const Node& node, v4l2_fmtdesc& desc) const;
  int EnumSizes(const Node& node, v4l2_frmsizeenum& entry) const;
  int FitFormat(Node& node, v4l2_format& format, bool apply);
  int RequestBuffers(Node& node, v4l2_requestbuffers& request);
  int QueueBuffer(Node& node, v4l2_buffer& buffer);
  int DequeueBuffer(Node& node, v4l2_buffer& buffer);
  int SetStreaming(Node& node, bool on);
  int QueryControl(const Node& node, v4l2_queryctrl& query) const;
  int QueryMenu(const Node& node, v4l2_querymenu& item) const;
  FakeControl* FindControl(Node& node, uint32_t id);
  Node* StreamingNode();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> order_;
  std::map<std::string, Node> nodes_;
  std::map<int, std::string> fds_;
  int nextFd_ = 1000;  // far from real descriptors: libv4lconvert looks them up in /proc
  int lostError_ = 0;
  bool lostViaPoll_ = false;
  int misuses_ = 0;
  std::map<unsigned long, int> calls_;
};

// Helpers for scripts.
FakeControl IntegerControl(uint32_t id, const std::string& name, int32_t min, int32_t max,
                           int32_t step, int32_t def, int32_t value, uint32_t flags = 0);
FakeControl BooleanControl(uint32_t id, const std::string& name, bool value, uint32_t flags = 0);
FakeControl MenuControl(uint32_t id, const std::string& name, int32_t min, int32_t max,
                        int32_t value, std::map<uint32_t, std::string> menu);
FakeControl TypedControl(uint32_t id, const std::string& name, uint32_t type, uint32_t flags = 0);
