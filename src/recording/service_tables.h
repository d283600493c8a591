#pragma once

#include "data/channel_rec.h"
#include "recording/record_dialogs.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace qev::recording {

// A PAT (and, when the broadcast PMT is not recorded, a PMT) for the one service of a channel
// recording, so that a player opens the file even when the options leave PID 0 out. The tables
// go at the start of every part and again after every 500 ms of recording, always between two
// delivered blocks: one packet per table, each a whole section with its CRC, continuity
// counters running on. Nothing is added when the broadcast PAT is recorded, or for the whole
// transport stream, or when the list holds anything but whole packets.
class TServiceTables {
public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  static constexpr std::chrono::milliseconds kRepeat{500};

  // Null when the recording needs no tables of ours.
  static std::unique_ptr<TServiceTables> For(const data::TChannelRec &channel,
                                             const std::vector<TRecordPid> &pids, Clock clock);

  TServiceTables(const data::TChannelRec &channel, const std::vector<TRecordPid> &pids,
                 bool withPmt, Clock clock);

  // The repetition time has come.
  bool Due() const;
  std::size_t Size() const { return packets_.size() * 188; }
  // The packets to write now; the repetition starts over.
  std::vector<std::uint8_t> Packets();

private:
  struct TTable {
    std::uint16_t Pid;
    std::vector<std::uint8_t> Section;
    std::uint8_t Counter = 0;
  };
  Clock clock_;
  std::chrono::steady_clock::time_point last_{};
  bool written_ = false;
  std::vector<TTable> packets_;
};

// The sections, for tests.
std::vector<std::uint8_t> PatSection(std::uint16_t tsId, std::uint16_t sid, std::uint16_t pmtPid);
std::vector<std::uint8_t> PmtSection(const data::TChannelRec &channel,
                                     const std::vector<TRecordPid> &pids);

} // namespace qev::recording
