#include "packet_output.h"

namespace qev::tsgen {

bool PacketOutput::Finish(TsPacket &packet, std::uint64_t pcr27) {
  if (packet.stampPcr) {
    packet.WritePcr(pcr27);
  }
  const std::uint16_t pid = packet.Pid();
  if (pid == kNullPid) {
    return true;
  }
  PidState &state = pids_[pid];
  if (!packet.HasPayload()) {
    packet.SetContinuity(state.continuity); // no payload: the counter stays
    return true;
  }
  ++state.payloadPackets;
  const auto hits = [&](const FlawRate &rate) {
    return rate.Targets(pid) && state.payloadPackets % rate.every == 0;
  };
  if (hits(flaws_.continuity)) {
    ++state.continuity;
  }
  state.continuity = (state.continuity + 1) & 0x0F;
  packet.SetContinuity(state.continuity);
  return !hits(flaws_.packetLoss);
}

} // namespace qev::tsgen
