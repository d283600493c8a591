#include "scanned_record.h"

#include "data/code_tables.h"
#include "data/si_text.h"
#include "dvb_text.h"
#include "frame/string_utils.h"
#include "psi_tables.h"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

namespace qev::sim::demo {

namespace {

using data::TChannelRec;

constexpr std::uint16_t kPidMask = 0x1FFF;
constexpr std::uint8_t kHighestMpeg2Type = 9;
constexpr std::uint8_t kServiceNvodReference = 4;
constexpr std::uint8_t kTvService = 1;
constexpr std::uint8_t kRadioService = 2;
constexpr std::size_t kMaxSiText = 255;

// Besides the MPEG-1/2 types the scan keeps H.264 and HEVC video: without them every HD
// service would lose its picture and, by the data-to-TV rule, turn into a radio service.
bool IsVideoType(std::uint8_t type) {
  return type == 1 || type == 2 || type == 0x1B || type == 0x24;
}
// Likewise AAC (ADTS 0x0F, LATM 0x11): without it an AAC radio service would have no sound and
// turn into a data service.
bool IsAudioType(std::uint8_t type) {
  return type == 3 || type == 4 || type == 0x0F || type == 0x11;
}

// The ES entry of a PMT stream: found again, or appended; -1 when not recorded.
int EsAdd(TChannelRec &rec, std::uint8_t type, std::uint16_t pid) {
  if (type > kHighestMpeg2Type && !IsVideoType(type) && !IsAudioType(type))
    return -1;
  for (int i = 0; i < rec.EsCount; ++i) {
    if (rec.EsList[i].StreamType == type && rec.EsList[i].Pid == pid)
      return i;
  }
  data::TEsItem item{};
  item.StreamType = type;
  item.Pid = pid;
  item.Kind = data::kKindUnknown;
  if (IsVideoType(type)) {
    item.Kind = data::kKindVideo;
    rec.VidPid = rec.VidPid != 0 ? rec.VidPid : pid;
  } else if (IsAudioType(type)) {
    item.Kind = data::kKindAudio;
    rec.AudPid = rec.AudPid != 0 ? rec.AudPid : pid;
  }
  return data::EsAppend(rec, item) ? rec.EsCount - 1 : -1;
}

bool CaAdd(TChannelRec &rec, std::uint16_t caId, std::uint16_t ecmPid, std::uint32_t provId) {
  for (int i = 0; i < rec.CaCount; ++i) {
    const data::TCaItem &ca = rec.CaList[i];
    if (ca.CaId == caId && ca.EcmPid == ecmPid && (ca.ProvId == 0 || ca.ProvId == provId))
      return false;
  }
  if (rec.CaCount >= data::kMaxCaItems)
    return false;
  if (rec.EcmPid == 0)
    rec.EcmPid = ecmPid;
  return data::CaAppend(rec, {caId, ecmPid, 0, provId});
}

// A CA descriptor as the generator writes it: Seca carries providers of 16 bits (one in its
// id's low byte form, a list of ECM/provider entries for 0x0100), Viaccess provider
// sub-descriptors whose last nibble is not part of the provider.
void AddCaSystem(TChannelRec &rec, const tsgen::CaSystem &ca) {
  const std::uint16_t ecm = ca.ecmPid & kPidMask;
  const unsigned system = ca.caId >> 8;
  std::uint32_t provider = 0;
  bool added = false;
  if (system == 0x01) {
    std::vector<std::uint32_t> providers = ca.providers;
    if (providers.empty() || (ca.caId & 0xFF) != 0)
      providers.resize(1, 0);
    for (const std::uint32_t p : providers) {
      provider = p & 0xFFFF;
      added = CaAdd(rec, ca.caId, ecm, provider) || added;
    }
  } else if (system == 0x05) {
    for (const std::uint32_t p : ca.providers) {
      provider = p & 0xFFFFF0;
      added = CaAdd(rec, ca.caId, ecm, provider) || added;
    }
  }
  if (!added)
    CaAdd(rec, ca.caId, ecm, provider);
}

void SetLang(data::TEsItem &item, const std::string &code) {
  char bytes[3] = {};
  std::copy_n(code.begin(), std::min<std::size_t>(code.size(), 3), bytes);
  data::SetEsLang(item, data::NormLang(bytes));
}

// Every entry of the teletext descriptor: the first describes stream i itself, the others
// become entries of their own on the same PID.
void AddTeletext(TChannelRec &rec, int i, const std::vector<tsgen::TeletextRef> &refs) {
  for (std::size_t n = 0; n < refs.size(); ++n) {
    if (n > 0 && rec.EsCount >= data::kMaxEsItems)
      break;
    data::TEsItem item = rec.EsList[i];
    const unsigned written = (refs[n].page / 100) % 8;
    const unsigned magazine = written == 0 ? 8 : written;
    item.TtxPage = static_cast<std::uint16_t>(magazine * 100 + refs[n].page % 100);
    SetLang(item, refs[n].language);
    const bool subtitle = refs[n].type == tsgen::TeletextType::Subtitle ||
                          refs[n].type == tsgen::TeletextType::HearingImpairedSubtitle;
    item.Kind = subtitle ? data::kKindSubtitle : data::kKindTeletext;
    if (n == 0) {
      rec.EsList[i] = item;
      rec.TtxPid = rec.TtxPid != 0 ? rec.TtxPid : item.Pid;
    } else {
      data::EsAppend(rec, item);
    }
  }
}

// The stream's descriptors in the order the generator writes them.
void AddStream(TChannelRec &rec, const tsgen::Stream &stream) {
  const int i = EsAdd(rec, tsgen::StreamTypeOf(stream.kind), stream.pid & kPidMask);
  if (i < 0)
    return;
  if (!stream.language.empty())
    SetLang(rec.EsList[i], stream.language);
  // The E-AC-3 descriptor marks a Dolby stream as the AC-3 descriptor does.
  if (stream.kind == tsgen::StreamKind::Ac3Audio || stream.kind == tsgen::StreamKind::Eac3Audio) {
    rec.EsList[i].Kind = data::kKindAc3;
    rec.Ac3Pid = rec.Ac3Pid != 0 ? rec.Ac3Pid : rec.EsList[i].Pid;
  }
  if (stream.kind == tsgen::StreamKind::Teletext && !stream.teletext.empty())
    AddTeletext(rec, i, stream.teletext);
}

void ReadPmt(TChannelRec &rec, const tsgen::Service &service) {
  rec.PcrPid = service.pcrPid & kPidMask;
  for (const tsgen::CaSystem &ca : service.ca)
    AddCaSystem(rec, ca);
  for (const tsgen::Stream &stream : service.streams)
    AddStream(rec, stream);
}

// A broadcast text field, encoded as the generator sends it and decoded as the scan does.
std::string BroadcastText(const std::string &text, const tsgen::Charset &charset) {
  tsgen::ByteWriter field;
  tsgen::PutDvbString(field, text, charset);
  return data::DecodeSiText(field.Data(), kMaxSiText);
}

void ReadSdt(TChannelRec &rec, const tsgen::Service &service) {
  rec.EitFlags = static_cast<std::uint8_t>((service.eitSchedule ? 2 : 0) |
                                           (service.eitPresentFollowing ? 1 : 0));
  rec.Encrypted = service.ca.empty() ? 0 : 1;
  if (service.type == kServiceNvodReference)
    return;
  rec.SrvType = service.type;
  data::SetChProv(rec, BroadcastText(service.provider, service.charset));
  data::SetChName(rec, BroadcastText(service.name, service.charset));
}

void ReadCat(TChannelRec &rec, const std::vector<tsgen::EmmEntry> &emms) {
  std::vector<data::TCatEntry> cat;
  for (const tsgen::EmmEntry &emm : emms)
    cat.push_back({emm.caId, static_cast<std::uint16_t>(emm.emmPid & kPidMask)});
  data::FillEmmFromCat(rec, cat);
}

void Data2Tv(TChannelRec &rec) {
  if (rec.SrvType != kTvService && rec.SrvType != kRadioService) {
    if (rec.AudPid != 0)
      rec.SrvType = kRadioService;
    if (rec.VidPid != 0)
      rec.SrvType = kTvService;
  }
  if (rec.SrvType == kTvService && rec.VidPid == 0)
    rec.SrvType = kRadioService;
  if (rec.SrvType == kRadioService && rec.AudPid == 0)
    rec.SrvType = 0;
}

void Finish(TChannelRec &rec, const TScanRules &rules) {
  data::SetChProv(rec, frame::Trim(data::FixedText(rec.ChProv)));
  data::SetChName(rec, frame::Trim(data::ChName(rec)));
  if (data::ChName(rec).empty())
    data::SetChName(rec, fmt::format("(empty) SID {:04X}", rec.SID));
  if (rules.Scanning.ChangeData2TV)
    Data2Tv(rec);
  if (rules.Scanning.ChangeFta2Pay && rec.Encrypted == 0 && rec.CaCount > 0)
    rec.Encrypted = 1;
  data::SortEsList(rec);
  if (rules.Scanning.SetPrefAudLang)
    data::SelectPreferredAudio(rec, frame::ParsePrefLang(rules.General.PrefAudioLang));
}

} // namespace

TChannelRec ScannedRecord(const data::TTransponder &tuned, const tsgen::Transponder &stream,
                          const tsgen::Service &service, std::uint8_t satIndex,
                          const TScanRules &rules) {
  TChannelRec rec{};
  rec.TID = stream.transportStreamId;
  rec.SID = service.serviceId;
  rec.PmtPid = service.pmtPid & kPidMask;
  rec.Freq = data::FreqToKHz(tuned.TpFreq);
  rec.SRate = static_cast<std::uint16_t>(data::SRateToKSps(tuned.TpSRate * 1000));
  rec.Polar = data::VoltageToPolar(data::PolarToVoltage(data::TpPolar(tuned)));
  rec.SatIndex = satIndex;
  rec.VolAdj = 100;
  if (rec.PmtPid >= 1 && rec.PmtPid <= 8190)
    ReadPmt(rec, service);
  ReadSdt(rec, service);
  ReadCat(rec, stream.emms);
  Finish(rec, rules);
  return rec;
}

} // namespace qev::sim::demo
