#pragma once

#include "dvb_time.h"
#include "section.h"
#include "transponder.h"

namespace qev::tsgen {

// The conditional-access messages that go with the scrambled services: ECMs carry the control
// words, EMMs the entitlements. Both are private sections without CRC, their data enciphered
// with a key of the CA system, so that they look like the real thing without being one.

// The ECM of `service` under `ca` at `now`: table 0x80 while the even control word is in use,
// 0x81 while the odd one is, with the words of the current and the next crypto period.
Bytes BuildEcm(const Service &service, const CaSystem &ca, UtcSeconds now);

// The EMMs on `emm`'s PID: a shared EMM (table 0x82) entitling a card group to every service
// of the transport stream that uses the CA system, and a unique EMM (0x83) for one card.
std::vector<Bytes> BuildEmms(const Transponder &tp, const EmmEntry &emm, UtcSeconds now);

} // namespace qev::tsgen
