#include "teletext_charset.h"

#include <array>
#include <charconv>
#include <fmt/format.h>
#include <stdexcept>

namespace qev::tsgen {
namespace {

constexpr std::array<std::uint8_t, 13> kNationalPositions = {
    0x23, 0x24, 0x40, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x60, 0x7B, 0x7C, 0x7D, 0x7E};

struct Subset {
  const char *name;
  std::array<char32_t, 13> characters;
};

// The Latin national option subsets, in the order of the national positions.
constexpr std::array<Subset, 8> kSubsets = {{
    {"English",
     {0xA3, 0x24, 0x40, 0x2190, 0xBD, 0x2192, 0x2191, 0x23, 0x2014, 0xBC, 0x2551, 0xBE, 0xF7}},
    {"German", {0x23, 0x24, 0xA7, 0xC4, 0xD6, 0xDC, 0x5E, 0x5F, 0xB0, 0xE4, 0xF6, 0xFC, 0xDF}},
    {"Swedish/Finnish/Hungarian",
     {0x23, 0xA4, 0xC9, 0xC4, 0xD6, 0xC5, 0xDC, 0x5F, 0xE9, 0xE4, 0xF6, 0xE5, 0xFC}},
    {"Italian", {0xA3, 0x24, 0xE9, 0xB0, 0xE7, 0x2192, 0x2191, 0x23, 0xF9, 0xE0, 0xF2, 0xE8, 0xEC}},
    {"French", {0xE9, 0xEF, 0xE0, 0xEB, 0xEA, 0xF9, 0xEE, 0x23, 0xE8, 0xE2, 0xF4, 0xFB, 0xE7}},
    {"Portuguese/Spanish",
     {0xE7, 0x24, 0xA1, 0xE1, 0xE9, 0xED, 0xF3, 0xFA, 0xBF, 0xFC, 0xF1, 0xE8, 0xE0}},
    {"Czech/Slovak",
     {0x23, 0x16F, 0x10D, 0x165, 0x17E, 0xFD, 0xED, 0x159, 0xE9, 0xE1, 0x11B, 0xFA, 0x161}},
    {"Romanian",
     {0x23, 0xA4, 0x162, 0xC2, 0x15E, 0x102, 0xCD, 0x131, 0x163, 0xE2, 0x15F, 0x103, 0xEE}},
}};

constexpr std::array<const char *, 8> kColours = {"black", "red",     "green", "yellow",
                                                  "blue",  "magenta", "cyan",  "white"};

struct Attribute {
  const char *name;
  std::uint8_t code;
};

constexpr std::array<Attribute, 14> kAttributes = {{{"flash", 0x08},
                                                    {"steady", 0x09},
                                                    {"endbox", 0x0A},
                                                    {"startbox", 0x0B},
                                                    {"normal", 0x0C},
                                                    {"double", 0x0D},
                                                    {"dwidth", 0x0E},
                                                    {"dsize", 0x0F},
                                                    {"conceal", 0x18},
                                                    {"contiguous", 0x19},
                                                    {"separated", 0x1A},
                                                    {"blackbg", 0x1C},
                                                    {"newbg", 0x1D},
                                                    {"hold", 0x1E}}};

std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The next code point of `text` at `at`; `at` moves past it.
char32_t NextCodePoint(std::string_view text, std::size_t &at, unsigned page) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
  if (extra < 0 || at + extra >= text.size()) {
    throw std::invalid_argument(fmt::format("page {}: the text is not UTF-8", page));
  }
  char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      throw std::invalid_argument(fmt::format("page {}: the text is not UTF-8", page));
    }
    c = c << 6 | (next & 0x3F);
  }
  at += extra + 1;
  return c;
}

std::uint8_t TokenCode(std::string_view token, unsigned page) {
  if (token.size() == 3 && token[0] == '#') {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(token.data() + 1, token.data() + 3, value, 16);
    if (ec == std::errc{} && end == token.data() + 3 && value >= 0x20 && value <= 0x7F) {
      return static_cast<std::uint8_t>(value);
    }
  }
  const bool mosaic = token.substr(0, 2) == "m-";
  const std::string_view colour = mosaic ? token.substr(2) : token;
  for (std::size_t i = 0; i < kColours.size(); ++i) {
    if (colour == kColours[i]) {
      return static_cast<std::uint8_t>((mosaic ? 0x10 : 0x00) + i);
    }
  }
  for (const Attribute &a : kAttributes) {
    if (!mosaic && token == a.name) {
      return a.code;
    }
  }
  if (token == "release") {
    return 0x1F;
  }
  throw std::invalid_argument(fmt::format("page {}: unknown teletext code {{{}}}", page, token));
}

std::uint8_t CharacterCode(char32_t c, const Subset &subset, unsigned page) {
  for (std::size_t i = 0; i < kNationalPositions.size(); ++i) {
    if (subset.characters[i] == c) {
      return kNationalPositions[i];
    }
  }
  bool national = false;
  for (const std::uint8_t position : kNationalPositions) {
    national = national || position == c;
  }
  if (c >= 0x20 && c < 0x7F && !national) {
    return static_cast<std::uint8_t>(c);
  }
  throw std::invalid_argument(fmt::format("page {}: the {} teletext set has no \"{}\" (U+{:04X})",
                                          page, subset.name, Utf8(c), static_cast<unsigned>(c)));
}

} // namespace

const char *NationalSetName(std::uint8_t nationalOption) {
  return kSubsets.at(nationalOption & 7).name;
}

std::string EncodeTeletextText(std::string_view utf8, std::uint8_t nationalOption, unsigned page) {
  const Subset &subset = kSubsets.at(nationalOption & 7);
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[at]);
    if (byte < 0x20) {
      out += static_cast<char>(byte);
      ++at;
    } else if (byte == '{') {
      const auto close = utf8.find('}', at);
      if (close == std::string_view::npos) {
        throw std::invalid_argument(fmt::format("page {}: a {{ without its }}", page));
      }
      out += static_cast<char>(TokenCode(utf8.substr(at + 1, close - at - 1), page));
      at = close + 1;
    } else {
      out += static_cast<char>(CharacterCode(NextCodePoint(utf8, at, page), subset, page));
    }
  }
  return out;
}

} // namespace qev::tsgen
