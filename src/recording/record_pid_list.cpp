#include "recording/record_pid_list.h"

#include "frame/options.h"

#include <algorithm>
#include <limits>

namespace qev::recording {

namespace {

bool MpegVideo(std::uint8_t streamType) { return streamType == 1 || streamType == 2; }
bool MpegAudio(std::uint8_t streamType) { return streamType == 3 || streamType == 4; }

void AddPcrAndTables(std::vector<TRecordPid> &list, const data::TChannelRec &channel,
                     std::uint8_t avSlot, bool ecm, bool pmt, bool pat) {
  if (channel.PcrPid != channel.VidPid)
    AddRecordPid(list, channel.PcrPid, false, avSlot);
  if (ecm && channel.EcmPid != 0) // 0: the channel has no ECM, not the PAT
    AddRecordPid(list, channel.EcmPid, false, avSlot);
  if (pmt)
    AddRecordPid(list, channel.PmtPid, false, avSlot);
  if (pat)
    AddRecordPid(list, 0, false, avSlot);
}

} // namespace

void AddRecordPid(std::vector<TRecordPid> &list, std::uint16_t pid, bool av, std::uint8_t avSlot) {
  if (!RecordablePid(pid))
    return;
  if (list.size() >= kMaxRecordPids ||
      std::any_of(list.begin(), list.end(), [&](const TRecordPid &p) { return p.Pid == pid; }))
    return;
  list.push_back({pid, av && avSlot < 4 ? AvSlotMode(avSlot) : kModePackets});
}

std::vector<TRecordPid> ChannelPidList(const data::TChannelRec &channel, std::uint8_t avSlot,
                                       const frame::TRecordingOptions &options) {
  std::vector<TRecordPid> list;
  AddRecordPid(list, channel.VidPid, true, avSlot);
  AddRecordPid(list, channel.AudPid, true, avSlot);
  AddPcrAndTables(list, channel, avSlot, options.Record_ECM, options.Record_PMT,
                  options.Record_PAT);
  const int count = std::min<int>(channel.EsCount, data::kMaxEsItems);
  for (int i = 0; i < count; ++i) {
    const data::TEsItem &es = channel.EsList[i];
    if (MpegVideo(es.StreamType))
      AddRecordPid(list, es.Pid, true, avSlot);
    else if ((MpegAudio(es.StreamType) || es.Kind == data::kKindAc3) && options.RecordAll_AUD)
      AddRecordPid(list, es.Pid, true, avSlot);
    else if ((es.Kind == data::kKindTeletext || es.Kind == data::kKindSubtitle) &&
             options.RecordAll_TTX)
      AddRecordPid(list, es.Pid, false, avSlot);
  }
  return list;
}

std::vector<TRecordPid> AskedPidList(const data::TChannelRec &channel, std::uint8_t avSlot,
                                     const std::vector<bool> &ticked, bool ecm, bool pmt,
                                     bool pat) {
  std::vector<TRecordPid> list;
  const int count = std::min<int>({channel.EsCount, data::kMaxEsItems, int(ticked.size())});
  for (int i = 0; i < count; ++i) {
    if (!ticked[i])
      continue;
    const std::uint8_t kind = channel.EsList[i].Kind;
    const bool av = kind == data::kKindVideo || kind == data::kKindAudio ||
                    kind == data::kKindAc3 || kind == data::kKindTeletext;
    AddRecordPid(list, channel.EsList[i].Pid, av, avSlot);
  }
  AddPcrAndTables(list, channel, avSlot, ecm, pmt, pat);
  return list;
}

std::int64_t LimitBytes(std::int64_t value, int unit, int packetSize) {
  const std::int64_t factor = unit == 1   ? 1024
                              : unit == 2 ? 1024 * 1024
                              : unit == 3 ? std::max(packetSize, 1)
                                          : 1;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  if (value <= 0)
    return 0;
  return value > kMax / factor ? kMax : value * factor;
}

} // namespace qev::recording
