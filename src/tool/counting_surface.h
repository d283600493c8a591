#pragma once

#include "video/video_surface.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace qev::tool {

// What a surface was shown so far.
struct TSurfaceTally {
  std::uint64_t Frames = 0;
  std::int64_t FirstFrameNs = 0; // steady_clock nanoseconds since its epoch; 0 = none yet
  int Width = 0, Height = 0, AspectX = 0, AspectY = 0; // of the last frame
};

// A video surface without a window: it counts the pictures a renderer presents and keeps the
// shape of the last one. Registered for its lifetime, so its handle can stand for the owner
// window of StartVideo.
class TCountingSurface final : public video::IVideoSurface {
public:
  TCountingSurface();
  ~TCountingSurface() override;
  TCountingSurface(const TCountingSurface &) = delete;
  TCountingSurface &operator=(const TCountingSurface &) = delete;

  std::uintptr_t Handle() const { return handle_; }
  TSurfaceTally Tally() const;
  // Called with every picture and the time it came (steady_clock nanoseconds) on the
  // renderer's thread, for timing; it must not block.
  using TObserver = std::function<void(const video::TVideoFrame &frame, std::int64_t ns)>;
  void SetObserver(TObserver observer);

  void PresentFrame(std::shared_ptr<const video::TVideoFrame> frame) override;
  void SetGeometry(const video::TRendererGeometry &) override {}
  void ClearFrame() override {}

private:
  mutable std::mutex mutex_;
  TSurfaceTally tally_; // under mutex_
  TObserver observer_;  // under mutex_
  std::uintptr_t handle_ = 0;
};

} // namespace qev::tool
