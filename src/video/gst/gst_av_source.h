#pragma once

#include "video/av_source.h"
#include "video/es_detect.h"
#include "video/event_group.h"

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>

namespace qev::video::gst {

// The live source filter: a bin of appsrc (a bounded live transport stream that never blocks
// the device thread) and tsdemux, fed with the packets of the played PIDs and a PAT and PMT
// made from the types its own watchers detect. Its pads "Video" and "Audio" appear when the
// demultiplexer offers the stream, and stay (re-targeted) when the programme changes.
class TGstAvSource final : public IDvbAvSrcIntf {
public:
  explicit TGstAvSource(const char *name);
  TGstAvSource(const TGstAvSource &) = delete;
  TGstAvSource &operator=(const TGstAvSource &) = delete;

  // Floating until the graph adds it to its pipeline.
  GstElement *Element() const { return bin_; }
  // False when an element it needs is missing.
  bool Valid() const { return appsrc_ != nullptr && demux_ != nullptr; }

  int Start(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
            std::int32_t flags) override;
  int SetParam(int code, std::intptr_t value) override;
  int GetParam(int code, std::intptr_t &value) override;
  void DeliverTs(const std::uint8_t *data, std::int32_t length) noexcept override;
  void DeliverPva(const std::uint8_t *data) noexcept override;
  void StopFeed() override;

  // Bytes refused because the queue towards the demultiplexer was full.
  std::uint64_t DroppedBytes() const { return dropped_.load(); }

private:
  using TBytes = std::basic_string<std::uint8_t>;
  using TClock = std::chrono::steady_clock;

  static void OnDemuxPad(GstElement *demux, GstPad *pad, gpointer self);
  void ExposePad(GstPad *pad);
  // A played stream as the tables show it: until they carry it, its packets since its latest
  // PES start wait for them, since the demultiplexer drops what comes before its entry.
  struct TUnannounced {
    bool Announced = false;
    TBytes Run;
  };
  void Filter(const std::uint8_t *packet, TBytes &kept);
  void Watch(TEsTypeWatcher &watcher, const std::uint8_t *packet, TMajorType kind);
  bool KeepUntilAnnounced(TUnannounced &stream, const std::uint8_t *packet, TBytes &kept);
  TBytes Tables();
  void Publish(TMajorType kind, const std::optional<TMediaType> &type);
  bool PsiDue(TClock::time_point now);
  void Hold(const TBytes &kept);
  void Push(TBytes &&bytes);
  void Flush();

  GstElement *bin_ = nullptr;
  GstElement *appsrc_ = nullptr;
  GstElement *demux_ = nullptr;
  GstPad *videoPad_ = nullptr; // ghost pads, owned by the bin once added
  GstPad *audioPad_ = nullptr;

  std::mutex feedMutex_; // the feed's state below, between the device thread and Start/Stop
  bool feeding_ = false;
  std::uint16_t videoPid_ = 0, audioPid_ = 0, pcrPid_ = 0;
  TEsTypeWatcher videoWatcher_{TMajorType::Video};
  TEsTypeWatcher audioWatcher_{TMajorType::Audio};
  TPsiSynthesizer psi_;
  bool psiStarted_ = false;
  bool psiChanged_ = false; // a stream's type changed since the last tables
  TUnannounced videoLate_, audioLate_;
  std::optional<TClock::time_point> firstPacket_;
  TClock::time_point lastPsi_{};
  TBytes held_; // the played packets while the types are not known yet

  mutable std::mutex typeMutex_; // what GetParam hands out and the events
  std::list<TMediaType> types_;  // every type handed out, so pointers stay valid
  const TMediaType *videoType_ = nullptr;
  const TMediaType *audioType_ = nullptr;
  std::optional<TEventRef> videoEvent_, audioEvent_;

  std::atomic<std::uint64_t> scrambled_{0};
  std::atomic<std::uint64_t> dropped_{0};
};

} // namespace qev::video::gst
