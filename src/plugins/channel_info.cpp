#include "plugins/channel_info.h"

#include "data/code_tables.h"

#include <algorithm>
#include <cstring>

namespace qev::plugins {
namespace {

template <std::size_t N> void CopyName(char (&target)[N], const char (&source)[data::kNameBytes]) {
  static_assert(N >= data::kNameBytes);
  std::memcpy(target, source, strnlen(source, data::kNameBytes - 1));
}

void CopyCaList(const data::TChannelRec &rec, TPlgChannelInfo &info) {
  const int count = std::min<int>(rec.CaCount, data::kMaxCaItems);
  for (int i = 0; i < count; ++i) {
    const data::TCaItem &item = rec.CaList[i];
    if (item.ProvId & data::kCaDisabledBit)
      continue;
    TPlgCaEntry &entry = info.CaList[info.CaCount++];
    entry.CaId = item.CaId;
    entry.EcmPid = item.EcmPid;
    entry.EmmPid = item.EmmPid;
    entry.ProvId = item.ProvId;
  }
  if (info.CaCount > 0)
    info.CaIdHigh = static_cast<std::uint8_t>(info.CaList[0].CaId >> 8);
}

} // namespace

TPlgChannelInfo BuildChannelInfo(const data::TChannelRec &rec) {
  TPlgChannelInfo info{};
  CopyName(info.ChName, rec.ChName);
  CopyName(info.ChProv, rec.ChProv);
  info.Freq = rec.Freq;
  info.Voltage = static_cast<std::uint8_t>(data::PolarToVoltage(rec.Polar));
  info.SRate = rec.SRate;
  info.TID = rec.TID;
  info.VidPid = rec.VidPid;
  info.AudPid = rec.AudPid;
  info.TtxPid = rec.TtxPid;
  info.PmtPid = rec.PmtPid;
  info.PcrPid = rec.PcrPid;
  info.SID = rec.SID;
  info.SrvType = rec.SrvType;
  CopyCaList(rec, info);
  info.EcmPid = (rec.EcmPid == 0 || info.CaCount == 0) ? kNoEcmPid : rec.EcmPid;
  return info;
}

const TPlgChannelInfo &NoChannelInfo() {
  static const TPlgChannelInfo none = BuildChannelInfo(data::TChannelRec{});
  return none;
}

} // namespace qev::plugins
