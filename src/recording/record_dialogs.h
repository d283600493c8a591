#pragma once

#include "data/channel_rec.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qev::recording {

// Limits of one recording; 0 = none.
struct TRecordLimits {
  std::int64_t StopAfterBytes = 0;
  std::uint32_t StopAfterSeconds = 0;
};

// One PID of a recording's list with the delivery mode the device module gives it in.
struct TRecordPid {
  std::uint16_t Pid = 0;
  std::uint8_t Mode = 0;
  bool operator==(const TRecordPid &) const = default;
};

// The question before a channel recording on a device that delivers TS packets.
struct TRecordAskData {
  data::TChannelRec Channel{};
  std::uint8_t AvSlot = 255;
  std::vector<TRecordPid> AutoList; // the automatic list: its streams start ticked
  bool RecordEcm = true, RecordPmt = true, RecordPat = false;
  TRecordLimits Limits;
  // Filled on OK: the list rebuilt from the ticked streams and boxes (AskedPidList).
  std::vector<TRecordPid> Chosen;
};

// The question for one PID, or for the whole transport stream (FullTs).
struct TRecordOnePidData {
  std::string Caption; // "PID Recorder" or "FTS Recorder"
  bool FullTs = false;
  bool Packets188 = true; // the device delivers whole packets: "188" is offered
  std::uint16_t Pid = 0;
  std::string Info;
  // Filled on OK.
  std::uint8_t Mode = 188; // 188 or 1
  TRecordLimits Limits;
};

// The recorder's three dialogs; the windows implement them, tests script them. Each returns
// true for OK.
class IRecordDialogs {
public:
  virtual ~IRecordDialogs() = default;
  virtual bool AskChannel(TRecordAskData &data) = 0;
  virtual bool AskPva(const std::string &channelName, TRecordLimits &limits) = 0;
  virtual bool AskOnePid(TRecordOnePidData &data) = 0;
};

// The list the channel question gives on OK: the ticked streams (one flag per EsList entry) in
// list order, A/V for video, audio, AC-3 and teletext; then the PCR PID when it differs from the
// video PID; then ECM, PMT and PAT as ticked.
std::vector<TRecordPid> AskedPidList(const data::TChannelRec &channel, std::uint8_t avSlot,
                                     const std::vector<bool> &ticked, bool ecm, bool pmt, bool pat);

// The one-PID dialog's size limit in bytes: unit 0 bytes, 1 KB, 2 MB, 3 packets of
// `packetSize`; in 64 bits, clamped at the largest value instead of overflowing.
std::int64_t LimitBytes(std::int64_t value, int unit, int packetSize);

} // namespace qev::recording
