#pragma once

#include "ts_packet.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace qev::tsgen {

// The packets of the tables waiting to be sent, taken in turn PID by PID. A large table (an EIT
// schedule of thousands of packets) then holds back only the tables on its own PID: a PAT or
// PMT of a packet or two leaves within a few packets of being made instead of behind the whole
// backlog, so the tables keep the repetition their period promises. Within one PID the packets
// keep their order, so sections and continuity counters stay whole.
class TableLane {
public:
  void Push(const TsPacket &packet);
  bool Empty() const { return queued_ == 0; }
  // The next packet in turn; the lane must not be empty.
  TsPacket Pop();

private:
  struct PidQueue {
    std::uint16_t pid;
    std::deque<TsPacket> packets;
  };
  std::vector<PidQueue> queues_; // in the order their PIDs first had a table
  std::size_t turn_ = 0;
  std::size_t queued_ = 0;
};

} // namespace qev::tsgen
