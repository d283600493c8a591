#pragma once

#include "transponder.h"

namespace qev::tsgen {

// Checks that every PID of the transponder has one use: PMTs, streams, ECMs and EMMs apart from
// each other and from the PIDs 0x0000-0x001F of the PSI/SI tables and the null PID 0x1FFF. A
// PCR may sit on any stream's PID, and services may share ECM PIDs. Throws
// std::invalid_argument naming both uses.
void CheckPids(const Transponder &tp);

} // namespace qev::tsgen
