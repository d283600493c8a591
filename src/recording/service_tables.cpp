#include "recording/service_tables.h"

#include "si/crc32_mpeg.h"

#include <algorithm>

namespace qev::recording {

namespace {

constexpr std::uint16_t kPatPid = 0;
constexpr std::uint16_t kFallbackPmtPid = 0x1FF0;
constexpr std::size_t kPacketSize = 188;
constexpr std::uint8_t kAc3Descriptor = 0x6A;

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes &out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

// A long-form section around `body`: header, version 0, section 0 of 0, CRC.
Bytes LongSection(std::uint8_t tableId, std::uint16_t idExtension, const Bytes &body) {
  Bytes out{tableId};
  Put16(out, 0xB000 | (body.size() + 9));
  Put16(out, idExtension);
  out.insert(out.end(), {0xC1, 0x00, 0x00});
  out.insert(out.end(), body.begin(), body.end());
  const std::uint32_t crc = si::Crc32Mpeg(out);
  Put16(out, crc >> 16);
  Put16(out, crc & 0xFFFF);
  return out;
}

bool Recorded(const std::vector<TRecordPid> &pids, std::uint16_t pid) {
  return std::any_of(pids.begin(), pids.end(), [&](const TRecordPid &p) { return p.Pid == pid; });
}

bool WholePackets(const TRecordPid &p) { return p.Mode != 1 && p.Mode != 0xD0; }

std::uint16_t PmtPidOf(const data::TChannelRec &channel) {
  return channel.PmtPid > 0 && channel.PmtPid < 0x1FFF ? channel.PmtPid : kFallbackPmtPid;
}

void AddStream(Bytes &body, std::uint8_t type, std::uint16_t pid, bool ac3) {
  body.push_back(type);
  Put16(body, 0xE000 | pid);
  if (!ac3) {
    Put16(body, 0xF000);
    return;
  }
  Put16(body, 0xF000 | 3);
  body.insert(body.end(), {kAc3Descriptor, 1, 0x00});
}

} // namespace

Bytes PatSection(std::uint16_t tsId, std::uint16_t sid, std::uint16_t pmtPid) {
  Bytes body;
  Put16(body, sid);
  Put16(body, 0xE000 | pmtPid);
  return LongSection(0x00, tsId, body);
}

Bytes PmtSection(const data::TChannelRec &channel, const std::vector<TRecordPid> &pids) {
  Bytes body;
  Put16(body, 0xE000 | (channel.PcrPid < 0x1FFF ? channel.PcrPid : 0x1FFF));
  Put16(body, 0xF000);
  bool any = false;
  for (int i = 0; i < channel.EsCount && i < data::kMaxEsItems; ++i) {
    const data::TEsItem &es = channel.EsList[i];
    if (!Recorded(pids, es.Pid))
      continue;
    AddStream(body, es.StreamType, es.Pid, es.Kind == data::kKindAc3);
    any = true;
  }
  if (!any) { // a channel without its stream list: the main PIDs as MPEG video and audio
    if (channel.VidPid != 0 && Recorded(pids, channel.VidPid))
      AddStream(body, 0x02, channel.VidPid, false);
    if (channel.AudPid != 0 && Recorded(pids, channel.AudPid))
      AddStream(body, 0x03, channel.AudPid, false);
  }
  return LongSection(0x02, channel.SID, body);
}

std::unique_ptr<TServiceTables> TServiceTables::For(const data::TChannelRec &channel,
                                                    const std::vector<TRecordPid> &pids,
                                                    Clock clock) {
  if (pids.empty() || Recorded(pids, kPatPid) || Recorded(pids, 0x2000) ||
      !std::all_of(pids.begin(), pids.end(), WholePackets))
    return nullptr;
  const bool withPmt = !Recorded(pids, PmtPidOf(channel));
  return std::make_unique<TServiceTables>(channel, pids, withPmt, std::move(clock));
}

TServiceTables::TServiceTables(const data::TChannelRec &channel,
                               const std::vector<TRecordPid> &pids, bool withPmt, Clock clock)
    : clock_(std::move(clock)) {
  const std::uint16_t pmtPid = PmtPidOf(channel);
  packets_.push_back({kPatPid, PatSection(channel.TID, channel.SID, pmtPid)});
  if (withPmt)
    packets_.push_back({pmtPid, PmtSection(channel, pids)});
}

bool TServiceTables::Due() const { return !written_ || clock_() - last_ >= kRepeat; }

Bytes TServiceTables::Packets() {
  Bytes out;
  out.reserve(Size());
  for (TTable &table : packets_) {
    const std::size_t start = out.size();
    out.insert(out.end(), {0x47, static_cast<std::uint8_t>(0x40 | (table.Pid >> 8)),
                           static_cast<std::uint8_t>(table.Pid),
                           static_cast<std::uint8_t>(0x10 | table.Counter)});
    table.Counter = (table.Counter + 1) & 0x0F;
    out.push_back(0); // pointer_field
    out.insert(out.end(), table.Section.begin(), table.Section.end());
    out.resize(start + kPacketSize, 0xFF);
  }
  last_ = clock_();
  written_ = true;
  return out;
}

} // namespace qev::recording
