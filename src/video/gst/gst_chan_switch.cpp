#include "video/gst/gst_chan_switch.h"

#include <gst/audio/gstaudiofilter.h>
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace qev::video::gst {

namespace {

enum TSwitchMode : int { kBoth = 0, kChannelA = 1, kChannelB = 2 };
enum { kPropMode = 1 };

struct TChanSwitch {
  GstAudioFilter parent;
  std::atomic<int> mode;
};
struct TChanSwitchClass {
  GstAudioFilterClass parent_class;
};

GType ChanSwitchType();
TChanSwitch *AsSwitch(gpointer object) {
  return G_TYPE_CHECK_INSTANCE_CAST(object, ChanSwitchType(), TChanSwitch);
}

// One side copied over the other, frame by frame.
template <typename Sample> void CopySide(GstMapInfo &map, int mode) {
  auto *samples = reinterpret_cast<Sample *>(map.data);
  const std::size_t frames = map.size / (2 * sizeof(Sample));
  const int from = mode == kChannelA ? 0 : 1;
  for (std::size_t i = 0; i < frames; ++i)
    samples[2 * i + (1 - from)] = samples[2 * i + from];
}

GstFlowReturn TransformIp(GstBaseTransform *transform, GstBuffer *buffer) {
  const int mode = AsSwitch(transform)->mode.load();
  if (mode == kBoth || GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP))
    return GST_FLOW_OK;
  const GstAudioInfo &info = GST_AUDIO_FILTER(transform)->info;
  GstMapInfo map;
  if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE) == FALSE)
    return GST_FLOW_ERROR;
  if (GST_AUDIO_INFO_FORMAT(&info) == GST_AUDIO_FORMAT_F32LE)
    CopySide<float>(map, mode);
  else
    CopySide<std::int16_t>(map, mode);
  gst_buffer_unmap(buffer, &map);
  return GST_FLOW_OK;
}

void SetProperty(GObject *object, guint id, const GValue *value, GParamSpec *spec) {
  if (id != kPropMode) {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
    return;
  }
  const int mode = std::clamp(g_value_get_int(value), int{kBoth}, int{kChannelB});
  AsSwitch(object)->mode.store(mode);
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(object), mode == kBoth);
}

void GetProperty(GObject *object, guint id, GValue *value, GParamSpec *spec) {
  if (id == kPropMode)
    g_value_set_int(value, AsSwitch(object)->mode.load());
  else
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void ClassInit(gpointer klass, gpointer) {
  auto *objectClass = G_OBJECT_CLASS(klass);
  objectClass->set_property = SetProperty;
  objectClass->get_property = GetProperty;
  g_object_class_install_property(
      objectClass, kPropMode,
      g_param_spec_int("mode", "Channel mode",
                       "0 both channels, 1 channel A (left) on both, 2 channel B (right) on both",
                       kBoth, kChannelB, kBoth,
                       static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                                GST_PARAM_CONTROLLABLE)));
  auto *elementClass = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(elementClass, "Channel A/B Switch", "Filter/Effect/Audio",
                                        "Plays channel A, channel B or both of a stereo sound",
                                        "QEV-DVB");
  GstCaps *caps = gst_caps_from_string("audio/x-raw, format=(string){ S16LE, F32LE }, "
                                       "rate=(int)[ 1, MAX ], channels=(int)2, "
                                       "layout=(string)interleaved");
  gst_audio_filter_class_add_pad_templates(GST_AUDIO_FILTER_CLASS(klass), caps);
  gst_caps_unref(caps);
  auto *transformClass = GST_BASE_TRANSFORM_CLASS(klass);
  transformClass->transform_ip = TransformIp;
  transformClass->transform_ip_on_passthrough = FALSE;
}

void InstanceInit(GTypeInstance *instance, gpointer) {
  new (&AsSwitch(instance)->mode) std::atomic<int>(kBoth);
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(instance), TRUE);
  gst_base_transform_set_gap_aware(GST_BASE_TRANSFORM(instance), TRUE);
}

GType ChanSwitchType() {
  static const GType type = [] {
    GTypeInfo info{};
    info.class_size = sizeof(TChanSwitchClass);
    info.class_init = ClassInit;
    info.instance_size = sizeof(TChanSwitch);
    info.instance_init = InstanceInit;
    return g_type_register_static(GST_TYPE_AUDIO_FILTER, "QevChanSwitch", &info, GTypeFlags{});
  }();
  return type;
}

} // namespace

bool RegisterChannelSwitch() {
  return gst_element_register(nullptr, kChannelSwitchFactory, GST_RANK_NONE, ChanSwitchType()) ==
         TRUE;
}

} // namespace qev::video::gst
