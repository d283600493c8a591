#include "tool/counting_surface.h"

#include <chrono>

namespace qev::tool {

TCountingSurface::TCountingSurface() : handle_(video::RegisterSurface(*this)) {}

TCountingSurface::~TCountingSurface() { video::UnregisterSurface(handle_); }

TSurfaceTally TCountingSurface::Tally() const {
  std::lock_guard lock(mutex_);
  return tally_;
}

void TCountingSurface::SetObserver(TObserver observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void TCountingSurface::PresentFrame(std::shared_ptr<const video::TVideoFrame> frame) {
  const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
  std::lock_guard lock(mutex_);
  if (tally_.Frames++ == 0)
    tally_.FirstFrameNs = now;
  if (frame) {
    tally_.Width = frame->Width;
    tally_.Height = frame->Height;
    tally_.AspectX = frame->AspectX;
    tally_.AspectY = frame->AspectY;
    if (observer_)
      observer_(*frame, now);
  }
}

} // namespace qev::tool
