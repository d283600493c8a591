#pragma once
// The channel description plugins get, built from a channel record.

#include "data/channel_rec.h"
#include "mdapi/qev_mdapi.h"

namespace qev::plugins {

inline constexpr std::uint16_t kNoEcmPid = 0x1FFF;

// Every byte not taken from the record is 0; only enabled CA entries are copied, and the ECM
// PID is 0x1FFF when the record has none or no CA entry was copied.
TPlgChannelInfo BuildChannelInfo(const data::TChannelRec &rec);
// What plugins get for a slot without a channel.
const TPlgChannelInfo &NoChannelInfo();

} // namespace qev::plugins
