#pragma once
// What a run knows of its frames while they are taken: the camera's travel
// to each from the one before, and each frame's link to the one before,
// searched off the caller's thread as soon as the frame is taken. The end
// of the run hands these links to the engine instead of searching again.

#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "capture/run/livelink.h"
#include "capture/run/motionfollower.h"
#include "engine/panoram.h"

// A link of a frame to an earlier one it overlaps, other than the one before it.
struct NeighbourLink {
  int Earlier = 0;  // frame index
  LiveLink Link;
};

struct LiveFrame {
  // Kept only while a link search needs it: the last frame's, and every
  // frame's when neighbours are linked. The engine holds every frame.
  std::shared_ptr<const Bitmap> Picture;
  int Width = 0, Height = 0;
  int32_t Direction = kDirNone;
  std::optional<Point> Travel;  // measured from the frame before; none for the first or when lost
  LiveLink Link;                // to the frame before
  bool Pending = false;         // still being searched
  LiveLinkSettings SearchedWith;
  std::vector<NeighbourLink> Neighbours;  // only when every neighbour is linked
};

// Places from every confident link, the frames' and their neighbours' (the
// all-neighbours placement); false when it placed nothing.
using NeighbourPlacement =
    std::function<bool(Panoram& engine, const std::vector<LiveFrame>& frames)>;

class LiveCapture {
 public:
  LiveCapture() = default;
  ~LiveCapture();
  LiveCapture(const LiveCapture&) = delete;
  LiveCapture& operator=(const LiveCapture&) = delete;

  // Links also to every earlier frame the new one overlaps, placed by placement.
  void LinkNeighbours(NeighbourPlacement placement);

  void Begin();
  // Every live picture of a run, before anything is drawn into it.
  void Follow(const Bitmap& live, int radius, int step);
  std::optional<Point> Travel() const { return follower_.Travel(); }

  // A frame was taken: its link to the one before is searched from now on,
  // off this thread. The link searches it starts call ready when done (on
  // their own thread), once the link is there for Collect.
  void FrameTaken(std::shared_ptr<const Bitmap> picture, int32_t direction,
                  const LiveLinkSettings& settings);
  // The copy of a frame that FrameTaken is given: into the storage of a
  // picture no search needs any more when there is one, for a fresh block
  // of a large frame costs more in mapping its pages than in the copy.
  std::shared_ptr<const Bitmap> PictureFor(const Bitmap& frame);
  // The last frame was taken back; last is now the last frame's picture.
  void FrameTakenBack(std::shared_ptr<const Bitmap> last);
  void SetLinkReady(std::function<void()> ready) { ready_ = std::move(ready); }

  // Takes in the links found since the last call; true when any arrived.
  bool Collect();
  // Waits for every link still searched.
  void WaitAll();

  const std::vector<LiveFrame>& Frames() const { return frames_; }
  // Where each frame lies, in the first frame's pixels: along the links
  // found, the travel where none was, and side by side where neither is known.
  std::vector<Point> Places() const;

  // The links into engine (whose images are the frames, in order); links
  // searched with other settings than the engine's are searched again, then
  // the images are placed. False when the frames are not the engine's.
  // The engine's images are read here: no search may run meanwhile.
  bool PlaceInto(Panoram& engine);

 private:
  MotionFollower follower_;
  std::vector<LiveFrame> frames_;
  // A search's frame is put here before ready is called: its future is
  // ready only after ready returns, too late for a caller collecting at once.
  struct Found {
    std::mutex Lock;
    std::optional<LiveFrame> Frame;
  };
  struct Job {
    std::shared_ptr<Found> Result;
    std::future<void> Done;  // the search's thread, kept until it has ended
    bool Collected = false;
  };
  std::vector<std::optional<Job>> jobs_;  // one per frame
  void DropUnneeded(size_t index);

  std::function<void()> ready_;
  NeighbourPlacement neighbours_;
  // Pictures made by PictureFor, each free again once it is the only owner:
  // the last frame's, the new one's and one more cover a run without neighbours.
  static constexpr size_t kPooledPictures = 3;
  std::vector<std::shared_ptr<Bitmap>> pictures_;
};
