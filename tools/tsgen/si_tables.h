#pragma once

#include <vector>

#include "local_time.h"
#include "section.h"
#include "transponder.h"

namespace qev::tsgen {

// Service information of the network: names, neighbours and the time.
std::vector<Bytes> BuildSdtActual(const Transponder &tp);
std::vector<Bytes> BuildSdtOther(const OtherTransport &other);
std::vector<Bytes> BuildNit(const Transponder &tp);
Bytes BuildTdt(UtcSeconds now);
Bytes BuildTot(const Transponder &tp, UtcSeconds now, const LocalOffset &offset);
// A stuffing table of exactly `size` bytes (at least 3).
Bytes BuildStuffing(std::size_t size);

} // namespace qev::tsgen
