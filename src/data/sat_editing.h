#pragma once

#include "data/sat_rec.h"

#include <array>
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

inline constexpr std::int32_t kDefaultLofLow = 9750000;
inline constexpr std::int32_t kDefaultLofHigh = 10600000;
inline constexpr std::int32_t kDefaultLofSwitch = 11700000;
inline constexpr int kMinSatPosition = 1;
inline constexpr int kMaxSatPosition = 3600;
inline constexpr int kMaxSwitchGap = 255; // ms; the record keeps one byte
inline constexpr int kMaxTxCount = 9;

// The ports a switch type offers, counted from 1 in this order.
std::vector<std::string> SwitchPortNames(int swType);
// The chosen port where the list still has it, else the nearest end of the list.
int KeptPort(int port, int portCount);
// An LOF field's value in kHz; empty or unreadable text gives the fallback.
std::int32_t LofFromText(std::string_view text, std::int32_t fallback);
// "E0 10 38": stored raw bytes as the editor shows them.
std::string RawTextOf(const std::uint8_t *bytes, int length);

struct TSwitchEdit {
  int Type = 0, Port = 0, TxCount = 1, Gap = 0;
  std::string Raw;
};

// Every input of the satellite editor, as typed.
struct TSatEditForm {
  std::string Name;
  int Position = 0;
  int Dish = 0;
  std::string LofLow, LofHigh, LofSwitch;
  std::array<TSwitchEdit, 3> Sw;
  int PosType = 0, PosStored = 1, PosAzimuth = 0, PosElevation = 0, PosSmartId = 0;
  int PosAngle = 0; // tenths of a degree, positive west
  std::string PosRaw;
  int PosTxCount = 1, PosGap = 0;
};

TSatEditForm SatEditFormOf(const TSatRec &rec);
TSatEditCheck CheckSatEdit(const TSatEditForm &form, bool positionTaken);
// Writes the inputs into the record; its index and active flag stay as they are.
void StoreSatEdit(const TSatEditForm &form, TSatRec &rec);

} // namespace qev::data
