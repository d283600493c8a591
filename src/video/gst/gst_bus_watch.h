#pragma once

#include "video/gst/gst_render_tally.h"

#include <gst/gst.h>

#include <thread>

namespace qev::video::gst {

// Empties a pipeline's bus on a thread of its own (no GLib main loop runs in the program):
// error messages go to the tally, everything else is dropped, so nothing piles up.
class TGstBusWatch {
public:
  TGstBusWatch(GstElement *pipeline, TRenderTally &tally);
  ~TGstBusWatch(); // stops and joins the thread
  TGstBusWatch(const TGstBusWatch &) = delete;
  TGstBusWatch &operator=(const TGstBusWatch &) = delete;

private:
  void Run(std::stop_token stop);

  GstBus *bus_;
  TRenderTally &tally_;
  std::jthread thread_;
};

} // namespace qev::video::gst
