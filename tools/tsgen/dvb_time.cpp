#include "dvb_time.h"

#include <charconv>

namespace qev::tsgen {
namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kMjdOfEpoch = 40587;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::optional<unsigned> Field(std::string_view text, std::size_t at, std::size_t width) {
  unsigned value = 0;
  const char *first = text.data() + at;
  const auto [end, ec] = std::from_chars(first, first + width, value);
  if (ec != std::errc{} || end != first + width) {
    return std::nullopt;
  }
  return value;
}

} // namespace

std::optional<UtcSeconds> ParseUtc(std::string_view text) {
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' ||
      (text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  const auto y = Field(text, 0, 4), mo = Field(text, 5, 2), d = Field(text, 8, 2);
  const auto h = Field(text, 11, 2), mi = Field(text, 14, 2), s = Field(text, 17, 2);
  if (!y || !mo || !d || !h || !mi || !s || *mo < 1 || *mo > 12 || *d < 1 || *d > 31 || *h > 23 ||
      *mi > 59 || *s > 59) {
    return std::nullopt;
  }
  return DaysFromCivil(*y, *mo, *d) * kDay + *h * 3600 + *mi * 60 + *s;
}

unsigned ToBcd(unsigned value) {
  unsigned bcd = 0;
  for (int shift = 0; value != 0; shift += 4, value /= 10) {
    bcd |= (value % 10) << shift;
  }
  return bcd;
}

void PutMjdTime(ByteWriter &out, UtcSeconds time) {
  const std::int64_t days = time >= 0 ? time / kDay : (time - kDay + 1) / kDay;
  const std::int64_t inDay = time - days * kDay;
  out.Put16(static_cast<unsigned>(days + kMjdOfEpoch));
  PutBcdDuration(out, inDay);
}

void PutUndefinedTime(ByteWriter &out) {
  out.Put32(0xFFFFFFFF);
  out.Put8(0xFF);
}

void PutUndefinedDuration(ByteWriter &out) { out.Put24(0xFFFFFF); }

void PutBcdDuration(ByteWriter &out, std::int64_t seconds) {
  const auto s = static_cast<unsigned>(seconds < 0 ? 0 : seconds);
  out.Put8(ToBcd(s / 3600 % 100));
  out.Put8(ToBcd(s / 60 % 60));
  out.Put8(ToBcd(s % 60));
}

} // namespace qev::tsgen
