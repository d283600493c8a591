#include "si/psi_descriptors.h"

#include "data/code_tables.h"
#include "data/si_text.h"
#include "si/psi_parsers.h"

#include <fmt/format.h>

namespace qev::si {

namespace {

using data::TChannelRec;
using data::TEsItem;

enum Tag : std::uint8_t {
  kTagCa = 0x09,
  kTagLanguage = 0x0A,
  kTagService = 0x48,
  kTagTimeShifted = 0x4C,
  kTagTeletext = 0x56,
  kTagAc3 = 0x6A,
  kTagEnhancedAc3 = 0x7A,
  kTagUser1 = 0xC1,
  kTagUser2 = 0xC2,
};

constexpr std::uint8_t kNvodReference = 4;
constexpr std::uint8_t kTimeShiftedType = 5;
constexpr std::size_t kSiTextMax = 255;

// The descriptor's payload, after tag and length.
TSectionReader Body(TDescriptor desc) {
  TSectionReader r(desc);
  r.Skip(2);
  return r;
}

std::string LangOf(std::span<const std::uint8_t> code) {
  const char chars[3] = {static_cast<char>(code[0]), static_cast<char>(code[1]),
                         static_cast<char>(code[2])};
  return data::NormLang(chars);
}

// Seca's multi-provider form: 15-byte entries from byte 4, an ECM PID and a provider each.
// Whether it held any entry: the descriptor's own ECM field is then the first entry's, and
// adding it once more without a provider would grow the list at every repeated PMT.
bool AddSecaEntries(TSectionReader r, TChannelRec &rec, std::uint16_t caId) {
  bool found = false;
  r.Seek(4);
  while (r.Remaining() >= 4) {
    TSectionReader entry = r.Sub(std::min<std::size_t>(15, r.Remaining()));
    const std::uint16_t ecm = entry.Pid();
    const std::uint16_t provider = entry.U16();
    CaAdd(rec, caId, ecm, provider);
    found = true;
  }
  return found;
}

// Viaccess: provider sub-descriptors (tag 0x14, three bytes) from byte 6.
bool AddViaccessProviders(TSectionReader r, TChannelRec &rec, std::uint16_t caId, std::uint16_t ecm,
                          std::uint32_t &provider) {
  bool added = false;
  r.Seek(6);
  ForEachDescriptor(r.Sub(r.Remaining()), [&](TDescriptor sub) {
    if (sub[0] != 0x14 || sub[1] != 3)
      return;
    TSectionReader b = Body(sub);
    const std::uint32_t hi = b.U8(), mid = b.U8(), lo = b.U8();
    provider = hi << 16 | mid << 8 | (lo & 0xF0);
    added = CaAdd(rec, caId, ecm, provider) || added;
  });
  return added;
}

void ApplyCa(TDescriptor desc, TChannelRec &rec) {
  TSectionReader r(desc);
  r.Seek(2);
  const std::uint16_t caId = r.U16();
  const std::uint16_t ecm = r.Pid();
  if (r.Failed())
    return; // too short to name a system and an ECM PID
  std::uint32_t provider = 0;
  bool added = false; // or, for Seca entries, found
  if (caId >> 8 == 0x01 && (caId & 0xFF) != 0) {
    TSectionReader p = r;
    provider = p.U16();
    if (!p.Failed())
      added = CaAdd(rec, caId, ecm, provider);
  } else if (caId == 0x0100) {
    added = AddSecaEntries(r, rec, caId);
  } else if (caId >> 8 == 0x05) {
    added = AddViaccessProviders(r, rec, caId, ecm, provider);
  }
  if (!added)
    CaAdd(rec, caId, ecm, provider);
}

void SetTeletext(TEsItem &item, std::span<const std::uint8_t> entry) {
  data::SetEsLang(item, LangOf(entry));
  const int type = entry[3] >> 3;
  const int magazine = (entry[3] & 7) == 0 ? 8 : entry[3] & 7;
  item.TtxPage =
      static_cast<std::uint16_t>(magazine * 100 + (entry[4] >> 4) * 10 + (entry[4] & 15));
  item.Kind = (type == 2 || type == 5) ? data::kKindSubtitle : data::kKindTeletext;
}

void ApplyTeletext(TDescriptor desc, TChannelRec &rec, int stream) {
  TSectionReader r = Body(desc);
  TEsItem &first = rec.EsList[stream];
  SetTeletext(first, r.Bytes(5));
  if (rec.TtxPid == 0)
    rec.TtxPid = first.Pid;
  while (r.Remaining() >= 5 && rec.EsCount < data::kMaxEsItems) {
    TEsItem more{};
    more.StreamType = first.StreamType;
    more.Pid = first.Pid;
    SetTeletext(more, r.Bytes(5));
    data::EsAppend(rec, more);
  }
}

void ApplyService(TDescriptor desc, TChannelRec &rec) {
  TSectionReader r = Body(desc);
  const std::uint8_t type = r.U8();
  const auto provider = r.Field();
  const auto name = r.Field();
  if (r.Failed() || type == kNvodReference)
    return;
  rec.SrvType = type;
  data::SetChProv(rec, data::DecodeSiText(provider, kSiTextMax));
  data::SetChName(rec, data::DecodeSiText(name, kSiTextMax));
}

void ApplyTimeShifted(TDescriptor desc, TChannelRec &rec) {
  TSectionReader r = Body(desc);
  const std::uint16_t reference = r.U16();
  if (r.Failed())
    return;
  rec.SrvType = kTimeShiftedType;
  data::SetChName(rec, fmt::format("TimeShift - {:04X}", reference));
}

} // namespace

void ApplyPmtDescriptor(TDescriptor desc, TChannelRec &rec, int stream) {
  const std::size_t length = desc.size() - 2;
  if (desc[0] == kTagCa) {
    ApplyCa(desc, rec);
    return;
  }
  if (stream < 0 || stream >= rec.EsCount)
    return;
  TEsItem &es = rec.EsList[stream];
  switch (desc[0]) {
  case kTagLanguage:
    if (length >= 3)
      data::SetEsLang(es, LangOf(desc.subspan(2, 3)));
    break;
  case kTagTeletext:
    if (length >= 5)
      ApplyTeletext(desc, rec, stream);
    break;
  case kTagAc3:
  case kTagEnhancedAc3:
    es.Kind = data::kKindAc3;
    if (rec.Ac3Pid == 0)
      rec.Ac3Pid = es.Pid;
    break;
  case kTagUser1:
  case kTagUser2:
    es.Kind = data::kKindUser;
    break;
  default:
    break;
  }
}

void ApplySdtDescriptor(TDescriptor desc, TChannelRec *rec) {
  if (rec == nullptr)
    return;
  if (desc[0] == kTagService)
    ApplyService(desc, *rec);
  else if (desc[0] == kTagTimeShifted)
    ApplyTimeShifted(desc, *rec);
}

} // namespace qev::si
