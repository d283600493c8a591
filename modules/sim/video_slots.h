#pragma once

#include "call_journal.h"
#include "devapi/qev_devapi.h"
#include "devkit/stream_engine.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace qev::sim {

// The module's AV slots presented through the program's graph helpers: each video operation is
// passed on to the helper of the same shape, and an open slot's programme packets are fed to
// its graph from the stream engine's delivery thread. Without helpers the slots answer as a
// module without video. Every operation may be called from any thread.
class VideoSlots {
public:
  // The description announces two video streams.
  static constexpr int kSlots = 2;
  static constexpr const char *kNoHelpersText = "no graph helpers";

  VideoSlots(devkit::TStreamEngine &engine, CallJournal &journal);
  ~VideoSlots();
  VideoSlots(const VideoSlots &) = delete;
  VideoSlots &operator=(const VideoSlots &) = delete;

  std::int32_t SetHelpers(std::int32_t kind, const DsHelperTable *table);

  std::uintptr_t Start(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                       std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                       std::uint32_t style, std::uint8_t pva);
  std::uintptr_t Move(std::int32_t slot, std::uintptr_t owner, std::uintptr_t messageWindow,
                      std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                      std::uint32_t style);
  std::int32_t SetRect(std::int32_t slot, std::int32_t left, std::int32_t top, std::int32_t width,
                       std::int32_t height, std::int32_t reserved);
  std::int32_t SetOption(std::int32_t slot, std::int32_t option, std::int32_t value);
  std::int32_t Stop(std::int32_t slot);
  std::int32_t Sound(std::int32_t slot, std::int32_t write, SoundRecord *sound);
  std::int32_t Picture(std::int32_t slot, std::int32_t write, PictureRecord *picture);
  std::int32_t ErrorText(std::int32_t slot, char *text, std::int32_t maxLength);
  // The programme of an AV slot changed: an open graph is fed the new PIDs.
  void SetPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video, std::uint16_t pcr,
               std::int32_t flags);
  // Stops every feed, closes the graphs opened here and forgets the programmes.
  void CloseAll();

private:
  // What the feed callback needs; fixed while the slot's filter runs.
  struct Feed {
    void (*feedData)(std::int32_t, const std::uint8_t *, std::int32_t) = nullptr;
    std::int32_t slot = 0;
  };
  struct Slot {
    std::mutex mutex; // serialises the slot's operations; never held by the feed
    bool open = false;
    std::int32_t filter = 0;
    Feed feed;
    bool havePids = false;
    std::uint16_t audio = 0, video = 0, pcr = 0;
    std::int32_t flags = 0;
    std::string error; // the module's own refusal, else the program's text is asked for
  };

  static void Deliver(const std::uint8_t *data, std::int32_t length, void *context);
  DsHelperTable Helpers() const;
  Slot *Find(std::int32_t slot);
  void StopFeed(Slot &slot);
  void StartFeed(Slot &slot, const DsHelperTable &helpers);
  void Close(Slot &slot, const DsHelperTable &helpers);

  devkit::TStreamEngine &engine_;
  CallJournal &journal_;
  mutable std::mutex helpersMutex_;
  DsHelperTable helpers_{}; // under helpersMutex_; all entries NULL until the program sets them
  std::array<Slot, kSlots> slots_;
};

} // namespace qev::sim
