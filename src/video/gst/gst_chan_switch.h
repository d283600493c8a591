#pragma once

namespace qev::video::gst {

// The channel A/B switch: the audio element "qevchanswitch" on interleaved stereo (S16LE or
// F32LE). Its integer property "mode" is 0 (both channels as they are), 1 (channel A, the left
// one, on both sides) or 2 (channel B, the right one, on both sides).
inline constexpr const char *kChannelSwitchFactory = "qevchanswitch";
bool RegisterChannelSwitch();

} // namespace qev::video::gst
