#include "data/sat_rec.h"

#include "data/si_text.h"

#include <algorithm>
#include <cstring>

namespace qev::data {

namespace {
template <std::size_t N> void ClampRaw(std::uint8_t &len, std::uint8_t (&raw)[N]) {
  len = std::min<std::uint8_t>(len, N);
  std::memset(raw + len, 0, N - len);
}
} // namespace

void SetSatName(TSatRec &rec, std::string_view utf8) {
  const std::string_view cut = CutUtf8(utf8, kSatNameChars);
  std::memset(rec.SatName, 0, sizeof rec.SatName);
  rec.SatName[0] = static_cast<std::uint8_t>(cut.size());
  std::copy(cut.begin(), cut.end(), rec.SatName + 1);
}

std::string SatName(const TSatRec &rec) {
  const std::size_t n = std::min<std::size_t>(rec.SatName[0], kSatNameChars);
  return std::string(reinterpret_cast<const char *>(rec.SatName + 1), n);
}

void SanitizeSatRec(TSatRec &rec) {
  SetSatName(rec, SatName(rec));
  for (TSwitchCfg *sw : {&rec.Sw1, &rec.Sw2, &rec.Sw3})
    ClampRaw(sw->SwRawLen, sw->SwRaw);
  ClampRaw(rec.PosRawLen, rec.PosRaw);
}

} // namespace qev::data
