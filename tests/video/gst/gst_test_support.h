#pragma once

#include "video/gst/gst_graph_factory.h"
#include "video/video_surface.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qev::video::testing {

// The factory names among these that this machine lacks ("" when it has them all).
inline std::string MissingElements(std::initializer_list<const char *> factories) {
  TGstGraphFactory factory(TRenderMode::Count);
  if (!factory.CreateGraph())
    return "GStreamer";
  std::string missing;
  for (const char *name : factories)
    if (GstElementFactory *f = gst_element_factory_find(name); f != nullptr)
      gst_object_unref(f);
    else
      missing += std::string(missing.empty() ? "" : ", ") + name;
  return missing;
}

#define QEV_REQUIRE_ELEMENTS(...)                                                                  \
  do {                                                                                             \
    const std::string missing = ::qev::video::testing::MissingElements({__VA_ARGS__});             \
    if (!missing.empty())                                                                          \
      GTEST_SKIP() << "missing GStreamer elements: " << missing;                                   \
  } while (false)

// Waits until the condition holds, at most the time given; whether it held.
inline bool WaitFor(const std::function<bool()> &condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A surface that keeps what it is given.
class TRecordingSurface final : public IVideoSurface {
public:
  void PresentFrame(std::shared_ptr<const TVideoFrame> frame) override {
    std::lock_guard lock(mutex_);
    last_ = std::move(frame);
    ++frames_;
  }
  void SetGeometry(const TRendererGeometry &geometry) override {
    std::lock_guard lock(mutex_);
    geometry_ = geometry;
  }
  void ClearFrame() override {
    std::lock_guard lock(mutex_);
    last_.reset();
    ++clears_;
  }
  int Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  int Clears() const {
    std::lock_guard lock(mutex_);
    return clears_;
  }
  std::shared_ptr<const TVideoFrame> Last() const {
    std::lock_guard lock(mutex_);
    return last_;
  }
  TRendererGeometry Geometry() const {
    std::lock_guard lock(mutex_);
    return geometry_;
  }

private:
  mutable std::mutex mutex_;
  std::shared_ptr<const TVideoFrame> last_;
  TRendererGeometry geometry_;
  int frames_ = 0, clears_ = 0;
};

} // namespace qev::video::testing
