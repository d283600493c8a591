#pragma once

#include "data/channel_rec.h"
#include "data/transponder.h"
#include "frame/options.h"
#include "transponder.h"

#include <cstdint>

namespace qev::sim::demo {

// The options that shape what a scan makes of a service; a new root has their defaults.
struct TScanRules {
  frame::TScanningOptions Scanning;
  frame::TGeneralOptions General;
};

// The record that a transponder scan of satellite satIndex makes of a service of a described
// transport stream, tuned through the transponder list entry `tuned`: the PAT, PMT, SDT and CAT
// the generator broadcasts for it, read the way the scanner reads them, then finished by the
// scanner's rules. The channel lists of the demo root are made of these, so a later scan of the
// demo sky finds every channel unchanged.
data::TChannelRec ScannedRecord(const data::TTransponder &tuned, const tsgen::Transponder &stream,
                                const tsgen::Service &service, std::uint8_t satIndex,
                                const TScanRules &rules);

} // namespace qev::sim::demo
