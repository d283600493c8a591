#include "data/channel_editing.h"

#include "data/code_tables.h"
#include "data/date_time.h"
#include "data/lang_names.h"
#include "data/si_text.h"
#include "frame/string_utils.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <fmt/format.h>
#include <utility>

namespace qev::data {

std::string NoMoreSpaceText(bool ca) {
  return fmt::format("No more space for {} items (max {})", ca ? "CA" : "ES",
                     ca ? kMaxCaItems : kMaxEsItems);
}

std::string ItemDialogTitle(std::string_view action) { return std::string(action) + " Item"; }

EsTarget EsSetTarget(const TEsItem &item) {
  if (item.Kind == kKindTeletext)
    return EsTarget::Teletext;
  if (item.StreamType == 3 || item.StreamType == 4)
    return EsTarget::Audio;
  if (item.StreamType == 1 || item.StreamType == 2)
    return EsTarget::Video;
  return EsTarget::None;
}

std::string EsSetQuestion(const TEsItem &item, bool hex) {
  const char *target = nullptr;
  switch (EsSetTarget(item)) {
  case EsTarget::Teletext:
    target = "TELETEXT";
    break;
  case EsTarget::Audio:
    target = "AUDIO";
    break;
  case EsTarget::Video:
    target = "VIDEO";
    break;
  case EsTarget::None:
    return {};
  }
  return fmt::format("Set {} pid to {} ?", target, PidText(item.Pid, "0x", hex));
}

std::string CaSetQuestion(const TCaItem &item, bool hex) {
  return "Set ECM pid to " + PidText(item.EcmPid, "0x", hex) + " ?";
}

namespace {

template <typename T> bool Swap(T *list, int count, int i, int j) {
  if (i < 0 || j < 0 || i >= count || j >= count)
    return false;
  std::swap(list[i], list[j]);
  return true;
}

} // namespace

bool EsSwap(TChannelRec &rec, int i, int j) { return Swap(rec.EsList, rec.EsCount, i, j); }

bool CaSwap(TChannelRec &rec, int i, int j) {
  if (!Swap(rec.CaList, rec.CaCount, i, j))
    return false;
  UpdateEcmPid(rec);
  return true;
}

std::vector<std::string> EsRowTexts(const TEsItem &item, bool hex) {
  const std::string lang = EsLang(item);
  return {fmt::format("{:02X} {}", item.StreamType, EsKindText(item.Kind, "---")),
          PidText(item.Pid, "", hex), lang,
          item.TtxPage == 0 ? std::string() : std::to_string(item.TtxPage), LangName(lang)};
}

std::vector<std::string> CaRowTexts(const TCaItem &item, bool hex) {
  return {fmt::format("{:04X}", item.CaId), PidText(item.EcmPid, "", hex),
          PidText(item.EmmPid, "", hex), fmt::format("{:06X}", item.ProvId & ~kCaDisabledBit),
          CaSystemName(item.CaId)};
}

std::string EditTimeText(double dateTime) {
  if (dateTime == 0)
    return {};
  const std::time_t seconds = static_cast<std::time_t>(DateTimeToUnix(dateTime));
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}", parts.tm_year + 1900, parts.tm_mon + 1,
                     parts.tm_mday, parts.tm_hour, parts.tm_min);
}

std::string NumberText(std::uint32_t value, bool hex) {
  return hex ? fmt::format("{:X}", value) : std::to_string(value);
}

std::optional<std::uint32_t> ParseNumber(std::string_view text, bool hex, std::uint32_t max) {
  const std::string trimmed = frame::Trim(std::string(text));
  std::uint32_t value = 0;
  const auto [end, ec] =
      std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value, hex ? 16 : 10);
  if (trimmed.empty() || ec != std::errc() || end != trimmed.data() + trimmed.size() || value > max)
    return std::nullopt;
  return value;
}

std::string EditNameText(std::string_view utf8) {
  return std::string(CutUtf8(frame::Trim(std::string(utf8)), kNameTextBytes));
}

TChannelEditFields ChannelEditFieldsOf(const TChannelRec &rec) {
  TChannelEditFields f;
  f.Freq = rec.Freq;
  f.SRate = rec.SRate;
  f.Polar = rec.Polar == 'V' ? "Vertical" : "Horizontal";
  f.TID = rec.TID;
  f.SID = rec.SID;
  f.PmtPid = rec.PmtPid;
  f.PcrPid = rec.PcrPid;
  f.EcmPid = rec.EcmPid;
  f.VidPid = rec.VidPid;
  f.AudPid = rec.AudPid;
  f.TtxPid = rec.TtxPid;
  f.Ac3Pid = rec.Ac3Pid;
  f.Name = ChName(rec);
  f.Prov = FixedText(rec.ChProv);
  f.ChNumber = rec.ChNumber;
  f.Kind = rec.SrvType == 1 || rec.SrvType == 2 ? rec.SrvType : 0;
  f.Scrambled = rec.Encrypted != 0;
  f.Categ = rec.Categ;
  f.VolAdj = rec.VolAdj;
  f.PlgProfile = rec.PlgProfile;
  return f;
}

void StoreChannelEdit(const TChannelEditFields &f, TChannelRec &rec) {
  rec.Freq = f.Freq;
  rec.SRate = f.SRate;
  if (!f.Polar.empty())
    rec.Polar = f.Polar.front();
  rec.TID = f.TID;
  rec.SID = f.SID;
  const auto pid = [](std::uint16_t value) {
    return static_cast<std::uint16_t>(std::min<int>(value, kMaxPid));
  };
  rec.PmtPid = pid(f.PmtPid);
  rec.PcrPid = pid(f.PcrPid);
  rec.EcmPid = pid(f.EcmPid);
  rec.VidPid = pid(f.VidPid);
  rec.AudPid = pid(f.AudPid);
  rec.TtxPid = pid(f.TtxPid);
  rec.Ac3Pid = pid(f.Ac3Pid);
  SetChName(rec, EditNameText(f.Name));
  SetChProv(rec, EditNameText(f.Prov));
  rec.ChNumber = f.ChNumber;
  // A service kind the broadcast gave beyond data, TV and radio stays unless the user changed it.
  const bool kindShownAsIs =
      (rec.SrvType == 1 || rec.SrvType == 2) ? rec.SrvType == f.Kind : f.Kind == 0;
  if (!kindShownAsIs)
    rec.SrvType = static_cast<std::uint8_t>(std::clamp(f.Kind, 0, 2));
  rec.Encrypted = f.Scrambled ? 1 : 0;
  rec.Categ = static_cast<std::uint8_t>(std::clamp(f.Categ, 0, 255));
  rec.VolAdj = static_cast<std::uint8_t>(std::clamp(f.VolAdj, 0, 200));
  rec.PlgProfile = static_cast<std::uint8_t>(std::clamp(f.PlgProfile, 0, 255));
}

} // namespace qev::data
