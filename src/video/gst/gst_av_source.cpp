#include "video/gst/gst_av_source.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>
#include <string_view>
#include <tuple>

namespace qev::video::gst {

namespace {

constexpr std::size_t kPacket = 188;
constexpr guint64 kQueueBytes = 4 * 1024 * 1024;
// The PAT and PMT are repeated so that a demultiplexer that lost them finds them again soon.
constexpr auto kPsiInterval = std::chrono::milliseconds(100);
// How long the source waits for the headers of every played stream before it announces what
// it knows (the sound of a TV service whose pictures carry no header yet, say).
constexpr auto kDetectWait = std::chrono::milliseconds(1500);
constexpr std::uint16_t kNoPid = 0x1FFF;

bool Playable(std::uint16_t pid) { return pid >= 1 && pid <= 8190; }

std::uint16_t PidOf(const std::uint8_t *packet) {
  return static_cast<std::uint16_t>((packet[1] & 0x1F) << 8 | packet[2]);
}

bool Scrambled(const std::uint8_t *packet) { return (packet[3] & 0xC0) != 0; }

bool UnitStart(const std::uint8_t *packet) { return (packet[1] & 0x40) != 0; }

// A packet's PCR alone, in a packet of adaptation field only (which leaves the continuity
// counter of the PID where it was).
void AppendPcrOnly(const std::uint8_t *packet, std::basic_string<std::uint8_t> &out) {
  constexpr std::uint8_t kAdaptation = 0x20, kPcrFlag = 0x10, kDiscontinuity = 0x80;
  if ((packet[3] & kAdaptation) == 0 || packet[4] < 7 || (packet[5] & kPcrFlag) == 0)
    return;
  std::uint8_t pcr[kPacket];
  std::fill(std::begin(pcr), std::end(pcr), 0xFF);
  std::copy(packet, packet + 3, pcr);
  pcr[1] &= 0xBF; // no unit starts here
  pcr[3] = static_cast<std::uint8_t>((packet[3] & 0xCF) | kAdaptation);
  pcr[4] = kPacket - 5;
  pcr[5] = packet[5] & (kPcrFlag | kDiscontinuity);
  std::copy(packet + 6, packet + 12, pcr + 6);
  out.append(pcr, kPacket);
}

} // namespace

TGstAvSource::TGstAvSource(const char *name) {
  bin_ = gst_bin_new(name);
  appsrc_ = gst_element_factory_make("appsrc", nullptr);
  demux_ = gst_element_factory_make("tsdemux", nullptr);
  if (appsrc_ == nullptr || demux_ == nullptr) {
    for (GstElement **element : {&appsrc_, &demux_})
      if (*element != nullptr)
        gst_object_unref(gst_object_ref_sink(*element));
    appsrc_ = demux_ = nullptr;
    gst_object_unref(gst_object_ref_sink(bin_));
    bin_ = nullptr;
    return;
  }
  GstCaps *caps = gst_caps_from_string("video/mpegts, systemstream=(boolean)true, "
                                       "packetsize=(int)188");
  g_object_set(appsrc_, "stream-type", GST_APP_STREAM_TYPE_STREAM, "format", GST_FORMAT_BYTES,
               "is-live", TRUE, "do-timestamp", FALSE, "max-bytes", kQueueBytes, "block", FALSE,
               "caps", caps, nullptr);
  gst_caps_unref(caps);
  gst_bin_add_many(GST_BIN(bin_), appsrc_, demux_, nullptr);
  gst_element_link(appsrc_, demux_);
  g_signal_connect(demux_, "pad-added", G_CALLBACK(OnDemuxPad), this);
}

void TGstAvSource::OnDemuxPad(GstElement *, GstPad *pad, gpointer self) {
  static_cast<TGstAvSource *>(self)->ExposePad(pad);
}

// The first video and audio pads of the demultiplexer become "Video" and "Audio"; later ones
// (a new programme after a type change) take their place behind the same ghost pad, so the
// links of the graph stay as they are.
void TGstAvSource::ExposePad(GstPad *pad) {
  gchar *padName = gst_pad_get_name(pad);
  const std::string_view name(padName);
  GstPad **ghost = name.starts_with("video")   ? &videoPad_
                   : name.starts_with("audio") ? &audioPad_
                                               : nullptr;
  const char *ghostName = ghost == &videoPad_ ? "Video" : "Audio";
  g_free(padName);
  if (ghost == nullptr)
    return;
  if (*ghost != nullptr) {
    gst_ghost_pad_set_target(GST_GHOST_PAD(*ghost), pad);
    return;
  }
  *ghost = gst_ghost_pad_new(ghostName, pad);
  gst_pad_set_active(*ghost, TRUE);
  gst_element_add_pad(bin_, *ghost);
}

int TGstAvSource::Start(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
                        std::int32_t) {
  {
    std::lock_guard lock(feedMutex_);
    audioPid_ = Playable(audioPid) ? audioPid : kNoPid;
    videoPid_ = Playable(videoPid) ? videoPid : kNoPid;
    pcrPid_ = Playable(pcrPid) ? pcrPid : kNoPid;
    videoWatcher_.Reset();
    audioWatcher_.Reset();
    psiStarted_ = psiChanged_ = false;
    videoLate_ = audioLate_ = {};
    firstPacket_.reset();
    held_.clear();
    feeding_ = true;
  }
  scrambled_.store(0);
  std::lock_guard lock(typeMutex_);
  videoType_ = audioType_ = nullptr;
  return 0;
}

int TGstAvSource::SetParam(int code, std::intptr_t value) {
  const auto *event = reinterpret_cast<const TEventRef *>(value);
  std::lock_guard lock(typeMutex_);
  switch (code) {
  case kParamVideoEvent:
    videoEvent_ = event != nullptr ? std::optional(*event) : std::nullopt;
    return 0;
  case kParamAudioEvent:
    audioEvent_ = event != nullptr ? std::optional(*event) : std::nullopt;
    return 0;
  case kParamVideoDetect:
  case kParamAudioDetect:
  case kParamOnlyIFrames:
  case kParamLatency:
    // The source detects types whatever the mode (it needs them for its PMT); the
    // demultiplexer and the decoders keep their own latency and decode every picture.
    return 0;
  default:
    return -1;
  }
}

int TGstAvSource::GetParam(int code, std::intptr_t &value) {
  std::lock_guard lock(typeMutex_);
  switch (code) {
  case kParamVideoType:
    value = reinterpret_cast<std::intptr_t>(videoType_);
    return 0;
  case kParamAudioType:
    value = reinterpret_cast<std::intptr_t>(audioType_);
    return 0;
  case kParamScrambledPackets:
    value = static_cast<std::intptr_t>(scrambled_.load());
    return 0;
  default:
    value = 0;
    return -1;
  }
}

void TGstAvSource::DeliverTs(const std::uint8_t *data, std::int32_t length) noexcept {
  if (data == nullptr || length < static_cast<std::int32_t>(kPacket))
    return;
  try {
    const auto now = TClock::now();
    TBytes bytes;
    {
      std::lock_guard lock(feedMutex_);
      if (!feeding_)
        return;
      TBytes kept;
      kept.reserve(static_cast<std::size_t>(length));
      for (std::size_t at = 0; at + kPacket <= static_cast<std::size_t>(length); at += kPacket)
        Filter(data + at, kept);
      scrambled_.store(videoWatcher_.ScrambledPackets() + audioWatcher_.ScrambledPackets());
      if (kept.empty())
        return;
      if (!firstPacket_)
        firstPacket_ = now;
      if (PsiDue(now)) {
        bytes = Tables();
        lastPsi_ = now;
      }
      if (!psiStarted_) {
        Hold(kept); // the demultiplexer could not place them yet
        return;
      }
      bytes += held_;
      bytes += kept;
      held_.clear();
    }
    Push(std::move(bytes));
  } catch (...) {
    // out of memory for one block: the stream goes on with the next
  }
}

// The PAT and PMT of the streams whose type is known, followed by the packets of a stream they
// announce for the first time, from its latest PES start on.
TGstAvSource::TBytes TGstAvSource::Tables() {
  std::vector<TSynthStream> streams;
  TBytes joining;
  for (auto [watcher, pid, late] : {std::tuple{&videoWatcher_, videoPid_, &videoLate_},
                                    std::tuple{&audioWatcher_, audioPid_, &audioLate_}}) {
    if (!watcher->Current() || pid == kNoPid)
      continue;
    streams.push_back(SynthStreamFor(pid, *watcher->Current()));
    if (!late->Announced && psiStarted_)
      joining += late->Run;
    late->Announced = true;
    late->Run.clear();
  }
  if (streams.empty())
    return {};
  const std::uint16_t pcr = pcrPid_ != kNoPid ? pcrPid_ : streams.front().Pid;
  return psi_.Packets(pcr, streams) + joining;
}

// Packets that came before the tables are kept for them: they hold the headers the types were
// detected from, which a decoder needs too (an MPEG-2 encoder may send its sequence header
// once only).
void TGstAvSource::Hold(const TBytes &kept) {
  if (held_.size() + kept.size() > kQueueBytes) {
    dropped_ += held_.size();
    held_.clear();
  }
  held_ += kept;
}

void TGstAvSource::Filter(const std::uint8_t *packet, TBytes &kept) {
  if (packet[0] != 0x47)
    return;
  const std::uint16_t pid = PidOf(packet);
  if (pid == kNoPid)
    return;
  TUnannounced *late = nullptr;
  if (pid == videoPid_) {
    Watch(videoWatcher_, packet, TMajorType::Video);
    late = &videoLate_;
  } else if (pid == audioPid_) {
    Watch(audioWatcher_, packet, TMajorType::Audio);
    late = &audioLate_;
  } else if (pid != pcrPid_) {
    return;
  }
  if (Scrambled(packet) || (late != nullptr && KeepUntilAnnounced(*late, packet, kept)))
    return;
  kept.append(packet, kPacket);
}

// Once the tables went out without the stream, its packets wait for the tables that name it
// (its type is detected in the PES they start): sent before them, the PES start with the
// header the decoder needs first would be lost. The clock it carries goes on at once.
bool TGstAvSource::KeepUntilAnnounced(TUnannounced &stream, const std::uint8_t *packet,
                                      TBytes &kept) {
  if (!psiStarted_ || stream.Announced)
    return false;
  if (UnitStart(packet))
    stream.Run.clear();
  if (stream.Run.size() + kPacket <= kQueueBytes)
    stream.Run.append(packet, kPacket);
  AppendPcrOnly(packet, kept);
  return true;
}

void TGstAvSource::Watch(TEsTypeWatcher &watcher, const std::uint8_t *packet, TMajorType kind) {
  if (!watcher.Feed(packet))
    return;
  psiChanged_ = true;
  Publish(kind, watcher.Current());
}

void TGstAvSource::Publish(TMajorType kind, const std::optional<TMediaType> &type) {
  std::optional<TEventRef> event;
  {
    std::lock_guard lock(typeMutex_);
    // Every distinct type is stored once: a stream that flips between two types costs nothing
    // more, and a pointer handed out stays valid while the graph lives.
    const TMediaType *stored = nullptr;
    if (type) {
      const auto known = std::find(types_.begin(), types_.end(), *type);
      stored = known != types_.end() ? &*known : &types_.emplace_back(*type);
    }
    (kind == TMajorType::Video ? videoType_ : audioType_) = stored;
    event = kind == TMajorType::Video ? videoEvent_ : audioEvent_;
  }
  if (event)
    event->Signal();
}

// Whether the PAT and PMT go out with this block: once every played stream's type is known (or
// the wait for them is over and one is), and again every interval. A type change shows in the
// synthesiser's next tables, whose version then changes.
bool TGstAvSource::PsiDue(TClock::time_point now) {
  const bool videoKnown = videoPid_ == kNoPid || videoWatcher_.Current().has_value();
  const bool audioKnown = audioPid_ == kNoPid || audioWatcher_.Current().has_value();
  const bool anyKnown = (videoPid_ != kNoPid && videoWatcher_.Current().has_value()) ||
                        (audioPid_ != kNoPid && audioWatcher_.Current().has_value());
  if (!psiStarted_) {
    if (!anyKnown || (!(videoKnown && audioKnown) && now - *firstPacket_ < kDetectWait))
      return false;
    psiStarted_ = true;
  } else if (!psiChanged_ && now - lastPsi_ < kPsiInterval) {
    return false;
  }
  psiChanged_ = false;
  return true;
}

void TGstAvSource::Push(TBytes &&bytes) {
  if (appsrc_ == nullptr)
    return;
  if (gst_app_src_get_current_level_bytes(GST_APP_SRC(appsrc_)) + bytes.size() > kQueueBytes) {
    dropped_ += bytes.size();
    return;
  }
  GstBuffer *buffer = gst_buffer_new_memdup(bytes.data(), bytes.size());
  if (gst_app_src_push_buffer(GST_APP_SRC(appsrc_), buffer) != GST_FLOW_OK)
    dropped_ += bytes.size();
}

void TGstAvSource::DeliverPva(const std::uint8_t *) noexcept {
  // Devices that deliver PVA have no transport stream to demultiplex here.
}

void TGstAvSource::StopFeed() {
  {
    std::lock_guard lock(feedMutex_);
    feeding_ = false;
  }
  Flush();
}

// Drops what waits in the queue, so a new channel does not start with the old one's tail.
void TGstAvSource::Flush() {
  GstState state = GST_STATE_NULL;
  if (appsrc_ == nullptr)
    return;
  gst_element_get_state(appsrc_, &state, nullptr, 0);
  if (state < GST_STATE_PAUSED)
    return;
  gst_element_send_event(appsrc_, gst_event_new_flush_start());
  gst_element_send_event(appsrc_, gst_event_new_flush_stop(FALSE));
}

} // namespace qev::video::gst
