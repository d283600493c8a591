#include "video/gst/gst_graph.h"

#include "video/gst/gst_aliases.h"
#include "video/gst/gst_chan_switch.h"

#include <gst/base/gstbasesink.h>
#include <gst/video/video.h>
#include <sys/stat.h>

#include <algorithm>

namespace qev::video::gst {

namespace {

constexpr int kCannotCreate = 0x2001;
constexpr int kCannotAdd = 0x2002;
// The longest a state change keeps its caller waiting; a live pipeline reaches PLAYING only
// when data flows, and it goes on changing in the background.
constexpr GstClockTime kStateWait = 250 * GST_MSECOND;
constexpr const char *kSink = "sink";

const char *PictureProperty(TPictureControl control) {
  switch (control) {
  case TPictureControl::Brightness:
    return "brightness";
  case TPictureControl::Contrast:
    return "contrast";
  case TPictureControl::Hue:
    return "hue";
  case TPictureControl::Saturation:
    return "saturation";
  }
  return "brightness";
}

std::string FactoryName(GstElement *element) {
  GstElementFactory *factory = gst_element_get_factory(element);
  return factory != nullptr ? GST_OBJECT_NAME(factory) : "";
}

// Properties of the element's own (not those every element or bin has) that can be set.
bool HasOwnSettings(GstElement *element) {
  guint count = 0;
  GParamSpec **specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(element), &count);
  bool found = false;
  for (guint i = 0; i < count && !found; ++i) {
    const GType owner = specs[i]->owner_type;
    found = (specs[i]->flags & G_PARAM_WRITABLE) != 0 && owner != GST_TYPE_OBJECT &&
            owner != GST_TYPE_ELEMENT && owner != GST_TYPE_BIN && owner != GST_TYPE_PIPELINE;
  }
  g_free(specs);
  return found;
}

bool LinkPads(GstPad *source, GstPad *destination) {
  if (gst_pad_is_linked(destination) || gst_pad_is_linked(source)) {
    GstPad *peer = gst_pad_get_peer(destination);
    const bool same = peer == source;
    if (peer != nullptr)
      gst_object_unref(peer);
    return same;
  }
  return GST_PAD_LINK_SUCCESSFUL(gst_pad_link(source, destination));
}

GstPadProbeReturn OnAudioData(GstPad *, GstPadProbeInfo *info, gpointer tally) {
  auto &counts = *static_cast<TRenderTally *>(tally);
  if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
    counts.AudioBuffer();
  } else if (GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
             event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
    GstCaps *caps = nullptr;
    gst_event_parse_caps(event, &caps);
    const GstStructure *s = gst_caps_get_structure(caps, 0);
    int channels = 0, rate = 0;
    gst_structure_get_int(s, "channels", &channels);
    gst_structure_get_int(s, "rate", &rate);
    counts.AudioFormat(channels, rate);
  }
  return GST_PAD_PROBE_OK;
}

std::optional<std::string> UriOf(const std::string &file) {
  if (gst_uri_is_valid(file.c_str()) == TRUE)
    return file;
  struct stat info {};
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  gchar *uri = gst_filename_to_uri(file.c_str(), nullptr);
  if (uri == nullptr)
    return std::nullopt;
  std::string text = uri;
  g_free(uri);
  return text;
}

} // namespace

TGstGraph::TGstGraph(TRenderMode mode) : mode_(mode) {
  pipeline_ = gst_pipeline_new(nullptr);
  gst_object_ref_sink(pipeline_);
  g_signal_connect(pipeline_, "deep-element-added", G_CALLBACK(OnElementAdded), this);
  bus_ = std::make_unique<TGstBusWatch>(pipeline_, tally_);
}

TGstGraph::~TGstGraph() {
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  if (video_)
    video_->Stopped();
  bus_.reset();
  gst_object_unref(pipeline_);
}

const TGstGraph::TFilter *TGstGraph::Find(const std::string &name) const {
  const auto it = std::find_if(filters_.begin(), filters_.end(),
                               [&](const TFilter &f) { return f.Name == name; });
  return it != filters_.end() ? &*it : nullptr;
}

const TGstGraph::TFilter *TGstGraph::FindFactory(const char *factory) const {
  const auto it = std::find_if(filters_.begin(), filters_.end(),
                               [&](const TFilter &f) { return FactoryName(f.Element) == factory; });
  return it != filters_.end() ? &*it : nullptr;
}

// The last one of a role wins, as the wrapper recognises filters.
const TGstGraph::TFilter *TGstGraph::FindRole(TFilterRole role) const {
  const auto it = std::find_if(filters_.rbegin(), filters_.rend(),
                               [&](const TFilter &f) { return f.Role == role; });
  return it != filters_.rend() ? &*it : nullptr;
}

std::string TGstGraph::UniqueName(const std::string &base) const {
  std::string name = base;
  for (int n = 2; Find(name) != nullptr; ++n)
    name = base + " " + std::to_string(n);
  return name;
}

int TGstGraph::AddFilter(const std::string &cls, const std::string &name) {
  const auto alias = AliasRole(cls);
  if (Find(name) != nullptr || (alias == TFilterRole::AvSource && source_) ||
      (alias == TFilterRole::VideoRenderer && video_))
    return kCannotAdd;
  TFilter filter{name, cls, TFilterRole::Other, nullptr, {}};
  filter.Element = MakeElement(cls, name, filter);
  if (filter.Element == nullptr)
    return kCannotCreate;
  return Adopt(std::move(filter));
}

GstElement *TGstGraph::MakeElement(const std::string &cls, const std::string &name,
                                   TFilter &filter) {
  const bool count = mode_ == TRenderMode::Count;
  const auto alias = AliasRole(cls);
  filter.Role = alias.value_or(TFilterRole::Other);
  if (alias == TFilterRole::AvSource) {
    auto source = std::make_unique<TGstAvSource>(name.c_str());
    if (!source->Valid())
      return nullptr;
    filter.LaterPads = {"Video", "Audio"};
    source_ = std::move(source);
    return source_->Element();
  }
  if (alias == TFilterRole::VideoRenderer) {
    auto renderer = std::make_unique<TGstVideoRenderer>(name.c_str(), !count, tally_);
    if (!renderer->Valid())
      return nullptr;
    video_ = std::move(renderer);
    return video_->Element();
  }
  if (alias == TFilterRole::AudioRenderer) {
    GstElement *sink = gst_element_factory_make(count ? "fakesink" : "autoaudiosink", name.c_str());
    if (sink != nullptr && count)
      g_object_set(sink, "sync", FALSE, nullptr);
    return sink;
  }
  if (alias == TFilterRole::ChannelSwitch)
    return gst_element_factory_make(kChannelSwitchFactory, name.c_str());
  GstElementFactory *factory = gst_element_factory_find(cls.c_str());
  if (factory == nullptr)
    return nullptr;
  const char *klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
  filter.Role = FactoryRole(cls, klass != nullptr ? klass : "");
  GstElement *element = gst_element_factory_create(factory, name.c_str());
  gst_object_unref(factory);
  return element;
}

int TGstGraph::Adopt(TFilter &&filter) {
  GstElement *element = filter.Element;
  const TFilterRole role = filter.Role;
  if (gst_bin_add(GST_BIN(pipeline_), element) == FALSE) {
    // The bin took the floating reference; what the wrappers hold is gone with it.
    if (source_ && source_->Element() == element)
      source_.reset();
    if (video_ && video_->Element() == element)
      video_.reset();
    return kCannotAdd;
  }
  filters_.push_back(std::move(filter));
  if (role == TFilterRole::AudioRenderer)
    CountAudio(element);
  return 0;
}

void TGstGraph::CountAudio(GstElement *renderer) {
  GstPad *pad = gst_element_get_static_pad(renderer, kSink);
  if (pad == nullptr)
    return;
  gst_pad_add_probe(
      pad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      OnAudioData, &tally_, nullptr);
  gst_object_unref(pad);
}

GstElement *TGstGraph::Element(const std::string &name) const {
  const TFilter *f = Find(name);
  return f != nullptr ? f->Element : nullptr;
}

bool TGstGraph::HasFilter(const std::string &name) const { return Find(name) != nullptr; }

std::optional<std::string> TGstGraph::FindPin(const std::string &filter,
                                              const std::string &pin) const {
  const TFilter *f = Find(filter);
  if (f == nullptr)
    return std::nullopt;
  const auto choice = FindPadChoice(f->Element, pin, f->LaterPads);
  return choice ? std::optional(choice->Name) : std::nullopt;
}

bool TGstGraph::ConnectPins(const std::string &source, const std::string &sourcePin,
                            const std::string &destination, const std::string &destinationPin) {
  const TFilter *from = Find(source);
  const TFilter *to = Find(destination);
  if (from == nullptr || to == nullptr)
    return false;
  const auto fromPad = FindPadChoice(from->Element, sourcePin, from->LaterPads);
  const auto toPad = FindPadChoice(to->Element, destinationPin, to->LaterPads);
  if (!fromPad || !toPad || toPad->Kind != TPadChoice::TKind::Exact ||
      toPad->Presence == GST_PAD_SOMETIMES)
    return false;
  return Link(from->Element, *fromPad, to->Element, toPad->Name);
}

// Links now what exists; a pad still to appear (or one that comes and goes with the stream)
// is kept as a later link and linked whenever it appears.
bool TGstGraph::Link(GstElement *source, const TPadChoice &sourcePad, GstElement *destination,
                     const std::string &destinationPad) {
  GstPad *to = gst_element_get_static_pad(destination, destinationPad.c_str());
  if (to == nullptr)
    to = gst_element_request_pad_simple(destination, destinationPad.c_str());
  if (to == nullptr)
    return false;
  const bool later =
      sourcePad.Presence == GST_PAD_SOMETIMES || sourcePad.Kind != TPadChoice::TKind::Exact;
  if (later) {
    {
      std::lock_guard lock(linkMutex_);
      laterLinks_.push_back({source, sourcePad, destination, destinationPad});
    }
    WatchPads(source);
  }
  GstPad *from = PadNow(source, sourcePad);
  bool linked = later;
  if (from != nullptr) {
    linked = LinkPads(from, to);
    gst_object_unref(from);
  }
  gst_object_unref(to);
  return linked;
}

void TGstGraph::WatchPads(GstElement *element) {
  std::lock_guard lock(linkMutex_);
  if (watched_.insert(element).second)
    g_signal_connect(element, "pad-added", G_CALLBACK(OnPadAdded), this);
}

void TGstGraph::OnPadAdded(GstElement *element, GstPad *pad, gpointer self) {
  static_cast<TGstGraph *>(self)->PadAdded(element, pad);
}

void TGstGraph::PadAdded(GstElement *element, GstPad *pad) {
  std::lock_guard lock(linkMutex_);
  for (const TLaterLink &link : laterLinks_) {
    if (link.Source != element || gst_pad_is_linked(pad) || !link.SourcePad.Matches(pad))
      continue;
    GstPad *to = gst_element_get_static_pad(link.Destination, link.DestinationPad.c_str());
    if (to == nullptr)
      continue;
    if (!gst_pad_is_linked(to))
      gst_pad_link(pad, to);
    gst_object_unref(to);
  }
}

bool TGstGraph::PinConnected(const std::string &filter, const std::string &pin) const {
  const TFilter *f = Find(filter);
  if (f == nullptr)
    return false;
  const auto choice = FindPadChoice(f->Element, pin, f->LaterPads);
  if (!choice)
    return false;
  {
    std::lock_guard lock(linkMutex_);
    for (const TLaterLink &link : laterLinks_)
      if ((link.Source == f->Element && link.SourcePad.Name == choice->Name) ||
          (link.Destination == f->Element && link.DestinationPad == choice->Name))
        return true;
  }
  GstPad *pad = gst_element_get_static_pad(f->Element, choice->Name.c_str());
  const bool linked = pad != nullptr && gst_pad_is_linked(pad);
  if (pad != nullptr)
    gst_object_unref(pad);
  return linked;
}

std::vector<TFilterInfo> TGstGraph::Filters() const {
  std::vector<TFilterInfo> list;
  for (const TFilter &f : filters_)
    list.push_back({f.Name.substr(0, 128), f.Class, f.Role, HasOwnSettings(f.Element)});
  return list;
}

GstElement *TGstGraph::AddControl(const char *factory, const std::string &name) {
  TFilter filter{UniqueName(name), factory, TFilterRole::Other, nullptr, {}};
  filter.Element = gst_element_factory_make(factory, filter.Name.c_str());
  if (filter.Element == nullptr)
    return nullptr;
  filter.Role = FactoryRole(factory, "");
  GstElement *element = filter.Element;
  return Adopt(std::move(filter)) == 0 ? element : nullptr;
}

GstElement *TGstGraph::Control(const char *factory) const {
  const TFilter *f = FindFactory(factory);
  return f != nullptr ? f->Element : nullptr;
}

void TGstGraph::InsertControls() {
  controlsWanted_ = true;
  if (video_) {
    std::vector<GstElement *> chain;
    for (const char *factory : {"videobalance", "videocrop"})
      if (Control(factory) == nullptr)
        chain.push_back(AddControl(factory, factory));
    InsertBefore(video_->Element(), chain);
  }
  const TFilter *audio = FindRole(TFilterRole::AudioRenderer);
  if (audio == nullptr)
    return;
  GstElement *renderer = audio->Element;
  std::vector<GstElement *> chain;
  if (FindRole(TFilterRole::ChannelSwitch) == nullptr)
    chain.push_back(AddControl(kChannelSwitchFactory, kChannelSwitchFactory));
  for (const char *factory : {"audiopanorama", "volume"})
    if (Control(factory) == nullptr)
      chain.push_back(AddControl(factory, factory));
  if (!chain.empty())
    chain.insert(chain.begin(), AddControl("audioconvert", "audioconvert"));
  InsertBefore(renderer, chain);
}

// Puts the chain between the target's input and whatever feeds it, or will feed it.
void TGstGraph::InsertBefore(GstElement *target, const std::vector<GstElement *> &elements) {
  std::vector<GstElement *> chain;
  std::copy_if(elements.begin(), elements.end(), std::back_inserter(chain),
               [](GstElement *e) { return e != nullptr; });
  if (chain.empty())
    return;
  for (std::size_t i = 0; i + 1 < chain.size(); ++i)
    gst_element_link(chain[i], chain[i + 1]);
  GstPad *input = gst_element_get_static_pad(target, kSink);
  if (input == nullptr)
    return;
  GstPad *head = gst_element_get_static_pad(chain.front(), kSink);
  if (GstPad *feeder = gst_pad_get_peer(input); feeder != nullptr) {
    gst_pad_unlink(feeder, input);
    gst_pad_link(feeder, head);
    gst_object_unref(feeder);
  }
  {
    std::lock_guard lock(linkMutex_);
    for (TLaterLink &link : laterLinks_)
      if (link.Destination == target && link.DestinationPad == kSink)
        link.Destination = chain.front();
  }
  gst_object_unref(head);
  gst_object_unref(input);
  gst_element_link(chain.back(), target);
  for (GstElement *element : chain) {
    controls_.insert(element);
    gst_element_sync_state_with_parent(element);
  }
}

bool TGstGraph::RenderMedia(const std::string &file) {
  const auto uri = UriOf(file);
  if (!uri)
    return false;
  if (!video_)
    AddFilter("QEV Video Renderer", UniqueName("Video Renderer"));
  if (FindRole(TFilterRole::AudioRenderer) == nullptr)
    AddFilter("QEV Audio Renderer", UniqueName("Audio Renderer"));
  if (controlsWanted_)
    InsertControls();
  GstElement *decoder = AddControl("uridecodebin", "Media Source");
  if (decoder == nullptr)
    return false;
  filters_.back().Role = TFilterRole::MediaSource;
  g_object_set(decoder, "uri", uri->c_str(), nullptr);
  // Linked to the renderers' inputs, or to the controls in front of them.
  bool linked = false;
  if (video_)
    linked |= Link(decoder, {"video", TPadChoice::TKind::AnyVideo, GST_PAD_SOMETIMES},
                   InputOf(video_->Element()), kSink);
  if (const TFilter *audio = FindRole(TFilterRole::AudioRenderer))
    linked |= Link(decoder, {"audio", TPadChoice::TKind::AnyAudio, GST_PAD_SOMETIMES},
                   InputOf(audio->Element), kSink);
  return linked;
}

// The first of the controls in front of a renderer, or the renderer itself.
GstElement *TGstGraph::InputOf(GstElement *renderer) const {
  GstElement *head = renderer;
  for (;;) {
    GstPad *input = gst_element_get_static_pad(head, kSink);
    GstPad *feeder = input != nullptr ? gst_pad_get_peer(input) : nullptr;
    GstElement *element = feeder != nullptr ? gst_pad_get_parent_element(feeder) : nullptr;
    for (GstObject *object : {GST_OBJECT_CAST(input), GST_OBJECT_CAST(feeder)})
      if (object != nullptr)
        gst_object_unref(object);
    if (element == nullptr)
      return head;
    gst_object_unref(element); // the pipeline keeps it
    if (controls_.count(element) == 0)
      return head;
    head = element;
  }
}

// A live graph's renderers must not wait for a first buffer before they play: a stream that
// carries no pictures (a radio service) would hold the sound back for ever.
void TGstGraph::OnElementAdded(GstBin *, GstBin *, GstElement *element, gpointer self) {
  if (static_cast<TGstGraph *>(self)->live_.load() && GST_IS_BASE_SINK(element))
    g_object_set(element, "async", FALSE, nullptr);
}

void TGstGraph::MakeSinksLive() {
  GstIterator *it = gst_bin_iterate_recurse(GST_BIN(pipeline_));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    OnElementAdded(nullptr, nullptr, GST_ELEMENT(g_value_get_object(&item)), this);
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
}

bool TGstGraph::SetState(TGraphState state) {
  if (source_ && !live_.exchange(true))
    MakeSinksLive();
  const GstState target = state == TGraphState::Running  ? GST_STATE_PLAYING
                          : state == TGraphState::Paused ? GST_STATE_PAUSED
                                                         : GST_STATE_NULL;
  GstStateChangeReturn result = gst_element_set_state(pipeline_, target);
  if (result == GST_STATE_CHANGE_ASYNC)
    result = gst_element_get_state(pipeline_, nullptr, nullptr, kStateWait);
  if (target == GST_STATE_NULL && video_)
    video_->Stopped();
  return result != GST_STATE_CHANGE_FAILURE;
}

bool TGstGraph::AttachSurface(std::uintptr_t surface) {
  if (!video_)
    return false;
  video_->AttachSurface(surface);
  return true;
}

bool TGstGraph::SetRendererGeometry(const TRendererGeometry &geometry) {
  if (!video_)
    return false;
  video_->SetGeometry(geometry);
  return true;
}

// The size the decoder delivers, before any crop: the caps in front of the controls.
std::optional<TVideoSize> TGstGraph::NativeVideoSize() const {
  if (!video_)
    return std::nullopt;
  GstPad *input = gst_element_get_static_pad(InputOf(video_->Element()), kSink);
  GstCaps *caps = input != nullptr ? gst_pad_get_current_caps(input) : nullptr;
  std::optional<TVideoSize> size;
  GstVideoInfo info;
  if (caps != nullptr && gst_video_info_from_caps(&info, caps) == TRUE)
    size = TVideoSize{info.width, info.height};
  if (caps != nullptr)
    gst_caps_unref(caps);
  if (input != nullptr)
    gst_object_unref(input);
  return size;
}

bool TGstGraph::SetSourceCrop(int x, int y) {
  GstElement *crop = Control("videocrop");
  if (crop == nullptr || x < 0 || y < 0)
    return false;
  g_object_set(crop, "left", x, "right", x, "top", y, "bottom", y, nullptr);
  return true;
}

std::optional<TControlRange> TGstGraph::PictureRange(TPictureControl control) const {
  GstElement *balance = Control("videobalance");
  if (balance == nullptr)
    return std::nullopt;
  GParamSpec *property =
      g_object_class_find_property(G_OBJECT_GET_CLASS(balance), PictureProperty(control));
  if (property == nullptr || !G_IS_PARAM_SPEC_DOUBLE(property))
    return std::nullopt;
  const auto *range = G_PARAM_SPEC_DOUBLE(property);
  return TControlRange{range->minimum, range->maximum};
}

std::optional<double> TGstGraph::GetPicture(TPictureControl control) const {
  GstElement *balance = Control("videobalance");
  if (balance == nullptr)
    return std::nullopt;
  double value = 0;
  g_object_get(balance, PictureProperty(control), &value, nullptr);
  return value;
}

bool TGstGraph::SetPicture(TPictureControl control, double value) {
  const auto range = PictureRange(control);
  if (!range)
    return false;
  g_object_set(Control("videobalance"), PictureProperty(control),
               std::clamp(value, range->Min, range->Max), nullptr);
  return true;
}

bool TGstGraph::HasAudio() const {
  return FindRole(TFilterRole::AudioRenderer) != nullptr || Control("volume") != nullptr;
}

std::optional<double> TGstGraph::GetVolume() const {
  GstElement *volume = Control("volume");
  if (volume == nullptr)
    return std::nullopt;
  double value = 0;
  g_object_get(volume, "volume", &value, nullptr);
  return value;
}

bool TGstGraph::SetVolume(double factor) {
  GstElement *volume = Control("volume");
  if (volume == nullptr)
    return false;
  g_object_set(volume, "volume", std::clamp(factor, 0.0, 10.0), nullptr);
  return true;
}

std::optional<double> TGstGraph::GetPanorama() const {
  GstElement *panorama = Control("audiopanorama");
  if (panorama == nullptr)
    return std::nullopt;
  float value = 0;
  g_object_get(panorama, "panorama", &value, nullptr);
  return value;
}

bool TGstGraph::SetPanorama(double position) {
  GstElement *panorama = Control("audiopanorama");
  if (panorama == nullptr)
    return false;
  g_object_set(panorama, "panorama", static_cast<float>(std::clamp(position, -1.0, 1.0)), nullptr);
  return true;
}

bool TGstGraph::HasChannelSwitch() const { return FindRole(TFilterRole::ChannelSwitch) != nullptr; }

std::optional<int> TGstGraph::GetChannelMode() const {
  const TFilter *f = FindRole(TFilterRole::ChannelSwitch);
  if (f == nullptr)
    return std::nullopt;
  int mode = 0;
  g_object_get(f->Element, "mode", &mode, nullptr);
  return mode;
}

bool TGstGraph::SetChannelMode(int mode) {
  const TFilter *f = FindRole(TFilterRole::ChannelSwitch);
  if (f == nullptr || mode < 0 || mode > 2)
    return false;
  g_object_set(f->Element, "mode", mode, nullptr);
  return true;
}

// The decoders behind follow a new media type by themselves (caps events); asking the pad to
// renegotiate is all that is left to do, and harmless when nothing changed.
bool TGstGraph::ReconnectPin(const std::string &filter, const std::string &pin) {
  const TFilter *f = Find(filter);
  if (f == nullptr)
    return false;
  const auto choice = FindPadChoice(f->Element, pin, f->LaterPads);
  if (!choice)
    return false;
  if (GstPad *pad = gst_element_get_static_pad(f->Element, choice->Name.c_str())) {
    gst_pad_send_event(pad, gst_event_new_reconfigure());
    gst_object_unref(pad);
  }
  return true;
}

// A pipeline left to choose its clock takes the one of its audio sink: pinning the sink's
// clock here would outlive the sink that autoaudiosink makes anew on every start.
void TGstGraph::UseAudioClock() { gst_pipeline_auto_clock(GST_PIPELINE(pipeline_)); }

} // namespace qev::video::gst
