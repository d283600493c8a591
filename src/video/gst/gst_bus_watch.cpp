#include "video/gst/gst_bus_watch.h"

#include <string>

namespace qev::video::gst {

namespace {
constexpr GstClockTime kPoll = 100 * GST_MSECOND; // how soon the thread notices it must stop
}

TGstBusWatch::TGstBusWatch(GstElement *pipeline, TRenderTally &tally)
    : bus_(gst_element_get_bus(pipeline)), tally_(tally),
      thread_([this](std::stop_token stop) { Run(stop); }) {}

TGstBusWatch::~TGstBusWatch() {
  thread_.request_stop();
  thread_.join();
  gst_object_unref(bus_);
}

void TGstBusWatch::Run(std::stop_token stop) {
  while (!stop.stop_requested()) {
    // Messages of other types are taken off the bus and dropped by the call itself.
    GstMessage *message = gst_bus_timed_pop_filtered(bus_, kPoll, GST_MESSAGE_ERROR);
    if (message == nullptr)
      continue;
    GError *error = nullptr;
    gst_message_parse_error(message, &error, nullptr);
    std::string text =
        GST_MESSAGE_SRC_NAME(message) != nullptr ? GST_MESSAGE_SRC_NAME(message) : "pipeline";
    text += ": ";
    text += error != nullptr ? error->message : "unknown error";
    g_clear_error(&error);
    gst_message_unref(message);
    tally_.Error(std::move(text));
  }
}

} // namespace qev::video::gst
