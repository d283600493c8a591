#pragma once

#include "data/channel_rec.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qev::data {

std::string CaSystemName(std::uint16_t caId);
std::string CaSystemShort(std::uint16_t caId);
std::string EsKindText(std::uint8_t kind, std::string_view defaultText);
std::string StreamTypeText(std::uint8_t type);
std::string ServiceKindText(const TChannelRec &rec);
int ChannelIcon(const TChannelRec &rec);
int EsKindIcon(std::uint8_t kind);
// Four upper-case hex digits after the prefix when hex is wanted, else plain decimal.
std::string PidText(std::uint16_t value, std::string_view prefix, bool hex);
int PolarToVoltage(char polar);
char VoltageToPolar(int volts);
std::uint32_t FreqToKHz(std::uint32_t value);
std::uint32_t SRateToKSps(std::uint32_t value);
std::string NormLang(const char (&code)[3]);

} // namespace qev::data
