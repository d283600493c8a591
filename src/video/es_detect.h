#pragma once

#include "video/media_type.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qev::video {

// The media type of a stream from the first bytes of its elementary stream (the payload of a
// PES packet that starts a picture or an audio frame): MPEG-2 sequence header, H.264 SPS,
// HEVC SPS for video; MPEG audio, AC-3, E-AC-3, AAC ADTS and LATM for audio. Nothing when the
// bytes hold no header it knows.
std::optional<TMediaType> DetectVideoType(std::span<const std::uint8_t> es);
std::optional<TMediaType> DetectAudioType(std::span<const std::uint8_t> es);

// Follows the packets of one PID, gathers the elementary-stream bytes of each PES packet and
// detects the stream's type from them.
class TEsTypeWatcher {
public:
  explicit TEsTypeWatcher(TMajorType kind);
  // One 188-byte packet of the watched PID. True when the detected type differs from the last
  // one (the first detection included).
  bool Feed(const std::uint8_t *packet);
  const std::optional<TMediaType> &Current() const { return current_; }
  // Packets whose payload was scrambled.
  std::uint64_t ScrambledPackets() const { return scrambled_; }
  void Reset();

private:
  TMajorType kind_;
  std::optional<TMediaType> current_;
  std::uint64_t scrambled_ = 0;
  // The PES packet being gathered: its header and up to kEsBytes of its payload.
  std::vector<std::uint8_t> pes_;
  bool gathering_ = false;

  bool Detect();
};

// The PMT stream type (and the descriptors it needs, e.g. AC-3 0x6A, E-AC-3 0x7A) that makes a
// demultiplexer hand the stream to the right decoder.
struct TSynthStream {
  std::uint16_t Pid = 0;
  std::uint8_t StreamType = 0;
  std::basic_string<std::uint8_t> Descriptors;
};
TSynthStream SynthStreamFor(std::uint16_t pid, const TMediaType &type);

// A PAT and a PMT for one programme, as TS packets with running continuity counters. The
// version changes whenever the streams do, so a demultiplexer picks the change up.
class TPsiSynthesizer {
public:
  // The packets to put in front of the stream (and to repeat every 100 ms or so).
  std::basic_string<std::uint8_t> Packets(std::uint16_t pcrPid,
                                          const std::vector<TSynthStream> &streams);
  // The PMT's PID: one that none of the streams uses.
  std::uint16_t PmtPid() const { return pmtPid_; }

private:
  std::uint16_t pmtPid_ = 0x1FF0;
  std::basic_string<std::uint8_t> pmt_; // the last PMT body, to see when the streams change
  std::uint8_t patVersion_ = 0, pmtVersion_ = 0;
  std::uint8_t patContinuity_ = 0, pmtContinuity_ = 0;
  bool started_ = false;

  void ChoosePmtPid(std::uint16_t pcrPid, const std::vector<TSynthStream> &streams);
  void Packetise(std::uint16_t pid, const std::basic_string<std::uint8_t> &section,
                 std::uint8_t &continuity, std::basic_string<std::uint8_t> &out);
};

} // namespace qev::video
