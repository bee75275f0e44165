#include "capture/v4l2/latestframe.h"

#include <utility>

void LatestFrame::Put(Bitmap frame) {
  {
    const std::lock_guard lock(mutex_);
    frame_ = std::move(frame);
  }
  Notify();
}

std::optional<Bitmap> LatestFrame::Take() {
  const std::lock_guard lock(mutex_);
  std::optional<Bitmap> frame = std::move(frame_);
  frame_.reset();
  return frame;
}

void LatestFrame::Discard() {
  const std::lock_guard lock(mutex_);
  frame_.reset();
}

void LatestFrame::Fail(std::string error) {
  SetError(std::move(error));
  Notify();
}

void LatestFrame::SetError(std::string error) {
  const std::lock_guard lock(mutex_);
  error_ = std::move(error);
}

std::string LatestFrame::Error() const {
  const std::lock_guard lock(mutex_);
  return error_;
}

void LatestFrame::SetNotify(std::function<void()> notify) {
  const std::lock_guard lock(notifyMutex_);
  notify_ = std::move(notify);
}

void LatestFrame::Notify() {
  const std::lock_guard lock(notifyMutex_);
  if (notify_) notify_();
}
