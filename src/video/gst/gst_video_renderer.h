#pragma once

#include "video/graph_backend.h"
#include "video/gst/gst_render_tally.h"

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

namespace qev::video::gst {

// The system's video renderer: a bin of videoconvert (a pass-through for I420 and NV12) and
// an appsink whose pictures go to the surface attached by handle. Its one pad is "sink".
class TGstVideoRenderer {
public:
  // The bin is made floating; the graph adds it to its pipeline. sync is whether pictures wait
  // for their time on the pipeline's clock.
  TGstVideoRenderer(const char *name, bool sync, TRenderTally &tally);
  TGstVideoRenderer(const TGstVideoRenderer &) = delete;
  TGstVideoRenderer &operator=(const TGstVideoRenderer &) = delete;
  ~TGstVideoRenderer();

  GstElement *Element() const { return bin_; }
  // False when an element it needs is missing.
  bool Valid() const { return valid_; }
  void AttachSurface(std::uintptr_t surface);
  void SetGeometry(const TRendererGeometry &geometry);
  // The graph stopped: the surface lets go of its picture.
  void Stopped();

private:
  static GstFlowReturn OnSample(GstElement *sink, gpointer self);
  void Present(GstSample *sample);

  GstElement *bin_ = nullptr;
  bool valid_ = false;
  TRenderTally &tally_;
  std::atomic<std::uintptr_t> surface_{0};
  std::mutex mutex_; // geometry_
  std::optional<TRendererGeometry> geometry_;
};

} // namespace qev::video::gst
