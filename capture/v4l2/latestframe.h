#pragma once
// The hand-over between a stream's reader thread and the window thread: the
// newest frame not yet taken (one slot, never a queue), why the device
// stopped, and the frame-ready notification.

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "imagefiles/bitmap.h"

class LatestFrame {
 public:
  // Replaces any frame not yet taken, then notifies.
  void Put(Bitmap frame);
  // The frame put since the last call, or none.
  std::optional<Bitmap> Take();
  // Drops a frame not yet taken.
  void Discard();

  // Records why the device stopped, then notifies once more so the owner looks.
  void Fail(std::string error);
  void SetError(std::string error);
  std::string Error() const;

  // The notification runs on the thread that puts the frame; it may take the
  // frame, but must not replace itself, stop the stream it is called from or
  // wait for the window thread (post an event instead).
  void SetNotify(std::function<void()> notify);

 private:
  void Notify();

  mutable std::mutex mutex_;  // guards frame_ and error_
  std::optional<Bitmap> frame_;
  std::string error_;
  // Held while notifying, so a notification that was replaced is never called afterwards.
  std::mutex notifyMutex_;
  std::function<void()> notify_;
};
