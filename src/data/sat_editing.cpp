#include "data/sat_editing.h"

#include <algorithm>
#include <charconv>
#include <fmt/format.h>

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
  if (in.Position < kMinSatPosition || in.Position > kMaxSatPosition)
    return {false, false, kErrInvalidSatPos};
  if (positionTaken)
    return {false, false, kErrDuplicateSatPos};
  if (in.LofLow == 0 && in.LofHigh == 0 && in.LofSwitch == 0)
    return {false, true, kWarnSelectLnb};
  return {};
}

std::vector<std::string> SwitchPortNames(int swType) {
  switch (swType) {
  case 1:
    return {"LNB1", "LNB2"};
  case 2:
    return {"LNB1", "LNB2", "LNB3", "LNB4"};
  case 3: {
    std::vector<std::string> ports;
    for (int i = 0; i < 16; ++i)
      ports.push_back(fmt::format("CMD {:X}", i));
    return ports;
  }
  default:
    return {"None"};
  }
}

int KeptPort(int port, int portCount) { return std::clamp(port, 1, std::max(portCount, 1)); }

std::int32_t LofFromText(std::string_view text, std::int32_t fallback) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0)
    return fallback;
  return value;
}

std::string RawTextOf(const std::uint8_t *bytes, int length) {
  std::string text;
  for (int i = 0; i < std::clamp(length, 0, 8); ++i)
    text += fmt::format("{}{:02X}", i == 0 ? "" : " ", bytes[i]);
  return text;
}

namespace {

TSwitchEdit SwitchEditOf(const TSwitchCfg &sw) {
  return {sw.SwType, sw.SwPort, sw.SwTxCount, sw.SwGap, RawTextOf(sw.SwRaw, sw.SwRawLen)};
}

void StoreRaw(std::string_view text, std::uint8_t &length, std::uint8_t (&raw)[8]) {
  const std::vector<std::uint8_t> bytes = RawTextBytes(text);
  std::fill(std::begin(raw), std::end(raw), 0);
  std::copy(bytes.begin(), bytes.end(), raw);
  length = static_cast<std::uint8_t>(bytes.size());
}

std::uint8_t Byte(int value, int high) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, high));
}

void StoreSwitch(const TSwitchEdit &edit, TSwitchCfg &sw) {
  sw.SwType = Byte(edit.Type, 4);
  const int ports = static_cast<int>(SwitchPortNames(edit.Type).size());
  sw.SwPort = edit.Port == 0 ? 0 : Byte(KeptPort(edit.Port, ports), ports);
  StoreRaw(edit.Raw, sw.SwRawLen, sw.SwRaw);
  sw.SwTxCount = Byte(edit.TxCount, kMaxTxCount);
  sw.SwGap = Byte(edit.Gap, kMaxSwitchGap);
}

TSatEditInput InputOf(const TSatEditForm &form) {
  TSatEditInput in;
  in.Sw1Raw = form.Sw[0].Raw;
  in.Sw2Raw = form.Sw[1].Raw;
  in.Sw3Raw = form.Sw[2].Raw;
  in.PosRaw = form.PosRaw;
  in.Position = form.Position;
  in.LofLow = LofFromText(form.LofLow, kDefaultLofLow);
  in.LofHigh = LofFromText(form.LofHigh, kDefaultLofHigh);
  in.LofSwitch = LofFromText(form.LofSwitch, kDefaultLofSwitch);
  return in;
}

} // namespace

TSatEditForm SatEditFormOf(const TSatRec &rec) {
  TSatEditForm form;
  form.Name = SatName(rec);
  form.Position = rec.SatPos;
  form.Dish = rec.SatDish;
  form.LofLow = std::to_string(rec.LofLow);
  form.LofHigh = std::to_string(rec.LofHigh);
  form.LofSwitch = std::to_string(rec.LofSwitch);
  form.Sw = {SwitchEditOf(rec.Sw1), SwitchEditOf(rec.Sw2), SwitchEditOf(rec.Sw3)};
  form.PosType = rec.PosType;
  form.PosStored = rec.PosStored;
  form.PosAzimuth = rec.PosAzimuth;
  form.PosElevation = rec.PosElevation;
  form.PosSmartId = rec.PosSmartId;
  form.PosAngle = rec.PosAngle;
  form.PosRaw = RawTextOf(rec.PosRaw, rec.PosRawLen);
  form.PosTxCount = rec.PosTxCount;
  form.PosGap = rec.PosGap;
  return form;
}

TSatEditCheck CheckSatEdit(const TSatEditForm &form, bool positionTaken) {
  return CheckSatEdit(InputOf(form), positionTaken);
}

void StoreSatEdit(const TSatEditForm &form, TSatRec &rec) {
  const TSatEditInput in = InputOf(form);
  SetSatName(rec, form.Name);
  rec.SatPos = static_cast<std::uint16_t>(std::clamp(form.Position, 0, kMaxSatPosition));
  rec.SatDish = Byte(form.Dish, 4);
  rec.LofLow = in.LofLow;
  rec.LofHigh = in.LofHigh;
  rec.LofSwitch = in.LofSwitch;
  StoreSwitch(form.Sw[0], rec.Sw1);
  StoreSwitch(form.Sw[1], rec.Sw2);
  StoreSwitch(form.Sw[2], rec.Sw3);
  rec.PosType = Byte(form.PosType, 6);
  rec.PosStored = std::clamp(form.PosStored, 1, 255);
  rec.PosAzimuth = form.PosAzimuth;
  rec.PosElevation = form.PosElevation;
  rec.PosSmartId = form.PosSmartId;
  rec.PosAngle = std::clamp(form.PosAngle, -1800, 1800);
  StoreRaw(form.PosRaw, rec.PosRawLen, rec.PosRaw);
  rec.PosTxCount = Byte(form.PosTxCount, kMaxTxCount);
  // The pause after the positioner's command is the user's setting and is kept as typed.
  rec.PosGap = Byte(form.PosGap, kMaxSwitchGap);
}

} // namespace qev::data
