#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qev::data {

inline constexpr int kMaxSatellites = 255;
inline constexpr std::size_t kSatNameChars = 30;

#pragma pack(push, 1)

struct TSwitchCfg {
  std::uint8_t SwType; // 0 None, 1 Simple, 2 Committed, 3 Uncommitted, 4 Raw Data
  std::uint8_t SwPort; // counted from 1; 0 nothing chosen
  std::uint8_t SwRawLen;
  std::uint8_t SwRaw[8];
  std::uint8_t SwTxCount;
  std::uint8_t SwGap; // ms
};

// The satellite record exactly as it lies in SatList.dat.
struct TSatRec {
  std::uint8_t SatIdx;      // 1..255; 0 marks no satellite
  std::uint8_t SatName[31]; // length byte 0..30, then the name
  std::uint16_t SatPos;     // tenths of a degree east
  std::uint8_t SatActive;
  std::uint8_t SatDish; // 0 fixed, 1..4 mobile group
  TSwitchCfg Sw1;
  TSwitchCfg Sw2;
  TSwitchCfg Sw3;
  std::uint8_t PosType;
  std::int32_t PosStored;
  std::int32_t PosAzimuth;
  std::int32_t PosElevation;
  std::int32_t PosAngle;
  std::int32_t PosSmartId;
  std::uint8_t PosRawLen;
  std::uint8_t PosRaw[8];
  std::uint8_t PosTxCount;
  std::uint8_t PosGap;
  std::int32_t LofLow;
  std::int32_t LofHigh;
  std::int32_t LofSwitch;
};

#pragma pack(pop)

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(TSwitchCfg) == 13);
static_assert(offsetof(TSwitchCfg, SwType) == 0 && offsetof(TSwitchCfg, SwPort) == 1);
static_assert(offsetof(TSwitchCfg, SwRawLen) == 2 && offsetof(TSwitchCfg, SwRaw) == 3);
static_assert(offsetof(TSwitchCfg, SwTxCount) == 11 && offsetof(TSwitchCfg, SwGap) == 12);
static_assert(sizeof(TSatRec) == 119);
static_assert(offsetof(TSatRec, SatIdx) == 0 && offsetof(TSatRec, SatName) == 1);
static_assert(offsetof(TSatRec, SatPos) == 32 && offsetof(TSatRec, SatActive) == 34);
static_assert(offsetof(TSatRec, SatDish) == 35 && offsetof(TSatRec, Sw1) == 36);
static_assert(offsetof(TSatRec, Sw2) == 49 && offsetof(TSatRec, Sw3) == 62);
static_assert(offsetof(TSatRec, PosType) == 75 && offsetof(TSatRec, PosStored) == 76);
static_assert(offsetof(TSatRec, PosAzimuth) == 80 && offsetof(TSatRec, PosElevation) == 84);
static_assert(offsetof(TSatRec, PosAngle) == 88 && offsetof(TSatRec, PosSmartId) == 92);
static_assert(offsetof(TSatRec, PosRawLen) == 96 && offsetof(TSatRec, PosRaw) == 97);
static_assert(offsetof(TSatRec, PosTxCount) == 105 && offsetof(TSatRec, PosGap) == 106);
static_assert(offsetof(TSatRec, LofLow) == 107 && offsetof(TSatRec, LofHigh) == 111);
static_assert(offsetof(TSatRec, LofSwitch) == 115);

void SetSatName(TSatRec &rec, std::string_view utf8);
std::string SatName(const TSatRec &rec);
// Clamps the length bytes read from a file and zeroes the bytes they leave unused.
void SanitizeSatRec(TSatRec &rec);

} // namespace qev::data
