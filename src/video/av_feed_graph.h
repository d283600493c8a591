#pragma once

#include "video/ds_graph.h"
#include "video/event_group.h"
#include "video/media_type.h"
#include "video/reconnect_thread.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace qev::video {

inline constexpr const char *kSourceVideoPin = "Video";
inline constexpr const char *kSourceAudioPin = "Audio";

// A live graph whose source filter the device module feeds through the helpers. It checks
// the source and its pins, starts and stops the feed and follows the media types the source
// announces, reconnecting the pins and telling the windows (notification 12).
class TDsGraphAvFeed : public TDsGraphBasic {
public:
  TDsGraphAvFeed(IGraphFactory &factory, int slot);
  ~TDsGraphAvFeed() override;

  void ReleaseAll() override;
  int StartFeed(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
                std::int32_t flags) override;

  // The media type the source reported last for a stream, as the graph stored it.
  std::optional<TMediaType> StoredMediaType(TMajorType kind) const;
  // Whether a reconnect thread exists and has not ended.
  bool Detecting() const;

protected:
  void FilterFound(const TFilterInfo &filter) override;
  int BindControls() override;
  int AfterBuild() override;
  IDvbAvSrcIntf *Source() const { return source_; }

private:
  struct TStream {
    std::uint32_t Stream = 0; // kStreamVideo or kStreamAudio
    int TypeParam = 0;        // the source's parameter that answers its media type
    std::string Pin;          // the source's pin
    std::optional<TMediaType> Type;
    std::uint32_t Difference = 0;
  };

  TStream &StreamOf(std::uint32_t stream);
  // Reads the stream's media type from the source; answers a copy of it.
  std::optional<TMediaType> UpdateMediaType(TStream &stream);
  void Reconnect(const TStream &stream, std::uint32_t mask);
  void OnStreamChanged(std::uint32_t stream);
  void StopReconnectThread();
  void FeedCleanup();

  std::string sourceFilter_;
  IDvbAvSrcIntf *source_ = nullptr;
  TEventGroup events_;
  TEventRef videoEvent_{&events_, kEventVideo};
  TEventRef audioEvent_{&events_, kEventAudio};
  mutable std::mutex streamMutex_;
  TStream video_, audio_;
  std::unique_ptr<TReconnectThread> reconnect_;
  int detectMode_ = kDetectOff; // of the running feed
};

// The source takes whole TS packets.
class TDsGraphDvb_TST : public TDsGraphAvFeed {
public:
  using TDsGraphAvFeed::TDsGraphAvFeed;
  void FeedData(const std::uint8_t *data, std::int32_t length) noexcept override;
};

// The source takes PVA packets, each carrying its own length.
class TDsGraphDvb_PVA : public TDsGraphAvFeed {
public:
  using TDsGraphAvFeed::TDsGraphAvFeed;
  void FeedData(const std::uint8_t *data, std::int32_t length) noexcept override;
};

} // namespace qev::video
