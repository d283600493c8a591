#include "ca_tables.h"

#include "scrambler.h"

namespace qev::tsgen {
namespace {

constexpr std::uint8_t kEcmEven = 0x80, kEcmOdd = 0x81;
constexpr std::uint8_t kEmmShared = 0x82, kEmmUnique = 0x83;
constexpr std::uint32_t kCardGroup = 0x00C0FFEE, kCard = 0x00000042;

std::uint64_t SystemKey(std::uint16_t caId) { return 0x5145564456420000ull | caId; }

void PutEnciphered(ByteWriter &out, std::uint64_t word, std::uint16_t caId) {
  const std::uint64_t value = word ^ SystemKey(caId);
  out.Put32(static_cast<std::uint32_t>(value >> 32));
  out.Put32(static_cast<std::uint32_t>(value));
}

} // namespace

Bytes BuildEcm(const Service &service, const CaSystem &ca, UtcSeconds now) {
  const std::int64_t period = Scrambler::PeriodOf(now);
  // The even word belongs to even periods: the ECM always holds the one in use and the next.
  const std::int64_t even = period % 2 == 0 ? period : period + 1;
  const std::int64_t odd = period % 2 == 0 ? period + 1 : period;
  ByteWriter body;
  body.Put16(ca.caId);
  body.Put16(service.serviceId);
  body.Put32(static_cast<std::uint32_t>(period));
  PutEnciphered(body, Scrambler::ControlWord(service.serviceId, even), ca.caId);
  PutEnciphered(body, Scrambler::ControlWord(service.serviceId, odd), ca.caId);
  return ShortSection(period % 2 == 0 ? kEcmEven : kEcmOdd, body.Data(), false);
}

std::vector<Bytes> BuildEmms(const Transponder &tp, const EmmEntry &emm, UtcSeconds now) {
  ByteWriter shared;
  shared.Put32(kCardGroup);
  shared.Put16(emm.caId);
  for (const Service &service : tp.services) {
    for (const CaSystem &ca : service.ca) {
      if (ca.caId == emm.caId) {
        shared.Put16(service.serviceId);
      }
    }
  }
  ByteWriter unique;
  unique.Put32(kCard);
  unique.Put16(emm.caId);
  // The card's subscription runs for a year from the day it is sent.
  PutEnciphered(unique, static_cast<std::uint64_t>(now / 86400 + 365), emm.caId);
  return {ShortSection(kEmmShared, shared.Data(), false),
          ShortSection(kEmmUnique, unique.Data(), false)};
}

} // namespace qev::tsgen
