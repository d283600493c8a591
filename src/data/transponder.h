#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace qev::data {

#pragma pack(push, 1)
struct TTransponder {
  std::uint32_t TpFreq;  // MHz
  std::uint8_t TpPol[2]; // length byte 0..1, then 'H' or 'V'
  std::uint32_t TpSRate; // kS/s
  std::uint8_t TpMarked;
};
#pragma pack(pop)

static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(TTransponder) == 11);
static_assert(offsetof(TTransponder, TpFreq) == 0 && offsetof(TTransponder, TpPol) == 4);
static_assert(offsetof(TTransponder, TpSRate) == 6 && offsetof(TTransponder, TpMarked) == 10);

TTransponder MakeTransponder(std::uint32_t freqMHz, char polar, std::uint32_t srateKSps,
                             bool marked = false);
// 'H', 'V' or 0 when not set.
char TpPolar(const TTransponder &tp);
bool TpValid(const TTransponder &tp);
bool TpSameChannel(const TTransponder &a, const TTransponder &b);
// Frequency, polarisation and symbol rate: what makes two entries the same transponder.
using TTpKey = std::tuple<std::uint32_t, char, std::uint32_t>;
TTpKey TpKey(const TTransponder &tp);
// "11778,V,27500"
std::string TpText(const TTransponder &tp);
// Reads "11778, v ,27500,3/4": fields trimmed, polarisation upper-cased, its first character
// taken, unreadable numbers 0. Nothing when the entry is then invalid.
std::optional<TTransponder> ParseTpText(std::string_view line);
// An unsigned decimal number, or 0 when the text is not one.
std::uint32_t NumberOr0(std::string_view text);

} // namespace qev::data
