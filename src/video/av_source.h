#pragma once

#include <cstdint>

namespace qev::video {

// Parameter codes of the source filter's feed interface.
inline constexpr int kParamVideoEvent = 257;    // set: TEventRef* to signal on a video type change, 0 clears
inline constexpr int kParamVideoDetect = 258;   // set: MTDetect
inline constexpr int kParamAudioEvent = 259;    // set: TEventRef* for audio, 0 clears
inline constexpr int kParamAudioDetect = 260;   // set: MTDetect
inline constexpr int kParamLatency = 273;       // set: Latency in ms
inline constexpr int kParamOnlyIFrames = 274;   // set: OnlyIFrm 0/1
inline constexpr int kParamVideoType = 5;       // get: const TMediaType* of the video, or 0
inline constexpr int kParamAudioType = 10;      // get: const TMediaType* of the audio, or 0
// Our own addition: scrambled packets seen on the played PIDs since Start.
inline constexpr int kParamScrambledPackets = 0x1001; // get

// The feed interface of the live source filter (`IDvbAvSrcIntf`): the graph starts and stops
// the feed and the device module's data reaches the filter through it. DeliverTs and
// DeliverPva run on the device module's delivery thread and never block it.
class IDvbAvSrcIntf {
public:
  virtual ~IDvbAvSrcIntf() = default;
  // PIDs 1..8190 are streams to play; flags are those of SetChannelPids (QEV_PIDS_*).
  virtual int Start(std::uint16_t audioPid, std::uint16_t videoPid, std::uint16_t pcrPid,
                    std::int32_t flags) = 0;
  virtual int SetParam(int code, std::intptr_t value) = 0;
  virtual int GetParam(int code, std::intptr_t &value) = 0;
  // Whole 188-byte TS packets, length a multiple of 188 (a remainder is dropped).
  virtual void DeliverTs(const std::uint8_t *data, std::int32_t length) noexcept = 0;
  virtual void DeliverPva(const std::uint8_t *data) noexcept = 0;
  virtual void StopFeed() = 0;
};

} // namespace qev::video
