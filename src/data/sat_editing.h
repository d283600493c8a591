#pragma once

#include "data/sat_rec.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

inline constexpr const char *kErrInvalidSatPos = "Invalid SAT position";
inline constexpr const char *kErrDuplicateSatPos = "Another satellite already uses this position";
inline constexpr const char *kWarnSelectLnb = "Please select LNB type...";

enum class RawTextState { Valid, Invalid, Incomplete };

// Hex pairs with blanks, "-", "," and "." as separators; only upper-case digits count.
RawTextState CheckRawText(std::string_view text);
// At most eight bytes; pairs beyond the eighth are dropped.
std::vector<std::uint8_t> RawTextBytes(std::string_view text);

enum class LnbPreset { KuLinear, KuCircular, CBand };
void ApplyLnbPreset(TSatRec &rec, LnbPreset preset);

// What the satellite editor holds while the user types.
struct TSatEditInput {
  std::string Sw1Raw, Sw2Raw, Sw3Raw, PosRaw;
  int Position = 0;
  std::int32_t LofLow = 0, LofHigh = 0, LofSwitch = 0;
};

struct TSatEditCheck {
  bool Ok = true;
  bool Warning = false; // the message is a warning, not an error
  std::string Message;
};

// The save checks in their order; positionTaken says another satellite has the position.
TSatEditCheck CheckSatEdit(const TSatEditInput &input, bool positionTaken);

} // namespace qev::data
