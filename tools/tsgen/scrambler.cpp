#include "scrambler.h"

namespace qev::tsgen {
namespace {

constexpr std::uint8_t kEvenKey = 0x80, kOddKey = 0xC0;

bool IsPictureOrSound(StreamKind kind) {
  return kind != StreamKind::Teletext && kind != StreamKind::DataSections;
}

// SplitMix64: a well-mixed step from one 64-bit state to the next.
std::uint64_t Mix(std::uint64_t &state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

} // namespace

Scrambler::Scrambler(const Transponder &tp) {
  for (const Service &service : tp.services) {
    if (service.ca.empty()) {
      continue;
    }
    for (const Stream &stream : service.streams) {
      if (IsPictureOrSound(stream.kind)) {
        services_[stream.pid] = service.serviceId;
      }
    }
  }
}

std::int64_t Scrambler::PeriodOf(UtcSeconds now) {
  return (now >= 0 ? now : now - kCryptoPeriod + 1) / kCryptoPeriod;
}

std::uint64_t Scrambler::ControlWord(std::uint16_t serviceId, std::int64_t period) {
  std::uint64_t state =
      static_cast<std::uint64_t>(serviceId) << 48 ^ static_cast<std::uint64_t>(period);
  return Mix(state);
}

void Scrambler::Apply(TsPacket &packet, UtcSeconds now) const {
  const auto service = services_.find(packet.Pid());
  if (service == services_.end() || !packet.HasPayload()) {
    return;
  }
  auto &b = packet.bytes;
  const std::size_t adaptation = (b[3] & 0x20) ? b[4] + 1u : 0u;
  const std::int64_t period = PeriodOf(now);
  std::uint64_t state = ControlWord(service->second, period);
  // The adaptation field stays clear, as the standard has it: the PCR must stay readable.
  for (std::size_t at = 4 + adaptation; at < kPacketSize; at += 8) {
    const std::uint64_t key = Mix(state);
    for (std::size_t i = 0; i < 8 && at + i < kPacketSize; ++i) {
      b[at + i] ^= static_cast<std::uint8_t>(key >> (8 * i));
    }
  }
  b[3] = static_cast<std::uint8_t>((b[3] & 0x3F) | (period % 2 == 0 ? kEvenKey : kOddKey));
}

} // namespace qev::tsgen
