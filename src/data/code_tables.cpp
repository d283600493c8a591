#include "data/code_tables.h"

#include <fmt/format.h>

namespace qev::data {

namespace {

struct CaSystem {
  std::uint8_t high;
  const char *name;
  const char *shortName;
};

constexpr CaSystem kCaSystems[] = {
    {0x01, "Seca", "SECA"},       {0x05, "Viaccess", "VIAC"},  {0x06, "Irdeto", "IRDT"},
    {0x09, "Videoguard", "VGRD"}, {0x0B, "Conax", "CONX"},     {0x0D, "Cryptoworks", "CRYW"},
    {0x0E, "PowerVU", "POVU"},    {0x17, "Betacrypt", "BETA"}, {0x18, "Nagravision", "NAGR"},
    {0x4A, "SkyCrypt", "SKYC"},
};

const CaSystem *FindCaSystem(std::uint16_t caId) {
  for (const CaSystem &s : kCaSystems) {
    if (s.high == caId >> 8)
      return &s;
  }
  return nullptr;
}

constexpr const char *kStreamTypes[] = {
    "ISO/IEC Reserved",           "ISO/IEC 11172 Video", "ISO/IEC 13818 Video",
    "ISO/IEC 11172 Audio",        "ISO/IEC 13818 Audio", "ISO/IEC 13818 Private Sections",
    "ISO/IEC 13818 PES Packets",  "ISO/IEC 13522 MHEG",  "ISO/IEC 13818 DSM CC",
    "ISO/IEC 13818 Private data",
};

// The codings of HD services beyond the MPEG-2 range.
struct StreamTypeName {
  std::uint8_t type;
  const char *name;
};

constexpr StreamTypeName kModernStreamTypes[] = {
    {0x0F, "ISO/IEC 13818-7 Audio (AAC)"},
    {0x11, "ISO/IEC 14496-3 Audio (AAC LATM)"},
    {0x1B, "ITU-T H.264 Video"},
    {0x24, "ITU-T H.265 Video"},
};

} // namespace

std::string CaSystemName(std::uint16_t caId) {
  if (const CaSystem *s = FindCaSystem(caId))
    return s->name;
  return fmt::format("CryptID_{:02X}", caId >> 8);
}

std::string CaSystemShort(std::uint16_t caId) {
  if (const CaSystem *s = FindCaSystem(caId))
    return s->shortName;
  return fmt::format("CS{:02X}", caId >> 8);
}

std::string EsKindText(std::uint8_t kind, std::string_view defaultText) {
  switch (kind) {
  case kKindVideo:
    return "VID";
  case kKindAudio:
    return "AUD";
  case kKindAc3:
    return "AC3";
  case kKindTeletext:
    return "TTX";
  case kKindSubtitle:
    return "SUB";
  case kKindUser:
    return "USR";
  default:
    return std::string(defaultText);
  }
}

std::string StreamTypeText(std::uint8_t type) {
  if (type < std::size(kStreamTypes))
    return kStreamTypes[type];
  for (const StreamTypeName &t : kModernStreamTypes) {
    if (t.type == type)
      return t.name;
  }
  return type < 128 ? "ISO/IEC 13818 Reserved" : "User Private";
}

std::string ServiceKindText(const TChannelRec &rec) {
  const char *kind = rec.SrvType == 1 ? "TV" : rec.SrvType == 2 ? "RADIO" : "DATA";
  return std::string(kind) + (rec.Encrypted != 0 ? " PAY" : " FTA");
}

int ChannelIcon(const TChannelRec &rec) {
  const int kind = rec.SrvType == 2 ? 2 : rec.SrvType == 1 ? 1 : 0;
  return 3 + kind + (rec.Encrypted != 0 ? 3 : 0);
}

int EsKindIcon(std::uint8_t kind) { return (kind >= 1 && kind <= 5) ? kind + 10 : 0; }

std::string PidText(std::uint16_t value, std::string_view prefix, bool hex) {
  if (hex)
    return fmt::format("{}{:04X}", prefix, value);
  return std::to_string(value);
}

int PolarToVoltage(char polar) {
  if (polar == 'H' || polar == 'h')
    return 18;
  if (polar == 'V' || polar == 'v')
    return 13;
  return 0;
}

char VoltageToPolar(int volts) { return volts == 13 ? 'V' : volts == 18 ? 'H' : '#'; }

std::uint32_t FreqToKHz(std::uint32_t value) { return value > 99999 ? value : value * 1000; }
std::uint32_t SRateToKSps(std::uint32_t value) { return value > 99999 ? value / 1000 : value; }

std::string NormLang(const char (&code)[3]) {
  std::string out(3, '?');
  for (int i = 0; i < 3; ++i) {
    const unsigned char c = static_cast<unsigned char>(code[i]);
    out[i] = c < 20                   ? '?'
             : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32)
                                      : static_cast<char>(c);
  }
  return out;
}

} // namespace qev::data
