#include "table_lane.h"

#include <algorithm>

namespace qev::tsgen {

void TableLane::Push(const TsPacket &packet) {
  auto queue = std::find_if(queues_.begin(), queues_.end(),
                            [pid = packet.Pid()](const PidQueue &q) { return q.pid == pid; });
  if (queue == queues_.end())
    queue = queues_.insert(queues_.end(), PidQueue{packet.Pid(), {}});
  queue->packets.push_back(packet);
  ++queued_;
}

TsPacket TableLane::Pop() {
  while (queues_[turn_ % queues_.size()].packets.empty())
    ++turn_;
  auto &packets = queues_[turn_++ % queues_.size()].packets;
  TsPacket packet = packets.front();
  packets.pop_front();
  --queued_;
  return packet;
}

} // namespace qev::tsgen
