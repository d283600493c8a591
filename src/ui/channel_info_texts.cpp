#include "ui/channel_info_texts.h"

#include "data/code_tables.h"
#include "data/lang_names.h"

#include <cstdio>

namespace qev::ui {
namespace {

constexpr int kFirstPidRow = 5;       // "TID"
constexpr int kFirstPidStyledRow = 6; // "SID"
constexpr std::uint32_t kFreqDivideAbove = 99999;

// Upper-case hex with at least that many digits.
std::string HexText(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
  return text;
}

bool CaDisabled(const data::TCaItem &item) { return (item.ProvId & data::kCaDisabledBit) != 0; }

TCellStyle Emphasis(bool selectedFocused) {
  return TCellStyle{true, selectedFocused ? kColorAqua : kColorBlue, false};
}

std::uint16_t PidOfRow(const data::TChannelRec &rec, int row) {
  switch (row) {
  case 5:
    return rec.TID;
  case 6:
    return rec.SID;
  case 7:
    return rec.PmtPid;
  case 8:
    return rec.PcrPid;
  case 9:
    return rec.EcmPid;
  case 10:
    return rec.VidPid;
  case 11:
    return rec.AudPid;
  case 12:
    return rec.TtxPid;
  default:
    return rec.Ac3Pid;
  }
}

} // namespace

std::string StreamCellText(const data::TEsItem &item, int column, bool hex) {
  switch (column) {
  case 0:
    return HexText(item.StreamType, 2) + " " + data::EsKindText(item.Kind, "---");
  case 1:
    return data::PidText(item.Pid, "", hex);
  case 2:
    return data::EsLang(item);
  case 3:
    return item.TtxPage != 0 ? std::to_string(item.TtxPage) : std::string();
  case 4:
    return data::LangName(data::EsLang(item));
  default:
    return {};
  }
}

std::string CaCellText(const data::TCaItem &item, int column, bool hex) {
  switch (column) {
  case 0:
    return HexText(item.CaId, 4);
  case 1:
    return data::PidText(item.EcmPid, "", hex);
  case 2:
    return data::PidText(item.EmmPid, "", hex);
  case 3:
    return HexText(item.ProvId & ~data::kCaDisabledBit, 6);
  case 4:
    return data::CaSystemName(item.CaId);
  default:
    return {};
  }
}

std::string ParameterValueText(const data::TChannelRec &rec, int row, bool hex) {
  switch (row) {
  case 0:
    return std::to_string(rec.Freq > kFreqDivideAbove ? rec.Freq / 1000 : rec.Freq);
  case 1:
    return std::to_string(rec.SRate);
  case 2:
    return rec.Polar != 0 ? std::string(1, rec.Polar) : std::string();
  case 3:
    return std::to_string(rec.SatIndex);
  case 4:
    return std::to_string(rec.Categ);
  default:
    if (row < kFirstPidRow || row >= kParameterRows)
      return {};
    return data::PidText(PidOfRow(rec, row), "", hex);
  }
}

TCellStyle StreamRowStyle(const data::TChannelRec &rec, const data::TEsItem &item,
                          bool selectedFocused) {
  if (item.Pid != rec.AudPid)
    return {};
  return Emphasis(selectedFocused);
}

TCellStyle CaRowStyle(const data::TCaItem &item, bool filterOpen, bool selectedFocused) {
  TCellStyle style = filterOpen ? Emphasis(selectedFocused) : TCellStyle{};
  if (CaDisabled(item))
    style.Color = kColorGrey;
  return style;
}

TCellStyle ParameterValueStyle(int row, bool hex) {
  if (row < kFirstPidStyledRow || row >= kParameterRows)
    return {};
  return TCellStyle{false, hex ? kColorGreen : kColorNavy, true};
}

int CaIcon(const data::TCaItem &item) {
  return CaDisabled(item) ? kCaIconDisabled : kCaIconEnabled;
}

} // namespace qev::ui
