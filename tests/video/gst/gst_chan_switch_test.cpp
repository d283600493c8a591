#include "video/gst/gst_chan_switch.h"
#include "video/gst/gst_runtime.h"

#include "gst_test_support.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace qev::video {
namespace {

// Runs interleaved stereo frames (left, right) of the given format through the switch in a
// mode and answers what came out.
template <typename Sample>
std::vector<Sample> Switch(const char *format, int mode, const std::vector<Sample> &frames) {
  const std::string launch = std::string("appsrc name=in format=time caps=audio/x-raw,format=") +
                             format +
                             ",rate=48000,channels=2,layout=interleaved ! qevchanswitch name=s "
                             "mode=" +
                             std::to_string(mode) + " ! appsink name=out sync=false";
  GError *error = nullptr;
  GstElement *pipeline = gst_parse_launch(launch.c_str(), &error);
  EXPECT_EQ(nullptr, error) << (error != nullptr ? error->message : "");
  if (pipeline == nullptr)
    return {};
  GstElement *in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
  GstElement *out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBuffer *buffer = gst_buffer_new_memdup(frames.data(), frames.size() * sizeof(Sample));
  GST_BUFFER_PTS(buffer) = 0;
  gst_app_src_push_buffer(GST_APP_SRC(in), buffer);
  gst_app_src_end_of_stream(GST_APP_SRC(in));
  std::vector<Sample> result;
  if (GstSample *sample = gst_app_sink_try_pull_sample(GST_APP_SINK(out), 5 * GST_SECOND)) {
    GstMapInfo map;
    gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
    const auto *samples = reinterpret_cast<const Sample *>(map.data);
    result.assign(samples, samples + map.size / sizeof(Sample));
    gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
    gst_sample_unref(sample);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(in);
  gst_object_unref(out);
  gst_object_unref(pipeline);
  return result;
}

TEST(ChannelSwitch, PlaysBothChannelsChannelAOrChannelB) {
  ASSERT_EQ("", gst::StartGstreamer());
  QEV_REQUIRE_ELEMENTS("appsrc", "appsink");
  const std::vector<std::int16_t> s16 = {1000, -2000, 3000, -4000};
  EXPECT_EQ(s16, Switch<std::int16_t>("S16LE", 0, s16));
  EXPECT_EQ((std::vector<std::int16_t>{1000, 1000, 3000, 3000}),
            Switch<std::int16_t>("S16LE", 1, s16));
  EXPECT_EQ((std::vector<std::int16_t>{-2000, -2000, -4000, -4000}),
            Switch<std::int16_t>("S16LE", 2, s16));
  const std::vector<float> f32 = {0.25f, -0.5f, 0.75f, -1.0f};
  EXPECT_EQ(f32, Switch<float>("F32LE", 0, f32));
  EXPECT_EQ((std::vector<float>{0.25f, 0.25f, 0.75f, 0.75f}), Switch<float>("F32LE", 1, f32));
  EXPECT_EQ((std::vector<float>{-0.5f, -0.5f, -1.0f, -1.0f}), Switch<float>("F32LE", 2, f32));
}

TEST(ChannelSwitch, KeepsItsModeWithinRangeAndOffersOnlyStereo) {
  ASSERT_EQ("", gst::StartGstreamer());
  GstElement *element = gst_element_factory_make(gst::kChannelSwitchFactory, nullptr);
  ASSERT_NE(nullptr, element);
  int mode = -1;
  g_object_get(element, "mode", &mode, nullptr);
  EXPECT_EQ(0, mode);
  g_object_set(element, "mode", 2, nullptr);
  g_object_get(element, "mode", &mode, nullptr);
  EXPECT_EQ(2, mode);
  GstPad *sink = gst_element_get_static_pad(element, "sink");
  GstCaps *mono =
      gst_caps_from_string("audio/x-raw,format=S16LE,rate=48000,channels=1,layout=interleaved");
  EXPECT_FALSE(gst_pad_query_accept_caps(sink, mono));
  gst_caps_unref(mono);
  gst_object_unref(sink);
  gst_object_unref(gst_object_ref_sink(element));
}

} // namespace
} // namespace qev::video
