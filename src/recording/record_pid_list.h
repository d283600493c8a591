#pragma once

#include "data/channel_rec.h"
#include "recording/record_dialogs.h"

#include <cstdint>
#include <vector>

namespace qev::frame {
struct TRecordingOptions;
}

namespace qev::recording {

inline constexpr std::size_t kMaxRecordPids = 16;
inline constexpr std::uint8_t kModePackets = 188;
inline constexpr std::uint8_t kModePayloads = 1;
inline constexpr std::uint8_t kModePva = 0xD0;

// The mode of an audio/video stream of the programme in AV slot 0..3: whole packets, shown as
// "CSA" in the dialogs.
constexpr std::uint8_t AvSlotMode(std::uint8_t avSlot) {
  return static_cast<std::uint8_t>(16 * (avSlot + 1) + 3);
}

// Whether a PID can be recorded: a real PID below the null packets' 0x1FFF, or 0x2000, the
// whole transport stream.
constexpr bool RecordablePid(std::uint16_t pid) { return pid < 0x1FFF || pid == 0x2000; }

// Appends a PID unless it is 0x1FFF or above (0x2000, the whole stream, excepted), already
// listed, or the list is full. A/V PIDs of a programme in AV slot 0..3 get that slot's mode,
// everything else whole packets.
void AddRecordPid(std::vector<TRecordPid> &list, std::uint16_t pid, bool av, std::uint8_t avSlot);

// The automatic list of a channel: video, audio, PCR, ECM/PMT/PAT as the options say, then the
// streams the options ask for.
std::vector<TRecordPid> ChannelPidList(const data::TChannelRec &channel, std::uint8_t avSlot,
                                       const frame::TRecordingOptions &options);

} // namespace qev::recording
