#include "table_lane.h"

#include <gtest/gtest.h>

#include <vector>

namespace qev::tsgen {
namespace {

TsPacket Packet(std::uint16_t pid, std::uint8_t mark) {
  TsPacket packet;
  packet.SetPid(pid);
  packet.bytes[4] = mark;
  return packet;
}

// A large table queued first must not hold back a small one on another PID, and each PID's
// packets leave in the order they were made.
TEST(TsgenTableLane, TakesPidsInTurnKeepingEachPidsOrder) {
  TableLane lane;
  for (std::uint8_t n = 0; n < 200; ++n)
    lane.Push(Packet(0x12, n));
  lane.Push(Packet(0x00, 0));
  lane.Push(Packet(0x00, 1));
  lane.Push(Packet(0x11, 0));

  std::vector<TsPacket> sent;
  while (!lane.Empty())
    sent.push_back(lane.Pop());

  ASSERT_EQ(sent.size(), 203u);
  std::size_t patAt = 0, sdtAt = 0;
  std::uint8_t expected[0x13] = {};
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const auto pid = sent[i].Pid();
    EXPECT_EQ(sent[i].bytes[4], expected[pid]++) << "PID " << pid << " out of order";
    if (pid == 0x00)
      patAt = i;
    if (pid == 0x11)
      sdtAt = i;
  }
  EXPECT_LT(patAt, 6u);
  EXPECT_LT(sdtAt, 6u);

  // Emptied, the lane starts again with whichever PID comes.
  lane.Push(Packet(0x11, 7));
  EXPECT_FALSE(lane.Empty());
  EXPECT_EQ(lane.Pop().bytes[4], 7);
  EXPECT_TRUE(lane.Empty());
}

} // namespace
} // namespace qev::tsgen
