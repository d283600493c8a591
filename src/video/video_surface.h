#pragma once

#include <cstdint>
#include <memory>

namespace qev::video {

// A decoded picture on its way from a renderer to the surface that shows it. The planes stay
// where the decoder put them; `keep` holds them alive until the surface lets go of the frame.
struct TVideoFrame {
  enum class TFormat : std::uint8_t { I420, NV12, BGRx };
  TFormat Format = TFormat::I420;
  int Width = 0, Height = 0;
  // Display aspect ratio of the whole picture (4:3, 16:9, ...), from the stream's headers.
  int AspectX = 4, AspectY = 3;
  const std::uint8_t *Planes[3] = {};
  int Strides[3] = {};
  std::shared_ptr<const void> Keep;
};

// The rectangle the renderer draws into inside its surface, and how: the graph's
// SetVideoPosition and aspect mode end here (cropping happens in the graph).
struct TRendererGeometry {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  // 0 stretch to the rectangle, 1 keep the picture's shape inside it (letter box).
  int AspectMode = 1;
  bool operator==(const TRendererGeometry &) const = default;
};

// Where a renderer's pictures go: the program's video surface widget, or a counting sink in
// tests and qevtool. Called from the renderer's streaming thread and from the thread that
// positions the video; it must only store and schedule, never block.
class IVideoSurface {
public:
  virtual ~IVideoSurface() = default;
  virtual void PresentFrame(std::shared_ptr<const TVideoFrame> frame) = 0;
  virtual void SetGeometry(const TRendererGeometry &geometry) = 0;
  // The renderer has stopped: the surface drops its picture.
  virtual void ClearFrame() = 0;
};

// Surfaces are handed through the device module as window handles: a handle names a surface
// registered here. Handles are never 0 and not reused while the program runs. The calls below
// run under the registry's lock, so once UnregisterSurface returns no call reaches the surface.
std::uintptr_t RegisterSurface(IVideoSurface &surface);
void UnregisterSurface(std::uintptr_t handle);
bool SurfaceExists(std::uintptr_t handle);
// False for an unknown handle.
bool PresentToSurface(std::uintptr_t handle, std::shared_ptr<const TVideoFrame> frame);
bool SetSurfaceGeometry(std::uintptr_t handle, const TRendererGeometry &geometry);
bool ClearSurface(std::uintptr_t handle);

} // namespace qev::video
