#include "frame/case_fold.h"

#include <array>
#include <cstdint>

namespace qev::frame {

namespace {

// Upper-case letters first..last map to lower case by delta; with alternate only every second
// code point from first is upper case and its lower-case partner follows it.
struct CaseRange {
  char32_t first;
  char32_t last;
  std::int32_t delta;
  bool alternate;
};

// Pairs that map both ways (from UnicodeData.txt, simple mappings).
constexpr std::array<CaseRange, 33> kPairs{{
    {0x0041, 0x005A, 32, false}, {0x00C0, 0x00D6, 32, false},   {0x00D8, 0x00DE, 32, false},
    {0x0100, 0x012E, 1, true},   {0x0132, 0x0136, 1, true},     {0x0139, 0x0147, 1, true},
    {0x014A, 0x0176, 1, true},   {0x0178, 0x0178, -121, false}, {0x0179, 0x017D, 1, true},
    {0x0370, 0x0372, 1, true},   {0x0376, 0x0376, 1, true},     {0x037F, 0x037F, 116, false},
    {0x0386, 0x0386, 38, false}, {0x0388, 0x038A, 37, false},   {0x038C, 0x038C, 64, false},
    {0x038E, 0x038F, 63, false}, {0x0391, 0x03A1, 32, false},   {0x03A3, 0x03AB, 32, false},
    {0x03CF, 0x03CF, 8, false},  {0x03D8, 0x03EE, 1, true},     {0x03F7, 0x03F7, 1, true},
    {0x03F9, 0x03F9, -7, false}, {0x03FA, 0x03FA, 1, true},     {0x03FD, 0x03FF, -130, false},
    {0x0400, 0x040F, 80, false}, {0x0410, 0x042F, 32, false},   {0x0460, 0x0480, 1, true},
    {0x048A, 0x04BE, 1, true},   {0x04C0, 0x04C0, 15, false},   {0x04C1, 0x04CD, 1, true},
    {0x04D0, 0x052E, 1, true},   {0x1E00, 0x1E94, 1, true},     {0x1EA0, 0x1EFE, 1, true},
}};

struct OneWay {
  char32_t from;
  char32_t to;
};

// Upper-case letters whose lower case maps back to another upper-case letter.
constexpr std::array<OneWay, 3> kOnlyToLower{{
    {0x0130, 0x0069}, // I with dot above
    {0x03F4, 0x03B8}, // capital theta symbol
    {0x1E9E, 0x00DF}, // capital sharp s
}};

// Lower-case letters and variants whose upper case maps back to another lower-case letter.
constexpr std::array<OneWay, 13> kOnlyToUpper{{
    {0x00B5, 0x039C}, // micro sign
    {0x0131, 0x0049}, // dotless i
    {0x017F, 0x0053}, // long s
    {0x0345, 0x0399}, // combining ypogegrammeni
    {0x03C2, 0x03A3}, // final sigma
    {0x03D0, 0x0392}, // beta symbol
    {0x03D1, 0x0398}, // theta symbol
    {0x03D5, 0x03A6}, // phi symbol
    {0x03D6, 0x03A0}, // pi symbol
    {0x03F0, 0x039A}, // kappa symbol
    {0x03F1, 0x03A1}, // rho symbol
    {0x03F5, 0x0395}, // lunate epsilon symbol
    {0x1E9B, 0x1E60}, // long s with dot above
}};

bool IsUpperOf(const CaseRange &range, char32_t c) {
  return c >= range.first && c <= range.last && (!range.alternate || (c - range.first) % 2 == 0);
}

template <std::size_t N>
std::optional<char32_t> Lookup(const std::array<OneWay, N> &table, char32_t c) {
  for (const OneWay &entry : table) {
    if (entry.from == c)
      return entry.to;
  }
  return std::nullopt;
}

char32_t Shifted(char32_t c, std::int32_t delta) {
  return static_cast<char32_t>(static_cast<std::int32_t>(c) + delta);
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

} // namespace

char32_t LowerCase(char32_t c) {
  if (c < 0x80)
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (const auto special = Lookup(kOnlyToLower, c))
    return *special;
  for (const CaseRange &range : kPairs) {
    if (IsUpperOf(range, c))
      return Shifted(c, range.delta);
  }
  return c;
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80)
    return (c >= 'a' && c <= 'z') ? c - 32 : c;
  if (const auto special = Lookup(kOnlyToUpper, c))
    return *special;
  for (const CaseRange &range : kPairs) {
    const char32_t upper = Shifted(c, -range.delta);
    if (IsUpperOf(range, upper))
      return upper;
  }
  return c;
}

char32_t FoldCase(char32_t c) {
  // The dotted and the dotless i fold only under Turkish rules, which are not the default.
  if (c == 0x0130 || c == 0x0131)
    return c;
  return LowerCase(UpperCase(c));
}

std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t &pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, smallest = 0x10000;
  } else {
    ++pos;
    return std::nullopt;
  }
  if (pos + length > text.size()) {
    ++pos;
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(b)) {
      ++pos;
      return std::nullopt;
    }
    c = (c << 6) | (b & 0x3F);
  }
  if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++pos;
    return std::nullopt;
  }
  pos += length;
  return c;
}

void AppendUtf8(std::string &out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

} // namespace qev::frame
