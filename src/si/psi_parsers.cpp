#include "si/psi_parsers.h"

#include "data/sat_list.h"
#include "data/si_text.h"
#include "data/transponder_list.h"
#include "si/psi_descriptors.h"
#include "si/section_reader.h"

#include <algorithm>
#include <fmt/format.h>
#include <string>

namespace qev::si {

namespace {

using data::TChannelRec;

constexpr std::size_t kLongHeaderBytes = 8; // up to last_section_number
constexpr std::uint8_t kTagCa = 0x09;
constexpr std::uint8_t kTagNetworkName = 0x40;
constexpr std::uint8_t kTagSatelliteDelivery = 0x43;
constexpr std::size_t kSiTextMax = 255;

// The table body after the long header, and the table_id_extension read on the way.
TSectionReader LongBody(TSection section, std::uint16_t *extension = nullptr) {
  TSectionReader r = TSectionReader::OfSection(section);
  r.Seek(3);
  const std::uint16_t ext = r.U16();
  if (extension != nullptr)
    *extension = ext;
  r.Seek(kLongHeaderBytes);
  return r;
}

bool IsVideo(std::uint8_t type) {
  return type == 0x01 || type == 0x02 || type == 0x1B || type == 0x24;
}
bool IsAudio(std::uint8_t type) {
  return type == 0x03 || type == 0x04 || type == 0x0F || type == 0x11;
}
// The MPEG-1/2 types up to private data, and the video and audio codings of HD services.
bool IsRecorded(std::uint8_t type) { return type <= 0x09 || IsVideo(type) || IsAudio(type); }

std::uint32_t Bcd(std::span<const std::uint8_t> bytes, int digits) {
  std::uint32_t value = 0;
  for (int i = 0; i < digits; ++i) {
    const std::uint8_t b = bytes[static_cast<std::size_t>(i / 2)];
    value = value * 10 + ((i % 2 == 0) ? b >> 4 : b & 15);
  }
  return value;
}

void ApplySatelliteDelivery(TDescriptor desc, data::TSatTransponders &list) {
  TSectionReader r(desc);
  r.Seek(2);
  const std::uint32_t freq = Bcd(r.Bytes(4), 8);
  int position = static_cast<int>(Bcd(r.Bytes(2), 4));
  const std::uint8_t flags = r.U8();
  const std::uint32_t srate = Bcd(r.Bytes(4), 8) / 10; // the low nibble is FEC_inner
  if (r.Failed())
    return;
  if ((flags & 0x80) == 0)
    position = 3600 - position;
  const char polar = ((flags >> 5) & 3) == 1 ? 'V' : 'H';
  if (position > 0 && list.PositionText.empty()) {
    list.PositionText = fmt::format("{:04d}", position);
    list.Name += " (" + data::PositionText(position) + ")";
  }
  list.TpAdd(data::MakeTransponder((freq + 50) / 100, polar, (srate + 5) / 10));
}

// Every section of a NIT repeats the network name; the position an earlier section appended
// to it stays.
void SetNetworkName(data::TSatTransponders &list, const std::string &name) {
  if (!list.Name.starts_with(name + " ("))
    list.Name = name;
}

void ApplyNitDescriptor(TDescriptor desc, data::TSatTransponders &list) {
  if (desc[0] == kTagNetworkName)
    SetNetworkName(list, data::DecodeSiText(desc.subspan(1), kSiTextMax));
  else if (desc[0] == kTagSatelliteDelivery && desc.size() - 2 > 10)
    ApplySatelliteDelivery(desc, list);
}

} // namespace

void ParsePat(TSection section, std::vector<TChannelRec> &scanList) {
  std::uint16_t tid = 0;
  TSectionReader r = LongBody(section, &tid);
  while (r.Remaining() >= 4) {
    const std::uint16_t program = r.U16();
    const std::uint16_t pid = r.Pid();
    if (program == 0)
      continue;
    TChannelRec rec{};
    rec.TID = tid;
    rec.SID = program;
    rec.PmtPid = pid;
    scanList.push_back(rec);
  }
}

std::vector<TPmtJob> PmtJobs(std::span<const TChannelRec> records) {
  std::vector<TPmtJob> jobs;
  jobs.reserve(records.size());
  for (const TChannelRec &rec : records)
    jobs.push_back({rec.PmtPid, rec.SID});
  return jobs;
}

void ParsePmt(TSection section, TChannelRec &rec) {
  TSectionReader r = LongBody(section);
  rec.PcrPid = r.Pid();
  const std::uint16_t infoLength = r.Len12();
  ForEachDescriptor(r.Sub(infoLength),
                    [&](TDescriptor desc) { ApplyPmtDescriptor(desc, rec, -1); });
  while (r.Remaining() >= 5) {
    const std::uint8_t type = r.U8();
    const std::uint16_t pid = r.Pid();
    const TSectionReader descriptors = r.Sub(r.Len12());
    const int stream = EsAdd(rec, type, pid);
    if (stream < 0)
      continue;
    ForEachDescriptor(descriptors,
                      [&](TDescriptor desc) { ApplyPmtDescriptor(desc, rec, stream); });
  }
}

void ParseCat(TSection section, TCatList &cat) {
  ForEachDescriptor(LongBody(section), [&](TDescriptor desc) {
    if (desc[0] != kTagCa || cat.Count >= kMaxCatItems)
      return;
    TSectionReader r(desc);
    r.Seek(2);
    const std::uint16_t caId = r.U16();
    const std::uint16_t emm = r.Pid();
    TCatItem &item = cat.Items[cat.Count++];
    item = TCatItem{};
    item.Tag = desc[0];
    item.Length = desc[1];
    item.CaSystemId = caId;
    item.EmmPid = emm;
    const std::size_t stored = std::min(desc.size(), kCatRawBytes);
    item.StoredLength = static_cast<std::uint16_t>(stored);
    std::copy_n(desc.begin(), stored, item.Raw);
  });
}

std::vector<data::TCatEntry> CatEntries(const TCatList &cat) {
  std::vector<data::TCatEntry> entries;
  const auto count = std::min<std::uint32_t>(cat.Count, kMaxCatItems);
  for (std::uint32_t i = 0; i < count; ++i)
    entries.push_back({cat.Items[i].CaSystemId, cat.Items[i].EmmPid});
  return entries;
}

void ParseSdt(TSection section, const TRecordFinder &find) {
  std::uint16_t tid = 0;
  TSectionReader r = LongBody(section, &tid);
  r.Skip(3); // original_network_id, reserved
  while (r.Remaining() >= 5) {
    const std::uint16_t sid = r.U16();
    const std::uint8_t eitFlags = r.U8() & 3;
    const std::uint16_t loop = r.U16();
    const bool freeCa = (loop & 0x1000) != 0;
    const TSectionReader descriptors = r.Sub(loop & 0x0FFF);
    TChannelRec *rec = find(tid, sid);
    if (rec != nullptr) {
      rec->EitFlags = eitFlags;
      rec->Encrypted = freeCa ? 1 : 0;
    }
    // A CA descriptor here is left alone: the record's CA list belongs to its PMT parser.
    ForEachDescriptor(descriptors, [&](TDescriptor desc) { ApplySdtDescriptor(desc, rec); });
  }
}

void ParseSdtOne(TSection section, TChannelRec &rec) {
  ParseSdt(section, [&rec](std::uint16_t tid, std::uint16_t sid) {
    return (rec.TID == tid && rec.SID == sid) ? &rec : nullptr;
  });
}

void ParseNit(TSection section, data::TSatTransponders &list) {
  TSectionReader r = LongBody(section);
  ForEachDescriptor(r.Sub(r.Len12()), [&](TDescriptor desc) { ApplyNitDescriptor(desc, list); });
  TSectionReader streams = r.Sub(r.Len12());
  while (streams.Remaining() >= 6) {
    streams.Skip(4); // transport_stream_id, original_network_id
    ForEachDescriptor(streams.Sub(streams.Len12()),
                      [&](TDescriptor desc) { ApplyNitDescriptor(desc, list); });
  }
}

bool CaAdd(TChannelRec &rec, std::uint16_t caId, std::uint16_t ecmPid, std::uint32_t provId) {
  const int count = std::min<int>(rec.CaCount, data::kMaxCaItems);
  for (int i = 0; i < count; ++i) {
    const data::TCaItem &ca = rec.CaList[i];
    if (ca.CaId == caId && ca.EcmPid == ecmPid && (ca.ProvId == 0 || ca.ProvId == provId))
      return false;
  }
  if (count >= data::kMaxCaItems)
    return false;
  if (rec.EcmPid == 0)
    rec.EcmPid = ecmPid;
  return data::CaAppend(rec, data::TCaItem{caId, ecmPid, 0, provId});
}

int EsAdd(TChannelRec &rec, std::uint8_t streamType, std::uint16_t pid) {
  if (!IsRecorded(streamType))
    return -1;
  const int count = std::min<int>(rec.EsCount, data::kMaxEsItems);
  for (int i = 0; i < count; ++i) {
    if (rec.EsList[i].StreamType == streamType && rec.EsList[i].Pid == pid)
      return i;
  }
  if (count >= data::kMaxEsItems)
    return -1;
  data::TEsItem item{};
  item.StreamType = streamType;
  item.Pid = pid;
  item.Kind = data::kKindUnknown;
  if (IsVideo(streamType)) {
    item.Kind = data::kKindVideo;
    if (rec.VidPid == 0)
      rec.VidPid = pid;
  } else if (IsAudio(streamType)) {
    item.Kind = data::kKindAudio;
    if (rec.AudPid == 0)
      rec.AudPid = pid;
  }
  data::EsAppend(rec, item);
  return count;
}

} // namespace qev::si
