#include "video/video_surface.h"

#include <map>
#include <mutex>

namespace qev::video {

namespace {

struct TRegistry {
  std::mutex mutex;
  std::map<std::uintptr_t, IVideoSurface *> surfaces;
  std::uintptr_t next = 0x51000; // far from small numbers a caller might pass by mistake
};

TRegistry &Registry() {
  static TRegistry registry;
  return registry;
}

template <typename Call> bool WithSurface(std::uintptr_t handle, Call &&call) {
  TRegistry &r = Registry();
  std::lock_guard lock(r.mutex);
  const auto it = r.surfaces.find(handle);
  if (it == r.surfaces.end())
    return false;
  call(*it->second);
  return true;
}

} // namespace

std::uintptr_t RegisterSurface(IVideoSurface &surface) {
  TRegistry &r = Registry();
  std::lock_guard lock(r.mutex);
  const std::uintptr_t handle = ++r.next;
  r.surfaces.emplace(handle, &surface);
  return handle;
}

void UnregisterSurface(std::uintptr_t handle) {
  TRegistry &r = Registry();
  std::lock_guard lock(r.mutex);
  r.surfaces.erase(handle);
}

bool SurfaceExists(std::uintptr_t handle) {
  return WithSurface(handle, [](IVideoSurface &) {});
}

bool PresentToSurface(std::uintptr_t handle, std::shared_ptr<const TVideoFrame> frame) {
  return WithSurface(handle, [&](IVideoSurface &s) { s.PresentFrame(std::move(frame)); });
}

bool SetSurfaceGeometry(std::uintptr_t handle, const TRendererGeometry &geometry) {
  return WithSurface(handle, [&](IVideoSurface &s) { s.SetGeometry(geometry); });
}

bool ClearSurface(std::uintptr_t handle) {
  return WithSurface(handle, [](IVideoSurface &s) { s.ClearFrame(); });
}

} // namespace qev::video
