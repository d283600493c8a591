#pragma once

#include <cstdint>
#include <map>

#include "dvb_time.h"
#include "transponder.h"
#include "ts_packet.h"

namespace qev::tsgen {

// Scrambles the picture and sound of every service with conditional access, as a broadcaster's
// scrambler would: the payload of each packet becomes unreadable without the control word of
// the crypto period, and transport_scrambling_control names the even or odd word in use. The
// cipher is a keystream, not DVB-CSA: the demo needs packets a receiver cannot decode, not a
// secret.
class Scrambler {
public:
  static constexpr UtcSeconds kCryptoPeriod = 10;

  explicit Scrambler(const Transponder &tp);

  // Scrambles `packet` when it belongs to a scrambled stream; other packets stay as they are.
  void Apply(TsPacket &packet, UtcSeconds now) const;

  // The crypto period of a time: even periods use the even control word.
  static std::int64_t PeriodOf(UtcSeconds now);
  // The control word of a service in crypto period `period`.
  static std::uint64_t ControlWord(std::uint16_t serviceId, std::int64_t period);

private:
  std::map<std::uint16_t, std::uint16_t> services_; // scrambled PID → service id
};

} // namespace qev::tsgen
