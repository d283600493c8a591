#include "video/av_feed_graph.h"

#include "frame/notification_hub.h"
#include "frame/ui_dispatcher.h"
#include "video/av_source.h"

namespace qev::video {

namespace {

constexpr std::uint16_t kFirstPid = 1;
constexpr std::uint16_t kLastPid = 8190;

bool PlayablePid(std::uint16_t pid) { return pid >= kFirstPid && pid <= kLastPid; }

// The windows get their own copy on the user-interface thread, valid while their handler
// runs; the detecting thread never waits for them.
void AnnounceMediaType(int slot, std::uint32_t stream, std::optional<TMediaType> type) {
  const std::intptr_t first = static_cast<std::intptr_t>(slot) * 256 + stream;
  auto notify = [first, type = std::move(type)] {
    frame::NotifyGlobal(frame::kNotifyMediaType, first,
                        type ? reinterpret_cast<std::intptr_t>(&*type) : 0);
  };
  if (frame::UiDispatcher *dispatcher = frame::CurrentDispatcher())
    dispatcher->Post(std::move(notify));
  else
    notify();
}

} // namespace

TDsGraphAvFeed::TDsGraphAvFeed(IGraphFactory &factory, int slot)
    : TDsGraphBasic(factory, slot, kKindLiveFeed) {
  video_.Stream = kStreamVideo;
  video_.TypeParam = kParamVideoType;
  audio_.Stream = kStreamAudio;
  audio_.TypeParam = kParamAudioType;
}

TDsGraphAvFeed::~TDsGraphAvFeed() { TDsGraphAvFeed::ReleaseAll(); }

void TDsGraphAvFeed::ReleaseAll() {
  StopReconnectThread();
  FeedCleanup();
  source_ = nullptr;
  sourceFilter_.clear();
  {
    std::lock_guard lock(streamMutex_);
    for (TStream *stream : {&video_, &audio_}) {
      stream->Pin.clear();
      stream->Type.reset();
      stream->Difference = 0;
    }
  }
  TDsGraphBasic::ReleaseAll();
}

void TDsGraphAvFeed::FeedCleanup() {
  if (source_ == nullptr)
    return;
  source_->StopFeed();
  source_->SetParam(kParamVideoEvent, 0);
  source_->SetParam(kParamAudioEvent, 0);
}

void TDsGraphAvFeed::StopReconnectThread() {
  if (reconnect_)
    reconnect_->Stop();
  reconnect_.reset();
}

void TDsGraphAvFeed::FilterFound(const TFilterInfo &filter) {
  if (filter.Role == TFilterRole::AvSource)
    sourceFilter_ = filter.Name;
}

int TDsGraphAvFeed::BindControls() {
  if (const int code = TDsGraphBasic::BindControls(); code != 0)
    return code;
  IGraph &graph = *Graph();
  if (sourceFilter_.empty())
    return SetError(kErrSourceFilterMissing, kTextSourceFilterMissing);
  const auto videoPin = graph.FindPin(sourceFilter_, kSourceVideoPin);
  const auto audioPin = graph.FindPin(sourceFilter_, kSourceAudioPin);
  if (!videoPin || !audioPin)
    return SetError(kErrSourcePinsMissing, kTextSourcePinsMissing);
  if (!graph.PinConnected(sourceFilter_, *videoPin))
    return SetError(kErrSourcePinNotConnected, kTextVideoPinNotConnected);
  if (!graph.PinConnected(sourceFilter_, *audioPin))
    return SetError(kErrSourcePinNotConnected, kTextAudioPinNotConnected);
  source_ = graph.AvSource();
  if (source_ == nullptr)
    return SetError(kErrSourceInterface, kTextSourceInterface);
  {
    std::lock_guard lock(streamMutex_);
    video_.Pin = *videoPin;
    audio_.Pin = *audioPin;
  }
  source_->SetParam(kParamVideoEvent, reinterpret_cast<std::intptr_t>(&videoEvent_));
  source_->SetParam(kParamAudioEvent, reinterpret_cast<std::intptr_t>(&audioEvent_));
  return 0;
}

int TDsGraphAvFeed::AfterBuild() {
  Graph()->UseAudioClock();
  return 0;
}

int TDsGraphAvFeed::StartFeed(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
                              std::int32_t flags) {
  StopReconnectThread();
  if (source_ == nullptr)
    return SetError(kErrSourceInterface, kTextSourceInterface);
  const TDirectShowOptions options = Options();
  source_->StopFeed();
  Stop();
  source_->SetParam(kParamLatency, options.Latency);
  source_->SetParam(kParamOnlyIFrames, options.OnlyIFrm ? 1 : 0);
  source_->SetParam(kParamVideoDetect, options.MTDetect);
  source_->SetParam(kParamAudioDetect, options.MTDetect);
  source_->Start(audioPid, videoPid, pcrPid, flags);
  detectMode_ = options.MTDetect;
  if (detectMode_ != kDetectOff) {
    const std::uint32_t required =
        (PlayablePid(audioPid) ? kStreamAudio : 0) | (PlayablePid(videoPid) ? kStreamVideo : 0);
    events_.Reset(kEventStop | kEventVideo | kEventAudio | kEventSpare);
    reconnect_ = std::make_unique<TReconnectThread>(
        events_, detectMode_, options.RunTimeout, required,
        TReconnectThread::THooks{[this](std::uint32_t stream) { OnStreamChanged(stream); },
                                 [this] { Run(); }});
  }
  if (detectMode_ != kDetectAndUse) {
    // Only mode 2 lets detection change the graph; here the type is read for the record.
    {
      std::lock_guard lock(streamMutex_);
      UpdateMediaType(audio_);
    }
    if (const int code = Run(); code != 0)
      return code;
  }
  ClearError();
  return 0;
}

std::optional<TMediaType> TDsGraphAvFeed::UpdateMediaType(TStream &stream) {
  std::intptr_t value = 0;
  const TMediaType *now = nullptr;
  if (source_->GetParam(stream.TypeParam, value) == 0)
    now = reinterpret_cast<const TMediaType *>(value);
  stream.Difference = MediaTypeDifference(stream.Type ? &*stream.Type : nullptr, now);
  stream.Type = now != nullptr ? std::optional<TMediaType>(*now) : std::nullopt;
  return stream.Type;
}

void TDsGraphAvFeed::Reconnect(const TStream &stream, std::uint32_t mask) {
  // A failed reconnect leaves the pin as it was; the picture or sound shows it.
  if ((stream.Difference & mask) != 0)
    Graph()->ReconnectPin(sourceFilter_, stream.Pin);
}

TDsGraphAvFeed::TStream &TDsGraphAvFeed::StreamOf(std::uint32_t stream) {
  return stream == kStreamVideo ? video_ : audio_;
}

void TDsGraphAvFeed::OnStreamChanged(std::uint32_t which) {
  std::optional<TMediaType> type;
  {
    std::lock_guard lock(streamMutex_);
    TStream &stream = StreamOf(which);
    type = UpdateMediaType(stream);
    if (detectMode_ == kDetectAndUse) {
      const TDirectShowOptions options = Options();
      Reconnect(stream, which == kStreamVideo ? options.RMaskVid : options.RMaskAud);
    }
  }
  AnnounceMediaType(Slot(), which, std::move(type));
}

std::optional<TMediaType> TDsGraphAvFeed::StoredMediaType(TMajorType kind) const {
  std::lock_guard lock(streamMutex_);
  return kind == TMajorType::Video ? video_.Type : audio_.Type;
}

bool TDsGraphAvFeed::Detecting() const { return reconnect_ && !reconnect_->Finished(); }

void TDsGraphDvb_TST::FeedData(const std::uint8_t *data, std::int32_t length) noexcept {
  if (IDvbAvSrcIntf *source = Source())
    source->DeliverTs(data, length);
}

void TDsGraphDvb_PVA::FeedData(const std::uint8_t *data, std::int32_t) noexcept {
  if (IDvbAvSrcIntf *source = Source())
    source->DeliverPva(data);
}

} // namespace qev::video
