#pragma once

#include "data/channel_rec.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <span>
#include <string>

namespace qev::diagnostics {

inline constexpr std::size_t kMaxBitrateStreams = 16;

// One measured stream of the bitrate viewer.
struct TBitrateEntry {
  std::uint16_t Pid = 0;
  std::uint8_t Kind = 0; // 1 video, 2 audio, 3 AC-3
  std::int32_t Filter = 0;
  bool Ticked = false;
  std::int64_t StartMs = 0, LastMs = 0;
  std::atomic<std::uint64_t> TotalBytes{0}; // written by the device's thread
  std::uint64_t LastBytes = 0;
  std::int32_t CurrentRate = 0; // KB/s of the last tick
  std::int32_t AverageRate = 0; // KB/s since the start

  bool IsVideo() const { return Kind == 1; }
};

// Payload rates of a channel's video and audio streams, sampled once a tick, for a run until
// stopped or for a number of ticks.
class TBitrateMeter {
public:
  // The channel's streams of kinds 1..3 among its first EsCount; its own video and sound PIDs
  // are ticked.
  explicit TBitrateMeter(const data::TChannelRec &channel);

  std::deque<TBitrateEntry> &Entries() { return entries_; }
  const std::deque<TBitrateEntry> &Entries() const { return entries_; }
  bool AnyTicked() const;

  // The payload counter: payload bytes of whole packets with the payload flag.
  void CountPayload(std::size_t index, std::span<const std::uint8_t> block);

  // Zeroes the counters; start and last time become `nowMs`. `ticks` 0 runs until Stop.
  void Start(int ticks, std::int64_t nowMs);
  void ResetCounters(std::int64_t nowMs);
  // One timer tick: the rates of every entry. True when a timed run has come to its end (the
  // meter has stopped).
  bool Tick(std::int64_t nowMs);
  void Stop() { running_ = false; }
  bool Running() const { return running_; }
  bool Timed() const { return timed_; }
  int TicksLeft() const { return ticksLeft_; }

private:
  std::deque<TBitrateEntry> entries_; // entries hold atomics: a deque never moves them
  bool running_ = false;
  bool timed_ = false;
  int ticksLeft_ = 0;
};

// Payload bytes of one packet: 184, less the adaptation field; 0 without the payload flag or
// a valid sync byte.
int PacketPayloadBytes(const std::uint8_t *packet);
// Legends: "0200: %3d KB/s" while running, "0200: " and the average when stopped.
std::string RunningLegend(const TBitrateEntry &entry);
std::string StoppedLegend(const TBitrateEntry &entry);

} // namespace qev::diagnostics
