#include "data/transponder.h"

#include "frame/string_utils.h"

#include <charconv>
#include <fmt/format.h>

namespace qev::data {

TTransponder MakeTransponder(std::uint32_t freqMHz, char polar, std::uint32_t srateKSps,
                             bool marked) {
  TTransponder tp{};
  tp.TpFreq = freqMHz;
  if (polar == 'H' || polar == 'V') {
    tp.TpPol[0] = 1;
    tp.TpPol[1] = static_cast<std::uint8_t>(polar);
  }
  tp.TpSRate = srateKSps;
  tp.TpMarked = marked ? 1 : 0;
  return tp;
}

char TpPolar(const TTransponder &tp) {
  return tp.TpPol[0] == 1 ? static_cast<char>(tp.TpPol[1]) : '\0';
}

bool TpValid(const TTransponder &tp) {
  return tp.TpFreq != 0 && TpPolar(tp) != '\0' && tp.TpSRate != 0;
}

bool TpSameChannel(const TTransponder &a, const TTransponder &b) {
  return a.TpFreq == b.TpFreq && TpPolar(a) == TpPolar(b) && a.TpSRate == b.TpSRate;
}

TTpKey TpKey(const TTransponder &tp) { return {tp.TpFreq, TpPolar(tp), tp.TpSRate}; }

std::string TpText(const TTransponder &tp) {
  const char polar = TpPolar(tp);
  return fmt::format("{},{},{}", tp.TpFreq, polar ? std::string(1, polar) : "", tp.TpSRate);
}

std::uint32_t NumberOr0(std::string_view text) {
  const std::string trimmed = frame::Trim(text);
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  return (ec == std::errc() && end == trimmed.data() + trimmed.size()) ? value : 0;
}

std::optional<TTransponder> ParseTpText(std::string_view line) {
  const std::vector<std::string> fields = frame::SplitAt(frame::Trim(line), ",");
  if (fields.size() < 3)
    return std::nullopt;
  const std::string polar = frame::Trim(fields[1]);
  const char p = polar.empty() ? '\0' : static_cast<char>(std::toupper(polar[0]));
  const TTransponder tp = MakeTransponder(NumberOr0(fields[0]), p, NumberOr0(fields[2]));
  if (!TpValid(tp))
    return std::nullopt;
  return tp;
}

} // namespace qev::data
