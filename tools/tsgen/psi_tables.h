#pragma once

#include <vector>

#include "section.h"
#include "transponder.h"

namespace qev::tsgen {

// Program-specific information: what a decoder needs to find the streams of each service.
std::vector<Bytes> BuildPat(const Transponder &tp);
Bytes BuildPmt(const Service &service);
Bytes BuildCat(const std::vector<EmmEntry> &emms);
// The private sections of a data stream: one long-form section per text, numbered in order.
std::vector<Bytes> BuildDataSections(const Stream &stream);

// The MPEG stream_type a kind of stream is announced with.
std::uint8_t StreamTypeOf(StreamKind kind);

} // namespace qev::tsgen
