#include "video/gst/gst_runtime.h"

#include "video/gst/gst_chan_switch.h"

#include <gst/gst.h>

#include <cstdlib>
#include <mutex>

namespace qev::video::gst {

namespace {

std::string Start() {
  GError *error = nullptr;
  if (gst_init_check(nullptr, nullptr, &error) == FALSE) {
    std::string text = error != nullptr ? error->message : "GStreamer could not be initialised";
    g_clear_error(&error);
    return text;
  }
  if (std::getenv("GST_DEBUG") == nullptr)
    gst_debug_set_default_threshold(GST_LEVEL_NONE);
  if (!RegisterChannelSwitch())
    return "Cannot register the element \"qevchanswitch\"";
  return {};
}

} // namespace

const std::string &StartGstreamer() {
  static const std::string error = Start();
  return error;
}

} // namespace qev::video::gst
