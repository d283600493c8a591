#include "packet_output.h"

#include <algorithm>

namespace qev::tsgen {
namespace {

constexpr double kTicksPerSecond = 27e6;

bool Reached(double at, std::uint64_t t27) {
  return static_cast<double>(t27) >= at * kTicksPerSecond;
}

} // namespace

PacketOutput::PacketOutput(const Flaws &flaws)
    : flaws_(flaws),
      garbage_(static_cast<std::size_t>(std::clamp(flaws.garbageBytes, 1, 1000)), 0x5A) {}

std::uint64_t PacketOutput::Pcr(std::uint64_t t27) const {
  const auto &jump = flaws_.pcrJump;
  if (!jump || !Reached(jump->at, t27)) {
    return t27;
  }
  return t27 + static_cast<std::uint64_t>(std::max(jump->milliseconds, 0)) * 27000;
}

std::uint16_t PacketOutput::PidAt(std::uint16_t pid, std::uint64_t t27) const {
  for (const PidChange &change : flaws_.pidChanges) {
    if (change.from == pid && Reached(change.at, t27)) {
      return change.to;
    }
  }
  return pid;
}

void PacketOutput::Send(TsPacket &packet, std::uint64_t t27, const Sink &sink) {
  if (packet.stampPcr) {
    packet.WritePcr(Pcr(t27));
  }
  const std::uint16_t pid = PidAt(packet.Pid(), t27);
  if (pid == kNullPid) {
    sink(packet.bytes);
    return;
  }
  packet.SetPid(pid);
  PidState &state = pids_[pid];
  if (!packet.HasPayload()) {
    packet.SetContinuity(state.continuity); // no payload: the counter stays
    sink(packet.bytes);
    return;
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
  if (hits(flaws_.packetLoss)) {
    return;
  }
  if (hits(flaws_.transportError)) {
    packet.bytes[1] |= 0x80;
  }
  if (hits(flaws_.lostSync)) {
    packet.bytes[0] = 0x00;
  }
  sink(packet.bytes);
  if (hits(flaws_.duplicate)) {
    sink(packet.bytes);
  }
  if (hits(flaws_.garbage)) {
    sink(garbage_);
  }
}

} // namespace qev::tsgen
