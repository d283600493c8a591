#include "data/sat_editing.h"

namespace qev::data {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '-' || c == ',' || c == '.'; }
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

std::string Digits(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (!IsSeparator(c))
      out += c;
  }
  return out;
}

} // namespace

RawTextState CheckRawText(std::string_view text) {
  const std::string digits = Digits(text);
  for (const char c : digits) {
    if (!IsHexDigit(c))
      return RawTextState::Invalid;
  }
  return digits.size() % 2 == 0 ? RawTextState::Valid : RawTextState::Incomplete;
}

std::vector<std::uint8_t> RawTextBytes(std::string_view text) {
  const std::string digits = Digits(text);
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < digits.size() && bytes.size() < 8; i += 2) {
    if (!IsHexDigit(digits[i]) || !IsHexDigit(digits[i + 1]))
      break;
    bytes.push_back(static_cast<std::uint8_t>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1])));
  }
  return bytes;
}

void ApplyLnbPreset(TSatRec &rec, LnbPreset preset) {
  switch (preset) {
  case LnbPreset::KuLinear:
    rec.LofLow = 9750000;
    rec.LofSwitch = 11700000;
    rec.LofHigh = 10600000;
    break;
  case LnbPreset::KuCircular:
    rec.LofLow = rec.LofHigh = 10750000;
    rec.LofSwitch = 0;
    break;
  case LnbPreset::CBand:
    rec.LofLow = rec.LofHigh = 5150000;
    rec.LofSwitch = 0;
    break;
  }
}

TSatEditCheck CheckSatEdit(const TSatEditInput &in, bool positionTaken) {
  const struct {
    const std::string &text;
    const char *message;
  } raws[] = {{in.Sw1Raw, "Sw1: Invalid raw data"},
              {in.Sw2Raw, "Sw2: Invalid raw data"},
              {in.Sw3Raw, "Sw3: Invalid raw data"},
              {in.PosRaw, "POS: Invalid raw data"}};
  for (const auto &raw : raws) {
    if (CheckRawText(raw.text) != RawTextState::Valid)
      return {false, false, raw.message};
  }
  if (in.Position < 1 || in.Position > 3600)
    return {false, false, kErrInvalidSatPos};
  if (positionTaken)
    return {false, false, kErrDuplicateSatPos};
  if (in.LofLow == 0 && in.LofHigh == 0 && in.LofSwitch == 0)
    return {false, true, kWarnSelectLnb};
  return {};
}

} // namespace qev::data
