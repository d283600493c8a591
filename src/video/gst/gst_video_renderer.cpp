#include "video/gst/gst_video_renderer.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <memory>
#include <numeric>

namespace qev::video::gst {

namespace {

constexpr const char *kRendererCaps = "video/x-raw, format=(string){ I420, NV12, BGRx }";

// Keeps a mapped picture (and so the decoder's buffer) alive while a surface holds the frame.
struct TMappedFrame {
  GstVideoFrame frame{};
  ~TMappedFrame() { gst_video_frame_unmap(&frame); }
};

std::optional<TVideoFrame::TFormat> FrameFormat(GstVideoFormat format) {
  switch (format) {
  case GST_VIDEO_FORMAT_I420:
    return TVideoFrame::TFormat::I420;
  case GST_VIDEO_FORMAT_NV12:
    return TVideoFrame::TFormat::NV12;
  case GST_VIDEO_FORMAT_BGRx:
    return TVideoFrame::TFormat::BGRx;
  default:
    return std::nullopt;
  }
}

// The display aspect of the whole picture: its size times the pixel aspect, reduced.
void SetAspect(TVideoFrame &frame, const GstVideoInfo &info) {
  const long long x = static_cast<long long>(info.width) * std::max(info.par_n, 1);
  const long long y = static_cast<long long>(info.height) * std::max(info.par_d, 1);
  const long long divisor = std::gcd(x, y);
  if (divisor == 0)
    return;
  frame.AspectX = static_cast<int>(x / divisor);
  frame.AspectY = static_cast<int>(y / divisor);
}

} // namespace

TGstVideoRenderer::TGstVideoRenderer(const char *name, bool sync, TRenderTally &tally)
    : tally_(tally) {
  bin_ = gst_bin_new(name);
  GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
  GstElement *sink = gst_element_factory_make("appsink", nullptr);
  if (convert == nullptr || sink == nullptr) {
    for (GstElement *element : {convert, sink})
      if (element != nullptr)
        gst_object_unref(gst_object_ref_sink(element));
    gst_object_unref(gst_object_ref_sink(bin_));
    bin_ = nullptr;
    return;
  }
  valid_ = true;
  GstCaps *caps = gst_caps_from_string(kRendererCaps);
  g_object_set(sink, "caps", caps, "max-buffers", 2u, "drop", TRUE, "sync", sync ? TRUE : FALSE,
               "emit-signals", TRUE, nullptr);
  gst_caps_unref(caps);
  g_signal_connect(sink, "new-sample", G_CALLBACK(OnSample), this);
  gst_bin_add_many(GST_BIN(bin_), convert, sink, nullptr);
  gst_element_link(convert, sink);
  GstPad *target = gst_element_get_static_pad(convert, "sink");
  gst_element_add_pad(bin_, gst_ghost_pad_new("sink", target));
  gst_object_unref(target);
}

TGstVideoRenderer::~TGstVideoRenderer() { Stopped(); }

GstFlowReturn TGstVideoRenderer::OnSample(GstElement *sink, gpointer self) {
  GstSample *sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (sample == nullptr)
    return GST_FLOW_FLUSHING;
  static_cast<TGstVideoRenderer *>(self)->Present(sample);
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

void TGstVideoRenderer::Present(GstSample *sample) {
  GstVideoInfo info;
  GstCaps *caps = gst_sample_get_caps(sample);
  GstBuffer *buffer = gst_sample_get_buffer(sample);
  if (caps == nullptr || buffer == nullptr || gst_video_info_from_caps(&info, caps) == FALSE)
    return;
  const auto format = FrameFormat(GST_VIDEO_INFO_FORMAT(&info));
  if (!format)
    return;
  tally_.VideoFrame();
  const std::uintptr_t surface = surface_.load();
  if (surface == 0)
    return;
  auto mapped = std::make_shared<TMappedFrame>();
  if (gst_video_frame_map(&mapped->frame, &info, buffer, GST_MAP_READ) == FALSE)
    return;
  auto frame = std::make_shared<TVideoFrame>();
  frame->Format = *format;
  frame->Width = info.width;
  frame->Height = info.height;
  SetAspect(*frame, info);
  for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&mapped->frame) && plane < 3; ++plane) {
    frame->Planes[plane] =
        static_cast<const std::uint8_t *>(GST_VIDEO_FRAME_PLANE_DATA(&mapped->frame, plane));
    frame->Strides[plane] = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped->frame, plane);
  }
  frame->Keep = std::move(mapped);
  PresentToSurface(surface, std::move(frame));
}

void TGstVideoRenderer::AttachSurface(std::uintptr_t surface) {
  surface_.store(surface);
  std::lock_guard lock(mutex_);
  if (geometry_)
    SetSurfaceGeometry(surface, *geometry_);
}

void TGstVideoRenderer::SetGeometry(const TRendererGeometry &geometry) {
  std::lock_guard lock(mutex_);
  geometry_ = geometry;
  if (const std::uintptr_t surface = surface_.load(); surface != 0)
    SetSurfaceGeometry(surface, geometry);
}

void TGstVideoRenderer::Stopped() {
  if (const std::uintptr_t surface = surface_.load(); surface != 0)
    ClearSurface(surface);
}

} // namespace qev::video::gst
